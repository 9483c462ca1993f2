// The autosave of a 12-megapixel project with 100 items (4000 x 3000): how
// long the editor's thread stops for it. It takes a snapshot and hands it
// to the writing thread (BM_AutosaveHandOver); while the copy is encoded
// and written, edits go on (BM_EditsDuringAutosave reports the edits' 99th
// percentile and longest time then, against the same with no autosave in
// the same run, BM_EditsWithoutAutosave, which shows what the machine's
// load alone does). BM_SaveOnTheEditorsThread is what the editor's thread
// would stop for if it wrote the copy itself.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
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

// The q-quantile (0 to 1) of samples.
double quantile(std::vector<double> samples, double q) {
  if (samples.empty()) return 0;
  const size_t at = std::min(samples.size() - 1, size_t(q * double(samples.size())));
  std::nth_element(samples.begin(), samples.begin() + ptrdiff_t(at), samples.end());
  return samples[at];
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
// back, as a drag's release or an arrow key does. The thread then waits a
// moment for the next event, as the editor's thread mostly does.
void edit(Composition& composition, int n) {
  Rect r = composition.Queue().Selected->Rect;
  const int32_t dx = n % 2 == 0 ? 1 : -1;
  r = {r.Left + dx, r.Top, r.Right + dx, r.Bottom};
  composition.moveSelectedTo(r);
}

void waitForTheNextEvent() { std::this_thread::sleep_for(std::chrono::milliseconds(2)); }

void BM_AutosaveHandOver(benchmark::State& state) {
  const auto composition = sceneComposition();
  {
    Autosaver saver(scratchFolder(), {});
    std::vector<double> pauses;
    for (auto _ : state) {
      const auto start = Clock::now();
      saver.save(takeSnapshot(*composition, {}, "/home/me/card.gyf"));
      pauses.push_back(msSince(start));
    }
    saver.waitUntilIdle();
    state.counters["p99_ms"] = quantile(pauses, 0.99);
    state.counters["longest_ms"] = quantile(pauses, 1);
  }
  std::filesystem::remove_all(scratchFolder());
}
BENCHMARK(BM_AutosaveHandOver)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_EditsDuringAutosave(benchmark::State& state) {
  const auto composition = sceneComposition();
  std::atomic<int> written{0};
  double handOver = 0, copy = 0;
  std::vector<double> pauses;
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
      pauses.push_back(pause);
      while (written.load() == before) {
        const auto editStart = Clock::now();
        edit(*composition, edits++);
        pauses.push_back(msSince(editStart));
        waitForTheNextEvent();
      }
      copy = std::max(copy, msSince(start));
    }
  }
  std::filesystem::remove_all(scratchFolder());
  state.counters["p99_ms"] = quantile(pauses, 0.99);
  state.counters["longest_ms"] = quantile(pauses, 1);
  state.counters["hand_over_ms"] = handOver;
  state.counters["copy_ms"] = copy;
  state.counters["edits"] = edits;
}
BENCHMARK(BM_EditsDuringAutosave)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_EditsWithoutAutosave(benchmark::State& state) {
  const auto composition = sceneComposition();
  std::vector<double> pauses;
  int edits = 0;
  for (auto _ : state) {
    // As long as a copy takes, about.
    const auto start = Clock::now();
    while (msSince(start) < 1000) {
      const auto editStart = Clock::now();
      edit(*composition, edits++);
      pauses.push_back(msSince(editStart));
      waitForTheNextEvent();
    }
  }
  state.counters["p99_ms"] = quantile(pauses, 0.99);
  state.counters["longest_ms"] = quantile(pauses, 1);
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
