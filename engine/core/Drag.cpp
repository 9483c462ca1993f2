#include "engine/core/Drag.h"

#include "engine/core/Arith.h"
#include "engine/core/Queue.h"

namespace glyphon {
namespace {

constexpr int64_t kMinSide = 10;

// n / 10 rounded to nearest, an exact half going to the even neighbour.
int64_t tenthsRoundedHalfEven(int64_t n) {
  int64_t q = n / 10, r = n % 10;
  if (r < 0) {  // floor division, so that 0 <= r < 10
    q -= 1;
    r += 10;
  }
  if (r > 5 || (r == 5 && q % 2 != 0)) q += 1;
  return q;
}

// (a * b) div c, truncating toward zero, exact for any 64-bit a and b whose
// product fits 128 bits (edges differ by less than 2^33); the quotient
// saturates to 64 bits.
__extension__ typedef __int128 Int128;
int64_t mulDiv(int64_t a, int64_t b, int64_t c) {
  const Int128 q = Int128(a) * b / c;
  return q > INT64_MAX ? INT64_MAX : q < INT64_MIN ? INT64_MIN : int64_t(q);
}

}  // namespace

Rect renderedItemRect(int32_t x0, int32_t y0, int32_t renderWidth, int32_t renderHeight,
                      int32_t sizeIndex) {
  const int64_t scale = int64_t(sizeIndex) + 1;
  const int64_t right = tenthsRoundedHalfEven(int64_t(x0) * 10 + int64_t(renderWidth) * scale);
  const int64_t bottom = tenthsRoundedHalfEven(int64_t(y0) * 10 + int64_t(renderHeight) * scale);
  return {x0, y0, saturateToInt32(right), saturateToInt32(bottom)};
}

Rect dragStep(const Rect& rect, int mode, int32_t dx, int32_t dy, const Rect& pressRect) {
  int64_t left = rect.Left, top = rect.Top, right = rect.Right, bottom = rect.Bottom;
  if (mode == TQueueData::kBody) {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
  } else {
    const bool leftBand = mode & TQueueData::kLeftBand, rightBand = mode & TQueueData::kRightBand;
    const bool topBand = mode & TQueueData::kTopBand, bottomBand = mode & TQueueData::kBottomBand;
    const bool topCorner = (leftBand || rightBand) && topBand;
    const bool bottomCorner = (leftBand || rightBand) && bottomBand;
    const int64_t pressWidth = int64_t(pressRect.Right) - pressRect.Left;
    const int64_t pressHeight = int64_t(pressRect.Bottom) - pressRect.Top;
    // Without a press width there is no proportion to keep: the height stays.
    const bool heightFixed = (topCorner || bottomCorner) && pressWidth == 0;

    if (leftBand) {
      left += dx;
      if (left > right - kMinSide) left = right - kMinSide;
    }
    if (rightBand) {
      right += dx;
      if (right < left + kMinSide) right = left + kMinSide;
    }
    if (topBand && !heightFixed) {
      top += dy;
      if (top > bottom - kMinSide) top = bottom - kMinSide;
    }
    if (bottomBand && !heightFixed) {
      bottom += dy;
      if (bottom < top + kMinSide) bottom = top + kMinSide;
    }
    if (!heightFixed) {
      if (topCorner && top < bottom - kMinSide)
        top = bottom - mulDiv(pressHeight, right - left, pressWidth);
      else if (bottomCorner && top + kMinSide < bottom)
        bottom = top + mulDiv(pressHeight, right - left, pressWidth);
    }
  }
  return {saturateToInt32(left), saturateToInt32(top), saturateToInt32(right),
          saturateToInt32(bottom)};
}

DragCursor cursorForMode(int mode) {
  switch (mode) {
    case 0:
      return DragCursor::Arrow;
    case TQueueData::kBody:
      return DragCursor::SizeAll;
    case TQueueData::kLeftBand | TQueueData::kTopBand:
    case TQueueData::kRightBand | TQueueData::kBottomBand:
      return DragCursor::SizeNWSE;
    case TQueueData::kRightBand | TQueueData::kTopBand:
    case TQueueData::kLeftBand | TQueueData::kBottomBand:
      return DragCursor::SizeNESW;
    default:
      break;
  }
  if (mode & (TQueueData::kLeftBand | TQueueData::kRightBand)) return DragCursor::SizeWE;
  if (mode & (TQueueData::kTopBand | TQueueData::kBottomBand)) return DragCursor::SizeNS;
  return DragCursor::Arrow;
}

void DragState::press(int32_t x, int32_t y, const Rect& itemRect) {
  Dragging = true;
  LastX = x;
  LastY = y;
  PressRect = itemRect;
  DragRect = itemRect;
}

bool DragState::moveTo(int32_t x, int32_t y) {
  if (!Dragging) return false;
  // The travel of a pointer far off the view may not fit 32 bits.
  DragRect = dragStep(DragRect, DragMode, saturateToInt32(int64_t(x) - LastX),
                      saturateToInt32(int64_t(y) - LastY), PressRect);
  LastX = x;
  LastY = y;
  return true;
}

std::optional<Rect> DragState::release() {
  if (!Dragging) return std::nullopt;
  Dragging = false;
  return DragRect;
}

}  // namespace glyphon
