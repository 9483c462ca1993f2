// The canvas view: shows the composition's canvas at a zoom, centred on a
// grey surround in a two-pixel black frame, with the selection's handles and
// the outline of a drag drawn over it at screen size. It owns the zoom, the
// scroll position of its scroll box and the one mapping between its
// positions and canvas pixels. It draws at device pixels: at 100 % one
// canvas pixel is one device pixel.
//
// The composition reports changed canvas rectangles; the view repaints only
// their part of the screen, and below 100 % it draws from halved copies of
// the canvas that it updates by the same rectangles.
#pragma once

#include <QPointF>
#include <QWidget>
#include <optional>

#include "engine/core/Bitmap.h"
#include "engine/core/Composition.h"
#include "engine/core/Geometry.h"
#include "engine/core/MipChain.h"
#include "engine/core/ViewMapping.h"

class QScrollArea;

namespace glyphon {

class CanvasView : public QWidget {
  Q_OBJECT

 public:
  // composition must outlive the view. The view becomes the widget of
  // scrollBox, which keeps it for the rest of its life.
  CanvasView(const Composition& composition, QScrollArea* scrollBox);

  // Lays the picture out again for the current size of the scroll box:
  // at least the scaled canvas, at least the box less its scroll bars.
  void LayoutScreen();
  // How often the picture was laid out: what tests count to see no work is
  // redone.
  [[nodiscard]] int layouts() const { return m_layouts; }

  // What the composition reports.
  void canvasChanged(const Rect& canvasRect);
  // A canvas of a new size opens fitted when it is larger than the view and
  // at Actual Size when it fits; one of the same size keeps the zoom.
  void canvasReplaced();
  // Repaints the handles where the selection or its handles changed.
  void syncHandles();

  // The zoom: canvas pixels per device pixel, kMinZoom to kMaxZoom.
  [[nodiscard]] double zoom() const { return m_zoom; }
  // Whether the zoom follows the size of the view (Fit in Window).
  [[nodiscard]] bool isFitted() const { return m_fitted; }
  // The zoom commands. Zoom In and Out keep the middle of the view where it
  // is; zoomAbout keeps the canvas point under viewPos (a position of the
  // view) under it.
  void zoomIn();
  void zoomOut();
  void fitInWindow();
  void actualSize();
  void zoomAbout(double zoom, const QPointF& viewPos);

  // The one mapping: the canvas pixel shown at a position of the view, and
  // a position of the view that shows canvas pixel (x, y).
  [[nodiscard]] QPoint toCanvas(const QPoint& viewPos) const;
  [[nodiscard]] QPoint toView(int32_t canvasX, int32_t canvasY) const;
  // The canvas pixel at the top-left corner of the visible part of the view,
  // held to the canvas's own corner.
  [[nodiscard]] QPoint visibleCanvasCorner() const;
  // Which handle zone of the selection holds the position of the view
  // (TQueueData's zone bits), with the bands 10 screen pixels wide. False,
  // with mask left alone, without a selection or with its handles hidden.
  bool HandleAt(const QPoint& viewPos, int& mask) const;

  // The outline of a canvas rectangle (right and bottom edges included),
  // drawn over the picture in black and white dashes so that it shows on
  // any colour. Moving or clearing it repaints what lay beneath.
  void setDragFrame(const Rect& canvasRect);
  void clearDragFrame();
  [[nodiscard]] const std::optional<Rect>& dragFrame() const { return m_dragFrame; }

  // The whole picture of the view as it shows it now, handles included and
  // the drag outline left out, at device pixels; zoomed in beyond Actual
  // Size, the picture at Actual Size.
  [[nodiscard]] Bitmap picture() const;
  // The picture's layout in device pixels and the mapping it uses.
  [[nodiscard]] const ScreenLayout& screenLayout() const { return m_layout; }
  [[nodiscard]] const ViewMapping& mapping() const { return m_mapping; }

  [[nodiscard]] QSize sizeHint() const override;

 signals:
  // Pointer events at positions of the view. A press comes with any button;
  // moves come also while no button is held.
  void mousePressed(int x, int y);
  void mouseMoved(int x, int y);
  void mouseReleased(int x, int y);
  // The arrow keys with the view focused: a nudge of the selection by
  // (dx, dy) canvas pixels; and Escape.
  void nudged(int dx, int dy);
  void escapePressed();
  void zoomChanged(double zoom);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The device pixel ratio the view draws for.
  [[nodiscard]] qreal ratio() const;
  // The client area the layout fills, in device pixels, without scroll bars.
  [[nodiscard]] QSize availableDeviceSize() const;
  // Sets the zoom and lays out again; keeps the canvas point at devicePoint
  // of the old picture at viewportPos of the scroll box (unless fitted).
  void applyZoom(double zoom, bool fitted, QPointF devicePoint, QPointF viewportPos);
  // Paints the device rectangle area of the picture (surround, frame,
  // canvas) and the handles over it.
  void paintPicture(QPainter& painter, const QRect& area, const ScreenLayout& layout,
                    const ViewMapping& mapping) const;
  void paintHandles(QPainter& painter, const ScreenLayout& layout,
                    const ViewMapping& mapping) const;
  // The device pixels the handles of canvasRect cover.
  [[nodiscard]] QRect handleArea(const Rect& canvasRect) const;
  // Schedules a repaint of a rectangle given in device pixels.
  void updateDevice(const QRect& deviceRect);
  void updateFrame(const Rect& canvasRect);
  // The halved copies for drawing below 100 %, built when first needed.
  const MipChain& mips() const;

  const Composition& m_composition;
  QScrollArea* m_scrollBox;
  double m_zoom = 1.0;
  int m_layouts = 0;
  bool m_fitted = false;
  // The largest zoom fitting may choose: 1 when a new canvas was fitted by
  // itself (a small one is never enlarged), the top of the range for Fit
  // in Window.
  double m_fitLimit = 1.0;
  int32_t m_canvasWidth = 0, m_canvasHeight = 0;
  ScreenLayout m_layout;
  ViewMapping m_mapping;
  // Its levels are in the painter's own pixel format, so that a repaint
  // scales them without converting anything.
  mutable MipChain m_mips;
  mutable bool m_mipsValid = false;
  // The selection rectangle whose handles are painted, if any.
  std::optional<Rect> m_shownHandles;
  std::optional<Rect> m_dragFrame;
};

}  // namespace glyphon
