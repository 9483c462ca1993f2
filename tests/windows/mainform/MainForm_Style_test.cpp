// The main window's style choice: the template menu, the style-font toolbar
// and the preview, against a style catalogue and style pictures made here.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTest>
#include <QUrl>
#include <memory>

#include "engine/documents/StylePicture.h"
#include "windows/shell/ColorBox.h"
#include "windows/shell/ImageBox.h"
#include "windows/mainform/MainForm.h"
#include "services/shell/StyleCatalogue.h"
#include "tests/windows/shell/WindowTestSupport.h"

// Receives the URLs the window asks the desktop to open.
class UrlRecorder : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> opened;

 public slots:
  void open(const QUrl& url) { opened.push_back(url); }
};

namespace glyphon {
namespace {

using testing::RecordingMessageBoxes;

// The colour the window starts with.
constexpr Color kStartColor = rgb(104, 255, 119);

// Writes the user's style catalogue (the test's own configuration folder).
void writeCatalogue(const QByteArray& ini) {
  const QString file = StyleCatalogue::userStoreFile();
  QDir().mkpath(QFileInfo(file).absolutePath());
  QFile out(file);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
  out.write(ini);
}

// A sample: grey 128 on the left half, white on the right, black below a
// band of height kind, so that samples of different kinds and style fonts
// differ.
Bitmap samplePicture(int kind, int font) {
  Bitmap b(64, 32);
  fillRect(b, {0, 0, 32, 16 + font}, rgb(128, 128, 128));
  fillRect(b, {32, 0, 64, 8 + kind}, rgb(255, 255, 255));
  return b;
}

class MainFormStyleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(programFolder.isValid());
    ASSERT_TRUE(styles.isValid());
    testing::writeJpeg(programFolder.filePath(QStringLiteral("pic/default.jpg")),
                       testing::flatPicture(64, 48, rgb(40, 90, 160)));
    for (int kind : {10001, 10002}) makeKind(kind);
    writeCatalogue("[10001]\nname=Script\nPath=" + styles.path().toUtf8() +
                   "\ndata=libscript.so\n"
                   "[10002]\nname=  Heads & Tails  \nPath=" +
                   styles.path().toUtf8() + "\ndata=libheads.so\n");
  }

  // The ten pictures of a kind: toolbar pictures of the JPEG kind, samples
  // of the bitmap kind.
  void makeKind(int kind) {
    const QString folder = styles.filePath(QString::number(kind));
    QDir().mkpath(folder);
    for (int n = 1; n <= 5; ++n) {
      saveStylePicture(QStringLiteral("%1/desc%2.gph").arg(folder).arg(n).toStdString(),
                       testing::flatPicture(90, 70, rgb(uint8_t(kind - 9900), uint8_t(40 * n), 30)),
                       PictureFormat::Jpeg);
      saveStylePicture(QStringLiteral("%1/%2.gph").arg(folder).arg(n).toStdString(),
                       samplePicture(kind - 10000, n), PictureFormat::Bmp);
    }
  }

  Bitmap picture(int kind, const QString& name) const {
    return loadStylePicture(
        styles.filePath(QStringLiteral("%1/%2").arg(kind).arg(name)).toStdString());
  }

  void start() { window = std::make_unique<TMainForm>(programFolder.path(), QStringList()); }

  QMenu* templateMenu() const {
    return testing::namedChild<QMenu>(*window, QStringLiteral("MenuGlyphonTemplate"));
  }
  QAction* moreGlyphon() const {
    return testing::namedAction(*window, QStringLiteral("MenuMoreGlyphon"));
  }
  // The toolbar picture of style font n (0 to 4).
  ImageBox* styleFontImage(int n) const {
    return testing::namedChild<ImageBox>(*window, QStringLiteral("StyleFontImage%1").arg(n + 1));
  }
  ImageBox* previewImage() const {
    return testing::namedChild<ImageBox>(*window, QStringLiteral("PreviewImage"));
  }

  // The entries above the separator of the template menu.
  QList<QAction*> kindEntries() const {
    QList<QAction*> entries;
    for (QAction* action : templateMenu()->actions()) {
      if (action->isSeparator()) break;
      entries.push_back(action);
    }
    return entries;
  }

  QAction* kindEntry(int32_t id) const {
    for (QAction* action : kindEntries())
      if (action->data().toInt() == id) return action;
    return nullptr;
  }

  void expectToolbarOf(int kind) {
    for (int n = 0; n < 5; ++n)
      EXPECT_EQ(styleFontImage(n)->picture(),
                picture(kind, QStringLiteral("desc%1.gph").arg(n + 1)))
          << "toolbar picture " << n;
  }

  void expectPreviewOf(int kind, int font, Color color) {
    const Bitmap sample = picture(kind, QStringLiteral("%1.gph").arg(font + 1));
    EXPECT_EQ(window->sampleBitmap(), sample);
    EXPECT_EQ(previewImage()->picture(), stylePreview(sample, 320, 170, color));
  }

  QTemporaryDir programFolder;
  QTemporaryDir styles;
  RecordingMessageBoxes boxes;
  std::unique_ptr<TMainForm> window;
};

TEST_F(MainFormStyleTest, StartUpSelectsKind10001AndItsFirstStyleFont) {
  start();
  EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().front();
  EXPECT_EQ(window->styleKindId(), 10001);
  EXPECT_EQ(window->styleFontIndex(), 0);
  EXPECT_EQ(window->styleFolder(), styles.path());
  EXPECT_EQ(window->pluginFileName(), "libscript.so");
  expectToolbarOf(10001);
  expectPreviewOf(10001, 0, kStartColor);
  // The sample's grey 128 shows the start colour, its white stays white, its
  // black stays black.
  const Bitmap& preview = previewImage()->picture();
  ASSERT_EQ(preview.width(), 320);
  ASSERT_EQ(preview.height(), 170);
  EXPECT_TRUE(testing::closeColors(preview.pixel(10, 10), kStartColor, 1));
  EXPECT_EQ(preview.pixel(300, 5), rgb(255, 255, 255));
  EXPECT_EQ(preview.pixel(300, 160), 0u);

  // Five pictures of 90 x 70 with a hand cursor, one above the other.
  window->resize(800, 760);
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  for (int n = 0; n < 5; ++n) {
    const ImageBox* image = styleFontImage(n);
    EXPECT_EQ(image->size(), QSize(90, 70));
    EXPECT_EQ(image->cursor().shape(), Qt::PointingHandCursor);
    if (n > 0) {
      EXPECT_EQ(image->y() - styleFontImage(n - 1)->y(), 72);
    }
  }
  EXPECT_EQ(previewImage()->size(), QSize(320, 170));
}

TEST_F(MainFormStyleTest, TheTemplateMenuListsTheNamedKindsAboveTheSeparator) {
  writeCatalogue(
      "[10003]\nname=  Third  \n[10001]\nname=First\n[10002]\nPath=/nowhere\n"
      "[classic]\nname=Not a number\n[10004]\nname=A&B\n");
  start();
  QStringList captions;
  for (QAction* action : kindEntries()) {
    captions.push_back(action->text());
    EXPECT_FALSE(action->isCheckable());
  }
  // The catalogue's order, blanks trimmed, "&" shown as itself.
  EXPECT_EQ(captions, QStringList({"First", "Third", "A&&B"}));
  const QList<QAction*> all = templateMenu()->actions();
  ASSERT_EQ(all.size(), 5);
  EXPECT_TRUE(all[3]->isSeparator());
  EXPECT_EQ(all[4], moreGlyphon());
  EXPECT_TRUE(moreGlyphon()->isEnabled());
  // 10001 names no folder: there are no pictures to look for.
  EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().front();
}

TEST_F(MainFormStyleTest, ClickingTheCurrentKindChangesNothing) {
  start();
  QTest::mouseClick(styleFontImage(3), Qt::LeftButton);
  ASSERT_EQ(window->styleFontIndex(), 3);
  const Bitmap preview = previewImage()->picture();
  kindEntry(10001)->trigger();
  EXPECT_EQ(window->styleKindId(), 10001);
  EXPECT_EQ(window->styleFontIndex(), 3);
  EXPECT_EQ(previewImage()->picture(), preview);
  expectToolbarOf(10001);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MainFormStyleTest, ClickingAnotherKindStartsAtItsFirstStyleFont) {
  start();
  QTest::mouseClick(styleFontImage(2), Qt::LeftButton);
  kindEntry(10002)->trigger();
  EXPECT_EQ(window->styleKindId(), 10002);
  EXPECT_EQ(window->styleFontIndex(), 0);
  EXPECT_EQ(window->pluginFileName(), "libheads.so");
  expectToolbarOf(10002);
  expectPreviewOf(10002, 0, kStartColor);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MainFormStyleTest, AToolbarPictureSelectsItsStyleFont) {
  start();
  for (int font : {4, 1}) {
    QTest::mouseClick(styleFontImage(font), Qt::LeftButton);
    EXPECT_EQ(window->styleFontIndex(), font);
    expectPreviewOf(10001, font, kStartColor);
  }
  // The catalogue is read again on every choice of style font.
  writeCatalogue("[10001]\nname=Script\nPath=" + styles.path().toUtf8() + "\ndata=libnew.so\n");
  QTest::mouseClick(styleFontImage(0), Qt::LeftButton);
  EXPECT_EQ(window->pluginFileName(), "libnew.so");
}

TEST_F(MainFormStyleTest, ChangingTheColourRetintsThePreviewOnly) {
  start();
  QTest::mouseClick(styleFontImage(1), Qt::LeftButton);
  ColorBox* colors = testing::namedChild<ColorBox>(*window, QStringLiteral("ColorBoxColor"));
  const int red = colors->findText(QStringLiteral("Red"));
  ASSERT_GT(red, 0);
  colors->setCurrentIndex(red);
  emit colors->activated(red);
  EXPECT_EQ(colors->selected(), rgb(255, 0, 0));
  expectPreviewOf(10001, 1, rgb(255, 0, 0));
  EXPECT_EQ(window->styleFontIndex(), 1);
}

TEST_F(MainFormStyleTest, APictureThatCannotBeReadIsReportedOnceAndStartUpGoesOn) {
  QFile::remove(styles.filePath(QStringLiteral("10001/desc3.gph")));
  QFile broken(styles.filePath(QStringLiteral("10001/1.gph")));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
  broken.write("too short");
  broken.close();
  start();

  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].request.caption, "Glyphon Editor");
  EXPECT_EQ(boxes.shown[0].request.text, "Cannot open file \"" +
                                             styles.filePath(QStringLiteral("10001/desc3.gph")) +
                                             "\". No such file or directory.");
  // The other pictures are there, the missing one is empty, the preview is
  // black, and the rest of start-up ran.
  EXPECT_TRUE(styleFontImage(2)->picture().isEmpty());
  EXPECT_EQ(styleFontImage(3)->picture(), picture(10001, QStringLiteral("desc4.gph")));
  EXPECT_TRUE(window->sampleBitmap().isEmpty());
  EXPECT_EQ(previewImage()->picture(), Bitmap(320, 170));
  const auto* sizes = testing::namedChild<QComboBox>(*window, QStringLiteral("ComboBoxFontSize"));
  EXPECT_EQ(sizes->currentText(), "50");

  // Choosing the broken style font again reports its own failure.
  QTest::mouseClick(styleFontImage(0), Qt::LeftButton);
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_TRUE(boxes.shown[1].request.text.startsWith(
      "Cannot read the style picture \"" + styles.filePath(QStringLiteral("10001/1.gph")) +
      "\". A style picture holds at least 100 bytes"))
      << boxes.shown[1].request.text.toStdString();
  EXPECT_EQ(window->styleFontIndex(), 0);
}

TEST_F(MainFormStyleTest, AKindTheCatalogueDoesNotKnowLeavesTheToolbarEmpty) {
  writeCatalogue("[10002]\nname=Heads\nPath=" + styles.path().toUtf8() + "\ndata=libheads.so\n");
  start();
  EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().front();
  EXPECT_EQ(window->styleKindId(), 10001);
  EXPECT_TRUE(window->styleFolder().isEmpty());
  EXPECT_TRUE(window->pluginFileName().isEmpty());
  for (int n = 0; n < 5; ++n) EXPECT_TRUE(styleFontImage(n)->picture().isEmpty()) << n;
  EXPECT_EQ(previewImage()->picture(), Bitmap(320, 170));
  // The listed kind works.
  kindEntry(10002)->trigger();
  expectToolbarOf(10002);
}

TEST_F(MainFormStyleTest, MoreGlyphonOpensThePageAboutStyles) {
  start();
  UrlRecorder recorder;
  QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
  moreGlyphon()->trigger();
  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
  ASSERT_EQ(recorder.opened.size(), 1);
  EXPECT_EQ(recorder.opened[0],
            QUrl::fromLocalFile(programFolder.path() + QStringLiteral("/help/styles.html")));
  EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
}  // namespace glyphon

#include "MainForm_Style_test.moc"
