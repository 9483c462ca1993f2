#include "bench/Masks.h"

#include <algorithm>
#include <memory>
#include <random>
#include <string>

namespace glyphon::bench {
namespace {

void setGrey(uint8_t* p, uint8_t v) { p[0] = p[1] = p[2] = v; }

}  // namespace

Bitmap textLikeRendering(int32_t width, int32_t height, uint32_t seed) {
  std::mt19937 rng(seed);
  auto between = [&rng](int lo, int hi) { return lo + int(rng() % uint32_t(hi - lo + 1)); };
  Bitmap b(width, height);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* p = b.row(y);
    int32_t x = 0;
    auto put = [&](uint8_t v) {
      if (x < width) setGrey(p + size_t(x++) * 3, v);
    };
    // One stroke: 7..21 background, an edge, 1..7 full, an edge (means 14, 1, 4, 1).
    while (x < width) {
      for (int n = between(7, 21); n > 0; --n) put(uint8_t(between(0, 4)));
      put(uint8_t(between(5, 127)));
      for (int n = between(1, 7); n > 0; --n) put(uint8_t(between(128, 255)));
      put(uint8_t(between(5, 127)));
    }
  }
  return b;
}

Bitmap gradientRendering(int32_t width, int32_t height) {
  Bitmap b(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      setGrey(b.row(y) + size_t(x) * 3, uint8_t(int64_t(x) * 256 / width));
  return b;
}

std::vector<uint8_t> coverageMask(const Bitmap& rendering) {
  std::vector<uint8_t> mask(size_t(rendering.width()) * size_t(rendering.height()));
  size_t i = 0;
  for (int32_t y = 0; y < rendering.height(); ++y)
    for (int32_t x = 0; x < rendering.width(); ++x) {
      const uint8_t v = rendering.row(y)[size_t(x) * 3 + 2];
      const int m = v <= 127 ? 2 * v : 255;
      mask[i++] = uint8_t(m < 10 ? 0 : m);
    }
  return mask;
}

Bitmap noiseBitmap(int32_t width, int32_t height, uint32_t seed) {
  std::mt19937 rng(seed);
  Bitmap b(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (size_t i = 0; i < b.stride(); ++i) b.row(y)[i] = uint8_t(rng());
  return b;
}

void fillScatteredCanvas(Composition& comp, int count, int32_t width, int32_t height) {
  std::mt19937 rng(4);
  std::shared_ptr<const Bitmap> renderings[8];
  for (uint32_t i = 0; i < 8; ++i)
    renderings[i] = std::make_shared<const Bitmap>(textLikeRendering(800, 300, 10 + i));
  std::vector<std::unique_ptr<TTextItem>> items;
  for (int i = 0; i < count; ++i) {
    auto item = std::make_unique<TTextItem>();
    const int32_t x = int32_t(rng() % (width - 400)), y = int32_t(rng() % (height - 150));
    item->Rect = {x, y, x + 400, y + 150};
    item->Color = rgb(uint8_t(rng()), uint8_t(rng()), uint8_t(rng()));
    item->Opacity = i % 3 == 0 ? 70 : 100;
    item->Bitmap = renderings[i % 8];
    items.push_back(std::move(item));
  }
  comp.setBackdropAndItems(noiseBitmap(width, height, 3), std::move(items));
}

int itemCountArgument(int& argc, char** argv, int fallback) {
  if (argc < 2) return fallback;
  const std::string first = argv[1];
  if (first.empty() || first.size() > 7 ||
      !std::all_of(first.begin(), first.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return fallback;
  for (int i = 1; i + 1 < argc; ++i) argv[i] = argv[i + 1];
  --argc;
  return std::stoi(first);
}

}  // namespace glyphon::bench
