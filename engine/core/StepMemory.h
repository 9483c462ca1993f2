// What the steps of an undo history keep alive, so that the history can be
// held to a memory bound by letting go of its oldest steps.
#pragma once

#include <cstddef>
#include <vector>

#include "engine/core/Bitmap.h"
#include "engine/core/TextItem.h"

namespace glyphon {

// What one step owns while it is in the history.
struct StepHoldings {
  // Items the step holds out of the picture (deleted, replaced, or added
  // and undone). Their renderings may be shared with the picture, the
  // clipboard or other steps.
  std::vector<const TTextItem*> items;
  // Bytes of bitmaps only this step owns (a replaced backdrop).
  size_t ownBytes = 0;
};

// The pixel bytes of a bitmap.
[[nodiscard]] size_t bitmapBytes(const Bitmap& bitmap);

// The bytes each step alone keeps alive, oldest step first: its own bytes,
// plus each rendering that nothing outside the history shares, charged to
// the newest step holding it (the rendering goes when that step and every
// older one have gone). Dropping the oldest k steps thus frees exactly the
// sum of their figures. Renderings shared with the picture or the clipboard
// cost the history nothing.
[[nodiscard]] std::vector<size_t> bytesKeptAlive(const std::vector<StepHoldings>& steps);

// How many of the oldest steps must go for the rest to keep at most limit
// bytes alive.
[[nodiscard]] size_t stepsToDrop(const std::vector<StepHoldings>& steps, size_t limit);

}  // namespace glyphon
