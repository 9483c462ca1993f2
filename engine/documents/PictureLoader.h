// The picture loader: reads a BMP or JPEG file chosen by its extension.
#pragma once

#include <optional>
#include <string>

#include "engine/core/Bitmap.h"

namespace glyphon {

// The kind of picture a file name announces through its extension.
enum class PictureKind { Bmp, Jpeg, Other };

// The extension of the file name in path: from the last dot of the last path
// component, dot included ("/a.b/c.JPG" -> ".JPG"); empty when there is none.
[[nodiscard]] std::string fileExtension(const std::string& path);

// Bmp for ".bmp", Jpeg for ".jpg" and ".jpeg", letter case ignored; Other
// for every other extension. The content of the file plays no part.
[[nodiscard]] PictureKind pictureKindOf(const std::string& path);

// What loadPicture gives: the picture, or no picture and the message the
// windows show in an error box.
struct PictureLoadResult {
  std::optional<Bitmap> picture;
  std::string message;
};

// Loads the picture at path. A missing file gives the message
// "Picture does not exists!\r" followed by the path; an extension other than
// .bmp, .jpg or .jpeg gives "Picture format must be bmp, jpeg or jpg!".
// Otherwise the file is decoded by the kind its extension names; a file that
// cannot be read or decoded throws Error with the reader's message.
[[nodiscard]] PictureLoadResult loadPicture(const std::string& path);

}  // namespace glyphon
