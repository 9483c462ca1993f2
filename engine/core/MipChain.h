// The halved copies of the canvas that the view draws from below 100 %:
// each level is the one above it averaged over blocks of 2 x 2 pixels, so a
// zoomed-out view is an area average of the canvas, never a nearest-pixel
// sample of it. Changed rectangles of the canvas update only their part of
// every level.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/core/Bitmap.h"
#include "engine/core/Geometry.h"
#include "engine/core/PixelAllocator.h"

namespace glyphon {

// The picture half as large (sides rounded up) in which each pixel is the
// mean of the up to four pixels of src it covers, rounded to nearest.
[[nodiscard]] Bitmap halved(const Bitmap& src);
// Writes into half (already halved(src)'s size) the pixels that srcRect of
// src covers, and returns that rectangle of half.
Rect halveRegion(const Bitmap& src, const Rect& srcRect, Bitmap& half);

class MipChain {
 public:
  // Bytes of one pixel of a level: blue, green, red and 255, the 32-bit
  // word 0xFFRRGGBB on this little-endian machine, which a painter scales
  // without converting it first.
  static constexpr int kLevelBytesPerPixel = 4;

  // One level, in picture memory.
  struct Level {
    int32_t Width = 0;
    int32_t Height = 0;
    PixelBytes Pixels;

    [[nodiscard]] size_t stride() const { return size_t(Width) * kLevelBytesPerPixel; }
    [[nodiscard]] Rect bounds() const { return {0, 0, Width, Height}; }
    [[nodiscard]] const uint8_t* row(int32_t y) const {
      return Pixels.data() + size_t(y) * stride();
    }
    [[nodiscard]] uint8_t* row(int32_t y) { return Pixels.data() + size_t(y) * stride(); }
    // The level as a 24-bit picture, for comparing.
    [[nodiscard]] Bitmap toBitmap() const;
  };

  // Forgets every level.
  void clear() { m_levels.clear(); }
  // Builds levels 1 (half size) down to the last whose scale is at least
  // smallestScale, stopping early at a level of 1 x 1 pixel.
  void rebuild(const Bitmap& canvas, double smallestScale);
  // Updates every level where canvasRect of canvas changed.
  void update(const Bitmap& canvas, const Rect& canvasRect);
  // Levels held; level n is at scale 2^-n and level 0 is the canvas itself,
  // which the chain does not copy.
  [[nodiscard]] size_t levels() const { return m_levels.size(); }
  // Level n, 1 <= n <= levels(). It stays where it is until the chain is
  // rebuilt or cleared.
  [[nodiscard]] const Level& level(size_t n) const { return m_levels[n - 1]; }
  // The level to scale down from for zoom (below 1): the smallest one still
  // at least as large as zoom, 0 meaning the canvas.
  [[nodiscard]] size_t levelFor(double zoom) const;

 private:
  std::vector<Level> m_levels;
};

}  // namespace glyphon
