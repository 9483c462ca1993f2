#include "engine/documents/ProjectSnapshot.h"

#include <utility>

namespace glyphon {

ProjectSnapshot takeSnapshot(const Composition& composition, const CanvasSettings& settings,
                             std::string projectPath) {
  ProjectSnapshot snapshot;
  snapshot.Settings = settings;
  snapshot.Backdrop = composition.sharedBackdrop();
  snapshot.Items.reserve(composition.Queue().items().size());
  for (const auto& item : composition.Queue().items())
    snapshot.Items.push_back(std::make_unique<TTextItem>(*item));
  snapshot.ProjectPath = std::move(projectPath);
  snapshot.TakenAt = std::time(nullptr);
  return snapshot;
}

}  // namespace glyphon
