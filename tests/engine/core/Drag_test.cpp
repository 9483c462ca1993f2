#include "engine/core/Drag.h"

#include <gtest/gtest.h>

#include <climits>

namespace glyphon {
namespace {

TEST(Drag, RenderedItemRectRoundsExactTenthsHalfToEven) {
  struct Case {
    int32_t x0, y0, w, h, sizeIndex;
    Rect expected;
  };
  const Case cases[] = {
      {0, 0, 45, 45, 0, {0, 0, 4, 4}},      // 4.5 -> 4
      {1, 3, 45, 45, 0, {1, 3, 6, 8}},      // 5.5 -> 6, 7.5 -> 8
      {-1, -2, 45, 45, 0, {-1, -2, 4, 2}},  // 3.5 -> 4, 2.5 -> 2
      {7, 9, 233, 71, 9, {7, 9, 240, 80}},  // "100": the rendering's own size
      {0, 0, 101, 33, 4, {0, 0, 50, 16}},   // 50.5 -> 50, 16.5 -> 16
      {1, 1, 101, 33, 4, {1, 1, 52, 18}},   // 51.5 -> 52, 17.5 -> 18
      {0, 0, 33, 34, 2, {0, 0, 10, 10}},    // 9.9 -> 10, 10.2 -> 10
      {5, 5, 0, 0, 6, {5, 5, 5, 5}},        // an empty rendering
      {0, 0, 14, 16, 0, {0, 0, 1, 2}},      // 1.4 -> 1, 1.6 -> 2
      {-5, -15, 10, 30, 0, {-5, -15, -4, -12}},
      {INT32_MAX, 0, 100, 1, 9, {INT32_MAX, 0, INT32_MAX, 1}},  // saturates
  };
  for (const Case& c : cases) {
    EXPECT_EQ(renderedItemRect(c.x0, c.y0, c.w, c.h, c.sizeIndex), c.expected)
        << c.x0 << "," << c.y0 << " " << c.w << "x" << c.h << " size " << c.sizeIndex;
  }
}

TEST(Drag, StepMovesAndPullsEdgesWithTheirMinimum) {
  const Rect r{10, 20, 110, 70};
  struct Case {
    const char* what;
    int mode, dx, dy;
    Rect expected;
  };
  const Case cases[] = {
      {"body", 16, 5, -3, {15, 17, 115, 67}},
      {"body past the canvas", 16, -500, 900, {-490, 920, -390, 970}},
      {"left edge", 1, 30, 99, {40, 20, 110, 70}},
      {"left edge past the right", 1, 200, 0, {100, 20, 110, 70}},
      {"right edge past the left", 2, -200, 0, {10, 20, 20, 70}},
      {"top edge past the bottom", 4, 7, 100, {10, 60, 110, 70}},
      {"bottom edge past the top", 8, 0, -100, {10, 20, 110, 30}},
      {"both side bands: left first", 3, 95, 0, {100, 20, 205, 70}},
      {"top and bottom bands", 12, 0, 45, {10, 60, 110, 115}},
      {"no zone", 0, 40, 40, r},
  };
  for (const Case& c : cases) EXPECT_EQ(dragStep(r, c.mode, c.dx, c.dy, r), c.expected) << c.what;
}

TEST(Drag, CornersKeepThePressProportion) {
  const Rect press{0, 0, 200, 50};
  struct Case {
    const char* what;
    Rect from;
    int mode, dx, dy;
    Rect expected;
  };
  const Case cases[] = {
      {"bottom-right widened to 300", press, 10, 100, 0, {0, 0, 300, 75}},
      {"bottom-right, dy ignored", press, 10, 100, 400, {0, 0, 300, 75}},
      {"top-right moves the top", press, 6, 100, 0, {0, -25, 300, 50}},
      {"top-left moves the top", press, 5, -100, 0, {-100, -25, 200, 50}},
      {"bottom-left", press, 9, 50, 0, {50, 0, 200, 37}},  // 37.5 truncated
      {"narrowed below 10 high", press, 10, -180, 0, {0, 0, 20, 5}},
      {"later steps use the press shape", {0, 0, 300, 75}, 10, -100, 0, {0, 0, 200, 50}},
      {"top clamped: no proportion", press, 5, 0, 45, {0, 40, 200, 50}},
      {"mixed zone 7 keeps the proportion", press, 7, 20, 0, {20, 0, 220, 50}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(dragStep(c.from, c.mode, c.dx, c.dy, press), c.expected) << c.what;
}

TEST(Drag, CornerOfAZeroWidthPressChangesOnlyTheWidth) {
  const Rect press{5, 5, 5, 40};
  EXPECT_EQ(dragStep(press, 10, 30, 20, press), (Rect{5, 5, 35, 40}));
  EXPECT_EQ(dragStep(press, 6, 30, -20, press), (Rect{5, 5, 35, 40}));
  EXPECT_EQ(dragStep(press, 5, -30, -20, press), (Rect{-25, 5, 5, 40}));
  // Edge drags keep working.
  EXPECT_EQ(dragStep(press, 8, 0, 20, press), (Rect{5, 5, 5, 60}));
}

TEST(Drag, DamagedRectanglesSaturateInsteadOfWrapping) {
  const Rect far{INT32_MAX - 10, INT32_MIN + 5, INT32_MAX, INT32_MIN + 50};
  EXPECT_EQ(dragStep(far, 16, 100, -100, far), (Rect{INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN}));
  // The proportion of the largest rectangles is computed exactly.
  const Rect huge{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  EXPECT_EQ(dragStep(huge, 10, 0, 0, huge), huge);
  EXPECT_EQ(dragStep(huge, 9, 0, 0, Rect{0, 0, 1, INT32_MAX}).Bottom, INT32_MAX);
}

TEST(Drag, CursorForEveryZone) {
  struct Case {
    int mode;
    DragCursor cursor;
  };
  const Case cases[] = {
      {0, DragCursor::Arrow},     {16, DragCursor::SizeAll}, {5, DragCursor::SizeNWSE},
      {10, DragCursor::SizeNWSE}, {6, DragCursor::SizeNESW}, {9, DragCursor::SizeNESW},
      {1, DragCursor::SizeWE},    {2, DragCursor::SizeWE},   {3, DragCursor::SizeWE},
      {7, DragCursor::SizeWE},    {11, DragCursor::SizeWE},  {13, DragCursor::SizeWE},
      {14, DragCursor::SizeWE},   {15, DragCursor::SizeWE},  {4, DragCursor::SizeNS},
      {8, DragCursor::SizeNS},    {12, DragCursor::SizeNS},
  };
  for (const Case& c : cases) EXPECT_EQ(cursorForMode(c.mode), c.cursor) << c.mode;
}

}  // namespace
}  // namespace glyphon
