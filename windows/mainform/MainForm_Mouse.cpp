// The pointer on the canvas: a press selects the item under it and loads
// its text, size and colour into the editing panel; a drag moves the
// selected item or pulls an edge or corner, showing only an outline while
// the button is held; the release recomposes the picture once. Positions
// arrive in the view's coordinates; the view maps them to canvas pixels, in
// which all the arithmetic of the drag runs at every zoom.
#include <QComboBox>
#include <QPlainTextEdit>
#include <optional>

#include "engine/core/Arith.h"
#include "engine/core/Drag.h"
#include "engine/core/EditSteps.h"
#include "engine/core/TextRules.h"
#include "windows/core/Transparence.h"
#include "windows/mainform/CanvasView.h"
#include "windows/shell/ColorBox.h"
#include "windows/mainform/MainForm.h"
#include "windows/shell/MessageBoxes.h"

namespace glyphon {

namespace {

constexpr int kFontSizeCount = 10;

Qt::CursorShape cursorShape(DragCursor cursor) {
  switch (cursor) {
    case DragCursor::SizeAll:
      return Qt::SizeAllCursor;
    case DragCursor::SizeNWSE:
      return Qt::SizeFDiagCursor;
    case DragCursor::SizeNESW:
      return Qt::SizeBDiagCursor;
    case DragCursor::SizeWE:
      return Qt::SizeHorCursor;
    case DragCursor::SizeNS:
      return Qt::SizeVerCursor;
    case DragCursor::Arrow:
      break;
  }
  return Qt::ArrowCursor;
}

}  // namespace

void TMainForm::ImageScreenMouseDown(int32_t X, int32_t Y) {
  runCommand(this, [this, X, Y] {
    // Any button; hit testing needs no bounds check, so an item reaching
    // into the grey margin is hit there too.
    const QPoint at = ImageScreen->toCanvas(QPoint(X, Y));
    TTextItem* item = m_composition.Queue().ItemAt(at.x(), at.y());
    // A press ends a burst of nudges.
    ++m_nudgeGesture;
    if (!item) {
      m_composition.HideHandles();
      return;
    }
    MemoText->setPlainText(QString::fromStdString(memoTextOf(item->Text)));
    const bool knownSize = item->SizeIndex >= 0 && item->SizeIndex < kFontSizeCount;
    ComboBoxFontSize->setCurrentIndex(knownSize ? item->SizeIndex : -1);
    const Color color = item->Color & 0xFFFFFF;
    if (ColorBoxColor->currentIndex() < 0 || ColorBoxColor->selected() != color) {
      ColorBoxColor->setSelected(color);
      ColorBoxColorChange();
    }
    m_composition.SelectItem(item);
    m_drag.press(at.x(), at.y(), item->Rect);
    ImageScreen->setDragFrame(m_drag.DragRect);
    if (TransForm->isVisible()) TransForm->setPosition(100 - item->Opacity);
  });
}

void TMainForm::ImageScreenMouseMove(int32_t X, int32_t Y) {
  if (!m_drag.Dragging || !m_composition.Queue().Selected) {
    // The zone under the pointer is the mode of the next drag; the view
    // measures it in screen pixels.
    int zone = 0;
    if (ImageScreen->HandleAt(QPoint(X, Y), zone)) {
      m_drag.DragMode = zone;
      ImageScreen->setCursor(cursorShape(cursorForMode(zone)));
    } else {
      m_drag.DragMode = 0;
      ImageScreen->setCursor(Qt::ArrowCursor);
    }
    return;
  }
  const QPoint at = ImageScreen->toCanvas(QPoint(X, Y));
  m_drag.moveTo(at.x(), at.y());
  ImageScreen->setDragFrame(m_drag.DragRect);
}

void TMainForm::ImageScreenMouseUp(int32_t, int32_t) {
  runCommand(this, [this] {
    const std::optional<Rect> target = m_drag.release();
    ImageScreen->clearDragFrame();
    // One recomposition for the whole drag; nothing when it ended where it
    // began.
    const TTextItem* selected = m_composition.Queue().Selected;
    // A resize renders a style of the text export afresh at the new size.
    if (target && selected && selected->Rect != *target)
      pushStep(std::make_unique<MoveTextStep>(m_composition, selected->Id, selected->Rect, *target,
                                              renderingFor(*selected, *target)));
  });
}

}  // namespace glyphon
