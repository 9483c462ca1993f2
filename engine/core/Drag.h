// The arithmetic of placing and dragging items: where a fresh rendering
// lands, how a drag step moves or pulls the selected item's rectangle, which
// pointer shape each handle zone shows, and the state of a drag from the
// press to the release.
#pragma once

#include <cstdint>
#include <optional>

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

// The pointer's drag on the canvas, in canvas pixels for the pointer and the
// rectangles alike, whatever the zoom of the view. The canvas view shows
// only an outline at DragRect while the button is held; the item itself
// moves there once, on release.
struct DragState {
  // A press on an item armed a drag and the button is still held.
  bool Dragging = false;
  // The handle zone under the pointer (the TQueueData zone bits, 0 for
  // none), kept from the last move before the press: it is the mode of the
  // drag that press arms.
  int DragMode = 0;
  // The pointer at the press or the last drag step.
  int32_t LastX = 0;
  int32_t LastY = 0;
  // The pressed item's rectangle at the press; corner drags keep its shape.
  Rect PressRect;
  // Where the drag has taken the rectangle so far.
  Rect DragRect;

  // Arms a drag of the item whose rectangle is itemRect, pressed with the
  // pointer at (x, y), in the zone last hovered.
  void press(int32_t x, int32_t y, const Rect& itemRect);
  // One drag step to (x, y): DragRect follows the pointer's travel since
  // the last step (see dragStep) and (x, y) becomes the last position.
  // Returns false, changing nothing, when no drag is armed.
  bool moveTo(int32_t x, int32_t y);
  // Ends the drag. Returns where it took the rectangle, or nothing when no
  // drag was armed; the caller moves the item when that differs from where
  // the item is.
  [[nodiscard]] std::optional<Rect> release();
  // Ends the drag without moving anything, for commands that change the
  // selection while the button is held.
  void cancel() { Dragging = false; }

  friend bool operator==(const DragState&, const DragState&) = default;
};

}  // namespace glyphon
