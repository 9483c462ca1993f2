#include "windows/mainform/CanvasView.h"

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "engine/core/Arith.h"
#include "engine/core/Queue.h"

namespace glyphon {

namespace {

const QColor kSurroundGrey(128, 128, 128);
const QColor kHandleBrush(233, 29, 23);
const QColor kHandlePen(10, 10, 200);
// Sizes in screen pixels, whatever the zoom.
constexpr int kFrameWidth = 2;
constexpr int kHandleSize = 10;
// One notch of the wheel with Ctrl zooms by this factor.
constexpr double kWheelZoomFactor = 1.25;

QRect toQRect(const Rect& r) { return {r.Left, r.Top, r.width(), r.height()}; }

// A view over the pixels of bitmap, no copy; it must not outlive them.
QImage imageOf(const Bitmap& bitmap) {
  return {bitmap.data(), bitmap.width(), bitmap.height(), qsizetype(bitmap.stride()),
          QImage::Format_BGR888};
}

// A view over the pixels of a level of the chain, no copy; it must not
// outlive the level.
QImage imageOf(const MipChain::Level& level) {
  return {level.Pixels.data(), level.Width, level.Height, qsizetype(level.stride()),
          QImage::Format_RGB32};
}

// The outline pixels of frame (edges included) as four strips `width`
// pixels wide. Edges far outside bounds are clamped to just beyond it,
// which changes no visible pixel and keeps a damaged rectangle within what
// a painter draws.
QRegion outline(const Rect& frame, const QRect& bounds, int width) {
  const auto clampX = [&](int64_t x) {
    return int(std::clamp<int64_t>(x, bounds.left() - 2 * width, int64_t(bounds.right()) + 2));
  };
  const auto clampY = [&](int64_t y) {
    return int(std::clamp<int64_t>(y, bounds.top() - 2 * width, int64_t(bounds.bottom()) + 2));
  };
  const int left = clampX(std::min(frame.Left, frame.Right));
  const int right = clampX(std::max(frame.Left, frame.Right));
  const int top = clampY(std::min(frame.Top, frame.Bottom));
  const int bottom = clampY(std::max(frame.Top, frame.Bottom));
  QRegion region(left, top, right - left + width, width);
  region += QRect(left, bottom, right - left + width, width);
  region += QRect(left, top, width, bottom - top + width);
  region += QRect(right, top, width, bottom - top + width);
  return region;
}

}  // namespace

CanvasView::CanvasView(const Composition& composition, QScrollArea* scrollBox)
    : QWidget(nullptr), m_composition(composition), m_scrollBox(scrollBox) {
  // Every pixel of the view is painted.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  // Hovering shows the handle zones of the selected item.
  setMouseTracking(true);
  // A click on the canvas takes the keyboard, so the edit shortcuts and the
  // arrow keys act on the items rather than on the memo's text.
  setFocusPolicy(Qt::ClickFocus);
  resize(0, 0);
  m_scrollBox->setWidget(this);
  // setWidget turns background filling on; the view paints every pixel.
  setAutoFillBackground(false);
}

qreal CanvasView::ratio() const { return m_scrollBox->devicePixelRatioF(); }

QSize CanvasView::availableDeviceSize() const {
  const int extent =
      m_scrollBox->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scrollBox);
  const qreal r = ratio();
  return {int(std::floor((m_scrollBox->width() - extent) * r)),
          int(std::floor((m_scrollBox->height() - extent) * r))};
}

void CanvasView::LayoutScreen() {
  ++m_layouts;
  const Bitmap& canvas = m_composition.CanvasBitmap();
  m_canvasWidth = canvas.width();
  m_canvasHeight = canvas.height();
  const QSize available = availableDeviceSize();
  if (m_fitted)
    m_zoom = std::min(m_fitLimit,
                      fitZoom(m_canvasWidth, m_canvasHeight, available.width() - 2 * kFrameWidth,
                              available.height() - 2 * kFrameWidth));
  // The layout subtracts the scroll bars itself.
  const int extent =
      m_scrollBox->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scrollBox);
  const qreal r = ratio();
  m_layout =
      layoutScreen(scaledSide(m_canvasWidth, m_zoom), scaledSide(m_canvasHeight, m_zoom),
                   int64_t(std::floor(m_scrollBox->width() * r)),
                   int64_t(std::floor(m_scrollBox->height() * r)), int64_t(std::floor(extent * r)));
  m_mapping = ViewMapping(m_canvasWidth, m_canvasHeight, m_layout.Placement);
  resize(sizeHint());
  update();
  emit zoomChanged(m_zoom);
}

QSize CanvasView::sizeHint() const {
  const qreal r = ratio();
  return {int(std::ceil(m_layout.Width / r)), int(std::ceil(m_layout.Height / r))};
}

void CanvasView::canvasChanged(const Rect& canvasRect) {
  if (m_mipsValid) m_mips.update(m_composition.CanvasBitmap(), canvasRect);
  updateDevice(toQRect(m_mapping.toScreen(canvasRect)));
  syncHandles();
}

void CanvasView::canvasReplaced() {
  m_mipsValid = false;
  m_mips.clear();
  const Bitmap& canvas = m_composition.CanvasBitmap();
  if (canvas.width() != m_canvasWidth || canvas.height() != m_canvasHeight) {
    const QSize available = availableDeviceSize();
    // Before the window is shown the view is tiny: fitting then shows a
    // small canvas at Actual Size all the same once the window has its size.
    m_fitted = canvas.width() > available.width() || canvas.height() > available.height();
    m_fitLimit = 1.0;
    m_zoom = 1.0;
  }
  LayoutScreen();
  m_shownHandles.reset();
  syncHandles();
}

void CanvasView::syncHandles() {
  const TQueueData& queue = m_composition.Queue();
  std::optional<Rect> shown;
  if (queue.Selected && queue.HandlesShown) shown = queue.Selected->Rect;
  if (shown == m_shownHandles) return;
  if (m_shownHandles) updateDevice(handleArea(*m_shownHandles));
  m_shownHandles = shown;
  if (m_shownHandles) updateDevice(handleArea(*m_shownHandles));
}

void CanvasView::zoomIn() {
  zoomAbout(zoomInStep(m_zoom), visibleRegion().boundingRect().center());
}

void CanvasView::zoomOut() {
  zoomAbout(zoomOutStep(m_zoom), visibleRegion().boundingRect().center());
}

void CanvasView::fitInWindow() {
  m_fitLimit = kMaxZoom;
  applyZoom(m_zoom, true, QPointF(), QPointF());
}

void CanvasView::actualSize() { zoomAbout(1.0, visibleRegion().boundingRect().center()); }

void CanvasView::zoomAbout(double zoom, const QPointF& viewPos) {
  const qreal r = ratio();
  const QPointF inViewport = viewPos + QPointF(pos());
  applyZoom(clampZoom(zoom), false, viewPos * r, inViewport);
}

void CanvasView::applyZoom(double zoom, bool fitted, QPointF devicePoint, QPointF viewportPos) {
  // The canvas point under devicePoint, in fractions of canvas pixels.
  const Rect& p = m_layout.Placement;
  const double sx = m_canvasWidth > 0 ? double(p.width()) / m_canvasWidth : 1.0;
  const double sy = m_canvasHeight > 0 ? double(p.height()) / m_canvasHeight : 1.0;
  const double cx = (devicePoint.x() - p.Left) / sx, cy = (devicePoint.y() - p.Top) / sy;

  m_zoom = zoom;
  m_fitted = fitted;
  LayoutScreen();
  if (fitted) return;

  // Scroll so that the canvas point lies under viewportPos again.
  const Rect& q = m_layout.Placement;
  const double nsx = m_canvasWidth > 0 ? double(q.width()) / m_canvasWidth : 1.0;
  const double nsy = m_canvasHeight > 0 ? double(q.height()) / m_canvasHeight : 1.0;
  const qreal r = ratio();
  const double x = (q.Left + cx * nsx) / r, y = (q.Top + cy * nsy) / r;
  m_scrollBox->horizontalScrollBar()->setValue(int(std::lround(x - viewportPos.x())));
  m_scrollBox->verticalScrollBar()->setValue(int(std::lround(y - viewportPos.y())));
}

QPoint CanvasView::toCanvas(const QPoint& viewPos) const {
  const qreal r = ratio();
  const auto X = int64_t(std::floor(viewPos.x() * r)), Y = int64_t(std::floor(viewPos.y() * r));
  return {saturateToInt32(m_mapping.toCanvasX(X)), saturateToInt32(m_mapping.toCanvasY(Y))};
}

QPoint CanvasView::toView(int32_t canvasX, int32_t canvasY) const {
  const qreal r = ratio();
  // The first view position inside the canvas pixel; a pixel narrower than
  // a view position is reached by the position that starts in it, if any.
  return {int(std::ceil(double(m_mapping.toScreenX(canvasX)) / r)),
          int(std::ceil(double(m_mapping.toScreenY(canvasY)) / r))};
}

QPoint CanvasView::visibleCanvasCorner() const {
  const QPoint corner(std::max(0, -x()), std::max(0, -y()));
  const QPoint c = toCanvas(corner);
  return {std::max(0, c.x()), std::max(0, c.y())};
}

bool CanvasView::HandleAt(const QPoint& viewPos, int& mask) const {
  const TQueueData& queue = m_composition.Queue();
  if (!queue.Selected || !queue.HandlesShown) return false;
  const qreal r = ratio();
  const Rect onScreen = m_mapping.toScreen(queue.Selected->Rect);
  mask = handleZone(onScreen, int64_t(std::floor(viewPos.x() * r)),
                    int64_t(std::floor(viewPos.y() * r)), int64_t(std::lround(kHandleSize * r)));
  return mask > 0;
}

void CanvasView::setDragFrame(const Rect& canvasRect) {
  if (m_dragFrame == canvasRect) return;
  if (m_dragFrame) updateFrame(*m_dragFrame);
  m_dragFrame = canvasRect;
  updateFrame(canvasRect);
}

void CanvasView::clearDragFrame() {
  if (!m_dragFrame) return;
  updateFrame(*m_dragFrame);
  m_dragFrame.reset();
}

void CanvasView::updateFrame(const Rect& canvasRect) {
  const int width = std::max(1, int(std::lround(ratio())));
  const QRect bounds(0, 0, m_layout.Width, m_layout.Height);
  for (const QRect& strip : outline(m_mapping.toScreen(canvasRect), bounds, width))
    updateDevice(strip);
}

void CanvasView::updateDevice(const QRect& deviceRect) {
  if (deviceRect.isEmpty()) return;
  const qreal r = ratio();
  const QRect bounds(0, 0, m_layout.Width, m_layout.Height);
  const QRect d = deviceRect.intersected(bounds.adjusted(-2, -2, 2, 2));
  if (d.isEmpty()) return;
  const int left = int(std::floor(d.left() / r)), top = int(std::floor(d.top() / r));
  const int right = int(std::ceil((d.right() + 1) / r)),
            bottom = int(std::ceil((d.bottom() + 1) / r));
  update(left, top, right - left, bottom - top);
}

QRect CanvasView::handleArea(const Rect& canvasRect) const {
  const int size = int(std::lround(kHandleSize * ratio()));
  Rect area = m_mapping.toScreen(canvasRect);
  for (const Rect& square : handleSquares(area, size)) area = unite(area, square);
  return toQRect(area);
}

const MipChain& CanvasView::mips() const {
  if (!m_mipsValid) {
    m_mips.rebuild(m_composition.CanvasBitmap(), kMinZoom);
    m_mipsValid = true;
  }
  return m_mips;
}

void CanvasView::paintPicture(QPainter& painter, const QRect& area, const ScreenLayout& layout,
                              const ViewMapping& mapping) const {
  painter.fillRect(area, kSurroundGrey);
  const Bitmap& canvas = m_composition.CanvasBitmap();
  if (canvas.isEmpty() || layout.Width == 0) return;
  const Rect& p = layout.Placement;
  const int frame = kFrameWidth * std::max(1, int(std::lround(ratio())));
  const QRect placed = toQRect(p);
  const QRect framed = placed.adjusted(-frame, -frame, frame, frame);
  if (!area.intersects(framed)) return;
  painter.fillRect(framed.intersected(area), Qt::black);
  painter.fillRect(placed.intersected(area), Qt::white);

  const Rect shown = intersect({area.left(), area.top(), area.right() + 1, area.bottom() + 1}, p);
  if (shown.isEmpty()) return;
  const Rect source = intersect(mapping.toCanvas(shown), canvas.bounds());
  if (source.isEmpty()) return;
  if (mapping.isActualSize()) {
    painter.drawImage(QPoint(source.Left + p.Left, source.Top + p.Top), imageOf(canvas),
                      toQRect(source));
    return;
  }
  const QRect target = toQRect(mapping.toScreen(source));
  painter.save();
  painter.setClipRect(placed.intersected(area));
  if (mapping.zoom() > 1.0) {
    // Crisp squares: only the pixels shown are taken, then enlarged by
    // nearest pixel.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QImage part = imageOf(canvas).copy(toQRect(source));
    painter.drawImage(QRectF(target), part);
  } else {
    // An area average: the halved copy nearest above the zoom, scaled down
    // the rest of the way (by less than two) smoothly.
    const MipChain& chain = mips();
    const size_t n = chain.levelFor(mapping.zoom());
    const double scale = std::ldexp(1.0, -int(n));
    const QRectF from(source.Left * scale, source.Top * scale, source.width() * scale,
                      source.height() * scale);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (n > 0) {
      painter.drawImage(QRectF(target), imageOf(chain.level(n)), from);
    } else {
      // Between 50 and 100 %: the shown part of the canvas itself, with a
      // margin of one pixel that keeps the smoothing seamless between
      // repaints.
      const QRect part = toQRect(source)
                             .adjusted(-1, -1, 1, 1)
                             .intersected(QRect(0, 0, canvas.width(), canvas.height()));
      const QImage converted = imageOf(canvas).copy(part).convertToFormat(QImage::Format_RGB32);
      painter.drawImage(QRectF(target), converted, from.translated(-part.topLeft()));
    }
  }
  painter.restore();
}

void CanvasView::paintHandles(QPainter& painter, const ScreenLayout& layout,
                              const ViewMapping& mapping) const {
  if (!m_shownHandles) return;
  const int scale = std::max(1, int(std::lround(ratio())));
  const int pen = scale, size = kHandleSize * scale;
  painter.save();
  // Handles show on the canvas only, as pixels of the picture would.
  painter.setClipRect(toQRect(layout.Placement), Qt::IntersectClip);
  for (const Rect& square : handleSquares(mapping.toScreen(*m_shownHandles), size)) {
    if (square.isEmpty()) continue;
    const QRect r = toQRect(square);
    painter.fillRect(r, kHandlePen);
    painter.fillRect(r.adjusted(pen, pen, -pen, -pen), kHandleBrush);
  }
  painter.restore();
}

void CanvasView::paintEvent(QPaintEvent* event) {
  if (m_layout.Width == 0) return;
  QPainter painter(this);
  painter.setClipRegion(event->region());
  const qreal r = ratio();
  // Device pixels from here on.
  painter.scale(1 / r, 1 / r);
  const QRect bounds(0, 0, m_layout.Width, m_layout.Height);
  for (const QRect& exposed : event->region()) {
    const int left = int(std::floor(exposed.left() * r)), top = int(std::floor(exposed.top() * r));
    const int right = int(std::ceil((exposed.right() + 1) * r)),
              bottom = int(std::ceil((exposed.bottom() + 1) * r));
    const QRect area = QRect(left, top, right - left, bottom - top).intersected(bounds);
    if (!area.isEmpty()) paintPicture(painter, area, m_layout, m_mapping);
  }
  paintHandles(painter, m_layout, m_mapping);
  if (m_dragFrame) {
    // White under black dashes: visible on light and dark pictures alike.
    const int width = std::max(1, int(std::lround(r)));
    const QRegion frame = outline(m_mapping.toScreen(*m_dragFrame), bounds, width);
    for (const QRect& strip : frame) painter.fillRect(strip, Qt::white);
    QPen dashes(Qt::black, width, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
    dashes.setDashPattern({4, 4});
    dashes.setCosmetic(false);
    painter.setPen(dashes);
    const QRect outer = frame.boundingRect();
    if (width == 1)
      painter.drawRect(outer.adjusted(0, 0, -1, -1));
    else
      painter.drawRect(
          QRectF(outer).adjusted(width / 2.0, width / 2.0, -width / 2.0, -width / 2.0));
  }
}

Bitmap CanvasView::picture() const {
  Bitmap result;
  if (m_layout.Width == 0) return result;
  // Zoomed in, the picture is drawn at Actual Size instead: the preview
  // fits it to the screen anyway, and at 1600 % a large canvas would make a
  // picture beyond any size a bitmap may have.
  ScreenLayout layout = m_layout;
  ViewMapping mapping = m_mapping;
  if (m_zoom > 1.0) {
    const qreal r = ratio();
    const int extent =
        m_scrollBox->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scrollBox);
    layout = layoutScreen(
        m_canvasWidth, m_canvasHeight, int64_t(std::floor(m_scrollBox->width() * r)),
        int64_t(std::floor(m_scrollBox->height() * r)), int64_t(std::floor(extent * r)));
    mapping = ViewMapping(m_canvasWidth, m_canvasHeight, layout.Placement);
  }
  result.resize(layout.Width, layout.Height);
  QImage image(result.data(), result.width(), result.height(), qsizetype(result.stride()),
               QImage::Format_BGR888);
  QPainter painter(&image);
  paintPicture(painter, QRect(0, 0, layout.Width, layout.Height), layout, mapping);
  paintHandles(painter, layout, mapping);
  return result;
}

bool CanvasView::event(QEvent* event) {
  if (event->type() == QEvent::NativeGesture) {
    const auto* gesture = static_cast<QNativeGestureEvent*>(event);
    if (gesture->gestureType() == Qt::ZoomNativeGesture) {
      zoomAbout(m_zoom * (1.0 + gesture->value()), gesture->position());
      return true;
    }
  }
  return QWidget::event(event);
}

void CanvasView::mousePressEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  emit mousePressed(p.x(), p.y());
}

void CanvasView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  emit mouseMoved(p.x(), p.y());
}

void CanvasView::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  emit mouseReleased(p.x(), p.y());
}

void CanvasView::wheelEvent(QWheelEvent* event) {
  if (!(event->modifiers() & Qt::ControlModifier)) {
    // Plain wheel turns scroll, which the scroll box does.
    event->ignore();
    return;
  }
  const double notches = event->angleDelta().y() / 120.0;
  if (notches != 0) zoomAbout(m_zoom * std::pow(kWheelZoomFactor, notches), event->position());
  event->accept();
}

void CanvasView::keyPressEvent(QKeyEvent* event) {
  const int step = (event->modifiers() & Qt::ShiftModifier) ? 10 : 1;
  switch (event->key()) {
    case Qt::Key_Left:
      emit nudged(-step, 0);
      return;
    case Qt::Key_Right:
      emit nudged(step, 0);
      return;
    case Qt::Key_Up:
      emit nudged(0, -step);
      return;
    case Qt::Key_Down:
      emit nudged(0, step);
      return;
    case Qt::Key_Escape:
      emit escapePressed();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

}  // namespace glyphon
