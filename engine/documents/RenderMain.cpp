// glyphon-render: renders a project file to a JPEG, BMP, PNG or WebP picture
// with no display, as Open Project followed by Save Picture would in the
// editor.
//
//   glyphon-render [--backdrop PICTURE] PROJECT.gyf OUTPUT.jpg|.bmp|.png|.webp
//   glyphon-render --thumbnail SIZE PROJECT.gyf OUTPUT.png
//
// The second form is the file managers' thumbnailer (share/thumbnailers/).
// Exit status 0 on success, 1 when the picture could not be made (nothing is
// written then), 2 for a wrong command line.
#include <cstdio>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/Error.h"
#include "engine/documents/Canvas.h"
#include "engine/documents/ProjectRender.h"
#include "engine/documents/ProjectThumbnail.h"
#include "engine/shell/ProgramInfo.h"

namespace {

constexpr const char* kUsage =
    "usage: glyphon-render [--backdrop PICTURE] PROJECT.gyf OUTPUT.jpg|.bmp|.png|.webp\n"
    "       glyphon-render --thumbnail SIZE PROJECT.gyf OUTPUT.png\n"
    "\n"
    "Renders a Glyphon Editor project to a picture, as Open Project followed by\n"
    "Save Picture would. The output's extension chooses the format: .jpg or .jpeg\n"
    "for JPEG (quality 90), .bmp for BMP, .png for PNG (lossless), .webp for WebP\n"
    "(lossy, quality 90).\n"
    "\n"
    "  --backdrop PICTURE  use this picture (BMP, JPEG, PNG, WebP, TIFF, HEIC or\n"
    "                      AVIF) as the backdrop, stretched to the canvas size, in\n"
    "                      place of the project's own; transparent parts show the\n"
    "                      project's canvas colour\n"
    "  --thumbnail SIZE    write a PNG picture of the project as it was saved, at\n"
    "                      most SIZE pixels on its longer side, made from the\n"
    "                      renderings the file stores (no style plug-in runs)\n"
    "  -h, --help          show this text and exit\n"
    "  --version           show the version and exit\n"
    "\n"
    "Exit status: 0 when the picture is written, 1 when it cannot be made\n"
    "(nothing is written then), 2 for a wrong command line.\n";

void report(const std::string& what, const std::string& message) {
  std::fprintf(stderr, "glyphon-render: %s%s\n", what.c_str(), message.c_str());
}

int usageError(const std::string& message) {
  report("", message);
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  glyphon::RenderRequest request;
  std::vector<std::string> operands;
  bool options = true;
  bool backdropGiven = false;
  std::optional<std::string> thumbnailSize;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (options && (arg == "-h" || arg == "--help")) {
      std::fputs(kUsage, stdout);
      std::fputs(glyphon::helpFooter().c_str(), stdout);
      return 0;
    }
    if (options && arg == "--version") {
      std::fputs(glyphon::versionText("glyphon-render").c_str(), stdout);
      return 0;
    }
    if (options && arg == "--") {
      options = false;
    } else if (options && arg == "--backdrop") {
      if (i + 1 >= argc) return usageError("--backdrop needs a picture");
      request.BackdropPath = argv[++i];
      backdropGiven = true;
    } else if (options && arg.starts_with("--backdrop=")) {
      request.BackdropPath = std::string(arg.substr(11));
      backdropGiven = true;
    } else if (options && arg == "--thumbnail") {
      if (i + 1 >= argc) return usageError("--thumbnail needs a size");
      thumbnailSize = argv[++i];
    } else if (options && arg.starts_with("--thumbnail=")) {
      thumbnailSize = std::string(arg.substr(12));
    } else if (options && arg.size() > 1 && arg.front() == '-') {
      return usageError("unknown option " + std::string(arg));
    } else {
      operands.emplace_back(arg);
    }
  }
  if (operands.size() != 2) return usageError("give one project file and one output picture");
  if (backdropGiven && request.BackdropPath.empty())
    return usageError("--backdrop needs a picture");
  std::optional<int32_t> maxSide;
  if (thumbnailSize) {
    if (backdropGiven) return usageError("--thumbnail draws the project as saved: no --backdrop");
    maxSide = glyphon::parseInt32(*thumbnailSize);
    if (!maxSide || *maxSide <= 0)
      return usageError("the thumbnail size must be a positive number of pixels: " +
                        *thumbnailSize);
  }
  request.ProjectPath = operands[0];
  request.OutputPath = operands[1];

  try {
    if (maxSide) {
      glyphon::writeProjectThumbnail(request.ProjectPath, *maxSide, request.OutputPath);
      return 0;
    }
    request.DefaultPicture =
        glyphon::defaultPictureIn(glyphon::programDataFolderFor(glyphon::executableFolder()));
    for (const std::string& warning : glyphon::renderProjectFile(request))
      report("warning: ", warning);
    return 0;
  } catch (const glyphon::Error& e) {
    report("", e.what());
  } catch (const std::bad_alloc&) {
    report("", "out of memory");
  } catch (const std::exception& e) {
    report("", e.what());
  }
  return 1;
}
