// How a picture becomes the backdrop of a canvas: the canvas size checks and
// the stretch to the canvas, and the reading of the size fields.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "engine/core/Bitmap.h"

namespace glyphon {

// Why width x height cannot be a canvas, if it cannot.
enum class CanvasSizeProblem { None, WidthNotPositive, HeightNotPositive, TooLarge };
[[nodiscard]] CanvasSizeProblem canvasSizeProblem(int64_t width, int64_t height);

// Throws Error with a clear message unless width x height can be a canvas:
// both sides at least 1 and within the limits of Bitmap.
void checkCanvasSize(int64_t width, int64_t height);

// A width x height backdrop holding the whole picture stretched by nearest
// pixel, with no smoothing and no regard to aspect; a picture that already
// has that size is handed back as it is. An empty size gives an empty
// backdrop. Throws Error for a negative size or one beyond the limits of
// Bitmap.
[[nodiscard]] Bitmap stretchPicture(Bitmap picture, int32_t width, int32_t height);

// A signed 32-bit decimal integer: an optional "+" or "-" followed by one or
// more digits and nothing else (no blanks, no hexadecimal). Empty when the
// text is anything else or the value does not fit.
[[nodiscard]] std::optional<int32_t> parseInt32(std::string_view text);

}  // namespace glyphon
