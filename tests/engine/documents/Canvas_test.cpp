#include "engine/documents/Canvas.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "engine/core/Error.h"

namespace glyphon {
namespace {

TEST(Canvas, ParseInt32ReadsSignedDecimalsAndNothingElse) {
  struct Case {
    const char* text;
    std::optional<int32_t> value;
  };
  const Case cases[] = {
      {"800", 800},
      {"0", 0},
      {"-5", -5},
      {"+42", 42},
      {"007", 7},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"12a", std::nullopt},
      {"a12", std::nullopt},
      {"1.5", std::nullopt},
      {"1e3", std::nullopt},
      {"0x10", std::nullopt},
      {"$10", std::nullopt},
      {" 12", std::nullopt},  // callers trim first
      {"", std::nullopt},
      {"-", std::nullopt},
      {"+", std::nullopt},
      {"--1", std::nullopt},
      {"+-1", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(parseInt32(c.text), c.value) << '"' << c.text << '"';
}

TEST(Canvas, SizeProblemsAreFoundInOrderWidthHeightLimit) {
  struct Case {
    int64_t width, height;
    CanvasSizeProblem problem;
  };
  const Case cases[] = {
      {1, 1, CanvasSizeProblem::None},
      {800, 600, CanvasSizeProblem::None},
      {Bitmap::kMaxSide, 2048, CanvasSizeProblem::None},
      {0, 600, CanvasSizeProblem::WidthNotPositive},
      {-1, 600, CanvasSizeProblem::WidthNotPositive},
      {0, 0, CanvasSizeProblem::WidthNotPositive},
      {800, 0, CanvasSizeProblem::HeightNotPositive},
      {800, INT32_MIN, CanvasSizeProblem::HeightNotPositive},
      {Bitmap::kMaxSide + 1, 1, CanvasSizeProblem::TooLarge},
      {1, Bitmap::kMaxSide + 1, CanvasSizeProblem::TooLarge},
      {20000, 20000, CanvasSizeProblem::TooLarge},  // sides fit, pixels do not
      {INT32_MAX, INT32_MAX, CanvasSizeProblem::TooLarge},
  };
  for (const Case& c : cases)
    EXPECT_EQ(canvasSizeProblem(c.width, c.height), c.problem) << c.width << " x " << c.height;
}

TEST(Canvas, CheckCanvasSizeNamesTheRefusedSize) {
  EXPECT_NO_THROW(checkCanvasSize(800, 600));
  try {
    checkCanvasSize(0, 600);
    FAIL() << "0 x 600 accepted";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(),
                 "A canvas of 0 x 600 pixels is not possible: width and height must be 1 or more");
  }
  try {
    checkCanvasSize(100000, 10);
    FAIL() << "100000 x 10 accepted";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("100000 x 10"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos) << e.what();
  }
}

// Every pixel tells where it came from: red = x, green = y.
Bitmap coordinatePicture(int32_t width, int32_t height) {
  Bitmap picture(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) picture.setPixel(x, y, rgb(uint8_t(x), uint8_t(y), 7));
  return picture;
}

TEST(Canvas, StretchSamplesTheNearestPixelWithTruncation) {
  // 4 x 3 onto 8 x 2: column x samples x * 4 / 8, row y samples y * 3 / 2.
  const Bitmap backdrop = stretchPicture(coordinatePicture(4, 3), 8, 2);
  ASSERT_EQ(backdrop.width(), 8);
  ASSERT_EQ(backdrop.height(), 2);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 8; ++x)
      EXPECT_EQ(backdrop.pixel(x, y), rgb(uint8_t(x * 4 / 8), uint8_t(y * 3 / 2), 7))
          << x << "," << y;
}

TEST(Canvas, StretchShrinksWithoutSmoothing) {
  // 5 x 5 onto 2 x 2 keeps pixels (0,0), (2,0), (0,2) and (2,2) as they are.
  const Bitmap backdrop = stretchPicture(coordinatePicture(5, 5), 2, 2);
  EXPECT_EQ(backdrop.pixel(0, 0), rgb(0, 0, 7));
  EXPECT_EQ(backdrop.pixel(1, 0), rgb(2, 0, 7));
  EXPECT_EQ(backdrop.pixel(0, 1), rgb(0, 2, 7));
  EXPECT_EQ(backdrop.pixel(1, 1), rgb(2, 2, 7));
}

TEST(Canvas, StretchToTheSameSizeIsACopyAndToNothingIsEmpty) {
  const Bitmap picture = coordinatePicture(6, 4);
  EXPECT_EQ(stretchPicture(picture, 6, 4), picture);
  EXPECT_TRUE(stretchPicture(picture, 0, 0).isEmpty());
  EXPECT_THROW((void)stretchPicture(picture, -1, 4), Error);
}

}  // namespace
}  // namespace glyphon
