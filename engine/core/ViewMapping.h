// The arithmetic of the canvas view: how large the view's picture is and
// where the canvas lies in it at a zoom, the one mapping between pixels of
// that picture and canvas pixels, the zoom steps and the fit. The picture is
// counted in device pixels, so a zoom of 1 shows one canvas pixel per
// device pixel.
#pragma once

#include <cstdint>

#include "engine/core/Geometry.h"

namespace glyphon {

// The zoom range of the view: 5 % to 1600 %.
inline constexpr double kMinZoom = 0.05;
inline constexpr double kMaxZoom = 16.0;

// The view's picture: its size and where the scaled canvas lies in it.
struct ScreenLayout {
  int32_t Width = 0;
  int32_t Height = 0;
  Rect Placement;
  friend bool operator==(const ScreenLayout&, const ScreenLayout&) = default;
};

// The picture for a canvas scaled to scaledWidth x scaledHeight in a view
// of clientWidth x clientHeight whose scroll bars are scrollBarExtent wide:
// at least the scaled canvas, at least the client area less the scroll
// bars, with the canvas centred (differences halved, truncating). An empty
// canvas gives an empty picture.
[[nodiscard]] ScreenLayout layoutScreen(int64_t scaledWidth, int64_t scaledHeight,
                                        int64_t clientWidth, int64_t clientHeight,
                                        int64_t scrollBarExtent);

// zoom held to kMinZoom..kMaxZoom (NaN gives 1).
[[nodiscard]] double clampZoom(double zoom);
// The side of a canvas side of `side` pixels at zoom: rounded to nearest, at
// least 1 for a side that is not empty.
[[nodiscard]] int64_t scaledSide(int32_t side, double zoom);
// The next zoom of the menu steps above zoom, and the next below it (5, 10,
// 15, 20, 25, 33.3, 50, 66.7, 100, 150, 200, 300, 400, 600, 800, 1200 and
// 1600 %); the end of the range stays.
[[nodiscard]] double zoomInStep(double zoom);
[[nodiscard]] double zoomOutStep(double zoom);
// The largest zoom in range at which a canvas of canvasWidth x canvasHeight
// fits availableWidth x availableHeight whole; 1 for an empty canvas.
[[nodiscard]] double fitZoom(int32_t canvasWidth, int32_t canvasHeight, int64_t availableWidth,
                             int64_t availableHeight);

// Maps between canvas pixels and pixels of the view's picture for a canvas
// of canvasWidth x canvasHeight shown scaled into placement. Canvas pixel x
// covers the picture columns from toScreenX(x) up to toScreenX(x + 1); the
// picture column X shows canvas pixel toCanvasX(X). Both hold beyond the
// canvas too (the grey margin, items hanging outside). At a placement as
// large as the canvas both are a plain shift.
class ViewMapping {
 public:
  ViewMapping() = default;
  ViewMapping(int32_t canvasWidth, int32_t canvasHeight, const Rect& placement);

  [[nodiscard]] const Rect& placement() const { return m_placement; }
  [[nodiscard]] int32_t canvasWidth() const { return m_canvasWidth; }
  [[nodiscard]] int32_t canvasHeight() const { return m_canvasHeight; }
  // Whether one canvas pixel is one picture pixel.
  [[nodiscard]] bool isActualSize() const;
  // The horizontal scale, picture pixels per canvas pixel.
  [[nodiscard]] double zoom() const;

  // The first picture column (row) of canvas column x (row y).
  [[nodiscard]] int64_t toScreenX(int64_t x) const;
  [[nodiscard]] int64_t toScreenY(int64_t y) const;
  // The canvas column (row) shown at picture column X (row Y).
  [[nodiscard]] int64_t toCanvasX(int64_t X) const;
  [[nodiscard]] int64_t toCanvasY(int64_t Y) const;
  // The picture pixels that show canvasRect (drawing sense), edges saturated
  // to 32 bits.
  [[nodiscard]] Rect toScreen(const Rect& canvasRect) const;
  // The canvas pixels screenRect shows: every one its pixels cover, in part
  // or whole.
  [[nodiscard]] Rect toCanvas(const Rect& screenRect) const;

 private:
  int32_t m_canvasWidth = 0;
  int32_t m_canvasHeight = 0;
  Rect m_placement;
};

}  // namespace glyphon
