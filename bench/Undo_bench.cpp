// Speed of undoing editing steps on a full-HD canvas with 100 items: the
// step's command undone on a QUndoStack, up to the updated screen image, as
// the Undo entry of the Edit menu does it.
#include <benchmark/benchmark.h>

#include <QUndoStack>
#include <memory>
#include <random>
#include <vector>

#include "bench/Masks.h"
#include "core/Composition.h"
#include "core/Drag.h"
#include "core/EditCommands.h"

namespace glyphon::bench {
namespace {

constexpr int32_t kWidth = 1920, kHeight = 1080;

Bitmap noise(int32_t w, int32_t h, uint32_t seed) {
  std::mt19937 rng(seed);
  Bitmap b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (size_t i = 0; i < b.stride(); ++i) b.row(y)[i] = uint8_t(rng());
  return b;
}

// A laid-out full-HD canvas with 100 items of 400 x 150 (renderings of
// 800 x 300 at size "50") scattered over it; item 50 is selected.
void fillCanvas(Composition& comp) {
  comp.LayoutScreen(kWidth + 20, kHeight + 20, 17);
  std::mt19937 rng(4);
  std::shared_ptr<const Bitmap> renderings[8];
  for (uint32_t i = 0; i < 8; ++i)
    renderings[i] = std::make_shared<const Bitmap>(textLikeRendering(800, 300, 10 + i));
  std::vector<std::unique_ptr<TTextItem>> items;
  for (int i = 0; i < 100; ++i) {
    auto item = std::make_unique<TTextItem>();
    const int32_t x = int32_t(rng() % (kWidth - 400)), y = int32_t(rng() % (kHeight - 150));
    item->Rect = {x, y, x + 400, y + 150};
    item->Color = rgb(uint8_t(rng()), uint8_t(rng()), uint8_t(rng()));
    item->Opacity = i % 3 == 0 ? 70 : 100;
    item->Bitmap = renderings[i % 8];
    items.push_back(std::move(item));
  }
  comp.setBackdropAndItems(noise(kWidth, kHeight, 3), std::move(items));
  comp.SelectItem(comp.Queue().items()[50].get());
}

// Undo of the drag of one item among 100 right after it (range 0: a move;
// range 1: a corner drag from 400 to 560 wide). The redo between two undos
// is left out of the timing.
void BM_UndoDrag(benchmark::State& state) {
  Composition comp;
  fillCanvas(comp);
  TTextItem* item = comp.Queue().Selected;
  const Rect press = item->Rect;
  const Rect dropped = state.range(0) == 0 ? dragStep(press, 16, 137, 61, press)
                                           : dragStep(press, 10, 160, 0, press);
  QUndoStack history;
  history.push(new MoveTextCommand(comp, item, press, dropped));
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
  TTextItem* other = comp.Queue().items()[20].get();
  const Rect press = item->Rect;
  QUndoStack history;
  history.push(new MoveTextCommand(comp, item, press, dragStep(press, 16, 137, 61, press)));
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
  QUndoStack history;
  history.push(new FadeTextCommand(comp, item, item->Opacity, 35, 1));
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
  QUndoStack history;
  history.push(new DeleteTextCommand(comp, DeleteTextCommand::Kind::Delete));
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

BENCHMARK_MAIN();
