// Picture export: the finished canvas written as a JPEG or BMP file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/Bitmap.h"
#include "engine/documents/PictureFormat.h"

namespace glyphon {

// The file bytes of picture in format: baseline JFIF at quality 90 with
// libjpeg's other defaults, or an uncompressed 24-bit BMP. Throws Error for
// an empty picture, on encoder failure and for a format not written (yet).
[[nodiscard]] std::vector<uint8_t> encodePicture(const Bitmap& picture, PictureFormat format);

// Writes picture to path in format, whatever extension path has. The file
// is replaced only once the new one is complete (see writeWholeFile).
void writePictureFile(const std::string& path, const Bitmap& picture, PictureFormat format);

}  // namespace glyphon
