// Picture export: the finished canvas written as a JPEG, BMP, PNG or WebP
// file, and the rule that picks the format from the name the user gives.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/Bitmap.h"
#include "engine/documents/PictureFormat.h"

namespace glyphon {

// The file bytes of picture in format: baseline JFIF at quality 90 with
// libjpeg's other defaults, an uncompressed 24-bit BMP, a lossless PNG
// (encodePng) or a lossy WebP at quality 90 (encodeWebp). Throws Error for
// an empty picture, on encoder failure and for a format not written (TIFF,
// HEIF).
[[nodiscard]] std::vector<uint8_t> encodePicture(const Bitmap& picture, PictureFormat format);

// Writes picture to path in format, whatever extension path has. The file
// is replaced only once the new one is complete (see writeWholeFile).
void writePictureFile(const std::string& path, const Bitmap& picture, PictureFormat format);

// The format a picture is written in when its file name is path, by the
// extension alone, letter case ignored: ".jpg" and ".jpeg" JPEG, ".bmp" BMP,
// ".png" PNG, ".webp" WebP; none for any other extension or none at all.
[[nodiscard]] std::optional<PictureFormat> writtenFormatOfName(const std::string& path);

// Where Save Picture writes and in which format, for the name the user typed
// and the format of the chosen filter entry.
struct PictureSaveTarget {
  std::string path;
  PictureFormat format;
};

// A typed extension that names a written format decides the format (a
// "card.bmp" typed while the JPG entry is chosen is a BMP), so that no file
// is named after a format its bytes are not in. Otherwise the entry's format
// is used and its extension added when the name has none. A typed extension
// of a picture format that is read but not written (".tif") throws Error
// saying which formats can be saved.
[[nodiscard]] PictureSaveTarget pictureSaveTarget(const std::string& typedPath,
                                                  PictureFormat entryFormat);

}  // namespace glyphon
