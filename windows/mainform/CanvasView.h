// The canvas view: shows the composition's screen image (grey surround,
// frame and canvas) at one image pixel per logical pixel, repainting only
// the rectangles the composition reports. While an item is dragged it
// draws the item's outline over the picture, and it reports the pointer.
#pragma once

#include <QWidget>
#include <optional>

#include "engine/core/Composition.h"
#include "engine/core/Geometry.h"

namespace glyphon {

class CanvasView : public QWidget {
  Q_OBJECT

 public:
  // composition must outlive the view.
  explicit CanvasView(const Composition& composition, QWidget* parent = nullptr);

  // Takes the size of the rebuilt screen image and repaints all of it.
  void screenLaidOut();
  // Repaints one rectangle of the screen image (its coordinates).
  void screenChanged(const Rect& screenRect);

  [[nodiscard]] QSize sizeHint() const override;

  // The outline of a rectangle of the screen image (its coordinates; right
  // and bottom edges included), drawn over the picture in black and white
  // dashes so that it shows on any colour. Moving or clearing it repaints
  // what lay beneath, so it leaves no trace.
  void setDragFrame(const Rect& screenRect);
  void clearDragFrame();
  [[nodiscard]] const std::optional<Rect>& dragFrame() const { return m_dragFrame; }

 signals:
  // Pointer events at positions of the screen image. A press comes with
  // any button; moves come also while no button is held.
  void mousePressed(int x, int y);
  void mouseMoved(int x, int y);
  void mouseReleased(int x, int y);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // Schedules a repaint of the pixels the outline of frame covers.
  void updateFrame(const Rect& frame);

  const Composition& m_composition;
  std::optional<Rect> m_dragFrame;
};

}  // namespace glyphon
