// glyphon-gph: makes and reads style pictures (".gph").
//
//   glyphon-gph pack PICTURE OUT.gph
//       packs a BMP or JPEG (JFIF) file into a style picture
//   glyphon-gph unpack IN.gph OUT.bmp
//       decodes a style picture and writes it as a 24-bit BMP file
//   glyphon-gph style-pictures STYLE_FOLDER PLUGIN_FILE KIND_ID
//       runs the plug-in STYLE_FOLDER/PLUGIN_FILE and writes the ten pictures
//       of its kind: STYLE_FOLDER/KIND_ID/desc1..5.gph and 1..5.gph
//   glyphon-gph render STYLE_FOLDER PLUGIN_FILE STYLE_FONT TEXT OUT.bmp [RRGGBB [SCALE]]
//       renders TEXT (any UTF-8; "\n" breaks the line) with the plug-in and
//       writes it as the editor shows it at full size, in the colour RRGGBB
//       (hex), on a light backdrop. A plug-in with the text export draws the
//       whole text at SCALE times its natural size (default 1); one with only
//       the original export draws its ASCII at the natural size, and the tool
//       names on stderr what it could not draw
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/Bitmap.h"
#include "engine/core/Compositor.h"
#include "engine/core/Error.h"
#include "engine/core/FileIO.h"
#include "engine/core/PluginHost.h"
#include "engine/core/ShrinkToFit.h"
#include "engine/core/TextItem.h"
#include "engine/core/TextRules.h"
#include "engine/documents/BmpCodec.h"
#include "engine/documents/StylePicture.h"
#include "engine/shell/ProgramInfo.h"
#include "glyphon/style_plugin.h"

namespace glyphon {
namespace {

// The toolbar pictures and the samples.
constexpr int32_t kToolbarWidth = 90, kToolbarHeight = 70;
constexpr int32_t kSampleWidth = 320, kSampleHeight = 170;
// Room left free around the text in each.
constexpr int32_t kToolbarMargin = 4, kSampleMargin = 12;
const char* const kToolbarText = "Abc";
const char* const kSampleText = "Glyphon";
// The date digits handed to the plug-ins; the samples must not change with
// the day they were made.
const char* const kDateDigits = "20260101";

// Each style font's toolbar picture shows its look in a colour of its own.
constexpr std::array<Color, 5> kToolbarColors{
    rgb(214, 48, 86), rgb(36, 112, 214), rgb(232, 140, 20), rgb(26, 150, 90), rgb(140, 60, 196)};

constexpr const char* kUsage =
    "usage: glyphon-gph pack PICTURE OUT.gph\n"
    "       glyphon-gph unpack IN.gph OUT.bmp\n"
    "       glyphon-gph style-pictures STYLE_FOLDER PLUGIN_FILE KIND_ID\n"
    "       glyphon-gph render STYLE_FOLDER PLUGIN_FILE STYLE_FONT TEXT OUT.bmp [RRGGBB [SCALE]]\n";

constexpr const char* kHelp =
    "\n"
    "Makes and reads the style pictures (.gph) of Glyphon Editor's style kinds.\n"
    "\n"
    "  pack PICTURE OUT.gph       pack a BMP or JPEG (JFIF) file into a style picture\n"
    "  unpack IN.gph OUT.bmp      decode a style picture into a 24-bit BMP file\n"
    "  style-pictures STYLE_FOLDER PLUGIN_FILE KIND_ID\n"
    "                             run the plug-in STYLE_FOLDER/PLUGIN_FILE and write\n"
    "                             the ten pictures of its kind, desc1..5.gph and\n"
    "                             1..5.gph, into STYLE_FOLDER/KIND_ID\n"
    "  render STYLE_FOLDER PLUGIN_FILE STYLE_FONT TEXT OUT.bmp [RRGGBB [SCALE]]\n"
    "                             render TEXT (\"\\n\" breaks the line) with the\n"
    "                             plug-in as the editor shows it at full size, in the\n"
    "                             colour RRGGBB (default 68FF77) on a light backdrop,\n"
    "                             at SCALE times its natural size (default 1)\n"
    "  -h, --help                 show this text and exit\n"
    "  --version                  show the version and exit\n"
    "\n"
    "Exit status: 0 on success, 1 on failure, 2 for a wrong command line.\n";

[[noreturn]] void usage() {
  std::fputs(kUsage, stderr);
  std::exit(2);
}

Bitmap render(const std::string& folder, const std::string& plugin, int32_t styleFont,
              const std::string& text) {
  std::optional<Bitmap> rendering = renderWithPlugin(folder, plugin, kDateDigits, styleFont, text);
  if (!rendering)
    throw Error("The style plug-in \"" + folder + "/" + plugin +
                "\" does not load or has no render export");
  if (rendering->isEmpty())
    throw Error("The style plug-in \"" + folder + "/" + plugin + "\" drew nothing for \"" + text +
                "\" in style font " + std::to_string(styleFont));
  return std::move(*rendering);
}

// picture placed in the middle of a width x height picture of background.
Bitmap centred(const Bitmap& picture, int32_t width, int32_t height, const Bitmap& background) {
  Bitmap out = background;
  bitBlt(out, (width - picture.width()) / 2, (height - picture.height()) / 2, picture.width(),
         picture.height(), picture, 0, 0);
  return out;
}

// A light backdrop, a little darker toward the bottom.
Bitmap lightBackdrop(int32_t width, int32_t height) {
  Bitmap out(width, height);
  for (int32_t y = 0; y < height; ++y) {
    const double f = height > 1 ? double(y) / (height - 1) : 0.0;
    const auto level = [f](int top, int bottom) { return uint8_t(top + (bottom - top) * f + 0.5); };
    fillRect(out, {0, y, width, y + 1}, rgb(level(252, 222), level(252, 226), level(253, 236)));
  }
  return out;
}

// The rendering blended onto backdrop at (x, y), full size, as the editor
// composites an item.
void drawRendering(Bitmap& backdrop, const Bitmap& rendering, int32_t x, int32_t y, Color color) {
  TTextItem item;
  item.Rect = {x, y, x + rendering.width(), y + rendering.height()};
  item.Color = color;
  item.Bitmap = std::make_shared<const Bitmap>(rendering);
  DrawItem(item, backdrop);
}

void stylePictures(const std::string& folder, const std::string& plugin, const std::string& id) {
  const std::filesystem::path kindFolder = std::filesystem::path(folder) / id;
  std::filesystem::create_directories(kindFolder);
  for (int32_t font = 0; font < 5; ++font) {
    const std::string number = std::to_string(font + 1);
    // The sample: drawn like a rendering, grey on black, for the editor to
    // tint. BMP keeps its greys exact.
    const Bitmap sample =
        shrinkToFit(render(folder, plugin, font, kSampleText), kSampleWidth - 2 * kSampleMargin,
                    kSampleHeight - 2 * kSampleMargin);
    saveStylePicture(
        (kindFolder / (number + ".gph")).string(),
        centred(sample, kSampleWidth, kSampleHeight, Bitmap(kSampleWidth, kSampleHeight)),
        PictureFormat::Bmp);
    // The toolbar picture: the look in colour, as it turns out on a picture.
    const Bitmap small =
        shrinkToFit(render(folder, plugin, font, kToolbarText), kToolbarWidth - 2 * kToolbarMargin,
                    kToolbarHeight - 2 * kToolbarMargin);
    Bitmap toolbar = lightBackdrop(kToolbarWidth, kToolbarHeight);
    drawRendering(toolbar, small, (kToolbarWidth - small.width()) / 2,
                  (kToolbarHeight - small.height()) / 2, kToolbarColors[size_t(font)]);
    saveStylePicture((kindFolder / ("desc" + number + ".gph")).string(), toolbar,
                     PictureFormat::Jpeg);
  }
}

// "\n" in an argument stands for a line break.
std::string textArgument(std::string text) {
  for (size_t at = text.find("\\n"); at != std::string::npos; at = text.find("\\n", at + 2))
    text.replace(at, 2, "\r\n");
  return text;
}

Color parseColor(const std::string& hex) {
  char* end = nullptr;
  const unsigned long value = std::strtoul(hex.c_str(), &end, 16);
  if (hex.size() != 6 || *end != '\0') throw Error("A colour is six hex digits, RRGGBB: " + hex);
  return rgb(uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value));
}

double parseScale(const std::string& text) {
  char* end = nullptr;
  const double scale = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(scale >= GLYPHON_TEXT_SCALE_MIN) ||
      !(scale <= GLYPHON_TEXT_SCALE_MAX))
    throw Error("A scale is a number from " + std::to_string(GLYPHON_TEXT_SCALE_MIN) + " to " +
                std::to_string(GLYPHON_TEXT_SCALE_MAX) + ": " + text);
  return scale;
}

// Renders text as Add does: through the text export where the plug-in has
// it, else the ASCII of the text through the original one.
Bitmap renderText(const std::string& folder, const std::string& plugin, int32_t styleFont,
                  const std::string& text, double scale) {
  std::optional<PluginRendering> rendering =
      renderTextWithPlugin(folder, plugin, kDateDigits, styleFont, text, scale);
  if (!rendering)
    throw Error("The style plug-in \"" + folder + "/" + plugin +
                "\" does not load or has no render export");
  if (rendering->contract == PluginContract::Ascii) {
    if (const std::string lost = charactersFilteredOut(text); !lost.empty())
      std::fprintf(stderr, "glyphon-gph: the plug-in draws ASCII only; left out: %s\n",
                   lost.c_str());
    if (scale != 1.0)
      std::fputs("glyphon-gph: the plug-in has no text export; drawn at its natural size\n",
                 stderr);
  }
  if (rendering->bitmap.isEmpty())
    throw Error("The style plug-in \"" + folder + "/" + plugin + "\" drew nothing for \"" + text +
                "\" in style font " + std::to_string(styleFont));
  return std::move(rendering->bitmap);
}

void renderToFile(const std::string& folder, const std::string& plugin, const std::string& font,
                  const std::string& text, const std::string& out, Color color, double scale) {
  const Bitmap rendering = renderText(folder, plugin, std::stoi(font), textArgument(text), scale);
  constexpr int32_t kBorder = 24;
  Bitmap picture = lightBackdrop(rendering.width() + 2 * kBorder, rendering.height() + 2 * kBorder);
  drawRendering(picture, rendering, kBorder, kBorder, color);
  saveBmpFile(out, picture);
}

int run(const std::vector<std::string>& args) {
  if (args.empty()) usage();
  const std::string& command = args[0];
  if ((command == "-h" || command == "--help") && args.size() == 1) {
    std::fputs(kUsage, stdout);
    std::fputs(kHelp, stdout);
    std::fputs(helpFooter().c_str(), stdout);
  } else if (command == "--version" && args.size() == 1) {
    std::fputs(versionText("glyphon-gph").c_str(), stdout);
  } else if (command == "pack" && args.size() == 3) {
    writeWholeFile(args[2], packStylePicture(readWholeFile(args[1])));
  } else if (command == "unpack" && args.size() == 3) {
    saveBmpFile(args[2], loadStylePicture(args[1]));
  } else if (command == "style-pictures" && args.size() == 4) {
    stylePictures(args[1], args[2], args[3]);
  } else if (command == "render" && args.size() >= 6 && args.size() <= 8) {
    renderToFile(args[1], args[2], args[3], args[4], args[5],
                 args.size() >= 7 ? parseColor(args[6]) : rgb(104, 255, 119),
                 args.size() == 8 ? parseScale(args[7]) : 1.0);
  } else {
    usage();
  }
  return 0;
}

}  // namespace
}  // namespace glyphon

int main(int argc, char** argv) {
  try {
    return glyphon::run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "glyphon-gph: %s\n", e.what());
    return 1;
  }
}
