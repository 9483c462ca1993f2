// The undo history of the editor: the steps the user took, the ones taken
// back, and the memory bound that lets go of the oldest. Plain C++; the
// window shows its state in the Undo and Redo entries of the Edit menu.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "engine/core/StepMemory.h"

namespace glyphon {

// One step of the history. A step is applied once when the history takes
// it and again on each redo, and reverted on each undo; the history keeps
// the two in turn, so revert only ever follows apply and the other way
// round.
class UndoStep {
 public:
  virtual ~UndoStep() = default;
  UndoStep(const UndoStep&) = delete;
  UndoStep& operator=(const UndoStep&) = delete;

  // What the Edit menu calls the step, in English ("Move Text").
  [[nodiscard]] const std::string& name() const { return m_name; }

  virtual void apply() = 0;
  virtual void revert() = 0;

  // What the step keeps alive, for the memory bound.
  [[nodiscard]] virtual StepHoldings holdings() const { return {}; }

  // Folds next, a newer step the history has just applied, into this one,
  // the newest step of the history; returns true when it did, and the
  // history then forgets next. A step that the fold brings back to where it
  // began marks itself obsolete and goes too.
  virtual bool mergeWith(const UndoStep& next) {
    (void)next;
    return false;
  }

  // True when the step turned out to change nothing. The history asks right
  // after the first apply and after a merge, and keeps no obsolete step.
  [[nodiscard]] bool obsolete() const { return m_obsolete; }

 protected:
  explicit UndoStep(std::string name) : m_name(std::move(name)) {}
  void setObsolete(bool obsolete) { m_obsolete = obsolete; }

 private:
  std::string m_name;
  bool m_obsolete = false;
};

class UndoHistory {
 public:
  // The bytes of bitmaps the steps may keep alive unless setLimit says
  // otherwise.
  static constexpr size_t kDefaultLimit = size_t(256) << 20;

  UndoHistory() = default;
  UndoHistory(const UndoHistory&) = delete;
  UndoHistory& operator=(const UndoHistory&) = delete;

  // Called after every change of what can be undone or redone or of the
  // names of those steps (never while the history is destroyed). May be
  // empty.
  void setChangeListener(std::function<void()> listener) { m_listener = std::move(listener); }

  // Applies step and records it as the newest done step, after forgetting
  // every step that could be redone; a step the newest one folds in
  // (UndoStep::mergeWith) is not recorded on its own. Then the oldest steps
  // go until the rest keep at most limit() bytes alive. A step that is
  // obsolete after its apply is dropped and leaves the history as it was.
  // A step whose apply throws is dropped and the whole history with it,
  // since a step that failed half way may have undone what older steps
  // count on; the error goes on to the caller. Returns whether the history
  // took the step (alone or folded in).
  bool push(std::unique_ptr<UndoStep> step);
  // Reverts the newest done step, or redoes the oldest undone one. False
  // when there is none. A step that throws clears the history, as in push.
  bool undo();
  bool redo();
  // Forgets every step.
  void clear();

  // Sets the memory bound and drops the oldest steps beyond it. Only done
  // steps go: while steps wait for a redo the history may hold more, until
  // the next push forgets them.
  void setLimit(size_t bytes);
  [[nodiscard]] size_t limit() const { return m_limit; }
  // The bytes of bitmaps the steps keep alive (StepMemory's count).
  [[nodiscard]] size_t bytes() const;

  [[nodiscard]] bool canUndo() const { return m_done > 0; }
  [[nodiscard]] bool canRedo() const { return m_done < m_steps.size(); }
  // The names of the steps undo and redo would take; empty when none.
  [[nodiscard]] std::string undoName() const;
  [[nodiscard]] std::string redoName() const;
  // Every step held, done or not, and the done ones (the oldest steps).
  [[nodiscard]] size_t count() const { return m_steps.size(); }
  [[nodiscard]] size_t doneCount() const { return m_done; }

 private:
  // Drops the oldest done steps beyond the memory bound.
  void keepToLimit();
  // clear() without telling the listener.
  void forget();
  void changed() const;

  std::deque<std::unique_ptr<UndoStep>> m_steps;  // oldest first
  size_t m_done = 0;                              // m_steps[0, m_done) are done
  size_t m_limit = kDefaultLimit;
  std::function<void()> m_listener;
};

}  // namespace glyphon
