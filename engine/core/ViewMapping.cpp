#include "engine/core/ViewMapping.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "engine/core/Arith.h"

namespace glyphon {
namespace {

// The zoom steps of the menu, in ascending order.
constexpr std::array<double, 17> kZoomSteps{0.05, 0.10,      0.15, 0.20, 0.25, 0.5 / 1.5,
                                            0.50, 2.0 / 3.0, 1.0,  1.5,  2.0,  3.0,
                                            4.0,  6.0,       8.0,  12.0, 16.0};
// Zooms this close to a step count as that step (wheel zooms land near them).
constexpr double kStepTolerance = 1e-6;

// a / b rounded toward minus infinity (b > 0). Products of picture and canvas
// sides stay far inside 64 bits: sides are below 2^31 and zooms at most 16.
__extension__ typedef __int128 Int128;
int64_t floorDiv(Int128 a, int64_t b) {
  Int128 q = a / b;
  if (a % b != 0 && a < 0) --q;
  return int64_t(q);
}
int64_t ceilDiv(Int128 a, int64_t b) { return -floorDiv(-a, b); }

}  // namespace

ScreenLayout layoutScreen(int64_t scaledWidth, int64_t scaledHeight, int64_t clientWidth,
                          int64_t clientHeight, int64_t scrollBarExtent) {
  if (scaledWidth <= 0 || scaledHeight <= 0) return {};
  const int64_t iw = std::max(scaledWidth, clientWidth - scrollBarExtent);
  const int64_t ih = std::max(scaledHeight, clientHeight - scrollBarExtent);
  // The picture is never smaller than the canvas, so these need no clamping.
  return {saturateToInt32(iw), saturateToInt32(ih),
          Rect{saturateToInt32((iw - scaledWidth) / 2), saturateToInt32((ih - scaledHeight) / 2),
               saturateToInt32((scaledWidth + iw) / 2), saturateToInt32((scaledHeight + ih) / 2)}};
}

double clampZoom(double zoom) {
  if (std::isnan(zoom)) return 1.0;
  return std::clamp(zoom, kMinZoom, kMaxZoom);
}

int64_t scaledSide(int32_t side, double zoom) {
  if (side <= 0) return 0;
  return std::max<int64_t>(1, std::llround(double(side) * zoom));
}

double zoomInStep(double zoom) {
  for (const double step : kZoomSteps)
    if (step > zoom * (1 + kStepTolerance)) return step;
  return kZoomSteps.back();
}

double zoomOutStep(double zoom) {
  for (auto it = kZoomSteps.rbegin(); it != kZoomSteps.rend(); ++it)
    if (*it < zoom * (1 - kStepTolerance)) return *it;
  return kZoomSteps.front();
}

double fitZoom(int32_t canvasWidth, int32_t canvasHeight, int64_t availableWidth,
               int64_t availableHeight) {
  if (canvasWidth <= 0 || canvasHeight <= 0) return 1.0;
  const double zoom = std::min(double(std::max<int64_t>(availableWidth, 1)) / canvasWidth,
                               double(std::max<int64_t>(availableHeight, 1)) / canvasHeight);
  double fitted = clampZoom(zoom);
  // Rounding the scaled sides must not make them overflow the space.
  while (fitted > kMinZoom && (scaledSide(canvasWidth, fitted) > availableWidth ||
                               scaledSide(canvasHeight, fitted) > availableHeight))
    fitted = std::max(kMinZoom, std::nextafter(fitted, 0.0) * (1 - 1e-9));
  return fitted;
}

ViewMapping::ViewMapping(int32_t canvasWidth, int32_t canvasHeight, const Rect& placement)
    : m_canvasWidth(canvasWidth), m_canvasHeight(canvasHeight), m_placement(placement) {}

bool ViewMapping::isActualSize() const {
  return m_placement.width() == m_canvasWidth && m_placement.height() == m_canvasHeight;
}

double ViewMapping::zoom() const {
  return m_canvasWidth > 0 ? double(m_placement.width()) / m_canvasWidth : 1.0;
}

int64_t ViewMapping::toScreenX(int64_t x) const {
  if (m_canvasWidth <= 0) return m_placement.Left + x;
  return m_placement.Left + ceilDiv(Int128(x) * m_placement.width(), m_canvasWidth);
}

int64_t ViewMapping::toScreenY(int64_t y) const {
  if (m_canvasHeight <= 0) return m_placement.Top + y;
  return m_placement.Top + ceilDiv(Int128(y) * m_placement.height(), m_canvasHeight);
}

int64_t ViewMapping::toCanvasX(int64_t X) const {
  if (m_placement.width() <= 0) return X - m_placement.Left;
  return floorDiv(Int128(X - m_placement.Left) * m_canvasWidth, m_placement.width());
}

int64_t ViewMapping::toCanvasY(int64_t Y) const {
  if (m_placement.height() <= 0) return Y - m_placement.Top;
  return floorDiv(Int128(Y - m_placement.Top) * m_canvasHeight, m_placement.height());
}

Rect ViewMapping::toScreen(const Rect& r) const {
  return {saturateToInt32(toScreenX(r.Left)), saturateToInt32(toScreenY(r.Top)),
          saturateToInt32(toScreenX(r.Right)), saturateToInt32(toScreenY(r.Bottom))};
}

Rect ViewMapping::toCanvas(const Rect& r) const {
  if (r.isEmpty()) return {};
  // The right and bottom edges round up: a screen pixel at a zoom below 1
  // shows all the canvas pixels it covers.
  const int64_t right = m_placement.width() <= 0
                            ? int64_t(r.Right) - m_placement.Left
                            : ceilDiv(Int128(int64_t(r.Right) - m_placement.Left) * m_canvasWidth,
                                      m_placement.width());
  const int64_t bottom = m_placement.height() <= 0
                             ? int64_t(r.Bottom) - m_placement.Top
                             : ceilDiv(Int128(int64_t(r.Bottom) - m_placement.Top) * m_canvasHeight,
                                       m_placement.height());
  return {saturateToInt32(toCanvasX(r.Left)), saturateToInt32(toCanvasY(r.Top)),
          saturateToInt32(right), saturateToInt32(bottom)};
}

}  // namespace glyphon
