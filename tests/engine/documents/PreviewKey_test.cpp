#include "engine/documents/PreviewKey.h"

#include <gtest/gtest.h>

#include <vector>

namespace glyphon {
namespace {

constexpr Color kGrey = rgb(128, 128, 128);
constexpr Color kRed = rgb(200, 20, 20);
constexpr Color kBlue = rgb(1, 2, 254);

TEST(PreviewKey, ClearsEveryPixelOfTheBottomLeftColourAndKeepsTheRestOpaque) {
  struct Case {
    const char* what;
    int32_t width, height;
    std::vector<Color> pixels;  // rows top-down
    std::vector<uint32_t> expected;
  };
  const Case cases[] = {
      {"surround around a canvas",
       3,
       2,
       {kGrey, kRed, kGrey, kGrey, kBlue, kGrey},
       {0, 0xFFC81414, 0, 0, 0xFF0102FE, 0}},
      {"the key is the bottom row's first pixel, not the top row's",
       2,
       2,
       {kRed, kBlue, kBlue, kRed},
       {0xFFC81414, 0, 0, 0xFFC81414}},
      // A colour one step off the key in any channel stays.
      {"near misses stay",
       4,
       1,
       {kGrey, rgb(129, 128, 128), rgb(128, 127, 128), rgb(128, 128, 129)},
       {0, 0xFF818080, 0xFF807F80, 0xFF808081}},
      {"one pixel", 1, 1, {kRed}, {0}},
      {"a picture of one colour vanishes", 2, 2, {kBlue, kBlue, kBlue, kBlue}, {0, 0, 0, 0}},
      // Black is a colour like any other: it is not transparent by itself.
      {"black stays opaque when it is not the key",
       2,
       1,
       {rgb(255, 255, 255), rgb(0, 0, 0)},
       {0, 0xFF000000}},
      {"black as the key", 2, 1, {rgb(0, 0, 0), rgb(255, 255, 255)}, {0, 0xFFFFFFFF}},
  };
  for (const Case& c : cases) {
    Bitmap picture(c.width, c.height);
    for (int32_t y = 0; y < c.height; ++y)
      for (int32_t x = 0; x < c.width; ++x)
        picture.setPixel(x, y, c.pixels[size_t(y * c.width + x)]);
    EXPECT_EQ(bottomLeftKeyedArgb(picture), c.expected) << c.what;
  }
}

TEST(PreviewKey, AnEmptyPictureGivesNoPixels) {
  EXPECT_TRUE(bottomLeftKeyedArgb(Bitmap()).empty());
  EXPECT_TRUE(bottomLeftKeyedArgb(Bitmap(5, 0)).empty());
  EXPECT_TRUE(bottomLeftKeyedArgb(Bitmap(0, 5)).empty());
}

}  // namespace
}  // namespace glyphon
