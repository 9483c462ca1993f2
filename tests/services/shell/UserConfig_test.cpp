// The configuration file and the chosen language as the main window uses
// them: read at start-up before the first canvas is made, written whenever
// the window goes.
#include "services/shell/UserConfig.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <memory>

#include "services/shell/AppPaths.h"
#include "windows/mainform/MainForm.h"
#include "tests/windows/shell/WindowTestSupport.h"

namespace glyphon {
namespace {

using testing::RecordingMessageBoxes;

class UserConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(programFolder.isValid());
    testing::writeJpeg(programFolder.filePath("pic/default.jpg"),
                       testing::flatPicture(64, 48, rgb(40, 90, 160)));
  }
  void TearDown() override { qunsetenv(kLanguageVariable); }

  void start() { window = std::make_unique<TMainForm>(programFolder.path(), QStringList()); }

  static QString readConfigFile() {
    QFile file(userConfigPath());
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
  }

  static void writeConfigFile(const QByteArray& text) {
    QDir().mkpath(userConfigFolder());
    QFile file(userConfigPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }

  QTemporaryDir programFolder;
  RecordingMessageBoxes boxes;
  std::unique_ptr<TMainForm> window;
};

TEST_F(UserConfigTest, FirstRunMakesTheFolderAndClosingWritesEveryKey) {
  ASSERT_FALSE(QFileInfo::exists(userConfigFolder()));
  start();
  EXPECT_TRUE(QFileInfo(userConfigFolder()).isDir());
  EXPECT_EQ(window->settings(), CanvasSettings());
  EXPECT_EQ(window->printSettings(), PrintLayout());
  EXPECT_FALSE(QFileInfo::exists(userConfigPath()));

  window->close();
  const QString written = readConfigFile();
  EXPECT_TRUE(written.startsWith("[System]\nBKPicPath=pic/default.jpg\n")) << written.toStdString();
  EXPECT_TRUE(written.contains("\n[PrintPrew]\nTop=20\n"));
  EXPECT_EQ(written.count('='), 16);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(UserConfigTest, TheSettingsAreReadBeforeTheFirstCanvasIsMade) {
  writeConfigFile("[SYSTEM]\nsameasbkpic=0\nWidth=0x400\nHeight=abc\n");
  start();
  EXPECT_EQ(window->composition().CanvasBitmap().width(), 1024);
  EXPECT_EQ(window->composition().CanvasBitmap().height(), 600);
  EXPECT_EQ(window->statusText(1), "Object picture size: 1024 x 600");
}

TEST_F(UserConfigTest, SettingsSurviveARestartAlsoWhenTheWindowIsNeverClosed) {
  Configuration chosen;
  chosen.Canvas.SameAsBKPic = false;
  chosen.Canvas.Width = 320;
  chosen.Print.Center = false;
  chosen.Print.Top = 2.5;
  chosen.Print.TopUnit = PrintUnit::Centimeter;
  saveUserConfiguration(chosen);
  start();
  // Only the window still knows the settings now.
  ASSERT_TRUE(QFile::remove(userConfigPath()));
  // The application may quit without closing its window.
  window.reset();
  EXPECT_TRUE(QFileInfo::exists(userConfigPath()));

  start();
  EXPECT_FALSE(window->settings().SameAsBKPic);
  EXPECT_EQ(window->settings().Width, 320);
  EXPECT_FALSE(window->printSettings().Center);
  EXPECT_EQ(window->printSettings().Top, 2.5);
  EXPECT_EQ(window->printSettings().TopUnit, PrintUnit::Centimeter);
  EXPECT_EQ(window->composition().CanvasBitmap().width(), 320);
}

TEST_F(UserConfigTest, AFailedWriteIsReportedAndTheWindowStillCloses) {
  writeConfigFile("[System]\nWidth=999\n");
  start();
  // A regular file in place of the configuration folder's parent.
  const QString blocked = programFolder.filePath("blocked");
  QFile(blocked).open(QIODevice::WriteOnly);
  qputenv("XDG_CONFIG_HOME", blocked.toLocal8Bit());

  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  EXPECT_TRUE(window->close());
  EXPECT_FALSE(window->isVisible());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].request.caption, "Glyphon Editor");
  EXPECT_EQ(boxes.shown[0].request.text, "Unable to write to " + blocked + "/Glyphon/cfg.ini.");
  // Written once: going away after the close reports nothing more.
  window.reset();
  EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(UserConfigTest, TheLanguageIsChosenByTheEnvironment) {
  QDir().mkpath(programFolder.filePath("Languages"));
  for (const char* name : {"Languages/Deutsch.ini", "Languages/Alpha.ini"}) {
    QFile file(programFolder.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  start();
  EXPECT_EQ(window->languageIndex(), -1);

  qputenv(kLanguageVariable, "deutsch");
  start();
  EXPECT_EQ(window->languageIndex(), 1);

  qputenv(kLanguageVariable, "Klingon");
  start();
  EXPECT_EQ(window->languageIndex(), -1);
}

}  // namespace
}  // namespace glyphon
