#include "Looks.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace glyphon_styles {

void dropShadow(Plane& canvas, Plane shape, int dx, int dy, int radius, float shade) {
  paint(canvas, blurred(shifted(std::move(shape), dx, dy), radius), shade);
}

Plane trail(Plane shape, int stepX, int stepY, int length) {
  // The copies moved by 0 to k steps, for k doubling: each round adds the
  // trail so far moved by its own length.
  int covered = 0;
  while (covered < length) {
    const int step = std::min(covered + 1, length - covered);
    Plane moved = shifted(shape, stepX * step, stepY * step);
    shape = maxOf(std::move(shape), moved);
    covered += step;
  }
  return shape;
}

Plane fadingTrail(Plane shape, int stepX, int stepY, float fade) {
  const int w = shape.width(), h = shape.height();
  if (stepY == 0) {
    // Along each row, in the direction of the step.
    if (stepX == 0) return shape;
    for (int y = 0; y < h; ++y) {
      float* row = shape.row(y);
      if (stepX > 0)
        for (int x = 1; x < w; ++x) row[x] = std::max(row[x], row[x - 1] * fade);
      else
        for (int x = w - 2; x >= 0; --x) row[x] = std::max(row[x], row[x + 1] * fade);
    }
    return shape;
  }
  // Row after row in the direction of the step, each taking the faded row
  // one step behind it.
  const int yBegin = stepY > 0 ? 1 : h - 2, yEnd = stepY > 0 ? h : -1;
  for (int y = yBegin; y != yEnd; y += stepY) {
    const float* behind = shape.row(y - stepY);
    float* row = shape.row(y);
    const int x0 = std::max(0, stepX), x1 = std::min(w, w + stepX);
    for (int x = x0; x < x1; ++x) row[x] = std::max(row[x], behind[x - stepX] * fade);
  }
  return shape;
}

RowValues byRow(const TextScene& scene, const std::function<float(float)>& f) {
  RowValues out(scene.rowPosition().size());
  for (size_t y = 0; y < out.size(); ++y) out[y] = f(scene.rowPosition()[y]);
  return out;
}

Plane addClamped(Plane a, const Plane& b, float low, float high) {
  // std::clamp's result, as a maximum and a minimum over raw pointers, the
  // form the compiler vectorises (low <= high).
  float* o = a.values().data();
  const float* v = b.values().data();
  const size_t n = a.values().size();
  for (size_t i = 0; i < n; ++i) o[i] = std::min(std::max(o[i] + v[i], low), high);
  return a;
}

Plane litFace(const Plane& face, int radius, float lightX, float lightY, float strength,
              const RowValues& base, float low, float high) {
  return addClamped(relief(blurred(face, radius), lightX, lightY, strength), base, low, high);
}

namespace {

// The coverage of the dots of halftone() at pixel (x, y).
struct Dots {
  float cell;
  const RowValues& radius;
  int height;
  float root2 = std::sqrt(2.0f);
  float half = cell / 2;

  [[nodiscard]] float at(int x, int y) const {
    // Coordinates along the grid's diagonals, and the nearest dot centre.
    const float u = (float(x) + float(y)) / root2;
    const float v = (float(x) - float(y)) / root2;
    const float cu = std::floor(u / cell) * cell + half;
    const float cv = std::floor(v / cell) * cell + half;
    const float du = u - cu, dv = v - cv;
    const int cy = std::clamp(int((cu - cv) / root2 + 0.5f), 0, height - 1);
    const float r = radius[size_t(cy)];
    return std::clamp(r - std::sqrt(du * du + dv * dv) + 0.5f, 0.0f, 1.0f);
  }
};

}  // namespace

Plane halftone(int width, int height, float cell, const RowValues& radius) {
  Plane out(width, height, Plane::Unset{});
  const Dots dots{cell, radius, height};
  for (int y = 0; y < height; ++y) {
    float* row = out.row(y);
    for (int x = 0; x < width; ++x) row[x] = dots.at(x, y);
  }
  return out;
}

Plane halftoned(Plane ink, float cell, const RowValues& radius) {
  // Where there is no ink the product is 0 (or -0, kept as it is): the dots,
  // between 0 and 1, change nothing there.
  const Dots dots{cell, radius, ink.height()};
  for (int y = 0; y < ink.height(); ++y) {
    float* row = ink.row(y);
    for (int x = 0; x < ink.width(); ++x)
      if (row[x] != 0.0f) row[x] *= dots.at(x, y);
  }
  return ink;
}

float smoothStep(float edge0, float edge1, float x) {
  const float f = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
  return f * f * (3 - 2 * f);
}

}  // namespace glyphon_styles
