// The sample style kinds drawing a caption of 100 characters, loading and
// unloading the library as the editor does for every rendering. The editor
// wants each under 50 ms so that Add feels immediate.
#include <benchmark/benchmark.h>

#include <optional>
#include <string>

#include "engine/core/Bitmap.h"
#include "engine/core/PluginHost.h"

namespace glyphon {
namespace {

std::string hundredCharacters() {
  std::string text;
  while (text.size() < 100) text += "The quick brown fox jumps over the lazy dog 1234567890. ";
  text.resize(100);
  return text;
}

// Arguments: the style kind id and the style font index.
void BM_HundredCharacters(benchmark::State& state) {
  const std::string plugin = "libglyphon-style-" + std::to_string(state.range(0)) + ".so";
  const auto font = int32_t(state.range(1));
  const std::string text = hundredCharacters();
  for (auto _ : state) {
    std::optional<Bitmap> b = renderWithPlugin(GLYPHON_BENCH_STYLES_DIR, plugin, "20261208", font,
                                               text);
    if (!b || b->isEmpty()) {
      state.SkipWithError("the plug-in drew nothing");
      return;
    }
    benchmark::DoNotOptimize(b->pixel(0, 0));
  }
}
BENCHMARK(BM_HundredCharacters)
    ->ArgsProduct({{10001, 10002, 10003}, {0, 1, 2, 3, 4}})
    ->ArgNames({"kind", "font"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace glyphon

BENCHMARK_MAIN();
