// Building blocks of the sample styles' looks, made from the plane
// operations: shadows, trails, shades that follow the line of text, dots.
#pragma once

#include <functional>

#include "Plane.h"
#include "TextScene.h"

namespace glyphon_styles {

// Paints a soft shadow of shape, moved by (dx, dy) and blurred by radius,
// in shade (a low shade: shadows are dark and see-through).
void dropShadow(Plane& canvas, Plane shape, int dx, int dy, int radius, float shade);

// The trail that shape leaves when moved by (stepX, stepY) pixels, each of
// stepX, stepY -1, 0 or 1, up to length steps: the largest coverage among
// the shape and its length moved copies. Shape itself included.
[[nodiscard]] Plane trail(Plane shape, int stepX, int stepY, int length);

// A trail that fades: each step away from the shape keeps fade (below 1) of
// the coverage of the step before; it ends where it has faded away.
[[nodiscard]] Plane fadingTrail(Plane shape, int stepX, int stepY, float fade);

// A value for each row, f(t), where t is the row's position in its line of
// text (0 at the capitals' height, 1 on the baseline).
[[nodiscard]] RowValues byRow(const TextScene& scene, const std::function<float(float)>& f);

// Adds b to a, pixel by pixel, and keeps the sums within [low, high].
[[nodiscard]] Plane addClamped(Plane a, const Plane& b, float low, float high);

// The shade of a raised face: the base shade of each row, lit from the
// direction (lightX, lightY) over the face's edges softened by radius (see
// relief), kept within [low, high].
[[nodiscard]] Plane litFace(const Plane& face, int radius, float lightX, float lightY,
                            float strength, const RowValues& base, float low, float high);

// Dots on a square grid of cell pixels, turned by 45 degrees; a dot's radius
// is radius[y] pixels for the row y of its centre. Coverage.
[[nodiscard]] Plane halftone(int width, int height, float cell, const RowValues& radius);

// ink printed in those dots: times(ink, halftone(...)) with the dots worked
// out only where there is ink.
[[nodiscard]] Plane halftoned(Plane ink, float cell, const RowValues& radius);

// Linear interpolation from a to b by f in [0, 1].
[[nodiscard]] inline float mix(float a, float b, float f) { return a + (b - a) * f; }

// 0 below edge0, 1 above edge1, smooth in between.
[[nodiscard]] float smoothStep(float edge0, float edge1, float x);

}  // namespace glyphon_styles
