// Open Project, Save Project, Save Project As, Save Picture and the question
// before closing, through the real main window.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <csignal>
#include <memory>
#include <string>

#include "engine/core/TextItem.h"
#include "engine/documents/ProjectFile.h"
#include "engine/documents/ProjectRender.h"
#include "services/shell/RecentProjects.h"
#include "services/shell/UserConfig.h"
#include "tests/windows/mainform/MainFormTestSupport.h"
#include "tests/windows/shell/WindowTestSupport.h"
#include "windows/mainform/CanvasView.h"
#include "windows/mainform/MainForm.h"

namespace glyphon {
namespace {

using testing::RecordingMessageBoxes;
using testing::ScriptedFileDialogs;

QByteArray fileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class ProjectCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    testing::writeJpeg(file("pic/default.jpg"), testing::flatPicture(64, 48, rgb(10, 90, 200)));
    // BMP backdrops keep every pixel, so canvases can be compared exactly.
    testing::writeBmp(file("back.bmp"), testing::patternPicture(300, 200));
    start();
  }

  void start(const QStringList& arguments = {}) {
    window = std::make_unique<TMainForm>(folder.path(), arguments);
    window->resize(700, 600);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }

  QString file(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }
  Composition& composition() { return window->composition(); }

  // New from picture (the default picture when empty), through New Format.
  void newFrom(const QString& picture) { testing::runNewFormat(*window, picture); }

  QAction* action(const char* name) const { return testing::namedAction(*window, name); }
  QPushButton* button(const char* name) const { return testing::namedButton(*window, name); }

  // Adds an item and selects it, with its handles, as Add does.
  void addItem(const char* text, int32_t left, Color color) {
    auto item = std::make_unique<TTextItem>();
    item->Rect = {left, 20, left + 90, 80};
    item->Color = color;
    item->Text = text;
    item->Bitmap = std::make_shared<Bitmap>(testing::patternPicture(30, 20));
    composition().addItem(std::move(item));
  }

  // The canvas the composition shows without selection handles.
  Bitmap cleanCanvas() {
    return composeCanvas(composition().BackdropBitmap(), composition().Queue().items());
  }

  void save(const QString& answer) {
    dialogs.answers.push_back(answer);
    action("SaveProjectAs1")->trigger();
  }

  void open(const QString& answer) {
    dialogs.answers.push_back(answer);
    action("MenuOpenProject")->trigger();
  }

  std::vector<std::string> itemTexts() {
    std::vector<std::string> texts;
    for (const auto& item : composition().Queue().items()) texts.push_back(item->Text);
    return texts;
  }

  // A saved composition of two items over back.bmp: "a.gyf".
  void saveTwoItemProject() {
    newFrom(file("back.bmp"));
    addItem("bottom", 10, rgb(250, 250, 0));
    addItem("top", 150, rgb(0, 250, 250));
    save(file("a.gyf"));
    ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().front();
  }

  QTemporaryDir folder;
  RecordingMessageBoxes boxes;
  ScriptedFileDialogs dialogs;
  std::unique_ptr<TMainForm> window;
};

TEST_F(ProjectCommandsTest, SaveAsksForANameOnceAndOpenBringsTheCompositionBack) {
  for (const char* name :
       {"MenuOpenProject", "MenuSaveProject", "SaveProjectAs1", "MenuSavePicture"})
    EXPECT_TRUE(action(name)->isEnabled()) << name;
  EXPECT_TRUE(button("ButtonSave")->isEnabled());

  newFrom(file("back.bmp"));
  addItem("bottom", 10, rgb(250, 250, 0));
  addItem("top", 150, rgb(0, 250, 250));
  const Bitmap expected = cleanCanvas();
  dialogs.answers.push_back(file("work.gyf"));
  action("MenuSaveProject")->trigger();
  ASSERT_EQ(dialogs.requests.size(), 1u);
  EXPECT_EQ(dialogs.requests[0].kind, FileDialogRequest::Kind::Save);
  EXPECT_EQ(dialogs.requests[0].filter, "Glyphon Files (*.gyf *.GYF)");
  EXPECT_EQ(dialogs.requests[0].defaultSuffix, "gyf");
  EXPECT_EQ(window->projectPath(), file("work.gyf"));
  EXPECT_EQ(window->statusText(3), file("work.gyf"));
  EXPECT_EQ(window->statusText(2), "Unmodified");

  // With a name, Save writes without asking; Save As always asks.
  action("MenuSaveProject")->trigger();
  EXPECT_EQ(dialogs.requests.size(), 1u);
  save(file("copy.gyf"));
  EXPECT_EQ(dialogs.requests.size(), 2u);
  EXPECT_EQ(fileBytes(file("copy.gyf")), fileBytes(file("work.gyf")));

  window->ButtonNewClick();
  ASSERT_TRUE(composition().Queue().items().empty());
  // Open lays the picture out and composes it once, from the project alone.
  const CanvasView* view = window->findChild<CanvasView*>();
  ASSERT_NE(view, nullptr);
  const int layouts = view->layouts();
  const uint64_t compositions = composition().wholeCompositions();
  open(file("work.gyf"));
  EXPECT_EQ(view->layouts() - layouts, 1);
  EXPECT_EQ(composition().wholeCompositions() - compositions, 1u);
  EXPECT_EQ(dialogs.requests.back().kind, FileDialogRequest::Kind::Open);
  EXPECT_EQ(dialogs.requests.back().filter, "Glyphon Files (*.gyf *.GYF)");
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(itemTexts(), (std::vector<std::string>{"bottom", "top"}));
  EXPECT_EQ(composition().CanvasBitmap(), expected);
  EXPECT_EQ(composition().Queue().Selected, nullptr);
  EXPECT_EQ(window->settings().BKPicPath, file("back.bmp").toStdString());
  EXPECT_EQ(window->projectPath(), file("work.gyf"));
  EXPECT_EQ(window->statusText(3), file("work.gyf"));
  EXPECT_EQ(window->statusText(2), "Unmodified");
}

TEST_F(ProjectCommandsTest, TextsInAnyLanguageComeBackAndAPressShowsThemInTheMemo) {
  newFrom(file("back.bmp"));
  // German, Japanese over two lines, Arabic with an emoji.
  const std::string german =
      "Gr\xC3\xBC\xC3\x9F"
      "e aus K\xC3\xB6ln";
  const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\r\n\xE8\xAA\x9E";
  const std::string arabic = "\xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7 \xF0\x9F\x8E\x82";
  addItem(german.c_str(), 10, rgb(250, 250, 0));
  addItem(japanese.c_str(), 120, rgb(0, 250, 250));
  addItem(arabic.c_str(), 200, rgb(250, 0, 250));
  save(file("languages.gyf"));
  ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().front();

  window->ButtonNewClick();
  open(file("languages.gyf"));
  ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().front();
  EXPECT_EQ(itemTexts(), (std::vector<std::string>{german, japanese, arabic}));

  // A press loads the text into the memo, line breaks and all.
  auto* view = testing::namedChild<CanvasView>(*window, "ImageScreen");
  QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, view->toView(150, 50));
  EXPECT_EQ(testing::namedChild<QPlainTextEdit>(*window, "MemoText")->toPlainText(),
            QStringLiteral("\u65e5\u672c\n\u8a9e"));
}

TEST_F(ProjectCommandsTest, OpeningAModifiedCompositionAsksFirst) {
  saveTwoItemProject();
  window->ButtonNewClick();
  addItem("unsaved", 40, rgb(9, 9, 9));
  // Cancel, and Yes whose save dialog is cancelled, change nothing.
  boxes.answers = {MessageAnswer::Cancel, MessageAnswer::Yes};
  action("MenuOpenProject")->trigger();
  dialogs.answers.push_back("");
  action("MenuOpenProject")->trigger();
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].request.caption, "New");
  EXPECT_EQ(boxes.shown[0].request.buttons, MessageButtons::YesNoCancel);
  EXPECT_EQ(dialogs.requests.back().kind, FileDialogRequest::Kind::Save);
  EXPECT_EQ(itemTexts(), std::vector<std::string>{"unsaved"});
  EXPECT_TRUE(composition().Modified());

  // No drops the changes and opens.
  boxes.answers = {MessageAnswer::No};
  open(file("a.gyf"));
  EXPECT_EQ(itemTexts(), (std::vector<std::string>{"bottom", "top"}));
  EXPECT_FALSE(composition().Modified());
}

TEST_F(ProjectCommandsTest, DamagedFilesAreRefusedAndChangeNothing) {
  saveTwoItemProject();
  const QByteArray good = fileBytes(file("a.gyf"));
  window->ButtonNewClick();
  addItem("kept", 40, rgb(9, 9, 9));
  composition().setModified(false);
  const Bitmap canvas = composition().CanvasBitmap();
  const CanvasSettings settings = window->settings();

  // The backdrop BMP starts after the 15 + 4 + path + 14 header bytes.
  const qsizetype backdropAt = 15 + 4 + qsizetype(settings.BKPicPath.size()) + 14;
  QByteArray notBmp = good;
  notBmp[backdropAt] = 'X';
  QByteArray longPath = good;
  longPath.replace(15, 4, QByteArray("\0\0\0\x7F", 4));
  struct Case {
    QByteArray bytes;
    const char* reason;
  };
  const Case cases[] = {
      {good.left(good.size() - 1), "the file ends inside the picture of item 2"},
      {good.left(backdropAt + 100), "the file ends inside the backdrop picture"},
      {good.left(10), "the file ends inside its header"},
      {notBmp, "the backdrop picture is not a BMP image (it does not start with \"BM\")"},
      {longPath, "the background picture path (2130706432 bytes) reaches past the end of the file"},
  };
  for (const Case& c : cases) {
    QFile damaged(file("damaged.gyf"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write(c.bytes);
    damaged.close();
    boxes.shown.clear();
    window->OpenProject(file("damaged.gyf"));
    ASSERT_EQ(boxes.shown.size(), 1u) << c.reason;
    EXPECT_EQ(boxes.shown[0].request.caption, "Glyphon Editor");
    EXPECT_EQ(boxes.shown[0].request.text, "The project file \"" + file("damaged.gyf") +
                                               "\" cannot be opened: " + c.reason + ".");
    EXPECT_EQ(composition().CanvasBitmap(), canvas) << c.reason;
    EXPECT_EQ(itemTexts(), std::vector<std::string>{"kept"});
    EXPECT_EQ(window->settings(), settings);
    EXPECT_TRUE(window->projectPath().isEmpty());
    EXPECT_EQ(window->statusText(2), "Unmodified");
    EXPECT_EQ(fileBytes(file("damaged.gyf")), c.bytes);
  }
}

// Lets no file grow past limit bytes for as long as it lives, as a full disk
// would; writes past it fail with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit) {
    getrlimit(RLIMIT_FSIZE, &m_old);
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = m_old;
    lowered.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &m_old);
    std::signal(SIGXFSZ, m_oldHandler);
  }

 private:
  rlimit m_old{};
  void (*m_oldHandler)(int);
};

TEST_F(ProjectCommandsTest, AFailedSaveKeepsTheOldFileAndTheModifiedState) {
  saveTwoItemProject();
  const QByteArray old = fileBytes(file("a.gyf"));
  addItem("third", 200, rgb(1, 2, 3));
  {
    const FileSizeLimit full(rlim_t(old.size()));
    action("MenuSaveProject")->trigger();
  }
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_TRUE(
      boxes.shown[0].request.text.startsWith("Cannot create file \"" + file("a.gyf") + "\"."))
      << boxes.texts()[0];
  EXPECT_EQ(fileBytes(file("a.gyf")), old);
  EXPECT_TRUE(composition().Modified());
  EXPECT_EQ(window->statusText(2), "Modified");
  EXPECT_EQ(QDir(folder.path()).entryList({"*.gyf*"}, QDir::Files | QDir::Hidden),
            QStringList{"a.gyf"});

  // With room on the disk again the same command saves.
  action("MenuSaveProject")->trigger();
  EXPECT_EQ(boxes.shown.size(), 1u);
  EXPECT_FALSE(composition().Modified());
  EXPECT_GT(fileBytes(file("a.gyf")).size(), old.size());
}

TEST_F(ProjectCommandsTest, WithoutABackdropNothingIsSaved) {
  QFile::remove(file("pic/default.jpg"));
  window.reset();
  start();
  ASSERT_EQ(boxes.shown.size(), 1u);  // the missing start-up picture
  action("SaveProjectAs1")->trigger();
  EXPECT_TRUE(dialogs.requests.empty());  // refused before a name is asked for
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_TRUE(boxes.shown[1].request.text.contains("no backdrop picture")) << boxes.texts()[1];
}

TEST_F(ProjectCommandsTest, AProjectWhosePictureIsGoneOpensAtItsSavedSize) {
  testing::writeBmp(file("moved.bmp"), testing::patternPicture(120, 80));
  newFrom(file("moved.bmp"));
  addItem("saved", 5, rgb(200, 0, 0));
  const Bitmap expected = cleanCanvas();
  save(file("a.gyf"));
  QFile::remove(file("moved.bmp"));

  newFrom(QString());  // the default picture
  addItem("dropped", 5, rgb(0, 0, 200));
  composition().setModified(false);
  window->OpenProject(file("a.gyf"));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].request.text, "Picture does not exists!\r" + file("moved.bmp"));
  EXPECT_EQ(itemTexts(), std::vector<std::string>{"saved"});
  EXPECT_EQ(composition().CanvasBitmap(), expected);
  EXPECT_EQ(window->statusText(1), "Object picture size: 120 x 80");
  EXPECT_EQ(window->statusText(3), file("a.gyf"));
  EXPECT_FALSE(composition().Modified());
}

TEST_F(ProjectCommandsTest, TheStoredBackdropIsStretchedToTheCanvasNewMakes) {
  // Saved on the 64 x 48 default picture, opened where it is 128 x 96.
  newFrom(QString());
  addItem("kept in place", 5, rgb(200, 0, 0));
  const Bitmap stored = composition().BackdropBitmap();
  save(file("a.gyf"));
  testing::writeJpeg(file("pic/default.jpg"), testing::flatPicture(128, 96, rgb(0, 0, 0)));
  window->ButtonNewClick();
  open(file("a.gyf"));
  const Bitmap& backdrop = composition().BackdropBitmap();
  ASSERT_EQ(backdrop.width(), 128);
  ASSERT_EQ(backdrop.height(), 96);
  EXPECT_EQ(backdrop, openedBackdrop(stored, 128, 96));
  EXPECT_EQ(composition().Queue().items()[0]->Rect, (Rect{5, 20, 95, 80}));
  EXPECT_EQ(window->statusText(1), "Object picture size: 128 x 96");
}

TEST_F(ProjectCommandsTest, TheFirstCommandLineArgumentOpensAtStartUp) {
  saveTwoItemProject();
  const Bitmap expected = cleanCanvas();
  window.reset();
  start({file("a.gyf"), file("ignored.gyf")});
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(window->commandLineProject(), file("a.gyf"));
  EXPECT_EQ(composition().CanvasBitmap(), expected);
  EXPECT_EQ(window->statusText(3), file("a.gyf"));
  EXPECT_EQ(window->statusText(2), "Unmodified");
}

TEST_F(ProjectCommandsTest, ClosingAModifiedPictureAsksAndWritesTheConfigurationOnClose) {
  saveTwoItemProject();
  addItem("third", 200, rgb(1, 2, 3));
  // Cancel, and Yes with a save that fails, keep the window open.
  boxes.answers = {MessageAnswer::Cancel};
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(QFileInfo::exists(userConfigPath()));
  QFile::remove(file("a.gyf"));
  QDir().mkpath(file("a.gyf"));  // a folder in the file's place: the save fails
  boxes.answers = {MessageAnswer::Yes};
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(window->isVisible());
  QDir().rmdir(file("a.gyf"));

  // Yes saves to the project's file and closes.
  boxes.answers = {MessageAnswer::Yes};
  EXPECT_TRUE(window->close());
  EXPECT_EQ(loadProjectFile(file("a.gyf").toStdString()).Items.size(), 3u);
  EXPECT_TRUE(QFileInfo::exists(userConfigPath()));
  EXPECT_EQ(boxes.shown.size(), 4u);  // three questions and the failed save
}

TEST_F(ProjectCommandsTest, NoClosesWithoutSaving) {
  newFrom(file("back.bmp"));
  addItem("dropped", 5, rgb(200, 0, 0));
  boxes.answers = {MessageAnswer::No};
  EXPECT_TRUE(window->close());
  EXPECT_TRUE(QFileInfo::exists(userConfigPath()));
  EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(ProjectCommandsTest, SavePictureWritesTheCanvasWithoutHandlesInTheChosenFormat) {
  newFrom(file("back.bmp"));
  addItem("selected", 40, rgb(250, 250, 0));
  composition().setModified(false);
  const Bitmap clean = cleanCanvas();
  // The handles are shown (by the view, over the canvas).
  ASSERT_TRUE(composition().Queue().HandlesShown);

  // A typed .bmp writes BMP while the JPG entry is chosen.
  dialogs.answers.push_back(file("picture.bmp"));
  dialogs.filterAnswers.push_back(0);
  button("ButtonSave")->click();
  ASSERT_EQ(dialogs.requests.size(), 1u);
  EXPECT_EQ(dialogs.requests[0].filter,
            "JPG Format (small file size) (*.jpg *.JPG);;BMP Format (high quality) (*.bmp *.BMP);;"
            "PNG Format (lossless) (*.png *.PNG);;WebP Format (small file size) (*.webp *.WEBP)");
  EXPECT_EQ(dialogs.requests[0].defaultSuffix, "jpg");
  EXPECT_TRUE(dialogs.requests[0].suffixFollowsFilter);
  EXPECT_TRUE(fileBytes(file("picture.bmp")).startsWith("BM"));
  EXPECT_EQ(loadBmpFile(file("picture.bmp").toStdString()), clean);
  EXPECT_FALSE(composition().Queue().HandlesShown);
  EXPECT_NE(composition().Queue().Selected, nullptr);
  EXPECT_EQ(window->statusText(2), "Modified");

  // A name without extension gets the chosen entry's.
  dialogs.answers.push_back(file("card"));
  action("MenuSavePicture")->trigger();
  const QByteArray jpeg = fileBytes(file("card.jpg"));
  ASSERT_TRUE(jpeg.startsWith("\xFF\xD8"));
  EXPECT_EQ(loadJpegFile(file("card.jpg").toStdString()).width(), 300);
  EXPECT_EQ(loadJpegFile(file("card.jpg").toStdString()).height(), 200);
  dialogs.answers.push_back(file("card2"));
  dialogs.filterAnswers.push_back(1);
  button("ButtonSave")->click();
  EXPECT_EQ(loadBmpFile(file("card2.bmp").toStdString()), clean);
  EXPECT_TRUE(boxes.shown.empty());

  // Cancel leaves everything as it was.
  composition().SelectItem(composition().Queue().topItem());
  const Bitmap withHandles = composition().CanvasBitmap();
  dialogs.answers.push_back("");
  button("ButtonSave")->click();
  EXPECT_EQ(composition().CanvasBitmap(), withHandles);
}

// What a picture file's bytes say it is: "jpg", "bmp", "png", "webp" or "".
std::string formatOfBytes(const QByteArray& bytes) {
  if (bytes.startsWith("\xFF\xD8")) return "jpg";
  if (bytes.startsWith("BM")) return "bmp";
  if (bytes.startsWith("\x89PNG")) return "png";
  if (bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP") return "webp";
  return "";
}

TEST_F(ProjectCommandsTest, SavePictureTakesTheFormatFromATypedExtensionOrElseTheEntry) {
  newFrom(file("back.bmp"));
  const Bitmap clean = cleanCanvas();
  const char* const entries[] = {"jpg", "bmp", "png", "webp"};
  for (int entry = 0; entry < 4; ++entry) {
    const std::string format = entries[entry];
    // No extension typed: the entry decides and adds its extension.
    dialogs.answers.push_back(file(("byentry" + std::to_string(entry)).c_str()));
    dialogs.filterAnswers.push_back(entry);
    button("ButtonSave")->click();
    const QString byEntry = file(("byentry" + std::to_string(entry) + "." + format).c_str());
    EXPECT_EQ(formatOfBytes(fileBytes(byEntry)), format) << format;
    // The extension typed decides whichever other entry is chosen.
    const int otherEntry = (entry + 1) % 4;
    const QString typed = file(("typed." + format).c_str());
    dialogs.answers.push_back(typed);
    dialogs.filterAnswers.push_back(otherEntry);
    button("ButtonSave")->click();
    EXPECT_EQ(formatOfBytes(fileBytes(typed)), format) << format;
    EXPECT_FALSE(QFileInfo::exists(typed + "." + entries[otherEntry])) << format;
  }
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(loadBmpFile(file("typed.bmp").toStdString()), clean);
  // PNG keeps every pixel.
  QImage png(file("typed.png"), "PNG");
  ASSERT_FALSE(png.isNull());
  png = png.convertToFormat(QImage::Format_RGB888);
  ASSERT_EQ(png.width(), clean.width());
  ASSERT_EQ(png.height(), clean.height());
  for (int32_t y = 0; y < clean.height(); y += 7)
    for (int32_t x = 0; x < clean.width(); x += 5) {
      const QRgb p = png.pixel(x, y);
      ASSERT_EQ(rgb(uint8_t(qRed(p)), uint8_t(qGreen(p)), uint8_t(qBlue(p))), clean.pixel(x, y))
          << x << ", " << y;
    }
  // An upper-case extension counts as well.
  dialogs.answers.push_back(file("upper.PNG"));
  dialogs.filterAnswers.push_back(0);
  button("ButtonSave")->click();
  EXPECT_EQ(formatOfBytes(fileBytes(file("upper.PNG"))), "png");
}

TEST_F(ProjectCommandsTest, TheRendererGivesTheEditorsOwnPictures) {
  saveTwoItemProject();
  dialogs.answers = {file("editor.bmp"), file("editor.jpg")};
  dialogs.filterAnswers = {1, 0};
  button("ButtonSave")->click();
  button("ButtonSave")->click();
  ASSERT_TRUE(boxes.shown.empty());
  for (const char* output : {"render.bmp", "render.jpg"}) {
    QProcess renderer;
    renderer.start(QStringLiteral(GLYPHON_BUILD_DIR "/glyphon-render"),
                   {file("a.gyf"), file(output)});
    ASSERT_TRUE(renderer.waitForFinished(60000));
    EXPECT_EQ(renderer.exitCode(), 0) << renderer.readAllStandardError().toStdString();
  }
  EXPECT_EQ(fileBytes(file("render.bmp")), fileBytes(file("editor.bmp")));
  EXPECT_EQ(fileBytes(file("render.jpg")), fileBytes(file("editor.jpg")));
}

// Drops through the window's own drop handling, as a file manager makes
// them: a list of local files.
void dropFiles(QWidget& target, const QStringList& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& path : paths) urls.append(QUrl::fromLocalFile(path));
  data.setUrls(urls);
  const QPoint at(target.width() / 2, target.height() / 2);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &drop);
}

TEST_F(ProjectCommandsTest, TheTitleShowsTheProjectAndItsUnsavedMark) {
  EXPECT_EQ(window->windowTitle(), "Glyphon Editor[*]");
  saveTwoItemProject();
  EXPECT_EQ(window->windowTitle(), "a.gyf[*] - Glyphon Editor");
  EXPECT_EQ(window->windowFilePath(), file("a.gyf"));
  EXPECT_FALSE(window->isWindowModified());
  composition().HideHandles();
  EXPECT_TRUE(window->isWindowModified());
  action("MenuSaveProject")->trigger();
  EXPECT_FALSE(window->isWindowModified());
  action("MenuNew")->trigger();
  EXPECT_EQ(window->windowTitle(), "Glyphon Editor[*]");
  EXPECT_EQ(window->windowFilePath(), "");
}

TEST_F(ProjectCommandsTest, OpenRecentListsTheLastProjectsAndDropsMissingOnes) {
  const QMenu* recent = testing::namedChild<QMenu>(*window, QStringLiteral("MenuOpenRecent"));
  EXPECT_FALSE(recent->isEnabled());
  saveTwoItemProject();
  newFrom(file("back.bmp"));
  save(file("b.gyf"));
  ASSERT_EQ(recent->actions().size(), 2);
  EXPECT_EQ(recent->actions()[0]->text(), "&1 b.gyf");
  EXPECT_EQ(recent->actions()[1]->text(), "&2 a.gyf");
  EXPECT_EQ(window->recentProjects(), (QStringList{file("b.gyf"), file("a.gyf")}));
  // Kept in the user's settings for the next run.
  EXPECT_EQ(loadRecentProjects(), window->recentProjects());

  // Opening from the list brings the project back and moves it up.
  testing::namedAction(*window, QStringLiteral("MenuRecent2"))->trigger();
  EXPECT_EQ(window->projectPath(), file("a.gyf"));
  EXPECT_EQ(itemTexts(), (std::vector<std::string>{"bottom", "top"}));
  EXPECT_EQ(window->recentProjects(), (QStringList{file("a.gyf"), file("b.gyf")}));

  // A file that went away is taken off with a note; nothing else changes.
  ASSERT_TRUE(QFile::remove(file("b.gyf")));
  testing::namedAction(*window, QStringLiteral("MenuRecent2"))->trigger();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_TRUE(boxes.shown[0].request.text.contains(file("b.gyf")));
  EXPECT_EQ(window->recentProjects(), QStringList{file("a.gyf")});
  EXPECT_EQ(loadRecentProjects(), QStringList{file("a.gyf")});
  EXPECT_EQ(window->projectPath(), file("a.gyf"));

  // A new window starts with the stored list.
  window.reset();
  start();
  EXPECT_EQ(window->recentProjects(), QStringList{file("a.gyf")});
}

TEST_F(ProjectCommandsTest, ADroppedProjectOpensAfterTheSaveChangesPrompt) {
  saveTwoItemProject();
  newFrom(file("back.bmp"));
  addItem("unsaved", 30, rgb(1, 2, 3));
  boxes.answers.push_back(MessageAnswer::Cancel);
  dropFiles(*window, {file("a.gyf")});
  EXPECT_EQ(boxes.shown.size(), 1u);  // the prompt, answered Cancel
  EXPECT_EQ(itemTexts(), std::vector<std::string>{"unsaved"});
  boxes.answers.push_back(MessageAnswer::No);
  dropFiles(*window, {file("a.gyf")});
  EXPECT_EQ(itemTexts(), (std::vector<std::string>{"bottom", "top"}));
  EXPECT_EQ(window->projectPath(), file("a.gyf"));
}

TEST_F(ProjectCommandsTest, ADroppedPictureOpensACanvasOfItsOwnSize) {
  testing::writeBmp(file("wide.bmp"), testing::patternPicture(420, 90));
  composition().setModified(false);
  dropFiles(*window, {file("wide.bmp"), file("back.bmp")});  // the first one counts
  ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().front();
  EXPECT_EQ(composition().CanvasBitmap(), testing::patternPicture(420, 90));
  EXPECT_EQ(window->settings().BKPicPath, file("wide.bmp").toStdString());
  EXPECT_TRUE(window->settings().SameAsBKPic);
  // A file that is no picture is refused and the settings stay.
  QFile text(file("notes.txt"));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("hello");
  text.close();
  dropFiles(*window, {file("notes.txt")});
  EXPECT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(window->settings().BKPicPath, file("wide.bmp").toStdString());
  EXPECT_EQ(composition().CanvasBitmap().width(), 420);
}

}  // namespace
}  // namespace glyphon
