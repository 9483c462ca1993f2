// The picture loader: reads a BMP or JPEG file chosen by its extension.
#pragma once

#include <optional>
#include <string>

#include "engine/core/Bitmap.h"
#include "engine/documents/PictureFormat.h"

namespace glyphon {

// What loadPicture gives: the picture, or no picture and the message the
// windows show in an error box.
struct PictureLoadResult {
  std::optional<Bitmap> picture;
  std::string message;
};

// Loads the picture at path. A missing file gives the message
// "Picture does not exists!\r" followed by the path; an extension other than
// .bmp, .jpg or .jpeg gives "Picture format must be bmp, jpeg or jpg!".
// Otherwise the file is decoded in the format its extension names; a file that
// cannot be read or decoded throws Error with the reader's message.
[[nodiscard]] PictureLoadResult loadPicture(const std::string& path);

}  // namespace glyphon
