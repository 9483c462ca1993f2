#include "engine/core/RenderedItem.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/core/TextRules.h"

namespace glyphon {
namespace {

TEST(RenderedItem, PlacesTheRenderingAndRecordsTheChoice) {
  const std::string longText(300, 'x');
  struct Case {
    const char* what;
    int32_t renderWidth, renderHeight;
    ItemChoice choice;
    Rect expectedRect;
    size_t expectedTextLength;
  };
  const Case cases[] = {
      {"at the canvas corner, full size",
       120,
       40,
       {0, 0, 3, 2, 9, rgb(1, 2, 3), "Hi"},
       {0, 0, 120, 40},
       2},
      // 45 * 0.1 = 4.5 rounds to the even 4 from an even corner, 5.5 to 6 from an odd one.
      {"at \"10\" from an even corner", 45, 45, {10, 20, 0, 0, 0, 0, "a"}, {10, 20, 14, 24}, 1},
      {"at \"10\" from an odd corner", 45, 45, {11, 21, 0, 0, 0, 0, "a"}, {11, 21, 16, 26}, 1},
      {"half size in a scrolled view",
       201,
       99,
       {-30, 500, 7, 1, 4, 0, "b"},
       {-30, 500, 70, 550},
       1},
      {"an empty rendering has no size", 0, 0, {5, 6, 0, 0, 6, 0, "c"}, {5, 6, 5, 6}, 1},
      {"text longer than an item keeps",
       10,
       10,
       {0, 0, 0, 0, 9, 0, longText},
       {0, 0, 10, 10},
       kMaxItemTextLength},
  };
  for (const Case& c : cases) {
    Bitmap rendering(c.renderWidth, c.renderHeight);
    if (!rendering.isEmpty()) rendering.setPixel(0, 0, rgb(255, 0, 0));
    const Bitmap expectedBitmap = rendering;
    const std::unique_ptr<TTextItem> item = makeRenderedItem(std::move(rendering), c.choice);
    ASSERT_NE(item, nullptr) << c.what;
    EXPECT_EQ(item->Rect, c.expectedRect) << c.what;
    EXPECT_EQ(item->StyleKind, c.choice.StyleKind) << c.what;
    EXPECT_EQ(item->StyleFont, c.choice.StyleFont) << c.what;
    EXPECT_EQ(item->SizeIndex, c.choice.SizeIndex) << c.what;
    EXPECT_EQ(item->Color, c.choice.Color) << c.what;
    EXPECT_EQ(item->Opacity, 100) << c.what;
    EXPECT_EQ(item->Text, c.choice.Text.substr(0, c.expectedTextLength)) << c.what;
    ASSERT_NE(item->Bitmap, nullptr) << c.what;
    EXPECT_EQ(*item->Bitmap, expectedBitmap) << c.what;
  }
}

}  // namespace
}  // namespace glyphon
