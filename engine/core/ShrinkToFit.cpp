#include "engine/core/ShrinkToFit.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace glyphon {

Bitmap shrinkToFit(const Bitmap& source, int32_t maxWidth, int32_t maxHeight) {
  const double scale =
      std::min({1.0, double(maxWidth) / source.width(), double(maxHeight) / source.height()});
  const int32_t w = std::max<int32_t>(1, int32_t(source.width() * scale + 0.5));
  const int32_t h = std::max<int32_t>(1, int32_t(source.height() * scale + 0.5));
  if (w == source.width() && h == source.height()) return source;
  Bitmap out(w, h);
  for (int32_t y = 0; y < h; ++y) {
    const int32_t sy0 = int32_t(int64_t(y) * source.height() / h);
    const int32_t sy1 = std::max(sy0 + 1, int32_t(int64_t(y + 1) * source.height() / h));
    for (int32_t x = 0; x < w; ++x) {
      const int32_t sx0 = int32_t(int64_t(x) * source.width() / w);
      const int32_t sx1 = std::max(sx0 + 1, int32_t(int64_t(x + 1) * source.width() / w));
      std::array<uint64_t, 3> sum{};
      for (int32_t sy = sy0; sy < sy1; ++sy) {
        const uint8_t* p = source.row(sy) + size_t(sx0) * 3;
        for (int32_t sx = sx0; sx < sx1; ++sx, p += 3)
          for (size_t c = 0; c < 3; ++c) sum[c] += p[c];
      }
      const uint64_t n = uint64_t(sy1 - sy0) * uint64_t(sx1 - sx0);
      uint8_t* q = out.row(y) + size_t(x) * 3;
      for (size_t c = 0; c < 3; ++c) q[c] = uint8_t((sum[c] + n / 2) / n);
    }
  }
  return out;
}

}  // namespace glyphon
