// The autosave of a 12-megapixel project with 100 items (4000 x 3000): how
// long the editor's thread stops for it. It takes a snapshot and hands it
// to the writing thread (BM_AutosaveHandOver); while the copy is encoded
// and written, edits go on (BM_EditsDuringAutosave reports the longest
// edit then, longest_ms, against the longest edit with no autosave in the
// same run, BM_EditsWithoutAutosave). BM_SaveOnTheEditorsThread is what
// the editor's thread would stop for if it wrote the copy itself.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/ProjectScene.h"
#include "engine/core/Composition.h"
#include "engine/documents/Autosaver.h"
#include "engine/documents/ProjectFile.h"
#include "engine/documents/ProjectSnapshot.h"

namespace glyphon::bench {
namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string scratchFolder() {
  return (std::filesystem::temp_directory_path() /
          ("glyphon-autosave-bench-" + std::to_string(::getpid())))
      .string();
}

// The scene as the editor holds it, with its top item selected, as after
// an Add.
std::unique_ptr<Composition> sceneComposition() {
  const ProjectScene scene = makeProjectScene();
  std::vector<std::unique_ptr<TTextItem>> items;
  for (const auto& item : scene.Items) items.push_back(std::make_unique<TTextItem>(*item));
  auto composition = std::make_unique<Composition>();
  composition->setBackdropAndItems(scene.Backdrop, std::move(items));
  composition->SelectItem(composition->Queue().items().back().get());
  return composition;
}

// One edit of the editor's thread: the selected item moved by a pixel and
// back, as a drag's release or an arrow key does.
void edit(Composition& composition, int n) {
  Rect r = composition.Queue().Selected->Rect;
  const int32_t dx = n % 2 == 0 ? 1 : -1;
  r = {r.Left + dx, r.Top, r.Right + dx, r.Bottom};
  composition.moveSelectedTo(r);
}

void BM_AutosaveHandOver(benchmark::State& state) {
  const auto composition = sceneComposition();
  {
    Autosaver saver(scratchFolder(), {});
    double longest = 0;
    for (auto _ : state) {
      const auto start = Clock::now();
      saver.save(takeSnapshot(*composition, {}, "/home/me/card.gyf"));
      longest = std::max(longest, msSince(start));
    }
    saver.waitUntilIdle();
    state.counters["longest_ms"] = longest;
  }
  std::filesystem::remove_all(scratchFolder());
}
BENCHMARK(BM_AutosaveHandOver)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_EditsDuringAutosave(benchmark::State& state) {
  const auto composition = sceneComposition();
  std::atomic<int> written{0};
  double longest = 0, handOver = 0, copy = 0;
  int edits = 0;
  {
    Autosaver saver(scratchFolder(), [&](const Autosaver::Result& r) {
      if (r.written) ++written;
    });
    for (auto _ : state) {
      const int before = written.load();
      const auto start = Clock::now();
      saver.save(takeSnapshot(*composition, {}, "/home/me/card.gyf"));
      const double pause = msSince(start);
      handOver = std::max(handOver, pause);
      longest = std::max(longest, pause);
      while (written.load() == before) {
        const auto editStart = Clock::now();
        edit(*composition, edits++);
        longest = std::max(longest, msSince(editStart));
      }
      copy = std::max(copy, msSince(start));
    }
  }
  std::filesystem::remove_all(scratchFolder());
  state.counters["longest_ms"] = longest;
  state.counters["hand_over_ms"] = handOver;
  state.counters["copy_ms"] = copy;
  state.counters["edits"] = edits;
}
BENCHMARK(BM_EditsDuringAutosave)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_EditsWithoutAutosave(benchmark::State& state) {
  const auto composition = sceneComposition();
  double longest = 0;
  int edits = 0;
  for (auto _ : state) {
    // As long as a copy takes, about.
    const auto start = Clock::now();
    while (msSince(start) < 300) {
      const auto editStart = Clock::now();
      edit(*composition, edits++);
      longest = std::max(longest, msSince(editStart));
    }
  }
  state.counters["longest_ms"] = longest;
  state.counters["edits"] = edits;
}
BENCHMARK(BM_EditsWithoutAutosave)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_SaveOnTheEditorsThread(benchmark::State& state) {
  const auto composition = sceneComposition();
  const std::string path = scratchFolder() + ".gyf";
  for (auto _ : state)
    saveProjectFile(path, {}, composition->BackdropBitmap(), composition->Queue().items());
  std::filesystem::remove(path);
}
BENCHMARK(BM_SaveOnTheEditorsThread)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
}  // namespace glyphon::bench

BENCHMARK_MAIN();
