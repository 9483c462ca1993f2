// The print dialog driven as a user would: the page of an 8 x 11 inch
// printable area at 96 pixels per inch (768 x 1056 screen pixels) and a
// picture of 800 x 600 pixels, every length in inches.
#include "windows/printing/PrintPreview.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <string>

#include "engine/core/IniFile.h"
#include "windows/shell/ImageBox.h"
#include "engine/shell/Language.h"
#include "tests/windows/printing/PrintTestSupport.h"
#include "tests/windows/shell/WindowTestSupport.h"

namespace glyphon {
namespace {

using testing::DialogAnswer;
using testing::RecordingMessageBoxes;

constexpr Color kPictureColor = rgb(200, 40, 60);
constexpr Color kWhite = rgb(255, 255, 255);
constexpr Color kBlack = rgb(0, 0, 0);

// What the five number fields show.
struct Shown {
  std::string width, height, scale, left, top;
};

class PrintPreviewTest : public ::testing::Test {
 protected:
  void open(const PrintLayout& layout = {}, PixelSize page = {768, 1056}) {
    dialog = std::make_unique<TPrintPreviewForm>(nullptr);
    dialog->ScreenResolution = 96;
    dialog->DecimalSeparator = ".";
    dialog->PrintPicture = testing::flatPicture(800, 600, kPictureColor);
    dialog->PictureWidth = 800;
    dialog->PictureHeight = 600;
    dialog->Layout = layout;
    dialog->PagePixelWidth = page.Width;
    dialog->PagePixelHeight = page.Height;
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
  }

  // Replaces the field's text by typing, key by key.
  static void type(QLineEdit* field, const QString& text) {
    field->selectAll();
    QTest::keyClicks(field, text);
  }

  // Moves the list's choice with the arrow keys, as a user would.
  static void pickUnit(QComboBox* list, int index) {
    const int steps = index - list->currentIndex();
    for (int i = 0; i < std::abs(steps); ++i)
      QTest::keyClick(list, steps > 0 ? Qt::Key_Down : Qt::Key_Up);
    EXPECT_EQ(list->currentIndex(), index);
  }

  void expectShown(const Shown& e) const {
    EXPECT_EQ(dialog->EditWidth->text().toStdString(), e.width);
    EXPECT_EQ(dialog->EditHeight->text().toStdString(), e.height);
    EXPECT_EQ(dialog->EditScale->text().toStdString(), e.scale);
    EXPECT_EQ(dialog->EditLeft->text().toStdString(), e.left);
    EXPECT_EQ(dialog->EditTop->text().toStdString(), e.top);
  }

  [[nodiscard]] Color previewPixel(int x, int y) const {
    return dialog->ImagePreview->picture().pixel(x, y);
  }

  RecordingMessageBoxes boxes;
  testing::PdfPrinters printers;
  std::unique_ptr<TPrintPreviewForm> dialog;
};

TEST_F(PrintPreviewTest, TextsComeFromTheLanguageAndOnlyTheSizeUnitsAreTranslated) {
  IniFile german = IniFile::parse(
      "[String]\n&cancel=&Abbrechen\nInch=Zoll\nWidth must be float.=Die Breite muss eine Zahl "
      "sein.\n");
  open();
  EXPECT_EQ(dialog->windowTitle(), "Print");
  EXPECT_EQ(dialog->ButtonCancel->text(), "&Cancel");
  EXPECT_FALSE(dialog->CheckBoxBorderBox->isVisible());
  for (QComboBox* list : {dialog->ComboBoxTopUnit, dialog->ComboBoxLeftUnit,
                          dialog->ComboBoxHeightUnit, dialog->ComboBoxWidthUnit}) {
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->itemText(0), "Pixel");
    EXPECT_EQ(list->itemText(3), "millimeter");
  }

  dialog->LoadCaptions(Language(german));
  EXPECT_EQ(dialog->ButtonCancel->text(), "&Abbrechen");
  EXPECT_EQ(dialog->ButtonOK->text(), "&OK");
  EXPECT_EQ(dialog->ComboBoxWidthUnit->itemText(1), "Zoll");
  EXPECT_EQ(dialog->ComboBoxHeightUnit->itemText(1), "Zoll");
  EXPECT_EQ(dialog->ComboBoxHeightUnit->currentIndex(), 1);
  // The position lists keep their fixed English names.
  EXPECT_EQ(dialog->ComboBoxTopUnit->itemText(1), "Inch");

  QTest::mouseClick(dialog->CheckBoxFitPage, Qt::LeftButton);
  QTest::keyClicks(dialog->EditWidth, "x");
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Die Breite muss eine Zahl sein."});
}

TEST_F(PrintPreviewTest, OpensFittedAndCentred) {
  open();
  expectShown({"8.000", "6.000", "96.00", "0.000", "2.500"});
  EXPECT_TRUE(dialog->LayoutReady);
  EXPECT_FALSE(dialog->Accepted);
  EXPECT_TRUE(dialog->CheckBoxFitPage->isChecked());
  EXPECT_TRUE(dialog->CheckBoxCenter->isChecked());
  EXPECT_FALSE(dialog->CheckBoxCenter->isEnabled());
  for (QWidget* locked : std::initializer_list<QWidget*>{
           dialog->EditScale, dialog->EditHeight, dialog->EditWidth, dialog->ComboBoxHeightUnit,
           dialog->ComboBoxWidthUnit, dialog->EditTop, dialog->EditLeft, dialog->ComboBoxTopUnit,
           dialog->ComboBoxLeftUnit})
    EXPECT_FALSE(locked->isEnabled()) << locked->objectName().toStdString();
  EXPECT_TRUE(boxes.shown.empty());

  // The page preview: 186 x 257 in the middle of the panel, the picture at
  // 0, 58, 186 x 140 on it.
  EXPECT_EQ(dialog->ImagePreview->geometry(), QRect(35, 0, 186, 257));
  ASSERT_EQ(dialog->ImagePreview->picture().width(), 186);
  ASSERT_EQ(dialog->ImagePreview->picture().height(), 257);
  EXPECT_EQ(previewPixel(93, 57), kWhite);
  EXPECT_EQ(previewPixel(93, 58), kPictureColor);
  EXPECT_EQ(previewPixel(93, 197), kPictureColor);
  EXPECT_EQ(previewPixel(93, 198), kWhite);
  // The outline, under the picture where the picture covers it.
  EXPECT_EQ(previewPixel(0, 0), kBlack);
  EXPECT_EQ(previewPixel(185, 256), kBlack);
  EXPECT_EQ(previewPixel(93, 256), kBlack);
  EXPECT_EQ(previewPixel(93, 255), kWhite);
  EXPECT_EQ(previewPixel(0, 100), kPictureColor);
  EXPECT_EQ(previewPixel(185, 100), kPictureColor);
}

TEST_F(PrintPreviewTest, FitOffShowsTheNaturalSizeCentredAndClipped) {
  open();
  QTest::mouseClick(dialog->CheckBoxFitPage, Qt::LeftButton);
  expectShown({"8.333", "6.250", "100.00", "-0.167", "2.375"});
  EXPECT_TRUE(dialog->CheckBoxCenter->isChecked());
  EXPECT_TRUE(dialog->CheckBoxCenter->isEnabled());
  EXPECT_TRUE(dialog->EditScale->isEnabled());
  EXPECT_TRUE(dialog->ComboBoxWidthUnit->isEnabled());
  EXPECT_FALSE(dialog->EditTop->isEnabled());
  // The picture at -3, 55, 193 x 146 overhangs both sides of the preview.
  EXPECT_EQ(previewPixel(0, 100), kPictureColor);
  EXPECT_EQ(previewPixel(185, 100), kPictureColor);
  EXPECT_EQ(previewPixel(93, 54), kWhite);
  EXPECT_EQ(previewPixel(93, 55), kPictureColor);
  EXPECT_EQ(previewPixel(93, 200), kPictureColor);
  EXPECT_EQ(previewPixel(93, 201), kWhite);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PrintPreviewTest, TypedScaleHeightAndWidthKeepTheAspectAndRecentre) {
  open();
  QTest::mouseClick(dialog->CheckBoxFitPage, Qt::LeftButton);
  type(dialog->EditScale, "40");
  expectShown({"3.333", "2.500", "40", "2.333", "4.250"});
  // 320 x 240 pixels at 224, 408: in the preview 77 x 58 at 54, 99.
  EXPECT_EQ(previewPixel(54, 99), kPictureColor);
  EXPECT_EQ(previewPixel(53, 99), kWhite);
  EXPECT_EQ(previewPixel(130, 156), kPictureColor);
  EXPECT_EQ(previewPixel(131, 156), kWhite);

  type(dialog->EditHeight, "3");
  expectShown({"4.000", "3", "48.000", "2.000", "4.000"});

  pickUnit(dialog->ComboBoxWidthUnit, 2);
  EXPECT_EQ(dialog->EditWidth->text(), "10.16");  // 384 pixels
  type(dialog->EditWidth, "5");
  // 189 pixels wide, 141 high, at 289, 457.
  expectShown({"5", "1.469", "23.500", "3.010", "4.760"});
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PrintPreviewTest, AUnitChangeReexpressesTheValueThroughWholePixels) {
  open();
  QTest::mouseClick(dialog->CheckBoxFitPage, Qt::LeftButton);
  pickUnit(dialog->ComboBoxWidthUnit, 2);
  expectShown({"21.1666666666667", "6.250", "100.00", "-0.167", "2.375"});
  EXPECT_EQ(dialog->LastWidthUnit, 2);

  QTest::mouseClick(dialog->CheckBoxCenter, Qt::LeftButton);
  EXPECT_TRUE(dialog->EditTop->isEnabled());
  expectShown({"21.1666666666667", "6.250", "100.00", "-0.167", "2.375"});
  pickUnit(dialog->ComboBoxTopUnit, 0);
  expectShown({"21.1666666666667", "6.250", "100.00", "-0.167", "228"});
  pickUnit(dialog->ComboBoxLeftUnit, 3);
  expectShown({"21.1666666666667", "6.250", "100.00", "-4.23333333333333", "228"});
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PrintPreviewTest, TextThatIsNoNumberIsReportedAndChangesNothing) {
  open();
  QTest::mouseClick(dialog->CheckBoxFitPage, Qt::LeftButton);
  QTest::keyClicks(dialog->EditWidth, "x");
  EXPECT_EQ(dialog->EditWidth->text(), "8.333x");
  expectShown({"8.333x", "6.250", "100.00", "-0.167", "2.375"});
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].request.caption, "Error");
  EXPECT_EQ(boxes.shown[0].request.text, "Width must be float.");
  EXPECT_EQ(boxes.shown[0].owner, dialog.get());

  // "4" alone is a scale (32 x 24 pixels); "4o" is not.
  type(dialog->EditScale, "4o");
  expectShown({"0.333", "0.250", "4o", "3.833", "5.375"});
  // Emptied with the keyboard, or the minus sign that begins a negative value.
  dialog->EditWidth->selectAll();
  QTest::keyClick(dialog->EditWidth, Qt::Key_Backspace);
  type(dialog->EditWidth, "-");
  EXPECT_EQ(boxes.texts(),
            (std::vector<std::string>{"Width must be float.", "Scale value must be float.",
                                      "Width must be float.", "Width must be float."}));
  expectShown({"-", "0.250", "4o", "3.833", "5.375"});

  // OK keeps the dialog open.
  boxes.shown.clear();
  QTest::mouseClick(dialog->ButtonOK, Qt::LeftButton);
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Width must be float."});
  EXPECT_FALSE(dialog->Accepted);
  EXPECT_TRUE(dialog->isVisible());
}

TEST_F(PrintPreviewTest, AUnitChangeOfAFieldThatIsNoNumberGoesBack) {
  open();
  QTest::mouseClick(dialog->CheckBoxFitPage, Qt::LeftButton);
  type(dialog->EditHeight, "abc");
  boxes.shown.clear();
  QTest::keyClick(dialog->ComboBoxHeightUnit, Qt::Key_Down);
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Height must be float."});
  EXPECT_EQ(dialog->ComboBoxHeightUnit->currentIndex(), 1);
  EXPECT_EQ(dialog->LastHeightUnit, 1);
  EXPECT_EQ(dialog->focusWidget(), dialog->EditHeight);
  EXPECT_EQ(dialog->EditHeight->text(), "abc");
}

TEST_F(PrintPreviewTest, OkHandsBackEveryFieldButTheScale) {
  PrintLayout layout;
  layout.Scale = 77;
  layout.BorderBox = false;
  open(layout);
  QTest::mouseClick(dialog->CheckBoxFitPage, Qt::LeftButton);
  QTest::mouseClick(dialog->CheckBoxCenter, Qt::LeftButton);
  pickUnit(dialog->ComboBoxTopUnit, 0);
  QTest::mouseClick(dialog->ButtonOK, Qt::LeftButton);
  EXPECT_TRUE(dialog->Accepted);
  EXPECT_FALSE(dialog->isVisible());

  PrintLayout expected;
  expected.Top = 228;
  expected.TopUnit = PrintUnit::Pixel;
  expected.Left = -0.167;
  expected.Center = false;
  expected.Scale = 77;
  expected.FitPage = false;
  expected.Height = 6.25;
  expected.Width = 8.333;
  expected.BorderBox = false;
  EXPECT_EQ(dialog->Layout, expected);
}

TEST_F(PrintPreviewTest, AnUnknownUnitSelectsNothingAndMakesEveryLengthZero) {
  PrintLayout layout;
  layout.TopUnit = PrintUnit(9);
  open(layout);
  EXPECT_EQ(dialog->ComboBoxTopUnit->currentIndex(), -1);
  EXPECT_EQ(dialog->LastTopUnit, -1);
  expectShown({"8.000", "6.000", "96.00", "0.000", "0.000"});
  // The picture stands at the top of the page.
  EXPECT_EQ(previewPixel(93, 1), kPictureColor);
  QTest::mouseClick(dialog->ButtonOK, Qt::LeftButton);
  EXPECT_EQ(dialog->Layout.TopUnit, PrintUnit(-1));
}

TEST_F(PrintPreviewTest, PageSettingsTakeThePaperSizeAndFitAgain) {
  open();
  printers.pageSetupAnswers.push_back({true, [](QPrinter& p) {
                                         p.setPageSize(QPageSize(QPageSize::Letter));
                                         p.setPageOrientation(QPageLayout::Landscape);
                                       }});
  QTest::mouseClick(dialog->ButtonPageSet, Qt::LeftButton);
  ASSERT_EQ(printers.pageSetupOwners.size(), 1u);
  EXPECT_EQ(printers.pageSetupOwners[0], dialog.get());
  // Letter lying: 11 x 8.5 inches, 1056 x 816 pixels.
  EXPECT_EQ(dialog->PagePixelWidth, 1056);
  EXPECT_EQ(dialog->PagePixelHeight, 816);
  expectShown({"11.000", "8.250", "132.00", "0.000", "0.125"});
  EXPECT_EQ(dialog->ImagePreview->geometry(), QRect(0, 29, 257, 198));

  // Cancelled, nothing changes; with fit off the size goes back to natural.
  printers.pageSetupAnswers.push_back(
      {false, [](QPrinter& p) { p.setPageOrientation(QPageLayout::Portrait); }});
  QTest::mouseClick(dialog->ButtonPageSet, Qt::LeftButton);
  EXPECT_EQ(dialog->PagePixelWidth, 1056);
  QTest::mouseClick(dialog->CheckBoxFitPage, Qt::LeftButton);
  type(dialog->EditScale, "40");
  printers.pageSetupAnswers.push_back({true, {}});
  QTest::mouseClick(dialog->ButtonPageSet, Qt::LeftButton);
  expectShown({"8.333", "6.250", "100.00", "1.333", "1.125"});
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PrintPreviewTest, PrintUsesTheValuesOnScreenAndKeepsTheDialogOpen) {
  open();
  printers.printAnswers.push_back({});
  QTest::mouseClick(dialog->ButtonPrint, Qt::LeftButton);
  ASSERT_EQ(printers.printDialogOwners.size(), 1u);
  EXPECT_EQ(printers.printDialogOwners[0], dialog.get());
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_FALSE(dialog->Accepted);
  EXPECT_TRUE(boxes.shown.empty());
  // Left 0 and Top 240 pixels, 768 x 576, times 600 / 96.
  const QImage page = testing::rasterisePdf(printers.pdfPath());
  const QRect ink = testing::inkBounds(page);
  const QRect expected = testing::rasterRect({0, 1500, 4800, 3600});
  EXPECT_EQ(ink.topLeft(), expected.topLeft());
  EXPECT_NEAR(ink.right(), expected.right(), 1);
  EXPECT_NEAR(ink.bottom(), expected.bottom(), 1);
  EXPECT_TRUE(testing::nearColor(page.pixel(200, 300), kPictureColor));
}

TEST_F(PrintPreviewTest, PrintStopsAtACancelledDialogOrAFieldThatIsNoNumber) {
  open();
  printers.printAnswers.push_back({false, {}});
  QTest::mouseClick(dialog->ButtonPrint, Qt::LeftButton);
  QTest::mouseClick(dialog->CheckBoxFitPage, Qt::LeftButton);
  QTest::keyClicks(dialog->EditHeight, "?");
  boxes.shown.clear();
  printers.printAnswers.push_back({});
  QTest::mouseClick(dialog->ButtonPrint, Qt::LeftButton);
  EXPECT_EQ(printers.printDialogOwners.size(), 2u);
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Height must be float."});
  EXPECT_FALSE(QFileInfo::exists(printers.pdfPath()));
}

TEST_F(PrintPreviewTest, PrintWithoutPrintersSaysSo) {
  open();
  printers.installed = 0;
  QTest::mouseClick(dialog->ButtonPrint, Qt::LeftButton);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].request.caption, "Information");
  EXPECT_EQ(boxes.shown[0].request.text, "Can not find any printer.");
  EXPECT_TRUE(printers.printDialogOwners.empty());
  EXPECT_FALSE(QFileInfo::exists(printers.pdfPath()));
}

}  // namespace
}  // namespace glyphon
