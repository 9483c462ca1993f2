#include "engine/documents/Canvas.h"

#include <limits>
#include <string>

#include "engine/core/Error.h"

namespace glyphon {

CanvasSizeProblem canvasSizeProblem(int64_t width, int64_t height) {
  if (width < 1) return CanvasSizeProblem::WidthNotPositive;
  if (height < 1) return CanvasSizeProblem::HeightNotPositive;
  try {
    Bitmap::checkSize(width, height);
  } catch (const Error&) {
    return CanvasSizeProblem::TooLarge;
  }
  return CanvasSizeProblem::None;
}

void checkCanvasSize(int64_t width, int64_t height) {
  const std::string size = std::to_string(width) + " x " + std::to_string(height);
  switch (canvasSizeProblem(width, height)) {
    case CanvasSizeProblem::None:
      return;
    case CanvasSizeProblem::WidthNotPositive:
    case CanvasSizeProblem::HeightNotPositive:
      throw Error("A canvas of " + size +
                  " pixels is not possible: width and height must be 1 or more");
    case CanvasSizeProblem::TooLarge:
      break;
  }
  Bitmap::checkSize(width, height);  // throws with the limit in its message
}

Bitmap stretchPicture(Bitmap picture, int32_t width, int32_t height) {
  if (picture.width() == width && picture.height() == height) return picture;
  // The stretch of the whole picture writes every pixel.
  Bitmap backdrop = Bitmap::uninitialized(width, height);
  stretchBlt(backdrop, 0, 0, width, height, picture, 0, 0, picture.width(), picture.height());
  return backdrop;
}

std::optional<int32_t> parseInt32(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  // Accumulate as a negative number: its range holds the most negative value.
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 - (c - '0');
    if (value < kMin) return std::nullopt;
  }
  if (!negative) {
    value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return std::nullopt;
  }
  return int32_t(value);
}

}  // namespace glyphon
