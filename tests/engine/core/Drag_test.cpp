#include "engine/core/Drag.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

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

TEST(DragState, APressArmsADragInTheZoneLastHovered) {
  DragState drag;
  drag.DragMode = 6;
  drag.press(120, 45, {100, 40, 300, 90});
  const DragState expected{true, 6, 120, 45, {100, 40, 300, 90}, {100, 40, 300, 90}};
  EXPECT_EQ(drag, expected);
}

TEST(DragState, EachMoveStepsFromTheLastPointerPosition) {
  struct Point {
    int32_t x, y;
  };
  struct Case {
    const char* what;
    int mode;
    Rect item;
    Point pressAt;
    std::vector<Point> moves;
    Rect expected;
  };
  const Rect item{10, 20, 110, 70};
  const Rect wide{0, 0, 200, 50};
  const Rect small{0, 0, 10, 10};
  const Case cases[] = {
      {"body: the whole travel", 16, item, {50, 40}, {{60, 45}, {80, 30}}, {40, 10, 140, 60}},
      {"body: back where it began", 16, item, {50, 40}, {{90, 90}, {50, 40}}, item},
      // The clamp applies step by step: the way back starts at the clamp.
      {"left edge clamped, back", 1, item, {10, 40}, {{200, 40}, {150, 40}}, {50, 20, 110, 70}},
      {"corner: the press shape", 10, wide, {200, 50}, {{300, 50}, {250, 90}}, {0, 0, 250, 62}},
      {"corner there and back", 10, wide, {200, 50}, {{300, 50}, {200, 50}}, wide},
      {"no zone: nothing moves", 0, wide, {20, 20}, {{90, 90}}, wide},
      {"no move at all", 16, wide, {20, 20}, {}, wide},
      // A travel beyond 32 bits saturates instead of wrapping backwards.
      {"end to end", 16, small, {INT32_MIN, 0}, {{INT32_MAX, 0}}, {INT32_MAX, 0, INT32_MAX, 10}},
  };
  for (const Case& c : cases) {
    DragState drag;
    drag.DragMode = c.mode;
    drag.press(c.pressAt.x, c.pressAt.y, c.item);
    for (const Point& p : c.moves) EXPECT_TRUE(drag.moveTo(p.x, p.y)) << c.what;
    EXPECT_EQ(drag.DragRect, c.expected) << c.what;
    EXPECT_EQ(drag.PressRect, c.item) << c.what;
    const Point last = c.moves.empty() ? c.pressAt : c.moves.back();
    EXPECT_EQ(drag.LastX, last.x) << c.what;
    EXPECT_EQ(drag.LastY, last.y) << c.what;
    EXPECT_EQ(drag.DragMode, c.mode) << c.what;
  }
}

TEST(DragState, OnlyAnArmedDragMovesAndReleasesOnce) {
  DragState idle;
  idle.DragMode = 16;
  const DragState before = idle;
  EXPECT_FALSE(idle.moveTo(40, 40));
  EXPECT_EQ(idle, before);
  EXPECT_EQ(idle.release(), std::nullopt);

  DragState drag;
  drag.DragMode = 16;
  drag.press(5, 5, {0, 0, 20, 20});
  ASSERT_TRUE(drag.moveTo(15, 25));
  EXPECT_EQ(drag.release(), (Rect{10, 20, 30, 40}));
  EXPECT_FALSE(drag.Dragging);
  // After the release the pointer only hovers.
  EXPECT_FALSE(drag.moveTo(90, 90));
  EXPECT_EQ(drag.DragRect, (Rect{10, 20, 30, 40}));
  EXPECT_EQ(drag.release(), std::nullopt);
}

TEST(DragState, ACancelledDragHandsNothingBack) {
  DragState drag;
  drag.DragMode = 2;
  drag.press(20, 10, {0, 0, 20, 20});
  ASSERT_TRUE(drag.moveTo(60, 10));
  drag.cancel();
  EXPECT_FALSE(drag.moveTo(80, 10));
  EXPECT_EQ(drag.release(), std::nullopt);
  // The zone stays for the next press.
  EXPECT_EQ(drag.DragMode, 2);
}

}  // namespace
}  // namespace glyphon
