// Renderings for the benchmarks: grey-level pictures like the ones a style
// plug-in returns, with known shares of empty, partial and full coverage.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/Bitmap.h"
#include "engine/core/Composition.h"

namespace glyphon::bench {

// Runs like the strokes of text, row by row: on average 70 % background
// (red below 5), 10 % partial coverage (red 5..127) at the stroke edges and
// 20 % full coverage (red 128..255).
[[nodiscard]] Bitmap textLikeRendering(int32_t width, int32_t height, uint32_t seed);

// Red rising from 0 to 255 across every row: mostly partial and full
// coverage.
[[nodiscard]] Bitmap gradientRendering(int32_t width, int32_t height);

// The coverage the compositor reads from each pixel of a rendering (0 below
// 10), as an 8-bit alpha mask with rows of width bytes.
[[nodiscard]] std::vector<uint8_t> coverageMask(const Bitmap& rendering);

// A picture of random bytes, the same for the same seed.
[[nodiscard]] Bitmap noiseBitmap(int32_t width, int32_t height, uint32_t seed);

// Lays comp out as a canvas of noise (full HD unless told) with count items
// of 400 x 150 (renderings of 800 x 300 at size "50") scattered over it,
// every third at opacity 70, nothing selected.
void fillScatteredCanvas(Composition& comp, int count, int32_t width = 1920, int32_t height = 1080);

// The item count a benchmark was given as its first argument (a plain
// number, taken out of argv so the benchmark library does not see it), or
// fallback without one.
[[nodiscard]] int itemCountArgument(int& argc, char** argv, int fallback);

}  // namespace glyphon::bench
