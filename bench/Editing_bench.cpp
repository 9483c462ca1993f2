// Speed of the editing steps on a full-HD canvas with ITEMS items (the
// first argument, 100 unless given): the release that ends a
// drag, one change of the transparency slider, Add through a style plug-in
// (in the style helper, against the same call made in this process, and the
// first Add, which starts the helper), and the release of a resize that
// renders a caption afresh. Each runs the composition operation
// the window calls, up to the updated screen image.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "bench/BenchMain.h"
#include "bench/Masks.h"
#include "engine/core/Composition.h"
#include "engine/core/Drag.h"
#include "engine/core/EditSteps.h"
#include "engine/core/PluginCall.h"
#include "engine/core/PluginHost.h"
#include "engine/core/RenderedItem.h"
#include "engine/core/StyleHost.h"
#include "engine/core/StyleRendering.h"
#include "engine/core/UndoHistory.h"

namespace glyphon::bench {
namespace {

constexpr int32_t kWidth = 1920, kHeight = 1080;
// The items on the canvas: the first argument (editing_bench [ITEMS]
// [benchmark flags]), 100 unless given.
int g_items = 100;

// The release of a drag of one item among the others: the item leaves its press
// rectangle for the rectangle the drag ended on (range 0: a move; range 1:
// a corner drag from 400 to 560 wide). Alternates between the two places.
void BM_DragRelease(benchmark::State& state) {
  Composition comp;
  fillScatteredCanvas(comp, g_items);
  comp.SelectItem(comp.Queue().items()[comp.Queue().count() / 2].get());
  const Rect press = comp.Queue().Selected->Rect;
  const Rect dropped =
      state.range(0) == 0
          ? dragStep(press, 16, 137, 61, press)
          : dragStep(press, 10, 160, 0, press);  // the bottom-right corner, height following
  bool there = false;
  for (auto _ : state) {
    comp.moveSelectedTo(there ? press : dropped);
    there = !there;
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DragRelease)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One slider change on a 1000 x 400 item (a 2000 x 800 rendering at "50")
// over the others: repaint from the underlay at the new opacity.
void BM_SliderChange(benchmark::State& state) {
  Composition comp;
  fillScatteredCanvas(comp, g_items);
  auto item = std::make_unique<TTextItem>();
  item->Rect = {400, 300, 1400, 700};
  item->Color = rgb(104, 255, 119);
  item->Bitmap = std::make_shared<const Bitmap>(textLikeRendering(2000, 800, 99));
  comp.addItem(std::move(item));
  int position = 0;
  for (auto _ : state) {
    position = (position + 37) % 101;
    comp.setSelectedOpacity(100 - position);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_SliderChange)->Unit(benchmark::kMillisecond);

const char* const kAddText = "Glyphon Editor\r\nHappy Birthday";

// The rendering of Add made in this process, as the editor did before its
// plug-ins moved to the style helper.
std::optional<Bitmap> renderInProcess(const std::string& text) {
  PluginCall call;
  call.Kind = PluginCallKind::Render;
  call.LibraryPath = std::string(GLYPHON_BENCH_STYLE_DIR) + "/" + GLYPHON_BENCH_STYLE_FILE;
  call.DateDigits = "20261208";
  call.Text = text;
  BitmapStore store;
  if (callPlugin(call, store).Status != PluginCallStatus::Done) return std::nullopt;
  return store.take();
}

std::optional<Bitmap> renderInHelper(const std::string& text) {
  return renderWithPlugin(GLYPHON_BENCH_STYLE_DIR, GLYPHON_BENCH_STYLE_FILE, "20261208", 0, text);
}

// Add through the sample style plug-in: load the library (in the style
// helper), render, build the item, put it on top of range(0) items and
// select it (which rebuilds the underlay). The item is taken off again
// outside the timing.
void BM_AddWithPlugin(benchmark::State& state) {
  Composition comp;
  fillScatteredCanvas(comp, int(state.range(0)));
  const std::string text = kAddText;
  for (auto _ : state) {
    std::optional<Bitmap> rendering = renderInHelper(text);
    if (!rendering) {
      state.SkipWithError("the sample style plug-in does not load");
      return;
    }
    comp.addItem(
        makeRenderedItem(std::move(*rendering), {0, 0, 0, 0, 4, rgb(104, 255, 119), text}));
    state.PauseTiming();
    (void)comp.deleteSelected();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_AddWithPlugin)
    ->Arg(0)
    ->Arg(100)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

// Add in the style helper against Add in this process, one after the other
// in each iteration so that both see the same load: the times of each and
// their ratio (helper / in-process) as counters. The helper is running
// already, as it is in the editor from its start on.
void BM_AddHelperAgainstInProcess(benchmark::State& state) {
  Composition comp;
  fillScatteredCanvas(comp, g_items);
  const std::string text = kAddText;
  if (!renderInHelper(text) || !renderInProcess(text)) {
    state.SkipWithError("the sample style plug-in does not render");
    return;
  }
  using Clock = std::chrono::steady_clock;
  Clock::duration inHelper{}, inProcess{};
  const auto add = [&](const std::optional<Bitmap>& rendering) {
    comp.addItem(makeRenderedItem(*rendering, {0, 0, 0, 0, 4, rgb(104, 255, 119), text}));
    (void)comp.deleteSelected();
  };
  for (auto _ : state) {
    auto t0 = Clock::now();
    add(renderInHelper(text));
    auto t1 = Clock::now();
    add(renderInProcess(text));
    auto t2 = Clock::now();
    inHelper += t1 - t0;
    inProcess += t2 - t1;
  }
  const double helperMs = std::chrono::duration<double, std::milli>(inHelper).count();
  const double processMs = std::chrono::duration<double, std::milli>(inProcess).count();
  const auto n = double(state.iterations());
  state.counters["helper_ms"] = helperMs / n;
  state.counters["in_process_ms"] = processMs / n;
  state.counters["ratio"] = helperMs / processMs;
}
BENCHMARK(BM_AddHelperAgainstInProcess)->Iterations(40)->Unit(benchmark::kMillisecond);

// The first Add after the editor's start, which starts the style helper
// (and the style's fontconfig in it): the helper is stopped before each.
void BM_FirstAddStartsTheHelper(benchmark::State& state) {
  const std::string text = kAddText;
  for (auto _ : state) {
    state.PauseTiming();
    StyleHost::shared().stop();
    state.ResumeTiming();
    if (!renderInHelper(text)) {
      state.SkipWithError("the sample style plug-in does not render");
      return;
    }
  }
}
BENCHMARK(BM_FirstAddStartsTheHelper)->Iterations(10)->Unit(benchmark::kMillisecond);

// The release of a corner drag that pulls a caption of the sample style
// (kind 10001, style font range(0)) from its size at "50" to 1500 pixels
// wide, over the other items: the fresh rendering for the new rectangle
// (the scale measured at the natural size, then rendered to fill it) and
// the one undo step that shows it. Undone outside the timing.
void BM_ReleaseRerender1500PixelsWide(benchmark::State& state) {
  Composition comp;
  fillScatteredCanvas(comp, g_items);
  const StyleSource source{GLYPHON_BENCH_STYLE_DIR, GLYPHON_BENCH_STYLE_FILE, "20261208"};
  const std::string caption = "Alles Gute \xE3\x81\x8A\xE8\xAA\x95\xE7\x94\x9F\xE6\x97\xA5";
  const auto font = int32_t(state.range(0));
  std::unique_ptr<TTextItem> item = renderNewItem(
      source, {100, 100, 10001, font, 4, rgb(104, 255, 119), caption}, NewItemRendering::Natural);
  if (!item || item->Rect.width() <= 0) {
    state.SkipWithError("the sample style plug-in does not render");
    return;
  }
  comp.addItem(std::move(item));
  const TTextItem& caught = *comp.Queue().Selected;
  const Rect press = caught.Rect;
  const Rect released = dragStep(press, 10, 1500 - press.width(), 0, press);
  UndoHistory history;
  int32_t width = 0;
  for (auto _ : state) {
    std::optional<Bitmap> rendering = renderResized(source, caught, released);
    if (!rendering) {
      state.SkipWithError("the caption was not rendered again");
      return;
    }
    width = rendering->width();
    history.push(std::make_unique<MoveTextStep>(
        comp, caught.Id, press, released, std::make_shared<const Bitmap>(std::move(*rendering))));
    benchmark::ClobberMemory();
    state.PauseTiming();
    history.undo();
    history.clear();
    state.ResumeTiming();
  }
  state.counters["width"] = width;
}
BENCHMARK(BM_ReleaseRerender1500PixelsWide)
    ->DenseRange(0, 4)
    ->ArgName("font")
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace glyphon::bench

int main(int argc, char** argv) {
  return glyphon::bench::runWithItemCount(argc, argv, glyphon::bench::g_items, 100);
}
