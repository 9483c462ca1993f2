#include "engine/core/MipChain.h"

#include <algorithm>

namespace glyphon {

Bitmap halved(const Bitmap& src) {
  // Halving the whole picture writes every pixel.
  Bitmap half = Bitmap::uninitialized((src.width() + 1) / 2, (src.height() + 1) / 2);
  (void)halveRegion(src, src.bounds(), half);
  return half;
}

Rect halveRegion(const Bitmap& src, const Rect& srcRect, Bitmap& half) {
  const Rect s = intersect(srcRect, src.bounds());
  if (s.isEmpty()) return {};
  const Rect h{s.Left / 2, s.Top / 2, (s.Right + 1) / 2, (s.Bottom + 1) / 2};
  for (int32_t y = h.Top; y < h.Bottom; ++y) {
    const int32_t y0 = 2 * y, y1 = std::min(2 * y + 1, src.height() - 1);
    const uint8_t* top = src.row(y0);
    const uint8_t* bottom = src.row(y1);
    uint8_t* out = half.row(y);
    for (int32_t x = h.Left; x < h.Right; ++x) {
      const int32_t x0 = 2 * x, x1 = std::min(2 * x + 1, src.width() - 1);
      // An odd last column or row counts its pixels twice, which is their mean.
      for (int c = 0; c < Bitmap::kBytesPerPixel; ++c) {
        const unsigned sum =
            unsigned(top[x0 * 3 + c]) + top[x1 * 3 + c] + bottom[x0 * 3 + c] + bottom[x1 * 3 + c];
        out[x * 3 + c] = uint8_t((sum + 2) / 4);
      }
    }
  }
  return h;
}

void MipChain::rebuild(const Bitmap& canvas, double smallestScale) {
  m_levels.clear();
  const Bitmap* above = &canvas;
  double scale = 1.0;
  while (!above->isEmpty() && (above->width() > 1 || above->height() > 1) &&
         scale / 2 >= smallestScale) {
    m_levels.push_back(halved(*above));
    above = &m_levels.back();
    scale /= 2;
  }
}

void MipChain::update(const Bitmap& canvas, const Rect& canvasRect) {
  Rect r = canvasRect;
  const Bitmap* above = &canvas;
  for (Bitmap& level : m_levels) {
    r = halveRegion(*above, r, level);
    if (r.isEmpty()) return;
    above = &level;
  }
}

size_t MipChain::levelFor(double zoom) const {
  size_t n = 0;
  double scale = 1.0;
  while (n < m_levels.size() && scale / 2 >= zoom) {
    scale /= 2;
    ++n;
  }
  return n;
}

}  // namespace glyphon
