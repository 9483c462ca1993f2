// The integer conversions the computations of the editor share.
#pragma once

#include <cmath>
#include <cstdint>

namespace glyphon {

// The nearest integer to v, an exact half going to the even neighbour
// (2.5 -> 2, 3.5 -> 4, -2.5 -> -2). Values beyond the 64-bit range saturate.
[[nodiscard]] inline int64_t roundHalfEven(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 9.2233720368547758e18) return INT64_MAX;
  if (v <= -9.2233720368547758e18) return INT64_MIN;
  // The editor never changes the floating-point rounding mode, so nearbyint
  // rounds to nearest with ties to even.
  double r = std::nearbyint(v);
  return int64_t(r);
}

// v clamped to the signed 32-bit range. Edges computed in 64 bits from a
// damaged rectangle may leave that range; so far out they lie outside every
// bitmap, so clamping them changes no pixel.
[[nodiscard]] constexpr int32_t saturateToInt32(int64_t v) {
  return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : int32_t(v);
}

// Integer division truncating toward zero (-7 div 2 = -3). C++ already
// truncates; the name marks the places where the editor relies on it.
[[nodiscard]] constexpr int64_t truncDiv(int64_t a, int64_t b) { return a / b; }

}  // namespace glyphon
