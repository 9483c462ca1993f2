// A composition as it stood at one moment, held apart from it so that
// another thread can write it as a project file while the editing goes on.
#pragma once

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/Bitmap.h"
#include "engine/core/Composition.h"
#include "engine/core/TextItem.h"
#include "engine/documents/CanvasSettings.h"

namespace glyphon {

struct ProjectSnapshot {
  CanvasSettings Settings;
  // Shared with the composition, which never changes a backdrop in place.
  std::shared_ptr<const Bitmap> Backdrop;
  // Copies of the items, bottom to top, sharing their immutable renderings.
  std::vector<std::unique_ptr<TTextItem>> Items;
  // The project file the composition belongs to; empty before its first save.
  std::string ProjectPath;
  // When the snapshot was taken.
  std::time_t TakenAt = 0;
};

// A snapshot of composition with the settings and project path it goes
// with. It copies no pixels: the cost is one small copy per item.
[[nodiscard]] ProjectSnapshot takeSnapshot(const Composition& composition,
                                           const CanvasSettings& settings, std::string projectPath);

}  // namespace glyphon
