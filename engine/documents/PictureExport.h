// Picture export: the finished canvas written as a JPEG or BMP file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/Bitmap.h"

namespace glyphon {

enum class PictureFormat { Jpeg, Bmp };

// The file bytes of picture in format: baseline JFIF at quality 90 with
// libjpeg's other defaults, or an uncompressed 24-bit BMP. Throws Error for
// an empty picture and on encoder failure.
[[nodiscard]] std::vector<uint8_t> encodePicture(const Bitmap& picture, PictureFormat format);

// Writes picture to path in format, whatever extension path has. The file
// is replaced only once the new one is complete (see writeWholeFile).
void writePictureFile(const std::string& path, const Bitmap& picture, PictureFormat format);

// The format the extension of path names: ".jpg" and ".jpeg" JPEG, ".bmp"
// BMP, letter case ignored; none for any other extension or none at all.
[[nodiscard]] std::optional<PictureFormat> pictureFormatOfName(const std::string& path);

// path with the extension of format (".jpg" or ".bmp") added when its file
// name has no extension; any extension typed is kept as it is.
[[nodiscard]] std::string withPictureExtension(const std::string& path, PictureFormat format);

}  // namespace glyphon
