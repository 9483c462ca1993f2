#include "engine/core/Compositor.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define GLYPHON_COMPOSITOR_AVX2 1
#endif

namespace glyphon {
namespace {

// Adding 2^52 + 2^51 to a double in [0, 2^51) leaves round-half-even of it in
// the low bits of the sum (the ulp there is exactly 1); the editor never
// changes the rounding mode.
constexpr double kRoundMagic = 6755399441055744.0;

inline uint8_t roundToByte(double x) {
  const double r = x + kRoundMagic;
  uint64_t bits;
  std::memcpy(&bits, &r, sizeof bits);
  return uint8_t(bits);
}

uint8_t tintChannel(uint32_t k, uint32_t v) {
  if (v <= 127) return uint8_t(2 * k * v / 255);
  return roundToByte(255.0 - (1.0 - k / 255.0) * 2.0 * double(255 - v));
}

using TintTable = std::array<uint8_t, 256>;

TintTable tintTable(uint8_t k) {
  TintTable t;
  for (uint32_t v = 0; v < 256; ++v) t[v] = tintChannel(k, v);
  return t;
}

// The full-coverage blend (1 - a) * t + a * c rounded, indexed t * 256 + c.
// Building it costs about as much as blending 65536 pixels, so the table of
// the last opacity asked for is kept.
const uint8_t* fullBlendTable(int opacity) {
  thread_local int tableOpacity = -1;
  thread_local std::array<uint8_t, 65536> table;
  if (tableOpacity != opacity) {
    const double a = opacity / 100.0;
    for (int t = 0; t < 256; ++t)
      for (int c = 0; c < 256; ++c) table[t * 256 + c] = roundToByte((1 - a) * t + a * c);
    tableOpacity = opacity;
  }
  return table.data();
}

// What one DrawItem call needs for every pixel.
struct ItemTables {
  uint8_t kBlue, kGreen, kRed;  // the colour's bytes
  int opacity;
  TintTable blue, green, red;
  // Partial coverage weights k and 1 - k by coverage m.
  std::array<double, 256> k, k1;
  // Full coverage blend table; null at opacity 100, where the blend is a
  // plain copy: (1 - 1) * t + 1 * c == c.
  const uint8_t* full;

  ItemTables(Color color, int opacity_)
      : kBlue(blueOf(color)),
        kGreen(greenOf(color)),
        kRed(redOf(color)),
        opacity(opacity_),
        blue(tintTable(kBlue)),
        green(tintTable(kGreen)),
        red(tintTable(kRed)),
        full(opacity == 100 ? nullptr : fullBlendTable(opacity)) {
    for (int m = 0; m < 256; ++m) {
      k[m] = (255 - m * opacity / 100.0) / 255.0;
      k1[m] = 1 - k[m];
    }
  }
};

// One clipped row: d points at the first visible target pixel, s at the
// source row, column[i] is the byte offset in s of visible column i.
struct RowJob {
  uint8_t* d;
  const uint8_t* s;
  const int32_t* column;
  size_t count;
  // Columns before this one may be read four bytes at a time: the last
  // pixel of the rendering has no fourth byte after it.
  size_t wideReadEnd;
  // At 1:1 scale the visible columns are consecutive source pixels.
  bool consecutive;
};

// The blend of the formulas, pixel by pixel, for columns [begin, end).
void blendPixels(const RowJob& job, const ItemTables& tb, size_t begin, size_t end) {
  uint8_t* d = job.d + begin * 3;
  for (size_t i = begin; i < end; ++i, d += 3) {
    const uint8_t* p = job.s + job.column[i];
    const uint8_t v = p[2];
    if (v < 5) continue;  // coverage below 10: background
    const uint8_t cb = tb.blue[p[0]], cg = tb.green[p[1]], cr = tb.red[v];
    if (v >= 128) {
      if (!tb.full) {
        d[0] = cb, d[1] = cg, d[2] = cr;
      } else {
        d[0] = tb.full[d[0] * 256 + cb];
        d[1] = tb.full[d[1] * 256 + cg];
        d[2] = tb.full[d[2] * 256 + cr];
      }
      continue;
    }
    const double k = tb.k[2 * v], k1 = tb.k1[2 * v];
    d[0] = roundToByte(d[0] * k + cb * k1);
    d[1] = roundToByte(d[1] * k + cg * k1);
    d[2] = roundToByte(d[2] * k + cr * k1);
  }
}

#ifdef GLYPHON_COMPOSITOR_AVX2

// The vector blend rests on exact integer forms of the formulas, checked
// against them for every input by the tests:
// - tint, v <= 127: 2kv div 255; v >= 128: 255 - (2(255 - k)(255 - v) + 127)
//   div 255 (the rational value is never a half, and the double formula
//   lies within 1e-13 of it);
// - blend: with weight w = m * opacity (w = 255 * opacity at full
//   coverage, 0 below coverage 10), both formulas equal
//   N / 25500 with N = t * (25500 - w) + c * w, an integer below 2^23. A
//   float product N * (1 / 25500) is within 3.1e-5 of N / 25500, whose
//   fraction is a multiple of 1 / 25500 (3.9e-5), so rounding the float
//   rounds the exact value, unless that is an exact half: chunks that come
//   that close to a half are redone with the double formulas.

bool tiesPossible(int opacity) {
  // m * opacity * (c - t) = 12750 (mod 25500) for some coverage m and
  // some channel difference: only then can N / 25500 be an exact half.
  thread_local std::array<int8_t, 101> known = [] {
    std::array<int8_t, 101> a;
    a.fill(-1);
    return a;
  }();
  if (known[opacity] < 0) {
    bool found = false;
    for (int m = 10; m <= 255 && !found; m += (m == 254 ? 1 : 2))
      for (int d = 1; d <= 255 && !found; ++d) found = m * opacity * d % 25500 == 12750;
    known[opacity] = found;
  }
  return known[opacity] != 0;
}

__attribute__((target("avx2"))) inline __m256i div255(__m256i x) {
  return _mm256_srli_epi16(_mm256_mulhi_epu16(x, _mm256_set1_epi16(int16_t(0x8081))), 7);
}

// Tints 16-bit channel values v with the matching colour bytes k. With
// u = 255 - v and j = 255 - k (that is, v ^ 255 and k ^ 255 for bytes), the
// high half of the tint is 255 - (2uj + 127) div 255, so both halves are one
// product, one division and a final flip: q ^ 255 == 255 - q.
__attribute__((target("avx2"))) inline __m256i tint16(__m256i v, __m256i k) {
  const __m256i high = _mm256_cmpgt_epi16(v, _mm256_set1_epi16(127));
  const __m256i flip = _mm256_and_si256(high, _mm256_set1_epi16(255));
  const __m256i product = _mm256_mullo_epi16(_mm256_xor_si256(v, flip), _mm256_xor_si256(k, flip));
  const __m256i x = _mm256_add_epi16(_mm256_add_epi16(product, product),
                                     _mm256_and_si256(high, _mm256_set1_epi16(127)));
  return _mm256_xor_si256(div255(x), flip);
}

// Packs pixels held as 16-bit [B G R x] quadruples (pixels 0, 1 | 4, 5 in
// lo, 2, 3 | 6, 7 in hi) and stores their 24 bytes.
__attribute__((target("avx2"))) inline void storePixels(uint8_t* d, __m256i lo, __m256i hi) {
  const __m256i compact = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,
                                           0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  const __m256i bytes = _mm256_shuffle_epi8(_mm256_packus_epi16(lo, hi), compact);
  const __m128i first = _mm256_castsi256_si128(bytes), second = _mm256_extracti128_si256(bytes, 1);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(d), first);
  const int32_t firstTail = _mm_extract_epi32(first, 2);
  std::memcpy(d + 8, &firstTail, 4);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 12), second);
  const int32_t secondTail = _mm_extract_epi32(second, 2);
  std::memcpy(d + 20, &secondTail, 4);
}

// N / 25500 rounded for eight int32 N (the conversion rounds to nearest,
// halves to even). When ties are possible, sets near to all ones in lanes
// that lie within 4e-5 of a half.
__attribute__((target("avx2"))) inline __m256i divide25500(__m256i n, bool checkTies,
                                                           __m256i& near) {
  const __m256 y = _mm256_mul_ps(_mm256_cvtepi32_ps(n), _mm256_set1_ps(1.0f / 25500.0f));
  const __m256i q = _mm256_cvtps_epi32(y);
  if (checkTies) {
    const __m256 off =
        _mm256_andnot_ps(_mm256_set1_ps(-0.0f), _mm256_sub_ps(y, _mm256_cvtepi32_ps(q)));
    near = _mm256_or_si256(
        near, _mm256_castps_si256(_mm256_cmp_ps(off, _mm256_set1_ps(0.49996f), _CMP_GE_OQ)));
  }
  return q;
}

// The four bytes at s + column[j] for j = 0..7. Plain loads: the gather
// instruction is slower than this on the processors we measured.
__attribute__((target("avx2"))) inline __m256i gatherPixels(const uint8_t* s,
                                                            const int32_t* column) {
  auto at = [s, column](int j) {
    int32_t v;
    std::memcpy(&v, s + column[j], 4);
    return v;
  };
  return _mm256_setr_epi32(at(0), at(1), at(2), at(3), at(4), at(5), at(6), at(7));
}

// Eight target pixels as [B G R 0] quadruples, read with two 16-byte
// loads: the 4 bytes after the 24 are read too.
__attribute__((target("avx2"))) inline __m256i loadQuads(const uint8_t* d) {
  const __m256i toQuads = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0,
                                           1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
  const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 12));
  return _mm256_shuffle_epi8(_mm256_inserti128_si256(_mm256_castsi128_si256(first), second, 1),
                             toQuads);
}

// The weight pair (25500 - w, w) of each pixel as one int32, w being
// coverage m times opacity: m = min(2 * red, 255), 0 where not covered.
__attribute__((target("avx2"))) inline __m256i pixelWeights(__m256i red, __m256i covered,
                                                            __m256i opacity) {
  const __m256i m = _mm256_and_si256(
      _mm256_min_epi32(_mm256_add_epi32(red, red), _mm256_set1_epi32(255)), covered);
  const __m256i w = _mm256_mullo_epi16(m, opacity);  // below 2^15: 16 bits do
  return _mm256_or_si256(_mm256_sub_epi32(_mm256_set1_epi32(25500), w), _mm256_slli_epi32(w, 16));
}

// Blends two pixels per 128-bit half held as 16-bit [B G R x] quadruples:
// the first with weights a, the second with weights b (pairs 25500 - w, w).
__attribute__((target("avx2"))) inline __m256i blendQuads(__m256i t, __m256i c, __m256i a,
                                                          __m256i b, bool checkTies,
                                                          __m256i& near) {
  const __m256i first =
      divide25500(_mm256_madd_epi16(_mm256_unpacklo_epi16(t, c), a), checkTies, near);
  const __m256i second =
      divide25500(_mm256_madd_epi16(_mm256_unpackhi_epi16(t, c), b), checkTies, near);
  return _mm256_packs_epi32(first, second);
}

// Blends chunks of eight pixels from column begin on, while a chunk and the
// 16-byte loads around it stay inside the row; returns where it stopped.
// Consecutive source pixels are read like the target's, with two loads;
// a stretched rendering's are fetched one by one.
template <bool kConsecutive>
__attribute__((target("avx2"))) size_t blendChunks(const RowJob& job, const ItemTables& tb,
                                                   size_t begin) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i colour =
      _mm256_setr_epi16(tb.kBlue, tb.kGreen, tb.kRed, 0, tb.kBlue, tb.kGreen, tb.kRed, 0, tb.kBlue,
                        tb.kGreen, tb.kRed, 0, tb.kBlue, tb.kGreen, tb.kRed, 0);
  const __m256i opacity = _mm256_set1_epi32(tb.opacity);
  const bool opaque = tb.opacity == 100, checkTies = tiesPossible(tb.opacity);
  const size_t end = std::min(job.count, job.wideReadEnd);
  size_t i = begin;
  for (; i + 10 <= end; i += 8) {
    // Either way the fourth byte of each pixel is never used: its lane is
    // dropped when the pixels are stored.
    const __m256i source =
        kConsecutive ? loadQuads(job.s + job.column[i]) : gatherPixels(job.s, job.column + i);
    const __m256i red = _mm256_and_si256(_mm256_srli_epi32(source, 16), _mm256_set1_epi32(255));
    const __m256i covered = _mm256_cmpgt_epi32(red, _mm256_set1_epi32(4));
    if (_mm256_testz_si256(covered, covered)) continue;
    const __m256i colourLo = tint16(_mm256_unpacklo_epi8(source, zero), colour);
    const __m256i colourHi = tint16(_mm256_unpackhi_epi8(source, zero), colour);
    uint8_t* d = job.d + i * 3;
    const __m256i full = _mm256_cmpgt_epi32(red, _mm256_set1_epi32(127));
    if (opaque && _mm256_movemask_epi8(full) == -1) {
      storePixels(d, colourLo, colourHi);
      continue;
    }
    const __m256i weights = pixelWeights(red, covered, opacity);
    const __m256i target = loadQuads(d);
    const __m256i targetLo = _mm256_unpacklo_epi8(target, zero);
    const __m256i targetHi = _mm256_unpackhi_epi8(target, zero);
    __m256i near = zero;
    const __m256i lo = blendQuads(targetLo, colourLo, _mm256_shuffle_epi32(weights, 0x00),
                                  _mm256_shuffle_epi32(weights, 0x55), checkTies, near);
    const __m256i hi = blendQuads(targetHi, colourHi, _mm256_shuffle_epi32(weights, 0xAA),
                                  _mm256_shuffle_epi32(weights, 0xFF), checkTies, near);
    if (checkTies && !_mm256_testz_si256(near, near)) {
      blendPixels(job, tb, i, i + 8);
      continue;
    }
    storePixels(d, lo, hi);
  }
  return i;
}

bool cpuHasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

#endif  // GLYPHON_COMPOSITOR_AVX2

bool g_vectorEnabled = true;

void blendRow(const RowJob& job, const ItemTables& tb) {
  size_t done = 0;
#ifdef GLYPHON_COMPOSITOR_AVX2
  if (g_vectorEnabled && cpuHasAvx2())
    done = job.consecutive ? blendChunks<true>(job, tb, 0) : blendChunks<false>(job, tb, 0);
#endif
  blendPixels(job, tb, done, job.count);
}

}  // namespace

void TintBitmap(Bitmap& bitmap, Color color) {
  const TintTable tb = tintTable(blueOf(color)), tg = tintTable(greenOf(color)),
                  tr = tintTable(redOf(color));
  for (int32_t y = 0; y < bitmap.height(); ++y) {
    uint8_t* p = bitmap.row(y);
    for (int32_t x = 0; x < bitmap.width(); ++x, p += 3) {
      p[0] = tb[p[0]];
      p[1] = tg[p[1]];
      p[2] = tr[p[2]];
    }
  }
}

void DrawItem(const TTextItem& item, Bitmap& target) {
  const Bitmap* src = item.Bitmap.get();
  if (!src || src->isEmpty()) return;
  const int64_t left = item.Rect.Left, top = item.Rect.Top;
  const int64_t w = int64_t(item.Rect.Right) - left, h = int64_t(item.Rect.Bottom) - top;
  // At opacity 0 both blends give back t exactly: nothing changes.
  const int opacity = std::clamp(item.Opacity, 0, 100);
  if (w <= 0 || h <= 0 || opacity == 0) return;
  const int64_t x0 = std::max<int64_t>(0, -left), x1 = std::min<int64_t>(w, target.width() - left);
  const int64_t y0 = std::max<int64_t>(0, -top), y1 = std::min<int64_t>(h, target.height() - top);
  if (x0 >= x1 || y0 >= y1) return;

  std::vector<int32_t> column(size_t(x1 - x0));
  for (int64_t x = x0; x < x1; ++x) column[size_t(x - x0)] = int32_t(x * src->width() / w * 3);
  // Columns sampling the rendering's last column come last.
  const int32_t lastColumn = (src->width() - 1) * 3;
  const size_t beforeLastColumn =
      size_t(std::lower_bound(column.begin(), column.end(), lastColumn) - column.begin());
  const ItemTables tables(item.Color, opacity);
  const bool consecutive = w == src->width();
  for (int64_t y = y0; y < y1; ++y) {
    const int32_t sy = int32_t(y * src->height() / h);
    RowJob job{target.row(int32_t(top + y)) + size_t(left + x0) * 3, src->row(sy), column.data(),
               column.size(), sy + 1 < src->height() ? column.size() : beforeLastColumn,
               consecutive};
    blendRow(job, tables);
  }
}

namespace detail {

void setVectorCompositing(bool enabled) { g_vectorEnabled = enabled; }

bool vectorCompositingAvailable() {
#ifdef GLYPHON_COMPOSITOR_AVX2
  return cpuHasAvx2();
#else
  return false;
#endif
}

}  // namespace detail
}  // namespace glyphon
