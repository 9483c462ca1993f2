// The editor as a whole process (glyphon-editor, scripted through
// GLYPHON_TEST_SCRIPT): killed with SIGKILL in the middle of work and
// started again, two editors at once, and a full disk under the recovery
// copies.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/FileIO.h"
#include "engine/documents/ProjectFile.h"
#include "services/shell/AppPaths.h"
#include "tests/windows/mainform/EditWindowSupport.h"

namespace glyphon {
namespace {

using testing::namedAction;
using testing::namedButton;
using testing::noiseItem;
using testing::patternPicture;

constexpr int kWaitMs = 60000;

// One run of glyphon-editor with a script, read line by line.
class Editor {
 public:
  // wrapper: a command (and its arguments) that runs the editor, which it
  // is given as its last argument before the editor's own.
  Editor(const QStringList& arguments, const QStringList& script, const QStringList& wrapper = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("GLYPHON_TEST_SCRIPT"), script.join(QLatin1Char('\n')));
    environment.insert(QStringLiteral("GLYPHON_AUTOSAVE_INTERVAL_MS"), QStringLiteral("100"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    const QString editor = QStringLiteral(GLYPHON_BUILD_DIR "/glyphon-editor");
    if (wrapper.isEmpty()) {
      m_process.start(editor, arguments);
    } else {
      m_process.start(wrapper.front(), wrapper.mid(1) + QStringList{editor} + arguments);
    }
  }
  ~Editor() {
    if (m_process.state() != QProcess::NotRunning) kill();
  }

  // Waits for a line that starts with start; false when the script failed,
  // the editor ended or the time ran out first.
  bool waitFor(const QString& start) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
      while (m_process.canReadLine()) {
        const QString line = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        m_lines << line;
        if (line.startsWith(start)) return true;
        if (line.contains(QStringLiteral(" failed: "))) return false;
      }
      if (clock.elapsed() > kWaitMs) return false;
      if (m_process.state() == QProcess::NotRunning) {
        if (!m_process.canReadLine()) return false;
        continue;
      }
      m_process.waitForReadyRead(100);
    }
  }
  // The line that starts with start, as read so far.
  [[nodiscard]] QString line(const QString& start) const {
    for (const QString& l : m_lines)
      if (l.startsWith(start)) return l;
    return {};
  }
  [[nodiscard]] QString output() const { return m_lines.join(QLatin1Char('\n')); }
  [[nodiscard]] qint64 pid() const { return m_process.processId(); }

  // SIGKILL, as a crash.
  void kill() {
    ::kill(pid_t(m_process.processId()), SIGKILL);
    m_process.waitForFinished(kWaitMs);
  }
  // Waits for a normal end; returns the exit code, -1 for anything else.
  int waitForExit() {
    const bool finished = m_process.waitForFinished(kWaitMs);
    m_lines << QString::fromLocal8Bit(m_process.readAll()).split(QLatin1Char('\n'));
    if (!finished) return -1;
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
  }

 private:
  QProcess m_process;
  QStringList m_lines;
};

class EditorProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    testing::installEchoStyles(folder.filePath(QStringLiteral("styles")));
    testing::writeBmp(picturePath(), patternPicture(300, 200));
    // A project with one item, made from that picture at its own size.
    CanvasSettings settings;
    settings.DefaultBKPic = false;
    settings.BKPicPath = picturePath().toStdString();
    std::vector<std::unique_ptr<TTextItem>> items;
    items.push_back(noiseItem({150, 100, 250, 180}, 3));
    saveProjectFile(project().toStdString(), settings, patternPicture(300, 200), items);
    m_projectBytes = readWholeFile(project().toStdString());
  }

  QString picturePath() const { return folder.filePath(QStringLiteral("sea.bmp")); }
  QString project() const { return folder.filePath(QStringLiteral("card.gyf")); }
  static QStringList copies() {
    return QDir(userStateFolder()).entryList({QStringLiteral("*.gyf")}, QDir::Files);
  }
  static QStringList stateFiles() { return QDir(userStateFolder()).entryList(QDir::Files); }
  bool projectUntouched() const { return readWholeFile(project().toStdString()) == m_projectBytes; }

  QTemporaryDir folder;

 private:
  std::vector<uint8_t> m_projectBytes;
};

// The edits of the first run: two items added and one pasted.
const QStringList kEdits = {QStringLiteral("type Hello"),     QStringLiteral("click ButtonAdd"),
                            QStringLiteral("click MenuCopy"), QStringLiteral("click MenuPaste"),
                            QStringLiteral("type World"),     QStringLiteral("click ButtonAdd")};

TEST_F(EditorProcessTest, AnEditorKilledInTheMiddleOfWorkIsRecoveredPixelForPixel) {
  // What the edits make, done in a window of this process.
  Bitmap expectedCanvas;
  std::vector<std::unique_ptr<TTextItem>> expectedItems;
  {
    testing::RecordingMessageBoxes boxes;
    // The data folder of the build, as the editor's own.
    TMainForm window(QStringLiteral(GLYPHON_BUILD_DIR), {project()});
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto* memo = testing::namedChild<QPlainTextEdit>(window, QStringLiteral("MemoText"));
    memo->setPlainText(QStringLiteral("Hello"));
    namedButton(window, QStringLiteral("ButtonAdd"))->click();
    namedAction(window, QStringLiteral("MenuCopy"))->trigger();
    namedAction(window, QStringLiteral("MenuPaste"))->trigger();
    memo->setPlainText(QStringLiteral("World"));
    namedButton(window, QStringLiteral("ButtonAdd"))->click();
    ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().front();
    expectedCanvas = window.composition().CanvasBitmap();
    for (const auto& item : window.composition().Queue().items())
      expectedItems.push_back(std::make_unique<TTextItem>(*item));
  }
  ASSERT_EQ(expectedItems.size(), 4u);
  ASSERT_TRUE(copies().isEmpty());

  Editor first({project()}, kEdits + QStringList{QStringLiteral("wait-copy")});
  ASSERT_TRUE(first.waitFor(QStringLiteral("script done"))) << first.output().toStdString();
  first.kill();
  ASSERT_EQ(copies().size(), 1);
  EXPECT_TRUE(projectUntouched());

  Editor second({}, {QStringLiteral("answer Recover"), QStringLiteral("click MenuSaveProject"),
                     QStringLiteral("click MenuExit")});
  ASSERT_EQ(second.waitForExit(), 0) << second.output().toStdString();
  EXPECT_TRUE(second.line(QStringLiteral("step 3 done")).size() > 0)
      << second.output().toStdString();
  const QString asked = second.line(QStringLiteral("box: "));
  EXPECT_TRUE(asked.contains(QStringLiteral("\"card.gyf\""))) << asked.toStdString();

  // Save wrote the recovered work to the project's own file.
  ProjectData saved = loadProjectFile(project().toStdString());
  ASSERT_EQ(saved.Items.size(), expectedItems.size());
  for (size_t i = 0; i < saved.Items.size(); ++i) {
    const TTextItem& a = *saved.Items[i];
    const TTextItem& b = *expectedItems[i];
    EXPECT_EQ(a.Rect, b.Rect) << i;
    EXPECT_EQ(a.Text, b.Text) << i;
    EXPECT_EQ(a.Color, b.Color) << i;
    EXPECT_EQ(a.SizeIndex, b.SizeIndex) << i;
    EXPECT_EQ(a.StyleKind, b.StyleKind) << i;
    EXPECT_TRUE(*a.Bitmap == *b.Bitmap) << i;
  }
  Composition recovered;
  recovered.setBackdropAndItems(std::move(saved.Backdrop), std::move(saved.Items));
  EXPECT_TRUE(recovered.CanvasBitmap() == expectedCanvas);
  // Nothing is left to recover.
  EXPECT_TRUE(stateFiles().isEmpty()) << stateFiles().join(' ').toStdString();
}

TEST_F(EditorProcessTest, TwoEditorsAtOnceNeverTakeEachOthersCopy) {
  Editor a({project()}, {QStringLiteral("type A"), QStringLiteral("click ButtonAdd"),
                         QStringLiteral("wait-copy")});
  ASSERT_TRUE(a.waitFor(QStringLiteral("script done"))) << a.output().toStdString();
  const QString go = folder.filePath(QStringLiteral("go"));
  // B is offered nothing (its first step fails on any box) and keeps a copy
  // of its own.
  Editor b({project()},
           {QStringLiteral("no-box"), QStringLiteral("type B"), QStringLiteral("click ButtonAdd"),
            QStringLiteral("wait-copy"), QStringLiteral("wait-file ") + go,
            QStringLiteral("click MenuExit"), QStringLiteral("answer No")});
  ASSERT_TRUE(b.waitFor(QStringLiteral("step 4 done"))) << b.output().toStdString();
  EXPECT_EQ(copies().size(), 2);
  QFile(go).open(QIODevice::WriteOnly);
  ASSERT_EQ(b.waitForExit(), 0) << b.output().toStdString();
  // B closed normally: its copy went, A's stayed.
  ASSERT_EQ(copies().size(), 1);
  const QString aCopy = copies().front();
  EXPECT_TRUE(aCopy.startsWith(QStringLiteral("recovery-%1-").arg(a.pid())));

  // A crashes; the next editor offers A's copy, and Discard deletes it.
  a.kill();
  Editor c({}, {QStringLiteral("answer Discard"), QStringLiteral("no-box"),
                QStringLiteral("click MenuExit")});
  ASSERT_EQ(c.waitForExit(), 0) << c.output().toStdString();
  EXPECT_TRUE(c.line(QStringLiteral("box: ")).contains(QStringLiteral("\"card.gyf\"")));
  EXPECT_TRUE(stateFiles().isEmpty()) << stateFiles().join(' ').toStdString();
  EXPECT_TRUE(projectUntouched());
}

// The recovery copies on a small file system of their own (a tmpfs in a
// private mount namespace): the second copy does not fit.
TEST_F(EditorProcessTest, AFullDiskChangesNothingTheUserHas) {
  QProcess probe;
  probe.start(QStringLiteral("unshare"),
              {QStringLiteral("--user"), QStringLiteral("--map-root-user"),
               QStringLiteral("--mount"), QStringLiteral("true")});
  if (!probe.waitForFinished(10000) || probe.exitStatus() != QProcess::NormalExit ||
      probe.exitCode() != 0)
    GTEST_SKIP() << "no private mount namespace here (unshare --user --mount failed)";

  const QString state = QDir::cleanPath(userStateFolder() + QStringLiteral("/.."));
  ASSERT_TRUE(QDir().mkpath(state));
  const QString go1 = folder.filePath(QStringLiteral("go1"));
  const QString go2 = folder.filePath(QStringLiteral("go2"));
  Editor editor(
      {project()},
      {QStringLiteral("type A"), QStringLiteral("click ButtonAdd"), QStringLiteral("wait-copy"),
       QStringLiteral("wait-file ") + go1, QStringLiteral("type Full disk, full disk"),
       QStringLiteral("click ButtonAdd"), QStringLiteral("wait-autosaves 2"),
       QStringLiteral("print-note"), QStringLiteral("wait-file ") + go2,
       QStringLiteral("click MenuSaveProject"), QStringLiteral("click MenuExit")},
      {QStringLiteral("unshare"), QStringLiteral("--user"), QStringLiteral("--map-root-user"),
       QStringLiteral("--mount"), QStringLiteral("sh"), QStringLiteral("-c"),
       QStringLiteral("mount -t tmpfs -o size=300k tmpfs \"%1\" && exec \"$0\" \"$@\"")
           .arg(state)});
  ASSERT_TRUE(editor.waitFor(QStringLiteral("step 3 done"))) << editor.output().toStdString();
  // The editor's state folder, seen through its own mount namespace.
  const QString inside = QStringLiteral("/proc/%1/root").arg(editor.pid()) + userStateFolder();
  const QStringList found = QDir(inside).entryList({QStringLiteral("*.gyf")}, QDir::Files);
  ASSERT_EQ(found.size(), 1) << inside.toStdString();
  const std::string copy = (inside + QLatin1Char('/') + found.front()).toStdString();
  const std::vector<uint8_t> firstCopy = readWholeFile(copy);
  EXPECT_EQ(readProject(firstCopy).Items.size(), 2u);
  EXPECT_TRUE(copies().isEmpty());  // nothing reached the real folder

  QFile(go1).open(QIODevice::WriteOnly);
  ASSERT_TRUE(editor.waitFor(QStringLiteral("note: "))) << editor.output().toStdString();
  EXPECT_TRUE(
      editor.line(QStringLiteral("note: ")).contains(QStringLiteral("No space left on device")))
      << editor.output().toStdString();
  // The copy before and the user's project are as they were.
  EXPECT_TRUE(readWholeFile(copy) == firstCopy);
  EXPECT_TRUE(projectUntouched());
  EXPECT_EQ(QDir(inside).entryList(QDir::Files | QDir::Hidden).size(), 3);

  // The editor goes on: the work is saved and it closes normally.
  QFile(go2).open(QIODevice::WriteOnly);
  ASSERT_EQ(editor.waitForExit(), 0) << editor.output().toStdString();
  EXPECT_EQ(loadProjectFile(project().toStdString()).Items.size(), 3u);
}

}  // namespace
}  // namespace glyphon
