#include "engine/documents/PreviewFit.h"

#include <gtest/gtest.h>

namespace glyphon {
namespace {

struct FitCase {
  const char* what;
  int32_t width, height, screenWidth, screenHeight;
  Rect expected;  // Left, Top, Right, Bottom
};

TEST(PreviewPlacement, ShrinksOnlyWhatIsTooLargeAndCentres) {
  const FitCase cases[] = {
      // 1280 x 426 (1280 * 1000 / 3000 truncated), Top (1024 - 426) / 2.
      {"landscape wider than the screen", 3000, 1000, 1280, 1024, {0, 299, 1280, 725}},
      // 409 x 1024 (1024 * 800 / 2000 truncated), Left (1280 - 409) / 2.
      {"portrait taller than the screen", 800, 2000, 1280, 1024, {435, 0, 844, 1024}},
      // Landscape and narrower than the screen: shown 1:1, off the top and bottom.
      {"landscape taller, not wider", 1400, 1200, 1600, 900, {100, -150, 1500, 1050}},
      {"square larger than the screen, fitted by height",
       2000,
       2000,
       1600,
       900,
       {350, 0, 1250, 900}},
      {"portrait wider than the screen, not taller", 1000, 1100, 800, 1200, {-100, 50, 900, 1150}},
      {"fits: 1:1 and centred", 400, 300, 1280, 1024, {440, 362, 840, 662}},
      {"exactly the screen's width", 1280, 600, 1280, 1024, {0, 212, 1280, 812}},
      {"one pixel wider", 1281, 600, 1280, 1024, {0, 212, 1280, 811}},
      {"odd margins halve with truncation", 3, 1, 10, 10, {3, 4, 6, 5}},
      {"an empty picture", 0, 0, 1280, 1024, {640, 512, 640, 512}},
      {"the largest canvas", 65535, 2048, 1920, 1080, {0, 510, 1920, 570}},
  };
  for (const FitCase& c : cases)
    EXPECT_EQ(previewPlacement(c.width, c.height, c.screenWidth, c.screenHeight), c.expected)
        << c.what;
}

}  // namespace
}  // namespace glyphon
