// Set Wallpaper and Preview through the real main window.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>
#include <memory>
#include <vector>

#include "engine/core/TextItem.h"
#include "services/documents/Wallpaper.h"
#include "services/shell/AppPaths.h"
#include "tests/windows/mainform/MainFormTestSupport.h"
#include "tests/windows/shell/WindowTestSupport.h"
#include "windows/documents/DesktopOpt.h"
#include "windows/documents/Preview.h"
#include "windows/mainform/CanvasView.h"
#include "windows/mainform/MainForm.h"

namespace glyphon {
namespace {

using testing::RecordingMessageBoxes;
using testing::whenDialogOpens;

// Records every request and answers with a scripted result.
class RecordingWallpaperSetter final : public WallpaperSetter {
 public:
  RecordingWallpaperSetter() : m_scope(*this) {}

  WallpaperResult set(const QString& path, WallpaperStyle style) override {
    requests.push_back({path, style});
    return answer;
  }

  struct Request {
    QString path;
    WallpaperStyle style;
  };
  std::vector<Request> requests;
  WallpaperResult answer{true, {}};

 private:
  ScopedWallpaperSetter m_scope;
};

class OutputCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    testing::writeJpeg(folder.filePath("pic/default.jpg"), testing::patternPicture(16, 12));
    // A BMP keeps every pixel, so the written wallpaper can be compared.
    testing::writeBmp(folder.filePath("pic/default.bmp"), testing::patternPicture(160, 120));
    testing::configureCanvasPicture(folder.filePath("pic/default.bmp"));
    window = std::make_unique<TMainForm>(folder.path(), QStringList());
    ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().front();
    window->resize(700, 600);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }

  static QString wallpaperFile() { return userDataFolder() + "/KWDesktop.bmp"; }

  // Opens Set Wallpaper, picks radio (null keeps the default) and presses
  // OK, or Cancel when ok is false.
  void setWallpaper(QRadioButton* TWallpaperOptForm::*radio, bool ok = true) {
    whenDialogOpens<TWallpaperOptForm>([radio, ok](TWallpaperOptForm& dialog) {
      if (radio != nullptr) QTest::mouseClick(dialog.*radio, Qt::LeftButton);
      QTest::mouseClick(ok ? dialog.BitBtnOK : dialog.BitBtnCancel, Qt::LeftButton);
    });
    button("ButtonWallpaper")->click();
  }

  QAction* action(const char* name) const { return testing::namedAction(*window, name); }
  QPushButton* button(const char* name) const { return testing::namedButton(*window, name); }

  // Puts a selected item with its handles on the canvas.
  void addSelectedItem() {
    auto item = std::make_unique<TTextItem>();
    item->Rect = {40, 30, 100, 70};
    item->Color = rgb(250, 250, 0);
    item->Bitmap = std::make_shared<Bitmap>(testing::flatPicture(6, 4, rgb(255, 0, 0)));
    window->composition().addItem(std::move(item));
    window->composition().setModified(false);
  }

  QTemporaryDir folder;
  RecordingMessageBoxes boxes;
  RecordingWallpaperSetter setter;
  std::unique_ptr<TMainForm> window;
};

TEST_F(OutputCommandsTest, WallpaperAndPreviewCommandsCanBeChosen) {
  EXPECT_TRUE(button("ButtonWallpaper")->isEnabled());
  EXPECT_TRUE(action("MenuSetWallpaper")->isEnabled());
  EXPECT_TRUE(action("MenuPreview")->isEnabled());
  EXPECT_EQ(action("MenuPreview")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
}

TEST_F(OutputCommandsTest, CancelChangesNothing) {
  addSelectedItem();
  const Bitmap before = window->composition().CanvasBitmap();
  setWallpaper(&TWallpaperOptForm::RadioButtonTile, false);
  EXPECT_TRUE(setter.requests.empty());
  EXPECT_FALSE(QFileInfo::exists(wallpaperFile()));
  EXPECT_EQ(window->composition().CanvasBitmap(), before);
  EXPECT_TRUE(window->composition().Queue().HandlesShown);
  EXPECT_FALSE(window->composition().Modified());
  EXPECT_EQ(window->statusText(2), "Unmodified");
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(OutputCommandsTest, TileWritesTheCanvasWithoutHandlesAndPassesStyleOne) {
  addSelectedItem();
  setWallpaper(&TWallpaperOptForm::RadioButtonTile);
  ASSERT_EQ(setter.requests.size(), 1u);
  EXPECT_EQ(setter.requests[0].path, wallpaperFile());
  EXPECT_EQ(int(setter.requests[0].style), 1);

  const Bitmap written = loadBmpFile(wallpaperFile().toStdString());
  EXPECT_EQ(written.width(), 160);
  EXPECT_EQ(written.height(), 120);
  EXPECT_EQ(written, window->composition().CanvasBitmap());
  EXPECT_FALSE(window->composition().Queue().HandlesShown);
  // Taking the handles off marks the picture modified.
  EXPECT_EQ(window->statusText(2), "Modified");
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(OutputCommandsTest, TheDialogOpensWithCenterEveryTimeAndTheFileIsReplaced) {
  setWallpaper(&TWallpaperOptForm::RadioButtonStretch);
  setWallpaper(nullptr);
  ASSERT_EQ(setter.requests.size(), 2u);
  EXPECT_EQ(setter.requests[0].style, WallpaperStyle::Stretch);
  EXPECT_EQ(setter.requests[1].style, WallpaperStyle::Center);
  EXPECT_EQ(QDir(userDataFolder()).entryList(QDir::Files), QStringList{"KWDesktop.bmp"});
}

TEST_F(OutputCommandsTest, ADesktopThatRefusesIsReportedPlainly) {
  setter.answer = {false, QStringLiteral("The wallpaper could not be set on this desktop.")};
  // The menu entry runs the same command as the button.
  whenDialogOpens<TWallpaperOptForm>(
      [](TWallpaperOptForm& dialog) { QTest::mouseClick(dialog.BitBtnOK, Qt::LeftButton); });
  action("MenuSetWallpaper")->trigger();
  ASSERT_EQ(setter.requests.size(), 1u);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].request.caption, "Information");
  EXPECT_EQ(boxes.shown[0].request.text, "The wallpaper could not be set on this desktop.");
}

TEST_F(OutputCommandsTest, AFileThatCannotBeWrittenEndsTheCommandBeforeTheDesktop) {
  // A regular file where the data folder should be stops even root.
  const QString blocked = folder.filePath("blocked");
  QFile(blocked).open(QIODevice::WriteOnly);
  qputenv("XDG_DATA_HOME", blocked.toLocal8Bit());
  setWallpaper(nullptr);
  EXPECT_TRUE(setter.requests.empty());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].request.caption, "Glyphon Editor");
  EXPECT_TRUE(boxes.shown[0].request.text.startsWith("Cannot create file \"" + blocked))
      << boxes.shown[0].request.text.toStdString();
}

// The whole road on a GNOME desktop whose settings live in a key file.
TEST_F(OutputCommandsTest, AGnomeDesktopTakesThePictureInTheChosenPlacement) {
  if (QStandardPaths::findExecutable(QStringLiteral("gsettings")).isEmpty())
    GTEST_SKIP() << "gsettings is not installed";
  qputenv("XDG_CURRENT_DESKTOP", "GNOME");
  qputenv("GSETTINGS_BACKEND", "keyfile");
  DesktopWallpaperSetter desktop;
  const ScopedWallpaperSetter useTheDesktop(desktop);
  setWallpaper(&TWallpaperOptForm::RadioButtonStretch);
  qunsetenv("XDG_CURRENT_DESKTOP");

  auto get = [](const char* key) {
    QProcess gsettings;
    gsettings.start(QStringLiteral("gsettings"), {"get", "org.gnome.desktop.background", key});
    gsettings.waitForFinished();
    return QString::fromUtf8(gsettings.readAllStandardOutput()).trimmed();
  };
  const QString uri = get("picture-uri");
  const QString options = get("picture-options");
  qunsetenv("GSETTINGS_BACKEND");
  EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().front();
  EXPECT_EQ(options, "'stretched'");
  EXPECT_EQ(QUrl(uri.mid(1, uri.size() - 2)).toLocalFile(), wallpaperFile());
  EXPECT_EQ(loadBmpFile(wallpaperFile().toStdString()), window->composition().CanvasBitmap());
}

TEST_F(OutputCommandsTest, PreviewShowsTheWholeViewPictureWithHandlesAndChangesNothing) {
  addSelectedItem();
  // The view's picture at Actual Size: grey, the framed canvas and the
  // handles over it.
  const auto* view = testing::namedChild<CanvasView>(*window, QStringLiteral("ImageScreen"));
  const Composition& comp = window->composition();
  Bitmap canvas = comp.CanvasBitmap();
  TQueueData().DrawHandles(comp.Queue().Selected->Rect, canvas);
  const ScreenLayout& layout = view->screenLayout();
  const Rect p = layout.Placement;
  Bitmap screen(layout.Width, layout.Height);
  fillRect(screen, screen.bounds(), rgb(128, 128, 128));
  drawRectangle(screen, {p.Left - 2, p.Top - 2, p.Right + 2, p.Bottom + 2}, rgb(255, 255, 255),
                rgb(0, 0, 0), 2);
  bitBlt(screen, p.Left, p.Top, p.width(), p.height(), canvas, 0, 0);
  ASSERT_GT(screen.width(), 160);  // surround and frame around the canvas
  Bitmap shown;
  whenDialogOpens<TPreviewForm>([&shown](TPreviewForm& preview) {
    shown = preview.PreviewBitmap;
    QTest::keyClick(&preview, Qt::Key_Escape);
  });
  action("MenuPreview")->trigger();
  EXPECT_EQ(shown, screen);
  EXPECT_TRUE(window->composition().Queue().HandlesShown);
  EXPECT_FALSE(window->composition().Modified());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
}  // namespace glyphon
