#include "engine/documents/ProjectThumbnail.h"

#include <utility>

#include "engine/core/Error.h"
#include "engine/core/Queue.h"
#include "engine/core/ShrinkToFit.h"
#include "engine/documents/PictureExport.h"

namespace glyphon {

Bitmap projectThumbnail(ProjectData project, int32_t maxSide) {
  // The items are drawn straight onto the stored backdrop, which is ours to
  // change: no copy of a full-size canvas is made.
  Bitmap canvas = std::move(project.Backdrop);
  for (const auto& item : project.Items) TQueueData::DrawItem(item.get(), canvas);
  return shrinkToFit(canvas, maxSide, maxSide);
}

void writeProjectThumbnail(const std::string& projectPath, int32_t maxSide,
                           const std::string& outputPath) {
  if (maxSide <= 0) throw Error("a thumbnail size must be a positive number of pixels");
  // As projectThumbnail, with each item drawn as soon as it is read and its
  // rendering let go: the renderings are never all in memory at once.
  Bitmap canvas;
  streamProjectFile(
      projectPath, [&canvas](CanvasSettings, Bitmap backdrop) { canvas = std::move(backdrop); },
      [&canvas](std::unique_ptr<TTextItem> item) { TQueueData::DrawItem(item.get(), canvas); });
  writePictureFile(outputPath, shrinkToFit(canvas, maxSide, maxSide), PictureFormat::Png);
}

}  // namespace glyphon
