// What the printing tests share: a printer that prints into a PDF file, with
// print and page-setup dialogs answered from a script, and the PDF turned
// back into pixels (pdftoppm) to find where the picture landed.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/Bitmap.h"
#include "windows/printing/Printer.h"

namespace glyphon::testing {

// The test printer: 600 dpi, paper 9 x 12 inches with half-inch margins, so
// that the printable area is 8 x 11 inches, 4800 x 6600 device pixels.
inline constexpr int kPrinterDpi = 600;
inline constexpr double kPaperWidthInches = 9;
inline constexpr double kPaperHeightInches = 12;
inline constexpr double kMarginInches = 0.5;
// PDF pages are turned into pictures at 48 dpi: one raster pixel is 12.5
// device pixels, and every rectangle of the examples lands on whole pixels.
inline constexpr int kRasterDpi = 48;

// Sets printer up as the test printer, printing into path.
inline void makeTestPrinter(QPrinter& printer, const QString& path) {
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  printer.setResolution(kPrinterDpi);
  printer.setFullPage(false);
  printer.setPageLayout(QPageLayout(
      QPageSize(QSizeF(kPaperWidthInches, kPaperHeightInches), QPageSize::Inch),
      QPageLayout::Portrait, QMarginsF(kMarginInches, kMarginInches, kMarginInches, kMarginInches),
      QPageLayout::Inch));
}

// One scripted answer of a dialog: whether the user confirms, and what the
// choice does to the printer's settings.
struct DialogAnswer {
  bool confirm = true;
  std::function<void(QPrinter&)> choose;
};

// The printers of a test: `count` installed printers (1 unless set), the
// current one being the test printer writing pdfPath(). Each dialog takes
// the next scripted answer; a dialog nobody scripted fails the test and is
// cancelled.
class PdfPrinters final : public Printers {
 public:
  PdfPrinters() : m_scope(*this) { makeTestPrinter(printer, pdfPath()); }

  int count() override { return installed; }
  QPrinter* current() override { return installed > 0 ? &printer : nullptr; }

  bool runPrintDialog(QWidget* owner, QPrinter& p) override {
    printDialogOwners.push_back(owner);
    return answer(printAnswers, p, "print dialog");
  }

  bool runPageSetupDialog(QWidget* owner, QPrinter& p) override {
    pageSetupOwners.push_back(owner);
    return answer(pageSetupAnswers, p, "page-setup dialog");
  }

  [[nodiscard]] QString pdfPath() const { return m_folder.filePath(QStringLiteral("job.pdf")); }

  int installed = 1;
  QPrinter printer{QPrinter::HighResolution};
  std::deque<DialogAnswer> printAnswers;
  std::deque<DialogAnswer> pageSetupAnswers;
  std::vector<QWidget*> printDialogOwners;
  std::vector<QWidget*> pageSetupOwners;

 private:
  static bool answer(std::deque<DialogAnswer>& answers, QPrinter& p, const char* what) {
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected " << what;
      return false;
    }
    const DialogAnswer a = answers.front();
    answers.pop_front();
    if (a.confirm && a.choose) a.choose(p);
    return a.confirm;
  }

  QTemporaryDir m_folder;
  ScopedPrinters m_scope;
};

// The output of a command line tool, failing the test when it cannot run.
inline QString runTool(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0) {
    ADD_FAILURE() << program.toStdString()
                  << " failed: " << process.readAllStandardError().toStdString();
    return {};
  }
  return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// Page `page` (from 1) of a PDF file as a picture at kRasterDpi.
inline QImage rasterisePdf(const QString& pdf, int page = 1) {
  QTemporaryDir folder;
  const QString base = folder.filePath(QStringLiteral("page"));
  runTool(QStringLiteral("pdftoppm"),
          {QStringLiteral("-r"), QString::number(kRasterDpi), QStringLiteral("-f"),
           QString::number(page), QStringLiteral("-l"), QString::number(page),
           QStringLiteral("-singlefile"), QStringLiteral("-png"), pdf, base});
  return QImage(base + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

// A value of pdfinfo's report ("Pages", "Title"), or empty.
inline QString pdfInfo(const QString& pdf, const QString& key) {
  for (const QString& line : runTool(QStringLiteral("pdfinfo"), {pdf}).split('\n'))
    if (line.startsWith(key + ':')) return line.mid(key.size() + 1).trimmed();
  return {};
}

// The smallest rectangle holding every pixel that is not white.
inline QRect inkBounds(const QImage& page) {
  QRect bounds;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x)
      if (page.pixel(x, y) != qRgb(255, 255, 255)) bounds |= QRect(x, y, 1, 1);
  return bounds;
}

// Where device pixels of the test printer land on the rasterised page.
inline QRect rasterRect(const Placement& device) {
  const double scale = double(kRasterDpi) / kPrinterDpi;
  const double margin = kMarginInches * kRasterDpi;
  return QRectF(margin + device.X * scale, margin + device.Y * scale, device.Width * scale,
                device.Height * scale)
      .toRect();
}

// The printable area on the rasterised page.
inline QRect rasterPrintableArea() {
  return rasterRect({0, 0, int(8 * kPrinterDpi), int(11 * kPrinterDpi)});
}

// A picture of columns x rows cells, each cell one colour of its own and
// none of them white, for finding where each part of a picture landed.
inline Color cellColor(int column, int row) {
  return rgb(uint8_t(20 + 30 * column), uint8_t(20 + 40 * row), uint8_t(200 - 20 * column));
}

inline Bitmap cellPicture(int32_t width, int32_t height, int columns, int rows) {
  Bitmap picture(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      picture.setPixel(x, y, cellColor(x * columns / width, y * rows / height));
  return picture;
}

inline bool nearColor(QRgb pixel, Color expected, int tolerance = 3) {
  return std::abs(qRed(pixel) - redOf(expected)) <= tolerance &&
         std::abs(qGreen(pixel) - greenOf(expected)) <= tolerance &&
         std::abs(qBlue(pixel) - blueOf(expected)) <= tolerance;
}

// Checks that a cell picture of columns x rows printed into device shows on
// the rasterised page: the ink exactly where the printable area leaves the
// rectangle, and each visible cell's colour at the cell's centre.
inline void expectCellPictureAt(const QImage& page, const Placement& device, int columns,
                                int rows) {
  ASSERT_FALSE(page.isNull());
  const QRect where = rasterRect(device);
  const QRect visible = where & rasterPrintableArea();
  const QRect ink = inkBounds(page);
  // Edges may fall on a raster pixel's border either way.
  EXPECT_NEAR(ink.left(), visible.left(), 1);
  EXPECT_NEAR(ink.top(), visible.top(), 1);
  EXPECT_NEAR(ink.right(), visible.right(), 1);
  EXPECT_NEAR(ink.bottom(), visible.bottom(), 1);
  for (int row = 0; row < rows; ++row)
    for (int column = 0; column < columns; ++column) {
      const QPoint centre(where.left() + (2 * column + 1) * where.width() / (2 * columns),
                          where.top() + (2 * row + 1) * where.height() / (2 * rows));
      if (!visible.adjusted(1, 1, -1, -1).contains(centre)) continue;
      EXPECT_TRUE(nearColor(page.pixel(centre), cellColor(column, row)))
          << "cell " << column << ", " << row << " at " << centre.x() << ", " << centre.y();
    }
}

}  // namespace glyphon::testing
