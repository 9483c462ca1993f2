#include "windows/shell/CanvasView.h"

#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <algorithm>

namespace glyphon {

CanvasView::CanvasView(const Composition& composition, QWidget* parent)
    : QWidget(parent), m_composition(composition) {
  // Every pixel of the view comes from the screen image.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  // Hovering shows the handle zones of the selected item.
  setMouseTracking(true);
  // A click on the canvas takes the keyboard, so the edit shortcuts act on
  // the items rather than on the text the memo holds.
  setFocusPolicy(Qt::ClickFocus);
  resize(0, 0);
}

namespace {

// The outline pixels of frame (edges included) as four one-pixel strips.
// Edges far outside bounds are clamped to just beyond it, which changes no
// visible pixel and keeps a damaged rectangle within what a painter draws.
QRegion outline(const Rect& frame, const QRect& bounds) {
  const auto clampX = [&](int64_t x) {
    return int(std::clamp<int64_t>(x, bounds.left() - 2, int64_t(bounds.right()) + 2));
  };
  const auto clampY = [&](int64_t y) {
    return int(std::clamp<int64_t>(y, bounds.top() - 2, int64_t(bounds.bottom()) + 2));
  };
  const int left = clampX(std::min(frame.Left, frame.Right));
  const int right = clampX(std::max(frame.Left, frame.Right));
  const int top = clampY(std::min(frame.Top, frame.Bottom));
  const int bottom = clampY(std::max(frame.Top, frame.Bottom));
  QRegion region(left, top, right - left + 1, 1);
  region += QRect(left, bottom, right - left + 1, 1);
  region += QRect(left, top, 1, bottom - top + 1);
  region += QRect(right, top, 1, bottom - top + 1);
  return region;
}

}  // namespace

void CanvasView::setDragFrame(const Rect& screenRect) {
  if (m_dragFrame == screenRect) return;
  if (m_dragFrame) updateFrame(*m_dragFrame);
  m_dragFrame = screenRect;
  updateFrame(screenRect);
}

void CanvasView::clearDragFrame() {
  if (!m_dragFrame) return;
  updateFrame(*m_dragFrame);
  m_dragFrame.reset();
}

void CanvasView::updateFrame(const Rect& frame) { update(outline(frame, rect())); }

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

QSize CanvasView::sizeHint() const {
  const Bitmap& screen = m_composition.ScreenImage();
  return {screen.width(), screen.height()};
}

void CanvasView::screenLaidOut() {
  resize(sizeHint());
  update();
}

void CanvasView::screenChanged(const Rect& screenRect) {
  if (screenRect.isEmpty()) return;
  update(screenRect.Left, screenRect.Top, screenRect.width(), screenRect.height());
}

void CanvasView::paintEvent(QPaintEvent* event) {
  const Bitmap& screen = m_composition.ScreenImage();
  if (screen.isEmpty()) return;
  // A view over the composition's own pixels, no copy; it lives only while
  // this paint runs, during which the composition does not change.
  const QImage image(screen.data(), screen.width(), screen.height(), qsizetype(screen.stride()),
                     QImage::Format_BGR888);
  QPainter painter(this);
  for (const QRect& r : event->region()) painter.drawImage(r.topLeft(), image, r);
  if (m_dragFrame) {
    // White under black dashes: visible on light and dark pictures alike.
    const QRegion frame = outline(*m_dragFrame, rect());
    painter.setClipRegion(event->region());
    for (const QRect& strip : frame) painter.fillRect(strip, Qt::white);
    QPen dashes(Qt::black, 0, Qt::CustomDashLine);
    dashes.setDashPattern({4, 4});
    painter.setPen(dashes);
    const QRect bounds = frame.boundingRect();
    painter.drawRect(bounds.adjusted(0, 0, -1, -1));
  }
}

}  // namespace glyphon
