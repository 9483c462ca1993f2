// Opening a project and rendering its picture without a window: the steps
// Open Project and Save Picture take, in engine terms, for the editor and
// for the command-line renderer alike.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/core/Bitmap.h"
#include "engine/core/TextItem.h"
#include "engine/documents/CanvasSettings.h"

namespace glyphon {

// The canvas size New makes from settings, or why it makes none.
struct CanvasDecision {
  int32_t Width = 0;
  int32_t Height = 0;
  // Empty when a canvas can be made; else what stops New (the picture is
  // missing, has another extension, cannot be read, or the size is not
  // possible), with Width and Height 0.
  std::string Problem;
};

// What New decides from settings: the picture it loads is defaultPicture
// while DefaultBKPic is set, else BKPicPath; the canvas takes that
// picture's size while SameAsBKPic is set, else Width x Height.
[[nodiscard]] CanvasDecision decideCanvasSize(const CanvasSettings& settings,
                                              const std::string& defaultPicture);

// The backdrop of an opened project: the stored backdrop stretched by
// nearest pixel to the canvas New made, or kept at the size it was saved
// with when New made none (canvasWidth or canvasHeight 0).
[[nodiscard]] Bitmap openedBackdrop(Bitmap stored, int32_t canvasWidth, int32_t canvasHeight);

// The canvas of a composition: backdrop with every item (bottom to top)
// composited over it, as the editor shows it without selection handles.
// A backdrop handed over (moved) becomes the canvas itself.
[[nodiscard]] Bitmap composeCanvas(Bitmap backdrop,
                                   std::span<const std::unique_ptr<TTextItem>> items);

// The folder of the running executable, from /proc/self/exe; empty when it
// cannot be read.
[[nodiscard]] std::string executableFolder();

// The program's data folder for an executable in executableFolder: that
// folder itself in a build tree (it holds pic/default.jpg), else
// <prefix>/share/glyphon-editor for an executable in <prefix>/bin when that
// folder exists, else the executable's folder. No trailing separator.
[[nodiscard]] std::string programDataFolderFor(const std::string& executableFolder);

// The default backdrop picture in a data folder.
[[nodiscard]] std::string defaultPictureIn(const std::string& dataFolder);

// The picture at path, of any accepted format, its transparent pixels composed over background
// and stretched to width x height, as --backdrop and Import Backdrop take it. Throws Error
// saying which picture and what is wrong with it.
[[nodiscard]] Bitmap loadReplacementBackdrop(const std::string& path, Color background,
                                             int32_t width, int32_t height);

struct RenderRequest {
  std::string ProjectPath;
  std::string OutputPath;  // its extension (.jpg, .jpeg or .bmp) chooses the format
  // A picture that replaces the project's backdrop, stretched to the
  // canvas as Import Backdrop does, its transparent pixels composed over
  // the project's canvas colour; empty for none.
  std::string BackdropPath;
  std::string DefaultPicture;  // the picture New uses while DefaultBKPic is set
};

// Opens the project, makes its canvas as Open Project does, composites the
// items and writes the picture. Returns the warnings a user should read
// (New could not make a canvas, so the stored backdrop keeps its saved
// size). Throws Error on every failure, before anything is written.
[[nodiscard]] std::vector<std::string> renderProjectFile(const RenderRequest& request);

}  // namespace glyphon
