// Our compositor against pixman on the same masks and the same pixel count:
// pixman composites a solid colour OVER the destination through an a8 mask
// holding the coverage our compositor reads from the rendering, once into a
// 24-bit b8g8r8 picture (our layout) and once into x8r8g8b8, with the
// rendering at the canvas size and stretched to it. Prints the
// median of 21 runs of each, in megapixels per second, and the ratios.
#include <pixman.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "bench/Masks.h"
#include "engine/core/Compositor.h"

namespace glyphon::bench {
namespace {

constexpr int32_t kWidth = 1920, kHeight = 1080;
constexpr int kRuns = 21;

// Median time of one call of work, in seconds; restore runs untimed before
// each call so that every run starts from the same picture.
double medianSeconds(const std::function<void()>& restore, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < kRuns + 2; ++i) {
    restore();
    const auto start = std::chrono::steady_clock::now();
    work();
    const auto end = std::chrono::steady_clock::now();
    if (i >= 2) times.push_back(std::chrono::duration<double>(end - start).count());  // warm-up
  }
  std::nth_element(times.begin(), times.begin() + kRuns / 2, times.end());
  return times[kRuns / 2];
}

double megapixelsPerSecond(double seconds) { return double(kWidth) * kHeight / seconds / 1e6; }

struct Figures {
  double ours, pixman24, pixmanX8;
};

// pixman's speed compositing solid through mask onto a destination of the
// given format whose pixels start as initial (rows of stride bytes).
double pixmanSpeed(pixman_format_code_t format, int stride, const std::vector<uint32_t>& initial,
                   pixman_image_t* solid, pixman_image_t* mask) {
  std::vector<uint32_t> bits = initial;
  pixman_image_t* dst = pixman_image_create_bits(format, kWidth, kHeight, bits.data(), stride);
  const double seconds =
      medianSeconds([&] { bits = initial; },
                    [&] {
                      pixman_image_composite32(PIXMAN_OP_OVER, solid, mask, dst, 0, 0, 0, 0, 0, 0,
                                               kWidth, kHeight);
                    });
  pixman_image_unref(dst);
  return megapixelsPerSecond(seconds);
}

Figures compare(const Bitmap& rendering) {
  std::mt19937 rng(1);
  Bitmap backdrop(kWidth, kHeight);
  for (int32_t y = 0; y < kHeight; ++y)
    for (size_t i = 0; i < backdrop.stride(); ++i) backdrop.row(y)[i] = uint8_t(rng());

  TTextItem item;
  item.Rect = {0, 0, kWidth, kHeight};
  item.Color = rgb(104, 255, 119);
  item.Bitmap = std::make_shared<const Bitmap>(rendering);
  Bitmap canvas = backdrop;
  Figures f{};
  f.ours = megapixelsPerSecond(
      medianSeconds([&] { canvas = backdrop; }, [&] { DrawItem(item, canvas); }));

  // The coverage of the rendering as stretched over the canvas, and the
  // item's colour, fully opaque.
  Bitmap stretched(kWidth, kHeight);
  stretchBlt(stretched, 0, 0, kWidth, kHeight, rendering, 0, 0, rendering.width(),
             rendering.height());
  std::vector<uint8_t> maskBits = coverageMask(stretched);
  pixman_image_t* mask = pixman_image_create_bits(
      PIXMAN_a8, kWidth, kHeight, reinterpret_cast<uint32_t*>(maskBits.data()), kWidth);
  const pixman_color_t colour{104 * 257, 255 * 257, 119 * 257, 0xFFFF};
  pixman_image_t* solid = pixman_image_create_solid_fill(&colour);

  // The same backdrop in both layouts (1920 * 3 bytes is a whole number of
  // 32-bit words, as pixman wants).
  std::vector<uint32_t> packed(backdrop.stride() / 4 * kHeight);
  std::memcpy(packed.data(), backdrop.data(), packed.size() * 4);
  std::vector<uint32_t> padded(size_t(kWidth) * kHeight);
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth; ++x) padded[size_t(y) * kWidth + x] = backdrop.pixel(x, y);
  f.pixman24 = pixmanSpeed(PIXMAN_b8g8r8, kWidth * 3, packed, solid, mask);
  f.pixmanX8 = pixmanSpeed(PIXMAN_x8r8g8b8, kWidth * 4, padded, solid, mask);

  pixman_image_unref(solid);
  pixman_image_unref(mask);
  return f;
}

void report(const char* name, const Figures& f) {
  std::printf("%-20s %10.0f %12.0f %14.0f %14.2f %16.2f\n", name, f.ours, f.pixman24, f.pixmanX8,
              f.ours / f.pixman24, f.ours / f.pixmanX8);
}

}  // namespace
}  // namespace glyphon::bench

int main() {
  using namespace glyphon::bench;
  std::printf(
      "DrawItem at opacity 100 over %d x %d, rendering at that size (1:1) or 1280 x 720 "
      "stretched; median of %d runs, Mpix/s\n",
      kWidth, kHeight, kRuns);
  std::printf("%-20s %10s %12s %14s %14s %16s\n", "mask", "ours", "pixman 24", "pixman x8rgb",
              "ours/pixman24", "ours/pixman x8");
  report("text-like 1:1", compare(textLikeRendering(kWidth, kHeight, 2)));
  report("gradient 1:1", compare(gradientRendering(kWidth, kHeight)));
  report("text-like stretched", compare(textLikeRendering(1280, 720, 2)));
  report("gradient stretched", compare(gradientRendering(1280, 720)));
  return 0;
}
