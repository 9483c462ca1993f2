// The main window's undo history: the Undo and Redo entries of the Edit
// menu, the steps the editing commands record, and the memory bound that
// lets go of the oldest steps.
#include <QAction>
#include <QSlider>
#include <QUndoStack>
#include <vector>

#include "windows/core/EditCommands.h"
#include "engine/core/StepMemory.h"
#include "windows/core/Transparence.h"
#include "windows/mainform/MainForm.h"
#include "windows/shell/MessageBoxes.h"

namespace glyphon {

namespace {

// The steps of the history as the window made them, oldest first.
std::vector<EditCommand*> stepsOf(const QUndoStack& stack) {
  std::vector<EditCommand*> steps;
  for (int i = 0; i < stack.count(); ++i)
    // Every command on the stack is an EditCommand the window pushed; the
    // stack hands them out read-only but owns them as ordinary objects.
    steps.push_back(const_cast<EditCommand*>(static_cast<const EditCommand*>(stack.command(i))));
  return steps;
}

std::vector<StepHoldings> holdingsOf(const std::vector<EditCommand*>& steps) {
  std::vector<StepHoldings> holdings;
  holdings.reserve(steps.size());
  for (const EditCommand* step : steps) holdings.push_back(step->holdings());
  return holdings;
}

// Raises a flag for as long as it lives, whatever way the scope is left.
class RaisedFlag {
 public:
  explicit RaisedFlag(bool& flag) : m_flag(flag) { m_flag = true; }
  ~RaisedFlag() { m_flag = false; }
  RaisedFlag(const RaisedFlag&) = delete;
  RaisedFlag& operator=(const RaisedFlag&) = delete;

 private:
  bool& m_flag;
};

}  // namespace

void TMainForm::setUpHistory() {
  UndoStack = new QUndoStack(this);
  MenuUndo->setEnabled(false);
  MenuRedo->setEnabled(false);
  connect(UndoStack, &QUndoStack::canUndoChanged, MenuUndo, &QAction::setEnabled);
  connect(UndoStack, &QUndoStack::canRedoChanged, MenuRedo, &QAction::setEnabled);
  // The entries are the context: the stack, when it goes with the window,
  // may outlive them.
  connect(UndoStack, &QUndoStack::undoTextChanged, MenuUndo, [this](const QString& step) {
    MenuUndo->setText(step.isEmpty() ? tr("&Undo") : tr("&Undo %1").arg(step));
  });
  connect(UndoStack, &QUndoStack::redoTextChanged, MenuRedo, [this](const QString& step) {
    MenuRedo->setText(step.isEmpty() ? tr("&Redo") : tr("&Redo %1").arg(step));
  });
  connect(MenuUndo, &QAction::triggered, this, &TMainForm::MenuUndoClick);
  connect(MenuRedo, &QAction::triggered, this, &TMainForm::MenuRedoClick);
  // A press on the slider starts a gesture: its changes fold into one step.
  connect(TransForm, &TTransForm::gestureStarted, this, [this] { ++m_fadeGesture; });
}

void TMainForm::MenuUndoClick() {
  runCommand(this, [this] {
    if (!UndoStack->canUndo()) return;
    cancelDrag();
    const RaisedFlag replaying(m_replayingHistory);
    try {
      UndoStack->undo();
    } catch (...) {
      // A step that failed half way cannot be undone or redone reliably.
      clearHistory();
      throw;
    }
    // The slider follows the item the step left selected.
    const TTextItem* selected = m_composition.Queue().Selected;
    if (selected && TransForm->isVisible()) TransForm->setPosition(100 - selected->Opacity);
  });
}

void TMainForm::MenuRedoClick() {
  runCommand(this, [this] {
    if (!UndoStack->canRedo()) return;
    cancelDrag();
    const RaisedFlag replaying(m_replayingHistory);
    try {
      UndoStack->redo();
    } catch (...) {
      clearHistory();
      throw;
    }
    const TTextItem* selected = m_composition.Queue().Selected;
    if (selected && TransForm->isVisible()) TransForm->setPosition(100 - selected->Opacity);
  });
}

void TMainForm::clearHistory() {
  UndoStack->clear();
  ++m_fadeGesture;
}

void TMainForm::setHistoryLimit(size_t bytes) {
  m_historyLimit = bytes;
  limitHistory();
}

size_t TMainForm::historyBytes() const {
  size_t total = 0;
  for (const size_t bytes : bytesKeptAlive(holdingsOf(stepsOf(*UndoStack)))) total += bytes;
  return total;
}

void TMainForm::pushStep(std::unique_ptr<EditCommand> step) {
  // Done here rather than by push, so that a step that throws is dropped
  // instead of leaking out of the stack's hands.
  try {
    step->redo();
  } catch (...) {
    // A step that failed half way may have destroyed an item that older
    // steps refer to: they cannot be trusted any more.
    clearHistory();
    throw;
  }
  if (step->isObsolete()) return;
  // Marks it done: push's own call of redo is skipped.
  std::unique_ptr<EditCommand> done = step->moveOut();
  UndoStack->push(done.release());
  limitHistory();
}

void TMainForm::limitHistory() {
  const std::vector<EditCommand*> steps = stepsOf(*UndoStack);
  // Only done steps are let go of; after a push no step waits for a redo.
  if (UndoStack->index() != UndoStack->count()) return;
  const size_t drop = stepsToDrop(holdingsOf(steps), m_historyLimit);
  if (drop == 0) return;
  // QUndoStack lets go of commands only all at once: the kept steps move
  // into new commands, the stack forgets every old one, and takes the new
  // ones back as done. Those that go take what they held along.
  std::vector<std::unique_ptr<EditCommand>> kept;
  for (size_t i = drop; i < steps.size(); ++i) kept.push_back(steps[i]->moveOut());
  UndoStack->clear();
  for (std::unique_ptr<EditCommand>& step : kept) UndoStack->push(step.release());
}

}  // namespace glyphon
