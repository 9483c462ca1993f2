// The picture loader: reads a picture file for New and Import Backdrop.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "engine/core/Bitmap.h"
#include "engine/core/Geometry.h"
#include "engine/documents/DecodedPicture.h"
#include "engine/documents/PictureFormat.h"

namespace glyphon {

// What loadPicture gives: the picture, or no picture and the message the
// windows show in an error box.
struct PictureLoadResult {
  std::optional<Bitmap> picture;
  std::string message;
};

// The message of a picture whose name has none of the accepted extensions.
[[nodiscard]] std::string unknownPictureFormatMessage();

// Decodes a picture file held in data. The format is the one the content's
// signature shows (a PNG named .jpg is still read as PNG); content with no
// known signature is decoded as fallback says, so that its decoder explains
// what is wrong. Throws Error with the decoder's sentence.
[[nodiscard]] DecodedPicture decodePicture(std::span<const uint8_t> data, PictureFormat fallback);

// Loads the picture at path with its transparent pixels composed over
// background. A missing file gives the message "Picture does not exists!\r"
// followed by the path; an extension pictureFormatOfName does not know gives
// unknownPictureFormatMessage(). A file that cannot be read or decoded
// throws Error "'<file name>': <what is wrong>".
[[nodiscard]] PictureLoadResult loadPicture(const std::string& path, Color background);

}  // namespace glyphon
