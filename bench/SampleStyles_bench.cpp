// The sample style kinds drawing a caption of 100 characters, loading and
// unloading the library as the editor does for every rendering. The editor
// wants each under 50 ms so that Add feels immediate. The times are the wall
// clock's and the processor time is the whole process's, so that work a kind
// hands to other threads counts too. The mixed caption
// (Latin, Arabic, Japanese) goes through the text export, with fallback faces
// from fontconfig; the first use in a process, when fontconfig starts, is
// timed once before the benchmarks and printed.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
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
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// 100 characters (code points): Latin with accents, Arabic and Japanese.
std::string hundredMixedCharacters() {
  const std::string pieces[] = {
      "Gr\xC3\xBC\xC3\x9F"
      "e aus K\xC3\xB6ln ",
      "\xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7 \xD8\xA8\xD9\x83\xD9\x85 ",
      "\xE3\x81\x8A\xE8\xAA\x95\xE7\x94\x9F\xE6\x97\xA5"
      "\xE3\x81\x8A\xE3\x82\x81\xE3\x81\xA7\xE3\x81\xA8\xE3\x81\x86 "};
  std::string text;
  size_t characters = 0;
  for (size_t i = 0; characters < 100; ++i) {
    const std::string& piece = pieces[i % 3];
    for (size_t b = 0; b < piece.size() && characters < 100; ++characters) {
      size_t length = 1;
      const auto lead = static_cast<unsigned char>(piece[b]);
      if (lead >= 0xF0)
        length = 4;
      else if (lead >= 0xE0)
        length = 3;
      else if (lead >= 0xC0)
        length = 2;
      text.append(piece, b, length);
      b += length;
    }
  }
  return text;
}

std::optional<PluginRendering> renderMixed(int kind, int32_t font, double scale = 1.0) {
  return renderTextWithPlugin(GLYPHON_BENCH_STYLES_DIR,
                              "libglyphon-style-" + std::to_string(kind) + ".so", "20261208", font,
                              hundredMixedCharacters(), scale);
}

// Arguments: the style kind id and the style font index.
void BM_HundredMixedCharacters(benchmark::State& state) {
  const auto kind = int(state.range(0));
  const auto font = int32_t(state.range(1));
  for (auto _ : state) {
    std::optional<PluginRendering> r = renderMixed(kind, font);
    if (!r || r->bitmap.isEmpty()) {
      state.SkipWithError("the plug-in drew nothing");
      return;
    }
    benchmark::DoNotOptimize(r->bitmap.pixel(0, 0));
  }
}
BENCHMARK(BM_HundredMixedCharacters)
    ->ArgsProduct({{10001, 10002, 10003}, {0, 1, 2, 3, 4}})
    ->ArgNames({"kind", "font"})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// A caption rendered again 1500 pixels wide, as when a resized item is
// released. Arguments: the style kind id and the style font index.
void BM_Caption1500PixelsWide(benchmark::State& state) {
  const std::string plugin = "libglyphon-style-" + std::to_string(state.range(0)) + ".so";
  const auto font = int32_t(state.range(1));
  const std::string caption = "Alles Gute \xE3\x81\x8A\xE8\xAA\x95\xE7\x94\x9F\xE6\x97\xA5";
  const std::optional<PluginRendering> natural =
      renderTextWithPlugin(GLYPHON_BENCH_STYLES_DIR, plugin, "0", font, caption, 1.0);
  if (!natural || natural->bitmap.isEmpty()) {
    state.SkipWithError("the plug-in drew nothing");
    return;
  }
  const double scale = 1500.0 / natural->bitmap.width();
  int32_t width = 0;
  for (auto _ : state) {
    std::optional<PluginRendering> r =
        renderTextWithPlugin(GLYPHON_BENCH_STYLES_DIR, plugin, "0", font, caption, scale);
    if (!r || r->bitmap.isEmpty()) {
      state.SkipWithError("the plug-in drew nothing");
      return;
    }
    width = r->bitmap.width();
  }
  state.counters["width"] = width;
}
BENCHMARK(BM_Caption1500PixelsWide)
    ->ArgsProduct({{10001, 10002, 10003}, {0, 1, 2, 3, 4}})
    ->ArgNames({"kind", "font"})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The first mixed rendering in the process (fontconfig reads its
// configuration and caches) and a second one right after it.
void reportFirstUse() {
  using Clock = std::chrono::steady_clock;
  const auto milliseconds = [](Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
  };
  const Clock::time_point start = Clock::now();
  const bool drew = renderMixed(10001, 0).has_value();
  const Clock::time_point first = Clock::now();
  (void)renderMixed(10001, 0);
  const Clock::time_point second = Clock::now();
  std::printf("First use (mixed text, kind 10001 font 0): %.1f ms%s; the next one: %.1f ms\n",
              milliseconds(first - start), drew ? "" : " (drew nothing)",
              milliseconds(second - first));
}

}  // namespace
}  // namespace glyphon

int main(int argc, char** argv) {
  glyphon::reportFirstUse();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
