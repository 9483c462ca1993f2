// The colour key of the full-screen preview: the surround of the canvas
// view, whatever its colour, lets the black screen show through.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/Bitmap.h"

namespace glyphon {

// picture's pixels as 32-bit 0xAARRGGBB values (alpha not premultiplied), rows top-down with no
// padding: opaque, but 0 (fully transparent) wherever the colour is that of the bottom-left
// pixel. Empty for an empty picture.
[[nodiscard]] std::vector<uint32_t> bottomLeftKeyedArgb(const Bitmap& picture);

}  // namespace glyphon
