#include "windows/documents/NewForm.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "windows/shell/ColorBox.h"
#include "tests/windows/shell/WindowTestSupport.h"

namespace glyphon {
namespace {

using testing::RecordingMessageBoxes;
using testing::ScriptedFileDialogs;

class NewFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    picture = folder.filePath(QStringLiteral("custom.bmp"));
    testing::writeBmp(picture, testing::flatPicture(4, 4, 0x123456));
  }

  // Opens the dialog on values, as New Format does, without blocking.
  void open(const CanvasSettings& values) {
    form.Values = values;
    form.show();
  }

  void clickOk() { QTest::mouseClick(form.BitBtnOK, Qt::LeftButton); }

  static void typeInto(QLineEdit* edit, const QString& text) {
    edit->clear();
    QTest::keyClicks(edit, text);
  }

  QTemporaryDir folder;
  QString picture;
  RecordingMessageBoxes boxes;
  ScriptedFileDialogs dialogs;
  TNewForm form{nullptr};
};

TEST_F(NewFormTest, ShowsItsValuesAndEnablesOnlyWhatApplies) {
  open({"/some/where.jpg", true, true, 640, 480, 0x00FF00});
  EXPECT_EQ(form.windowTitle(), "New Picture");
  EXPECT_FALSE(form.Accepted);
  EXPECT_TRUE(form.CheckBoxDefaultBKPic->isChecked());
  EXPECT_TRUE(form.CheckBoxSameSize->isChecked());
  EXPECT_EQ(form.EditBKPicPath->text(), "/some/where.jpg");
  EXPECT_TRUE(form.EditBKPicPath->isReadOnly());
  EXPECT_EQ(form.EditWidth->text(), "640");
  EXPECT_EQ(form.EditHeight->text(), "480");
  EXPECT_FALSE(form.ColorBoxColor->isVisible());
  // Both boxes set: nothing else to edit.
  EXPECT_FALSE(form.EditBKPicPath->isEnabled());
  EXPECT_FALSE(form.ButtonBrowse->isEnabled());
  EXPECT_FALSE(form.EditWidth->isEnabled());
  EXPECT_FALSE(form.EditHeight->isEnabled());

  QTest::mouseClick(form.CheckBoxDefaultBKPic, Qt::LeftButton);
  EXPECT_TRUE(form.EditBKPicPath->isEnabled());
  EXPECT_TRUE(form.ButtonBrowse->isEnabled());
  EXPECT_FALSE(form.EditWidth->isEnabled());
  QTest::mouseClick(form.CheckBoxSameSize, Qt::LeftButton);
  EXPECT_TRUE(form.EditWidth->isEnabled());
  EXPECT_TRUE(form.EditHeight->isEnabled());
  EXPECT_TRUE(form.ColorBoxColor->isEnabled());
}

TEST_F(NewFormTest, BrowseIsTheWayToAPathAndCancellingItKeepsTheOld) {
  open({"", false, true, 800, 600, 0xFFFFFF});
  dialogs.answers = {picture, QString()};
  QTest::mouseClick(form.ButtonBrowse, Qt::LeftButton);
  EXPECT_EQ(form.EditBKPicPath->text(), picture);
  QTest::mouseClick(form.ButtonBrowse, Qt::LeftButton);
  EXPECT_EQ(form.EditBKPicPath->text(), picture);
  ASSERT_EQ(dialogs.requests.size(), 2u);
  EXPECT_TRUE(dialogs.requests[0].filter.startsWith("All (*.jpg *.jpeg *.bmp"));
  EXPECT_EQ(dialogs.requests[0].filter.count(";;"), 7);
  // Every extension the loader accepts, in both letter cases, under All and
  // under an entry of its own.
  const QStringList entries = dialogs.requests[0].filter.split(";;");
  for (const char* extension :
       {"jpg", "jpeg", "bmp", "png", "webp", "tif", "tiff", "heic", "heif", "avif"}) {
    for (const QString& pattern : {QStringLiteral("*.") + extension,
                                   QStringLiteral("*.") + QString(extension).toUpper()}) {
      EXPECT_TRUE(entries[0].contains(pattern + ' ') || entries[0].contains(pattern + ')'))
          << pattern.toStdString();
      int entriesWithIt = 0;
      for (const QString& entry : entries.mid(1))
        if (entry.contains(pattern + ' ') || entry.contains(pattern + ')')) ++entriesWithIt;
      EXPECT_EQ(entriesWithIt, 1) << pattern.toStdString();
    }
  }
}

TEST_F(NewFormTest, ChecksRunInOrderAndMoveTheFocusToTheFieldToCorrect) {
  open({folder.filePath("missing.jpg").toStdString(), false, false, 800, 600, 0xFFFFFF});
  typeInto(form.EditWidth, "12a");
  typeInto(form.EditHeight, "x");

  clickOk();
  EXPECT_EQ(boxes.texts().back(), "Background picture do not exists");
  EXPECT_EQ(boxes.shown.back().owner, &form);
  EXPECT_EQ(boxes.shown.back().request.caption, "Error");
  EXPECT_EQ(form.focusWidget(), form.EditBKPicPath);
  EXPECT_FALSE(form.Accepted);
  EXPECT_TRUE(form.isVisible());

  dialogs.answers = {picture};
  QTest::mouseClick(form.ButtonBrowse, Qt::LeftButton);
  clickOk();
  EXPECT_EQ(boxes.texts().back(), "Width must be integer!");
  EXPECT_EQ(form.focusWidget(), form.EditWidth);

  typeInto(form.EditWidth, "  1024 ");
  clickOk();
  EXPECT_EQ(boxes.texts().back(), "Height must be integer!");
  EXPECT_EQ(form.focusWidget(), form.EditHeight);
  EXPECT_FALSE(form.Accepted);

  typeInto(form.EditHeight, "-768");
  clickOk();
  EXPECT_EQ(boxes.texts().back(), "Height must be greater than 0!");
  EXPECT_EQ(form.focusWidget(), form.EditHeight);

  typeInto(form.EditWidth, "0");
  clickOk();
  EXPECT_EQ(boxes.texts().back(), "Width must be greater than 0!");
  EXPECT_EQ(form.focusWidget(), form.EditWidth);

  typeInto(form.EditWidth, "70000");
  typeInto(form.EditHeight, "10");
  clickOk();
  EXPECT_TRUE(QString::fromStdString(boxes.texts().back()).startsWith("The canvas is too large"));
  EXPECT_EQ(form.focusWidget(), form.EditWidth);
  EXPECT_FALSE(form.Accepted);
  EXPECT_TRUE(form.isVisible());

  typeInto(form.EditWidth, "1024");
  typeInto(form.EditHeight, "768");
  clickOk();
  EXPECT_TRUE(form.Accepted);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.Values,
            (CanvasSettings{picture.toStdString(), false, false, 1024, 768, 0xFFFFFF}));
  EXPECT_EQ(boxes.shown.size(), 6u);
}

TEST_F(NewFormTest, SameSizeSkipsTheSizeFieldsAndKeepsTheirValues) {
  // With the default picture the custom path is not looked at, and with the
  // picture's own size neither are the size fields.
  open({"  /nowhere/at/all.jpg  ", true, true, 321, 123, 0x77FF68});
  QTest::mouseClick(form.CheckBoxSameSize, Qt::LeftButton);
  typeInto(form.EditWidth, "garbage");
  QTest::mouseClick(form.CheckBoxSameSize, Qt::LeftButton);
  clickOk();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(form.Accepted);
  EXPECT_EQ(form.Values, (CanvasSettings{"/nowhere/at/all.jpg", true, true, 321, 123, 0x77FF68}));
}

TEST_F(NewFormTest, ColourTravelsThroughUnchanged) {
  open({picture.toStdString(), false, false, 10, 20, 0x0A0B0C});
  clickOk();
  ASSERT_TRUE(form.Accepted);
  EXPECT_EQ(form.Values.Color, 0x0A0B0Cu);
}

TEST_F(NewFormTest, CancelLeavesTheValuesAlone) {
  const CanvasSettings values{picture.toStdString(), false, false, 10, 20, 0xFFFFFF};
  open(values);
  typeInto(form.EditWidth, "99");
  QTest::mouseClick(form.BitBtnCancel, Qt::LeftButton);
  EXPECT_FALSE(form.Accepted);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.Values, values);
}

}  // namespace
}  // namespace glyphon
