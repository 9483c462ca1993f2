// The composition the project and export benchmarks work on: a 4000 x 3000
// canvas with text items of 600 x 200 (100 unless asked otherwise).
#pragma once

#include <memory>
#include <vector>

#include "engine/core/Bitmap.h"
#include "engine/core/TextItem.h"
#include "engine/documents/CanvasSettings.h"

namespace glyphon::bench {

inline constexpr int32_t kSceneWidth = 4000, kSceneHeight = 3000;
inline constexpr int kSceneItems = 100;

struct ProjectScene {
  CanvasSettings Settings;
  // Smooth like a photograph, with a little grain, so that the JPEG encoder
  // meets the kind of picture it is made for.
  Bitmap Backdrop;
  // Renderings like text strokes, scattered over the canvas, bottom to top.
  std::vector<std::unique_ptr<TTextItem>> Items;
};

// A width x height canvas holds the items as well; they need 600 x 200.
[[nodiscard]] ProjectScene makeProjectScene(int items = kSceneItems, int32_t width = kSceneWidth,
                                            int32_t height = kSceneHeight);

}  // namespace glyphon::bench
