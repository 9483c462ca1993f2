// glyphon-render: renders a project file to a JPEG, BMP, PNG or WebP picture
// with no display, as Open Project followed by Save Picture would in the
// editor.
//
//   glyphon-render [--backdrop PICTURE] PROJECT.gyf OUTPUT.jpg|.bmp|.png|.webp
//   glyphon-render --text N=TEXT ... [--save-project OUT.gyf] PROJECT.gyf [OUTPUT]
//   glyphon-render --table TEXTS.csv --output 'out/{row}.jpg' PROJECT.gyf
//   glyphon-render --thumbnail SIZE PROJECT.gyf OUTPUT.png
//
// The last form is the file managers' thumbnailer (share/thumbnailers/).
// The program's main (services/documents/RenderProgram.cpp) hands renderMain
// the style catalogue, which lives in the services layer.
// Exit status 0 on success, 1 when the picture could not be made (nothing is
// written then), 2 for a wrong command line.
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/Error.h"
#include "engine/documents/BatchProgress.h"
#include "engine/documents/BatchRender.h"
#include "engine/documents/BatchTable.h"
#include "engine/documents/Canvas.h"
#include "engine/documents/PictureExport.h"
#include "engine/documents/ProjectFile.h"
#include "engine/documents/ProjectRender.h"
#include "engine/documents/ProjectThumbnail.h"
#include "engine/documents/RenderCommand.h"
#include "engine/shell/ProgramInfo.h"

namespace {

constexpr const char* kUsage =
    "usage: glyphon-render [--backdrop PICTURE] PROJECT.gyf OUTPUT.jpg|.bmp|.png|.webp\n"
    "       glyphon-render --text N=TEXT [--text N=TEXT ...] [--backdrop PICTURE]\n"
    "                      [--save-project OUT.gyf] PROJECT.gyf [OUTPUT.jpg]\n"
    "       glyphon-render --table TEXTS.csv [--output 'out/{row}.jpg'] [--backdrop PICTURE]\n"
    "                      [--keep-going | --stop-on-error] [--part K/N] PROJECT.gyf\n"
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
    "  --text N=TEXT       replace the text of item N (1 is the bottom item) and\n"
    "                      render it afresh with the item's style kind and style\n"
    "                      font, found in the style catalogue, keeping its size,\n"
    "                      colour, opacity, place in the stack and top-left\n"
    "                      corner; may be given several times\n"
    "  --save-project OUT.gyf  also write the composition with the new texts as a\n"
    "                      project (the output picture may then be left out)\n"
    "  --table TEXTS.csv   one picture per row of a CSV file (RFC 4180, UTF-8,\n"
    "                      header row): columns 1, 2, ... give item texts (an\n"
    "                      empty cell keeps the item's), column backdrop the row's\n"
    "                      backdrop (empty: --backdrop or the project's), column\n"
    "                      output the row's picture; other columns are free\n"
    "  --output PATTERN    the picture of a row with no output cell; {row} is the\n"
    "                      row number (1 below the header), {NAME} the row's cell\n"
    "                      in column NAME (a \"/\" in it becomes \"_\")\n"
    "  --keep-going        render the other rows after a bad one (the default)\n"
    "  --stop-on-error     stop at the first bad row\n"
    "  --part K/N          make only rows K, K + N, K + 2N, ... of the table, so\n"
    "                      that N processes or machines share it\n"
    "  --thumbnail SIZE    write a PNG picture of the project as it was saved, at\n"
    "                      most SIZE pixels on its longer side, made from the\n"
    "                      renderings the file stores (no style plug-in runs)\n"
    "  -h, --help          show this text and exit\n"
    "  --version           show the version and exit\n"
    "\n"
    "A table reports its progress on standard error: a bar on a terminal, else one\n"
    "line per picture; a bad row is named by its line in the file.\n"
    "\n"
    "Exit status: 0 when every picture is written, 1 when one cannot be made\n"
    "(nothing is written for it), 2 for a wrong command line.\n";

void report(const std::string& what, const std::string& message) {
  std::fprintf(stderr, "glyphon-render: %s%s\n", what.c_str(), message.c_str());
}

int usageError(const std::string& message) {
  report("", message);
  std::fputs(kUsage, stderr);
  return 2;
}

// A --text value, N=TEXT.
std::optional<glyphon::TextChange> textChangeOf(std::string_view value) {
  const size_t equals = value.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  const std::optional<int32_t> item = glyphon::parseInt32(value.substr(0, equals));
  if (!item) return std::nullopt;
  return glyphon::TextChange{*item, std::string(value.substr(equals + 1))};
}

// The value of option name at argv[i], given as "name VALUE" or "name=VALUE";
// nothing when argv[i] is another option.
std::optional<std::string> optionValue(std::string_view name, int argc, char** argv, int& i,
                                       bool& missing) {
  const std::string_view arg = argv[i];
  if (arg == name) {
    if (i + 1 >= argc) {
      missing = true;
      return std::string();
    }
    return std::string(argv[++i]);
  }
  if (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=')
    return std::string(arg.substr(name.size() + 1));
  return std::nullopt;
}

}  // namespace

int glyphon::renderMain(int argc, char** argv, const StyleResolver& styles) {
  glyphon::RenderRequest request;
  std::vector<glyphon::TextChange> texts;
  std::optional<std::string> saveProject, table, outputPattern;
  bool stopOnError = false;
  std::optional<std::string> part;
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
    bool missing = false;
    if (options && arg == "--") {
      options = false;
    } else if (auto text = options ? optionValue("--text", argc, argv, i, missing) : std::nullopt) {
      if (missing) return usageError("--text needs N=TEXT");
      const std::optional<glyphon::TextChange> change = textChangeOf(*text);
      if (!change) return usageError("--text takes an item number, \"=\" and the text: " + *text);
      texts.push_back(*change);
    } else if (auto path =
                   options ? optionValue("--save-project", argc, argv, i, missing) : std::nullopt) {
      if (missing || path->empty()) return usageError("--save-project needs a project file");
      saveProject = *path;
    } else if (auto csv = options ? optionValue("--table", argc, argv, i, missing) : std::nullopt) {
      if (missing || csv->empty()) return usageError("--table needs a CSV file");
      table = *csv;
    } else if (auto pattern =
                   options ? optionValue("--output", argc, argv, i, missing) : std::nullopt) {
      if (missing || pattern->empty()) return usageError("--output needs a picture name");
      outputPattern = *pattern;
    } else if (auto share =
                   options ? optionValue("--part", argc, argv, i, missing) : std::nullopt) {
      if (missing) return usageError("--part needs K/N");
      part = *share;
    } else if (options && arg == "--keep-going") {
      stopOnError = false;
    } else if (options && arg == "--stop-on-error") {
      stopOnError = true;
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
  if (backdropGiven && request.BackdropPath.empty())
    return usageError("--backdrop needs a picture");
  const bool batch = table || !texts.empty() || saveProject;
  // --part K/N: this process makes rows K, K + N, K + 2N, ...
  int32_t partIndex = 1, partCount = 1;
  if (part) {
    const size_t slash = part->find('/');
    partIndex = glyphon::parseInt32(part->substr(0, slash)).value_or(0);
    partCount =
        slash == std::string::npos ? 0 : glyphon::parseInt32(part->substr(slash + 1)).value_or(0);
    if (!table) return usageError("--part shares the rows of a --table");
    if (partCount < 1 || partIndex < 1 || partIndex > partCount)
      return usageError("--part takes K/N with 1 <= K <= N: " + *part);
  }
  if (table) {
    if (!texts.empty() || saveProject || thumbnailSize)
      return usageError(
          "--table takes its texts from the table: no --text, --save-project or "
          "--thumbnail");
    if (operands.size() != 1) return usageError("give one project file after the table");
  } else if (outputPattern) {
    return usageError("--output names the pictures of a --table");
  } else if (saveProject && operands.size() == 1) {
    operands.emplace_back();
  } else if (operands.size() != 2) {
    return usageError("give one project file and one output picture");
  }
  if (thumbnailSize && batch)
    return usageError("--thumbnail draws the project as saved: no --text or --save-project");
  std::optional<int32_t> maxSide;
  if (thumbnailSize) {
    if (backdropGiven) return usageError("--thumbnail draws the project as saved: no --backdrop");
    maxSide = glyphon::parseInt32(*thumbnailSize);
    if (!maxSide || *maxSide <= 0)
      return usageError("the thumbnail size must be a positive number of pixels: " +
                        *thumbnailSize);
  }
  request.ProjectPath = operands[0];
  if (operands.size() > 1) request.OutputPath = operands[1];

  try {
    if (maxSide) {
      glyphon::writeProjectThumbnail(request.ProjectPath, *maxSide, request.OutputPath);
      return 0;
    }
    request.DefaultPicture =
        glyphon::defaultPictureIn(glyphon::programDataFolderFor(glyphon::executableFolder()));
    if (batch) {
      // Every check that can fail comes before the first file is written.
      std::optional<glyphon::PictureFormat> format;
      if (!table && !request.OutputPath.empty()) {
        format = glyphon::writtenFormatOfName(request.OutputPath);
        if (!format)
          throw glyphon::Error("the output \"" + request.OutputPath +
                               "\" must end in .jpg, .jpeg (JPEG), .bmp (BMP), .png (PNG) or "
                               ".webp (WebP)");
      }
      std::optional<std::vector<glyphon::CsvRecord>> records;
      if (table) records = glyphon::readCsvFile(*table);
      glyphon::BatchRenderer renderer(glyphon::loadProjectFile(request.ProjectPath),
                                      request.DefaultPicture, styles);
      for (const std::string& warning : renderer.warnings()) report("warning: ", warning);
      if (table) {
        std::vector<glyphon::TableRow> rows =
            glyphon::tableRows(*records, outputPattern.value_or(""), renderer.itemCount());
        std::erase_if(rows, [&](const glyphon::TableRow& row) {
          return (row.Row - 1) % partCount != partIndex - 1;
        });
        for (glyphon::TableRow& row : rows)
          if (row.Backdrop.empty()) row.Backdrop = request.BackdropPath;
        glyphon::BatchProgress progress(stderr, rows.size(), isatty(STDERR_FILENO) == 1);
        return glyphon::renderTable(renderer, rows, stopOnError, progress) ? 0 : 1;
      }
      const auto items = renderer.itemsWith(texts);
      if (format)
        glyphon::writePictureFile(request.OutputPath,
                                  renderer.canvasOf(items, request.BackdropPath), *format);
      if (saveProject) renderer.saveProject(*saveProject, items, request.BackdropPath);
      return 0;
    }
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
