#include "engine/core/StepMemory.h"

#include <numeric>
#include <unordered_map>

namespace glyphon {

size_t bitmapBytes(const Bitmap& bitmap) { return bitmap.stride() * size_t(bitmap.height()); }

std::vector<size_t> bytesKeptAlive(const std::vector<StepHoldings>& steps) {
  struct Holders {
    long references = 0;  // shared_ptr copies held by items of the history
    size_t newest = 0;    // the newest step holding one
  };
  std::unordered_map<const Bitmap*, Holders> renderings;
  std::vector<size_t> figures(steps.size());
  for (size_t step = 0; step < steps.size(); ++step) {
    figures[step] = steps[step].ownBytes;
    for (const TTextItem* item : steps[step].items) {
      if (item == nullptr || !item->Bitmap) continue;
      Holders& holders = renderings[item->Bitmap.get()];
      ++holders.references;
      holders.newest = step;
    }
  }
  for (const auto& [rendering, holders] : renderings) {
    // Every holder of the rendering is an item of the history: find one to
    // read the count from.
    long owners = 0;
    for (const TTextItem* item : steps[holders.newest].items)
      if (item != nullptr && item->Bitmap.get() == rendering) owners = item->Bitmap.use_count();
    if (owners == holders.references) figures[holders.newest] += bitmapBytes(*rendering);
  }
  return figures;
}

size_t stepsToDrop(const std::vector<StepHoldings>& steps, size_t limit) {
  const std::vector<size_t> figures = bytesKeptAlive(steps);
  size_t total = std::accumulate(figures.begin(), figures.end(), size_t(0));
  size_t dropped = 0;
  while (dropped < figures.size() && total > limit) total -= figures[dropped++];
  return dropped;
}

}  // namespace glyphon
