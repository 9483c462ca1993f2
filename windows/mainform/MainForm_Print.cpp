// The main window's printing commands: Paper Settings, Print Preview and
// direct printing. Every job prints one page holding the canvas picture,
// placed by the print layout.
#include <QAction>
#include <QPrinter>

#include "engine/core/Error.h"
#include "windows/printing/PrintPreview.h"
#include "engine/printing/PrintUnits.h"
#include "windows/printing/Printer.h"
#include "engine/shell/Language.h"
#include "windows/mainform/MainForm.h"
#include "windows/shell/MessageBoxes.h"

namespace glyphon {

namespace {

// The current printer; throws the no-printer message when there is none.
QPrinter& requirePrinter() {
  QPrinter* printer = printers().current();
  if (printer == nullptr) throw Error(kNoPrinterMessage);
  return *printer;
}

}  // namespace

void TMainForm::setUpPrinting() {
  // Lengths are reckoned at the screen resolution of start-up.
  (void)screenResolution();
  connect(MenuPaperSetting, &QAction::triggered, this, &TMainForm::MenuPaperSettingClick);
  connect(MenuPrintPreview, &QAction::triggered, this, &TMainForm::MenuPrintPreviewClick);
  connect(MenuPrint, &QAction::triggered, this, &TMainForm::MenuPrintClick);
}

void TMainForm::MenuPaperSettingClick() {
  // The paper chosen stays the printer's until the program ends; nothing
  // else depends on the answer.
  runCommand(this, [this] { (void)printers().runPageSetupDialog(this, requirePrinter()); });
}

void TMainForm::MenuPrintClick() {
  runCommand(this, [this] {
    // Without a canvas there is nothing to print.
    if (m_composition.CanvasBitmap().isEmpty()) return;
    QPrinter& printer = requirePrinter();
    if (!printers().runPrintDialog(this, printer)) return;
    // The handles do not come back after printing; the selection stays.
    if (m_composition.Queue().HandlesShown) m_composition.HideHandles();
    // The canvas mirrors what the canvas view shows of it.
    const Bitmap picture = m_composition.CanvasBitmap();
    const Placement device =
        directPrintRectangle(PrintSettings, printerFigures(printer),
                             {picture.width(), picture.height()}, screenResolution());
    printPicture(printer, picture, device);
  });
}

void TMainForm::MenuPrintPreviewClick() {
  runCommand(this, [this] {
    if (m_composition.CanvasBitmap().isEmpty()) return;
    QPrinter& printer = requirePrinter();
    if (m_composition.Queue().HandlesShown) m_composition.HideHandles();

    TPrintPreviewForm dialog(this);
    dialog.LoadCaptions(loadLanguage(m_programFolder.toStdString(), LanguageIndex));
    dialog.PrintPicture = m_composition.CanvasBitmap();
    dialog.PictureWidth = dialog.PrintPicture.width();
    dialog.PictureHeight = dialog.PrintPicture.height();
    dialog.Layout = PrintSettings;
    const PixelSize page = pageFromPrinter(printerFigures(printer), screenResolution());
    dialog.PagePixelWidth = page.Width;
    dialog.PagePixelHeight = page.Height;
    dialog.exec();
    // The dialog never changes Scale; it comes back as it went in.
    if (dialog.Accepted) PrintSettings = dialog.Layout;
  });
}

}  // namespace glyphon
