#include "engine/core/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/core/Arith.h"
#include "engine/core/Error.h"

namespace glyphon {

void Bitmap::checkSize(int64_t width, int64_t height) {
  if (width < 0 || height < 0)
    throw Error("Invalid picture size " + std::to_string(width) + " x " + std::to_string(height));
  if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels)
    throw Error("The picture is too large (" + std::to_string(width) + " x " +
                std::to_string(height) + " pixels); the limit is " +
                std::to_string(kMaxPixels / 1000000) + " megapixels");
}

Bitmap::Bitmap(int32_t width, int32_t height) { resize(width, height); }

Bitmap Bitmap::uninitialized(int32_t width, int32_t height) {
  Bitmap bitmap;
  bitmap.allocate(width, height);
  return bitmap;
}

void Bitmap::allocate(int32_t width, int32_t height) {
  checkSize(width, height);
  std::vector<uint8_t, PixelAllocator<uint8_t>> pixels(size_t(width) * size_t(height) *
                                                       kBytesPerPixel);
  m_pixels.swap(pixels);
  m_width = width;
  m_height = height;
}

void Bitmap::resize(int32_t width, int32_t height) {
  allocate(width, height);
  // Large pictures are mapped fresh and already black; writing their zeros
  // again would cost the first touch of every page up front.
  if (!pixel_memory::arrivesZeroed(m_pixels.size()) && !m_pixels.empty())
    std::memset(m_pixels.data(), 0, m_pixels.size());
}

Color Bitmap::pixel(int32_t x, int32_t y) const {
  const uint8_t* p = row(y) + size_t(x) * kBytesPerPixel;
  return rgb(p[2], p[1], p[0]);
}

void Bitmap::setPixel(int32_t x, int32_t y, Color c) {
  uint8_t* p = row(y) + size_t(x) * kBytesPerPixel;
  p[0] = blueOf(c);
  p[1] = greenOf(c);
  p[2] = redOf(c);
}

void bitBlt(Bitmap& dst, int32_t dx, int32_t dy, int32_t w, int32_t h, const Bitmap& src,
            int32_t sx, int32_t sy) {
  // Clip in 64 bits so that extreme coordinates cannot overflow.
  int64_t x0 = 0, y0 = 0, x1 = w, y1 = h;  // offsets within the block
  x0 = std::max({x0, -int64_t(dx), -int64_t(sx)});
  y0 = std::max({y0, -int64_t(dy), -int64_t(sy)});
  x1 = std::min({x1, int64_t(dst.width()) - dx, int64_t(src.width()) - sx});
  y1 = std::min({y1, int64_t(dst.height()) - dy, int64_t(src.height()) - sy});
  if (x0 >= x1 || y0 >= y1) return;
  const size_t bytes = size_t(x1 - x0) * Bitmap::kBytesPerPixel;
  auto copyRow = [&](int64_t y) {
    const uint8_t* from = src.row(int32_t(sy + y)) + size_t(sx + x0) * Bitmap::kBytesPerPixel;
    uint8_t* to = dst.row(int32_t(dy + y)) + size_t(dx + x0) * Bitmap::kBytesPerPixel;
    std::memmove(to, from, bytes);
  };
  // Overlapping copies within one bitmap must not read rows already written.
  if (&src == &dst && dy > sy) {
    for (int64_t y = y1 - 1; y >= y0; --y) copyRow(y);
  } else {
    for (int64_t y = y0; y < y1; ++y) copyRow(y);
  }
}

void stretchBlt(Bitmap& dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh, const Bitmap& src,
                int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  const int64_t i0 = std::max<int64_t>(0, -int64_t(dx));
  const int64_t i1 = std::min<int64_t>(dw, int64_t(dst.width()) - dx);
  const int64_t j0 = std::max<int64_t>(0, -int64_t(dy));
  const int64_t j1 = std::min<int64_t>(dh, int64_t(dst.height()) - dy);
  if (i0 >= i1 || j0 >= j1) return;
  // Source column of every destination column; -1 where it lies outside src.
  std::vector<int32_t> column(size_t(i1 - i0));
  for (int64_t i = i0; i < i1; ++i) {
    int64_t s = int64_t(sx) + i * sw / dw;
    column[size_t(i - i0)] = (s >= 0 && s < src.width()) ? int32_t(s) : -1;
  }
  for (int64_t j = j0; j < j1; ++j) {
    int64_t s = int64_t(sy) + j * sh / dh;
    if (s < 0 || s >= src.height()) continue;
    const uint8_t* from = src.row(int32_t(s));
    uint8_t* to = dst.row(int32_t(dy + j)) + size_t(dx + i0) * Bitmap::kBytesPerPixel;
    for (size_t k = 0; k < column.size(); ++k, to += 3) {
      if (column[k] < 0) continue;
      const uint8_t* p = from + size_t(column[k]) * 3;
      to[0] = p[0];
      to[1] = p[1];
      to[2] = p[2];
    }
  }
}

void fillRect(Bitmap& dst, const Rect& r, Color c) {
  const Rect clip = intersect(r, dst.bounds());
  if (clip.isEmpty()) return;
  const uint8_t b = blueOf(c), g = greenOf(c), red = redOf(c);
  for (int32_t y = clip.Top; y < clip.Bottom; ++y) {
    uint8_t* p = dst.row(y) + size_t(clip.Left) * 3;
    for (int32_t x = clip.Left; x < clip.Right; ++x, p += 3) {
      p[0] = b;
      p[1] = g;
      p[2] = red;
    }
  }
}

void drawRectangle(Bitmap& dst, const Rect& r, Color brush, Color pen, int32_t penWidth) {
  if (r.isEmpty()) return;
  fillRect(dst, r, pen);
  // Inner edges in 64 bits: a rectangle near the ends of the 32-bit range
  // must not overflow.
  const Rect inner{
      saturateToInt32(int64_t(r.Left) + penWidth), saturateToInt32(int64_t(r.Top) + penWidth),
      saturateToInt32(int64_t(r.Right) - penWidth), saturateToInt32(int64_t(r.Bottom) - penWidth)};
  fillRect(dst, inner, brush);
}

}  // namespace glyphon
