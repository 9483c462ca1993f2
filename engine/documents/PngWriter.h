// PNG writing through libpng.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/Bitmap.h"

namespace glyphon {

// Encodes bitmap as a lossless 8-bit RGB PNG, not interlaced, at zlib level
// 6 with libpng's choice of row filters. Throws Error with libpng's message
// on failure and for an empty bitmap.
[[nodiscard]] std::vector<uint8_t> encodePng(const Bitmap& bitmap);

}  // namespace glyphon
