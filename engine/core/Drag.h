// The arithmetic of placing and dragging items: where a fresh rendering
// lands, how a drag step moves or pulls the selected item's rectangle, and
// which pointer shape each handle zone shows.
#pragma once

#include <cstdint>

#include "engine/core/Geometry.h"

namespace glyphon {

// The pointer shapes of the canvas view.
enum class DragCursor {
  Arrow,     // outside every handle zone
  SizeAll,   // the body: the item moves
  SizeNWSE,  // top-left or bottom-right corner
  SizeNESW,  // top-right or bottom-left corner
  SizeWE,    // a left or right edge (also every other zone with a side band)
  SizeNS,    // a top or bottom edge
};

// The drawn size of an item: the rendering's width or height times
// (sizeIndex + 1) / 10 added to the corner, the exact sum (a multiple of 0.1)
// rounded to nearest with halves to even. W = 45 at sizeIndex 0 gives
// x0 + 4 for an even x0 and x0 + 5 for an odd x0.
[[nodiscard]] Rect renderedItemRect(int32_t x0, int32_t y0, int32_t renderWidth,
                                    int32_t renderHeight, int32_t sizeIndex);

// The rectangle after one drag step of (dx, dy) in handle-zone mode (the
// TQueueData band bits, or kBody): the body moves all four sides; a band
// moves its side, stopping 10 pixels short of the opposite side; a corner
// then makes the height follow the new width in the proportion of
// pressRect, moving the top edge for the top corners and the bottom edge for
// the bottom corners. A corner drag of an item whose press width is 0 has no
// proportion and changes only the width. Mode 0 changes nothing. Edges
// saturate at the 32-bit range instead of wrapping.
[[nodiscard]] Rect dragStep(const Rect& rect, int mode, int32_t dx, int32_t dy,
                            const Rect& pressRect);

// The pointer shape shown over handle zone mode.
[[nodiscard]] DragCursor cursorForMode(int mode);

}  // namespace glyphon
