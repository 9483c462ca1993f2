// How the sample styles set text: shaping compared with HarfBuzz's own tool,
// right-to-left order and Arabic joining seen in the glyph coverage, fallback
// faces, and renderings at a scale.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "TextScene.h"
#include "engine/core/Bitmap.h"
#include "engine/core/PluginHost.h"

namespace glyphon_styles {
namespace {

const std::string kStylesDir = GLYPHON_TEST_STYLES_DIR;

const char* const kLobster = "/usr/share/fonts/opentype/lobster/lobster.otf";
const char* const kBebas = "/usr/share/fonts/opentype/bebas-neue/BebasNeue-Bold.otf";
const char* const kBlankenburg = "/usr/share/fonts/opentype/blankenburg/Blankenburg.otf";
const char* const kDejaVuSerif = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf";

FaceSettings faceOf(const char* file, int pixelSize = 80) { return {file, pixelSize, 8, 0.0f}; }

// The glyph ids hb-shape gives for text in the face at file (index in a
// collection) at pixelSize, in its visual order.
std::vector<unsigned> hbShape(const std::string& file, int index, int pixelSize,
                              const std::string& text) {
  const std::string command =
      "hb-shape --no-glyph-names --no-positions --no-clusters --face-index=" +
      std::to_string(index) + " --font-size=" + std::to_string(pixelSize) + " '" + file + "' '" +
      text + "'";
  std::vector<unsigned> glyphs;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return glyphs;
  std::string output;
  for (int c = std::fgetc(pipe); c != EOF; c = std::fgetc(pipe)) output.push_back(char(c));
  pclose(pipe);
  // "[12|34|56]"
  unsigned value = 0;
  bool inNumber = false;
  for (const char c : output) {
    if (c >= '0' && c <= '9') {
      value = value * 10 + unsigned(c - '0');
      inNumber = true;
    } else if (inNumber) {
      glyphs.push_back(value);
      value = 0;
      inNumber = false;
    }
  }
  return glyphs;
}

struct ShapingCase {
  const char* face;
  const char* text;
};

TEST(TextShapingTest, GlyphsAreThoseOfHbShapeOnTheSameFace) {
  // Latin with Lobster's ligatures and contextual forms; words the style's
  // face lacks come from fallback faces, shaped there as hb-shape shapes
  // them (Arabic joining, Devanagari conjuncts, CJK).
  const ShapingCase cases[] = {
      {kLobster,
       "Gr\xC3\xBC\xC3\x9F"
       "e aus K\xC3\xB6ln"},
      {kLobster, "office affluent ff"},
      {kBebas, "WAVE AVATAR"},
      {kDejaVuSerif, "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1"},
      {kDejaVuSerif, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
      {kLobster, "\xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7"},  // Arabic
      {kLobster, "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D"},          // Hebrew
      {kBebas, "\xE0\xA4\xA8\xE0\xA4\xAE\xE0\xA4\xB8\xE0\xA5\x8D\xE0\xA4\xA4\xE0\xA5\x87"},
      {kBlankenburg,
       "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x82\xAB\xE3\x83\xBC\xE3\x83\x89"},
  };
  for (const ShapingCase& c : cases) {
    SCOPED_TRACE(c.text);
    const TextScene scene(faceOf(c.face), c.text);
    ASSERT_TRUE(scene.ok());
    const auto lines = scene.glyphLines();
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_FALSE(lines[0].empty());
    // One word of one script comes from one face (spaces may come from the
    // style's own).
    std::vector<unsigned> ours;
    std::string file;
    int index = 0;
    for (const TextScene::SetGlyph& g : lines[0]) {
      ours.push_back(g.glyph);
      if (file.empty() || g.fontFile != c.face) file = g.fontFile, index = g.faceIndex;
    }
    EXPECT_EQ(ours, hbShape(file, index, 80, c.text)) << file;
  }
}

// Connected shapes of ink (coverage at least a half, neighbours in eight
// directions) in a plane.
int inkShapes(const Plane& plane) {
  const int w = plane.width(), h = plane.height();
  std::vector<int> label(size_t(w) * size_t(h), 0);
  int shapes = 0;
  std::vector<std::pair<int, int>> stack;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (plane.row(y)[x] < 0.5f || label[size_t(y) * size_t(w) + size_t(x)] != 0) continue;
      ++shapes;
      stack.assign(1, {x, y});
      label[size_t(y) * size_t(w) + size_t(x)] = shapes;
      while (!stack.empty()) {
        const auto [px, py] = stack.back();
        stack.pop_back();
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            const int nx = px + dx, ny = py + dy;
            if (nx < 0 || ny < 0 || nx >= w || ny >= h || plane.row(ny)[nx] < 0.5f) continue;
            int& l = label[size_t(ny) * size_t(w) + size_t(nx)];
            if (l == 0) {
              l = shapes;
              stack.push_back({nx, ny});
            }
          }
      }
    }
  return shapes;
}

TEST(TextShapingTest, ArabicLettersJoinIntoOneShape) {
  // Three seens (no dots): joined they are one shape; with zero-width
  // non-joiners between them each stands alone, as three.
  const std::string seen = "\xD8\xB3";
  const std::string zwnj = "\xE2\x80\x8C";
  const TextScene joined(faceOf(kLobster), seen + seen + seen);
  const TextScene apart(faceOf(kLobster), seen + zwnj + seen + zwnj + seen);
  ASSERT_TRUE(joined.ok() && apart.ok());
  EXPECT_EQ(inkShapes(joined.glyphs()), 1);
  EXPECT_EQ(inkShapes(apart.glyphs()), 3);
}

// The column of the highest ink in a plane.
int columnOfHighestInk(const Plane& plane) {
  for (int y = 0; y < plane.height(); ++y)
    for (int x = 0; x < plane.width(); ++x)
      if (plane.row(y)[x] >= 0.5f) return x;
  return -1;
}

TEST(TextShapingTest, RightToLeftTextRunsFromTheRight) {
  // The tall letter first: an alef before a low seen stands at the right of
  // an Arabic line, an "l" before an "o" at the left of a Latin one, and
  // the Arabic word keeps its order inside a Latin line.
  const std::string alefSeen = "\xD8\xA7 \xD8\xB3";
  struct Case {
    std::string text;
    bool tallAtRight;
  };
  const Case cases[] = {{alefSeen, true}, {"l o", false}, {"o l", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const TextScene scene(faceOf(kLobster), c.text);
    ASSERT_TRUE(scene.ok());
    const int x = columnOfHighestInk(scene.glyphs());
    EXPECT_EQ(x > scene.width() / 2, c.tallAtRight) << x << " of " << scene.width();
  }
  // In a Latin line the Arabic words run right to left, and the line as a
  // whole left to right.
  const TextScene mixed(faceOf(kLobster), "ab " + alefSeen + " cd");
  const auto lines = mixed.glyphLines();
  ASSERT_EQ(lines.size(), 1u);
  const TextScene arabic(faceOf(kLobster), alefSeen);
  const auto arabicGlyphs = arabic.glyphLines()[0];
  std::vector<unsigned> middle;
  for (size_t i = 3; i + 3 < lines[0].size(); ++i) middle.push_back(lines[0][i].glyph);
  std::vector<unsigned> expected;
  for (const auto& g : arabicGlyphs) expected.push_back(g.glyph);
  EXPECT_EQ(middle, expected);
}

TEST(TextShapingTest, EveryScriptFindsItsGlyphs) {
  // No missing-glyph box for any of these in any of the faces: what the
  // style's face lacks comes from a fallback face.
  const char* const texts[] = {
      "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE8\xAA\x95\xE7\x94\x9F\xE6\x97\xA5"
      "\xE3\x82\xAB\xE3\x83\xBC\xE3\x83\x89",               // Japanese
      "\xE7\x94\x9F\xE6\x97\xA5\xE5\xBF\xAB\xE4\xB9\x90",   // Chinese
      "\xEC\x83\x9D\xEC\x9D\xBC \xEC\xB6\x95\xED\x95\x98",  // Korean
      "\xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7 "
      "\xD8\xA8\xD8\xA7\xD9\x84\xD8\xB9\xD8\xA7\xD9\x84\xD9\x85",
      "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D",
      "\xE0\xA4\xA8\xE0\xA4\xAE\xE0\xA4\xB8\xE0\xA5\x8D\xE0\xA4\xA4\xE0\xA5\x87",
      "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1 \xD0\x9F\xD1\x80\xD0\xB8",
      "caf\xC3\xA9 \xC5\x93uvre \xC4\x9F \xC3\xB1",
      "\xF0\x9F\x8E\x89\xF0\x9F\x98\x80\xE2\x98\x95",  // emoji
  };
  for (const char* face : {kLobster, kBebas, kBlankenburg, kDejaVuSerif})
    for (const char* text : texts) {
      SCOPED_TRACE(std::string(face) + " " + text);
      const TextScene scene(faceOf(face), text);
      ASSERT_TRUE(scene.ok());
      ASSERT_GT(scene.width(), 0);
      for (const auto& line : scene.glyphLines())
        for (const TextScene::SetGlyph& g : line) EXPECT_NE(g.glyph, 0u) << g.fontFile;
    }
}

TEST(TextShapingTest, EmojiInMixedTextDrawAsShapes) {
  // Emoji among Latin, Arabic and Japanese come from an outline face that
  // has them (no colour bitmaps: the styles draw every glyph as a grey
  // shape), and each draws ink of its own, not an empty box.
  const std::string party = "\xF0\x9F\x8E\x89", smile = "\xF0\x9F\x98\x80", coffee = "\xE2\x98\x95";
  const std::string mixed = "Gru\xC3\x9F " + party + " \xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7 " +
                            smile + " \xE8\xAA\x95\xE7\x94\x9F\xE6\x97\xA5 " + coffee;
  const TextScene scene(faceOf(kLobster), mixed);
  ASSERT_TRUE(scene.ok());
  for (const auto& line : scene.glyphLines())
    for (const TextScene::SetGlyph& g : line) EXPECT_NE(g.glyph, 0u) << g.fontFile;
  for (const std::string& emoji : {party, smile, coffee}) {
    SCOPED_TRACE(emoji);
    const TextScene alone(faceOf(kLobster), emoji);
    ASSERT_TRUE(alone.ok());
    const auto lines = alone.glyphLines();
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0].size(), 1u);
    EXPECT_NE(lines[0][0].glyph, 0u);
    EXPECT_NE(lines[0][0].fontFile, kLobster);
    // Ink of its own, in several shapes: a missing glyph draws nothing in
    // some faces and a single box in others.
    double ink = 0;
    for (float v : alone.glyphs().values()) ink += v;
    EXPECT_GT(ink, 0.05 * 80 * 80);
    EXPECT_GE(inkShapes(alone.glyphs()), 2);
  }
}

TEST(TextShapingTest, LinesBreakOnlyAtLineBreaks) {
  const std::string cjk = "\xE6\x97\xA5\xE6\x9C\xAC";
  const std::string arabic = "\xD8\xB3\xD8\xB3";
  for (const std::string& text : {cjk + "\r\n" + arabic, cjk + "\n" + arabic, cjk + "\r" + arabic})
    EXPECT_EQ(TextScene(faceOf(kLobster), text).glyphLines().size(), 2u);
  // No wrapping, however long; tabs and other controls are left out.
  const std::string longLine(400, 'w');
  EXPECT_EQ(TextScene(faceOf(kLobster), longLine + "\t\x01").glyphLines().size(), 1u);
  EXPECT_EQ(TextScene(faceOf(kLobster), longLine + "\t\x01").glyphLines()[0].size(), 400u);
}

}  // namespace
}  // namespace glyphon_styles

namespace glyphon {
namespace {

std::string pluginOf(int kind) { return "libglyphon-style-" + std::to_string(kind) + ".so"; }

std::optional<PluginRendering> renderText(int kind, int32_t font, const std::string& text,
                                          double scale) {
  return renderTextWithPlugin(glyphon_styles::kStylesDir, pluginOf(kind), "20261208", font, text,
                              scale);
}

// The steps between horizontal neighbours, largest first.
std::vector<int> stepsOf(const Bitmap& b) {
  std::vector<int> steps;
  for (int32_t y = 0; y < b.height(); ++y)
    for (int32_t x = 1; x < b.width(); ++x)
      steps.push_back(std::abs(int(redOf(b.pixel(x, y))) - int(redOf(b.pixel(x - 1, y)))));
  std::sort(steps.rbegin(), steps.rend());
  return steps;
}

// The mean of the count largest steps: how sharp the edges are. Edges grow
// with the size, so a rendering three times as large is measured over three
// times as many steps.
double edgeSharpness(const Bitmap& b, size_t count) {
  const std::vector<int> steps = stepsOf(b);
  count = std::min(count, steps.size());
  double sum = 0;
  for (size_t i = 0; i < count; ++i) sum += steps[i];
  return count > 0 ? sum / double(count) : 0.0;
}

// b stretched by factor with bilinear interpolation: what enlarging a
// rendering instead of rendering it again gives.
Bitmap stretched(const Bitmap& b, int factor) {
  Bitmap out(b.width() * factor, b.height() * factor);
  for (int32_t y = 0; y < out.height(); ++y)
    for (int32_t x = 0; x < out.width(); ++x) {
      const double sx = std::clamp((x + 0.5) / factor - 0.5, 0.0, b.width() - 1.0);
      const double sy = std::clamp((y + 0.5) / factor - 0.5, 0.0, b.height() - 1.0);
      const int x0 = int(sx), y0 = int(sy);
      const int x1 = std::min(x0 + 1, b.width() - 1), y1 = std::min(y0 + 1, b.height() - 1);
      const double fx = sx - x0, fy = sy - y0;
      const auto v = [&](int px, int py) { return double(redOf(b.pixel(px, py))); };
      const double top = v(x0, y0) * (1 - fx) + v(x1, y0) * fx;
      const double bottom = v(x0, y1) * (1 - fx) + v(x1, y1) * fx;
      const auto g = uint8_t(std::lround(top * (1 - fy) + bottom * fy));
      out.setPixel(x, y, rgb(g, g, g));
    }
  return out;
}

TEST(SampleStylesTextTest, EveryKindSpeaksTheTextContract) {
  for (int kind : {10001, 10002, 10003}) {
    EXPECT_EQ(pluginContract(glyphon_styles::kStylesDir, pluginOf(kind)), PluginContract::Text);
    // For ASCII at scale 1 both exports draw the same pixels.
    const std::optional<PluginRendering> text = renderText(kind, 2, "Abc 2026", 1.0);
    const std::optional<Bitmap> ascii =
        renderWithPlugin(glyphon_styles::kStylesDir, pluginOf(kind), "20261208", 2, "Abc 2026");
    ASSERT_TRUE(text.has_value() && ascii.has_value());
    EXPECT_EQ(text->bitmap, *ascii);
    // The original export draws ASCII only, whatever it is handed.
    EXPECT_EQ(renderWithPlugin(glyphon_styles::kStylesDir, pluginOf(kind), "0", 2,
                               "Abc \xE6\x97\xA5\xD8\xB3 2026"),
              renderWithPlugin(glyphon_styles::kStylesDir, pluginOf(kind), "0", 2, "Abc  2026"));
  }
}

TEST(SampleStylesTextTest, ThreeTimesTheScaleIsAFreshRenderingThreeTimesAsLarge) {
  for (int kind : {10001, 10002, 10003})
    for (int32_t font : {0, 2, 4}) {
      SCOPED_TRACE(std::to_string(kind) + "/" + std::to_string(font));
      const std::optional<PluginRendering> one = renderText(kind, font, "Sharp \xE6\x97\xA5", 1.0);
      const std::optional<PluginRendering> three =
          renderText(kind, font, "Sharp \xE6\x97\xA5", 3.0);
      ASSERT_TRUE(one.has_value() && three.has_value());
      EXPECT_EQ(three->scale, 3.0);
      EXPECT_NEAR(three->bitmap.width(), 3.0 * one->bitmap.width(), 0.06 * 3 * one->bitmap.width());
      EXPECT_NEAR(three->bitmap.height(), 3.0 * one->bitmap.height(),
                  0.06 * 3 * one->bitmap.height());
      // A stretch softens every edge to about a third of its step; a fresh
      // rendering keeps them about as sharp as at the natural size.
      const size_t edges = std::max<size_t>(1, stepsOf(one->bitmap).size() / 100);
      const double natural = edgeSharpness(one->bitmap, edges);
      EXPECT_GT(edgeSharpness(three->bitmap, 3 * edges), 0.8 * natural);
      EXPECT_LT(edgeSharpness(stretched(one->bitmap, 3), 3 * edges), 0.6 * natural);
    }
}

}  // namespace
}  // namespace glyphon
