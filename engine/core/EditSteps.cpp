#include "engine/core/EditSteps.h"

#include <utility>

namespace glyphon {

EditStep::EditStep(Composition& composition, std::string name)
    : UndoStep(std::move(name)), m_composition(composition) {}

TTextItem* EditStep::select(uint64_t id) {
  TTextItem* item = m_composition.Queue().find(id);
  if (item && m_composition.Queue().Selected != item) m_composition.SelectItem(item);
  return item;
}

size_t EditStep::positionOf(uint64_t id) const {
  const TQueueData& queue = m_composition.Queue();
  const ptrdiff_t index = queue.indexOf(queue.find(id));
  return index < 0 ? queue.count() : size_t(index);
}

// Add and Paste.

AddTextStep::AddTextStep(Composition& composition, std::unique_ptr<TTextItem> item)
    : AddTextStep(composition, "Add Text", std::move(item)) {}

AddTextStep::AddTextStep(Composition& composition, std::string name,
                         std::unique_ptr<TTextItem> item)
    : EditStep(composition, std::move(name)), m_held(std::move(item)) {}

void AddTextStep::firstApply() {
  if (!m_held) return;
  const TTextItem* item = m_held.get();
  m_composition.addItem(std::move(m_held));
  m_id = item->Id;
}

void AddTextStep::apply() {
  if (m_id == 0) {
    firstApply();
    if (m_id == 0) {
      setObsolete(true);
      return;
    }
    m_position = positionOf(m_id);
    return;
  }
  if (!m_held) return;
  m_composition.SelectItem(m_composition.insertItem(std::move(m_held), m_position));
}

void AddTextStep::revert() {
  if (!select(m_id)) return;
  m_held = m_composition.deleteSelected();
}

StepHoldings AddTextStep::holdings() const {
  StepHoldings held;
  if (m_held) held.items.push_back(m_held.get());
  return held;
}

PasteTextStep::PasteTextStep(Composition& composition)
    : AddTextStep(composition, "Paste Text", nullptr) {}

void PasteTextStep::firstApply() {
  if (!m_composition.ClipItem()) return;
  m_composition.pasteClipItem();
  const TTextItem* pasted = m_composition.Queue().Selected;
  m_id = pasted ? pasted->Id : 0;
}

// Delete and Cut.

DeleteTextStep::DeleteTextStep(Composition& composition, Kind kind)
    : EditStep(composition, kind == Kind::Cut ? "Cut Text" : "Delete Text"), m_kind(kind) {}

void DeleteTextStep::apply() {
  if (m_id == 0) {
    const TTextItem* selected = m_composition.Queue().Selected;
    if (!selected) {
      setObsolete(true);
      return;
    }
    m_id = selected->Id;
  } else if (!select(m_id)) {
    return;
  }
  m_position = positionOf(m_id);
  // Redoing a Cut copies again, as the Cut did.
  if (m_kind == Kind::Cut) m_composition.copySelected();
  m_held = m_composition.deleteSelected();
}

void DeleteTextStep::revert() {
  if (!m_held) return;
  m_composition.SelectItem(m_composition.insertItem(std::move(m_held), m_position));
}

StepHoldings DeleteTextStep::holdings() const {
  StepHoldings held;
  if (m_held) held.items.push_back(m_held.get());
  return held;
}

// Modify.

ModifyTextStep::ModifyTextStep(Composition& composition, std::unique_ptr<TTextItem> replacement)
    : EditStep(composition, "Modify Text"), m_heldNew(std::move(replacement)) {}

void ModifyTextStep::apply() {
  if (m_oldId == 0) {
    const TTextItem* selected = m_composition.Queue().Selected;
    if (!selected || !m_heldNew) {
      setObsolete(true);
      return;
    }
    m_oldId = selected->Id;
  } else if (!m_heldNew || !select(m_oldId)) {
    return;
  }
  m_position = positionOf(m_oldId);
  const TTextItem* replacement = m_heldNew.get();
  m_heldOld = m_composition.replaceSelected(std::move(m_heldNew));
  // The list gave the replacement its Id on the first doing; it keeps it.
  m_newId = replacement->Id;
}

void ModifyTextStep::revert() {
  if (!m_heldOld || !select(m_newId)) return;
  m_heldNew = m_composition.deleteSelected();
  m_composition.SelectItem(m_composition.insertItem(std::move(m_heldOld), m_position));
}

StepHoldings ModifyTextStep::holdings() const {
  StepHoldings held;
  if (m_heldOld) held.items.push_back(m_heldOld.get());
  if (m_heldNew) held.items.push_back(m_heldNew.get());
  return held;
}

// Move and resize.

MoveTextStep::MoveTextStep(Composition& composition, uint64_t itemId, const Rect& from,
                           const Rect& to, std::shared_ptr<const Bitmap> rendering,
                           int gesture)
    : EditStep(composition, from.width() == to.width() && from.height() == to.height()
                                ? "Move Text"
                                : "Resize Text"),
      m_id(itemId),
      m_from(from),
      m_to(to),
      m_gesture(gesture) {
  m_away.Bitmap = std::move(rendering);
}

bool MoveTextStep::mergeWith(const UndoStep& next) {
  const auto* move = dynamic_cast<const MoveTextStep*>(&next);
  if (m_gesture == 0 || !move || move->m_id != m_id || move->m_gesture != m_gesture ||
      m_away.Bitmap || move->m_away.Bitmap)
    return false;
  m_to = move->m_to;
  // Back where the burst began: the history drops the step.
  setObsolete(m_to == m_from);
  return true;
}

void MoveTextStep::place(const Rect& rect) {
  if (!m_away.Bitmap) {
    m_composition.moveSelectedTo(rect);
    return;
  }
  // The selected item is the topmost: taken out and put back on top with
  // its new rectangle and rendering, it keeps its place and its Id, and
  // only its old and new areas are painted.
  std::unique_ptr<TTextItem> item = m_composition.deleteSelected();
  item->Rect = rect;
  std::swap(item->Bitmap, m_away.Bitmap);
  m_composition.SelectItem(
      m_composition.insertItem(std::move(item), m_composition.Queue().count()));
}

void MoveTextStep::apply() {
  // Checked before selecting: a step that changes nothing must not change
  // the selection either.
  if (m_from == m_to || !select(m_id)) {
    setObsolete(true);
    return;
  }
  place(m_to);
}

void MoveTextStep::revert() {
  if (select(m_id)) place(m_from);
}

StepHoldings MoveTextStep::holdings() const {
  StepHoldings held;
  if (m_away.Bitmap) held.items.push_back(&m_away);
  return held;
}

// Fade.

FadeTextStep::FadeTextStep(Composition& composition, uint64_t itemId, int32_t fromOpacity,
                           int32_t toOpacity, int gesture)
    : EditStep(composition, "Fade Text"),
      m_id(itemId),
      m_from(fromOpacity),
      m_to(toOpacity),
      m_gesture(gesture) {}

bool FadeTextStep::mergeWith(const UndoStep& next) {
  const auto* fade = dynamic_cast<const FadeTextStep*>(&next);
  if (!fade || fade->m_id != m_id || fade->m_gesture != m_gesture) return false;
  m_to = fade->m_to;
  // Back where the gesture began: the history drops the step.
  setObsolete(m_to == m_from);
  return true;
}

void FadeTextStep::apply() {
  if (m_from == m_to || !select(m_id)) {
    setObsolete(true);
    return;
  }
  m_composition.setSelectedOpacity(m_to);
}

void FadeTextStep::revert() {
  if (select(m_id)) m_composition.setSelectedOpacity(m_from);
}

// Import Backdrop.

ImportBackdropStep::ImportBackdropStep(Composition& composition, Bitmap backdrop,
                                       std::string sourceText, std::string previousSourceText,
                                       StatusWriter showSource)
    : EditStep(composition, "Import Backdrop"),
      m_other(std::move(backdrop)),
      m_sourceText(std::move(sourceText)),
      m_previousSourceText(std::move(previousSourceText)),
      m_showSource(std::move(showSource)) {}

void ImportBackdropStep::apply() {
  m_other = m_composition.exchangeBackdrop(std::move(m_other));
  if (m_showSource) m_showSource(m_sourceText);
}

void ImportBackdropStep::revert() {
  m_other = m_composition.exchangeBackdrop(std::move(m_other));
  if (m_showSource) m_showSource(m_previousSourceText);
}

StepHoldings ImportBackdropStep::holdings() const {
  StepHoldings held;
  held.ownBytes = bitmapBytes(m_other);
  return held;
}

}  // namespace glyphon
