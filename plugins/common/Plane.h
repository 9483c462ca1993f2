// Grey planes and the few operations the sample styles build their looks
// from: blurring, shifting, and painting one plane over another.
//
// A style paints into a plane of shade values (0 to 255, the grey level a
// rendering hands to the editor) through coverage planes (0 to 1). Painting
// value s through coverage a turns a pixel p into p * (1 - a) + s * a, so
// layers stack like paint. In the finished rendering a shade from 128 up is
// opaque (128 is the item colour itself, 255 white) and a shade below 128 is
// both darker and more transparent; black is nothing at all. Shadows and
// glows are therefore painted in low shades, faces from 128 up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace glyphon_styles {

// Memory for large buffers, taken from the system in huge pages where it
// offers them: planes are megabytes each, and touching fresh memory costs a
// page fault per page, which on some virtual machines costs more than all
// the drawing. Small buffers come from the usual heap.
void* allocateLarge(size_t bytes);
void releaseLarge(void* memory, size_t bytes) noexcept;

template <typename T>
struct LargeAllocator {
  using value_type = T;
  LargeAllocator() = default;
  template <typename U>
  LargeAllocator(const LargeAllocator<U>&) {}
  T* allocate(size_t n) { return static_cast<T*>(allocateLarge(n * sizeof(T))); }
  void deallocate(T* p, size_t n) noexcept { releaseLarge(p, n * sizeof(T)); }
  // Values a vector grows by are left unset (resize(n) does not write n
  // zeros): every user writes them before reading, and writing megabytes of
  // zeros that are then written over costs as much as a plane operation.
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  template <typename U>
  bool operator==(const LargeAllocator<U>&) const {
    return true;
  }
};

using Values = std::vector<float, LargeAllocator<float>>;

// The operations take the plane they change by value and hand it back
// changed, so that a plane nobody needs afterwards (a temporary, or one
// passed with std::move) is worked on in place instead of copied: the planes
// of a long text are megabytes each.
class Plane {
 public:
  Plane() = default;
  // A plane of width x height zeros.
  Plane(int width, int height);
  // A plane of width x height values left unset, for an operation that
  // writes every value before it reads any.
  struct Unset {};
  Plane(int width, int height, Unset);
  Plane(const Plane& other);
  Plane& operator=(const Plane& other);
  Plane(Plane&& other) noexcept = default;
  Plane& operator=(Plane&& other) noexcept;
  ~Plane();

  [[nodiscard]] int width() const { return m_width; }
  [[nodiscard]] int height() const { return m_height; }
  [[nodiscard]] float* row(int y) { return m_values.data() + size_t(y) * size_t(m_width); }
  [[nodiscard]] const float* row(int y) const {
    return m_values.data() + size_t(y) * size_t(m_width);
  }
  [[nodiscard]] float& at(int x, int y) { return row(y)[x]; }
  [[nodiscard]] float at(int x, int y) const { return row(y)[x]; }
  [[nodiscard]] Values& values() { return m_values; }
  [[nodiscard]] const Values& values() const { return m_values; }

 private:
  void release();

  int m_width = 0;
  int m_height = 0;
  Values m_values;
};

// While one lives, the memory of planes that go is kept and handed to the
// planes made next instead of going back to the system: a look makes and
// drops dozens of planes of one size, and fresh memory costs a page fault
// per page. Make one per rendering, on the thread that renders.
class PlaneMemory {
 public:
  PlaneMemory();
  ~PlaneMemory();
  PlaneMemory(const PlaneMemory&) = delete;
  PlaneMemory& operator=(const PlaneMemory&) = delete;

  // The memory of the rendering running on this thread, or null.
  [[nodiscard]] static PlaneMemory* current();
  // A buffer of n values, contents unspecified unless *zeros comes back
  // true: memory fresh from the system holds zeros already.
  [[nodiscard]] Values take(size_t n, bool* zeros = nullptr);
  void give(Values&& buffer);

 private:
  PlaneMemory* m_previous;
  std::vector<Values> m_free;
};

// Values that depend on the row alone: one per row of a scene's planes.
using RowValues = std::vector<float>;

// A soft copy of p: three box blurs of radius r in each direction, close to
// a Gaussian of sigma r. Values beyond the edges count as 0.
[[nodiscard]] Plane blurred(Plane p, int radius);

// p moved by (dx, dy) pixels; what enters from the edges is 0.
[[nodiscard]] Plane shifted(Plane p, int dx, int dy);

// The larger of a and b, pixel by pixel (same size).
[[nodiscard]] Plane maxOf(Plane a, const Plane& b);

// a with b taken out: a * (1 - b), pixel by pixel (same size).
[[nodiscard]] Plane minus(Plane a, const Plane& b);

// a * b, pixel by pixel (same size).
[[nodiscard]] Plane times(Plane a, const Plane& b);

// a scaled by factor.
[[nodiscard]] Plane scaled(Plane a, float factor);

// Paints the shade value through coverage: canvas = canvas * (1 - c) + value * c.
void paint(Plane& canvas, const Plane& coverage, float value);

// Paints per-pixel shades through coverage.
void paint(Plane& canvas, const Plane& coverage, const Plane& shades);

// Paints a shade per row through coverage.
void paint(Plane& canvas, const Plane& coverage, const RowValues& shades);

// a with the rows taken out by b: a * (1 - b[row]).
[[nodiscard]] Plane minus(Plane a, const RowValues& b);

// The shade of each row plus the plane's value, kept within [low, high].
[[nodiscard]] Plane addClamped(Plane a, const RowValues& rowShades, float low, float high);

// Light and shade of a raised surface whose height is height (0 to 1, soft
// at its edges): 0 where it is flat, positive on the slopes that face the
// light coming from (lightX, lightY) (a direction pointing from the light
// into the picture, e.g. (1, 1) for light from the top left), negative on
// the slopes that turn away. strength scales the slope.
[[nodiscard]] Plane relief(const Plane& height, float lightX, float lightY, float strength);

}  // namespace glyphon_styles
