// What the editing window tests share: a shown main window on a canvas made
// from a BMP picture (whose pixels survive exactly), rendering with the echo
// test style installed as style kinds 10001 and 10007, and the check that
// what the window shows equals the picture rebuilt from scratch.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QTest>
#include <memory>
#include <random>

#include "engine/core/Compositor.h"
#include "engine/documents/StylePicture.h"
#include "services/shell/StyleCatalogue.h"
#include "tests/windows/mainform/MainFormTestSupport.h"
#include "tests/windows/shell/WindowTestSupport.h"
#include "windows/core/Transparence.h"
#include "windows/mainform/CanvasView.h"
#include "windows/mainform/MainForm.h"
#include "windows/shell/ColorBox.h"
#include "windows/shell/ImageBox.h"

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

// Enters style kind id into the user's style catalogue, as a style installer
// does: its pictures lie in styleFolder/id, its plug-in is
// styleFolder/pluginFile.
inline void registerStyleKind(int32_t id, const QString& caption, const QString& styleFolder,
                              const QString& pluginFile) {
  const std::unique_ptr<QSettings> store = StyleCatalogue::openUserStore();
  store->beginGroup(QString::number(id));
  store->setValue(QString::fromLatin1(kStyleKindNameKey), caption);
  store->setValue(QString::fromLatin1(kStyleKindPathKey), styleFolder);
  store->setValue(QString::fromLatin1(kStyleKindDataKey), pluginFile);
  store->endGroup();
}

// The sample of every style font of the echo kinds: grey 128, which the
// preview shows in the chosen colour.
inline Bitmap echoSample() { return flatPicture(32, 17, rgb(128, 128, 128)); }

// Installs the echo test style in styleFolder as kinds 10001 (the kind the
// window starts with) and 10007, each with its ten pictures, and enters
// them in the user's style catalogue.
inline void installEchoStyles(const QString& styleFolder) {
  const QString plugin = styleFolder + QStringLiteral("/" GLYPHON_TEST_ECHO_STYLE);
  ASSERT_TRUE(QDir().mkpath(styleFolder));
  ASSERT_TRUE(
      QFile::link(QStringLiteral(GLYPHON_TEST_PLUGIN_DIR "/" GLYPHON_TEST_ECHO_STYLE), plugin));
  for (const int32_t kind : {10001, 10007}) {
    const QString kindFolder = styleFolder + QLatin1Char('/') + QString::number(kind);
    ASSERT_TRUE(QDir().mkpath(kindFolder));
    for (int n = 1; n <= 5; ++n) {
      saveStylePicture(QStringLiteral("%1/desc%2.gph").arg(kindFolder).arg(n).toStdString(),
                       flatPicture(90, 70, rgb(uint8_t(40 * n), 90, 30)), PictureFormat::Bmp);
      saveStylePicture(QStringLiteral("%1/%2.gph").arg(kindFolder).arg(n).toStdString(),
                       echoSample(), PictureFormat::Bmp);
    }
    registerStyleKind(kind, QStringLiteral("Echo %1").arg(kind), styleFolder,
                      QStringLiteral(GLYPHON_TEST_ECHO_STYLE));
  }
}

class EditWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    writeJpeg(folder.filePath(QStringLiteral("pic/default.jpg")),
              flatPicture(64, 48, rgb(30, 60, 90)));
    installEchoStyle();
    window = std::make_unique<TMainForm>(folder.path(), QStringList());
    ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().front();
    window->resize(900, 700);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    newCanvas(400, 300);
  }

  // A new canvas of a pattern picture at its own size, through New Format,
  // laid out and shown.
  void newCanvas(int32_t width, int32_t height) {
    const QString path = folder.filePath(QStringLiteral("canvas%1.bmp").arg(++m_canvases));
    writeBmp(path, patternPicture(width, height));
    window->composition().setModified(false);  // New asks nothing then
    runNewFormat(*window, path);
    QApplication::processEvents();
  }

  // The style folder of the echo kinds and the path of their plug-in there.
  QString styleFolder() const { return folder.filePath(QStringLiteral("styles")); }
  QString echoPlugin() const { return styleFolder() + QStringLiteral("/" GLYPHON_TEST_ECHO_STYLE); }

  // Installs the echo test style as kinds 10001 (the kind the window
  // starts with) and 10007, each with its ten pictures.
  void installEchoStyle() { installEchoStyles(styleFolder()); }

  // Installs the echo style of the text export as kind id, with the
  // pictures of the echo kinds; the window learns of it at the next choice
  // of that kind or of a style font.
  void installTextEchoStyle(int32_t id) {
    const QString plugin = styleFolder() + QStringLiteral("/" GLYPHON_TEST_TEXT_ECHO_STYLE);
    if (!QFile::exists(plugin)) {
      ASSERT_TRUE(QFile::link(
          QStringLiteral(GLYPHON_TEST_PLUGIN_DIR "/" GLYPHON_TEST_TEXT_ECHO_STYLE), plugin));
    }
    registerStyleKind(id, QStringLiteral("Text echo %1").arg(id), styleFolder(),
                      QStringLiteral(GLYPHON_TEST_TEXT_ECHO_STYLE));
  }

  // The window's widgets the editing tests use.
  QPlainTextEdit* memo() const { return namedChild<QPlainTextEdit>(*window, "MemoText"); }
  QComboBox* fontSizes() const { return namedChild<QComboBox>(*window, "ComboBoxFontSize"); }
  ColorBox* colors() const { return namedChild<ColorBox>(*window, "ColorBoxColor"); }
  CanvasView* canvasView() const { return namedChild<CanvasView>(*window, "ImageScreen"); }
  // The note beside the status panels; hidden when there is nothing to say.
  QLabel* statusNote() const { return namedChild<QLabel>(*window, "StatusNote"); }
  QScrollArea* scrollBox() const { return namedChild<QScrollArea>(*window, "ScrollBox"); }
  ImageBox* previewImage() const { return namedChild<ImageBox>(*window, "PreviewImage"); }
  TTransForm* transForm() const { return namedChild<TTransForm>(*window, "TransForm"); }
  QPushButton* button(const char* name) const { return namedButton(*window, name); }
  QAction* action(const char* name) const { return namedAction(*window, name); }
  // The picture of style font index (0 to 4) in the toolbar.
  ImageBox* styleFontImage(int index) const {
    return namedChild<ImageBox>(*window, QStringLiteral("StyleFontImage%1").arg(index + 1));
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
    return canvasView()->toView(canvasX, canvasY);
  }
  // Where the canvas lies in the view's picture.
  Rect placement() const { return canvasView()->screenLayout().Placement; }

  void press(int32_t x, int32_t y, Qt::MouseButton button = Qt::LeftButton) {
    m_held |= button;
    QTest::mousePress(canvasView(), button, Qt::NoModifier, viewPoint(x, y));
  }
  // A pointer move over the view, with the buttons pressed and not released.
  void moveTo(int32_t x, int32_t y) {
    const QPoint at = viewPoint(x, y);
    CanvasView* view = canvasView();
    QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, m_held,
                     Qt::NoModifier);
    QApplication::sendEvent(view, &move);
  }
  void release(int32_t x, int32_t y, Qt::MouseButton button = Qt::LeftButton) {
    m_held &= ~Qt::MouseButtons(button);
    QTest::mouseRelease(canvasView(), button, Qt::NoModifier, viewPoint(x, y));
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
    QPlainTextEdit* edit = memo();
    edit->clear();
    edit->setFocus();
    QTest::keyClicks(edit, text);
  }

  // What the screen shows of the canvas view (the window's backing store,
  // as repainted bit by bit), over the part of the view that is visible.
  QImage shownView() const {
    QApplication::processEvents();
    const QWidget* viewport = scrollBox()->viewport();
    const CanvasView* view = canvasView();
    const QRect visible =
        QRect(view->mapTo(viewport, QPoint()), view->size()).intersected(viewport->rect());
    const QPoint origin = viewport->mapTo(window.get(), visible.topLeft());
    return window->screen()
        ->grabWindow(window->winId(), origin.x(), origin.y(), visible.width(), visible.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
  }

  // The picture as it must be: the backdrop and every item from the bottom
  // up, composed from scratch.
  Bitmap recomposed() const {
    Bitmap canvas = composition().BackdropBitmap();
    queue().DrawAll(canvas);
    return canvas;
  }

  // What the view must show at Actual Size: grey, the canvas centred in a
  // black frame two pixels wide, and the selected item's handles while
  // shown, ten pixels square, as pixels of the canvas.
  Bitmap screenImage() const {
    Bitmap canvas = recomposed();
    if (queue().Selected && queue().HandlesShown)
      TQueueData().DrawHandles(queue().Selected->Rect, canvas);
    const ScreenLayout& layout = canvasView()->screenLayout();
    Bitmap screen(layout.Width, layout.Height);
    fillRect(screen, screen.bounds(), rgb(128, 128, 128));
    const Rect p = layout.Placement;
    drawRectangle(screen, {p.Left - 2, p.Top - 2, p.Right + 2, p.Bottom + 2}, rgb(255, 255, 255),
                  rgb(0, 0, 0), 2);
    bitBlt(screen, p.Left, p.Top, p.width(), p.height(), canvas, 0, 0);
    return screen;
  }

  // The canvas equals a full recomposition and the view shows it as the
  // screen image above; with frameShown the drag outline may differ from it.
  void expectShowsRecomposition(bool frameShown = false) const {
    const Bitmap expected = recomposed();
    ASSERT_TRUE(composition().CanvasBitmap() == expected) << "canvas differs from recomposition";
    ASSERT_TRUE(canvasView()->mapping().isActualSize()) << "the view is zoomed";
    const Bitmap screen = screenImage();
    if (frameShown) return;
    const QImage shown = shownView();
    const QWidget* viewport = scrollBox()->viewport();
    const QPoint offset = -canvasView()->mapTo(viewport, QPoint());
    const QPoint first(std::max(0, offset.x()), std::max(0, offset.y()));
    // The transparency window floats over the view where it is open.
    QRect covered;
    const TTransForm* floating = transForm();
    if (floating->isVisible())
      covered = QRect(floating->mapTo(window.get(), QPoint()), floating->size())
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
