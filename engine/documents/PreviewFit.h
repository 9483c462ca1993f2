// Where the full-screen preview puts the picture of the canvas view.
#pragma once

#include <cstdint>

#include "engine/core/Arith.h"
#include "engine/core/Geometry.h"

namespace glyphon {

// The rectangle a width x height picture takes on a screenWidth x
// screenHeight screen: a landscape picture wider than the screen shrinks to
// the screen's width, any other picture taller than the screen shrinks to
// its height, both keeping the aspect with integer division; nothing is
// enlarged; the result is centred, so a landscape picture taller than the
// screen (but not wider) hangs over its top and bottom edges.
[[nodiscard]] constexpr Rect previewPlacement(int32_t width, int32_t height, int32_t screenWidth,
                                              int32_t screenHeight) {
  int64_t a = width, b = height;
  if (width > height) {
    if (width > screenWidth) {
      a = screenWidth;
      b = truncDiv(int64_t(screenWidth) * height, width);
    }
  } else if (height > screenHeight) {
    b = screenHeight;
    a = truncDiv(int64_t(screenHeight) * width, height);
  }
  const int64_t left = truncDiv(screenWidth - a, 2);
  const int64_t top = truncDiv(screenHeight - b, 2);
  return {saturateToInt32(left), saturateToInt32(top), saturateToInt32(left + a),
          saturateToInt32(top + b)};
}

}  // namespace glyphon
