// New, New Format and Import Backdrop through the real main window.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <memory>

#include "tests/windows/mainform/MainFormTestSupport.h"
#include "tests/windows/shell/WindowTestSupport.h"
#include "windows/documents/NewForm.h"
#include "windows/mainform/MainForm.h"

namespace glyphon {
namespace {

using testing::RecordingMessageBoxes;
using testing::ScriptedFileDialogs;

class NewCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    testing::writeJpeg(folder.filePath("pic/default.jpg"),
                       testing::flatPicture(320, 240, rgb(200, 40, 40)));
    window = std::make_unique<TMainForm>(folder.path(), QStringList());
    ASSERT_TRUE(boxes.shown.empty());
    window->resize(700, 600);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }

  QString file(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }

  // Points the canvas settings at a custom picture through New Format,
  // which runs New.
  void newFrom(const QString& path) { testing::runNewFormat(*window, path); }

  QPushButton* button(const char* name) const { return testing::namedButton(*window, name); }
  QAction* action(const char* name) const { return testing::namedAction(*window, name); }

  const Composition& composition() const { return window->composition(); }

  // Makes the composition modified the way a user can today.
  void importBackdrop(const QString& path) {
    dialogs.answers.push_back(path);
    button("ButtonBackdrop")->click();
  }

  QTemporaryDir folder;
  RecordingMessageBoxes boxes;
  ScriptedFileDialogs dialogs;
  std::unique_ptr<TMainForm> window;
};

TEST_F(NewCommandsTest, NewWithAMissingPictureSaysWhereItLookedAndKeepsTheCanvas) {
  // The picture New Format chose goes away before the next New.
  const QString missing = file("gone/backdrop.jpg");
  testing::writeJpeg(missing, testing::flatPicture(320, 240, rgb(10, 10, 10)));
  newFrom(missing);
  ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().front();
  ASSERT_TRUE(QFile::remove(missing));
  const Bitmap before = composition().CanvasBitmap();
  button("ButtonNew")->click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].owner, window.get());
  EXPECT_EQ(boxes.shown[0].request.caption, "Error");
  EXPECT_EQ(boxes.shown[0].request.text.split('\r'),
            QStringList({"Picture does not exists!", missing}));
  EXPECT_EQ(composition().CanvasBitmap(), before);
  EXPECT_EQ(window->statusText(0), "Source picture size: 320 x 240");
}

TEST_F(NewCommandsTest, NewTakesOnlyThePictureExtensionsInAnyLetterCase) {
  // Refused by name, whatever the file holds.
  const Bitmap before = composition().CanvasBitmap();
  for (const char* name : {"photo.jpe", "photo.gif", "photo"}) {
    testing::writeJpeg(file(name), testing::flatPicture(8, 8, 0));
    newFrom(file(name));
    ASSERT_FALSE(boxes.shown.empty()) << name;
    EXPECT_EQ(boxes.texts().back(),
              "Background picture format must be bmp, jpg, jpeg, png, webp, tif, tiff, heic, heif "
              "or avif!")
        << name;
    EXPECT_EQ(composition().CanvasBitmap(), before) << name;
  }
  boxes.shown.clear();

  struct Accepted {
    const char* name;
    int32_t width, height;
  };
  for (const Accepted& a : {Accepted{"UPPER.JPG", 40, 30}, Accepted{"mixed.JpEg", 50, 20},
                            Accepted{"lower.jpeg", 16, 16}}) {
    testing::writeJpeg(file(a.name), testing::flatPicture(a.width, a.height, rgb(9, 9, 9)));
    newFrom(file(a.name));
    EXPECT_TRUE(boxes.shown.empty()) << a.name;
    EXPECT_EQ(composition().CanvasBitmap().width(), a.width) << a.name;
    EXPECT_EQ(composition().CanvasBitmap().height(), a.height) << a.name;
  }
  testing::writeBmp(file("SHOUT.BMP"), testing::patternPicture(7, 5));
  newFrom(file("SHOUT.BMP"));
  EXPECT_EQ(composition().CanvasBitmap(), testing::patternPicture(7, 5));
}

TEST_F(NewCommandsTest, ADamagedPictureEndsNewWithTheGeneralErrorMessage) {
  QFile damaged(file("broken.bmp"));
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  damaged.write("BM this is not a bitmap");
  damaged.close();
  const Bitmap before = composition().CanvasBitmap();
  newFrom(file("broken.bmp"));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].request.caption, "Glyphon Editor");
  EXPECT_TRUE(boxes.shown[0].request.text.endsWith('.'));
  EXPECT_EQ(composition().CanvasBitmap(), before);
  // The program goes on: the next New works.
  newFrom(file("pic/default.jpg"));
  EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(NewCommandsTest, NewFormatStretchesThePictureToTheChosenSize) {
  const Bitmap picture = testing::patternPicture(400, 300);
  testing::writeBmp(file("wide.bmp"), picture);
  dialogs.answers = {file("wide.bmp")};
  testing::whenDialogOpens<TNewForm>([](TNewForm& form) {
    QTest::mouseClick(form.CheckBoxDefaultBKPic, Qt::LeftButton);
    QTest::mouseClick(form.ButtonBrowse, Qt::LeftButton);
    QTest::mouseClick(form.CheckBoxSameSize, Qt::LeftButton);
    form.EditWidth->setText("800");
    form.EditHeight->setText("200");
    QTest::mouseClick(form.BitBtnOK, Qt::LeftButton);
  });
  action("MenuNewFormat")->trigger();

  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(window->settings(),
            (CanvasSettings{file("wide.bmp").toStdString(), false, false, 800, 200, 0xFFFFFF}));
  const Bitmap& canvas = composition().CanvasBitmap();
  ASSERT_EQ(canvas.width(), 800);
  ASSERT_EQ(canvas.height(), 200);
  int wrong = 0;
  for (int32_t y = 0; y < 200; ++y)
    for (int32_t x = 0; x < 800; ++x)
      if (canvas.pixel(x, y) != picture.pixel(x * 400 / 800, y * 300 / 200)) ++wrong;
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(window->statusText(0), "Source picture size: 400 x 300");
  EXPECT_EQ(window->statusText(1), "Object picture size: 800 x 200");
  EXPECT_EQ(window->statusText(2), "Unmodified");
  EXPECT_TRUE(window->askBeforeDiscard());
}

TEST_F(NewCommandsTest, NewFormatCancelledAfterARefusalChangesNothing) {
  const CanvasSettings settings = window->settings();
  const Bitmap before = composition().CanvasBitmap();
  testing::whenDialogOpens<TNewForm>([](TNewForm& form) {
    QTest::mouseClick(form.CheckBoxSameSize, Qt::LeftButton);
    form.EditWidth->setText("12a");
    QTest::mouseClick(form.BitBtnOK, Qt::LeftButton);
    EXPECT_EQ(form.focusWidget(), form.EditWidth);
    QTest::mouseClick(form.BitBtnCancel, Qt::LeftButton);
  });
  action("MenuNewFormat")->trigger();
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Width must be integer!"});
  EXPECT_EQ(window->settings(), settings);
  EXPECT_EQ(composition().CanvasBitmap(), before);
}

TEST_F(NewCommandsTest, AcceptedSettingsStayWhenNewThenFails) {
  // The dialog only asks that the picture exists; New then refuses its name.
  testing::writeBmp(file("picture.gif"), testing::patternPicture(10, 10));
  dialogs.answers = {file("picture.gif")};
  const Bitmap before = composition().CanvasBitmap();
  testing::whenDialogOpens<TNewForm>([](TNewForm& form) {
    QTest::mouseClick(form.CheckBoxDefaultBKPic, Qt::LeftButton);
    QTest::mouseClick(form.ButtonBrowse, Qt::LeftButton);
    QTest::mouseClick(form.BitBtnOK, Qt::LeftButton);
  });
  action("MenuNewFormat")->trigger();
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{
                               "Background picture format must be bmp, jpg, jpeg, png, webp, tif, "
                               "tiff, heic, heif or avif!"});
  EXPECT_FALSE(window->settings().DefaultBKPic);
  EXPECT_EQ(window->settings().BKPicPath, file("picture.gif").toStdString());
  EXPECT_EQ(composition().CanvasBitmap(), before);
  EXPECT_TRUE(window->askBeforeDiscard());
}

TEST_F(NewCommandsTest, NewFormatTakesATransparentPngOverTheCanvasColour) {
  if (!QFile::exists("/usr/bin/convert")) GTEST_SKIP() << "no ImageMagick (see tools/setup.sh)";
  // Left half clear, right half 60 % opaque red (alpha 153).
  const QString png = file("see-through.png");
  const std::string command = "/usr/bin/convert -size 3x4 xc:none -size 3x4 "
                              "xc:'rgba(255,0,0,0.6)' +append PNG32:" +
                              png.toStdString();
  ASSERT_EQ(std::system(command.c_str()), 0);
  ASSERT_EQ(window->settings().Color, Color(0xFFFFFF));
  newFrom(png);
  ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().front();
  const Bitmap& canvas = composition().CanvasBitmap();
  ASSERT_EQ(canvas.width(), 6);
  ASSERT_EQ(canvas.height(), 4);
  EXPECT_EQ(canvas.pixel(0, 0), rgb(255, 255, 255));
  const int over = (255 * 102 + 127) / 255;
  EXPECT_EQ(canvas.pixel(5, 3), rgb(255, over, over));
  EXPECT_EQ(window->statusText(0), "Source picture size: 6 x 4");
}

TEST_F(NewCommandsTest, ImportBackdropRestretchesToTheCanvasAndKeepsItems) {
  testing::writeJpeg(file("base.jpg"), testing::flatPicture(800, 600, rgb(20, 20, 20)));
  newFrom(file("base.jpg"));
  auto item = std::make_unique<TTextItem>();
  item->Rect = {100, 100, 140, 120};
  item->Color = rgb(255, 255, 255);
  item->Bitmap = std::make_shared<const Bitmap>(testing::flatPicture(4, 2, rgb(255, 255, 255)));
  window->composition().addItem(std::move(item));
  ASSERT_EQ(composition().Queue().count(), 1u);

  const Bitmap picture = testing::patternPicture(1024, 768);
  testing::writeBmp(file("big.bmp"), picture);
  importBackdrop(file("big.bmp"));

  ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().front();
  ASSERT_EQ(dialogs.requests.size(), 1u);
  EXPECT_TRUE(dialogs.requests[0].filter.startsWith("All (*.jpg *.jpeg *.bmp"));
  const Composition& c = composition();
  ASSERT_EQ(c.CanvasBitmap().width(), 800);
  ASSERT_EQ(c.CanvasBitmap().height(), 600);
  EXPECT_EQ(c.BackdropBitmap().pixel(799, 599), picture.pixel(799 * 1024 / 800, 599 * 768 / 600));
  EXPECT_EQ(c.BackdropBitmap().pixel(13, 7), picture.pixel(13 * 1024 / 800, 7 * 768 / 600));
  // The item is where it was, drawn over the new backdrop, and no longer
  // selected.
  ASSERT_EQ(c.Queue().count(), 1u);
  EXPECT_EQ(c.Queue().topItem()->Rect, (Rect{100, 100, 140, 120}));
  EXPECT_EQ(c.Queue().Selected, nullptr);
  EXPECT_EQ(c.CanvasBitmap().pixel(120, 110), rgb(255, 255, 255));
  EXPECT_EQ(c.CanvasBitmap().pixel(99, 110), c.BackdropBitmap().pixel(99, 110));

  EXPECT_TRUE(c.Modified());
  EXPECT_EQ(window->statusText(0), "Source picture size: 1024 x 768");
  EXPECT_EQ(window->statusText(1), "Object picture size: 800 x 600");
  EXPECT_EQ(window->statusText(2), "Modified");
  // The imported file is remembered nowhere.
  EXPECT_EQ(window->settings().BKPicPath, file("base.jpg").toStdString());
}

TEST_F(NewCommandsTest, ImportBackdropReportsTheLoadersMessagesAndChangesNothing) {
  const Bitmap before = composition().CanvasBitmap();
  importBackdrop(QString());  // cancelled
  importBackdrop(file("nowhere.jpg"));
  testing::writeJpeg(file("photo.jpe"), testing::flatPicture(8, 8, 0));
  importBackdrop(file("photo.jpe"));
  EXPECT_EQ(boxes.texts(), (std::vector<std::string>{
                               "Picture does not exists!\r" + file("nowhere.jpg").toStdString(),
                               "Picture format must be bmp, jpg, jpeg, png, webp, tif, tiff, "
                               "heic, heif or avif!"}));
  EXPECT_EQ(composition().CanvasBitmap(), before);
  EXPECT_FALSE(composition().Modified());
  EXPECT_EQ(window->statusText(2), "Unmodified");
}

TEST_F(NewCommandsTest, NewAsksBeforeDiscardingChangesAndCancelKeepsThem) {
  testing::writeBmp(file("other.bmp"), testing::patternPicture(320, 240));
  importBackdrop(file("other.bmp"));
  ASSERT_TRUE(composition().Modified());
  const Bitmap modified = composition().CanvasBitmap();

  boxes.answers = {MessageAnswer::Cancel};
  button("ButtonNew")->click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].request.caption, "New");
  EXPECT_EQ(boxes.shown[0].request.buttons, MessageButtons::YesNoCancel);
  EXPECT_EQ(composition().CanvasBitmap(), modified);
  EXPECT_EQ(window->statusText(2), "Modified");

  // New Format asks too, and Cancel opens no dialog at all.
  boxes.answers = {MessageAnswer::Cancel};
  action("MenuNewFormat")->trigger();
  EXPECT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(composition().CanvasBitmap(), modified);
}

TEST_F(NewCommandsTest, NoDiscardsTheChangesAndStartsAfresh) {
  testing::writeBmp(file("other.bmp"), testing::patternPicture(320, 240));
  importBackdrop(file("other.bmp"));
  auto item = std::make_unique<TTextItem>();
  item->Rect = {0, 0, 10, 10};
  window->composition().addItem(std::move(item));

  boxes.answers = {MessageAnswer::No};
  action("MenuNew")->trigger();
  EXPECT_EQ(boxes.shown.size(), 1u);
  EXPECT_FALSE(composition().Modified());
  EXPECT_EQ(composition().Queue().count(), 0u);
  EXPECT_TRUE(testing::closeColors(composition().CanvasBitmap().pixel(5, 5), rgb(200, 40, 40), 3));
  EXPECT_EQ(window->statusText(2), "Unmodified");

  // Unmodified, New asks nothing.
  button("ButtonNew")->click();
  EXPECT_EQ(boxes.shown.size(), 1u);
}

}  // namespace
}  // namespace glyphon
