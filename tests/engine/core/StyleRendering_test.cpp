// Renderings made for an item's size: the scale that fills a rectangle, the
// text a fresh rendering may use, and the whole road through real plug-ins
// of both exports, down to how sharp a resized sample style stays.
#include "engine/core/StyleRendering.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/core/Drag.h"
#include "engine/core/PluginHost.h"

namespace glyphon {
namespace {

const std::string kPluginDir = GLYPHON_TEST_PLUGIN_DIR;
const StyleSource kEcho{kPluginDir, GLYPHON_TEST_ECHO_STYLE, "0881282026"};
const StyleSource kTextEcho{kPluginDir, GLYPHON_TEST_TEXT_ECHO_STYLE, "0881282026"};
const StyleSource kNoExport{kPluginDir, GLYPHON_TEST_NO_EXPORT, "0"};
const StyleSource kScript{GLYPHON_SAMPLE_STYLE_DIR, GLYPHON_SAMPLE_STYLE_FILE, "20261208"};

// What the text echo style was handed: the text of its row 0 and the scale
// of its row 3.
std::string echoedText(const Bitmap& b, size_t length) {
  std::string text;
  for (int32_t x = 0; x < int32_t(length); ++x) text += char(redOf(b.pixel(x, 0)));
  return text;
}
double echoedScale(const Bitmap& b) {
  unsigned char bytes[sizeof(double)];
  for (int32_t x = 0; x < int32_t(sizeof(double)); ++x) bytes[x] = redOf(b.pixel(x, 3));
  double scale = 0;
  std::memcpy(&scale, bytes, sizeof scale);
  return scale;
}

TEST(StyleRenderingTest, TheFillScaleIsTheLargerRatio) {
  struct Case {
    int32_t naturalWidth, naturalHeight, width, height;
    double scale;
  };
  const Case cases[] = {
      {100, 40, 100, 40, 1.0}, {100, 40, 300, 120, 3.0}, {100, 40, 50, 20, 0.5},
      {100, 40, 300, 40, 3.0},  // wider only: the height is shrunk
      {100, 40, 100, 80, 2.0},  // higher only: the width is shrunk
      {100, 40, 10, 1, 0.1},   {0, 40, 100, 40, 0.0},    {100, 0, 100, 40, 0.0},
      {100, 40, 0, 40, 0.0},   {100, 40, 100, -3, 0.0},
  };
  for (const Case& c : cases)
    EXPECT_DOUBLE_EQ(fillScale(c.naturalWidth, c.naturalHeight, c.width, c.height), c.scale)
        << c.naturalWidth << "x" << c.naturalHeight << " to " << c.width << "x" << c.height;
}

TEST(StyleRenderingTest, OnlyAWholeTextIsRenderedAgain) {
  struct Case {
    const char* what;
    std::string text, wholeText;
    std::optional<std::string> again;
  };
  const std::string long251(251, 'a'), long252(252, 'a');
  const Case cases[] = {
      {"made in this run", "Hi", "Hi", "Hi"},
      {"made in this run, cut", long252, long252 + "bcdef", long252 + "bcdef"},
      {"read from a file, short", "Hi", "", "Hi"},
      {"read from a file, too short to have lost anything", long251, "", long251},
      {"read from a file, perhaps cut", long252, "", std::nullopt},
      {"read from a file, 255 bytes", std::string(255, 'a'), "", std::nullopt},
  };
  for (const Case& c : cases) {
    TTextItem item;
    item.Text = c.text;
    item.WholeText = c.wholeText;
    EXPECT_EQ(textToRenderAgain(item), c.again) << c.what;
  }
}

ItemChoice choiceOf(std::string_view text, int32_t sizeIndex) {
  return {7, 9, 10001, 2, sizeIndex, rgb(1, 2, 3), text};
}

TEST(StyleRenderingTest, AnAsciiStyleDrawsAtItsOneSizeAndIsNeverRenderedAgain) {
  // The window filtered the memo for it; the item records what it rendered.
  const std::unique_ptr<TTextItem> item =
      renderNewItem(kEcho, choiceOf("Hello there", 4), NewItemRendering::FillRectangle);
  ASSERT_NE(item, nullptr);
  ASSERT_EQ(item->Bitmap->width(), 11);
  EXPECT_EQ(item->Bitmap->height(), 7);
  EXPECT_EQ(item->Rect, renderedItemRect(7, 9, 11, 7, 4));
  EXPECT_EQ(item->Text, "Hello there");
  EXPECT_EQ(item->WholeText, "Hello there");
  EXPECT_EQ(item->StyleFont, 2);
  // Stretched by the compositor, never rendered again.
  EXPECT_EQ(renderResized(kEcho, *item, {0, 0, 110, 70}), std::nullopt);

  for (const NewItemRendering kept : {NewItemRendering::Natural, NewItemRendering::FillRectangle}) {
    EXPECT_EQ(renderNewItem(kNoExport, choiceOf("x", 9), kept), nullptr);
    EXPECT_EQ(renderNewItem({kPluginDir, "missing.so", "0"}, choiceOf("x", 9), kept), nullptr);
  }
}

TEST(StyleRenderingTest, ATextStyleGetsTheWholeUtf8TextAtTheScaleOfTheItemsSize) {
  const std::string text =
      "Gr\xC3\xBC\xC3\x9F"
      "e \xE6\x97\xA5\xE6\x9C\xAC";  // 14 bytes
  // At "100" one rendering at scale 1 fills the rectangle.
  const std::unique_ptr<TTextItem> full =
      renderNewItem(kTextEcho, choiceOf(text, 9), NewItemRendering::FillRectangle);
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(echoedText(*full->Bitmap, text.size()), text);
  EXPECT_EQ(echoedScale(*full->Bitmap), 1.0);
  EXPECT_EQ(full->Rect, renderedItemRect(7, 9, 14, 4, 9));
  EXPECT_EQ(full->Text, text);

  // At "50" the rectangle stays what the natural size makes it. Modify asks
  // again at the scale that fills it (the echo style's one size covers it
  // at once; asking again gets no closer); Add keeps the natural rendering.
  const Rect halfRect = renderedItemRect(7, 9, 14, 4, 4);
  const std::unique_ptr<TTextItem> half =
      renderNewItem(kTextEcho, choiceOf(text, 4), NewItemRendering::FillRectangle);
  ASSERT_NE(half, nullptr);
  EXPECT_EQ(half->Rect, halfRect);
  EXPECT_EQ(echoedScale(*half->Bitmap), fillScale(14, 4, halfRect.width(), halfRect.height()));
  EXPECT_EQ(echoedScale(*half->Bitmap), 0.5);
  const std::unique_ptr<TTextItem> added =
      renderNewItem(kTextEcho, choiceOf(text, 4), NewItemRendering::Natural);
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->Rect, halfRect);
  EXPECT_EQ(echoedScale(*added->Bitmap), 1.0);

  // A text longer than an item keeps is rendered whole, now and when the
  // item is resized.
  std::string longText;
  for (int i = 0; i < 100; ++i) longText += "\xE6\x97\xA5";
  const std::unique_ptr<TTextItem> cut =
      renderNewItem(kTextEcho, choiceOf(longText, 9), NewItemRendering::Natural);
  ASSERT_NE(cut, nullptr);
  EXPECT_EQ(cut->Text.size(), 255u);
  EXPECT_EQ(cut->WholeText, longText);
  EXPECT_EQ(echoedText(*cut->Bitmap, longText.size()), longText);
  const std::optional<Bitmap> resized = renderResized(kTextEcho, *cut, {0, 0, 600, 8});
  ASSERT_TRUE(resized.has_value());
  EXPECT_EQ(echoedText(*resized, longText.size()), longText);
  // The echo style draws one size whatever the scale: no rendering covers
  // the rectangle, and the largest is handed back.
  EXPECT_EQ(resized->width(), 300);
  EXPECT_GT(echoedScale(*resized), 1.9);

  // An item of a project file whose text may have lost its end stays as it is.
  TTextItem fromFile = *cut;
  fromFile.WholeText.clear();
  EXPECT_EQ(renderResized(kTextEcho, fromFile, {0, 0, 600, 8}), std::nullopt);
  // So does one resized to nothing, or past the largest rendering made afresh.
  EXPECT_EQ(renderResized(kTextEcho, *full, {5, 5, 5, 20}), std::nullopt);
  EXPECT_EQ(renderResized(kTextEcho, *full, {0, 0, 65535, 65535}), std::nullopt);
  // And one whose plug-in refuses to render.
  TTextItem refused = *full;
  refused.WholeText = "!refuse";
  EXPECT_EQ(renderResized(kTextEcho, refused, {0, 0, 100, 30}), std::nullopt);
}

// b stretched by nearest pixel to width x height, as the compositor draws it.
Bitmap stretchedByNearestPixel(const Bitmap& b, int32_t width, int32_t height) {
  Bitmap out(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      out.setPixel(x, y,
                   b.pixel(int32_t(int64_t(x) * b.width() / width),
                           int32_t(int64_t(y) * b.height() / height)));
  return out;
}

// The widths of the edge crossings of a rendering: along every row, each
// run that climbs (or falls) steadily from the background (red at most 32)
// to full coverage (at least 224), as the number of intermediate grey
// pixels on the way.
std::vector<int> edgeCrossings(const Bitmap& b) {
  constexpr int kLow = 32, kHigh = 224;
  std::vector<int> widths;
  for (int32_t y = 0; y < b.height(); ++y) {
    for (int32_t x = 0; x + 1 < b.width(); ++x) {
      const int start = redOf(b.pixel(x, y));
      const int next = redOf(b.pixel(x + 1, y));
      // A crossing starts at the last pixel of a plateau.
      if (start <= kLow ? next <= kLow : start >= kHigh ? next >= kHigh : true) continue;
      const int direction = start <= kLow ? 1 : -1;
      int32_t end = x + 1;
      int previous = start;
      while (end < b.width()) {
        const int v = redOf(b.pixel(end, y));
        if ((v - previous) * direction < 0) break;  // no longer steady
        if (direction > 0 ? v >= kHigh : v <= kLow) break;
        previous = v;
        ++end;
      }
      if (end >= b.width()) continue;
      const int v = redOf(b.pixel(end, y));
      if (direction > 0 ? v >= kHigh : v <= kLow) widths.push_back(int(end - x - 1));
    }
  }
  return widths;
}

// The share of the edges crossed with at most two intermediate grey
// pixels, among those crossed with at most eight (soft shadows and glows
// widen with the size in any rendering and are left out). A rendering made
// for its size crosses most hard edges in a pixel or two whatever its size;
// a stretch by nearest pixel repeats those pixels as often as it enlarges.
double crispShare(const Bitmap& b) {
  long hard = 0, crisp = 0;
  for (const int w : edgeCrossings(b)) {
    hard += w <= 8;
    crisp += w <= 2;
  }
  return hard > 0 ? double(crisp) / double(hard) : 0.0;
}

TEST(StyleRenderingTest, AResizedSampleStyleIsAsSharpAsAFreshRenderingAtThatSize) {
  // The sticker style: white letters cut out hard against the background.
  constexpr int32_t kSticker = 3;
  const std::string text = "Happy Birthday";
  ItemChoice choice = choiceOf(text, 9);
  choice.StyleFont = kSticker;
  const std::unique_ptr<TTextItem> item = renderNewItem(kScript, choice, NewItemRendering::Natural);
  ASSERT_NE(item, nullptr);
  const Bitmap& natural = *item->Bitmap;
  ASSERT_EQ(item->Rect.width(), natural.width());

  // Three times as large, dragged by a corner: the shape stays.
  const Rect pulled = dragStep(item->Rect, 2 | 8, 2 * natural.width(), 0, item->Rect);
  ASSERT_EQ(pulled.width(), 3 * natural.width());
  const std::optional<Bitmap> resized = renderResized(kScript, *item, pulled);
  ASSERT_TRUE(resized.has_value());
  // It covers the rectangle, at most a pixel past it in the direction that
  // decides the scale; the plug-in's proportions move a little with the
  // size, so the other direction may reach a little further.
  EXPECT_GE(resized->width(), pulled.width());
  EXPECT_GE(resized->height(), pulled.height());
  EXPECT_LE(std::min(resized->width() - pulled.width(), resized->height() - pulled.height()), 1);
  EXPECT_LE(resized->width(), pulled.width() * 1.02 + 2);
  EXPECT_LE(resized->height(), pulled.height() * 1.02 + 2);

  const std::optional<PluginRendering> fresh = renderTextWithPlugin(
      kScript.StyleFolder, kScript.PluginFileName, kScript.DateDigits, kSticker, text,
      fillScale(natural.width(), natural.height(), pulled.width(), pulled.height()));
  ASSERT_TRUE(fresh.has_value());
  const Bitmap stretched = stretchedByNearestPixel(natural, pulled.width(), pulled.height());
  const double crispFresh = crispShare(fresh->bitmap);
  const double crispResized = crispShare(*resized);
  ASSERT_GT(crispShare(natural), 0.5);
  EXPECT_GE(crispResized, crispFresh - 0.05);
  EXPECT_GE(crispResized, crispShare(natural) - 0.05);
  EXPECT_LT(crispShare(stretched), 0.5 * crispResized);
}

}  // namespace
}  // namespace glyphon
