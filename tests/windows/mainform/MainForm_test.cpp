#include "windows/mainform/MainForm.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <memory>

#include "tests/windows/mainform/MainFormTestSupport.h"
#include "tests/windows/shell/WindowTestSupport.h"
#include "windows/mainform/CanvasView.h"
#include "windows/shell/ColorBox.h"

namespace glyphon {
namespace {

using testing::RecordingMessageBoxes;

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(programFolder.isValid()); }

  QString defaultPicture() const {
    return programFolder.filePath(QStringLiteral("pic/default.jpg"));
  }

  void startWithDefaultPicture(int32_t width, int32_t height, QStringList arguments = {}) {
    testing::writeJpeg(defaultPicture(), testing::flatPicture(width, height, rgb(40, 90, 160)));
    start(std::move(arguments));
  }

  void start(QStringList arguments = {}) {
    window = std::make_unique<TMainForm>(programFolder.path(), std::move(arguments));
  }

  // Shows the window at a size that fits the offscreen screen and lets it
  // lay itself out.
  void showAt(int width, int height) {
    window->resize(width, height);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QApplication::processEvents();
  }

  // Makes a canvas from a BMP file, whose pixels survive exactly, through
  // New Format.
  void newCanvasFrom(const Bitmap& picture) {
    const QString path = programFolder.filePath(QStringLiteral("canvas.bmp"));
    testing::writeBmp(path, picture);
    testing::runNewFormat(*window, path);
    QApplication::processEvents();
  }

  template <typename T>
  T* child(const char* name) const {
    return testing::namedChild<T>(*window, QString::fromLatin1(name));
  }
  QMenu* menu(const char* name) const { return child<QMenu>(name); }
  QPushButton* button(const char* name) const { return child<QPushButton>(name); }
  QScrollArea* scrollBox() const { return child<QScrollArea>("ScrollBox"); }
  CanvasView* canvasView() const { return child<CanvasView>("ImageScreen"); }
  QComboBox* fontSizes() const { return child<QComboBox>("ComboBoxFontSize"); }

  QTemporaryDir programFolder;
  RecordingMessageBoxes boxes;
  std::unique_ptr<TMainForm> window;
};

TEST_F(MainFormTest, StartsUpWithTheDefaultPictureAndTheStartingChoices) {
  // Opening a project named on the command line is tested with the project
  // commands.
  startWithDefaultPicture(1024, 768);
  EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().front();
  // "[*]" is where the unsaved mark goes; nothing is unsaved yet.
  EXPECT_EQ(window->windowTitle(), "Glyphon Editor[*]");
  EXPECT_FALSE(window->isWindowModified());

  const Composition& c = window->composition();
  EXPECT_EQ(c.CanvasBitmap().width(), 1024);
  EXPECT_EQ(c.CanvasBitmap().height(), 768);
  EXPECT_EQ(c.BackdropBitmap(), c.CanvasBitmap());
  EXPECT_FALSE(c.Modified());
  EXPECT_EQ(c.Queue().count(), 0u);
  EXPECT_EQ(c.ClipItem(), nullptr);
  EXPECT_TRUE(window->projectPath().isEmpty());
  EXPECT_TRUE(window->askBeforeDiscard());
  EXPECT_TRUE(window->commandLineProject().isEmpty());

  EXPECT_EQ(window->statusText(0), "Source picture size: 1024 x 768");
  EXPECT_EQ(window->statusText(1), "Object picture size: 1024 x 768");
  EXPECT_EQ(window->statusText(2), "Unmodified");
  EXPECT_EQ(window->statusText(3), "");

  QComboBox* sizes = fontSizes();
  ASSERT_EQ(sizes->count(), 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(sizes->itemText(i), QString::number(10 * (i + 1)));
  EXPECT_EQ(sizes->currentText(), "50");

  const ColorBox* colors = child<ColorBox>("ColorBoxColor");
  EXPECT_EQ(colors->currentIndex(), ColorBox::kCustomIndex);
  EXPECT_EQ(colors->selected(), rgb(104, 255, 119));
}

TEST_F(MainFormTest, StartUpWithoutTheDefaultPictureReportsItAndGoesOn) {
  start();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].request.caption, "Error");
  const QStringList lines = boxes.shown[0].request.text.split('\r');
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0], "Picture does not exists!");
  EXPECT_EQ(lines[1], defaultPicture());

  EXPECT_TRUE(window->composition().CanvasBitmap().isEmpty());
  EXPECT_EQ(canvasView()->screenLayout().Width, 0);
  EXPECT_EQ(window->statusText(0), "");
  EXPECT_EQ(window->statusText(2), "Unmodified");
  // The later steps of start-up still ran.
  EXPECT_EQ(fontSizes()->currentText(), "50");

  showAt(700, 600);
  EXPECT_EQ(canvasView()->size(), QSize(0, 0));
}

// One entry of a menu as the user sees it; "-" is a separator.
struct Entry {
  const char* caption;
  const char* shortcut = "";
  bool enabled = false;
};

struct ActualEntry {
  std::string caption, shortcut;
  bool enabled = false;
};

std::vector<ActualEntry> entriesOf(const QMenu* menu) {
  std::vector<ActualEntry> entries;
  for (const QAction* action : menu->actions()) {
    if (action->isSeparator())
      entries.push_back({"-", "", false});
    else
      entries.push_back({action->text().toStdString(), action->shortcut().toString().toStdString(),
                         action->isEnabled()});
  }
  return entries;
}

void expectMenu(const QMenu* menu, const char* title, const std::vector<Entry>& expected) {
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->title(), title);
  const std::vector<ActualEntry> actual = entriesOf(menu);
  ASSERT_EQ(actual.size(), expected.size()) << title;
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(actual[i].caption, expected[i].caption) << title << " entry " << i;
    EXPECT_EQ(actual[i].shortcut, expected[i].shortcut) << expected[i].caption;
    EXPECT_EQ(actual[i].enabled, expected[i].enabled) << expected[i].caption;
  }
}

TEST_F(MainFormTest, MenusHoldEveryCommandInOrderAndOnlyBuiltOnesWork) {
  startWithDefaultPicture(64, 48);
  const QList<QAction*> bar = window->menuBar()->actions();
  ASSERT_EQ(bar.size(), 5);
  EXPECT_EQ(bar[0]->menu(), menu("MenuFile"));
  EXPECT_EQ(bar[2]->menu(), menu("MenuView"));
  EXPECT_EQ(bar[4]->menu(), menu("MenuHelp"));

  expectMenu(menu("MenuFile"), "&File",
             {{"Ne&w", "Ctrl+N", true},
              {"&New Format...", "", true},
              {"&Open Project", "", true},
              {"Open &Recent"},  // nothing opened yet
              {"-"},
              {"Sa&ve Project", "Ctrl+S", true},
              {"Save &Project As", "", true},
              {"&Save Picture", "Ctrl+Alt+S", true},
              {"-"},
              {"Set &Wallpaper", "", true},
              {"-"},
              {"Import Backdrop", "Ctrl+B", true},
              {"-"},
              {"P&aper Settings...", "", true},
              {"Print Pre&view...", "", true},
              {"&Print...", "", true},
              {"-"},
              {"E&xit", "", true}});
  // Undo and Redo are offered only when there is a step to undo or redo.
  expectMenu(menu("MenuEdit"), "&Edit",
             {{"&Undo", "Ctrl+Z"},
              {"&Redo", "Ctrl+Y"},
              {"-"},
              {"&Add Text", "Ctrl+A", true},
              {"&Modify Text", "Ctrl+M", true},
              {"&Delete Text", "Del", true},
              {"-"},
              {"Cu&t", "Ctrl+X", true},
              {"&Copy", "Ctrl+C", true},
              {"&Paste", "Ctrl+V", true},
              {"-"},
              {"&Preview...", "Ctrl+P", true}});
  expectMenu(menu("MenuView"), "&View",
             {{"Zoom &In", "Ctrl++", true},
              {"Zoom &Out", "Ctrl+-", true},
              {"&Fit in Window", "Ctrl+0", true},
              {"&Actual Size", "Ctrl+1", true}});
  expectMenu(menu("MenuGlyphonTemplate"), "&Glyphon Template",
             {{"-"}, {"&More Glyphon...", "", true}});
  expectMenu(menu("MenuHelp"), "&Help",
             {{"Help &Contents", "", true},
              {"-"},
              {"Check For &Updates", "", true},
              {"-"},
              {"&About...", "", true}});

  struct Button {
    QPushButton* button;
    const char* caption;
    bool enabled;
  };
  for (const Button& b :
       {Button{button("ButtonNew"), "&New", true},
        Button{button("ButtonBackdrop"), "&Backdrop", true},
        Button{button("ButtonSave"), "&Save", true},
        Button{button("ButtonWallpaper"), "&Wallpaper", true},
        Button{button("ButtonTrans"), "&Transparency", true},
        Button{button("ButtonAdd"), "&Add", true}, Button{button("ButtonModify"), "&Modify", true},
        Button{button("ButtonDel"), "&Delete", true}}) {
    EXPECT_EQ(b.button->text(), b.caption);
    EXPECT_EQ(b.button->isEnabled(), b.enabled) << b.caption;
  }
}

TEST_F(MainFormTest, ExitClosesTheWindow) {
  startWithDefaultPicture(64, 48);
  showAt(700, 600);
  testing::namedAction(*window, QStringLiteral("MenuExit"))->trigger();
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MainFormTest, EveryResizeCentresTheCanvasAgain) {
  startWithDefaultPicture(64, 48);
  newCanvasFrom(testing::patternPicture(120, 90));
  const QScrollArea* box = scrollBox();
  const int extent = box->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, box);
  for (const QSize size : {QSize(700, 600), QSize(760, 700), QSize(640, 520)}) {
    showAt(size.width(), size.height());
    const ScreenLayout& screen = canvasView()->screenLayout();
    EXPECT_EQ(screen.Width, box->width() - extent);
    EXPECT_EQ(screen.Height, box->height() - extent);
    const Rect placement = screen.Placement;
    EXPECT_EQ(placement.Left, (screen.Width - 120) / 2);
    EXPECT_EQ(placement.Top, (screen.Height - 90) / 2);
    EXPECT_EQ(canvasView()->size(), QSize(screen.Width, screen.Height));
    EXPECT_FALSE(box->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(box->verticalScrollBar()->isVisible());
  }
}

TEST_F(MainFormTest, ACanvasLargerThanTheViewScrolls) {
  startWithDefaultPicture(1024, 768);
  showAt(700, 600);
  // It opens fitted; at Actual Size it scrolls.
  EXPECT_TRUE(canvasView()->isFitted());
  testing::namedAction(*window, QStringLiteral("MenuActualSize"))->trigger();
  QApplication::processEvents();
  const ScreenLayout& screen = canvasView()->screenLayout();
  EXPECT_EQ(screen.Width, 1024);
  EXPECT_EQ(screen.Height, 768);
  EXPECT_EQ(screen.Placement, (Rect{0, 0, 1024, 768}));
  EXPECT_TRUE(scrollBox()->horizontalScrollBar()->isVisible());
  EXPECT_TRUE(scrollBox()->verticalScrollBar()->isVisible());
  EXPECT_EQ(scrollBox()->horizontalScrollBar()->maximum(), 1024 - scrollBox()->viewport()->width());
}

TEST_F(MainFormTest, ScreenshotShowsTheCanvasInItsFrameOnGrey) {
  startWithDefaultPicture(64, 48);
  showAt(720, 640);
  const Bitmap picture = testing::patternPicture(200, 150);
  newCanvasFrom(picture);
  ASSERT_TRUE(boxes.shown.empty());

  const QImage shot = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shot.size(), window->size());  // one image pixel per screen pixel
  const Rect placement = canvasView()->screenLayout().Placement;
  const QPoint origin = canvasView()->mapTo(window.get(), QPoint(0, 0));
  const QPoint canvas = origin + QPoint(placement.Left, placement.Top);
  auto colorAt = [&](int x, int y) {
    const QRgb p = shot.pixel(x, y);
    return rgb(uint8_t(qRed(p)), uint8_t(qGreen(p)), uint8_t(qBlue(p)));
  };

  // The canvas, pixel for pixel, where the placement says.
  int wrong = 0;
  for (int32_t y = 0; y < 150; ++y)
    for (int32_t x = 0; x < 200; ++x)
      if (colorAt(canvas.x() + x, canvas.y() + y) != picture.pixel(x, y)) ++wrong;
  EXPECT_EQ(wrong, 0);

  // A black frame two pixels wide, then grey.
  const Color black = rgb(0, 0, 0), grey = rgb(128, 128, 128);
  for (int d = 1; d <= 2; ++d) {
    EXPECT_EQ(colorAt(canvas.x() - d, canvas.y() + 75), black) << d;
    EXPECT_EQ(colorAt(canvas.x() + 199 + d, canvas.y() + 75), black) << d;
    EXPECT_EQ(colorAt(canvas.x() + 100, canvas.y() - d), black) << d;
    EXPECT_EQ(colorAt(canvas.x() + 100, canvas.y() + 149 + d), black) << d;
    EXPECT_EQ(colorAt(canvas.x() - d, canvas.y() - d), black) << d;
  }
  EXPECT_EQ(colorAt(canvas.x() - 3, canvas.y() + 75), grey);
  EXPECT_EQ(colorAt(canvas.x() + 202, canvas.y() + 75), grey);
  EXPECT_EQ(colorAt(canvas.x() + 100, canvas.y() - 3), grey);

  // Grey all round, also in the view's margin beyond the screen image.
  const QRect view(scrollBox()->mapTo(window.get(), QPoint(0, 0)), scrollBox()->size());
  EXPECT_EQ(colorAt(view.left() + 1, view.top() + 1), grey);
  EXPECT_EQ(colorAt(view.right() - 1, view.bottom() - 1), grey);
  EXPECT_EQ(colorAt(view.left() + 1, view.bottom() - 1), grey);
  EXPECT_EQ(colorAt(view.right() - 1, view.top() + 1), grey);

  // The canvas sits in the middle of the view, give or take the margin.
  EXPECT_NEAR(canvas.x() + 100, view.center().x(), 1);
  EXPECT_NEAR(canvas.y() + 75, view.center().y(), 1);
}

}  // namespace
}  // namespace glyphon
