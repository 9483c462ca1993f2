// The main window's autosave and recovery, through the real window: when
// the recovery copy is written and removed, and the offer to recover the
// copy of an editor that did not close, with Recover, Discard and Later.
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTest>
#include <memory>
#include <string>

#include "engine/core/FileIO.h"
#include "engine/core/IniFile.h"
#include "engine/documents/ProjectFile.h"
#include "services/shell/AppPaths.h"
#include "tests/windows/mainform/EditWindowSupport.h"

namespace glyphon {
namespace {

using testing::EditWindowTest;
using testing::ScriptedFileDialogs;

class AutosaveTest : public EditWindowTest {
 protected:
  // The files in the state folder.
  static QStringList stateFiles() {
    return QDir(userStateFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
  }
  static QStringList copies() {
    return QDir(userStateFolder()).entryList({QStringLiteral("*.gyf")}, QDir::Files);
  }
  // The copy the window writes, once it has written it.
  void settle() {
    QApplication::processEvents();
    window->waitForAutosave();
    QApplication::processEvents();
  }
  // The copy holds what the window's composition holds.
  void expectCopyHoldsWindow(const QString& copy) {
    const ProjectData read = loadProjectFile(copy.toStdString());
    EXPECT_TRUE(read.Backdrop == composition().BackdropBitmap());
    ASSERT_EQ(read.Items.size(), queue().count());
    for (size_t i = 0; i < read.Items.size(); ++i) {
      EXPECT_EQ(read.Items[i]->Rect, queue().items()[i]->Rect);
      EXPECT_TRUE(*read.Items[i]->Bitmap == *queue().items()[i]->Bitmap);
    }
  }
  // Leaves a copy of a crashed editor in the state folder: the project file,
  // its information and no lock held.
  static void leaveAbandonedCopy(const std::string& base, const Composition& from,
                                 const std::string& projectPath, qint64 savedAt) {
    const std::string folder = userStateFolder().toStdString();
    QDir().mkpath(userStateFolder());
    CanvasSettings settings;
    settings.DefaultBKPic = false;
    settings.BKPicPath = "/pictures/sea.bmp";
    writeWholeFile(folder + "/" + base + ".gyf",
                   writeProject(settings, from.BackdropBitmap(), from.Queue().items()));
    IniFile info;
    info.writeString("Recovery", "ProjectPath", projectPath);
    info.writeString("Recovery", "SavedAt", std::to_string(savedAt));
    info.save(folder + "/" + base + ".ini");
  }
  static QString timeText(qint64 savedAt) {
    return QLocale().toString(QDateTime::fromSecsSinceEpoch(savedAt), QLocale::ShortFormat);
  }
  // A second window, started as the editor starts after a crash.
  std::unique_ptr<TMainForm> startAgain() {
    auto again = std::make_unique<TMainForm>(folder.path(), QStringList());
    again->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(again.get()));
    QApplication::processEvents();
    return again;
  }

  ScriptedFileDialogs dialogs;
};

TEST_F(AutosaveTest, TheFirstChangeIsCopiedAtOnceAndLaterOnesEveryInterval) {
  EXPECT_TRUE(copies().isEmpty());
  addItem({10, 10, 90, 60}, 1);
  settle();
  ASSERT_EQ(copies().size(), 1);
  const QString copy = userStateFolder() + "/" + copies().front();
  expectCopyHoldsWindow(copy);
  EXPECT_TRUE(window->recoveryCopyCurrent());
  EXPECT_EQ(window->autosaveCounts().written, 1);
  EXPECT_EQ(stateFiles().size(), 3);  // the copy, its information, the lock
  const IniFile info = IniFile::load(QString(copy).replace(".gyf", ".ini").toStdString());
  EXPECT_EQ(info.readString("Recovery", "ProjectPath", "?"), "");

  // A second change waits for the interval.
  addItem({100, 100, 150, 130}, 2);
  settle();
  EXPECT_EQ(window->autosaveCounts().written, 1);
  EXPECT_FALSE(window->recoveryCopyCurrent());
  window->setAutosaveInterval(20);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->autosaveCounts().written == 2; }, 5000));
  settle();
  expectCopyHoldsWindow(copy);
  // Nothing changed since: no more copies.
  QTest::qWait(100);
  EXPECT_EQ(window->autosaveCounts().written, 2);
}

TEST_F(AutosaveTest, SavingOrDiscardingTheWorkRemovesTheCopy) {
  addItem({10, 10, 90, 60}, 1);
  settle();
  ASSERT_EQ(copies().size(), 1);
  dialogs.answers.push_back(folder.filePath("work.gyf"));
  action("MenuSaveProject")->trigger();
  settle();
  EXPECT_TRUE(copies().isEmpty());
  EXPECT_EQ(stateFiles().size(), 1);  // the lock of the running editor

  // The first change after the save is copied at once again, with the
  // project it belongs to.
  addItem({20, 20, 60, 60}, 2);
  settle();
  ASSERT_EQ(copies().size(), 1);
  const QString info = userStateFolder() + "/" + copies().front().replace(".gyf", ".ini");
  EXPECT_EQ(IniFile::load(info.toStdString()).readString("Recovery", "ProjectPath", "?"),
            folder.filePath("work.gyf").toStdString());

  // New, answering No to saving: the work is given up, and so is its copy.
  boxes.answers.push_back(MessageAnswer::No);
  action("MenuNew")->trigger();
  settle();
  EXPECT_TRUE(copies().isEmpty());

  // Closing the window: nothing is left, the lock neither.
  addItem({20, 20, 60, 60}, 3);
  settle();
  ASSERT_EQ(copies().size(), 1);
  boxes.answers.push_back(MessageAnswer::No);
  window->close();
  EXPECT_TRUE(stateFiles().isEmpty());
}

TEST_F(AutosaveTest, RecoverOpensTheCopyAsUnsavedWorkOfItsProject) {
  addItem({10, 10, 90, 60}, 1);
  addItem({50, 30, 200, 120}, 2, 60);
  const QString project = folder.filePath("cards/birthday.gyf");
  const qint64 savedAt = 1700000000;
  leaveAbandonedCopy("recovery-1-1", composition(), project.toStdString(), savedAt);
  const Bitmap canvas = composition().CanvasBitmap();
  const Bitmap backdrop = composition().BackdropBitmap();

  boxes.answers.push_back(MessageAnswer::Yes);
  const auto again = startAgain();
  ASSERT_EQ(boxes.shown.size(), 1u);
  const MessageRequest& asked = boxes.shown[0].request;
  EXPECT_EQ(asked.buttonTexts, (QStringList{"Recover", "Discard", "Later"}));
  EXPECT_EQ(asked.buttons, MessageButtons::YesNoCancel);
  EXPECT_TRUE(asked.text.contains("\"birthday.gyf\"")) << asked.text.toStdString();
  EXPECT_TRUE(asked.text.contains(timeText(savedAt))) << asked.text.toStdString();

  const Composition& recovered = again->composition();
  EXPECT_TRUE(recovered.CanvasBitmap() == canvas);
  EXPECT_TRUE(recovered.BackdropBitmap() == backdrop);
  ASSERT_EQ(recovered.Queue().count(), 2u);
  EXPECT_EQ(recovered.Queue().items()[1]->Opacity, 60);
  EXPECT_TRUE(recovered.Modified());
  EXPECT_EQ(again->projectPath(), project);
  EXPECT_EQ(again->statusText(2), "Modified");
  EXPECT_EQ(again->statusText(3), project);
  EXPECT_EQ(again->settings().BKPicPath, "/pictures/sea.bmp");

  // Its own copy takes over; the old one goes.
  again->waitForAutosave();
  EXPECT_FALSE(QFileInfo::exists(userStateFolder() + "/recovery-1-1.gyf"));
  EXPECT_FALSE(QFileInfo::exists(userStateFolder() + "/recovery-1-1.lock"));

  // Save writes to the project's own file, without asking.
  QDir().mkpath(folder.filePath("cards"));
  testing::namedAction(*again, "MenuSaveProject")->trigger();
  EXPECT_TRUE(dialogs.requests.empty());
  const ProjectData saved = loadProjectFile(project.toStdString());
  EXPECT_EQ(saved.Items.size(), 2u);
  EXPECT_FALSE(recovered.Modified());
  again->waitForAutosave();
  window->waitForAutosave();
  EXPECT_EQ(copies().size(), 1);  // the first window's own
}

TEST_F(AutosaveTest, DiscardDeletesTheCopyAndLaterKeepsItForTheNextStart) {
  addItem({10, 10, 90, 60}, 1);
  leaveAbandonedCopy("recovery-1-1", composition(), "", 1700000000);
  leaveAbandonedCopy("recovery-1-2", composition(), "/x/older.gyf", 1600000000);
  // Its own copy goes with it, the work given up at the question.
  boxes.answers.push_back(MessageAnswer::No);
  window->close();
  ASSERT_EQ(copies().size(), 2);

  // Later: nothing changes, nothing is asked about the older one.
  boxes.answers = {MessageAnswer::Cancel};
  auto again = startAgain();
  ASSERT_EQ(boxes.shown.size(), 2u);  // the question to save at close, and the offer
  EXPECT_TRUE(boxes.shown[1].request.text.contains("Untitled"));
  EXPECT_FALSE(again->composition().Modified());
  again.reset();
  EXPECT_EQ(copies().size(), 2);

  // Discard the newer, then Later for the older.
  boxes.answers = {MessageAnswer::No, MessageAnswer::Cancel};
  again = startAgain();
  ASSERT_EQ(boxes.shown.size(), 4u);
  EXPECT_TRUE(boxes.shown[3].request.text.contains("\"older.gyf\""));
  EXPECT_EQ(copies(), QStringList{"recovery-1-2.gyf"});
  EXPECT_FALSE(QFileInfo::exists(userStateFolder() + "/recovery-1-1.ini"));
  EXPECT_FALSE(again->composition().Modified());
}

TEST_F(AutosaveTest, ACopyThatCannotBeReadIsReportedAndKept) {
  QDir().mkpath(userStateFolder());
  writeWholeFile(userStateFolder().toStdString() + "/recovery-1-1.gyf",
                 std::vector<uint8_t>{'1', '.', '2'});
  boxes.answers.push_back(MessageAnswer::Yes);
  const auto again = startAgain();
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_TRUE(boxes.shown[1].request.text.contains("cannot be opened"))
      << boxes.shown[1].request.text.toStdString();
  EXPECT_FALSE(again->composition().Modified());
  EXPECT_EQ(copies(), QStringList{"recovery-1-1.gyf"});
}

TEST_F(AutosaveTest, ACopyThatCannotBeWrittenIsNotedAndTheWorkGoesOn) {
  // The state folder is a file: no copy can be kept.
  QDir().mkpath(QFileInfo(userStateFolder()).absolutePath());
  writeWholeFile(userStateFolder().toStdString(), std::vector<uint8_t>{1});
  addItem({10, 10, 90, 60}, 1);
  settle();
  EXPECT_EQ(window->autosaveCounts().failed, 1);
  EXPECT_TRUE(statusNote()->isVisible());
  EXPECT_TRUE(
      statusNote()->text().startsWith("The recovery copy could not be written: Cannot keep"))
      << statusNote()->text().toStdString();
  EXPECT_TRUE(boxes.shown.empty());
  // Tried again at the next interval; the editing goes on.
  window->setAutosaveInterval(20);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->autosaveCounts().failed >= 2; }, 5000));
  addItem({100, 100, 150, 130}, 2);
  EXPECT_EQ(queue().count(), 2u);
}

}  // namespace
}  // namespace glyphon
