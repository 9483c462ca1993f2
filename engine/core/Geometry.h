// Rectangles and colours shared by every layer.
#pragma once

#include <algorithm>
#include <cstdint>

namespace glyphon {

// A rectangle of four signed 32-bit edges. Drawing treats Right and Bottom as
// exclusive; hit testing treats them as inclusive.
struct Rect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;

  [[nodiscard]] constexpr int32_t width() const { return Right - Left; }
  [[nodiscard]] constexpr int32_t height() const { return Bottom - Top; }
  // True when nothing would be drawn.
  [[nodiscard]] constexpr bool isEmpty() const { return Right <= Left || Bottom <= Top; }
  [[nodiscard]] constexpr Rect translated(int32_t dx, int32_t dy) const {
    return {Left + dx, Top + dy, Right + dx, Bottom + dy};
  }
  friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// The overlap of two rectangles (drawing sense); empty when they do not meet.
[[nodiscard]] constexpr Rect intersect(const Rect& a, const Rect& b) {
  Rect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
         std::min(a.Bottom, b.Bottom)};
  if (r.isEmpty()) return {};
  return r;
}

// The smallest rectangle holding both; an empty rectangle adds nothing.
[[nodiscard]] constexpr Rect unite(const Rect& a, const Rect& b) {
  if (a.isEmpty()) return b;
  if (b.isEmpty()) return a;
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
          std::max(a.Bottom, b.Bottom)};
}

// A colour laid out 0x00BBGGRR: the lowest byte is red.
using Color = uint32_t;

[[nodiscard]] constexpr Color rgb(uint8_t red, uint8_t green, uint8_t blue) {
  return Color(red) | (Color(green) << 8) | (Color(blue) << 16);
}
[[nodiscard]] constexpr uint8_t redOf(Color c) { return uint8_t(c & 0xFF); }
[[nodiscard]] constexpr uint8_t greenOf(Color c) { return uint8_t((c >> 8) & 0xFF); }
[[nodiscard]] constexpr uint8_t blueOf(Color c) { return uint8_t((c >> 16) & 0xFF); }

}  // namespace glyphon
