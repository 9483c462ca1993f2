// The printer figures, the paper size and the print job, printed into PDF
// files and read back as pixels.
#include "windows/printing/Printer.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QPrinter>

#include "engine/core/Error.h"
#include "tests/windows/printing/PrintTestSupport.h"

namespace glyphon {
namespace {

using testing::cellPicture;
using testing::expectCellPictureAt;
using testing::PdfPrinters;
using testing::rasterisePdf;

TEST(ScreenResolution, IsTheOffscreenScreensNinetySix) { EXPECT_EQ(screenResolution(), 96); }

TEST(PrinterFigures, ResolutionAndPrintableArea) {
  PdfPrinters printers;
  const PrinterFigures figures = printerFigures(printers.printer);
  EXPECT_EQ(figures.DpiX, 600);
  EXPECT_EQ(figures.DpiY, 600);
  EXPECT_EQ(figures.Width, 4800);
  EXPECT_EQ(figures.Height, 6600);
  EXPECT_EQ(pageFromPrinter(figures, 96), (PixelSize{768, 1056}));

  printers.printer.setPageOrientation(QPageLayout::Landscape);
  const PrinterFigures turned = printerFigures(printers.printer);
  EXPECT_EQ(turned.Width, 6600);
  EXPECT_EQ(turned.Height, 4800);
}

TEST(PaperSize, InThousandthsOfAnInchAsTheOrientationTurnsIt) {
  PdfPrinters printers;
  EXPECT_EQ(paperSizeThousandths(printers.printer), QSize(9000, 12000));
  printers.printer.setPageOrientation(QPageLayout::Landscape);
  EXPECT_EQ(paperSizeThousandths(printers.printer), QSize(12000, 9000));
  printers.printer.setPageSize(QPageSize(QPageSize::A4));
  EXPECT_EQ(paperSizeThousandths(printers.printer), QSize(11693, 8268));
}

TEST(PrintPicture, OnePageNamedTessarquillWithThePictureInTheRectangle) {
  PdfPrinters printers;
  const Placement device{0, 1500, 4800, 3600};
  printPicture(printers.printer, cellPicture(800, 600, 8, 6), device);
  EXPECT_EQ(testing::pdfInfo(printers.pdfPath(), "Pages"), "1");
  EXPECT_EQ(testing::pdfInfo(printers.pdfPath(), "Title"), "Tessarquill");
  expectCellPictureAt(rasterisePdf(printers.pdfPath()), device, 8, 6);
}

TEST(PrintPicture, StretchesWithoutSmoothing) {
  PdfPrinters printers;
  // Each of the 4 x 3 pixels becomes a block of 1200 device pixels, 96
  // raster pixels: smoothing would blend neighbours across the blocks.
  const Bitmap picture = cellPicture(4, 3, 4, 3);
  const Placement device{0, 1500, 4800, 3600};
  printPicture(printers.printer, picture, device);
  const QImage page = rasterisePdf(printers.pdfPath());
  const QRect where = testing::rasterRect(device);
  int blended = 0;
  for (int y = where.top(); y <= where.bottom(); ++y)
    for (int x = where.left(); x <= where.right(); ++x) {
      const int column = (x - where.left()) * 4 / where.width();
      const int row = (y - where.top()) * 3 / where.height();
      if (!testing::nearColor(page.pixel(x, y), testing::cellColor(column, row))) ++blended;
    }
  // Only raster pixels along the block borders may differ: under 1 in 100.
  EXPECT_GT(where.width() * where.height(), 100 * blended) << blended;
}

TEST(PrintPicture, ARectangleWithoutAreaPrintsABlankPage) {
  PdfPrinters printers;
  printPicture(printers.printer, cellPicture(8, 6, 1, 1), {100, 100, 0, 3600});
  EXPECT_EQ(testing::pdfInfo(printers.pdfPath(), "Pages"), "1");
  EXPECT_TRUE(testing::inkBounds(rasterisePdf(printers.pdfPath())).isNull());
}

TEST(PrintPicture, APageRangeChosenInTheDialogDoesNotDropThePage) {
  PdfPrinters printers;
  printers.printer.setPrintRange(QPrinter::PageRange);
  printers.printer.setFromTo(2, 3);
  printPicture(printers.printer, cellPicture(80, 60, 2, 2), {0, 0, 800, 600});
  EXPECT_EQ(printers.printer.printRange(), QPrinter::AllPages);
  EXPECT_EQ(testing::pdfInfo(printers.pdfPath(), "Pages"), "1");
}

TEST(PrintPicture, AJobThatCannotStartIsAnError) {
  PdfPrinters printers;
  printers.printer.setOutputFileName("/nonexistent-folder/job.pdf");
  try {
    printPicture(printers.printer, cellPicture(8, 6, 1, 1), {0, 0, 80, 60});
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Unable to start printing on /nonexistent-folder/job.pdf");
  }
}

}  // namespace
}  // namespace glyphon
