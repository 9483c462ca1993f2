#include "engine/core/ViewMapping.h"

#include <gtest/gtest.h>

#include <cmath>

namespace glyphon {
namespace {

TEST(ViewMapping, LayoutCentresTheScaledCanvas) {
  struct Case {
    int64_t canvasW, canvasH, clientW, clientH, extent;
    Rect placement;
    int32_t imageW, imageH;
  };
  const Case cases[] = {
      {101, 51, 300, 200, 16, {91, 66, 192, 117}, 284, 184},  // odd differences
      {100, 50, 300, 200, 17, {91, 66, 191, 116}, 283, 183},
      {500, 400, 300, 200, 17, {0, 0, 500, 400}, 500, 400},  // larger than the view
      {500, 50, 300, 200, 17, {0, 66, 500, 116}, 500, 183},
      {7, 5, 0, 0, 17, {0, 0, 7, 5}, 7, 5},  // no view yet
      {0, 5, 300, 200, 17, {}, 0, 0},        // no canvas
  };
  for (const Case& c : cases) {
    const ScreenLayout layout = layoutScreen(c.canvasW, c.canvasH, c.clientW, c.clientH, c.extent);
    EXPECT_EQ(layout.Placement, c.placement) << c.canvasW << "x" << c.canvasH;
    EXPECT_EQ(layout.Width, c.imageW);
    EXPECT_EQ(layout.Height, c.imageH);
  }
}

TEST(ViewMapping, ActualSizeIsAPlainShift) {
  const ViewMapping m(200, 100, {30, 20, 230, 120});
  EXPECT_TRUE(m.isActualSize());
  EXPECT_DOUBLE_EQ(m.zoom(), 1.0);
  for (const int64_t v : {-500, -31, -30, -1, 0, 1, 199, 200, 5000}) {
    EXPECT_EQ(m.toScreenX(v), v + 30);
    EXPECT_EQ(m.toScreenY(v), v + 20);
    EXPECT_EQ(m.toCanvasX(v), v - 30);
    EXPECT_EQ(m.toCanvasY(v), v - 20);
  }
  EXPECT_EQ(m.toScreen({-5, 0, 40, 50}), (Rect{25, 20, 70, 70}));
  EXPECT_EQ(m.toCanvas({25, 20, 70, 70}), (Rect{-5, 0, 40, 50}));
}

TEST(ViewMapping, ScaledPixelsCoverTheirScreenPixelsExactly) {
  // Zooms in and out, with sides that do not divide evenly.
  struct Case {
    int32_t canvas;
    int32_t scaled;
  };
  for (const Case c : {Case{7, 17}, Case{100, 25}, Case{101, 26}, Case{3, 48}, Case{6000, 299}}) {
    const ViewMapping m(c.canvas, c.canvas, {-13, 5, -13 + c.scaled, 5 + c.scaled});
    // Every screen column shows the canvas pixel whose span holds it, also
    // beyond the canvas on both sides.
    for (int64_t X = -13 - 2 * c.scaled; X < -13 + 3 * c.scaled; ++X) {
      const int64_t x = m.toCanvasX(X);
      ASSERT_LE(m.toScreenX(x), X) << c.canvas << "->" << c.scaled << " at " << X;
      ASSERT_GT(m.toScreenX(x + 1), X) << c.canvas << "->" << c.scaled << " at " << X;
    }
    EXPECT_EQ(m.toScreenX(0), -13);
    EXPECT_EQ(m.toScreenX(c.canvas), -13 + c.scaled);
    // The last column shows the canvas, the next ones and the margin on the
    // left lie outside it.
    EXPECT_LT(m.toCanvasX(-13 + c.scaled - 1), c.canvas);
    EXPECT_GE(m.toCanvasX(-13 + c.scaled), c.canvas);
    EXPECT_EQ(m.toCanvasX(-13), 0);
    EXPECT_LT(m.toCanvasX(-14), 0);
  }
}

TEST(ViewMapping, ScreenRectanglesMapToTheCanvasPixelsCoveringThem) {
  const ViewMapping quarter(400, 400, {0, 0, 100, 100});
  EXPECT_EQ(quarter.toCanvas({10, 10, 11, 11}), (Rect{40, 40, 44, 44}));
  EXPECT_EQ(quarter.toScreen({40, 40, 44, 44}), (Rect{10, 10, 11, 11}));
  EXPECT_EQ(quarter.toScreen({41, 41, 43, 43}), (Rect{11, 11, 11, 11}));  // within one pixel
  const ViewMapping fourTimes(100, 100, {10, 0, 410, 400});
  EXPECT_EQ(fourTimes.toCanvas({13, 1, 16, 2}), (Rect{0, 0, 2, 1}));
  EXPECT_EQ(fourTimes.toScreen({0, 0, 2, 1}), (Rect{10, 0, 18, 4}));
  EXPECT_EQ(fourTimes.toCanvas({}), (Rect{}));
  // Edges of damaged items far out saturate instead of wrapping.
  const Rect far = fourTimes.toScreen({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
  EXPECT_EQ(far, (Rect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}));
}

TEST(ViewMapping, ZoomStepsClimbTheLadderAndStopAtItsEnds) {
  struct Case {
    double from, in, out;
  };
  const Case cases[] = {
      {1.0, 1.5, 2.0 / 3.0},  {0.05, 0.10, 0.05},          {16.0, 16.0, 12.0},
      {0.3, 1.0 / 3.0, 0.25}, {1.0000001, 1.5, 2.0 / 3.0}, {0.5, 2.0 / 3.0, 1.0 / 3.0},
      {7.0, 8.0, 6.0},        {100.0, 16.0, 16.0},         {0.01, 0.05, 0.05},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(zoomInStep(c.from), c.in) << c.from;
    EXPECT_DOUBLE_EQ(zoomOutStep(c.from), c.out) << c.from;
  }
  EXPECT_DOUBLE_EQ(clampZoom(0.001), kMinZoom);
  EXPECT_DOUBLE_EQ(clampZoom(40), kMaxZoom);
  EXPECT_DOUBLE_EQ(clampZoom(std::nan("")), 1.0);
}

TEST(ViewMapping, FitKeepsTheWholeCanvasInsideTheSpace) {
  struct Case {
    int32_t canvasW, canvasH;
    int64_t availW, availH;
    int64_t scaledW, scaledH;
  };
  const Case cases[] = {
      {6000, 4000, 1000, 700, 1000, 667},  // a photo, fitted by its width
      {4000, 6000, 1000, 700, 467, 700},   // upright, by its height
      {333, 777, 101, 97, 42, 97},         // rounding must not overflow
      {100, 50, 1000, 1000, 1000, 500},    // a small one is enlarged
      {10, 5, 1000, 1000, 160, 80},        // up to 1600 %
      {60000, 100, 900, 900, 3000, 5},     // at least 5 %, even when it does not fit
  };
  for (const Case& c : cases) {
    const double zoom = fitZoom(c.canvasW, c.canvasH, c.availW, c.availH);
    EXPECT_EQ(scaledSide(c.canvasW, zoom), c.scaledW) << c.canvasW << "x" << c.canvasH;
    EXPECT_EQ(scaledSide(c.canvasH, zoom), c.scaledH) << c.canvasW << "x" << c.canvasH;
  }
  EXPECT_DOUBLE_EQ(fitZoom(0, 10, 100, 100), 1.0);
  EXPECT_EQ(scaledSide(0, 2.0), 0);
  EXPECT_EQ(scaledSide(3, 0.05), 1);  // never thinner than a pixel
}

}  // namespace
}  // namespace glyphon
