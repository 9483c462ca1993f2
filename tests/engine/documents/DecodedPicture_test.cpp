#include "engine/documents/DecodedPicture.h"

#include <gtest/gtest.h>

#include "engine/core/Error.h"

namespace glyphon {
namespace {

TEST(DecodedPictureTest, TransparencyIsComposedOverTheBackground) {
  struct Case {
    Color pixel;
    uint8_t alpha;
    Color background;
    Color expected;
  };
  const Case cases[] = {
      {rgb(10, 20, 30), 255, rgb(200, 200, 200), rgb(10, 20, 30)},  // opaque stays
      {rgb(10, 20, 30), 0, rgb(200, 150, 100), rgb(200, 150, 100)},  // clear shows the canvas
      {rgb(255, 0, 0), 128, rgb(0, 0, 255), rgb(128, 0, 127)},      // rounded to nearest
      {rgb(0, 0, 0), 1, rgb(255, 255, 255), rgb(254, 254, 254)},
      {rgb(255, 255, 255), 254, rgb(0, 0, 0), rgb(254, 254, 254)},
  };
  for (const Case& c : cases) {
    DecodedPicture picture;
    picture.pixels = Bitmap(2, 1);
    picture.pixels.setPixel(0, 0, c.pixel);
    picture.pixels.setPixel(1, 0, c.pixel);
    picture.alpha = {c.alpha, 255};
    const Bitmap out = finishPicture(std::move(picture), c.background);
    EXPECT_EQ(out.pixel(0, 0), c.expected) << int(c.alpha);
    EXPECT_EQ(out.pixel(1, 0), c.pixel) << "an opaque neighbour changed";
  }
}

TEST(DecodedPictureTest, NoTransparencyLeavesThePixelsAndAMismatchIsRefused) {
  DecodedPicture picture;
  picture.pixels = Bitmap(3, 2);
  picture.pixels.setPixel(2, 1, rgb(1, 2, 3));
  const Bitmap out = finishPicture(std::move(picture), rgb(9, 9, 9));
  EXPECT_EQ(out.pixel(2, 1), rgb(1, 2, 3));
  EXPECT_EQ(out.pixel(0, 0), rgb(0, 0, 0));

  Bitmap pixels(3, 2);
  EXPECT_THROW(composeOverBackground(pixels, std::vector<uint8_t>(5, 0), 0), Error);
}

}  // namespace
}  // namespace glyphon
