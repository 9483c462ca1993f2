// What the editing window tests share: a shown main window on a canvas made
// from a BMP picture (whose pixels survive exactly), rendering with the echo
// test style, and the check that what the window shows equals the picture
// rebuilt from scratch.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QTest>
#include <memory>
#include <random>

#include "engine/core/Compositor.h"
#include "windows/core/Transparence.h"
#include "windows/shell/CanvasView.h"
#include "windows/shell/ColorBox.h"
#include "windows/shell/ImageBox.h"
#include "windows/mainform/MainForm.h"
#include "tests/windows/shell/WindowTestSupport.h"

namespace glyphon::testing {

// A rendering whose every pixel differs: greys above the background level
// and some background, so stretching, tinting and blending all show.
inline std::shared_ptr<const Bitmap> noiseRendering(int32_t width, int32_t height, unsigned seed) {
  std::mt19937 rng(seed);
  Bitmap b(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const auto v = uint8_t(rng() % 5 == 0 ? 2 : 20 + rng() % 230);
      b.setPixel(x, y, rgb(v, v, v));
    }
  return std::make_shared<const Bitmap>(std::move(b));
}

inline std::unique_ptr<TTextItem> noiseItem(Rect rect, unsigned seed, int32_t opacity = 100) {
  auto item = std::make_unique<TTextItem>();
  item->Rect = rect;
  item->Color = rgb(uint8_t(60 * seed), 90, 220);
  item->Opacity = opacity;
  item->SizeIndex = int32_t(seed % 10);
  item->Text = "item " + std::to_string(seed);
  item->Bitmap = noiseRendering(rect.width() > 0 ? rect.width() / 2 + 1 : 3,
                                rect.height() > 0 ? rect.height() / 2 + 1 : 3, seed);
  return item;
}

class EditWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    writeJpeg(folder.filePath(QStringLiteral("pic/default.jpg")),
              flatPicture(64, 48, rgb(30, 60, 90)));
    window = std::make_unique<TMainForm>(folder.path(), QStringList());
    ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().front();
    window->resize(900, 700);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    newCanvas(400, 300);
    useEchoStyle();
  }

  // A new canvas of a pattern picture, laid out and shown.
  void newCanvas(int32_t width, int32_t height) {
    const QString path = folder.filePath(QStringLiteral("canvas%1.bmp").arg(++m_canvases));
    writeBmp(path, patternPicture(width, height));
    window->Settings.DefaultBKPic = false;
    window->Settings.SameAsBKPic = true;
    window->Settings.BKPicPath = path.toStdString();
    window->composition().setModified(false);  // New asks nothing then
    window->ButtonNewClick();
    QApplication::processEvents();
  }

  void useEchoStyle() {
    window->StyleFolder = QStringLiteral(GLYPHON_TEST_PLUGIN_DIR);
    window->PluginFileName = QStringLiteral(GLYPHON_TEST_ECHO_STYLE);
  }

  const Composition& composition() const { return window->composition(); }
  const TQueueData& queue() const { return window->composition().Queue(); }
  TTextItem* selected() const { return queue().Selected; }

  // Puts an item on the canvas the way Paste would, selected on top.
  TTextItem* addItem(Rect rect, unsigned seed, int32_t opacity = 100) {
    window->composition().addItem(noiseItem(rect, seed, opacity));
    QApplication::processEvents();
    return selected();
  }

  // A point of the canvas in the coordinates of the canvas view.
  QPoint viewPoint(int32_t canvasX, int32_t canvasY) const {
    const Rect p = composition().CanvasPlacement();
    return {p.Left + canvasX, p.Top + canvasY};
  }

  void press(int32_t x, int32_t y, Qt::MouseButton button = Qt::LeftButton) {
    m_held |= button;
    QTest::mousePress(window->ImageScreen, button, Qt::NoModifier, viewPoint(x, y));
  }
  // A pointer move over the view, with the buttons pressed and not released.
  void moveTo(int32_t x, int32_t y) {
    const QPoint at = viewPoint(x, y);
    QMouseEvent move(QEvent::MouseMove, at, window->ImageScreen->mapToGlobal(at), Qt::NoButton,
                     m_held, Qt::NoModifier);
    QApplication::sendEvent(window->ImageScreen, &move);
  }
  void release(int32_t x, int32_t y, Qt::MouseButton button = Qt::LeftButton) {
    m_held &= ~Qt::MouseButtons(button);
    QTest::mouseRelease(window->ImageScreen, button, Qt::NoModifier, viewPoint(x, y));
  }
  // Hovers at (fromX, fromY), so the zone there arms the drag, then drags to
  // (toX, toY) in steps and releases.
  void drag(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY, int steps = 4) {
    moveTo(fromX, fromY);
    press(fromX, fromY);
    for (int i = 1; i <= steps; ++i)
      moveTo(fromX + (toX - fromX) * i / steps, fromY + (toY - fromY) * i / steps);
    release(toX, toY);
  }

  void typeIntoMemo(const QString& text) {
    window->MemoText->clear();
    window->MemoText->setFocus();
    QTest::keyClicks(window->MemoText, text);
  }

  // What the screen shows of the canvas view (the window's backing store,
  // as repainted bit by bit), over the part of the view that is visible.
  QImage shownView() const {
    QApplication::processEvents();
    const QWidget* viewport = window->ScrollBox->viewport();
    const QRect visible =
        QRect(window->ImageScreen->mapTo(viewport, QPoint()), window->ImageScreen->size())
            .intersected(viewport->rect());
    const QPoint origin = viewport->mapTo(window.get(), visible.topLeft());
    return window->screen()
        ->grabWindow(window->winId(), origin.x(), origin.y(), visible.width(), visible.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
  }

  // The picture as it must be: the backdrop, every item from the bottom up
  // and the selected item's handles while shown, composed from scratch.
  Bitmap recomposed() const {
    Bitmap canvas = composition().BackdropBitmap();
    queue().DrawAll(canvas);
    if (queue().Selected && queue().HandlesShown)
      TQueueData().DrawHandles(queue().Selected->Rect, canvas);
    return canvas;
  }

  // The canvas, the screen image and what the view shows all equal a full
  // recomposition; with frameShown the drag outline may differ from it.
  void expectShowsRecomposition(bool frameShown = false) const {
    const Bitmap expected = recomposed();
    ASSERT_TRUE(composition().CanvasBitmap() == expected) << "canvas differs from recomposition";
    const Rect p = composition().CanvasPlacement();
    const Bitmap& screen = composition().ScreenImage();
    Bitmap placed(p.width(), p.height());
    bitBlt(placed, 0, 0, p.width(), p.height(), screen, p.Left, p.Top);
    ASSERT_TRUE(placed == expected) << "screen image differs from the canvas";
    if (frameShown) return;
    const QImage shown = shownView();
    const QWidget* viewport = window->ScrollBox->viewport();
    const QPoint offset = -window->ImageScreen->mapTo(viewport, QPoint());
    const QPoint first(std::max(0, offset.x()), std::max(0, offset.y()));
    // The transparency window floats over the view where it is open.
    QRect covered;
    if (window->TransForm->isVisible())
      covered = QRect(window->TransForm->mapTo(window.get(), QPoint()), window->TransForm->size())
                    .translated(-viewport->mapTo(window.get(), QPoint()))
                    .translated(-std::max(0, -offset.x()), -std::max(0, -offset.y()));
    int wrong = 0;
    for (int y = 0; y < shown.height(); ++y)
      for (int x = 0; x < shown.width(); ++x) {
        if (covered.contains(x, y)) continue;
        const QRgb s = shown.pixel(x, y);
        const Color want = screen.pixel(first.x() + x, first.y() + y);
        if (rgb(uint8_t(qRed(s)), uint8_t(qGreen(s)), uint8_t(qBlue(s))) != want) ++wrong;
      }
    EXPECT_EQ(wrong, 0) << "the view shows pixels the screen image does not hold";
  }

  QTemporaryDir folder;
  RecordingMessageBoxes boxes;
  std::unique_ptr<TMainForm> window;

 private:
  int m_canvases = 0;
  Qt::MouseButtons m_held;
};

}  // namespace glyphon::testing
