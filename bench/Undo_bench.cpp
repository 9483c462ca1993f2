// Speed of undoing editing steps on a full-HD canvas with ITEMS items (the
// first argument: undo_bench [ITEMS] [benchmark flags]; 100 unless given):
// the step undone by the undo history, up to the updated canvas, as the
// Undo entry of the Edit menu does it. bench/View_bench.cpp times Undo and
// Redo on a 48-megapixel canvas up to the repainted view.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "bench/BenchMain.h"
#include "bench/Masks.h"
#include "engine/core/Composition.h"
#include "engine/core/Drag.h"
#include "engine/core/EditSteps.h"
#include "engine/core/UndoHistory.h"

namespace glyphon::bench {
namespace {

int g_items = 100;

// The item at about a share of the stack's height (from the bottom).
TTextItem* itemAt(const Composition& comp, double share) {
  const auto& items = comp.Queue().items();
  return items[std::min(items.size() - 1, size_t(share * double(items.size())))].get();
}

// A laid-out full-HD canvas with the scattered items; the middle one is
// selected.
void fillCanvas(Composition& comp) {
  fillScatteredCanvas(comp, g_items);
  comp.SelectItem(itemAt(comp, 0.5));
}

// Undo of the drag of one item among the others right after it (range 0: a move;
// range 1: a corner drag from 400 to 560 wide). The redo between two undos
// is left out of the timing.
void BM_UndoDrag(benchmark::State& state) {
  Composition comp;
  fillCanvas(comp);
  TTextItem* item = comp.Queue().Selected;
  const Rect press = item->Rect;
  const Rect dropped = state.range(0) == 0 ? dragStep(press, 16, 137, 61, press)
                                           : dragStep(press, 10, 160, 0, press);
  UndoHistory history;
  history.push(std::make_unique<MoveTextStep>(comp, item->Id, press, dropped));
  for (auto _ : state) {
    history.undo();
    benchmark::ClobberMemory();
    state.PauseTiming();
    history.redo();
    state.ResumeTiming();
  }
  if (item->Rect != dropped) state.SkipWithError("the redo did not move the item back");
}
BENCHMARK(BM_UndoDrag)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Undo of the same move after another item was pressed since: the moved
// item must be selected again first, which rebuilds the underlay.
void BM_UndoDragAfterAnotherSelection(benchmark::State& state) {
  Composition comp;
  fillCanvas(comp);
  TTextItem* item = comp.Queue().Selected;
  TTextItem* other = itemAt(comp, 0.2);
  const Rect press = item->Rect;
  UndoHistory history;
  history.push(
      std::make_unique<MoveTextStep>(comp, item->Id, press, dragStep(press, 16, 137, 61, press)));
  for (auto _ : state) {
    state.PauseTiming();
    comp.SelectItem(other);
    state.ResumeTiming();
    history.undo();
    benchmark::ClobberMemory();
    state.PauseTiming();
    history.redo();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_UndoDragAfterAnotherSelection)->Unit(benchmark::kMillisecond);

// Undo of a slider gesture on the selected item.
void BM_UndoFade(benchmark::State& state) {
  Composition comp;
  fillCanvas(comp);
  TTextItem* item = comp.Queue().Selected;
  UndoHistory history;
  history.push(std::make_unique<FadeTextStep>(comp, item->Id, item->Opacity, 35, 1));
  for (auto _ : state) {
    history.undo();
    benchmark::ClobberMemory();
    state.PauseTiming();
    history.redo();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_UndoFade)->Unit(benchmark::kMillisecond);

// Undo of a Delete: the item goes back on top and is selected again, which
// rebuilds the underlay.
void BM_UndoDelete(benchmark::State& state) {
  Composition comp;
  fillCanvas(comp);
  UndoHistory history;
  history.push(std::make_unique<DeleteTextStep>(comp, DeleteTextStep::Kind::Delete));
  for (auto _ : state) {
    history.undo();
    benchmark::ClobberMemory();
    state.PauseTiming();
    history.redo();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_UndoDelete)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace glyphon::bench

int main(int argc, char** argv) {
  return glyphon::bench::runWithItemCount(argc, argv, glyphon::bench::g_items, 100);
}
