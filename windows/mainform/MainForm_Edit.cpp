// The main window's editing commands: Add and Modify (rendering the memo
// text through the current style's plug-in), Delete, Cut, Copy and Paste on
// the internal clipboard, the key filter of the memo and the transparency
// window.
#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QEvent>
#include <QFile>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <optional>
#include <utility>

#include "engine/core/EditSteps.h"
#include "engine/core/PluginFailure.h"
#include "engine/core/PluginHost.h"
#include "engine/core/RenderWait.h"
#include "engine/core/RenderedItem.h"
#include "engine/core/ScopedOverride.h"
#include "engine/core/StyleRendering.h"
#include "engine/core/TextRules.h"
#include "services/shell/StyleCatalogue.h"
#include "services/shell/StyleSources.h"
#include "windows/core/Transparence.h"
#include "windows/mainform/CanvasView.h"
#include "windows/mainform/MainForm.h"
#include "windows/mainform/StyleWait.h"
#include "windows/shell/ColorBox.h"
#include "windows/shell/MessageBoxes.h"

namespace glyphon {

namespace {

// Refuses typed characters the current style cannot draw: key presses
// whose text has one are dropped, and an input method's committed text
// loses them.
class MemoKeyFilter final : public QObject {
 public:
  MemoKeyFilter(TMainForm* form, QObject* parent) : QObject(parent), m_form(form) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const QString typed = static_cast<QKeyEvent*>(event)->text();
      if (m_form->typedTextKept(typed) != typed) return true;
    } else if (event->type() == QEvent::InputMethod) {
      auto* input = static_cast<QInputMethodEvent*>(event);
      const QString kept = m_form->typedTextKept(input->commitString());
      if (kept != input->commitString())
        input->setCommitString(kept, input->replacementStart(), input->replacementLength());
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  TMainForm* m_form;
};

// The caption of style kind id in the catalogue, else its plug-in's file
// name.
QString styleKindName(int32_t id) {
  const StyleCatalogue catalogue;
  for (const StyleKindEntry& entry : catalogue.templateEntries())
    if (entry.id == id && !entry.caption.isEmpty()) return entry.caption;
  return catalogue.location(id).pluginFileName;
}

// Runs render, which asks the style helper for renderings by the plug-in of
// style kind kind, with the wait shown over owner. A plug-in that fails is
// named in an error box; a cancelled rendering ends quietly. Returns
// whether render ran to its end.
bool renderShowingWait(QWidget* owner, int32_t kind, const std::function<void()>& render) {
  std::string failure;
  {
    StyleWait wait(owner, [kind] { return styleKindName(kind); });
    const ScopedOverride<RenderWait> waiting(wait);
    try {
      render();
      return true;
    } catch (const PluginFailure& e) {
      failure = e.messageFor(styleKindName(kind).toStdString());
    } catch (const RenderingCancelled&) {
      return false;
    }
  }
  errorBox(owner, QString::fromStdString(failure));
  return false;
}

}  // namespace

void TMainForm::setUpEditing() {
  TransForm = new TTransForm(this);
  connect(TransForm, &TTransForm::positionChanged, this, &TMainForm::TrackBarTransChange);

  connect(MenuAddText, &QAction::triggered, this, &TMainForm::ButtonAddClick);
  connect(ButtonAdd, &QPushButton::clicked, this, &TMainForm::ButtonAddClick);
  connect(MenuModifyText, &QAction::triggered, this, &TMainForm::ButtonModifyClick);
  connect(ButtonModify, &QPushButton::clicked, this, &TMainForm::ButtonModifyClick);
  connect(MenuDelete, &QAction::triggered, this, &TMainForm::MenuDeleteClick);
  connect(ButtonDel, &QPushButton::clicked, this, &TMainForm::MenuDeleteClick);
  connect(MenuCut, &QAction::triggered, this, &TMainForm::MenuCutClick);
  connect(MenuCopy, &QAction::triggered, this, &TMainForm::MenuCopyClick);
  connect(MenuPaste, &QAction::triggered, this, &TMainForm::MenuPasteClick);
  connect(ButtonTrans, &QPushButton::clicked, this, &TMainForm::ButtonTransClick);
  MemoText->installEventFilter(new MemoKeyFilter(this, MemoText));
  m_statusNote = new QLabel(statusBar());
  m_statusNote->setObjectName(QStringLiteral("StatusNote"));
  m_statusNote->setContentsMargins(4, 0, 4, 0);
  m_statusNote->hide();
  statusBar()->addPermanentWidget(m_statusNote);
  setUpHistory();

  connect(ImageScreen, &CanvasView::mousePressed, this, &TMainForm::ImageScreenMouseDown);
  connect(ImageScreen, &CanvasView::mouseMoved, this, &TMainForm::ImageScreenMouseMove);
  connect(ImageScreen, &CanvasView::mouseReleased, this, &TMainForm::ImageScreenMouseUp);
}

bool TMainForm::MemoTextKeyPress(const QString& typed) {
  return std::all_of(typed.begin(), typed.end(),
                     [](QChar c) { return keyPassesFilter(c.unicode()); });
}

QString TMainForm::typedTextKept(const QString& typed) {
  if (m_memoTakesAnyText) return typed;
  QString kept;
  // A key the style cannot draw is dropped without a word, as it always
  // was; text that reaches the memo otherwise (pasted, dropped) is named
  // when Add or Modify leaves characters out.
  for (const QChar c : typed)
    if (MemoTextKeyPress(QString(c))) kept += c;
  return kept;
}

void TMainForm::updateStyleContract() {
  // Loading a library runs its code: once the window shows, it waits like a
  // rendering (at start-up the window has no events to serve yet). A
  // failure shows when the style is used.
  std::optional<StyleWait> wait;
  std::optional<ScopedOverride<RenderWait>> waiting;
  if (isVisible()) {
    wait.emplace(this, [this] { return styleKindName(StyleKindId); });
    waiting.emplace(*wait);
  }
  const std::optional<PluginContract> contract =
      pluginContract(QFile::encodeName(StyleFolder).toStdString(),
                     QFile::encodeName(PluginFileName).toStdString());
  waiting.reset();
  m_memoTakesAnyText = contract == PluginContract::Text;
  setStatusNote(QString());
}

void TMainForm::setStatusNote(const QString& text) {
  if (!m_statusNote) return;
  m_statusNote->setText(text);
  m_statusNote->setVisible(!text.isEmpty());
}

void TMainForm::noteCharactersLeftOut(const std::string& leftOut) {
  if (leftOut.empty()) return;
  QStringList characters;
  for (const char32_t c : QString::fromStdString(leftOut).toUcs4())
    characters << QString::fromUcs4(&c, 1);
  setStatusNote(
      tr("Left out, as this style cannot draw them: %1").arg(characters.join(QLatin1Char(' '))));
}

std::string TMainForm::filteredMemoText() {
  const QString memo = MemoText->toPlainText();
  const std::string text = itemTextOf(memo.toStdString());
  if (m_memoTakesAnyText) {
    setStatusNote(QString());
    return text;
  }
  const std::string leftOut = charactersFilteredOut(text);
  setStatusNote(QString());
  noteCharactersLeftOut(leftOut);
  const std::string kept = filterMemoText(text);
  // Rewriting an unchanged memo would only lose the cursor and the undo
  // history.
  if (kept != text) MemoText->setPlainText(QString::fromStdString(memoTextOf(kept)));
  return kept;
}

bool TMainForm::checkEditInput(const std::string& text) {
  if (ComboBoxFontSize->currentIndex() < 0) {
    informationBox(this, tr("Please select font size."));
    ComboBoxFontSize->setFocus();
    return false;
  }
  if (ColorBoxColor->currentIndex() < 0) {
    informationBox(this, tr("Please select font color."));
    ColorBoxColor->setFocus();
    return false;
  }
  if (isBlankText(text)) {
    informationBox(this, tr("Please input text."));
    MemoText->setFocus();
    return false;
  }
  return true;
}

std::unique_ptr<TTextItem> TMainForm::renderItem(int32_t x0, int32_t y0, const std::string& text,
                                                 NewItemRendering kept) {
  std::unique_ptr<TTextItem> item;
  const ItemChoice choice{x0,
                          y0,
                          StyleKindId,
                          StyleFontIndex,
                          ComboBoxFontSize->currentIndex(),
                          ColorBoxColor->selected(),
                          text};
  if (!renderShowingWait(this, StyleKindId, [&] {
        item = renderNewItem(styleSource(StyleFolder, PluginFileName), choice, kept);
      }))
    return nullptr;
  if (item && item->Bitmap->isEmpty()) {
    // An empty rendering would be an item nobody can see or click.
    informationBox(this, (kept == NewItemRendering::Natural
                              ? tr("The style \u201C%1\u201D drew nothing for this text, so no "
                                   "item was added.")
                              : tr("The style \u201C%1\u201D drew nothing for this text, so the "
                                   "item was left as it was."))
                             .arg(styleKindName(StyleKindId)));
    return nullptr;
  }
  return item;
}

std::shared_ptr<const Bitmap> TMainForm::renderingFor(const TTextItem& item, const Rect& rect) {
  // A move keeps the rendering it has.
  if (rect.width() == item.Rect.width() && rect.height() == item.Rect.height()) return nullptr;
  const StyleLocation location = StyleCatalogue().location(item.StyleKind);
  std::optional<Bitmap> rendering;
  // A plug-in that fails leaves the item its rendering, stretched to the
  // new size.
  if (!renderShowingWait(this, item.StyleKind, [&] {
        rendering =
            renderResized(styleSource(location.folder, location.pluginFileName), item, rect);
      }))
    return nullptr;
  if (!rendering) return nullptr;
  return std::make_shared<const Bitmap>(std::move(*rendering));
}

void TMainForm::ButtonAddClick() {
  runCommand(this, [this] {
    const std::string text = filteredMemoText();
    if (!checkEditInput(text)) return;
    // The top-left corner of the visible part of the canvas: the canvas's
    // own corner unless the view is scrolled.
    const QPoint corner = ImageScreen->visibleCanvasCorner();
    std::unique_ptr<TTextItem> item =
        renderItem(corner.x(), corner.y(), text, NewItemRendering::Natural);
    if (!item) return;
    cancelDrag();
    pushStep(std::make_unique<AddTextStep>(m_composition, std::move(item)));
  });
}

void TMainForm::ButtonModifyClick() {
  runCommand(this, [this] {
    const std::string text = filteredMemoText();
    const TTextItem* selected = m_composition.Queue().Selected;
    if (!selected) return;
    if (!checkEditInput(text)) return;
    // The old item stays when the style cannot render: a style that went
    // missing must not cost the user an item.
    std::unique_ptr<TTextItem> item =
        renderItem(selected->Rect.Left, selected->Rect.Top, text, NewItemRendering::FillRectangle);
    if (!item) return;
    cancelDrag();
    pushStep(std::make_unique<ModifyTextStep>(m_composition, std::move(item)));
  });
}

void TMainForm::MenuDeleteClick() {
  runCommand(this, [this] {
    cancelDrag();
    if (m_composition.Queue().Selected)
      pushStep(std::make_unique<DeleteTextStep>(m_composition, DeleteTextStep::Kind::Delete));
  });
}

void TMainForm::MenuCutClick() {
  runCommand(this, [this] {
    cancelDrag();
    if (m_composition.Queue().Selected)
      pushStep(std::make_unique<DeleteTextStep>(m_composition, DeleteTextStep::Kind::Cut));
  });
}

void TMainForm::MenuCopyClick() {
  runCommand(this, [this] { m_composition.copySelected(); });
}

void TMainForm::MenuPasteClick() {
  runCommand(this, [this] {
    if (!m_composition.ClipItem()) return;
    cancelDrag();
    pushStep(std::make_unique<PasteTextStep>(m_composition));
  });
}

void TMainForm::cancelDrag() {
  m_drag.cancel();
  ImageScreen->clearDragFrame();
}

void TMainForm::ButtonTransClick() {
  runCommand(this, [this] {
    if (TransForm->isVisible()) {
      TransForm->hide();
      return;
    }
    // Beside the button, 5 pixels to its right and 50 above its top.
    const QPoint besideButton(ButtonTrans->width() + 5, -50);
    TransForm->move(ButtonTrans->mapTo(this, besideButton));
    const TTextItem* selected = m_composition.Queue().Selected;
    TransForm->setPosition(selected ? 100 - selected->Opacity : 0);
    TransForm->show();
    TransForm->raise();
  });
}

void TMainForm::TrackBarTransChange(int position) {
  runCommand(this, [this, position] {
    // Undo and redo move the slider after the item; the item is right.
    if (m_replayingHistory) return;
    const TTextItem* selected = m_composition.Queue().Selected;
    const int32_t opacity = 100 - position;
    if (!selected || selected->Opacity == opacity) {
      // No step: at most a repaint, which marks the picture modified.
      m_composition.setSelectedOpacity(opacity);
      return;
    }
    // The changes made while the slider is held are one gesture; any other
    // change is a gesture of its own.
    const int gesture = TransForm->isGestureUnderway() ? m_fadeGesture : ++m_fadeGesture;
    pushStep(std::make_unique<FadeTextStep>(m_composition, selected->Id, selected->Opacity, opacity,
                                            gesture));
  });
}

}  // namespace glyphon
