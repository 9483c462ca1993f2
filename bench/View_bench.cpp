// The canvas view on a 48-megapixel canvas (8485 x 5657) with 1000 items,
// in a 1600 x 1000 view, from the input to the view's picture updated: a
// zoom step, a scroll step, a drag release, and a full repaint at fit. The
// view is painted into an image the size of what it shows, which is what a
// repaint of the screen costs without the copy to the display. Qt converts
// and scales large images on worker threads, so the CPU column counts the
// whole process; on a busy machine the wall time mostly waits for a core.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <memory>
#include <random>

#include "bench/Masks.h"
#include "engine/core/Composition.h"
#include "windows/mainform/CanvasView.h"

namespace glyphon::bench {
namespace {

constexpr int32_t kWidth = 8485, kHeight = 5657;
constexpr int kItems = 1000;

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

struct Scene {
  Composition comp;
  CanvasView* view = nullptr;
  ViewAdapter adapter{view};
  QScrollArea box;
  QImage shown{1600, 1000, QImage::Format_RGB32};

  Scene() {
    box.resize(1600, 1000);
    comp.setListener(&adapter);
    comp.setBackdrop(noiseBitmap(kWidth, kHeight, 1));
    std::mt19937 rng(2);
    auto rendering = std::make_shared<const Bitmap>(textLikeRendering(800, 300, 3));
    for (int i = 0; i < kItems; ++i) {
      auto item = std::make_unique<TTextItem>();
      const int32_t x = int32_t(rng() % (kWidth - 400)), y = int32_t(rng() % (kHeight - 150));
      item->Rect = {x, y, x + 400, y + 150};
      item->Color = rgb(uint8_t(rng()), uint8_t(rng()), uint8_t(rng()));
      item->Bitmap = rendering;
      comp.addItem(std::move(item));
    }
    view = new CanvasView(comp, &box);
    view->canvasReplaced();
    box.show();
  }

  // Paints what the view shows, as a repaint of the whole view would.
  void repaint() { repaint(view->visibleRegion()); }
  // Paints region of the view (its coordinates), as a repaint of it would.
  void repaint(const QRegion& region) {
    // shown holds the visible part of the view, from its top-left corner.
    const QPoint visibleCorner = view->visibleRegion().boundingRect().topLeft();
    QPainter painter(&shown);
    view->render(&painter, region.boundingRect().topLeft() - visibleCorner, region);
  }
  // The part of the view that shows canvasRect with the handles around it,
  // which is what the view asks to repaint when it changes.
  QRegion onView(const Rect& canvasRect) const {
    const Rect r = view->mapping().toScreen(canvasRect);
    return QRegion(QRect(r.Left, r.Top, r.width(), r.height()).adjusted(-12, -12, 12, 12)) &
           view->visibleRegion();
  }
};

// Made on first use and never destroyed: its widgets must not outlive the
// application, which main() ends first.
Scene& scene() {
  static Scene* s = new Scene;
  return *s;
}

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
}
BENCHMARK(BM_ScrollStepAtActualSize)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_DragReleaseAtFit(benchmark::State& state) {
  Scene& s = scene();
  s.view->fitInWindow();
  s.comp.SelectItem(s.comp.Queue().items()[kItems / 2].get());
  int dx = 37;
  for (auto _ : state) {
    const Rect from = s.comp.Queue().Selected->Rect;
    const Rect to = from.translated(dx, 11 * (dx > 0 ? 1 : -1));
    s.comp.moveSelectedTo(to);
    dx = -dx;
    s.repaint(s.onView(from) | s.onView(to));
  }
}
BENCHMARK(BM_DragReleaseAtFit)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

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
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
