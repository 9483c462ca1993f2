// Speed of the compositor and of a selection change on a full-HD canvas.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "bench/Masks.h"
#include "engine/core/Composition.h"
#include "engine/core/Compositor.h"

namespace glyphon::bench {
namespace {

constexpr int32_t kWidth = 1920, kHeight = 1080;

// One item over the whole canvas, its rendering at the canvas size (1:1,
// second argument 1) or 1280 x 720 stretched (0); the first argument is the
// opacity.
void drawItemBenchmark(benchmark::State& state, bool gradient) {
  const bool natural = state.range(1) != 0;
  const int32_t w = natural ? kWidth : 1280, h = natural ? kHeight : 720;
  Bitmap canvas = noiseBitmap(kWidth, kHeight, 1);
  TTextItem item;
  item.Rect = {0, 0, kWidth, kHeight};
  item.Color = rgb(104, 255, 119);
  item.Opacity = int32_t(state.range(0));
  item.Bitmap = std::make_shared<const Bitmap>(gradient ? gradientRendering(w, h)
                                                        : textLikeRendering(w, h, 2));
  for (auto _ : state) {
    DrawItem(item, canvas);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}

void BM_DrawItemTextLike(benchmark::State& state) { drawItemBenchmark(state, false); }
void BM_DrawItemGradient(benchmark::State& state) { drawItemBenchmark(state, true); }
BENCHMARK(BM_DrawItemTextLike)
    ->Args({100, 1})
    ->Args({60, 1})
    ->Args({100, 0})
    ->Args({60, 0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawItemGradient)
    ->Args({100, 1})
    ->Args({60, 1})
    ->Args({100, 0})
    ->Args({60, 0})
    ->Unit(benchmark::kMillisecond);

// 100 items of 400 x 150 (renderings of 800 x 300 at size "50") scattered
// over the canvas; each iteration selects another one, which rebuilds the
// underlay with every other item.
void BM_SelectItem(benchmark::State& state) {
  Composition comp;
  comp.setBackdrop(noiseBitmap(kWidth, kHeight, 3));
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
    item->Bitmap = renderings[i % 8];
    items.push_back(std::move(item));
  }
  comp.setBackdropAndItems(comp.BackdropBitmap(), std::move(items));
  size_t next = 0;
  for (auto _ : state) {
    // Never the topmost item, so every selection moves an item.
    comp.SelectItem(comp.Queue().items()[next % 99].get());
    next += 37;
  }
}
BENCHMARK(BM_SelectItem)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace glyphon::bench

BENCHMARK_MAIN();
