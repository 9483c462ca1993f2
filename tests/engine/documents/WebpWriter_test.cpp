// WebP export, read back with libwebp's own dwebp.
#include "engine/documents/WebpWriter.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/core/Error.h"
#include "engine/core/FileIO.h"
#include "tests/engine/documents/ReferenceTools.h"

namespace glyphon {
namespace {

// A photo-like gradient with a few hard-edged coloured bars, like text.
Bitmap captionedPicture(int32_t width, int32_t height) {
  Bitmap b(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      b.setPixel(x, y, rgb(uint8_t(x * 255 / width), uint8_t(y * 255 / height), 120));
  for (int32_t i = 0; i < 4; ++i)
    fillRect(b, {10 + i * 30, 20, 30 + i * 30, 60}, i % 2 ? rgb(230, 20, 20) : rgb(20, 20, 230));
  return b;
}

// Peak signal to noise ratio in decibels.
double psnr(const Bitmap& a, const Bitmap& b) {
  double sum = 0;
  for (int32_t y = 0; y < a.height(); ++y)
    for (int32_t x = 0; x < a.width() * 3; ++x) {
      const double d = double(a.row(y)[x]) - double(b.row(y)[x]);
      sum += d * d;
    }
  const double mse = sum / (double(a.width()) * a.height() * 3);
  return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

TEST(WebpWriterTest, DwebpReadsBackThePictureAsWellAsCwebpMakesIt) {
  const testing::ScratchFolder scratch;
  for (const Bitmap& picture : {captionedPicture(160, 90), captionedPicture(151, 77)}) {
    const std::vector<uint8_t> webp = encodeWebp(picture);
    ASSERT_GT(webp.size(), 20u);
    EXPECT_EQ(std::string(webp.begin(), webp.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(webp.begin() + 8, webp.begin() + 16), "WEBPVP8 ");  // lossy
    writeWholeFile(scratch.path("out.webp"), webp);
    const Bitmap back =
        testing::parsePpm(testing::outputOf("dwebp " + scratch.path("out.webp") + " -ppm -o -"));
    ASSERT_EQ(back.width(), picture.width());
    ASSERT_EQ(back.height(), picture.height());
    // As good as cwebp at the same settings on the same pixels, and close
    // to the picture (the hard coloured edges cost the most).
    testing::writePpm(scratch.path("in.ppm"), picture);
    ASSERT_TRUE(testing::runQuietly("cwebp -q 90 -m 4 -sharp_yuv " + scratch.path("in.ppm") +
                                    " -o " + scratch.path("ref.webp")));
    const Bitmap reference =
        testing::parsePpm(testing::outputOf("dwebp " + scratch.path("ref.webp") + " -ppm -o -"));
    EXPECT_GE(psnr(back, picture), psnr(reference, picture) - 0.5);
    EXPECT_GT(psnr(back, picture), 30.0);
    // The bars keep their colour in their middle.
    const Color red = back.pixel(50, 40);
    EXPECT_GT(redOf(red), 200);
    EXPECT_LT(blueOf(red), 50);
  }
}

TEST(WebpWriterTest, SizesWebpCannotHoldAreRefused) {
  struct Case {
    int32_t width, height;
    const char* message;
  };
  const Case cases[] = {
      {0, 5, "An empty picture (0 x 5 pixels) cannot be stored as a WebP picture"},
      {16384, 1,
       "A picture of 16384 x 1 pixels cannot be stored as WebP, which allows at most 16383 "
       "pixels a side"},
      {1, 16384,
       "A picture of 1 x 16384 pixels cannot be stored as WebP, which allows at most 16383 "
       "pixels a side"},
  };
  for (const Case& c : cases) {
    try {
      (void)encodeWebp(Bitmap(c.width, c.height));
      ADD_FAILURE() << "no error for " << c.width << " x " << c.height;
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  EXPECT_FALSE(encodeWebp(Bitmap(16383, 1)).empty());
}

}  // namespace
}  // namespace glyphon
