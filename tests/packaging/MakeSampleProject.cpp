// Writes a sample project for the checks of the package: the default
// picture as backdrop and one text item per sample style kind, each item's
// rendering being the kind's first preview sample, which its plug-in drew
// during the build.
//
//   make-sample-project OUT.gyf STYLE_FOLDER DEFAULT_PICTURE
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/RenderedItem.h"
#include "engine/documents/JpegCodec.h"
#include "engine/documents/ProjectFile.h"
#include "engine/documents/StylePicture.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: make-sample-project OUT.gyf STYLE_FOLDER DEFAULT_PICTURE\n", stderr);
    return 2;
  }
  try {
    const std::string folder = argv[2];
    std::vector<std::unique_ptr<glyphon::TTextItem>> items;
    const glyphon::Color colours[] = {glyphon::rgb(214, 48, 86), glyphon::rgb(36, 112, 214),
                                      glyphon::rgb(232, 140, 20)};
    for (int32_t n = 0; n < 3; ++n) {
      const int32_t kind = 10001 + n;
      glyphon::ItemChoice choice;
      choice.X0 = 40 + 300 * n;
      choice.Y0 = 60 + 200 * n;
      choice.StyleKind = kind;
      choice.SizeIndex = 9;
      choice.Color = colours[n];
      choice.Text = "Glyphon";
      items.push_back(glyphon::makeRenderedItem(
          glyphon::loadStylePicture(folder + "/" + std::to_string(kind) + "/1.gph"), choice));
    }
    // The default settings: the default picture, at its own size.
    glyphon::saveProjectFile(argv[1], glyphon::CanvasSettings{}, glyphon::loadJpegFile(argv[3]),
                             items);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make-sample-project: %s\n", e.what());
    return 1;
  }
  return 0;
}
