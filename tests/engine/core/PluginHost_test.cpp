#include "engine/core/PluginHost.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace glyphon {
namespace {

const std::string kPluginDir = GLYPHON_TEST_PLUGIN_DIR;
const std::string kEcho = GLYPHON_TEST_ECHO_STYLE;

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

TEST(PluginHostTest, LibraryIsUnloadedAfterEveryCall) {
  const std::string path = kPluginDir + "/" + kEcho;
  ASSERT_FALSE(isLoaded(path));
  ASSERT_TRUE(renderEcho("abc").has_value());
  EXPECT_FALSE(isLoaded(path));
  // Also when the plug-in broke the contract and its rendering was refused.
  ASSERT_FALSE(renderEcho("!scribble-width").has_value());
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

TEST(PluginHostTest, ScribbledFieldsDiscardTheRendering) {
  for (const char* field : {"width", "height", "stride", "pixels", "host", "resize", "version"}) {
    SCOPED_TRACE(field);
    EXPECT_FALSE(renderEcho(std::string("!scribble-") + field).has_value());
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

}  // namespace
}  // namespace glyphon
