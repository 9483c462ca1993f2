#include "engine/documents/ProjectRender.h"

#include <exception>
#include <filesystem>
#include <optional>
#include <utility>

#include "engine/core/Error.h"
#include "engine/core/Queue.h"
#include "engine/documents/Canvas.h"
#include "engine/documents/PictureExport.h"
#include "engine/documents/PictureLoader.h"
#include "engine/documents/ProjectFile.h"

namespace glyphon {

namespace {

namespace fs = std::filesystem;

bool isFile(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec) && !fs::is_directory(path, ec);
}

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

std::string sizeText(int32_t width, int32_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

// Loads a picture of any accepted format, its transparent pixels composed
// over background. Throws Error saying which picture and what is wrong
// with it.
Bitmap loadNamedPicture(const std::string& path, Color background) {
  if (!isFile(path)) throw Error("the picture " + quoted(path) + " does not exist");
  if (!pictureFormatOfName(path))
    throw Error("the picture " + quoted(path) + " is not a picture file: its name must end in " +
                acceptedPictureExtensions());
  std::optional<Bitmap> picture;
  try {
    picture = std::move(loadPicture(path, background).picture);
  } catch (const Error& e) {
    // The loader's sentence starts with the file's name, which this one
    // already gives with its folder.
    std::string what = e.what();
    const std::string named = "'" + path.substr(path.find_last_of('/') + 1) + "': ";
    if (what.starts_with(named)) what.erase(0, named.size());
    throw Error("the picture " + quoted(path) + " cannot be read: " + what);
  }
  // Gone since it was looked for.
  if (!picture) throw Error("the picture " + quoted(path) + " does not exist");
  return std::move(*picture);
}

}  // namespace

CanvasDecision decideCanvasSize(const CanvasSettings& settings, const std::string& defaultPicture) {
  CanvasDecision decision;
  try {
    const Bitmap picture = loadNamedPicture(
        settings.DefaultBKPic ? defaultPicture : settings.BKPicPath, settings.Color);
    const int32_t width = settings.SameAsBKPic ? picture.width() : settings.Width;
    const int32_t height = settings.SameAsBKPic ? picture.height() : settings.Height;
    checkCanvasSize(width, height);
    decision.Width = width;
    decision.Height = height;
  } catch (const Error& e) {
    decision.Problem = e.what();
  }
  return decision;
}

Bitmap openedBackdrop(Bitmap stored, int32_t canvasWidth, int32_t canvasHeight) {
  if (canvasWidth <= 0 || canvasHeight <= 0) return stored;
  return stretchPicture(std::move(stored), canvasWidth, canvasHeight);
}

Bitmap composeCanvas(Bitmap backdrop, std::span<const std::unique_ptr<TTextItem>> items) {
  Bitmap canvas = std::move(backdrop);
  for (const auto& item : items) TQueueData::DrawItem(item.get(), canvas);
  return canvas;
}

std::string executableFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.parent_path().string();
}

std::string programDataFolderFor(const std::string& executableFolder) {
  // A build tree keeps the data beside the executable.
  if (isFile(defaultPictureIn(executableFolder))) return executableFolder;
  const fs::path installed =
      (fs::path(executableFolder) / ".." / "share" / "glyphon-editor").lexically_normal();
  std::error_code ec;
  if (fs::is_directory(installed, ec)) {
    std::string folder = installed.string();
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
  }
  return executableFolder;
}

std::string defaultPictureIn(const std::string& dataFolder) {
  return dataFolder + "/pic/default.jpg";
}

std::vector<std::string> renderProjectFile(const RenderRequest& request) {
  const std::optional<PictureFormat> format = writtenFormatOfName(request.OutputPath);
  if (!format)
    throw Error("the output " + quoted(request.OutputPath) +
                " must end in .jpg, .jpeg (JPEG), .bmp (BMP), .png (PNG) or .webp (WebP)");
  // Each item is drawn as soon as it is read and its rendering let go, so a
  // project of many items never holds all its renderings at once. A damaged
  // file still wins over every other failure, as when the whole file was
  // read first: a failure of the canvas (a --backdrop picture that cannot
  // be read, ...) is kept until the rest of the file has been checked.
  std::vector<std::string> warnings;
  std::optional<Bitmap> canvas;
  std::exception_ptr failure;
  streamProjectFile(
      request.ProjectPath,
      [&](CanvasSettings settings, Bitmap stored) {
        try {
          const CanvasDecision decision = decideCanvasSize(settings, request.DefaultPicture);
          if (!decision.Problem.empty())
            warnings.push_back(decision.Problem +
                               "; the backdrop keeps the size it was saved with (" +
                               sizeText(stored.width(), stored.height()) + ")");
          Bitmap backdrop = openedBackdrop(std::move(stored), decision.Width, decision.Height);
          if (!request.BackdropPath.empty())
            backdrop = stretchPicture(loadNamedPicture(request.BackdropPath, settings.Color),
                                      backdrop.width(), backdrop.height());
          canvas = std::move(backdrop);
        } catch (...) {
          failure = std::current_exception();
        }
      },
      [&](std::unique_ptr<TTextItem> item) {
        if (canvas) TQueueData::DrawItem(item.get(), *canvas);
      });
  if (failure) std::rethrow_exception(failure);
  writePictureFile(request.OutputPath, *canvas, *format);
  return warnings;
}

Bitmap loadReplacementBackdrop(const std::string& path, Color background, int32_t width,
                               int32_t height) {
  return stretchPicture(loadNamedPicture(path, background), width, height);
}

}  // namespace glyphon
