// The steps of the undo history, one command class per kind of step. Each
// changes the picture only through the composition's operations.
//
// Pointers to items: a step refers to the items it acted on by address. An
// item leaves the picture only through a step (which then owns it) or
// through New and Open Project (which clear the history), and every later
// step that refers to it is undone before it comes back, so an address a
// step holds always names a live item when the step runs.
//
// The selection after a step is undone or redone is the item the step acted
// on when it is in the picture, otherwise none; selecting an item brings it
// to the top, as a press would.
#pragma once

#include <QString>
#include <QUndoCommand>
#include <cstddef>
#include <functional>
#include <memory>

#include "engine/core/Bitmap.h"
#include "engine/core/Composition.h"
#include "engine/core/Geometry.h"
#include "engine/core/StepMemory.h"
#include "engine/core/TextItem.h"

namespace glyphon {

class EditCommand : public QUndoCommand {
 public:
  // A step whose first redo happened already (by a history that rebuilt
  // itself) skips it; otherwise redo does the step.
  void redo() final;
  void undo() final;

  // What the step keeps alive, for the memory bound.
  [[nodiscard]] virtual StepHoldings holdings() const { return {}; }
  // Hands this step's state to a new command of the same kind that counts
  // as done, so that its first redo is skipped; this one is left empty.
  // QUndoStack cannot let go of its oldest commands alone, so the history
  // moves the steps it keeps into new commands and starts again.
  [[nodiscard]] virtual std::unique_ptr<EditCommand> moveOut() = 0;

 protected:
  EditCommand(Composition& composition, const QString& text);

  // Does the step (again); may mark the command obsolete when there turns
  // out to be nothing to do, which QUndoStack then drops.
  virtual void apply() = 0;
  virtual void revert() = 0;

  // Selects item unless it is the selected one already (a selected item
  // whose handles are hidden keeps them hidden). False when the item is
  // not in the picture.
  bool select(TTextItem* item);
  // Transfers the done state from this command to fresh.
  void markMoved(EditCommand& fresh);

  Composition& m_composition;

 private:
  bool m_skipRedo = false;
};

// Add and Paste: a new item on top, selected.
class AddTextCommand : public EditCommand {
 public:
  // Add: item is the new rendering.
  AddTextCommand(Composition& composition, std::unique_ptr<TTextItem> item);

  [[nodiscard]] StepHoldings holdings() const override;
  [[nodiscard]] std::unique_ptr<EditCommand> moveOut() override;

 protected:
  AddTextCommand(Composition& composition, const QString& text);
  void apply() override;
  void revert() override;
  // The first doing of the step; records the new item in m_item.
  virtual void firstApply();

  TTextItem* m_item = nullptr;        // the added item, once added
  std::unique_ptr<TTextItem> m_held;  // while out of the picture
  size_t m_position = 0;              // its place in the stack
};

// Paste: a copy of the clipboard item, 30 pixels right and down.
class PasteTextCommand final : public AddTextCommand {
 public:
  explicit PasteTextCommand(Composition& composition);

  [[nodiscard]] std::unique_ptr<EditCommand> moveOut() override;

 private:
  void firstApply() override;
};

// Delete and Cut of the selected item.
class DeleteTextCommand final : public EditCommand {
 public:
  enum class Kind { Delete, Cut };
  DeleteTextCommand(Composition& composition, Kind kind);

  [[nodiscard]] StepHoldings holdings() const override;
  [[nodiscard]] std::unique_ptr<EditCommand> moveOut() override;

 private:
  void apply() override;
  void revert() override;

  Kind m_kind;
  TTextItem* m_item = nullptr;
  std::unique_ptr<TTextItem> m_held;
  size_t m_position = 0;
};

// Modify: the selected item replaced by a fresh rendering.
class ModifyTextCommand final : public EditCommand {
 public:
  ModifyTextCommand(Composition& composition, std::unique_ptr<TTextItem> replacement);

  [[nodiscard]] StepHoldings holdings() const override;
  [[nodiscard]] std::unique_ptr<EditCommand> moveOut() override;

 private:
  explicit ModifyTextCommand(Composition& composition);
  void apply() override;
  void revert() override;

  TTextItem* m_old = nullptr;
  TTextItem* m_new = nullptr;
  // Whichever of the two is out of the picture.
  std::unique_ptr<TTextItem> m_heldOld;
  std::unique_ptr<TTextItem> m_heldNew;
  size_t m_position = 0;  // where the old item stood
};

// A move or resize of one item by dragging: "Move Text" when the size stays,
// "Resize Text" otherwise.
class MoveTextCommand final : public EditCommand {
 public:
  MoveTextCommand(Composition& composition, TTextItem* item, const Rect& from, const Rect& to);

  [[nodiscard]] std::unique_ptr<EditCommand> moveOut() override;

 private:
  void apply() override;
  void revert() override;

  TTextItem* m_item;
  Rect m_from, m_to;
};

// A fade with the transparency slider. The changes of one gesture fold
// into one step; a gesture that ends where it began leaves no step.
class FadeTextCommand final : public EditCommand {
 public:
  // gesture: changes with the same number, of the same item, in a row, are
  // one gesture.
  FadeTextCommand(Composition& composition, TTextItem* item, int32_t fromOpacity, int32_t toOpacity,
                  int gesture);

  static constexpr int kId = 1;
  [[nodiscard]] int id() const override { return kId; }
  bool mergeWith(const QUndoCommand* other) override;
  [[nodiscard]] std::unique_ptr<EditCommand> moveOut() override;

 private:
  void apply() override;
  void revert() override;

  TTextItem* m_item;
  int32_t m_from, m_to;
  int m_gesture;
};

// Import Backdrop: the step keeps whichever backdrop is not shown, and puts
// back the text of the status panel that names the source picture.
class ImportBackdropCommand final : public EditCommand {
 public:
  using StatusWriter = std::function<void(const QString&)>;
  // backdrop: the new backdrop at the canvas size. sourceText and
  // previousSourceText: the status text after and before the step.
  ImportBackdropCommand(Composition& composition, Bitmap backdrop, QString sourceText,
                        QString previousSourceText, StatusWriter showSource);

  [[nodiscard]] StepHoldings holdings() const override;
  [[nodiscard]] std::unique_ptr<EditCommand> moveOut() override;

 private:
  void apply() override;
  void revert() override;

  Bitmap m_other;  // the backdrop not in use
  QString m_sourceText, m_previousSourceText;
  StatusWriter m_showSource;
};

}  // namespace glyphon
