#include "engine/core/UndoHistory.h"

#include <algorithm>
#include <numeric>
#include <utility>
#include <vector>

namespace glyphon {

namespace {

std::vector<StepHoldings> holdingsOf(const std::deque<std::unique_ptr<UndoStep>>& steps) {
  std::vector<StepHoldings> holdings;
  holdings.reserve(steps.size());
  for (const auto& step : steps) holdings.push_back(step->holdings());
  return holdings;
}

}  // namespace

bool UndoHistory::push(std::unique_ptr<UndoStep> step) {
  if (!step) return false;
  try {
    step->apply();
  } catch (...) {
    forget();
    changed();
    throw;
  }
  if (step->obsolete()) return false;

  m_steps.erase(m_steps.begin() + ptrdiff_t(m_done), m_steps.end());
  if (m_done > 0 && m_steps.back()->mergeWith(*step)) {
    // Folded in back to where it began: the picture is as it was before
    // the newest step, which thus goes.
    if (m_steps.back()->obsolete()) {
      m_steps.pop_back();
      --m_done;
    }
  } else {
    m_steps.push_back(std::move(step));
    ++m_done;
  }
  keepToLimit();
  changed();
  return true;
}

bool UndoHistory::undo() {
  if (!canUndo()) return false;
  try {
    m_steps[m_done - 1]->revert();
  } catch (...) {
    forget();
    changed();
    throw;
  }
  --m_done;
  changed();
  return true;
}

bool UndoHistory::redo() {
  if (!canRedo()) return false;
  try {
    m_steps[m_done]->apply();
  } catch (...) {
    forget();
    changed();
    throw;
  }
  ++m_done;
  changed();
  return true;
}

void UndoHistory::clear() {
  forget();
  changed();
}

void UndoHistory::forget() {
  m_steps.clear();
  m_done = 0;
}

void UndoHistory::setLimit(size_t bytes) {
  m_limit = bytes;
  keepToLimit();
  changed();
}

size_t UndoHistory::bytes() const {
  const std::vector<size_t> figures = bytesKeptAlive(holdingsOf(m_steps));
  return std::accumulate(figures.begin(), figures.end(), size_t(0));
}

void UndoHistory::keepToLimit() {
  // Dropping an undone step would strand the newer ones, which can only be
  // redone after it.
  const size_t drop = std::min(stepsToDrop(holdingsOf(m_steps), m_limit), m_done);
  for (size_t i = 0; i < drop; ++i) m_steps.pop_front();
  m_done -= drop;
}

std::string UndoHistory::undoName() const {
  return canUndo() ? m_steps[m_done - 1]->name() : std::string();
}

std::string UndoHistory::redoName() const {
  return canRedo() ? m_steps[m_done]->name() : std::string();
}

void UndoHistory::changed() const {
  if (m_listener) m_listener();
}

}  // namespace glyphon
