// The plane operations the sample styles' looks are made of.
#include "Plane.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace glyphon_styles {
namespace {

// A plane of ink in patches, mostly zero, with values of every magnitude
// from 1e-6 to 200, so that the order in which a blur adds and takes away
// shows in the last bits of its results.
Plane inkLike(int width, int height, uint32_t seed) {
  Plane p(width, height);
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::uniform_int_distribution<int> patch(0, 3), magnitude(-6, 2);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (patch(random) == 0 || ((x / 5 + y / 3) % 4 == 0))
        p.at(x, y) = unit(random) * std::pow(10.0f, float(magnitude(random)));
  return p;
}

// The plain box blur, one line at a time: a running sum in a double, the
// value that enters added before the one that leaves is taken away, three
// passes along the rows and then three down the columns.
Plane referenceBlur(Plane p, int r) {
  const int w = p.width(), h = p.height();
  const float scale = 1.0f / float(2 * r + 1);
  const auto line = [&](auto at, int n) {
    std::vector<float> in(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) in[size_t(i)] = at(i);
    double sum = 0.0;
    for (int i = 0; i < std::min(r, n); ++i) sum += in[size_t(i)];
    for (int i = 0; i < n; ++i) {
      if (i + r < n) sum += in[size_t(i + r)];
      if (i - r - 1 >= 0) sum -= in[size_t(i - r - 1)];
      at(i) = float(sum) * scale;
    }
  };
  for (int pass = 0; pass < 3; ++pass)
    for (int y = 0; y < h; ++y) line([&](int x) -> float& { return p.at(x, y); }, w);
  for (int pass = 0; pass < 3; ++pass)
    for (int x = 0; x < w; ++x) line([&](int y) -> float& { return p.at(x, y); }, h);
  return p;
}

// The plain wide blur: the average of each factor x factor block, adding a
// pixel at a time in reading order; the box blur of that; and the result
// stretched back bilinearly, along the rows first.
Plane referenceWideBlur(const Plane& p, int radius, int factor) {
  const int pw = p.width(), ph = p.height();
  const int w = (pw + factor - 1) / factor, h = (ph + factor - 1) / factor;
  Plane small(w, h);
  for (int y = 0; y < ph; ++y)
    for (int x = 0; x < pw; ++x) small.at(x / factor, y / factor) += p.at(x, y);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      small.at(x, y) /=
          float(std::min(factor, ph - y * factor) * std::min(factor, pw - x * factor));
  small = referenceBlur(std::move(small), std::max(1, (radius + factor / 2) / factor));
  Plane out(pw, ph);
  const auto place = [factor](int i, int n) {
    return std::clamp((float(i) + 0.5f) / float(factor) - 0.5f, 0.0f, float(n - 1));
  };
  for (int y = 0; y < ph; ++y) {
    const float sy = place(y, h);
    const int y0 = std::min(int(sy), h - 1), y1 = std::min(y0 + 1, h - 1);
    for (int x = 0; x < pw; ++x) {
      const float sx = place(x, w);
      const int x0 = std::min(int(sx), w - 1), x1 = std::min(x0 + 1, w - 1);
      const float fx = sx - float(x0), fy = sy - float(y0);
      const float top = small.at(x0, y0) + (small.at(x1, y0) - small.at(x0, y0)) * fx;
      const float bottom = small.at(x0, y1) + (small.at(x1, y1) - small.at(x0, y1)) * fx;
      out.at(x, y) = top + (bottom - top) * fy;
    }
  }
  return out;
}

struct BlurCase {
  int width, height, radius;
};

class BlurTest : public ::testing::TestWithParam<BlurCase> {};

// The blur works on several rows at once; every row must still get exactly
// the sums it would get alone, whatever the plane's size against the rows
// taken together and against the radius.
TEST_P(BlurTest, GivesExactlyThePlainBoxBlur) {
  const BlurCase c = GetParam();
  const Plane p = inkLike(c.width, c.height, uint32_t(c.width * 131 + c.height * 7 + c.radius));
  // Blurs from radius 4 on work on a copy shrunk by 2, from 8 on by 4.
  const int factor = c.radius >= 8 ? 4 : c.radius >= 4 ? 2 : 1;
  const bool shrinks = factor > 1 && c.width >= 4 * factor && c.height >= 4 * factor;
  const Plane expected =
      shrinks ? referenceWideBlur(p, c.radius, factor) : referenceBlur(p, c.radius);
  const Plane actual = blurred(p, c.radius);
  ASSERT_EQ(actual.width(), c.width);
  ASSERT_EQ(actual.height(), c.height);
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x)
      ASSERT_EQ(actual.at(x, y), expected.at(x, y)) << "at " << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Sizes, BlurTest,
                         ::testing::Values(BlurCase{1, 1, 1}, BlurCase{1, 40, 3},
                                           BlurCase{40, 1, 2},
                                           BlurCase{2, 2, 3},    // narrower and lower than the box
                                           BlurCase{300, 8, 1},  // exactly one group of rows
                                           BlurCase{301, 9, 2},  // one group and a single row
                                           BlurCase{97, 23, 3},  // two groups and a partial one
                                           BlurCase{5, 64, 3},   // taller than wide
                                           BlurCase{1200, 40, 3},  // a wide line of text
                                           BlurCase{7, 7, 4},      // too small to shrink
                                           BlurCase{64, 16, 4},    // shrunk by 2, no edge blocks
                                           BlurCase{67, 19, 5},    // and with partial blocks
                                           BlurCase{403, 37, 9},   // shrunk by 4
                                           BlurCase{402, 38, 12},
                                           // large, with an odd group of rows
                                           BlurCase{2003, 41, 3}, BlurCase{1206, 242, 5}),
                         [](const auto& info) {
                           return std::to_string(info.param.width) + "x" +
                                  std::to_string(info.param.height) + "_r" +
                                  std::to_string(info.param.radius);
                         });

TEST(PlaneTest, BlurKeepsTheInkAndSpreadsItEvenly) {
  // A single lit pixel far from the edges: the blur keeps its weight, for
  // the fine and the shrunk blurs alike, and the fine one spreads it the
  // same way in all four directions, fading outward.
  for (int radius : {1, 3, 5, 9}) {
    SCOPED_TRACE(radius);
    Plane p(81, 81);
    p.at(40, 40) = 1.0f;
    const Plane b = blurred(p, radius);
    double total = 0;
    for (float v : b.values()) total += v;
    EXPECT_NEAR(total, 1.0, 0.02);
    if (radius >= 4) continue;
    for (int d = 1; d < 3 * radius && d < 40; ++d) {
      EXPECT_FLOAT_EQ(b.at(40 - d, 40), b.at(40 + d, 40)) << d;
      EXPECT_FLOAT_EQ(b.at(40, 40 - d), b.at(40 + d, 40)) << d;
      EXPECT_FLOAT_EQ(b.at(40, 40 + d), b.at(40 + d, 40)) << d;
      EXPECT_LE(b.at(40 + d, 40), b.at(40 + d - 1, 40)) << d;
    }
  }
}

TEST(PlaneTest, NothingToBlurIsLeftAlone) {
  EXPECT_EQ(blurred(Plane(0, 0), 3).width(), 0);
  Plane p = inkLike(30, 10, 1);
  const Plane same = blurred(p, 0);
  EXPECT_EQ(same.values(), p.values());
}

TEST(PlaneTest, PlanesMadeFromReusedMemoryStartAtZero) {
  // Within a rendering the memory of dropped planes is handed to the next
  // ones; a new plane must not show what the last one held, whether the
  // memory is large enough to come from the system afresh or not.
  const PlaneMemory memory;
  for (const auto& [width, height] : {std::pair{20, 10}, std::pair{600, 400}}) {
    SCOPED_TRACE(width);
    for (int round = 0; round < 3; ++round) {
      Plane used(width, height);
      for (float& v : used.values()) EXPECT_EQ(v, 0.0f);
      std::fill(used.values().begin(), used.values().end(), 7.0f);
    }
    const Plane copied = [&] {
      Plane source(width, height);
      source.at(width - 1, height - 1) = 3.0f;
      return Plane(source);
    }();
    EXPECT_EQ(copied.at(width - 1, height - 1), 3.0f);
    EXPECT_EQ(copied.at(0, 0), 0.0f);
  }
}

// One pixel painted: canvas value, coverage, shade, and what comes out.
struct PaintCase {
  float canvas, coverage, shade, expected;
};

TEST(PlaneTest, PaintingKeepsCoverageWithinZeroAndOne) {
  const PaintCase cases[] = {
      {100, 0, 200, 100},      // nothing covered
      {100, 1, 200, 200},      // fully covered
      {100, 0.25f, 200, 125},  // in between
      {100, 1.5f, 200, 200},   // coverage above 1 counts as 1
      {100, -0.5f, 200, 100},  // and below 0 as 0
  };
  for (const PaintCase& c : cases) {
    SCOPED_TRACE(c.coverage);
    // Wide enough for the vectorised loops and their remainder.
    Plane canvas(37, 3), coverage(37, 3), shades(37, 3);
    std::fill(canvas.values().begin(), canvas.values().end(), c.canvas);
    std::fill(coverage.values().begin(), coverage.values().end(), c.coverage);
    std::fill(shades.values().begin(), shades.values().end(), c.shade);
    Plane byValue = canvas, byPlane = canvas, byRow = canvas;
    paint(byValue, coverage, c.shade);
    paint(byPlane, coverage, shades);
    paint(byRow, coverage, RowValues(3, c.shade));
    for (const Plane* p : {&byValue, &byPlane, &byRow})
      for (float v : p->values()) ASSERT_FLOAT_EQ(v, c.expected);
  }
}

TEST(PlaneTest, TakingOutAndAddingKeepWithinBounds) {
  Plane a(21, 2), b(21, 2);
  for (int x = 0; x < 21; ++x) {
    a.at(x, 0) = a.at(x, 1) = 10.0f * float(x);
    b.at(x, 0) = b.at(x, 1) = float(x) / 10.0f;  // 0 to 2
  }
  // Taking out more than everything leaves nothing, never less.
  const Plane out = minus(a, b);
  for (int x = 0; x < 21; ++x)
    EXPECT_FLOAT_EQ(out.at(x, 0), 10.0f * float(x) * (1.0f - std::min(1.0f, float(x) / 10.0f)));
  const Plane rows = minus(a, RowValues{0.5f, 3.0f});
  for (int x = 0; x < 21; ++x) {
    EXPECT_FLOAT_EQ(rows.at(x, 0), 5.0f * float(x));
    EXPECT_EQ(rows.at(x, 1), 0.0f);
  }
  const Plane sums = addClamped(a, RowValues{-50.0f, 50.0f}, 20.0f, 120.0f);
  for (int x = 0; x < 21; ++x) {
    EXPECT_EQ(sums.at(x, 0), std::clamp(10.0f * float(x) - 50.0f, 20.0f, 120.0f));
    EXPECT_EQ(sums.at(x, 1), std::clamp(10.0f * float(x) + 50.0f, 20.0f, 120.0f));
  }
}

// A height plane, the light and the relief expected, row by row.
struct ReliefCase {
  int width, height;
  std::vector<float> heights;
  float lightX, lightY;
  std::vector<float> expected;
};

TEST(PlaneTest, ReliefIsTheSlopeAlongTheLight) {
  // Strength 2 cancels the half in the central differences; outside the
  // plane counts 0, so the edges of a plane slope down to it.
  const ReliefCase cases[] = {
      {1, 1, {1}, 1, 0, {0}},
      {3, 1, {0, 1, 0}, 1, 0, {1, 0, -1}},
      {3, 1, {0, 1, 0}, -1, 0, {-1, 0, 1}},
      {1, 3, {0, 1, 0}, 0, 1, {1, 0, -1}},
      {2, 2, {1, 1, 1, 1}, 3, 4, {0.6f * 1 + 0.8f * 1, -0.6f + 0.8f, 0.6f - 0.8f, -0.6f - 0.8f}},
      {4, 1, {0, 0.5f, 1, 1}, 1, 0, {0.5f, 1, 0.5f, -1}},
  };
  for (const ReliefCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    Plane height(c.width, c.height);
    std::copy(c.heights.begin(), c.heights.end(), height.values().begin());
    const Plane r = relief(height, c.lightX, c.lightY, 2);
    for (size_t i = 0; i < c.expected.size(); ++i)
      EXPECT_NEAR(r.values()[i], c.expected[i], 1e-6f) << i;
  }
}

}  // namespace
}  // namespace glyphon_styles
