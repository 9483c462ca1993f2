// The printers of the desktop as the editor uses them (Qt Print Support over
// CUPS): how many are installed, the current printer every job goes to, the
// print and page-setup dialogs that change its settings, its figures, and the
// print job of one page holding one picture.
//
// Every window reaches the printers through printers(), one process-wide
// provider. The default provider uses the installed printers and the
// platform's dialogs; tests install their own (ScopedPrinters) to print into
// PDF files and to answer the dialogs without a user.
#pragma once

#include <QSize>
#include <QString>
#include <cstdint>

#include "engine/core/Bitmap.h"
#include "engine/core/ScopedOverride.h"
#include "engine/printing/PrintUnits.h"

class QPrinter;
class QWidget;

namespace glyphon {

// The name every print job carries, as the print queue shows it.
inline const char* const kPrintDocumentName = "Tessarquill";

// What printing, print preview and the paper settings say when the desktop
// has no printer at all.
inline const char* const kNoPrinterMessage =
    "No printer is installed. Add a printer in the system's printer settings and try again";

class Printers {
 public:
  virtual ~Printers() = default;
  // How many printers are installed; 0 when there is none.
  [[nodiscard]] virtual int count() = 0;
  // The printer jobs go to, with the settings the dialogs gave it; they last
  // until the program ends. Null when no printer is installed. The provider
  // owns it.
  [[nodiscard]] virtual QPrinter* current() = 0;
  // The print dialog on printer, modal to owner (which may be null). On
  // confirmation the chosen printer and number of copies become printer's
  // settings. Returns whether the user confirmed.
  virtual bool runPrintDialog(QWidget* owner, QPrinter& printer) = 0;
  // The page-setup dialog on printer: paper, source, orientation, not the
  // margins. On confirmation the choice becomes printer's settings. Returns
  // whether the user confirmed.
  virtual bool runPageSetupDialog(QWidget* owner, QPrinter& printer) = 0;
};

// The provider every window uses: the installed printers unless a test has
// installed another.
[[nodiscard]] Printers& printers();

// Installs a replacement for its own lifetime (see ScopedOverride).
using ScopedPrinters = ScopedOverride<Printers>;

// The screen's logical resolution in pixels per inch, vertically, of the
// primary screen (96 under the offscreen platform), read once: at the first
// call, which start-up makes. 96 when there is no screen.
[[nodiscard]] int32_t screenResolution();

// printer's resolution and the size of its printable area in device pixels.
[[nodiscard]] PrinterFigures printerFigures(QPrinter& printer);

// The paper size of printer in thousandths of an inch, across and down as
// its orientation turns it.
[[nodiscard]] QSize paperSizeThousandths(const QPrinter& printer);

// One print job named kPrintDocumentName: picture stretched, pixel by pixel
// without smoothing, into device (device pixels from the corner of the
// printable area), clipped to the printable area. A rectangle without area
// prints a blank page. Printers that cannot make copies themselves get the
// page once per copy asked for. Throws Error when the job cannot start.
void printPicture(QPrinter& printer, const Bitmap& picture, const Placement& device);

}  // namespace glyphon
