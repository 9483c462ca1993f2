// The View menu and the keyboard on the canvas: zoom, fit and actual size,
// the zoom in the status bar, nudging the selected item with the arrow keys
// and Escape, which hides the handles.
#include <QAction>
#include <QLabel>

#include "engine/core/Drag.h"
#include "engine/core/EditSteps.h"
#include "engine/core/Queue.h"
#include "windows/mainform/CanvasView.h"
#include "windows/mainform/MainForm.h"
#include "windows/shell/MessageBoxes.h"

namespace glyphon {

void TMainForm::setUpView() {
  connect(MenuZoomIn, &QAction::triggered, this, &TMainForm::MenuZoomInClick);
  connect(MenuZoomOut, &QAction::triggered, this, &TMainForm::MenuZoomOutClick);
  connect(MenuFitInWindow, &QAction::triggered, this, &TMainForm::MenuFitInWindowClick);
  connect(MenuActualSize, &QAction::triggered, this, &TMainForm::MenuActualSizeClick);
  connect(ImageScreen, &CanvasView::zoomChanged, this, &TMainForm::showZoom);
  connect(ImageScreen, &CanvasView::nudged, this, &TMainForm::nudgeSelected);
  connect(ImageScreen, &CanvasView::escapePressed, this, &TMainForm::ImageScreenEscape);
  showZoom(ImageScreen->zoom());
}

void TMainForm::MenuZoomInClick() { ImageScreen->zoomIn(); }

void TMainForm::MenuZoomOutClick() { ImageScreen->zoomOut(); }

void TMainForm::MenuFitInWindowClick() { ImageScreen->fitInWindow(); }

void TMainForm::MenuActualSizeClick() { ImageScreen->actualSize(); }

QString TMainForm::zoomText() const { return ZoomPanel->text(); }

void TMainForm::showZoom(double zoom) {
  ZoomPanel->setText(QStringLiteral("%1%").arg(qRound(zoom * 100)));
}

void TMainForm::nudgeSelected(int dx, int dy) {
  runCommand(this, [this, dx, dy] {
    const TTextItem* selected = m_composition.Queue().Selected;
    if (!selected || m_drag.Dragging) return;
    // The body's drag step: the item keeps its size, edges saturate.
    const Rect to = dragStep(selected->Rect, TQueueData::kBody, dx, dy, selected->Rect);
    // Presses in a row are one step; a press on the canvas or another step
    // in between starts a new one.
    pushStep(std::make_unique<MoveTextStep>(m_composition, selected->Id, selected->Rect, to,
                                            nullptr, m_nudgeGesture));
  });
}

void TMainForm::ImageScreenEscape() {
  runCommand(this, [this] { m_composition.HideHandles(); });
}

}  // namespace glyphon
