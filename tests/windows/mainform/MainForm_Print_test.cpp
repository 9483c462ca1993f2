// Paper Settings, Print Preview and Print through the real main window, on
// the 600 dpi test printer whose printable area is 8 x 11 inches, with a
// canvas of 800 x 600 pixels in 8 x 6 cells of their own colours.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "engine/core/TextItem.h"
#include "services/shell/UserConfig.h"
#include "tests/windows/mainform/MainFormTestSupport.h"
#include "tests/windows/printing/PrintTestSupport.h"
#include "tests/windows/shell/WindowTestSupport.h"
#include "windows/mainform/MainForm.h"
#include "windows/printing/PrintPreview.h"
#include "windows/printing/Printer.h"
#include "windows/shell/ImageBox.h"

namespace glyphon {
namespace {

using testing::expectCellPictureAt;
using testing::RecordingMessageBoxes;
using testing::whenDialogOpens;

class PrintCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    testing::writeJpeg(folder.filePath("pic/default.jpg"), testing::patternPicture(16, 12));
    testing::writeBmp(folder.filePath("canvas.bmp"), testing::cellPicture(800, 600, 8, 6));
    testing::configureCanvasPicture(folder.filePath("canvas.bmp"));
    start();
  }

  // Starts the window on the configuration file: New makes the canvas from
  // canvas.bmp.
  void start() {
    window = std::make_unique<TMainForm>(folder.path(), QStringList());
    ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().front();
    window->resize(700, 600);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }

  // A selected item with its handles in the top-left cell, clear of the
  // cells' centres.
  void addSelectedItem() {
    auto item = std::make_unique<TTextItem>();
    item->Rect = {10, 10, 30, 25};
    item->Color = rgb(250, 250, 0);
    item->Bitmap = std::make_shared<Bitmap>(testing::flatPicture(4, 3, rgb(255, 0, 0)));
    window->composition().addItem(std::move(item));
    ASSERT_TRUE(window->composition().Queue().HandlesShown);
  }

  // Starts the window afresh the way a user finds it who chose layout in
  // an earlier run (Width and Height are not kept from run to run).
  void restartWith(const PrintLayout& layout) {
    window.reset();
    testing::configureCanvasPicture(folder.filePath("canvas.bmp"), layout);
    start();
  }

  QAction* action(const char* name) const { return testing::namedAction(*window, name); }

  // Prints directly with the print dialog confirmed.
  void printDirectly() {
    printers.printAnswers.push_back({});
    action("MenuPrint")->trigger();
  }

  // Opens Print Preview and runs inside while it is open.
  void preview(std::function<void(TPrintPreviewForm&)> inside) {
    whenDialogOpens<TPrintPreviewForm>(std::move(inside));
    action("MenuPrintPreview")->trigger();
  }

  [[nodiscard]] QImage printedPage() const { return testing::rasterisePdf(printers.pdfPath()); }

  QTemporaryDir folder;
  RecordingMessageBoxes boxes;
  testing::PdfPrinters printers;
  std::unique_ptr<TMainForm> window;
};

TEST_F(PrintCommandsTest, DirectPrintingFitsAndCentresAndTakesTheHandlesOff) {
  addSelectedItem();
  const TTextItem* selected = window->composition().Queue().Selected;
  printDirectly();
  ASSERT_EQ(printers.printDialogOwners.size(), 1u);
  EXPECT_EQ(printers.printDialogOwners[0], window.get());
  EXPECT_TRUE(boxes.shown.empty());
  // 8 x 6 inches at 0, 2.5 inches.
  expectCellPictureAt(printedPage(), {0, 1500, 4800, 3600}, 8, 6);
  EXPECT_EQ(testing::pdfInfo(printers.pdfPath(), "Title"), "Tessarquill");
  EXPECT_FALSE(window->composition().Queue().HandlesShown);
  EXPECT_EQ(window->composition().Queue().Selected, selected);
}

TEST_F(PrintCommandsTest, DirectPrintingAtScale100OverhangsThePage) {
  PrintLayout layout;
  layout.FitPage = false;
  restartWith(layout);
  printDirectly();
  expectCellPictureAt(printedPage(), {-100, 1425, 5000, 3750}, 8, 6);
}

TEST_F(PrintCommandsTest, DirectPrintingAtScale50SnapsThePositionToScreenPixels) {
  PrintLayout layout;
  layout.FitPage = false;
  layout.Center = false;
  layout.Scale = 50;
  layout.Left = 1;
  layout.Top = 2;
  layout.TopUnit = PrintUnit::Centimeter;
  restartWith(layout);
  // Width and Height play no part: after a start they are 0.
  ASSERT_EQ(window->printSettings().Width, 0);
  ASSERT_EQ(window->printSettings().Height, 0);
  printDirectly();
  expectCellPictureAt(printedPage(), {600, 475, 2500, 1875}, 8, 6);
}

TEST_F(PrintCommandsTest, DirectPrintingMakesTheCopiesAskedFor) {
  printers.printAnswers.push_back({true, [](QPrinter& p) { p.setCopyCount(3); }});
  action("MenuPrint")->trigger();
  EXPECT_EQ(testing::pdfInfo(printers.pdfPath(), "Pages"), "3");
  expectCellPictureAt(testing::rasterisePdf(printers.pdfPath(), 3), {0, 1500, 4800, 3600}, 8, 6);
}

TEST_F(PrintCommandsTest, CancellingThePrintDialogChangesNothing) {
  addSelectedItem();
  const Bitmap canvas = window->composition().CanvasBitmap();
  printers.printAnswers.push_back({false, {}});
  action("MenuPrint")->trigger();
  EXPECT_FALSE(QFileInfo::exists(printers.pdfPath()));
  EXPECT_TRUE(window->composition().Queue().HandlesShown);
  EXPECT_EQ(window->composition().CanvasBitmap(), canvas);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PrintCommandsTest, WithoutAPrinterEveryCommandSaysSoAndShowsNoDialog) {
  printers.installed = 0;
  addSelectedItem();
  for (const char* command : {"MenuPrint", "MenuPrintPreview", "MenuPaperSetting"})
    action(command)->trigger();
  ASSERT_EQ(boxes.shown.size(), 3u);
  for (const testing::ShownMessage& m : boxes.shown) {
    EXPECT_EQ(m.request.caption, "Glyphon Editor");
    EXPECT_EQ(m.request.icon, MessageIcon::Error);
    EXPECT_EQ(m.request.text, QString::fromLatin1(kNoPrinterMessage) + '.');
  }
  EXPECT_TRUE(printers.printDialogOwners.empty());
  EXPECT_TRUE(printers.pageSetupOwners.empty());
  EXPECT_TRUE(window->composition().Queue().HandlesShown);
}

TEST_F(PrintCommandsTest, WithoutACanvasThereIsNothingToPrint) {
  // A start-up whose picture is missing leaves the canvas empty.
  window.reset();
  QFile::remove(folder.filePath("canvas.bmp"));
  window = std::make_unique<TMainForm>(folder.path(), QStringList());
  ASSERT_TRUE(window->composition().CanvasBitmap().isEmpty());
  boxes.shown.clear();
  action("MenuPrint")->trigger();
  action("MenuPrintPreview")->trigger();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(printers.printDialogOwners.empty());
}

TEST_F(PrintCommandsTest, PreviewOpensOnThePrintersPageAndOkHandsTheLayoutBack) {
  PrintLayout layout;
  layout.Scale = 60;
  restartWith(layout);
  addSelectedItem();
  bool opened = false;
  preview([&](TPrintPreviewForm& dialog) {
    opened = true;
    EXPECT_EQ(dialog.parentWidget(), window.get());
    EXPECT_EQ(dialog.PagePixelWidth, 768);
    EXPECT_EQ(dialog.PagePixelHeight, 1056);
    EXPECT_EQ(dialog.PictureWidth, 800);
    EXPECT_EQ(dialog.PictureHeight, 600);
    EXPECT_EQ(dialog.PrintPicture, window->composition().CanvasBitmap());
    EXPECT_EQ(dialog.EditTop->text(), "2.500");
    QTest::mouseClick(dialog.CheckBoxFitPage, Qt::LeftButton);
    QTest::mouseClick(dialog.CheckBoxCenter, Qt::LeftButton);
    QTest::mouseClick(dialog.ButtonOK, Qt::LeftButton);
  });
  ASSERT_TRUE(opened);
  EXPECT_FALSE(window->composition().Queue().HandlesShown);
  PrintLayout expected;
  expected.Top = 2.375;
  expected.Left = -0.167;
  expected.Center = false;
  expected.FitPage = false;
  expected.Scale = 60;
  expected.Height = 6.25;
  expected.Width = 8.333;
  EXPECT_EQ(window->printSettings(), expected);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PrintCommandsTest, PreviewCancelledHandsNothingBack) {
  const PrintLayout before = window->printSettings();
  preview([](TPrintPreviewForm& dialog) {
    QTest::mouseClick(dialog.CheckBoxFitPage, Qt::LeftButton);
    dialog.EditScale->selectAll();
    QTest::keyClicks(dialog.EditScale, "40");
    QTest::mouseClick(dialog.ButtonCancel, Qt::LeftButton);
  });
  EXPECT_EQ(window->printSettings(), before);
  // The next opening starts from the main window's values again.
  preview([](TPrintPreviewForm& dialog) {
    EXPECT_TRUE(dialog.CheckBoxFitPage->isChecked());
    EXPECT_EQ(dialog.EditScale->text(), "96.00");
    dialog.reject();
  });
}

TEST_F(PrintCommandsTest, PrintingFromThePreviewGivesTheDirectRectangle) {
  const PrintLayout before = window->printSettings();
  printers.printAnswers.push_back({});
  preview([this](TPrintPreviewForm& dialog) {
    QTest::mouseClick(dialog.ButtonPrint, Qt::LeftButton);
    EXPECT_EQ(printers.printDialogOwners.at(0), &dialog);
    EXPECT_TRUE(dialog.isVisible());
    QTest::mouseClick(dialog.ButtonCancel, Qt::LeftButton);
  });
  expectCellPictureAt(printedPage(), {0, 1500, 4800, 3600}, 8, 6);
  EXPECT_EQ(window->printSettings(), before);
}

TEST_F(PrintCommandsTest, PaperSettingsLastForTheFollowingCommands) {
  printers.pageSetupAnswers.push_back(
      {true, [](QPrinter& p) { p.setPageOrientation(QPageLayout::Landscape); }});
  action("MenuPaperSetting")->trigger();
  ASSERT_EQ(printers.pageSetupOwners.size(), 1u);
  EXPECT_EQ(printers.pageSetupOwners[0], window.get());

  // A page wider than high fills the preview panel's width.
  preview([](TPrintPreviewForm& dialog) {
    EXPECT_EQ(dialog.PagePixelWidth, 1056);
    EXPECT_EQ(dialog.PagePixelHeight, 768);
    EXPECT_EQ(dialog.ImagePreview->width(), 257);
    dialog.reject();
  });

  printers.pageSetupAnswers.push_back(
      {false, [](QPrinter& p) { p.setPageOrientation(QPageLayout::Portrait); }});
  action("MenuPaperSetting")->trigger();
  EXPECT_EQ(printers.printer.pageLayout().orientation(), QPageLayout::Landscape);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PrintCommandsTest, TheLayoutIsFoundAgainAfterARestart) {
  preview([](TPrintPreviewForm& dialog) {
    QTest::mouseClick(dialog.CheckBoxFitPage, Qt::LeftButton);
    QTest::mouseClick(dialog.CheckBoxCenter, Qt::LeftButton);
    QTest::keyClick(dialog.ComboBoxTopUnit, Qt::Key_Up);
    QTest::mouseClick(dialog.ButtonOK, Qt::LeftButton);
  });
  PrintLayout expected = window->printSettings();
  EXPECT_EQ(expected.TopUnit, PrintUnit::Pixel);
  EXPECT_EQ(expected.Top, 228);
  window.reset();
  start();
  // Width and Height last only for the run.
  expected.Width = 0;
  expected.Height = 0;
  EXPECT_EQ(window->printSettings(), expected);
  preview([](TPrintPreviewForm& dialog) {
    EXPECT_FALSE(dialog.CheckBoxCenter->isChecked());
    EXPECT_EQ(dialog.EditTop->text(), "228");
    EXPECT_EQ(dialog.ComboBoxTopUnit->currentIndex(), 0);
    EXPECT_EQ(dialog.EditLeft->text(), "-0.167");
    dialog.reject();
  });
}

}  // namespace
}  // namespace glyphon
