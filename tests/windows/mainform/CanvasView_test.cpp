// The canvas view through the real window: zoom and its keys, the one
// mapping between the view and the canvas at every zoom, handles at screen
// size, the arrow keys, and the picture at Actual Size, pixel for pixel. The
// suite runs at a device pixel ratio of 1 and again of 2.
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QNativeGestureEvent>
#include <QPointingDevice>
#include <QScrollBar>
#include <QWheelEvent>

#include "engine/documents/BmpCodec.h"
#include "tests/windows/mainform/EditWindowSupport.h"

namespace glyphon {
namespace {

class CanvasViewTest : public testing::EditWindowTest {
 protected:
  qreal ratio() const { return canvasView()->devicePixelRatioF(); }
  double zoom() const { return canvasView()->zoom(); }

  // What the view paints, at device pixels, over its whole picture.
  QImage painted() const {
    QApplication::processEvents();
    return canvasView()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
  static Color colorOf(const QImage& image, int x, int y) {
    const QRgb p = image.pixel(x, y);
    return rgb(uint8_t(qRed(p)), uint8_t(qGreen(p)), uint8_t(qBlue(p)));
  }
  void key(const QKeySequence& sequence) {
    QTest::keySequence(window.get(), sequence);
    QApplication::processEvents();
  }
  void setZoom(double z) {
    canvasView()->zoomAbout(z, QPointF(0, 0));
    QApplication::processEvents();
  }
  // A pointer move over the view with no button held.
  void hover(const QPoint& at) {
    QMouseEvent move(QEvent::MouseMove, at, canvasView()->mapToGlobal(at), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(canvasView(), &move);
  }
  // The canvas pixel under a position of the view.
  QPoint canvasAt(const QPoint& viewPos) const { return canvasView()->toCanvas(viewPos); }
};

TEST_F(CanvasViewTest, ActualSizeShowsTodaysPicturePixelForPixel) {
  // The scene the reference was taken from: overlapping items, one hanging
  // off the canvas, one smaller than its handles, the last one selected.
  addItem({30, 40, 200, 140}, 3);
  addItem({300, 200, 460, 330}, 4);
  addItem({120, 60, 126, 66}, 5);
  addItem({150, 80, 330, 190}, 6);
  ASSERT_DOUBLE_EQ(zoom(), 1.0);
  const QImage shot = painted();
  const Rect p = canvasView()->screenLayout().Placement;
  const Bitmap& canvas = composition().CanvasBitmap();
  // Every canvas pixel away from the handles is one device pixel.
  const Rect handles = TQueueData::paintedBounds(selected()->Rect);
  const int handleBand = int(10 * ratio()) + 1;
  int wrong = 0;
  for (int32_t y = 0; y < canvas.height(); ++y)
    for (int32_t x = 0; x < canvas.width(); ++x) {
      const bool nearHandles = x >= handles.Left - handleBand && x < handles.Right + handleBand &&
                               y >= handles.Top - handleBand && y < handles.Bottom + handleBand;
      if (!nearHandles && colorOf(shot, p.Left + x, p.Top + y) != canvas.pixel(x, y)) ++wrong;
    }
  EXPECT_EQ(wrong, 0);
  if (ratio() != 1.0) return;
  // On a screen of scale 1, the canvas with its frame, surround and handles
  // equals the picture the window showed before it could zoom.
  const Bitmap reference = loadBmpFile(GLYPHON_TEST_DATA_DIR "/view/actual-size.bmp");
  const int m = 12;
  ASSERT_EQ(reference.width(), canvas.width() + 2 * m);
  wrong = 0;
  for (int32_t y = 0; y < reference.height(); ++y)
    for (int32_t x = 0; x < reference.width(); ++x)
      if (colorOf(shot, p.Left - m + x, p.Top - m + y) != reference.pixel(x, y)) ++wrong;
  EXPECT_EQ(wrong, 0);
}

TEST_F(CanvasViewTest, TheViewMenuAndItsKeysZoomWithinRange) {
  QLabel* panel = testing::namedChild<QLabel>(*window, "ZoomPanel");
  EXPECT_EQ(panel->text(), "100%");
  key(QKeySequence(Qt::CTRL | Qt::Key_Equal));
  EXPECT_DOUBLE_EQ(zoom(), 1.5);
  EXPECT_EQ(window->zoomText(), "150%");
  key(QKeySequence(Qt::CTRL | Qt::Key_Plus));
  EXPECT_DOUBLE_EQ(zoom(), 2.0);
  key(QKeySequence(Qt::CTRL | Qt::Key_Minus));
  key(QKeySequence(Qt::CTRL | Qt::Key_Minus));
  key(QKeySequence(Qt::CTRL | Qt::Key_Minus));
  EXPECT_DOUBLE_EQ(zoom(), 2.0 / 3.0);
  EXPECT_EQ(panel->text(), "67%");
  for (int i = 0; i < 30; ++i) action("MenuZoomOut")->trigger();
  EXPECT_DOUBLE_EQ(zoom(), 0.05);
  EXPECT_EQ(panel->text(), "5%");
  for (int i = 0; i < 30; ++i) action("MenuZoomIn")->trigger();
  EXPECT_DOUBLE_EQ(zoom(), 16.0);
  EXPECT_EQ(panel->text(), "1600%");
  key(QKeySequence(Qt::CTRL | Qt::Key_1));
  EXPECT_DOUBLE_EQ(zoom(), 1.0);
  // Fit in Window fills the view with the whole canvas and follows the
  // window's size.
  key(QKeySequence(Qt::CTRL | Qt::Key_0));
  EXPECT_TRUE(canvasView()->isFitted());
  const QSize viewport = scrollBox()->viewport()->size() * ratio();
  const Rect p = canvasView()->screenLayout().Placement;
  EXPECT_LE(p.width(), viewport.width());
  EXPECT_LE(p.height(), viewport.height());
  EXPECT_TRUE(p.width() >= viewport.width() - 40 * ratio() ||
              p.height() >= viewport.height() - 40 * ratio());
  EXPECT_FALSE(scrollBox()->horizontalScrollBar()->isVisible());
  const double fitted = zoom();
  window->resize(700, 600);
  QApplication::processEvents();
  EXPECT_LT(zoom(), fitted);
  EXPECT_TRUE(canvasView()->isFitted());
}

TEST_F(CanvasViewTest, CtrlWheelZoomsAboutThePointer) {
  // Large enough to scroll both ways, at either pixel ratio: a point can
  // stay under the pointer only where the view can scroll.
  const double start = 2.0 * ratio();
  setZoom(start);
  const QPoint pointer = viewPoint(150, 100) + QPoint(1, 1);
  const QPoint before = canvasAt(pointer);
  const QPoint inViewport = canvasView()->mapTo(scrollBox()->viewport(), pointer);
  QWheelEvent wheel(QPointF(pointer), QPointF(canvasView()->mapToGlobal(pointer)), QPoint(),
                    QPoint(0, 120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(canvasView(), &wheel);
  QApplication::processEvents();
  EXPECT_DOUBLE_EQ(zoom(), start * 1.25);
  // The same canvas pixel (give or take one of rounding) under the pointer.
  const QPoint under = canvasView()->mapFrom(scrollBox()->viewport(), inViewport);
  EXPECT_LE((canvasAt(under) - before).manhattanLength(), 2)
      << before.x() << "," << before.y() << " -> " << canvasAt(under).x() << ","
      << canvasAt(under).y() << " pos " << canvasView()->pos().x() << "," << canvasView()->pos().y()
      << " size " << canvasView()->width() << "x" << canvasView()->height() << " viewport "
      << scrollBox()->viewport()->width() << "x" << scrollBox()->viewport()->height();
  // A plain wheel is left to the scroll box, which scrolls.
  QWheelEvent plain(QPointF(pointer), QPointF(canvasView()->mapToGlobal(pointer)), QPoint(),
                    QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  plain.accept();
  QApplication::sendEvent(canvasView(), &plain);
  EXPECT_DOUBLE_EQ(zoom(), start * 1.25);
  const int scrolled = scrollBox()->verticalScrollBar()->value();
  QWheelEvent onBox(QPointF(10, 10), QPointF(scrollBox()->viewport()->mapToGlobal(QPoint(10, 10))),
                    QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                    false);
  QApplication::sendEvent(scrollBox()->viewport(), &onBox);
  EXPECT_GT(scrollBox()->verticalScrollBar()->value(), scrolled);
}

TEST_F(CanvasViewTest, APinchOnTheTouchpadZoomsByItsScale) {
  setZoom(1.0);
  const QPoint at = viewPoint(100, 80);
  QNativeGestureEvent pinch(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2,
                            QPointF(at), QPointF(at), QPointF(canvasView()->mapToGlobal(at)), 0.5,
                            QPointF());
  QApplication::sendEvent(canvasView(), &pinch);
  EXPECT_DOUBLE_EQ(zoom(), 1.5);
  EXPECT_EQ(window->zoomText(), "150%");
  // Pinched far in, the zoom stops at 1600 %.
  QNativeGestureEvent far(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2,
                          QPointF(at), QPointF(at), QPointF(canvasView()->mapToGlobal(at)), 40.0,
                          QPointF());
  QApplication::sendEvent(canvasView(), &far);
  EXPECT_DOUBLE_EQ(zoom(), 16.0);
}

TEST_F(CanvasViewTest, ABigPictureOpensFittedAndASmallOneAtActualSize) {
  newCanvas(3000, 2000);
  EXPECT_TRUE(canvasView()->isFitted());
  EXPECT_LT(zoom(), 0.5);
  EXPECT_FALSE(scrollBox()->horizontalScrollBar()->isVisible());
  newCanvas(120, 80);
  EXPECT_FALSE(canvasView()->isFitted());
  EXPECT_DOUBLE_EQ(zoom(), 1.0);
}

TEST_F(CanvasViewTest, ClicksAndDragsActInCanvasPixelsAtEveryZoom) {
  for (const double z : {0.25, 1.0, 4.0}) {
    SCOPED_TRACE(z);
    setZoom(z);
    // Scrolled to the canvas's corner, so every point used is in view.
    scrollBox()->horizontalScrollBar()->setValue(0);
    scrollBox()->verticalScrollBar()->setValue(0);
    // Large enough that its body lies beyond the handle bands at 25 %.
    TTextItem* lower = addItem({20, 30, 380, 280}, 7);
    addItem({300, 200, 400, 300}, 8);
    // A press where only the lower one lies selects it.
    press(100, 100);
    release(100, 100);
    EXPECT_EQ(selected(), lower);
    // A body drag moves it by the canvas distance the pointer covered.
    const QPoint from = viewPoint(200, 150), to = viewPoint(260, 190);
    const QPoint travel = canvasAt(to) - canvasAt(from);
    EXPECT_LE(std::abs(travel.x() - 60), 4 / z / ratio() + 1);
    drag(200, 150, 260, 190);
    EXPECT_EQ(lower->Rect,
              (Rect{20 + travel.x(), 30 + travel.y(), 380 + travel.x(), 280 + travel.y()}));
    // The bottom-right corner, pulled: the height follows the width.
    const Rect r = lower->Rect;
    const QPoint corner = viewPoint(r.Right, r.Bottom) - QPoint(2, 2);
    const QPoint pulled = corner + QPoint(40, 0);
    const int widen = canvasAt(pulled).x() - canvasAt(corner).x();
    hover(corner);
    EXPECT_EQ(canvasView()->cursor().shape(), Qt::SizeFDiagCursor);
    QTest::mousePress(canvasView(), Qt::LeftButton, Qt::NoModifier, corner);
    QMouseEvent move(QEvent::MouseMove, pulled, canvasView()->mapToGlobal(pulled), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(canvasView(), &move);
    QTest::mouseRelease(canvasView(), Qt::LeftButton, Qt::NoModifier, pulled);
    EXPECT_EQ(lower->Rect.Right, r.Right + widen);
    EXPECT_EQ(lower->Rect.Bottom, r.Top + r.height() * (r.width() + widen) / r.width());
    window->composition().clearItems();
  }
}

TEST_F(CanvasViewTest, HandlesAreHitAtTheirScreenSize) {
  setZoom(0.25);
  TTextItem* item = addItem({40, 40, 440, 240}, 9);
  const Rect onScreen = canvasView()->mapping().toScreen(item->Rect);
  const qreal r = ratio();
  // Device pixels of the view, in view positions.
  const auto at = [r](int64_t x, int64_t y) {
    return QPoint(int(std::ceil(double(x) / r)), int(std::ceil(double(y) / r)));
  };
  const int64_t cy = (onScreen.Top + onScreen.Bottom) / 2;
  int mask = 0;
  // Eight screen pixels in from the left edge: the left band, 32 canvas
  // pixels in, where a canvas-sized band would long have ended.
  ASSERT_TRUE(canvasView()->HandleAt(at(onScreen.Left + 8 * r, cy), mask));
  EXPECT_EQ(mask, TQueueData::kLeftBand);
  ASSERT_TRUE(canvasView()->HandleAt(at(onScreen.Left + 12 * r, cy), mask));
  EXPECT_EQ(mask, TQueueData::kBody);
  ASSERT_TRUE(canvasView()->HandleAt(at(onScreen.Right - 2 * r, onScreen.Top + 2 * r), mask));
  EXPECT_EQ(mask, TQueueData::kRightBand | TQueueData::kTopBand);
  // The handles painted are ten screen pixels too, in the handle colours.
  const QImage shot = painted();
  const int size = int(std::lround(10 * r));
  EXPECT_EQ(colorOf(shot, onScreen.Left + size / 2, onScreen.Top + size / 2), rgb(233, 29, 23));
  EXPECT_EQ(colorOf(shot, onScreen.Left, onScreen.Top), rgb(10, 10, 200));
  EXPECT_NE(colorOf(shot, onScreen.Left + size + 2, onScreen.Top + size + 2), rgb(233, 29, 23));
  // Hidden handles leave the item's own pixels.
  canvasView()->setFocus();
  QTest::keyClick(canvasView(), Qt::Key_Escape);
  EXPECT_FALSE(queue().HandlesShown);
  EXPECT_EQ(selected(), item);
  EXPECT_FALSE(canvasView()->HandleAt(at(onScreen.Left + 8 * r, cy), mask));
  EXPECT_NE(colorOf(painted(), onScreen.Left + size / 2, onScreen.Top + size / 2),
            rgb(233, 29, 23));
}

TEST_F(CanvasViewTest, BelowActualSizeThePictureIsAveragedAboveItPixelsAreSquares) {
  // A canvas of one-pixel black and white stripes.
  const QString path = folder.filePath(QStringLiteral("stripes.bmp"));
  Bitmap stripes(200, 100);
  for (int32_t y = 0; y < 100; ++y)
    for (int32_t x = 0; x < 200; ++x) stripes.setPixel(x, y, (x % 2) ? rgb(255, 255, 255) : 0);
  saveBmpFile(path.toStdString(), stripes);
  window->composition().setModified(false);
  testing::runNewFormat(*window, path);
  setZoom(0.5);
  const Rect p = canvasView()->screenLayout().Placement;
  QImage shot = painted();
  for (const int x : {10, 33, 60}) {
    const Color c = colorOf(shot, p.Left + x, p.Top + 20);
    EXPECT_GT(redOf(c), 100) << x;  // grey, neither stripe
    EXPECT_LT(redOf(c), 160) << x;
  }
  setZoom(4.0);
  scrollBox()->horizontalScrollBar()->setValue(0);
  scrollBox()->verticalScrollBar()->setValue(0);
  const Rect q = canvasView()->screenLayout().Placement;
  shot = painted();
  for (int x = 0; x < 16; ++x)
    EXPECT_EQ(colorOf(shot, q.Left + 4 * 5 + x, q.Top + 9), stripes.pixel(5 + x / 4, 2)) << x;
}

// Below 100 % the view draws from halved copies of the canvas that only
// the changed rectangles update; what it shows after edits must equal what
// copies made afresh show.
TEST_F(CanvasViewTest, ZoomedOutRepaintsAfterEditsEqualAFreshView) {
  for (const double z : {0.3, 0.7}) {
    SCOPED_TRACE(z);
    setZoom(z);
    (void)painted();  // the copies are made here
    TTextItem* item = addItem({33, 17, 251, 140}, 12, 70);
    drag(100, 60, 151, 99);
    window->composition().setSelectedOpacity(40);
    ASSERT_NE(item->Rect.Left, 33);
    const QImage edited = painted();
    canvasView()->canvasReplaced();  // same size: the zoom stays, the copies are made again
    ASSERT_DOUBLE_EQ(zoom(), z);
    EXPECT_TRUE(painted() == edited);
    window->composition().clearItems();
  }
}

TEST_F(CanvasViewTest, ArrowKeysNudgeTheSelectionInOneUndoStep) {
  TTextItem* item = addItem({50, 60, 150, 120}, 10);
  press(100, 90);
  release(100, 90);
  ASSERT_TRUE(canvasView()->hasFocus());
  const size_t steps = window->history().doneCount();
  QTest::keyClick(canvasView(), Qt::Key_Right);
  QTest::keyClick(canvasView(), Qt::Key_Right);
  QTest::keyClick(canvasView(), Qt::Key_Up);
  QTest::keyClick(canvasView(), Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(item->Rect, (Rect{52, 69, 152, 129}));
  EXPECT_EQ(window->history().doneCount(), steps + 1);
  EXPECT_EQ(window->history().undoName(), "Move Text");
  if (ratio() == 1.0) expectShowsRecomposition();
  EXPECT_EQ(composition().CanvasBitmap(), recomposed());
  action("MenuUndo")->trigger();
  EXPECT_EQ(item->Rect, (Rect{50, 60, 150, 120}));
  // After a press on the canvas the next burst is a step of its own.
  QTest::keyClick(canvasView(), Qt::Key_Left);
  press(100, 90);
  release(100, 90);
  QTest::keyClick(canvasView(), Qt::Key_Left);
  EXPECT_EQ(item->Rect, (Rect{48, 60, 148, 120}));
  EXPECT_EQ(window->history().doneCount(), steps + 2);
  // Nothing selected: the keys do nothing.
  action("MenuDelete")->trigger();
  const size_t after = window->history().doneCount();
  canvasView()->setFocus();
  QTest::keyClick(canvasView(), Qt::Key_Left);
  EXPECT_EQ(window->history().doneCount(), after);
}

TEST_F(CanvasViewTest, AddLandsAtTheTopLeftOfTheVisiblePart) {
  // Four times the canvas in view positions, at either pixel ratio.
  setZoom(4.0 * ratio());
  scrollBox()->horizontalScrollBar()->setValue(300);
  scrollBox()->verticalScrollBar()->setValue(200);
  QApplication::processEvents();
  const QPoint corner = canvasView()->visibleCanvasCorner();
  EXPECT_EQ(corner, canvasAt(canvasView()->visibleRegion().boundingRect().topLeft()));
  EXPECT_GT(corner.x(), 60);
  typeIntoMemo(QStringLiteral("Hi"));
  button("ButtonAdd")->click();
  ASSERT_NE(selected(), nullptr);
  EXPECT_EQ(selected()->Rect.Left, corner.x());
  EXPECT_EQ(selected()->Rect.Top, corner.y());
}

TEST_F(CanvasViewTest, ThePreviewShowsThePictureOfTheView) {
  addItem({30, 40, 200, 140}, 11);
  setZoom(0.5);
  const Bitmap picture = canvasView()->picture();
  EXPECT_EQ(picture.width(), canvasView()->screenLayout().Width);
  const Rect p = canvasView()->screenLayout().Placement;
  EXPECT_EQ(p.width(), 200);
  // The picture holds what the view paints.
  const QImage shot = painted();
  int wrong = 0;
  for (int y = 0; y < picture.height(); y += 7)
    for (int x = 0; x < picture.width(); x += 7)
      if (colorOf(shot, x, y) != picture.pixel(x, y)) ++wrong;
  EXPECT_EQ(wrong, 0);
}

TEST_F(CanvasViewTest, ZoomedInThePreviewShowsThePictureAtActualSize) {
  // At 1600 % this canvas would be 96000 pixels wide, beyond any bitmap.
  newCanvas(6000, 400);
  addItem({30, 40, 200, 140}, 12);
  setZoom(16.0);
  ASSERT_DOUBLE_EQ(zoom(), 16.0);
  const Bitmap picture = canvasView()->picture();
  EXPECT_GE(picture.width(), 6000);
  EXPECT_LT(picture.width(), 6000 + 200);
  setZoom(1.0);
  EXPECT_EQ(canvasView()->picture(), picture);
}

// On a screen of 1024 x 640 logical pixels (2048 x 1280 at scale 2), less
// a title bar, every button and menu stays in reach.
TEST_F(CanvasViewTest, TheWindowFitsASmallScreenWithEveryCommandInReach) {
  const QSize small(1024, 600);
  const QSize least = window->minimumSizeHint();
  EXPECT_LE(least.width(), small.width());
  EXPECT_LE(least.height(), small.height());
  window->resize(small);
  QApplication::processEvents();
  EXPECT_LE(window->width(), small.width());
  const QRect inside = window->rect();
  for (const char* name : {"ButtonNew", "ButtonBackdrop", "ButtonSave", "ButtonWallpaper",
                           "ButtonTrans", "ButtonAdd", "ButtonModify", "ButtonDel"}) {
    const QPushButton* b = button(name);
    EXPECT_TRUE(b->isVisible()) << name;
    const QRect at(b->mapTo(window.get(), QPoint()), b->size());
    EXPECT_TRUE(inside.contains(at)) << name;
  }
  // Every menu title in the bar, none folded into an overflow button.
  const QMenuBar* bar = window->menuBar();
  for (QAction* menu : bar->actions()) {
    const QRect at = bar->actionGeometry(menu);
    EXPECT_TRUE(bar->rect().contains(at)) << menu->text().toStdString();
  }
  EXPECT_GT(scrollBox()->viewport()->height(), 150);
}

}  // namespace
}  // namespace glyphon
