// Items the composition and undo tests build: noise renderings, in which
// every stretch, tint and blend shows.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "engine/core/Bitmap.h"
#include "engine/core/Composition.h"
#include "engine/core/Geometry.h"
#include "engine/core/TextItem.h"

namespace glyphon::testing {

inline Bitmap noise(int32_t w, int32_t h, unsigned seed) {
  std::mt19937 rng(seed);
  Bitmap b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (size_t i = 0; i < b.stride(); ++i) b.row(y)[i] = uint8_t(rng());
  return b;
}

// An item at r with a 13 x 7 noise rendering; the seed also makes its
// colour and text.
inline std::unique_ptr<TTextItem> textItem(Rect r, unsigned seed, int32_t opacity = 100) {
  auto item = std::make_unique<TTextItem>();
  item->Rect = r;
  item->Color = rgb(uint8_t(seed * 40), 120, 200);
  item->Opacity = opacity;
  item->Text = "item " + std::to_string(seed);
  item->Bitmap = std::make_shared<const Bitmap>(noise(13, 7, seed));
  return item;
}

// A listener that keeps a copy of the canvas the way a view does: whole
// when it is replaced, by the reported rectangles otherwise. A copy that
// differs from the canvas shows a change nobody was told of.
struct CanvasMirror : CompositionListener {
  explicit CanvasMirror(const Composition& c) : composition(c) {}
  void canvasChanged(const Rect& r) override {
    bitBlt(shown, r.Left, r.Top, r.width(), r.height(), composition.CanvasBitmap(), r.Left, r.Top);
  }
  void canvasReplaced() override { shown = composition.CanvasBitmap(); }
  void modifiedChanged(bool) override {}
  const Composition& composition;
  Bitmap shown;
};

}  // namespace glyphon::testing
