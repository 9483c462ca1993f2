// Shrinking a picture for a small view of it (toolbar pictures, thumbnails):
// an average over the pixels each small pixel covers, never a sample of one.
#pragma once

#include <cstdint>

#include "engine/core/Bitmap.h"

namespace glyphon {

// source shrunk to fit within maxWidth x maxHeight, its shape kept (sides
// rounded to nearest, at least 1), each pixel the mean of the block of
// source pixels it covers, rounded to nearest. A source that already fits
// comes back unchanged: nothing is ever stretched up. Precondition: source
// is not empty, maxWidth and maxHeight are positive.
[[nodiscard]] Bitmap shrinkToFit(const Bitmap& source, int32_t maxWidth, int32_t maxHeight);

}  // namespace glyphon
