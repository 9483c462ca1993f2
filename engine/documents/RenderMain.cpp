// glyphon-render: renders a project file to a JPEG, BMP, PNG or WebP picture
// with no display, as Open Project followed by Save Picture would in the
// editor.
//
//   glyphon-render [--backdrop PICTURE] PROJECT.gyf OUTPUT.jpg|.bmp|.png|.webp
//
// Exit status 0 on success, 1 when the picture could not be made (nothing is
// written then), 2 for a wrong command line.
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/Error.h"
#include "engine/documents/ProjectRender.h"

namespace {

constexpr const char* kUsage =
    "usage: glyphon-render [--backdrop PICTURE] PROJECT.gyf OUTPUT.jpg|.bmp|.png|.webp\n"
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
    "  -h, --help          show this text\n";

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
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (options && (arg == "-h" || arg == "--help")) {
      std::fputs(kUsage, stdout);
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
    } else if (options && arg.size() > 1 && arg.front() == '-') {
      return usageError("unknown option " + std::string(arg));
    } else {
      operands.emplace_back(arg);
    }
  }
  if (operands.size() != 2) return usageError("give one project file and one output picture");
  if (backdropGiven && request.BackdropPath.empty())
    return usageError("--backdrop needs a picture");
  request.ProjectPath = operands[0];
  request.OutputPath = operands[1];
  request.DefaultPicture =
      glyphon::defaultPictureIn(glyphon::programDataFolderFor(glyphon::executableFolder()));

  try {
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
