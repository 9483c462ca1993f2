// PNG export, read back with ImageMagick.
#include "engine/documents/PngWriter.h"

#include <gtest/gtest.h>

#include "engine/core/Error.h"
#include "engine/core/FileIO.h"
#include "tests/engine/documents/ReferenceTools.h"

namespace glyphon {
namespace {

// Every byte value in every channel, in a picture whose rows differ.
Bitmap noisyPicture(int32_t width, int32_t height) {
  Bitmap b(width, height);
  uint32_t state = 12345;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      state = state * 1103515245u + 12345u;
      b.setPixel(x, y, rgb(uint8_t(state >> 24), uint8_t(x * 7 + y), uint8_t(state >> 16)));
    }
  return b;
}

TEST(PngWriterTest, PicturesComeBackExactlyThroughImageMagick) {
  const testing::ScratchFolder scratch;
  const Bitmap sizes[] = {noisyPicture(1, 1), noisyPicture(257, 3), noisyPicture(3, 200),
                          noisyPicture(640, 480)};
  for (const Bitmap& picture : sizes) {
    const std::vector<uint8_t> png = encodePng(picture);
    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + 8),
              (std::vector<uint8_t>{0x89, 'P', 'N', 'G', 13, 10, 26, 10}));
    writeWholeFile(scratch.path("out.png"), png);
    const Bitmap back = testing::parsePpm(
        testing::outputOf("/usr/bin/convert " + scratch.path("out.png") + " -depth 8 ppm:-"));
    EXPECT_EQ(back, picture) << picture.width() << " x " << picture.height();
  }
}

TEST(PngWriterTest, TheFileSaysEightBitRgbAndSrgb) {
  const std::vector<uint8_t> png = encodePng(noisyPicture(5, 4));
  // IHDR: width, height, bit depth 8, colour type 2 (RGB), no interlacing.
  ASSERT_GT(png.size(), 33u);
  EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
  EXPECT_EQ(png[19], 5);
  EXPECT_EQ(png[23], 4);
  EXPECT_EQ(png[24], 8);
  EXPECT_EQ(png[25], 2);
  EXPECT_EQ(png[28], 0);
  const std::string bytes(png.begin(), png.end());
  EXPECT_NE(bytes.find("sRGB"), std::string::npos);
}

TEST(PngWriterTest, AnEmptyPictureIsRefused) {
  try {
    (void)encodePng(Bitmap(0, 7));
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "An empty picture (0 x 7 pixels) cannot be stored as a PNG picture");
  }
}

}  // namespace
}  // namespace glyphon
