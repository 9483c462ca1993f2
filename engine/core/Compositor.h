// The compositor: the overlay tint and the blending of one text item onto a
// picture. Results are exact: every channel equals the double-precision
// formula below, rounded to nearest with halves to even.
#pragma once

#include "engine/core/Bitmap.h"
#include "engine/core/Geometry.h"
#include "engine/core/TextItem.h"

namespace glyphon {

// Tints every pixel in place with the matching byte k of color (red with red,
// and so on). A channel value v <= 127 becomes (2 * k * v) div 255; a value
// v >= 128 becomes 255 - (1 - k / 255) * 2 * (255 - v), rounded. Black stays
// black, white stays white, mid-grey takes on the colour itself.
void TintBitmap(Bitmap& bitmap, Color color);

// Blends the item onto target. The item's rendering is stretched by nearest
// pixel to the item's rectangle (destination column x samples source column
// x * sw / W, truncating; rows likewise), tinted with the item's colour for
// the colour c, and its red channel v gives the coverage m (2v for v <= 127,
// else 255). For each target channel t, with a = Opacity / 100:
//   m < 10:          the pixel is left as it is;
//   m == 255:        (1 - a) * t + a * c;
//   10 <= m <= 254:  t * k + c * (1 - k), k = (255 - m * Opacity / 100) / 255.
// The part of the rectangle outside target is clipped; only the visible part
// costs time or memory, whatever the rectangle's size. An item with no
// rendering, an empty rendering or an empty rectangle draws nothing.
// An Opacity outside 0..100 (only a damaged project file can hold one) is
// drawn as the nearest of 0 and 100.
void DrawItem(const TTextItem& item, Bitmap& target);

namespace detail {
// DrawItem uses the widest vector instructions the processor has (512-bit
// AVX-512 with byte permutes, else AVX2) and portable code elsewhere; all
// give identical pictures. Tests cap the width to check every kind of code
// on the same machine.
enum class VectorCode { kPortable, kAvx2, kAvx512 };
void setWidestVectorCode(VectorCode code);
[[nodiscard]] VectorCode widestAvailableVectorCode();
}  // namespace detail

}  // namespace glyphon
