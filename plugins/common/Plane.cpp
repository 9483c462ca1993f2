#include "Plane.h"

#include <sys/mman.h>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif
#include <algorithm>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

namespace glyphon_styles {

namespace {

thread_local PlaneMemory* t_memory = nullptr;

// Buffers from this size on get memory of their own, in whole huge pages.
constexpr size_t kHugePage = size_t(2) << 20;
constexpr size_t kLargeFrom = size_t(128) << 10;

size_t largeSize(size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

void* allocateLarge(size_t bytes) {
  if (bytes < kLargeFrom) return ::operator new(bytes);
  const size_t size = largeSize(bytes);
  // Mapped with a huge page's room to spare, then cut to a huge page's
  // alignment, so that the kernel can back it with huge pages.
  void* mapped =
      mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  const uintptr_t start = reinterpret_cast<uintptr_t>(mapped);
  const uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
  if (aligned > start) munmap(mapped, aligned - start);
  const uintptr_t end = start + size + kHugePage;
  if (end > aligned + size) munmap(reinterpret_cast<void*>(aligned + size), end - (aligned + size));
  void* memory = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
  madvise(memory, size, MADV_HUGEPAGE);
#endif
  return memory;
}

void releaseLarge(void* memory, size_t bytes) noexcept {
  if (memory == nullptr) return;
  if (bytes < kLargeFrom) {
    ::operator delete(memory);
    return;
  }
  munmap(memory, largeSize(bytes));
}

PlaneMemory::PlaneMemory() : m_previous(t_memory) { t_memory = this; }

PlaneMemory::~PlaneMemory() { t_memory = m_previous; }

PlaneMemory* PlaneMemory::current() { return t_memory; }

Values PlaneMemory::take(size_t n, bool* zeros) {
  if (zeros) *zeros = false;
  // The smallest buffer that holds n values, so that a small plane does not
  // use up a large buffer that the next large plane then misses.
  size_t best = m_free.size();
  for (size_t i = 0; i < m_free.size(); ++i)
    if (m_free[i].capacity() >= n &&
        (best == m_free.size() || m_free[i].capacity() < m_free[best].capacity()))
      best = i;
  if (best < m_free.size()) {
    Values buffer = std::move(m_free[best]);
    m_free.erase(m_free.begin() + ptrdiff_t(best));
    buffer.resize(n);
    return buffer;
  }
  Values buffer;
  buffer.reserve(n);
  buffer.resize(n);
  // Large buffers are mapped afresh, and the system hands out mapped memory
  // zeroed.
  if (zeros) *zeros = n * sizeof(float) >= kLargeFrom;
  return buffer;
}

void PlaneMemory::give(Values&& buffer) {
  if (buffer.capacity() > 0) m_free.push_back(std::move(buffer));
}

Plane::Plane(int width, int height) : m_width(width), m_height(height) {
  const size_t n = size_t(width) * size_t(height);
  if (PlaneMemory* memory = PlaneMemory::current()) {
    bool zeros = false;
    m_values = memory->take(n, &zeros);
    if (!zeros) std::fill(m_values.begin(), m_values.end(), 0.0f);
  } else {
    m_values.assign(n, 0.0f);
  }
}

Plane::Plane(int width, int height, Unset) : m_width(width), m_height(height) {
  const size_t n = size_t(width) * size_t(height);
  if (PlaneMemory* memory = PlaneMemory::current())
    m_values = memory->take(n);
  else
    m_values.resize(n);
}

Plane::Plane(const Plane& other) : m_width(other.m_width), m_height(other.m_height) {
  if (PlaneMemory* memory = PlaneMemory::current()) {
    m_values = memory->take(other.m_values.size());
    std::copy(other.m_values.begin(), other.m_values.end(), m_values.begin());
  } else {
    m_values = other.m_values;
  }
}

Plane& Plane::operator=(const Plane& other) {
  if (this != &other) {
    Plane copy(other);
    *this = std::move(copy);
  }
  return *this;
}

Plane& Plane::operator=(Plane&& other) noexcept {
  if (this != &other) {
    release();
    m_width = other.m_width;
    m_height = other.m_height;
    m_values = std::move(other.m_values);
    other.m_width = other.m_height = 0;
  }
  return *this;
}

Plane::~Plane() { release(); }

void Plane::release() {
  if (PlaneMemory* memory = PlaneMemory::current()) memory->give(std::move(m_values));
  m_values = Values();
}

namespace {

// One step of a box blur over lanes interleaved lines: the sums take in the
// values entering the box (if any), give back those leaving it (if any) and
// hand out their averages.
template <int Lanes, bool Enter, bool Leave>
[[gnu::always_inline]] inline void boxStep(const float* __restrict entering,
                                           const float* __restrict leaving, double* __restrict sum,
                                           float* __restrict out, int lanes, float scale) {
  if constexpr (Lanes > 0) lanes = Lanes;
  for (int k = 0; k < lanes; ++k) {
    double s = sum[k];
    if constexpr (Enter) s += double(entering[k]);
    if constexpr (Leave) s -= double(leaving[k]);
    sum[k] = s;
    out[k] = float(s) * scale;
  }
}

// One box blur of radius r along n steps of lanes independent lines that lie
// interleaved: value i of lane k is at [i * stride + k]. Reading and writing
// whole steps at a time lets the lanes' sums be worked on side by side,
// while each lane's sum sees the same additions in the same order as if it
// were blurred alone. The sums are kept in doubles so that they do not drift
// along a long line; values outside count 0. Lanes, when not 0, is lanes
// known when compiling.
template <int Lanes>
[[gnu::always_inline]] inline void boxLanes(const float* from, float* to, int n, int lanes,
                                            ptrdiff_t stride, int r, std::vector<double>& sums) {
  if constexpr (Lanes > 0) lanes = Lanes;
  const float scale = 1.0f / float(2 * r + 1);
  // Lanes known when compiling keep their sums where the compiler can hold
  // them in registers.
  double fixed[Lanes > 0 ? Lanes : 1] = {};
  if constexpr (Lanes == 0) sums.assign(size_t(lanes), 0.0);
  double* sum = Lanes > 0 ? fixed : sums.data();
  const auto step = [&](int i) { return from + ptrdiff_t(i) * stride; };
  for (int i = 0; i < std::min(r, n); ++i) {
    const float* in = step(i);
    for (int k = 0; k < lanes; ++k) sum[k] += double(in[k]);
  }
  for (int i = 0; i < n; ++i) {
    const bool enter = i + r < n, leave = i - r - 1 >= 0;
    const float* entering = enter ? step(i + r) : nullptr;
    const float* leaving = leave ? step(i - r - 1) : nullptr;
    float* out = to + ptrdiff_t(i) * stride;
    if (enter && leave)
      boxStep<Lanes, true, true>(entering, leaving, sum, out, lanes, scale);
    else if (enter)
      boxStep<Lanes, true, false>(entering, leaving, sum, out, lanes, scale);
    else if (leave)
      boxStep<Lanes, false, true>(entering, leaving, sum, out, lanes, scale);
    else
      boxStep<Lanes, false, false>(entering, leaving, sum, out, lanes, scale);
  }
}

// The blur's passes are compiled a second time for processors with AVX2,
// which add four doubles at once instead of two, and the loader picks the
// version the processor runs. Additions, subtractions and conversions of
// single values give the same results at any width, so the pixels do not
// depend on the processor.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define GLYPHON_STYLES_WIDE_DOUBLES [[gnu::target_clones("avx2", "default")]]
#else
#define GLYPHON_STYLES_WIDE_DOUBLES
#endif

// Rows blurred this many at a time, laid side by side: eight rows of a wide
// plane fit in the processor's cache together with their blurred copy.
constexpr int kRowsAtOnce = 8;

// Three box blurs of radius r along rows rows of n values, lying side by
// side in a (value i of row k at [i * rows + k]); the result ends in b.
GLYPHON_STYLES_WIDE_DOUBLES
void blurSideBySide(float* a, float* b, int n, int rows, int r, std::vector<double>& sums) {
  if (rows == kRowsAtOnce) {
    boxLanes<kRowsAtOnce>(a, b, n, rows, rows, r, sums);
    boxLanes<kRowsAtOnce>(b, a, n, rows, rows, r, sums);
    boxLanes<kRowsAtOnce>(a, b, n, rows, rows, r, sums);
  } else {
    boxLanes<0>(a, b, n, rows, rows, r, sums);
    boxLanes<0>(b, a, n, rows, rows, r, sums);
    boxLanes<0>(a, b, n, rows, rows, r, sums);
  }
}

// Three box blurs of radius r down columns x0 .. x1 - 1, from p into other,
// back and into other again: the rows themselves are the steps, one lane a
// column. Columns are blurred apart from each other.
GLYPHON_STYLES_WIDE_DOUBLES
void blurColumns(Plane& p, Plane& other, int r, int x0, int x1, std::vector<double>& sums) {
  const int h = p.height(), lanes = x1 - x0;
  const ptrdiff_t stride = p.width();
  boxLanes<0>(p.row(0) + x0, other.row(0) + x0, h, lanes, stride, r, sums);
  boxLanes<0>(other.row(0) + x0, p.row(0) + x0, h, lanes, stride, r, sums);
  boxLanes<0>(p.row(0) + x0, other.row(0) + x0, h, lanes, stride, r, sums);
}

// Lays rows y0 .. y0 + rows - 1 of p side by side into to: value x of row
// y0 + k goes to to[x * rows + k]. Rows, when not 0, is rows known when
// compiling.
template <int Rows>
void interleave(const Plane& p, int y0, float* to, int rows) {
  if constexpr (Rows > 0) rows = Rows;
  const int w = p.width();
  for (int k = 0; k < rows; ++k) {
    const float* row = p.row(y0 + k);
    float* out = to + k;
    for (int x = 0; x < w; ++x, out += rows) *out = row[x];
  }
}

// The inverse of interleave.
template <int Rows>
void deinterleave(const float* from, Plane& p, int y0, int rows) {
  if constexpr (Rows > 0) rows = Rows;
  const int w = p.width();
  for (int k = 0; k < rows; ++k) {
    float* row = p.row(y0 + k);
    const float* in = from + k;
    for (int x = 0; x < w; ++x, in += rows) row[x] = *in;
  }
}

// p blurred at full resolution: three box blurs along the rows, eight rows
// at a time, then three down the columns, all columns at once. (On two
// threads, rows by groups and columns by halves, a blur took longer by the
// clock on a busy machine: each thread waits at the end for the other to be
// given a processor again.)
Plane blurredFine(Plane p, int radius) {
  const int w = p.width(), h = p.height();
  std::vector<double> sums;
  std::vector<float> a(size_t(w) * kRowsAtOnce), b(a.size());
  for (int y0 = 0; y0 < h; y0 += kRowsAtOnce) {
    const int rows = std::min(kRowsAtOnce, h - y0);
    if (rows == kRowsAtOnce) {
      interleave<kRowsAtOnce>(p, y0, a.data(), rows);
    } else {
      interleave<0>(p, y0, a.data(), rows);
    }
    blurSideBySide(a.data(), b.data(), w, rows, radius, sums);
    if (rows == kRowsAtOnce) {
      deinterleave<kRowsAtOnce>(b.data(), p, y0, rows);
    } else {
      deinterleave<0>(b.data(), p, y0, rows);
    }
  }
  Plane other(w, h, Plane::Unset{});
  blurColumns(p, other, radius, 0, w, sums);
  return other;
}

// Adds each run of Factor values of in to its block's sum in o, for the
// blocks whole within the row (Factor known when compiling, so that the
// loop vectorises); returns how many values it took.
template <int Factor>
int addBlocks(const float* in, float* o, int width) {
  const int whole = width / Factor;
  for (int x = 0; x < whole; ++x) {
    float sum = o[x];
    for (int j = 0; j < Factor; ++j) sum += in[x * Factor + j];
    o[x] = sum;
  }
  return whole * Factor;
}

// The average of each factor x factor block of p (blocks cut off at the
// edges average what they hold). Each block adds its values row by row,
// from left to right.
Plane shrunk(const Plane& p, int factor) {
  const int pw = p.width(), ph = p.height();
  const int w = (pw + factor - 1) / factor, h = (ph + factor - 1) / factor;
  Plane out(w, h);
  for (int y = 0; y < ph; ++y) {
    const float* in = p.row(y);
    float* o = out.row(y / factor);
    const int done = factor == 2   ? addBlocks<2>(in, o, pw)
                     : factor == 4 ? addBlocks<4>(in, o, pw)
                                   : 0;
    for (int x = done; x < pw; ++x) o[x / factor] += in[x];
  }
  for (int y = 0; y < h; ++y) {
    const int rows = std::min(factor, ph - y * factor);
    float* o = out.row(y);
    const int whole = pw / factor;
    const float full = float(rows * factor);
    for (int x = 0; x < whole; ++x) o[x] /= full;
    for (int x = whole; x < w; ++x) o[x] /= float(rows * std::min(factor, pw - x * factor));
  }
  return out;
}

// small stretched back over a width x height plane, bilinear: the inverse of
// shrunk. Each pixel is interpolated along its row of small first, then
// between the two rows; the rows along which several pixel rows lie between
// the same two rows of small are interpolated once for all of them.
Plane enlarged(const Plane& small, int factor, int width, int height) {
  Plane out(width, height, Plane::Unset{});
  const int sw = small.width(), sh = small.height();
  // Where each column falls among the small plane's pixel centres.
  std::vector<int> x0s(static_cast<size_t>(width)), x1s(x0s.size());
  std::vector<float> fxs(static_cast<size_t>(width));
  for (int x = 0; x < width; ++x) {
    const float sx = std::clamp((float(x) + 0.5f) / float(factor) - 0.5f, 0.0f, float(sw - 1));
    x0s[size_t(x)] = std::min(int(sx), sw - 1);
    x1s[size_t(x)] = std::min(x0s[size_t(x)] + 1, sw - 1);
    fxs[size_t(x)] = sx - float(x0s[size_t(x)]);
  }
  std::vector<float> tops(static_cast<size_t>(width)), bottoms(tops.size());
  int lastY0 = -1, lastY1 = -1;
  for (int y = 0; y < height; ++y) {
    const float sy = std::clamp((float(y) + 0.5f) / float(factor) - 0.5f, 0.0f, float(sh - 1));
    const int y0 = std::min(int(sy), sh - 1), y1 = std::min(y0 + 1, sh - 1);
    const float fy = sy - float(y0);
    if (y0 != lastY0 || y1 != lastY1) {
      const float* a = small.row(y0);
      const float* b = small.row(y1);
      for (size_t x = 0; x < size_t(width); ++x) {
        const int x0 = x0s[x], x1 = x1s[x];
        const float fx = fxs[x];
        tops[x] = a[x0] + (a[x1] - a[x0]) * fx;
        bottoms[x] = b[x0] + (b[x1] - b[x0]) * fx;
      }
      lastY0 = y0, lastY1 = y1;
    }
    const float* top = tops.data();
    const float* bottom = bottoms.data();
    float* o = out.row(y);
    for (int x = 0; x < width; ++x) o[x] = top[x] + (bottom[x] - top[x]) * fy;
  }
  return out;
}

}  // namespace

Plane blurred(Plane p, int radius) {
  if (radius <= 0 || p.width() == 0 || p.height() == 0) return p;
  // A wide blur keeps no fine detail, so it runs on a smaller copy: a
  // quarter or a sixteenth of the pixels.
  const int factor = radius >= 8 ? 4 : radius >= 4 ? 2 : 1;
  if (factor == 1 || p.width() < 4 * factor || p.height() < 4 * factor)
    return blurredFine(std::move(p), radius);
  const Plane small = blurredFine(shrunk(p, factor), std::max(1, (radius + factor / 2) / factor));
  return enlarged(small, factor, p.width(), p.height());
}

Plane shifted(Plane p, int dx, int dy) {
  const int w = p.width(), h = p.height();
  if (dx == 0 && dy == 0) return p;
  // Rows are visited so that each is read before it is written over.
  const int x0 = std::max(0, dx), x1 = std::min(w, w + dx);
  auto moveRow = [&](int y) {
    float* dst = p.row(y);
    const int sy = y - dy;
    if (sy < 0 || sy >= h || x0 >= x1) {
      std::fill_n(dst, w, 0.0f);
      return;
    }
    const float* src = p.row(sy);
    std::memmove(dst + x0, src + (x0 - dx), size_t(x1 - x0) * sizeof(float));
    std::fill(dst, dst + x0, 0.0f);
    std::fill(dst + x1, dst + w, 0.0f);
  };
  if (dy > 0) {
    for (int y = h - 1; y >= 0; --y) moveRow(y);
  } else {
    for (int y = 0; y < h; ++y) moveRow(y);
  }
  return p;
}

namespace {

// std::clamp(v, 0, 1) written as the maximum and minimum the processor has
// instructions for, so that loops over whole planes vectorise; the same
// result for every value, NaN and -0 included.
[[nodiscard]] inline float clamp01(float v) { return std::min(std::max(v, 0.0f), 1.0f); }

}  // namespace

// The loops below work on raw pointers and sizes read once, the form the
// compiler vectorises.

Plane maxOf(Plane a, const Plane& b) {
  float* o = a.values().data();
  const float* v = b.values().data();
  const size_t n = a.values().size();
  for (size_t i = 0; i < n; ++i) o[i] = std::max(o[i], v[i]);
  return a;
}

Plane minus(Plane a, const Plane& b) {
  float* o = a.values().data();
  const float* v = b.values().data();
  const size_t n = a.values().size();
  for (size_t i = 0; i < n; ++i) o[i] *= 1.0f - std::min(1.0f, v[i]);
  return a;
}

Plane times(Plane a, const Plane& b) {
  float* o = a.values().data();
  const float* v = b.values().data();
  const size_t n = a.values().size();
  for (size_t i = 0; i < n; ++i) o[i] *= v[i];
  return a;
}

Plane scaled(Plane a, float factor) {
  float* o = a.values().data();
  const size_t n = a.values().size();
  for (size_t i = 0; i < n; ++i) o[i] *= factor;
  return a;
}

namespace {

// Paints n values of c through the coverage a: with shades[i] where shades
// is not null, with value elsewhere. The coverage is clamped to [0, 1] as
// clamp01 does; with SSE, four values at a time by the processor's minimum
// and maximum, whose choice between equal zeros and with NaN matches
// std::min and std::max given the operands in this order.
void paintValues(float* c, const float* a, const float* shades, float value, size_t n) {
  size_t i = 0;
#if defined(__SSE__)
  const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f), same = _mm_set1_ps(value);
  for (; i + 4 <= n; i += 4) {
    const __m128 k = _mm_min_ps(one, _mm_max_ps(zero, _mm_loadu_ps(a + i)));
    const __m128 s = shades != nullptr ? _mm_loadu_ps(shades + i) : same;
    const __m128 kept = _mm_mul_ps(_mm_loadu_ps(c + i), _mm_sub_ps(one, k));
    _mm_storeu_ps(c + i, _mm_add_ps(kept, _mm_mul_ps(s, k)));
  }
#endif
  for (; i < n; ++i) {
    const float k = clamp01(a[i]);
    c[i] = c[i] * (1.0f - k) + (shades != nullptr ? shades[i] : value) * k;
  }
}

}  // namespace

void paint(Plane& canvas, const Plane& coverage, float value) {
  paintValues(canvas.values().data(), coverage.values().data(), nullptr, value,
              canvas.values().size());
}

void paint(Plane& canvas, const Plane& coverage, const Plane& shades) {
  paintValues(canvas.values().data(), coverage.values().data(), shades.values().data(), 0.0f,
              canvas.values().size());
}

void paint(Plane& canvas, const Plane& coverage, const RowValues& shades) {
  for (int y = 0; y < canvas.height(); ++y)
    paintValues(canvas.row(y), coverage.row(y), nullptr, shades[size_t(y)], size_t(canvas.width()));
}

Plane minus(Plane a, const RowValues& b) {
  const int w = a.width();
  for (int y = 0; y < a.height(); ++y) {
    const float keep = 1.0f - std::min(1.0f, b[size_t(y)]);
    float* row = a.row(y);
    for (int x = 0; x < w; ++x) row[x] *= keep;
  }
  return a;
}

Plane addClamped(Plane a, const RowValues& rowShades, float low, float high) {
  const int w = a.width();
  for (int y = 0; y < a.height(); ++y) {
    const float shade = rowShades[size_t(y)];
    float* row = a.row(y);
    // std::clamp's result, as a maximum and a minimum (low <= high).
    for (int x = 0; x < w; ++x) row[x] = std::min(std::max(row[x] + shade, low), high);
  }
  return a;
}

Plane relief(const Plane& height, float lightX, float lightY, float strength) {
  const int w = height.width(), h = height.height();
  const float length = std::sqrt(lightX * lightX + lightY * lightY);
  const float lx = length > 0 ? lightX / length : 0.0f;
  const float ly = length > 0 ? lightY / length : 0.0f;
  Plane out(w, h, Plane::Unset{});
  // Outside the plane counts 0: a row of zeros stands above the first row
  // and below the last.
  const std::vector<float> zeros(static_cast<size_t>(w), 0.0f);
  // The slope rises toward the inside; a slope whose rise points along the
  // light's way faces the light.
  const auto slope = [&](float left, float right, float up, float down) {
    return ((right - left) * lx + (down - up) * ly) * 0.5f * strength;
  };
  for (int y = 0; y < h; ++y) {
    const float* above = y > 0 ? height.row(y - 1) : zeros.data();
    const float* here = height.row(y);
    const float* below = y + 1 < h ? height.row(y + 1) : zeros.data();
    float* o = out.row(y);
    if (w == 1) {
      o[0] = slope(0.0f, 0.0f, above[0], below[0]);
      continue;
    }
    o[0] = slope(0.0f, here[1], above[0], below[0]);
    for (int x = 1; x + 1 < w; ++x) o[x] = slope(here[x - 1], here[x + 1], above[x], below[x]);
    o[w - 1] = slope(here[w - 2], 0.0f, above[w - 1], below[w - 1]);
  }
  return out;
}

}  // namespace glyphon_styles
