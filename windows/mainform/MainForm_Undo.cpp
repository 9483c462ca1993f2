// The main window's undo history: the Undo and Redo entries of the Edit
// menu show the engine's UndoHistory, and undoing or redoing a step leaves
// the transparency slider on the item the step selected.
#include <QAction>
#include <QCoreApplication>
#include <string>

#include "engine/core/UndoHistory.h"
#include "windows/core/Transparence.h"
#include "windows/mainform/MainForm.h"
#include "windows/shell/MessageBoxes.h"

namespace glyphon {

namespace {

// A step's name as the menu shows it.
QString stepCaption(const std::string& name) {
  return QCoreApplication::translate("glyphon::EditStep", name.c_str());
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
  const auto showHistory = [this] {
    MenuUndo->setEnabled(m_history.canUndo());
    MenuRedo->setEnabled(m_history.canRedo());
    const std::string undoName = m_history.undoName();
    const std::string redoName = m_history.redoName();
    MenuUndo->setText(undoName.empty() ? tr("&Undo") : tr("&Undo %1").arg(stepCaption(undoName)));
    MenuRedo->setText(redoName.empty() ? tr("&Redo") : tr("&Redo %1").arg(stepCaption(redoName)));
  };
  // The history goes with the window, before the menu entries do, and
  // calls nothing on its way out.
  m_history.setChangeListener(showHistory);
  showHistory();
  connect(MenuUndo, &QAction::triggered, this, &TMainForm::MenuUndoClick);
  connect(MenuRedo, &QAction::triggered, this, &TMainForm::MenuRedoClick);
  // A press on the slider starts a gesture: its changes fold into one step.
  connect(TransForm, &TTransForm::gestureStarted, this, [this] { ++m_fadeGesture; });
}

void TMainForm::MenuUndoClick() {
  runCommand(this, [this] {
    if (!m_history.canUndo()) return;
    cancelDrag();
    const RaisedFlag replaying(m_replayingHistory);
    // A step that fails half way clears the history; the error is reported.
    m_history.undo();
    // The slider follows the item the step left selected.
    const TTextItem* selected = m_composition.Queue().Selected;
    if (selected && TransForm->isVisible()) TransForm->setPosition(100 - selected->Opacity);
  });
}

void TMainForm::MenuRedoClick() {
  runCommand(this, [this] {
    if (!m_history.canRedo()) return;
    cancelDrag();
    const RaisedFlag replaying(m_replayingHistory);
    m_history.redo();
    const TTextItem* selected = m_composition.Queue().Selected;
    if (selected && TransForm->isVisible()) TransForm->setPosition(100 - selected->Opacity);
  });
}

void TMainForm::clearHistory() {
  m_history.clear();
  ++m_fadeGesture;
}

void TMainForm::setHistoryLimit(size_t bytes) { m_history.setLimit(bytes); }

size_t TMainForm::historyBytes() const { return m_history.bytes(); }

void TMainForm::pushStep(std::unique_ptr<UndoStep> step) { m_history.push(std::move(step)); }

}  // namespace glyphon
