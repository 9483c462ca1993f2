#include "bench/Photo.h"

#include <algorithm>

namespace glyphon::bench {

Bitmap syntheticPhoto(int32_t width, int32_t height) {
  Bitmap b(width, height);
  uint32_t state = 1;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* p = b.row(y);
    for (int32_t x = 0; x < width; ++x, p += 3) {
      state = state * 1664525u + 1013904223u;
      const int grain = int(state >> 29) - 4;
      p[0] = uint8_t(std::clamp(x * 255 / width + grain, 0, 255));
      p[1] = uint8_t(std::clamp(y * 255 / height + grain, 0, 255));
      p[2] = uint8_t(std::clamp(128 + (x - y) / 64 + grain, 0, 255));
    }
  }
  return b;
}

}  // namespace glyphon::bench
