#include "engine/core/Compositor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "engine/core/Arith.h"

namespace glyphon {
namespace {

// ---- Reference: the compositor written the plain way, in doubles --------

int refTint(int k, int v) {
  if (v <= 127) return 2 * k * v / 255;
  return int(roundHalfEven(255 - (1 - k / 255.0) * 2 * (255 - v)));
}

// The formula is evaluated once per channel value; the exhaustive test tints
// millions of pixels.
void refTintLayer(Bitmap& layer, Color color) {
  const int k[3] = {blueOf(color), greenOf(color), redOf(color)};
  uint8_t tinted[3][256];
  for (int ch = 0; ch < 3; ++ch)
    for (int v = 0; v < 256; ++v) tinted[ch][v] = uint8_t(refTint(k[ch], v));
  for (int32_t y = 0; y < layer.height(); ++y)
    for (int32_t x = 0; x < layer.width(); ++x)
      for (int ch = 0; ch < 3; ++ch) {
        uint8_t& v = layer.row(y)[x * 3 + ch];
        v = tinted[ch][v];
      }
}

// Builds the colour and mask layers and blends them pixel by pixel. Only the
// window of the W x H layers that falls on the target is materialised, so
// huge rectangles can be checked too; each layer pixel (x, y) is the source
// pixel (x * sw / W, y * sh / H).
void referenceDrawItem(const TTextItem& item, Bitmap& target) {
  const int64_t W = int64_t(item.Rect.Right) - item.Rect.Left;
  const int64_t H = int64_t(item.Rect.Bottom) - item.Rect.Top;
  if (W <= 0 || H <= 0 || !item.Bitmap || item.Bitmap->isEmpty()) return;
  const Bitmap& src = *item.Bitmap;
  const int64_t x0 = std::clamp<int64_t>(-int64_t(item.Rect.Left), 0, W);
  const int64_t y0 = std::clamp<int64_t>(-int64_t(item.Rect.Top), 0, H);
  const int64_t x1 = std::clamp<int64_t>(target.width() - int64_t(item.Rect.Left), x0, W);
  const int64_t y1 = std::clamp<int64_t>(target.height() - int64_t(item.Rect.Top), y0, H);
  Bitmap colour(int32_t(x1 - x0), int32_t(y1 - y0));
  for (int64_t y = y0; y < y1; ++y)
    for (int64_t x = x0; x < x1; ++x)
      colour.setPixel(int32_t(x - x0), int32_t(y - y0),
                      src.pixel(int32_t(x * src.width() / W), int32_t(y * src.height() / H)));
  Bitmap mask = colour;
  refTintLayer(colour, item.Color);
  refTintLayer(mask, rgb(255, 255, 255));
  const int opacity = std::clamp(item.Opacity, 0, 100);
  for (int64_t y = y0; y < y1; ++y) {
    for (int64_t x = x0; x < x1; ++x) {
      const int32_t lx = int32_t(x - x0), ly = int32_t(y - y0);
      const int m = redOf(mask.pixel(lx, ly));
      if (m < 10) continue;
      uint8_t* t = target.row(int32_t(item.Rect.Top + y)) + (item.Rect.Left + x) * 3;
      const uint8_t* c = colour.row(ly) + lx * 3;
      for (int ch = 0; ch < 3; ++ch) {
        double v;
        if (m == 255) {
          const double a = opacity / 100.0;
          v = (1 - a) * t[ch] + a * c[ch];
        } else {
          const double k = (255 - m * opacity / 100.0) / 255.0;
          v = t[ch] * k + c[ch] * (1 - k);
        }
        t[ch] = uint8_t(roundHalfEven(v));
      }
    }
  }
}

// ---- Helpers ---------------------------------------------------------------

// Channel values biased towards the thresholds of the compositor.
uint8_t interestingByte(std::mt19937& rng) {
  static const uint8_t edges[] = {0, 1, 4, 5, 6, 9, 10, 126, 127, 128, 129, 254, 255};
  if (rng() % 3 == 0) return edges[rng() % std::size(edges)];
  return uint8_t(rng());
}

Bitmap randomBitmap(std::mt19937& rng, int32_t w, int32_t h) {
  Bitmap b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w * 3; ++x) b.row(y)[x] = interestingByte(rng);
  return b;
}

TTextItem makeItem(Bitmap rendering, Rect rect, Color color, int32_t opacity) {
  TTextItem item;
  item.Rect = rect;
  item.Color = color;
  item.Opacity = opacity;
  item.Bitmap = std::make_shared<const Bitmap>(std::move(rendering));
  return item;
}

Bitmap filled(int32_t w, int32_t h, Color c) {
  Bitmap b(w, h);
  fillRect(b, b.bounds(), c);
  return b;
}

// Draws with the portable code and with each kind of vector code the
// processor has; every one must give the reference picture.
void expectSameAsReference(const TTextItem& item, const Bitmap& target) {
  using detail::VectorCode;
  Bitmap reference = target;
  referenceDrawItem(item, reference);
  for (VectorCode code : {VectorCode::kPortable, VectorCode::kAvx2, VectorCode::kAvx512}) {
    if (code > detail::widestAvailableVectorCode()) continue;
    detail::setWidestVectorCode(code);
    Bitmap fast = target;
    DrawItem(item, fast);
    detail::setWidestVectorCode(VectorCode::kAvx512);
    ASSERT_EQ(fast, reference) << "vector code " << int(code) << " rect " << item.Rect.Left << ","
                               << item.Rect.Top << "," << item.Rect.Right << "," << item.Rect.Bottom
                               << " opacity " << item.Opacity << " colour " << item.Color;
  }
}

// ---- Tint ------------------------------------------------------------------

TEST(TintBitmap, EveryChannelValueAndColourByteMatchesTheFormula) {
  Bitmap row(256, 1);
  for (int v = 0; v < 256; ++v) row.setPixel(v, 0, rgb(uint8_t(v), uint8_t(v), uint8_t(v)));
  for (int k = 0; k < 256; ++k) {
    const Color color = rgb(uint8_t(k), uint8_t(255 - k), uint8_t(k ^ 0x5A));
    Bitmap tinted = row, expected = row;
    TintBitmap(tinted, color);
    refTintLayer(expected, color);
    ASSERT_EQ(tinted, expected) << "colour byte " << k;
  }
}

TEST(TintBitmap, BlackAndWhiteStayGreysTakeTheColour) {
  Bitmap b(4, 1);
  b.setPixel(0, 0, rgb(0, 0, 0));
  b.setPixel(1, 0, rgb(255, 255, 255));
  b.setPixel(2, 0, rgb(128, 128, 128));
  b.setPixel(3, 0, rgb(127, 127, 127));
  TintBitmap(b, rgb(104, 255, 119));
  EXPECT_EQ(b.pixel(0, 0), rgb(0, 0, 0));
  EXPECT_EQ(b.pixel(1, 0), rgb(255, 255, 255));
  // 255 - (1 - 104/255) * 2 * 127 = 104.58 -> 105 (blue: 119.53 -> 120);
  // 2 * 104 * 127 div 255 = 103.
  EXPECT_EQ(b.pixel(2, 0), rgb(105, 255, 120));
  EXPECT_EQ(b.pixel(3, 0), rgb(103, 254, 118));
}

// ---- DrawItem against the reference ----------------------------------------

TEST(DrawItem, MatchesReferenceOnRandomItemsAndRectangles) {
  std::mt19937 rng(20240611);
  const int32_t opacities[] = {0, 1, 37, 60, 99, 100, -5, 150};
  for (int round = 0; round < 3000; ++round) {
    const int32_t tw = 1 + int32_t(rng() % 40), th = 1 + int32_t(rng() % 30);
    const Bitmap target = randomBitmap(rng, tw, th);
    const int32_t sw = 1 + int32_t(rng() % 35), sh = 1 + int32_t(rng() % 20);
    Rect r;
    r.Left = int32_t(rng() % 70) - 20;
    r.Top = int32_t(rng() % 50) - 15;
    r.Right = r.Left + int32_t(rng() % 70) - 5;  // sometimes empty or inverted
    r.Bottom = r.Top + int32_t(rng() % 50) - 5;
    // Every other item at its rendering's width, every fourth at its size:
    // the 1:1 path reads consecutive source pixels.
    if (round % 2 == 1) r.Right = r.Left + sw;
    if (round % 4 == 3) r.Bottom = r.Top + sh;
    const TTextItem item = makeItem(randomBitmap(rng, sw, sh), r, Color(rng() & 0xFFFFFF),
                                    opacities[rng() % std::size(opacities)]);
    expectSameAsReference(item, target);
    if (HasFatalFailure()) return;
  }
}

TEST(DrawItem, HugeRectanglesCostOnlyTheirVisiblePart) {
  std::mt19937 rng(7);
  const Bitmap target = randomBitmap(rng, 23, 17);
  const Rect rects[] = {
      {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX},
      {-1000000000, -5, 1000000000, 12},
      {3, -2000000000, 9, 2000000000},
      {20, 10, INT32_MAX, INT32_MAX},
      {INT32_MIN, INT32_MIN, 5, 4},
      {INT32_MAX - 3, 0, INT32_MAX, 10},             // wholly to the right
      {INT32_MIN, 0, INT32_MIN + 5, 10},             // wholly to the left
      {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN},  // inverted
  };
  for (const Rect& r : rects)
    for (int32_t opacity : {37, 100}) {
      expectSameAsReference(makeItem(randomBitmap(rng, 31, 29), r, rgb(200, 30, 90), opacity),
                            target);
      if (HasFatalFailure()) return;
    }
}

// Rows long enough for several chunks of sixteen pixels and a short last
// one, from renderings enlarged, kept, shrunk a little (a chunk's source
// pixels still lie close together) and shrunk a lot (they do not), each
// reaching the rendering's last row and column, and hanging over the edges.
TEST(DrawItem, LongRowsFromStretchedAndShrunkRenderingsMatchReference) {
  std::mt19937 rng(99);
  const Bitmap target = randomBitmap(rng, 101, 7);
  for (int32_t sw : {1, 17, 60, 95, 101, 102, 130, 190, 333}) {
    const Bitmap rendering = randomBitmap(rng, sw, 5);
    for (const Rect r : {Rect{0, 0, 101, 7}, Rect{-13, -2, 95, 9}, Rect{6, 1, 100, 6}})
      for (int32_t opacity : {37, 60, 100}) {
        expectSameAsReference(makeItem(rendering, r, Color(rng() & 0xFFFFFF), opacity), target);
        if (HasFatalFailure()) return;
      }
  }
}

// Every (coverage, target, colour) combination: the rendering's red channel
// runs through all 256 values across calls, blue and green across the
// columns and rows, against targets whose channels do the same.
TEST(DrawItem, ExhaustiveOverCoverageTargetAndColour) {
  Bitmap target(256, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x)
      target.setPixel(x, y, rgb(uint8_t(x ^ y), uint8_t(y), uint8_t(x)));
  for (int32_t opacity : {1, 37, 60, 100}) {
    for (int red = 0; red < 256; ++red) {
      Bitmap rendering(256, 256);
      for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
          rendering.setPixel(x, y, rgb(uint8_t(red), uint8_t(x), uint8_t(y)));
      // A colour byte of 128 makes the tint the identity, so the green and
      // blue channels meet every (target, colour) pair at every coverage;
      // the red byte varies with the run.
      const TTextItem item = makeItem(std::move(rendering), {0, 0, 256, 256},
                                      rgb(uint8_t(red * 7), 128, 128), opacity);
      expectSameAsReference(item, target);
      if (HasFatalFailure()) return;
    }
  }
}

// ---- Behaviour that users see ----------------------------------------------

TEST(DrawItem, CoverageThresholds) {
  const Color backdrop = rgb(10, 20, 30), colour = rgb(200, 100, 50);
  auto drawOne = [&](uint8_t red, int32_t opacity) {
    Bitmap target = filled(1, 1, backdrop);
    DrawItem(makeItem(filled(1, 1, rgb(red, 0, 0)), {0, 0, 1, 1}, colour, opacity), target);
    return target.pixel(0, 0);
  };
  EXPECT_EQ(drawOne(4, 100), backdrop);  // coverage 8: background
  EXPECT_NE(drawOne(5, 100), backdrop);  // coverage 10: blended
  // Red 128 covers fully: the pixel is the tinted colour (green and blue of
  // the rendering are 0, so they tint to 0).
  EXPECT_EQ(drawOne(128, 100), rgb(uint8_t(refTint(200, 128)), 0, 0));
  EXPECT_EQ(drawOne(255, 100), rgb(255, 0, 0));
  EXPECT_EQ(drawOne(255, 0), backdrop);
  EXPECT_EQ(drawOne(100, 0), backdrop);
}

TEST(DrawItem, WhiteStaysWhiteAndMidGreyTakesTheColour) {
  const Color colour = rgb(104, 255, 119);
  for (uint8_t grey : {uint8_t(127), uint8_t(128), uint8_t(255)}) {
    Bitmap target = filled(2, 2, rgb(0, 0, 0));
    DrawItem(makeItem(filled(1, 1, rgb(grey, grey, grey)), {0, 0, 2, 2}, colour, 100), target);
    const Color got = target.pixel(1, 1);
    if (grey == 255) {
      EXPECT_EQ(got, rgb(255, 255, 255));
    } else {
      EXPECT_NEAR(redOf(got), redOf(colour), 2) << int(grey);
      EXPECT_NEAR(greenOf(got), greenOf(colour), 2) << int(grey);
      EXPECT_NEAR(blueOf(got), blueOf(colour), 2) << int(grey);
    }
  }
}

// A 4 x 4 rendering whose pixels are all different, drawn at 1:1 so every
// target pixel shows which source pixel landed on it (a colour byte of 128
// keeps the reds apart after tinting).
TEST(DrawItem, ItemsHangingOverEachEdgeAreClippedThere) {
  Bitmap rendering(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) rendering.setPixel(x, y, rgb(uint8_t(200 + x + 4 * y), 0, 0));
  auto drawKeep = [&](Rect r) {
    Bitmap target = filled(6, 5, rgb(0, 0, 0));
    DrawItem(makeItem(rendering, r, rgb(128, 0, 0), 100), target);
    return target;
  };
  auto expected = [&](int sx, int sy) {
    return rgb(uint8_t(refTint(128, 200 + sx + 4 * sy)), 0, 0);
  };
  const Bitmap left = drawKeep({-2, 0, 2, 4});  // hangs over the left edge
  EXPECT_EQ(left.pixel(0, 0), expected(2, 0));
  EXPECT_EQ(left.pixel(1, 3), expected(3, 3));
  EXPECT_EQ(left.pixel(2, 0), rgb(0, 0, 0));
  const Bitmap top = drawKeep({1, -3, 5, 1});  // over the top edge
  EXPECT_EQ(top.pixel(1, 0), expected(0, 3));
  EXPECT_EQ(top.pixel(1, 1), rgb(0, 0, 0));
  const Bitmap right = drawKeep({4, 1, 8, 5});  // cut at the right edge
  EXPECT_EQ(right.pixel(4, 1), expected(0, 0));
  EXPECT_EQ(right.pixel(5, 4), expected(1, 3));
  const Bitmap bottom = drawKeep({0, 3, 4, 7});  // cut at the bottom edge
  EXPECT_EQ(bottom.pixel(3, 4), expected(3, 1));
  EXPECT_EQ(bottom.pixel(3, 2), rgb(0, 0, 0));
}

TEST(DrawItem, MissingOrEmptyRenderingDrawsNothing) {
  const Bitmap before = filled(3, 3, rgb(1, 2, 3));
  Bitmap target = before;
  TTextItem item;
  item.Rect = {0, 0, 3, 3};
  DrawItem(item, target);
  item.Bitmap = std::make_shared<const Bitmap>();
  DrawItem(item, target);
  EXPECT_EQ(target, before);
}

}  // namespace
}  // namespace glyphon
