#include "windows/core/EditCommands.h"

#include <QCoreApplication>
#include <utility>

namespace glyphon {

namespace {

QString stepName(const char* name) {
  return QCoreApplication::translate("glyphon::EditCommand", name);
}

// Where item stands in the stack, from the bottom.
size_t positionOf(const Composition& composition, const TTextItem* item) {
  const ptrdiff_t index = composition.Queue().indexOf(item);
  return index < 0 ? composition.Queue().count() : size_t(index);
}

}  // namespace

EditCommand::EditCommand(Composition& composition, const QString& text)
    : m_composition(composition) {
  setText(text);
}

void EditCommand::redo() {
  if (m_skipRedo) {
    m_skipRedo = false;
    return;
  }
  apply();
}

void EditCommand::undo() { revert(); }

bool EditCommand::select(TTextItem* item) {
  if (m_composition.Queue().indexOf(item) < 0) return false;
  if (m_composition.Queue().Selected != item) m_composition.SelectItem(item);
  return true;
}

void EditCommand::markMoved(EditCommand& fresh) { fresh.m_skipRedo = true; }

// Add and Paste.

AddTextCommand::AddTextCommand(Composition& composition, std::unique_ptr<TTextItem> item)
    : AddTextCommand(composition, stepName("Add Text")) {
  m_held = std::move(item);
}

AddTextCommand::AddTextCommand(Composition& composition, const QString& text)
    : EditCommand(composition, text) {}

void AddTextCommand::firstApply() {
  m_item = m_held.get();
  m_composition.addItem(std::move(m_held));
}

void AddTextCommand::apply() {
  if (!m_item) {
    firstApply();
    if (!m_item) {
      setObsolete(true);
      return;
    }
    m_position = positionOf(m_composition, m_item);
    return;
  }
  if (!m_held) return;
  m_composition.insertItem(std::move(m_held), m_position);
  m_composition.SelectItem(m_item);
}

void AddTextCommand::revert() {
  if (!select(m_item)) return;
  m_held = m_composition.deleteSelected();
}

StepHoldings AddTextCommand::holdings() const {
  StepHoldings held;
  if (m_held) held.items.push_back(m_held.get());
  return held;
}

std::unique_ptr<EditCommand> AddTextCommand::moveOut() {
  auto fresh = std::unique_ptr<AddTextCommand>(new AddTextCommand(m_composition, text()));
  fresh->m_item = m_item;
  fresh->m_held = std::move(m_held);
  fresh->m_position = m_position;
  markMoved(*fresh);
  return fresh;
}

PasteTextCommand::PasteTextCommand(Composition& composition)
    : AddTextCommand(composition, stepName("Paste Text")) {}

void PasteTextCommand::firstApply() {
  if (!m_composition.ClipItem()) return;
  m_composition.pasteClipItem();
  m_item = m_composition.Queue().Selected;
}

std::unique_ptr<EditCommand> PasteTextCommand::moveOut() {
  auto fresh = std::make_unique<PasteTextCommand>(m_composition);
  fresh->m_item = m_item;
  fresh->m_held = std::move(m_held);
  fresh->m_position = m_position;
  markMoved(*fresh);
  return fresh;
}

// Delete and Cut.

DeleteTextCommand::DeleteTextCommand(Composition& composition, Kind kind)
    : EditCommand(composition, kind == Kind::Cut ? stepName("Cut Text") : stepName("Delete Text")),
      m_kind(kind) {}

void DeleteTextCommand::apply() {
  if (!m_item) {
    m_item = m_composition.Queue().Selected;
    if (!m_item) {
      setObsolete(true);
      return;
    }
  } else if (!select(m_item)) {
    return;
  }
  m_position = positionOf(m_composition, m_item);
  // Redoing a Cut copies again, as the Cut did.
  if (m_kind == Kind::Cut) m_composition.copySelected();
  m_held = m_composition.deleteSelected();
}

void DeleteTextCommand::revert() {
  if (!m_held) return;
  m_composition.SelectItem(m_composition.insertItem(std::move(m_held), m_position));
}

StepHoldings DeleteTextCommand::holdings() const {
  StepHoldings held;
  if (m_held) held.items.push_back(m_held.get());
  return held;
}

std::unique_ptr<EditCommand> DeleteTextCommand::moveOut() {
  auto fresh = std::make_unique<DeleteTextCommand>(m_composition, m_kind);
  fresh->m_item = m_item;
  fresh->m_held = std::move(m_held);
  fresh->m_position = m_position;
  markMoved(*fresh);
  return fresh;
}

// Modify.

ModifyTextCommand::ModifyTextCommand(Composition& composition,
                                     std::unique_ptr<TTextItem> replacement)
    : ModifyTextCommand(composition) {
  m_new = replacement.get();
  m_heldNew = std::move(replacement);
}

ModifyTextCommand::ModifyTextCommand(Composition& composition)
    : EditCommand(composition, stepName("Modify Text")) {}

void ModifyTextCommand::apply() {
  if (!m_old) {
    m_old = m_composition.Queue().Selected;
    if (!m_old || !m_heldNew) {
      setObsolete(true);
      return;
    }
  } else if (!select(m_old)) {
    return;
  }
  m_position = positionOf(m_composition, m_old);
  m_heldOld = m_composition.replaceSelected(std::move(m_heldNew));
}

void ModifyTextCommand::revert() {
  if (!m_heldOld || !select(m_new)) return;
  m_heldNew = m_composition.deleteSelected();
  m_composition.SelectItem(m_composition.insertItem(std::move(m_heldOld), m_position));
}

StepHoldings ModifyTextCommand::holdings() const {
  StepHoldings held;
  if (m_heldOld) held.items.push_back(m_heldOld.get());
  if (m_heldNew) held.items.push_back(m_heldNew.get());
  return held;
}

std::unique_ptr<EditCommand> ModifyTextCommand::moveOut() {
  auto fresh = std::unique_ptr<ModifyTextCommand>(new ModifyTextCommand(m_composition));
  fresh->m_old = m_old;
  fresh->m_new = m_new;
  fresh->m_heldOld = std::move(m_heldOld);
  fresh->m_heldNew = std::move(m_heldNew);
  fresh->m_position = m_position;
  markMoved(*fresh);
  return fresh;
}

// Move and resize.

MoveTextCommand::MoveTextCommand(Composition& composition, TTextItem* item, const Rect& from,
                                 const Rect& to)
    : EditCommand(composition, from.width() == to.width() && from.height() == to.height()
                                   ? stepName("Move Text")
                                   : stepName("Resize Text")),
      m_item(item),
      m_from(from),
      m_to(to) {}

void MoveTextCommand::apply() {
  if (select(m_item)) m_composition.moveSelectedTo(m_to);
}

void MoveTextCommand::revert() {
  if (select(m_item)) m_composition.moveSelectedTo(m_from);
}

std::unique_ptr<EditCommand> MoveTextCommand::moveOut() {
  auto fresh = std::make_unique<MoveTextCommand>(m_composition, m_item, m_from, m_to);
  markMoved(*fresh);
  return fresh;
}

// Fade.

FadeTextCommand::FadeTextCommand(Composition& composition, TTextItem* item, int32_t fromOpacity,
                                 int32_t toOpacity, int gesture)
    : EditCommand(composition, stepName("Fade Text")),
      m_item(item),
      m_from(fromOpacity),
      m_to(toOpacity),
      m_gesture(gesture) {}

bool FadeTextCommand::mergeWith(const QUndoCommand* other) {
  // QUndoStack asks only for commands of the same id.
  const auto* next = static_cast<const FadeTextCommand*>(other);
  if (next->m_item != m_item || next->m_gesture != m_gesture) return false;
  m_to = next->m_to;
  // Back where the gesture began: QUndoStack drops the step.
  setObsolete(m_to == m_from);
  return true;
}

void FadeTextCommand::apply() {
  if (select(m_item)) m_composition.setSelectedOpacity(m_to);
}

void FadeTextCommand::revert() {
  if (select(m_item)) m_composition.setSelectedOpacity(m_from);
}

std::unique_ptr<EditCommand> FadeTextCommand::moveOut() {
  auto fresh = std::make_unique<FadeTextCommand>(m_composition, m_item, m_from, m_to, m_gesture);
  markMoved(*fresh);
  return fresh;
}

// Import Backdrop.

ImportBackdropCommand::ImportBackdropCommand(Composition& composition, Bitmap backdrop,
                                             QString sourceText, QString previousSourceText,
                                             StatusWriter showSource)
    : EditCommand(composition, stepName("Import Backdrop")),
      m_other(std::move(backdrop)),
      m_sourceText(std::move(sourceText)),
      m_previousSourceText(std::move(previousSourceText)),
      m_showSource(std::move(showSource)) {}

void ImportBackdropCommand::apply() {
  m_other = m_composition.exchangeBackdrop(std::move(m_other));
  if (m_showSource) m_showSource(m_sourceText);
}

void ImportBackdropCommand::revert() {
  m_other = m_composition.exchangeBackdrop(std::move(m_other));
  if (m_showSource) m_showSource(m_previousSourceText);
}

StepHoldings ImportBackdropCommand::holdings() const {
  StepHoldings held;
  held.ownBytes = bitmapBytes(m_other);
  return held;
}

std::unique_ptr<EditCommand> ImportBackdropCommand::moveOut() {
  auto fresh = std::make_unique<ImportBackdropCommand>(
      m_composition, std::move(m_other), std::move(m_sourceText), std::move(m_previousSourceText),
      std::move(m_showSource));
  markMoved(*fresh);
  return fresh;
}

}  // namespace glyphon
