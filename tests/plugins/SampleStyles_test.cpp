// The sample style kinds, loaded through the editor's own plug-in host.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "engine/core/Bitmap.h"
#include "engine/core/PluginHost.h"

namespace glyphon {
namespace {

const std::string kStylesDir = GLYPHON_TEST_STYLES_DIR;
const std::string kDate = "20261208";

std::string pluginOf(int kind) { return "libglyphon-style-" + std::to_string(kind) + ".so"; }

std::optional<Bitmap> render(int kind, int32_t font, const std::string& text,
                             const std::string& date = kDate) {
  return renderWithPlugin(kStylesDir, pluginOf(kind), date, font, text);
}

// The smallest rectangle holding every pixel that is not black.
Rect inkOf(const Bitmap& b) {
  Rect ink{b.width(), b.height(), -1, -1};
  for (int32_t y = 0; y < b.height(); ++y)
    for (int32_t x = 0; x < b.width(); ++x)
      if (b.pixel(x, y) != 0) {
        ink.Left = std::min(ink.Left, x), ink.Right = std::max(ink.Right, x + 1);
        ink.Top = std::min(ink.Top, y), ink.Bottom = std::max(ink.Bottom, y + 1);
      }
  return ink;
}

class SampleStyleTest : public ::testing::TestWithParam<std::tuple<int, int32_t>> {
 protected:
  int kind() const { return std::get<0>(GetParam()); }
  int32_t font() const { return std::get<1>(GetParam()); }
  Bitmap draw(const std::string& text) {
    std::optional<Bitmap> result = render(kind(), font(), text);
    EXPECT_TRUE(result.has_value()) << "the plug-in did not load";
    return result ? std::move(*result) : Bitmap();
  }
};

TEST_P(SampleStyleTest, DrawsGreyOnBlackSizedToTheText) {
  const Bitmap b = draw("Glyphon 2026");
  ASSERT_FALSE(b.isEmpty());
  int64_t background = 0, covered = 0;
  for (int32_t y = 0; y < b.height(); ++y)
    for (int32_t x = 0; x < b.width(); ++x) {
      const Color c = b.pixel(x, y);
      ASSERT_EQ(redOf(c), greenOf(c)) << x << "," << y;
      ASSERT_EQ(redOf(c), blueOf(c)) << x << "," << y;
      // Background is black itself, never a near-black the editor would
      // still skip.
      ASSERT_TRUE(redOf(c) == 0 || redOf(c) > 4) << x << "," << y;
      (redOf(c) == 0 ? background : covered) += 1;
    }
  EXPECT_GT(background, 0);
  EXPECT_GT(covered, b.width() * int64_t(b.height()) / 8);
  // The bitmap is the text's extent: ink reaches every edge.
  EXPECT_EQ(inkOf(b), b.bounds());
  // A line of text is wider than tall, and twice the text about twice as
  // wide (the effects around it count once).
  EXPECT_GT(b.width(), 2 * b.height());
  const Bitmap twice = draw("Glyphon 2026 Glyphon 2026");
  EXPECT_GT(twice.width(), b.width() * 16 / 10);
  EXPECT_LT(twice.width(), b.width() * 22 / 10);
  EXPECT_NEAR(twice.height(), b.height(), b.height() / 10 + 2);
}

TEST_P(SampleStyleTest, TwoLinesAreTallerThanOneAndCentred) {
  const Bitmap one = draw("WWWWWW");
  const Bitmap two = draw("W\r\nWWWWWW");
  ASSERT_FALSE(one.isEmpty());
  ASSERT_FALSE(two.isEmpty());
  EXPECT_GT(two.height(), one.height() * 13 / 10);
  EXPECT_NEAR(two.width(), one.width(), 4);
  // The short first line stands in the middle of the long second one.
  Bitmap top(two.width(), two.height() / 3);
  bitBlt(top, 0, 0, top.width(), top.height(), two, 0, 0);
  const Rect ink = inkOf(top);
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_NEAR((ink.Left + ink.Right) / 2, two.width() / 2, two.width() / 12);
  // A lone LF breaks the line too.
  EXPECT_EQ(draw("W\nWWWWWW"), two);
}

TEST_P(SampleStyleTest, TheSameArgumentsGiveTheSamePixels) {
  const Bitmap first = draw("Deterministic\r\nstyles 2026");
  EXPECT_EQ(draw("Deterministic\r\nstyles 2026"), first);
  // The date digits change nothing either.
  EXPECT_EQ(render(kind(), font(), "Deterministic\r\nstyles 2026", "0"), first);
}

TEST_P(SampleStyleTest, RendersTheWholeTextNotJustTheFirst255Characters) {
  const Bitmap cut = draw(std::string(255, 'x'));
  const Bitmap whole = draw(std::string(300, 'x'));
  EXPECT_GT(whole.width(), cut.width() + cut.width() / 10);
}

INSTANTIATE_TEST_SUITE_P(AllKindsAndStyleFonts, SampleStyleTest,
                         ::testing::Combine(::testing::Values(10001, 10002, 10003),
                                            ::testing::Range(0, 5)),
                         [](const auto& info) {
                           return std::to_string(std::get<0>(info.param)) + "_font" +
                                  std::to_string(std::get<1>(info.param));
                         });

TEST(SampleStylesTest, AStyleFontOutsideTheFiveDrawsTheFirst) {
  for (int kind : {10001, 10002, 10003}) {
    const std::optional<Bitmap> first = render(kind, 0, "Abc");
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(render(kind, 5, "Abc"), first);
    EXPECT_EQ(render(kind, -1, "Abc"), first);
    // Each style font has a look of its own.
    for (int32_t font = 1; font < 5; ++font) EXPECT_NE(render(kind, font, "Abc"), first);
  }
}

TEST(SampleStylesTest, TextThatShowsNothingGivesAnEmptyBitmap) {
  for (const std::string text : {"", "   ", "\r\n\r\n", "\x01\x7f"}) {
    const std::optional<Bitmap> b = render(10001, 0, text);
    ASSERT_TRUE(b.has_value());
    EXPECT_TRUE(b->isEmpty());
  }
}

// Runs the plug-ins as if the fonts lay below root (a prefix before every
// absolute font path), and undoes that afterwards.
class FontRoot {
 public:
  explicit FontRoot(const std::string& root) {
    setenv("GLYPHON_STYLES_FONT_ROOT", root.c_str(), 1);
  }
  ~FontRoot() { unsetenv("GLYPHON_STYLES_FONT_ROOT"); }
};

TEST(SampleStylesTest, AMissingFaceFallsBackToDejaVu) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / ("glyphon-fonts-" + std::to_string(getpid()));
  const fs::path dejavu = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
  fs::create_directories(root / dejavu.parent_path().relative_path());
  fs::copy_file(dejavu, root / dejavu.relative_path(), fs::copy_options::overwrite_existing);
  {
    const FontRoot onlyDejaVu(root.string());
    for (int kind : {10001, 10002})
      for (int32_t font = 0; font < 5; ++font) {
        const std::optional<Bitmap> b = render(kind, font, "Abc");
        ASSERT_TRUE(b.has_value());
        EXPECT_FALSE(b->isEmpty()) << kind << "/" << font;
      }
  }
  // With no face at all there is nothing to draw with, and nothing breaks.
  fs::remove_all(root);
  {
    const FontRoot noFonts(root.string());
    const std::optional<Bitmap> b = render(10003, 2, "Abc");
    ASSERT_TRUE(b.has_value());
    EXPECT_TRUE(b->isEmpty());
  }
}

TEST(SampleStylesTest, AHugeTextIsSetSmallerToFit) {
  // 2000 lines would be far taller than a bitmap may be at the natural size.
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "line\r\n";
  const std::optional<Bitmap> b = render(10002, 3, text);
  ASSERT_TRUE(b.has_value());
  ASSERT_FALSE(b->isEmpty());
  EXPECT_LE(b->height(), Bitmap::kMaxSide);
  EXPECT_LE(int64_t(b->width()) * b->height(), Bitmap::kMaxPixels);
}

}  // namespace
}  // namespace glyphon
