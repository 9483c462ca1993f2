// The steps of the undo history, one class per kind of step. Each changes
// the picture only through the composition's operations.
//
// Items are named by their Id, never by address: an item a step takes out
// of the picture is held by the step and keeps its Id when the step puts it
// back, so a step finds its items again whatever became of them between.
// The history undoes and redoes steps in order, so the item a step names is
// in the picture when the step runs; should it not be, the step does
// nothing.
//
// The selection after a step is undone or redone is the item the step acted
// on when it is in the picture, otherwise none; selecting an item brings it
// to the top, as a press would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/core/Bitmap.h"
#include "engine/core/Composition.h"
#include "engine/core/Geometry.h"
#include "engine/core/StepMemory.h"
#include "engine/core/TextItem.h"
#include "engine/core/UndoHistory.h"

namespace glyphon {

// What every step of the editor shares: the composition it changes, which
// must outlive it.
class EditStep : public UndoStep {
 protected:
  EditStep(Composition& composition, std::string name);

  // The item with Id id, selected unless it is the selected one already (a
  // selected item whose handles are hidden keeps them hidden). Null when it
  // is not in the picture.
  TTextItem* select(uint64_t id);
  // Where the item with Id id stands in the stack, from the bottom; the
  // count of items when it is not in the picture.
  [[nodiscard]] size_t positionOf(uint64_t id) const;

  Composition& m_composition;
};

// Add: a new item on top, selected.
class AddTextStep : public EditStep {
 public:
  // item: the new rendering; a step without one is obsolete.
  AddTextStep(Composition& composition, std::unique_ptr<TTextItem> item);

  void apply() override;
  void revert() override;
  [[nodiscard]] StepHoldings holdings() const override;

 protected:
  AddTextStep(Composition& composition, std::string name, std::unique_ptr<TTextItem> item);
  // The first doing of the step: puts the new item in and records its Id
  // in m_id, or leaves m_id 0 when there is nothing to add.
  virtual void firstApply();

  uint64_t m_id = 0;                  // the added item, once added
  std::unique_ptr<TTextItem> m_held;  // while out of the picture
  size_t m_position = 0;              // its place in the stack
};

// Paste: a copy of the clipboard item, 30 pixels right and down; obsolete
// without a clipboard item.
class PasteTextStep final : public AddTextStep {
 public:
  explicit PasteTextStep(Composition& composition);

 private:
  void firstApply() override;
};

// Delete and Cut of the selected item; obsolete without a selection.
class DeleteTextStep final : public EditStep {
 public:
  enum class Kind { Delete, Cut };
  DeleteTextStep(Composition& composition, Kind kind);

  void apply() override;
  void revert() override;
  [[nodiscard]] StepHoldings holdings() const override;

 private:
  Kind m_kind;
  uint64_t m_id = 0;
  std::unique_ptr<TTextItem> m_held;
  size_t m_position = 0;
};

// Modify: the selected item replaced by a fresh rendering, which goes on
// top; obsolete without a selection or a replacement.
class ModifyTextStep final : public EditStep {
 public:
  ModifyTextStep(Composition& composition, std::unique_ptr<TTextItem> replacement);

  void apply() override;
  void revert() override;
  [[nodiscard]] StepHoldings holdings() const override;

 private:
  uint64_t m_oldId = 0;
  uint64_t m_newId = 0;
  // Whichever of the two is out of the picture.
  std::unique_ptr<TTextItem> m_heldOld;
  std::unique_ptr<TTextItem> m_heldNew;
  size_t m_position = 0;  // where the old item stood
};

// A move or resize of one item by dragging or by the arrow keys: "Move
// Text" when the size stays, "Resize Text" otherwise. Obsolete when from
// equals to or the item is not in the picture.
class MoveTextStep final : public EditStep {
 public:
  // rendering: for a resize, the item's rendering made afresh for to, which
  // the item shows at to while the step is done and gives back when it is
  // undone; null keeps the item's rendering, stretched to the new size.
  // gesture: plain moves of the same item with the same number other than
  // 0, in a row, are one step (a burst of arrow keys); 0 never folds.
  MoveTextStep(Composition& composition, uint64_t itemId, const Rect& from, const Rect& to,
               std::shared_ptr<const Bitmap> rendering = nullptr, int gesture = 0);

  void apply() override;
  void revert() override;
  [[nodiscard]] StepHoldings holdings() const override;
  bool mergeWith(const UndoStep& next) override;

 private:
  // Puts the selected item at rect; with a fresh rendering, also swaps the
  // item's rendering with the one the step holds.
  void place(const Rect& rect);

  uint64_t m_id;
  Rect m_from, m_to;
  // The rendering the item does not show (null for a plain move or
  // stretch), held in an item of its own so the history can count it.
  TTextItem m_away;
  int m_gesture;
};

// A fade with the transparency slider. The changes of one gesture fold
// into one step; a gesture that ends where it began leaves no step.
class FadeTextStep final : public EditStep {
 public:
  // gesture: changes with the same number, of the same item, in a row, are
  // one gesture. Obsolete when the opacities are equal or the item is not
  // in the picture.
  FadeTextStep(Composition& composition, uint64_t itemId, int32_t fromOpacity, int32_t toOpacity,
               int gesture);

  void apply() override;
  void revert() override;
  bool mergeWith(const UndoStep& next) override;

 private:
  uint64_t m_id;
  int32_t m_from, m_to;
  int m_gesture;
};

// Import Backdrop: the step keeps whichever backdrop is not shown, and puts
// back the text of the status panel that names the source picture.
class ImportBackdropStep final : public EditStep {
 public:
  using StatusWriter = std::function<void(const std::string&)>;
  // backdrop: the new backdrop at the canvas size. sourceText and
  // previousSourceText: the status text after and before the step, which
  // showSource (may be empty) writes.
  ImportBackdropStep(Composition& composition, Bitmap backdrop, std::string sourceText,
                     std::string previousSourceText, StatusWriter showSource);

  void apply() override;
  void revert() override;
  [[nodiscard]] StepHoldings holdings() const override;

 private:
  Bitmap m_other;  // the backdrop not in use
  std::string m_sourceText, m_previousSourceText;
  StatusWriter m_showSource;
};

}  // namespace glyphon
