#include "engine/core/Bitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/Arith.h"
#include "engine/core/Error.h"

namespace glyphon {
namespace {

// A picture whose every pixel tells where it came from: red x, green y.
Bitmap numbered(int32_t w, int32_t h) {
  Bitmap b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b.setPixel(x, y, rgb(uint8_t(x), uint8_t(y), 77));
  return b;
}

const Color kBlank = rgb(1, 2, 3);

Bitmap blank(int32_t w, int32_t h) {
  Bitmap b(w, h);
  fillRect(b, b.bounds(), kBlank);
  return b;
}

// The pixel (x, y) of dst is either untouched or the numbered source pixel
// (sx, sy) it should have received.
void expectCopied(const Bitmap& dst, int32_t x, int32_t y, int32_t sx, int32_t sy) {
  EXPECT_EQ(dst.pixel(x, y), rgb(uint8_t(sx), uint8_t(sy), 77)) << x << "," << y;
}

TEST(Arith, RoundHalfEven) {
  struct Case {
    double v;
    int64_t r;
  };
  const Case cases[] = {{0.5, 0},           {1.5, 2},
                        {2.5, 2},           {-2.5, -2},
                        {-3.5, -4},         {2.4999999999, 2},
                        {2.50001, 3},       {-0.5, 0},
                        {254.5, 254},       {255.5, 256},
                        {1e300, INT64_MAX}, {-1e300, INT64_MIN},
                        {std::nan(""), 0},  {9.2233720368547748e18, 9223372036854774784}};
  for (const Case& c : cases) EXPECT_EQ(roundHalfEven(c.v), c.r) << c.v;
  EXPECT_EQ(roundHalfEven(std::numeric_limits<double>::infinity()), INT64_MAX);
  EXPECT_EQ(truncDiv(-7, 2), -3);
  EXPECT_EQ(truncDiv(7, -2), -3);
  EXPECT_EQ(truncDiv(7, 2), 3);
  EXPECT_EQ(saturateToInt32(int64_t(INT32_MAX) + 1), INT32_MAX);
  EXPECT_EQ(saturateToInt32(int64_t(INT32_MIN) - 1), INT32_MIN);
  EXPECT_EQ(saturateToInt32(-5), -5);
}

TEST(Bitmap, SizesAndLimits) {
  Bitmap b(3, 2);
  EXPECT_EQ(b.stride(), 9u);
  EXPECT_EQ(b.pixel(2, 1), rgb(0, 0, 0));
  b.setPixel(2, 1, rgb(10, 20, 30));
  EXPECT_EQ(b.row(1)[6], 30);  // blue first
  EXPECT_EQ(b.row(1)[8], 10);
  b.resize(1, 1);
  EXPECT_EQ(b.pixel(0, 0), rgb(0, 0, 0));
  EXPECT_TRUE(Bitmap(0, 5).isEmpty());
  EXPECT_NO_THROW(Bitmap::checkSize(65535, 2048));
  try {
    Bitmap::checkSize(-1, 4);
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Invalid picture size -1 x 4");
  }
  try {
    Bitmap::checkSize(65536, 1);
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(),
                 "The picture is too large (65536 x 1 pixels); the limit is 134 megapixels");
  }
  EXPECT_THROW(Bitmap(20000, 20000), Error);
  // A refused resize leaves the picture as it was.
  Bitmap kept = numbered(4, 4);
  EXPECT_THROW(kept.resize(-3, 2), Error);
  EXPECT_EQ(kept, numbered(4, 4));
}

TEST(BitBlt, ClipsOnAllSides) {
  const Bitmap src = numbered(6, 5);
  struct Case {
    int32_t dx, dy, w, h, sx, sy;
  };
  const Case cases[] = {
      {-2, 1, 4, 3, 0, 0},   // destination left
      {1, -2, 3, 4, 1, 0},   // destination top
      {5, 3, 4, 4, 0, 0},    // destination right and bottom
      {0, 0, 4, 4, -2, -1},  // source left and top
      {0, 0, 5, 5, 3, 2},    // source right and bottom
      {2, 2, 100, 100, 0, 0},
      {0, 0, -3, 4, 0, 0},  // negative size
      {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0, 0},
      {0, 0, INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN},
  };
  for (const Case& c : cases) {
    Bitmap dst = blank(7, 6);
    bitBlt(dst, c.dx, c.dy, c.w, c.h, src, c.sx, c.sy);
    for (int32_t y = 0; y < dst.height(); ++y)
      for (int32_t x = 0; x < dst.width(); ++x) {
        const int64_t i = int64_t(x) - c.dx, j = int64_t(y) - c.dy;  // offset in block
        const int64_t sx = c.sx + i, sy = c.sy + j;
        const bool inside = i >= 0 && j >= 0 && i < c.w && j < c.h && sx >= 0 && sy >= 0 &&
                            sx < src.width() && sy < src.height();
        if (inside)
          expectCopied(dst, x, y, int32_t(sx), int32_t(sy));
        else
          EXPECT_EQ(dst.pixel(x, y), kBlank) << x << "," << y;
      }
  }
}

TEST(BitBlt, OverlappingCopyWithinOneBitmap) {
  for (int32_t shift : {-2, -1, 1, 2}) {
    Bitmap b = numbered(8, 8);
    bitBlt(b, 0, shift, 8, 8, b, 0, 0);  // rows down or up
    bitBlt(b, shift, 0, 8, 8, b, 0, 0);  // columns right or left
    for (int32_t y = 0; y < 8; ++y)
      for (int32_t x = 0; x < 8; ++x) {
        const int32_t sx = x - shift, sy = y - shift;
        if (sx >= 0 && sx < 8 && sy >= 0 && sy < 8) expectCopied(b, x, y, sx, sy);
      }
  }
}

TEST(StretchBlt, NearestPixelTruncates) {
  // Destination column i samples source column i * sw / dw.
  struct Case {
    int32_t sw, dw;
    std::vector<int> columns;
  };
  const Case cases[] = {
      {3, 7, {0, 0, 0, 1, 1, 2, 2}}, {7, 3, {0, 2, 4}}, {4, 4, {0, 1, 2, 3}},
      {2, 5, {0, 0, 0, 1, 1}},       {5, 2, {0, 2}},    {1, 3, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    const Bitmap src = numbered(c.sw, c.sw);
    Bitmap dst(c.dw, c.dw);
    stretchBlt(dst, 0, 0, c.dw, c.dw, src, 0, 0, c.sw, c.sw);
    for (int32_t j = 0; j < c.dw; ++j)
      for (int32_t i = 0; i < c.dw; ++i)
        expectCopied(dst, i, j, c.columns[size_t(i)], c.columns[size_t(j)]);
  }
}

TEST(StretchBlt, ClipsAndSkipsOutsideSamples) {
  const Bitmap src = numbered(4, 4);
  Bitmap dst = blank(5, 5);
  // An 8 x 8 stretch of the 4 x 4 picture placed at (-3, -1): destination
  // (x, y) is block pixel (x + 3, y + 1), sampling ((x + 3) / 2, (y + 1) / 2).
  stretchBlt(dst, -3, -1, 8, 8, src, 0, 0, 4, 4);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 5; ++x) expectCopied(dst, x, y, (x + 3) / 2, (y + 1) / 2);
  // Samples outside the source leave the destination alone.
  Bitmap partial = blank(4, 1);
  stretchBlt(partial, 0, 0, 4, 1, src, 2, 0, 4, 1);  // samples columns 2, 3, 4, 5
  expectCopied(partial, 0, 0, 2, 0);
  expectCopied(partial, 1, 0, 3, 0);
  EXPECT_EQ(partial.pixel(2, 0), kBlank);
  EXPECT_EQ(partial.pixel(3, 0), kBlank);
  // Nothing for empty sizes; huge ones cost only the visible part.
  Bitmap untouched = blank(3, 3);
  stretchBlt(untouched, 0, 0, 0, 3, src, 0, 0, 4, 4);
  stretchBlt(untouched, 0, 0, 3, 3, src, 0, 0, -4, 4);
  EXPECT_EQ(untouched, blank(3, 3));
  // A block two billion pixels wide: column x is block offset x + 10^9 and
  // samples (x + 10^9) * 4 / (2 * 10^9) = 2; the product needs 64 bits.
  Bitmap huge = blank(3, 3);
  stretchBlt(huge, -1000000000, 0, 2000000000, 3, src, 0, 0, 4, 4);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 3; ++x) expectCopied(huge, x, y, 2, y * 4 / 3);
}

TEST(DrawRectangle, FillsAndFramesInside) {
  Bitmap b = blank(8, 7);
  const Color brush = rgb(255, 255, 255), pen = rgb(0, 0, 0);
  drawRectangle(b, {1, 1, 7, 6}, brush, pen, 2);
  for (int32_t y = 0; y < 7; ++y)
    for (int32_t x = 0; x < 8; ++x) {
      const bool inRect = x >= 1 && x < 7 && y >= 1 && y < 6;
      const bool inInner = x >= 3 && x < 5 && y >= 3 && y < 4;
      const Color expected = !inRect ? kBlank : inInner ? brush : pen;
      EXPECT_EQ(b.pixel(x, y), expected) << x << "," << y;
    }
  // A frame too thick for the rectangle leaves no fill.
  Bitmap thin = blank(4, 4);
  drawRectangle(thin, {0, 0, 3, 3}, brush, pen, 2);
  EXPECT_EQ(thin.pixel(1, 1), pen);
  // Inner edges of rectangles at the ends of the 32-bit range must not wrap
  // around and fill the whole picture.
  Bitmap edge = blank(4, 4);
  drawRectangle(edge, {INT32_MAX - 1, 0, INT32_MAX, 10}, brush, pen, 2);
  drawRectangle(edge, {INT32_MIN, 0, INT32_MIN + 1, 10}, brush, pen, 2);
  drawRectangle(edge, {0, INT32_MAX - 1, 10, INT32_MAX}, brush, pen, 2);
  EXPECT_EQ(edge, blank(4, 4));
}

TEST(FillRect, ClipsToTheBitmap) {
  Bitmap b = blank(4, 3);
  fillRect(b, {-5, 1, 2, 100}, rgb(9, 9, 9));
  EXPECT_EQ(b.pixel(0, 0), kBlank);
  EXPECT_EQ(b.pixel(1, 2), rgb(9, 9, 9));
  EXPECT_EQ(b.pixel(2, 1), kBlank);
  fillRect(b, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, rgb(5, 5, 5));
  EXPECT_EQ(b.pixel(3, 2), rgb(5, 5, 5));
}

TEST(BitmapMemory, LargePicturesAreBlackAlignedAndCopyLikeSmallOnes) {
  // Either side of the size from which pictures get memory of their own.
  for (const int32_t height : {400, 4000}) {
    Bitmap big(1000, height);
    const bool mapped = big.stride() * size_t(height) >= pixel_memory::kMappedFrom;
    EXPECT_EQ(mapped, height == 4000);
    if (mapped) {
      EXPECT_EQ(reinterpret_cast<uintptr_t>(big.data()) % (size_t(2) << 20), 0u);
    }
    EXPECT_EQ(big.pixel(0, 0), 0u);
    EXPECT_EQ(big.pixel(999, height - 1), 0u);
    big.setPixel(999, height - 1, rgb(1, 2, 3));  // the last byte is writable
    Bitmap copy = big;
    EXPECT_EQ(copy, big);
    Bitmap moved = std::move(copy);
    EXPECT_EQ(moved.pixel(999, height - 1), rgb(1, 2, 3));
    moved.resize(3, 3);  // gives the large block back
    EXPECT_EQ(moved.pixel(2, 2), 0u);
  }
}

// Pictures are cleared only where the memory does not arrive cleared: a
// small picture on heap memory that held white is black all the same.
TEST(BitmapMemory, NewPicturesAreBlackOnReusedMemory) {
  for (const int32_t height : {10, 400}) {
    for (int round = 0; round < 3; ++round) {
      {
        Bitmap dirty(1000, height);
        fillRect(dirty, dirty.bounds(), rgb(255, 255, 255));
      }
      const Bitmap fresh(1000, height);
      EXPECT_TRUE(std::all_of(fresh.data(), fresh.data() + fresh.stride() * size_t(height),
                              [](uint8_t byte) { return byte == 0; }));
    }
  }
  // A picture without clearing has its size and takes every pixel written.
  Bitmap raw = Bitmap::uninitialized(7, 5);
  EXPECT_EQ(raw.width(), 7);
  EXPECT_EQ(raw.height(), 5);
  fillRect(raw, raw.bounds(), rgb(1, 2, 3));
  EXPECT_EQ(raw.pixel(6, 4), rgb(1, 2, 3));
  EXPECT_THROW((void)Bitmap::uninitialized(-1, 5), Error);
}

// Renderings of 64 KiB to 4 MiB share chunks: pictures made and dropped in
// any order keep their own pixels, and chunks are reused once empty.
TEST(BitmapMemory, PooledPicturesKeepTheirPixelsWhateverTheOrderOfRelease) {
  std::vector<std::pair<Bitmap, Color>> kept;
  for (int round = 0; round < 3; ++round) {
    std::vector<Bitmap> made;
    for (int i = 0; i < 60; ++i) {
      // 100 x 300 to 572 x 595 pixels: 90 KB to about 1 MB each.
      Bitmap b(100 + 8 * i, 300 + 5 * i);
      ASSERT_GE(b.stride() * size_t(b.height()), size_t(64) << 10);
      EXPECT_EQ(b.pixel(b.width() - 1, b.height() - 1), 0u);
      fillRect(b, b.bounds(), rgb(uint8_t(i), uint8_t(round), 7));
      made.push_back(std::move(b));
    }
    // Odd ones go first, then all but every sixth.
    for (size_t i = 1; i < made.size(); i += 2) made[i] = Bitmap();
    for (size_t i = 0; i < made.size(); i += 6)
      kept.emplace_back(std::move(made[i]), rgb(uint8_t(i), uint8_t(round), 7));
    made.clear();
    for (const auto& [b, colour] : kept) {
      EXPECT_EQ(b.pixel(0, 0), colour);
      EXPECT_EQ(b.pixel(b.width() - 1, b.height() - 1), colour);
    }
  }
}

}  // namespace
}  // namespace glyphon
