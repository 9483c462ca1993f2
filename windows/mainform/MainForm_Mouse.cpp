// The pointer on the canvas: a press selects the item under it and loads
// its text, size and colour into the editing panel; a drag moves the
// selected item or pulls an edge or corner, showing only an outline while
// the button is held; the release recomposes the picture once.
#include <QComboBox>
#include <QPlainTextEdit>
#include <optional>

#include "engine/core/Arith.h"
#include "engine/core/Drag.h"
#include "engine/core/EditSteps.h"
#include "engine/core/TextRules.h"
#include "windows/core/Transparence.h"
#include "windows/shell/CanvasView.h"
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

// An item rectangle in the coordinates of the screen image.
Rect onScreen(const Rect& canvasRect, const Rect& placement) {
  const auto shift = [](int32_t v, int32_t by) { return saturateToInt32(int64_t(v) + by); };
  return {shift(canvasRect.Left, placement.Left), shift(canvasRect.Top, placement.Top),
          shift(canvasRect.Right, placement.Left), shift(canvasRect.Bottom, placement.Top)};
}

}  // namespace

void TMainForm::ImageScreenMouseDown(int32_t X, int32_t Y) {
  runCommand(this, [this, X, Y] {
    // Any button; hit testing needs no bounds check, so an item reaching
    // into the grey margin is hit there too.
    const Rect placement = m_composition.CanvasPlacement();
    TTextItem* item = m_composition.Queue().ItemAt(X - placement.Left, Y - placement.Top);
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
    m_drag.press(X, Y, item->Rect);
    ImageScreen->setDragFrame(onScreen(m_drag.DragRect, placement));
    if (TransForm->isVisible()) TransForm->setPosition(100 - item->Opacity);
  });
}

void TMainForm::ImageScreenMouseMove(int32_t X, int32_t Y) {
  const Rect placement = m_composition.CanvasPlacement();
  if (!m_drag.Dragging || !m_composition.Queue().Selected) {
    // The zone under the pointer is the mode of the next drag.
    int zone = 0;
    if (m_composition.Queue().HandleAt(X - placement.Left, Y - placement.Top, zone)) {
      m_drag.DragMode = zone;
      ImageScreen->setCursor(cursorShape(cursorForMode(zone)));
    } else {
      m_drag.DragMode = 0;
      ImageScreen->setCursor(Qt::ArrowCursor);
    }
    return;
  }
  m_drag.moveTo(X, Y);
  ImageScreen->setDragFrame(onScreen(m_drag.DragRect, placement));
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
