// The canvas view on a 48-megapixel canvas (8485 x 5657) with ITEMS items
// (the first argument: view_bench [ITEMS] [benchmark flags]; 1000 unless
// given), in a 1600 x 1000 view at fit.
//
// The edits run from the input to the view painted: the engine call the
// window makes (a press selecting an item, the undo step a drag release, a
// slider step or an arrow key pushes, Undo, Redo), then the event loop
// until the view has repainted what it was told changed. Each reports the
// 50th and 99th percentile and the slowest of its rounds, in ms (p50, p99,
// max); the time column is their mean.
//
// The view steps (zoom, scroll, a full repaint) paint the view into an
// image the size of what it shows, which is what a repaint of the screen
// costs without the copy to the display. Qt converts and scales large
// images on worker threads, so their CPU column counts the whole process;
// on a busy machine the wall time mostly waits for a core.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "bench/Masks.h"
#include "engine/core/Composition.h"
#include "engine/core/Drag.h"
#include "engine/core/EditSteps.h"
#include "engine/core/UndoHistory.h"
#include "windows/mainform/CanvasView.h"

namespace glyphon::bench {

constexpr int32_t kWidth = 8485, kHeight = 5657;

namespace {

int g_items = 1000;
// Rounds of each edit: enough for a 99th percentile.
constexpr int kRounds = 100;

// What the main window does with the composition's reports.
class ViewAdapter final : public CompositionListener {
 public:
  explicit ViewAdapter(CanvasView*& view) : m_view(view) {}
  void canvasChanged(const Rect& r) override {
    if (m_view) m_view->canvasChanged(r);
  }
  void canvasReplaced() override {
    if (m_view) m_view->canvasReplaced();
  }
  void modifiedChanged(bool) override {
    if (m_view) m_view->syncHandles();
  }

 private:
  CanvasView*& m_view;
};

// Counts the view's paint events: an edit that repainted nothing did not
// reach the screen, and its time would mean nothing.
class PaintCounter final : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

struct Scene {
  Composition comp;
  CanvasView* view = nullptr;
  ViewAdapter adapter{view};
  QScrollArea box;
  QImage shown{1600, 1000, QImage::Format_RGB32};
  UndoHistory history;
  PaintCounter counter;
  std::mt19937 rng{9};

  Scene() {
    box.resize(1600, 1000);
    comp.setListener(&adapter);
    fillScatteredCanvas(comp, g_items, kWidth, kHeight);
    view = new CanvasView(comp, &box);
    view->canvasReplaced();
    view->installEventFilter(&counter);
    box.show();
    view->fitInWindow();
    settle();
  }

  // Runs the event loop until the view has painted what is pending.
  static void settle() {
    QCoreApplication::sendPostedEvents();
    QApplication::processEvents();
  }

  // Paints what the view shows, as a repaint of the whole view would.
  void repaint() {
    const QRegion region = view->visibleRegion();
    const QPoint visibleCorner = region.boundingRect().topLeft();
    QPainter painter(&shown);
    view->render(&painter, region.boundingRect().topLeft() - visibleCorner, region);
  }

  TTextItem* randomItem() {
    const auto& items = comp.Queue().items();
    return items[rng() % items.size()].get();
  }
  // A random item other than the selected one.
  TTextItem* otherItem() {
    for (;;) {
      TTextItem* item = randomItem();
      if (item != comp.Queue().Selected || comp.Queue().count() < 2) return item;
    }
  }
  // A press on a random item, which selects it.
  void pressSomewhere() {
    comp.SelectItem(otherItem());
    settle();
  }
};

// Made on first use and never destroyed: its widgets must not outlive the
// application, which main() ends first.
Scene& scene() {
  static Scene* s = new Scene;
  return *s;
}

using Clock = std::chrono::steady_clock;

// The processor time of the whole process (Qt scales on worker threads),
// in seconds.
double processSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The smallest of sorted values that at least share of them do not exceed.
double percentile(const std::vector<double>& sorted, double share) {
  const auto rank = size_t(std::ceil(share * double(sorted.size())));
  return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

// Times edit (with the repaint that follows it) kRounds times, after
// prepare, which is left out; reports the percentiles of the wall time in
// ms, and those of the processor time (cpu_p99, cpu_max), which tell work
// from waiting for a core on a busy machine.
void timeEdits(benchmark::State& state, const std::function<void()>& prepare,
               const std::function<void()>& edit) {
  Scene& s = scene();
  std::vector<double> ms, cpuMs;
  const int paintsBefore = s.counter.paints;
  for (auto _ : state) {
    prepare();
    const double cpuStart = processSeconds();
    const Clock::time_point start = Clock::now();
    edit();
    Scene::settle();
    const std::chrono::duration<double> took = Clock::now() - start;
    cpuMs.push_back((processSeconds() - cpuStart) * 1000.0);
    state.SetIterationTime(took.count());
    ms.push_back(took.count() * 1000.0);
  }
  if (s.counter.paints == paintsBefore) {
    state.SkipWithError("the view never repainted");
    return;
  }
  std::sort(ms.begin(), ms.end());
  std::sort(cpuMs.begin(), cpuMs.end());
  state.counters["p50"] = percentile(ms, 0.50);
  state.counters["p99"] = percentile(ms, 0.99);
  state.counters["max"] = ms.back();
  state.counters["cpu_p99"] = percentile(cpuMs, 0.99);
  state.counters["cpu_max"] = cpuMs.back();
  state.counters["items"] = double(g_items);
}

void BM_Select(benchmark::State& state) {
  Scene& s = scene();
  timeEdits(
      state, [] {}, [&s] { s.comp.SelectItem(s.otherItem()); });
}
BENCHMARK(BM_Select)->Iterations(kRounds)->UseManualTime()->Unit(benchmark::kMillisecond);

// The release of a drag of a random item by up to 300 pixels each way, as
// an undo step with no fresh rendering (a move).
void BM_DragRelease(benchmark::State& state) {
  Scene& s = scene();
  timeEdits(
      state, [&s] { s.pressSomewhere(); },
      [&s] {
        const TTextItem* item = s.comp.Queue().Selected;
        const int32_t dx = int32_t(s.rng() % 601) - 300, dy = int32_t(s.rng() % 601) - 300;
        const Rect to = dragStep(item->Rect, TQueueData::kBody, dx, dy, item->Rect);
        s.history.push(std::make_unique<MoveTextStep>(s.comp, item->Id, item->Rect, to));
      });
}
BENCHMARK(BM_DragRelease)->Iterations(kRounds)->UseManualTime()->Unit(benchmark::kMillisecond);

// One step of the transparency slider within a gesture on the selected
// item: the steps fold into one undo step.
void BM_SliderStep(benchmark::State& state) {
  Scene& s = scene();
  s.pressSomewhere();
  const uint64_t id = s.comp.Queue().Selected->Id;
  int position = 0, direction = 1;
  timeEdits(
      state, [] {},
      [&] {
        if (position + direction > 100 || position + direction < 0) direction = -direction;
        position += direction;
        const TTextItem* item = s.comp.Queue().Selected;
        s.history.push(
            std::make_unique<FadeTextStep>(s.comp, id, item->Opacity, 100 - position, 1));
      });
}
BENCHMARK(BM_SliderStep)->Iterations(kRounds)->UseManualTime()->Unit(benchmark::kMillisecond);

// One arrow key on the selected item, within a burst of nudges that folds
// into one undo step; back and forth by one pixel.
void BM_Nudge(benchmark::State& state) {
  Scene& s = scene();
  s.pressSomewhere();
  int dx = 1;
  timeEdits(
      state, [] {},
      [&] {
        const TTextItem* item = s.comp.Queue().Selected;
        const Rect to = dragStep(item->Rect, TQueueData::kBody, dx, 0, item->Rect);
        dx = -dx;
        s.history.push(
            std::make_unique<MoveTextStep>(s.comp, item->Id, item->Rect, to, nullptr, 2));
      });
}
BENCHMARK(BM_Nudge)->Iterations(kRounds)->UseManualTime()->Unit(benchmark::kMillisecond);

// The step Undo and Redo replay (range 0: a move; 1: a fade; 2: a
// Delete), made on a random item; another item is pressed before the
// replay, so the replay selects its item again first.
void makeStep(Scene& s, int64_t kind) {
  s.pressSomewhere();
  const TTextItem* item = s.comp.Queue().Selected;
  if (kind == 0) {
    const Rect to = dragStep(item->Rect, TQueueData::kBody, 137, 61, item->Rect);
    s.history.push(std::make_unique<MoveTextStep>(s.comp, item->Id, item->Rect, to));
  } else if (kind == 1) {
    static int gesture = 100;  // a gesture of its own: nothing folds
    s.history.push(std::make_unique<FadeTextStep>(s.comp, item->Id, item->Opacity,
                                                  item->Opacity == 35 ? 80 : 35, ++gesture));
  } else {
    s.history.push(std::make_unique<DeleteTextStep>(s.comp, DeleteTextStep::Kind::Delete));
  }
  Scene::settle();
}

void BM_Undo(benchmark::State& state) {
  Scene& s = scene();
  const int64_t kind = state.range(0);
  timeEdits(
      state,
      [&] {
        makeStep(s, kind);
        s.pressSomewhere();
      },
      [&s] { s.history.undo(); });
}
BENCHMARK(BM_Undo)->Arg(0)->Arg(1)->Arg(2)->Iterations(kRounds)->UseManualTime()->Unit(
    benchmark::kMillisecond);

void BM_Redo(benchmark::State& state) {
  Scene& s = scene();
  const int64_t kind = state.range(0);
  // A redone Delete is undone before the next round, so the item count
  // stays.
  bool redoneDelete = false;
  timeEdits(
      state,
      [&] {
        if (redoneDelete) s.history.undo();
        makeStep(s, kind);
        s.history.undo();
        s.pressSomewhere();
      },
      [&] {
        s.history.redo();
        redoneDelete = kind == 2;
      });
  if (redoneDelete) s.history.undo();
}
BENCHMARK(BM_Redo)->Arg(0)->Arg(1)->Arg(2)->Iterations(kRounds)->UseManualTime()->Unit(
    benchmark::kMillisecond);

void BM_ZoomStep(benchmark::State& state) {
  Scene& s = scene();
  s.view->fitInWindow();
  bool in = true;
  for (auto _ : state) {
    if (in)
      s.view->zoomIn();
    else
      s.view->zoomOut();
    in = !in;
    s.repaint();
  }
}
BENCHMARK(BM_ZoomStep)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_ScrollStepAtActualSize(benchmark::State& state) {
  Scene& s = scene();
  s.view->actualSize();
  QScrollBar* bar = s.box.verticalScrollBar();
  int step = 20;
  for (auto _ : state) {
    if (bar->value() + step > bar->maximum() || bar->value() + step < 0) step = -step;
    bar->setValue(bar->value() + step);
    s.repaint();
  }
  s.view->fitInWindow();
}
BENCHMARK(BM_ScrollStepAtActualSize)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_FullRepaintAtFit(benchmark::State& state) {
  Scene& s = scene();
  s.view->fitInWindow();
  s.repaint();  // the halved copies are built once, at the first paint below 100 %
  for (auto _ : state) s.repaint();
}
BENCHMARK(BM_FullRepaintAtFit)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
}  // namespace glyphon::bench

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  glyphon::bench::g_items = glyphon::bench::itemCountArgument(argc, argv, 1000);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // The peak memory of the whole run, also in canvas-sized buffers (3 bytes
  // a pixel), to compare with the 3 buffers plus renderings an editor may
  // hold.
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double mib = double(usage.ru_maxrss) / 1024.0;
  const double canvas = double(glyphon::bench::kWidth) * glyphon::bench::kHeight * 3 / 1048576.0;
  std::printf("peak memory: %.0f MiB, %.2f canvas-sized buffers of %.0f MiB\n", mib, mib / canvas,
              canvas);
  return 0;
}
