#include "windows/printing/Printer.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <memory>

#include "engine/core/Arith.h"
#include "engine/core/Error.h"

namespace glyphon {

namespace {

// The resolution assumed when the platform reports no screen.
constexpr int32_t kDefaultScreenResolution = 96;

// The widgets of Qt's page-setup dialog that the user must not change: the
// margins (the printer's minimum margins stay) and several pages per sheet.
constexpr const char* kLockedPageSetupWidgets[] = {"topMargin", "bottomMargin", "leftMargin",
                                                   "rightMargin", "pagesPerSheetButtonGroup"};

class InstalledPrinters final : public Printers {
 public:
  int count() override { return int(QPrinterInfo::availablePrinterNames().size()); }

  QPrinter* current() override {
    if (s_printer == nullptr) {
      if (count() == 0) return nullptr;
      // The default printer, or the first one when none is the default.
      s_printer = new QPrinter(QPrinter::HighResolution);
      // The printer goes with the application: its engine must not outlive
      // the print support it was made by.
      qAddPostRoutine([] {
        delete s_printer;
        s_printer = nullptr;
      });
    }
    return s_printer;
  }

  bool runPrintDialog(QWidget* owner, QPrinter& printer) override {
    QPrintDialog dialog(&printer, owner);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintSelection |
                      QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintCollateCopies);
    return dialog.exec() == QDialog::Accepted;
  }

  bool runPageSetupDialog(QWidget* owner, QPrinter& printer) override {
    QPageSetupDialog dialog(&printer, owner);
    for (const char* name : kLockedPageSetupWidgets)
      if (auto* widget = dialog.findChild<QWidget*>(QString::fromLatin1(name)))
        widget->setEnabled(false);
    return dialog.exec() == QDialog::Accepted;
  }

 private:
  static inline QPrinter* s_printer = nullptr;
};

InstalledPrinters g_installedPrinters;

[[nodiscard]] int32_t roundedInt32(double v) { return saturateToInt32(roundHalfEven(v)); }

}  // namespace

Printers& printers() { return ScopedOverride<Printers>::currentOr(g_installedPrinters); }

int32_t screenResolution() {
  static const int32_t resolution = [] {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int32_t dpi = screen != nullptr ? roundedInt32(screen->logicalDotsPerInchY()) : 0;
    return dpi > 0 ? dpi : kDefaultScreenResolution;
  }();
  return resolution;
}

PrinterFigures printerFigures(QPrinter& printer) {
  // With fullPage off, width and height are those of the printable area.
  return {printer.logicalDpiX(), printer.logicalDpiY(), printer.width(), printer.height()};
}

QSize paperSizeThousandths(const QPrinter& printer) {
  // Read in the units the paper is defined in: Qt keeps A4 as 210 x 297 mm
  // but gives it only to two decimals in inches (8.27 x 11.69).
  const QPageLayout layout = printer.pageLayout();
  const bool inches = layout.pageSize().definitionUnits() == QPageSize::Inch;
  const QRectF paper = layout.fullRect(inches ? QPageLayout::Inch : QPageLayout::Millimeter);
  const double thousandths = inches ? 1000 : 1000 / 25.4;
  return {roundedInt32(paper.width() * thousandths), roundedInt32(paper.height() * thousandths)};
}

void printPicture(QPrinter& printer, const Bitmap& picture, const Placement& device) {
  printer.setDocName(QString::fromLatin1(kPrintDocumentName));
  // Every job is one page: a page range or selection chosen in the print
  // dialog must not reach the print system.
  printer.setPrintRange(QPrinter::AllPages);
  printer.setPageRanges(QPageRanges());
  const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());

  QPainter painter;
  if (!painter.begin(&printer)) {
    const QString target =
        printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
    throw Error("Unable to start printing on " + target.toStdString());
  }
  // The image shares the bitmap's pixels; both outlive the painter's work.
  const QImage image(picture.data(), picture.width(), picture.height(), qsizetype(picture.stride()),
                     QImage::Format_BGR888);
  const QRectF target(device.X, device.Y, device.Width, device.Height);
  for (int copy = 0; copy < copies; ++copy) {
    if (copy > 0) printer.newPage();
    painter.setClipRect(QRect(0, 0, printer.width(), printer.height()));
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    // PDF output would otherwise compress the picture as JPEG.
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    if (device.Width > 0 && device.Height > 0 && !picture.isEmpty())
      painter.drawImage(target, image);
  }
  painter.end();
}

}  // namespace glyphon
