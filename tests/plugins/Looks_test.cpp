// Building blocks of the sample styles' looks.
#include "Looks.h"

#include <gtest/gtest.h>

#include <cmath>

namespace glyphon_styles {
namespace {

TEST(LooksTest, InkInDotsIsTheInkTimesTheDots) {
  // Ink in stripes with gaps and a -0 in it, dots growing down the rows.
  const int width = 203, height = 61;
  Plane ink(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if ((x / 9 + y / 7) % 3 != 0) ink.at(x, y) = std::fmod(float(x * 7 + y * 3) / 37.0f, 1.0f);
  ink.at(5, 5) = -0.0f;
  RowValues radius(static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) radius[size_t(y)] = 0.5f + float(y) / 20.0f;
  for (float cell : {3.0f, 7.0f}) {
    SCOPED_TRACE(cell);
    const Plane expected = times(ink, halftone(width, height, cell, radius));
    const Plane actual = halftoned(ink, cell, radius);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        ASSERT_EQ(actual.at(x, y), expected.at(x, y)) << x << "," << y;
        ASSERT_EQ(std::signbit(actual.at(x, y)), std::signbit(expected.at(x, y))) << x << "," << y;
      }
  }
}

TEST(LooksTest, DotsGrowWithTheirRowsRadius) {
  // No dot where the radius is 0 (only the half-pixel edge of the centre),
  // whole cells covered where it exceeds the cell.
  const int width = 40, height = 40;
  const Plane none = halftone(width, height, 8, RowValues(size_t(height), -1.0f));
  for (float v : none.values()) EXPECT_EQ(v, 0.0f);
  const Plane full = halftone(width, height, 8, RowValues(size_t(height), 20.0f));
  for (float v : full.values()) EXPECT_EQ(v, 1.0f);
}

}  // namespace
}  // namespace glyphon_styles
