#include "engine/core/PluginHost.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include "glyphon/style_plugin.h"

namespace glyphon {
namespace {

const std::string kPluginDir = GLYPHON_TEST_PLUGIN_DIR;
const std::string kEcho = GLYPHON_TEST_ECHO_STYLE;
const std::string kTextEcho = GLYPHON_TEST_TEXT_ECHO_STYLE;

// Whether the library at path is still mapped into the process.
bool isLoaded(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  dlclose(handle);
  return true;
}

std::optional<Bitmap> renderEcho(const std::string& text, int32_t styleFont = 0,
                                 const std::string& date = "0881282026") {
  return renderWithPlugin(kPluginDir, kEcho, date, styleFont, text);
}

// Counts the pixels in the rows from y0 on that are not black.
int litPixelsFrom(const Bitmap& b, int32_t y0) {
  int lit = 0;
  for (int32_t y = y0; y < b.height(); ++y)
    for (int32_t x = 0; x < b.width(); ++x) lit += b.pixel(x, y) != 0;
  return lit;
}

Color grey(uint8_t level) { return rgb(level, level, level); }

TEST(PluginHostTest, EveryArgumentArrives) {
  const std::string text = "Hi there\r\nline two ~";
  const std::string date = "0881282026";
  for (int32_t font = 0; font <= 4; ++font) {
    SCOPED_TRACE(font);
    const std::optional<Bitmap> result = renderEcho(text, font, date);
    ASSERT_TRUE(result.has_value());
    const Bitmap& b = *result;
    ASSERT_EQ(b.width(), int32_t(text.size()));
    ASSERT_EQ(b.height(), 5 + font);
    for (int32_t x = 0; x < b.width(); ++x) {
      EXPECT_EQ(b.pixel(x, 0), grey(uint8_t(text[size_t(x)]))) << x;
      EXPECT_EQ(b.pixel(x, 1), x < int32_t(date.size()) ? grey(uint8_t(date[size_t(x)])) : 0) << x;
    }
    // Blue: the style font; green: calls since the library was loaded (the
    // library is fresh every time); red: the length of the date digits.
    EXPECT_EQ(b.pixel(0, 2), rgb(uint8_t(date.size()), 1, uint8_t(font)));
    EXPECT_EQ(litPixelsFrom(b, 2), 1);
  }
}

TEST(PluginHostTest, LongTextIsHandedOverWhole) {
  const std::string text(300, 'w');
  const std::optional<Bitmap> result = renderEcho(text);
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->width(), 300);
  EXPECT_EQ(result->pixel(299, 0), grey('w'));
}

// The fault with which a call through the style helper failed.
template <typename Call>
std::optional<PluginFault> faultOf(const Call& call) {
  try {
    (void)call();
  } catch (const PluginFailure& failure) {
    return failure.fault();
  }
  return std::nullopt;
}

TEST(PluginHostTest, PluginsAreNeverLoadedIntoTheEditor) {
  // They run in the style helper, which loads a fresh library for every
  // call (EveryArgumentArrives sees the call count start again).
  const std::string path = kPluginDir + "/" + kEcho;
  ASSERT_FALSE(isLoaded(path));
  ASSERT_TRUE(renderEcho("abc").has_value());
  EXPECT_FALSE(isLoaded(path));
  EXPECT_EQ(faultOf([] { return renderEcho("!scribble-width"); }), PluginFault::BrokeContract);
  EXPECT_FALSE(isLoaded(path));
}

TEST(PluginHostTest, SecondResizeHandsOverFreshBlackPixels) {
  // The plug-in sizes the bitmap to 64 x 64, paints it white, then resizes
  // again and draws through the new pixels pointer.
  const std::optional<Bitmap> result = renderEcho("!twice", 1);
  ASSERT_TRUE(result.has_value());
  ASSERT_EQ(result->width(), 6);
  ASSERT_EQ(result->height(), 6);
  EXPECT_EQ(result->pixel(0, 0), grey('!'));
  EXPECT_EQ(result->pixel(5, 0), grey('e'));
  EXPECT_EQ(litPixelsFrom(*result, 2), 1);
}

TEST(PluginHostTest, AbsurdSizesAreRefusedAndLeaveTheBitmap) {
  // One white pixel per refused size: negative width, negative height, a
  // side above 65535, and two sizes above 2^27 pixels.
  const std::optional<Bitmap> result = renderEcho("!refusals");
  ASSERT_TRUE(result.has_value());
  ASSERT_EQ(result->width(), 5);
  ASSERT_EQ(result->height(), 1);
  for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(result->pixel(x, 0), grey(255)) << x;
}

TEST(PluginHostTest, CopyOfTheBitmapStructCannotResize) {
  const std::optional<Bitmap> result = renderEcho("!copy");
  ASSERT_TRUE(result.has_value());
  ASSERT_EQ(result->width(), 1);
  EXPECT_EQ(result->pixel(0, 0), grey(255));
}

TEST(PluginHostTest, EmptyRenderingIsValid) {
  for (const char* text : {"!empty", "!untouched", ""}) {
    SCOPED_TRACE(text);
    const std::optional<Bitmap> result = renderEcho(text);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->width(), 0);
    EXPECT_TRUE(result->isEmpty());
  }
}

TEST(PluginHostTest, ScribbledFieldsDiscardTheRenderingAndSaySo) {
  for (const char* field : {"width", "height", "stride", "pixels", "host", "resize", "version"}) {
    SCOPED_TRACE(field);
    EXPECT_EQ(faultOf([&] { return renderEcho(std::string("!scribble-") + field); }),
              PluginFault::BrokeContract);
  }
  // The same drawing with nothing overwritten is accepted.
  EXPECT_TRUE(renderEcho("!scribble-nothing").has_value());
}

TEST(PluginHostTest, LibrariesThatCannotRenderGiveNothing) {
  const std::filesystem::path notLibrary =
      std::filesystem::path(testing::TempDir()) /
      ("glyphon_not_a_library_" + std::to_string(getpid()) + ".so");
  std::ofstream(notLibrary) << "This is a text file, not a shared library.\n";

  EXPECT_FALSE(renderWithPlugin(kPluginDir, GLYPHON_TEST_NO_EXPORT, "0", 0, "abc").has_value());
  EXPECT_FALSE(renderWithPlugin(kPluginDir, "missing_style.so", "0", 0, "abc").has_value());
  EXPECT_FALSE(renderWithPlugin(kPluginDir + "/no such folder", kEcho, "0", 0, "abc").has_value());
  EXPECT_FALSE(renderWithPlugin(kPluginDir, "", "0", 0, "abc").has_value());
  EXPECT_FALSE(renderWithPlugin(notLibrary.parent_path().string(), notLibrary.filename().string(),
                                "0", 0, "abc")
                   .has_value());
  std::filesystem::remove(notLibrary);
}

// What the text echo plug-in's text export was handed, read back from its
// picture.
struct TextEcho {
  std::string text;
  std::string date;
  int styleFont = -1;
  int version = -1;
  int structSizeLowByte = -1;
  bool zeroTerminated = false;
  double scale = 0;
};

TextEcho readTextEcho(const Bitmap& b) {
  TextEcho echo;
  EXPECT_EQ(b.height(), 4);
  if (b.height() != 4) return echo;
  for (int32_t x = 0; x < b.width(); ++x) {
    echo.text.push_back(char(redOf(b.pixel(x, 0))));
    if (redOf(b.pixel(x, 1)) != 0) echo.date.push_back(char(redOf(b.pixel(x, 1))));
  }
  // The text row is at least 8 pixels wide; a shorter text leaves zeros.
  while (!echo.text.empty() && echo.text.back() == '\0') echo.text.pop_back();
  echo.styleFont = blueOf(b.pixel(0, 2));
  echo.version = greenOf(b.pixel(0, 2));
  echo.structSizeLowByte = redOf(b.pixel(0, 2));
  echo.zeroTerminated = b.pixel(1, 2) == grey(255);
  unsigned char bytes[sizeof(double)];
  for (int32_t x = 0; x < int32_t(sizeof(double)); ++x) bytes[x] = redOf(b.pixel(x, 3));
  std::memcpy(&echo.scale, bytes, sizeof(double));
  return echo;
}

std::optional<PluginRendering> renderText(const std::string& plugin, const std::string& text,
                                          double scale = 1.0, int32_t styleFont = 2) {
  return renderTextWithPlugin(kPluginDir, plugin, "20261208", styleFont, text, scale);
}

TEST(PluginHostTextTest, ContractIsReadFromTheExports) {
  EXPECT_EQ(pluginContract(kPluginDir, kTextEcho), PluginContract::Text);
  EXPECT_EQ(pluginContract(kPluginDir, kEcho), PluginContract::Ascii);
  // Only the text export is not a plug-in; neither is a missing library.
  EXPECT_EQ(pluginContract(kPluginDir, GLYPHON_TEST_NO_EXPORT), std::nullopt);
  EXPECT_EQ(pluginContract(kPluginDir, "missing_style.so"), std::nullopt);
  EXPECT_FALSE(isLoaded(kPluginDir + "/" + kTextEcho));
  EXPECT_FALSE(renderText(GLYPHON_TEST_NO_EXPORT, "abc").has_value());
}

TEST(PluginHostTextTest, TextExportIsPreferredAndGetsEveryArgument) {
  const std::string text =
      "Gr\xC3\xBC\xC3\x9F"
      "e \xE6\x97\xA5\xE6\x9C\xAC \xD9\x85\r\n\xF0\x9F\x98\x80";
  for (const double scale : {1.0, 0.5, 3.0, 12.75}) {
    SCOPED_TRACE(scale);
    const std::optional<PluginRendering> r = renderText(kTextEcho, text, scale, 3);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->contract, PluginContract::Text);
    EXPECT_EQ(r->scale, scale);
    const TextEcho echo = readTextEcho(r->bitmap);
    EXPECT_EQ(echo.text, text);
    EXPECT_EQ(echo.date, "20261208");
    EXPECT_EQ(echo.styleFont, 3);
    EXPECT_EQ(echo.version, GLYPHON_TEXT_REQUEST_VERSION);
    EXPECT_EQ(echo.structSizeLowByte, int(sizeof(GlyphonTextRequest) & 0xFF));
    EXPECT_TRUE(echo.zeroTerminated);
    EXPECT_EQ(echo.scale, scale);
  }
  // The original function still calls the original export of the same
  // library, with exactly its text.
  const std::optional<Bitmap> old = renderWithPlugin(kPluginDir, kTextEcho, "0", 0, "Abc");
  ASSERT_TRUE(old.has_value());
  ASSERT_EQ(old->height(), 1);
  EXPECT_EQ(old->pixel(2, 0), grey('c'));
}

TEST(PluginHostTextTest, IllFormedTextArrivesRepairedWithoutZeroBytes) {
  const std::optional<PluginRendering> r = renderText(kTextEcho, std::string("a\xFF"
                                                                             "b\0c\xE6\x97",
                                                                             7));
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(readTextEcho(r->bitmap).text,
            "a\xEF\xBF\xBD"
            "bc\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(PluginHostTextTest, ScaleIsClampedAndMustBeFinite) {
  struct Case {
    double asked, given;
  };
  const Case cases[] = {{0.0, GLYPHON_TEXT_SCALE_MIN},
                        {-2.0, GLYPHON_TEXT_SCALE_MIN},
                        {1e-9, GLYPHON_TEXT_SCALE_MIN},
                        {GLYPHON_TEXT_SCALE_MIN, GLYPHON_TEXT_SCALE_MIN},
                        {GLYPHON_TEXT_SCALE_MAX, GLYPHON_TEXT_SCALE_MAX},
                        {1000.0, GLYPHON_TEXT_SCALE_MAX}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.asked);
    const std::optional<PluginRendering> r = renderText(kTextEcho, "x", c.asked);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->scale, c.given);
    EXPECT_EQ(readTextEcho(r->bitmap).scale, c.given);
  }
  for (const double bad :
       {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity()})
    EXPECT_FALSE(renderText(kTextEcho, "x", bad).has_value());
}

TEST(PluginHostTextTest, AsciiPluginReceivesExactlyTheFilteredText) {
  // The old plug-in gets what renderWithPlugin would give it after the memo
  // filter: ASCII only, no scale, and the result says it was not scaled.
  const std::string text =
      "Gr\xC3\xBC\xC3\x9F"
      "e aus K\xC3\xB6ln\r\n\xE6\x97\xA5 caf\xC3\xA9\t!";
  const std::optional<PluginRendering> r = renderText(kEcho, text, 4.0, 1);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->contract, PluginContract::Ascii);
  EXPECT_EQ(r->scale, 1.0);
  const std::optional<Bitmap> expected =
      renderWithPlugin(kPluginDir, kEcho, "20261208", 1, "Gre aus Kln\r\n caf!");
  ASSERT_TRUE(expected.has_value());
  EXPECT_EQ(r->bitmap, *expected);
  for (int32_t x = 0; x < r->bitmap.width(); ++x) EXPECT_LE(redOf(r->bitmap.pixel(x, 0)), 126);
}

TEST(PluginHostTextTest, BrokenContractsAreRefusedOnTheTextPathToo) {
  // An old plug-in that scribbles over its bitmap is refused through the
  // new function as through the old one.
  EXPECT_EQ(faultOf([] { return renderText(kEcho, "!scribble-width"); }),
            PluginFault::BrokeContract);
  EXPECT_FALSE(isLoaded(kPluginDir + "/" + kEcho));
  // A text plug-in that refuses the request leaves an empty rendering.
  const std::optional<PluginRendering> refused = renderText(kTextEcho, "!refuse");
  ASSERT_TRUE(refused.has_value());
  EXPECT_TRUE(refused->bitmap.isEmpty());
  EXPECT_FALSE(isLoaded(kPluginDir + "/" + kTextEcho));
}

}  // namespace
}  // namespace glyphon
