#include "engine/core/MipChain.h"

#include <gtest/gtest.h>

#include "tests/engine/core/ItemTestSupport.h"

namespace glyphon {
namespace {

using testing::noise;

// Each pixel of the half the rounded mean of the pixels it covers.
Bitmap slowHalf(const Bitmap& src) {
  Bitmap half((src.width() + 1) / 2, (src.height() + 1) / 2);
  for (int32_t y = 0; y < half.height(); ++y)
    for (int32_t x = 0; x < half.width(); ++x) {
      unsigned sum[3] = {0, 0, 0}, n = 0;
      for (int32_t dy = 0; dy < 2; ++dy)
        for (int32_t dx = 0; dx < 2; ++dx) {
          if (2 * x + dx >= src.width() || 2 * y + dy >= src.height()) continue;
          const Color c = src.pixel(2 * x + dx, 2 * y + dy);
          sum[0] += redOf(c), sum[1] += greenOf(c), sum[2] += blueOf(c), ++n;
        }
      const auto mean = [n](unsigned s) { return uint8_t((2 * s + n) / (2 * n)); };
      half.setPixel(x, y, rgb(mean(sum[0]), mean(sum[1]), mean(sum[2])));
    }
  return half;
}

TEST(MipChain, HalvingAveragesBlocksAndOddEdges) {
  for (const auto& [w, h] : {std::pair{8, 6}, std::pair{7, 5}, std::pair{1, 9}, std::pair{1, 1}}) {
    const Bitmap src = noise(w, h, unsigned(w * 10 + h));
    EXPECT_EQ(halved(src), slowHalf(src)) << w << "x" << h;
  }
  Bitmap two(2, 1);
  two.setPixel(0, 0, rgb(0, 10, 255));
  two.setPixel(1, 0, rgb(1, 20, 255));
  EXPECT_EQ(halved(two).pixel(0, 0), rgb(1, 15, 255));  // halves round up
}

TEST(MipChain, ChangedRectanglesUpdateEveryLevel) {
  Bitmap canvas = noise(97, 61, 3);
  MipChain chain;
  chain.rebuild(canvas, 0.05);
  ASSERT_EQ(chain.levels(), 4u);  // 1/2 .. 1/16; 1/32 is below 5 %
  EXPECT_EQ(chain.level(4).Width, 7);
  // Each level is the 24-bit halving of the one above, in pixels of four
  // bytes whose fourth is 255 (a painter takes them as they are).
  Bitmap expected = canvas;
  for (size_t n = 1; n <= chain.levels(); ++n) {
    expected = halved(expected);
    EXPECT_EQ(chain.level(n).toBitmap(), expected) << n;
    const MipChain::Level& level = chain.level(n);
    ASSERT_EQ(level.Pixels.size(), size_t(level.Width) * level.Height * 4);
    for (size_t i = 3; i < level.Pixels.size(); i += 4) ASSERT_EQ(level.Pixels[i], 255) << n;
  }
  // Change an odd-aligned block, then bring the chain up to date.
  const Rect changed{13, 7, 40, 22};
  const Bitmap patch = noise(changed.width(), changed.height(), 4);
  bitBlt(canvas, changed.Left, changed.Top, changed.width(), changed.height(), patch, 0, 0);
  chain.update(canvas, changed);
  MipChain fresh;
  fresh.rebuild(canvas, 0.05);
  for (size_t n = 1; n <= chain.levels(); ++n)
    EXPECT_EQ(chain.level(n).Pixels, fresh.level(n).Pixels) << n;
  chain.update(canvas, {200, 200, 300, 300});  // outside: nothing
  chain.update(canvas, {});
}

TEST(MipChain, TheLevelForAZoomIsTheSmallestNotBelowIt) {
  MipChain chain;
  chain.rebuild(noise(256, 256, 5), 0.05);
  struct Case {
    double zoom;
    size_t level;
  };
  for (const Case c : {Case{1.0, 0}, Case{0.75, 0}, Case{0.5, 1}, Case{0.3, 1}, Case{0.25, 2},
                       Case{0.07, 3}, Case{0.05, 4}, Case{0.01, 4}})
    EXPECT_EQ(chain.levelFor(c.zoom), c.level) << c.zoom;
  MipChain tiny;
  tiny.rebuild(noise(1, 1, 6), 0.05);
  EXPECT_EQ(tiny.levels(), 0u);
  EXPECT_EQ(tiny.levelFor(0.1), 0u);
}

}  // namespace
}  // namespace glyphon
