#include "engine/core/MipChain.h"

#include <algorithm>

namespace glyphon {

namespace {

// The half-size rectangle that rect (within a picture) covers.
Rect halfOf(const Rect& r) {
  return {r.Left / 2, r.Top / 2, (r.Right + 1) / 2, (r.Bottom + 1) / 2};
}

// Averages the pixels of srcRect (within the source, whose rows are
// srcRow(y), width srcWidth and height srcHeight) into the rows dstRow(y)
// of the half; In and Out are the bytes per pixel (3, or 4 with a fourth
// byte of 255 written). An odd last column or row counts its pixels twice,
// which is their mean.
template <int In, int Out, class SrcRow, class DstRow>
Rect halveInto(SrcRow srcRow, int32_t srcWidth, int32_t srcHeight, const Rect& srcRect,
               DstRow dstRow) {
  const Rect s = intersect(srcRect, {0, 0, srcWidth, srcHeight});
  if (s.isEmpty()) return {};
  const Rect h = halfOf(s);
  // Columns whose right neighbour exists take the plain loop.
  const int32_t pairedEnd = std::min(h.Right, srcWidth / 2);
  for (int32_t y = h.Top; y < h.Bottom; ++y) {
    const uint8_t* top = srcRow(2 * y);
    const uint8_t* bottom = srcRow(std::min(2 * y + 1, srcHeight - 1));
    uint8_t* out = dstRow(y);
    auto put = [&](int32_t x, int32_t x0, int32_t x1) {
      uint8_t* o = out + size_t(x) * Out;
      for (int c = 0; c < 3; ++c) {
        const unsigned sum = unsigned(top[x0 * In + c]) + top[x1 * In + c] + bottom[x0 * In + c] +
                             bottom[x1 * In + c];
        o[c] = uint8_t((sum + 2) / 4);
      }
      if constexpr (Out == 4) o[3] = 255;
    };
    int32_t x = h.Left;
    for (; x < pairedEnd; ++x) put(x, 2 * x, 2 * x + 1);
    for (; x < h.Right; ++x) put(x, 2 * x, srcWidth - 1);
  }
  return h;
}

MipChain::Level emptyLevel(int32_t srcWidth, int32_t srcHeight) {
  MipChain::Level level;
  level.Width = (srcWidth + 1) / 2;
  level.Height = (srcHeight + 1) / 2;
  // Halving the whole picture writes every byte.
  level.Pixels.resize(level.stride() * size_t(level.Height));
  return level;
}

// Halves rect of canvas into level 1, or of level `above` into `below`.
Rect halveLevel(const Bitmap& canvas, const Rect& rect, MipChain::Level& below) {
  return halveInto<3, 4>([&](int32_t y) { return canvas.row(y); }, canvas.width(), canvas.height(),
                         rect, [&](int32_t y) { return below.row(y); });
}
Rect halveLevel(const MipChain::Level& above, const Rect& rect, MipChain::Level& below) {
  return halveInto<4, 4>([&](int32_t y) { return above.row(y); }, above.Width, above.Height, rect,
                         [&](int32_t y) { return below.row(y); });
}

}  // namespace

Bitmap halved(const Bitmap& src) {
  // Halving the whole picture writes every pixel.
  Bitmap half = Bitmap::uninitialized((src.width() + 1) / 2, (src.height() + 1) / 2);
  (void)halveRegion(src, src.bounds(), half);
  return half;
}

Rect halveRegion(const Bitmap& src, const Rect& srcRect, Bitmap& half) {
  return halveInto<3, 3>([&](int32_t y) { return src.row(y); }, src.width(), src.height(), srcRect,
                         [&](int32_t y) { return half.row(y); });
}

Bitmap MipChain::Level::toBitmap() const {
  Bitmap bitmap = Bitmap::uninitialized(Width, Height);
  for (int32_t y = 0; y < Height; ++y)
    for (int32_t x = 0; x < Width; ++x)
      std::copy_n(row(y) + size_t(x) * kLevelBytesPerPixel, 3, bitmap.row(y) + size_t(x) * 3);
  return bitmap;
}

void MipChain::rebuild(const Bitmap& canvas, double smallestScale) {
  m_levels.clear();
  int32_t width = canvas.width(), height = canvas.height();
  double scale = 1.0;
  while (width > 0 && height > 0 && (width > 1 || height > 1) && scale / 2 >= smallestScale) {
    Level level = emptyLevel(width, height);
    if (m_levels.empty())
      (void)halveLevel(canvas, canvas.bounds(), level);
    else
      (void)halveLevel(m_levels.back(), m_levels.back().bounds(), level);
    width = level.Width;
    height = level.Height;
    m_levels.push_back(std::move(level));
    scale /= 2;
  }
}

void MipChain::update(const Bitmap& canvas, const Rect& canvasRect) {
  Rect r = canvasRect;
  for (size_t n = 0; n < m_levels.size() && !(n > 0 && r.isEmpty()); ++n)
    r = n == 0 ? halveLevel(canvas, r, m_levels[0]) : halveLevel(m_levels[n - 1], r, m_levels[n]);
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
