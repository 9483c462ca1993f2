// PNG reading through libpng.
#pragma once

#include <cstdint>
#include <span>

#include "engine/documents/DecodedPicture.h"

namespace glyphon {

// Decodes a PNG picture of any colour type and bit depth, interlaced or not.
// Palette and grey pictures become colour pixels; 16-bit samples are
// rounded to 8 bits; an alpha channel or a tRNS chunk gives alpha. The iCCP
// profile and the eXIf block are handed over when present. The size in the
// header is checked against Bitmap::kDecodeMaxPixels before anything is
// decoded. Throws Error with a plain sentence ("Not a PNG picture (it starts
// with the bytes ...)", "The PNG picture is cut short", ...).
[[nodiscard]] DecodedPicture decodePng(std::span<const uint8_t> data);

}  // namespace glyphon
