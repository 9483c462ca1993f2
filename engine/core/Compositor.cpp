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

// Byte permutations between three-byte pixels and [B G R x] quadruples.
struct QuadIndices {
  alignas(64) uint8_t toQuads[64];
  alignas(64) uint8_t fromQuads[64];
};

constexpr QuadIndices makeQuadIndices() {
  QuadIndices q{};
  for (int p = 0; p < 16; ++p)
    for (int ch = 0; ch < 4; ++ch) q.toQuads[4 * p + ch] = uint8_t(3 * p + (ch < 3 ? ch : 0));
  for (int j = 0; j < 48; ++j) q.fromQuads[j] = uint8_t(j / 3 * 4 + j % 3);
  return q;
}

constexpr QuadIndices kQuadIndices = makeQuadIndices();

// How the 512-bit code reads a row's chunks of sixteen visible columns; the
// same for every row of an item. A chunk whose source pixels lie within 64
// bytes of its first one has a window: the byte of that block for each byte
// of the chunk's [B G R x] quadruples. Others have none.
struct ChunkPlan {
  struct Chunk {
    const uint8_t* window;
  };
  std::vector<Chunk> chunks;
  std::vector<uint8_t> windows;
  size_t sourceRowBytes = 0;
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

// The processor's own prefetching falls behind the blend on pictures larger
// than its caches: ask for the target and source bytes of 256 pixels ahead
// (a prefetch never faults, even past the end of a row).
inline void prefetchAhead(const RowJob& job, size_t i) {
  _mm_prefetch(reinterpret_cast<const char*>(job.d + i * 3 + 768), _MM_HINT_T0);
  _mm_prefetch(reinterpret_cast<const char*>(job.s + job.column[i] + 768), _MM_HINT_T0);
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

// The blend at opacity 100, exact in 16 bits: there w = 100 m, so both
// formulas are (255 t + m (c - t)) / 255, which is never a half, and
// 255 t + m (c - t) + 127 lies below 2^16, so the sum of the terms wrapped
// to 16 bits is exact.
__attribute__((target("avx2"))) inline __m256i blendOpaque16(__m256i t, __m256i c, __m256i m) {
  const __m256i x = _mm256_add_epi16(
      _mm256_sub_epi16(_mm256_slli_epi16(t, 8), t),
      _mm256_add_epi16(_mm256_mullo_epi16(m, _mm256_sub_epi16(c, t)), _mm256_set1_epi16(127)));
  return div255(x);
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
    prefetchAhead(job, i);
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
    const __m256i target = loadQuads(d);
    const __m256i targetLo = _mm256_unpacklo_epi8(target, zero);
    const __m256i targetHi = _mm256_unpackhi_epi8(target, zero);
    if (opaque) {
      // The coverage m in both halves of each pixel's 32 bits, then in
      // all four lanes of the pixel.
      const __m256i m = _mm256_and_si256(
          _mm256_min_epi32(_mm256_add_epi32(red, red), _mm256_set1_epi32(255)), covered);
      const __m256i m2 = _mm256_or_si256(m, _mm256_slli_epi32(m, 16));
      storePixels(d, blendOpaque16(targetLo, colourLo, _mm256_unpacklo_epi32(m2, m2)),
                  blendOpaque16(targetHi, colourHi, _mm256_unpackhi_epi32(m2, m2)));
      continue;
    }
    const __m256i weights = pixelWeights(red, covered, opacity);
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

// ---- The same blend, sixteen pixels at a time, with 512-bit vectors ----

// Every fourth byte of a quadruple vector: the unused one.
constexpr __mmask64 kQuadBytes = 0x7777777777777777ULL;

// GCC 12's 512-bit intrinsics start from "undefined" vectors initialised from
// themselves, which GCC's uninitialised-use warnings report wherever they are
// inlined.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#define GLYPHON_AVX512 __attribute__((target("avx512f,avx512bw,avx512vbmi,prfchw")))

// prefetchAhead, asking for the target's bytes to be written.
GLYPHON_AVX512 inline void prefetchForWrite(const RowJob& job, size_t i) {
  __builtin_prefetch(job.d + i * 3 + 768, 1, 3);
  __builtin_prefetch(job.s + job.column[i] + 768, 0, 3);
}

// Which blend a row needs: the 16-bit one at opacity 100, else the 32-bit
// one, checked for near-halves where the opacity makes them possible.
enum class Kind { kOpaque, kPlain, kCheckTies };

// Four 16-bit lanes b, g, r, 0 as one 64-bit value.
constexpr uint64_t quadOf(uint32_t b, uint32_t g, uint32_t r) {
  return uint64_t(b) | uint64_t(g) << 16 | uint64_t(r) << 32;
}

// The constants of the 512-bit blend, made once per row. Hidden from the
// optimiser so that it keeps them in registers instead of rebuilding them
// from immediates inside the loop.
struct Wide {
  __m512i zero, twiceK, twiceJ, opacityPair, toQuads, fromQuads;
  __m512i w127, w255, w8081, d4, d127, d255, d25500;
  __m512 reciprocal, nearHalf;

  GLYPHON_AVX512 explicit Wide(const ItemTables& tb)
      : zero(_mm512_setzero_si512()),
        twiceK(_mm512_set1_epi64(int64_t(quadOf(2 * tb.kBlue, 2 * tb.kGreen, 2 * tb.kRed)))),
        twiceJ(_mm512_set1_epi64(
            int64_t(quadOf(2 * (255 - tb.kBlue), 2 * (255 - tb.kGreen), 2 * (255 - tb.kRed))))),
        opacityPair(_mm512_set1_epi32(tb.opacity * 65535)),
        toQuads(_mm512_load_si512(kQuadIndices.toQuads)),
        fromQuads(_mm512_load_si512(kQuadIndices.fromQuads)),
        w127(_mm512_set1_epi16(127)),
        w255(_mm512_set1_epi16(255)),
        w8081(_mm512_set1_epi16(int16_t(0x8081))),
        d4(_mm512_set1_epi32(4)),
        d127(_mm512_set1_epi32(127)),
        d255(_mm512_set1_epi32(255)),
        d25500(_mm512_set1_epi32(25500)),
        reciprocal(_mm512_set1_ps(1.0f / 25500.0f)),
        nearHalf(_mm512_set1_ps(0.49996f)) {
    __asm__(""
            : "+v"(zero), "+v"(twiceK), "+v"(twiceJ), "+v"(opacityPair), "+v"(toQuads),
              "+v"(fromQuads));
    __asm__(""
            : "+v"(w127), "+v"(w255), "+v"(w8081), "+v"(d4), "+v"(d127), "+v"(d255), "+v"(d25500),
              "+v"(reciprocal), "+v"(nearHalf));
  }
};

// tint16 with masks: the high half flips v (255 - v) before the product and
// the quotient after it, and takes 2 (255 - k) where the low half takes 2k.
GLYPHON_AVX512 inline __m512i tint32(const Wide& c, __m512i v) {
  const __mmask32 high = _mm512_cmpgt_epu16_mask(v, c.w127);
  const __m512i product = _mm512_mullo_epi16(_mm512_mask_sub_epi16(v, high, c.w255, v),
                                             _mm512_mask_blend_epi16(high, c.twiceK, c.twiceJ));
  const __m512i x = _mm512_mask_add_epi16(product, high, product, c.w127);
  const __m512i q = _mm512_srli_epi16(_mm512_mulhi_epu16(x, c.w8081), 7);  // x div 255
  return _mm512_mask_sub_epi16(q, high, c.w255, q);
}

template <bool kCheckTies>
GLYPHON_AVX512 inline __m512i divide25500x16(const Wide& c, __m512i n, __mmask16& near) {
  const __m512 y = _mm512_mul_ps(_mm512_cvtepi32_ps(n), c.reciprocal);
  const __m512i q = _mm512_cvtps_epi32(y);
  if (kCheckTies) {
    const __m512 off = _mm512_abs_ps(_mm512_sub_ps(y, _mm512_cvtepi32_ps(q)));
    near |= _mm512_cmp_ps_mask(off, c.nearHalf, _CMP_GE_OQ);
  }
  return q;
}

template <bool kCheckTies>
GLYPHON_AVX512 inline __m512i blendQuads512(const Wide& c, __m512i t, __m512i colour, __m512i a,
                                            __m512i b, __mmask16& near) {
  const __m512i first =
      divide25500x16<kCheckTies>(c, _mm512_madd_epi16(_mm512_unpacklo_epi16(t, colour), a), near);
  const __m512i second =
      divide25500x16<kCheckTies>(c, _mm512_madd_epi16(_mm512_unpackhi_epi16(t, colour), b), near);
  return _mm512_packs_epi32(first, second);
}

// Sixteen pixels as quadruples from scattered source columns (a shrunk
// rendering): four-byte reads, so only where wideReadEnd allows.
GLYPHON_AVX512 inline __m512i gatherPixels16(const uint8_t* s, const int32_t* column) {
  auto at = [s, column](int j) {
    int32_t v;
    std::memcpy(&v, s + column[j], 4);
    return v & 0xFFFFFF;
  };
  return _mm512_setr_epi32(at(0), at(1), at(2), at(3), at(4), at(5), at(6), at(7), at(8), at(9),
                           at(10), at(11), at(12), at(13), at(14), at(15));
}

// Blends the row sixteen pixels at a time, the last chunk possibly shorter;
// loads and stores are masked to the row, so nothing outside it is touched.
// blendOpaque16 on 32 lanes.
GLYPHON_AVX512 inline __m512i blendOpaque(const Wide& c, __m512i t, __m512i colour, __m512i m) {
  const __m512i x = _mm512_add_epi16(
      _mm512_sub_epi16(_mm512_slli_epi16(t, 8), t),
      _mm512_add_epi16(_mm512_mullo_epi16(m, _mm512_sub_epi16(colour, t)), c.w127));
  return _mm512_srli_epi16(_mm512_mulhi_epu16(x, c.w8081), 7);  // x div 255
}

// Blends the n pixels of one chunk whose source quadruples are read. A whole
// chunk (sixteen pixels, and 64 target bytes readable) uses plain loads and
// stores; masked ones are slow, so only the row's last chunks use them.
template <Kind kKind, bool kWhole>
GLYPHON_AVX512 inline void blendChunk512(const Wide& c, const RowJob& job, const ItemTables& tb,
                                         size_t i, size_t n, __m512i source) {
  const __mmask16 pixels = kWhole ? __mmask16(0xFFFF) : __mmask16((1u << n) - 1);
  const __m512i red = _mm512_srli_epi32(source, 16);
  const __mmask16 covered = _mm512_mask_cmpgt_epu32_mask(pixels, red, c.d4);
  if (covered == 0) return;
  uint8_t* d = job.d + i * 3;
  const __mmask64 bytes = kWhole ? __mmask64(0) : (__mmask64(1) << (3 * n)) - 1;
  const __m512i colourLo = tint32(c, _mm512_unpacklo_epi8(source, c.zero));
  const __m512i colourHi = tint32(c, _mm512_unpackhi_epi8(source, c.zero));
  const __mmask16 full = _mm512_mask_cmpgt_epu32_mask(pixels, red, c.d127);
  __m512i result;
  if (kKind == Kind::kOpaque && full == pixels) {
    result = _mm512_packus_epi16(colourLo, colourHi);
  } else if (kKind == Kind::kOpaque) {
    // m in both halves of each pixel's 32 bits, then in all four lanes.
    const __m512i m = _mm512_maskz_min_epu32(covered, _mm512_add_epi32(red, red), c.d255);
    const __m512i m2 = _mm512_or_si512(m, _mm512_slli_epi32(m, 16));
    const __m512i target = _mm512_maskz_permutexvar_epi8(
        kQuadBytes, c.toQuads, kWhole ? _mm512_loadu_si512(d) : _mm512_maskz_loadu_epi8(bytes, d));
    const __m512i lo = blendOpaque(c, _mm512_unpacklo_epi8(target, c.zero), colourLo,
                                   _mm512_unpacklo_epi32(m2, m2));
    const __m512i hi = blendOpaque(c, _mm512_unpackhi_epi8(target, c.zero), colourHi,
                                   _mm512_unpackhi_epi32(m2, m2));
    result = _mm512_packus_epi16(lo, hi);
  } else {
    constexpr bool kCheckTies = kKind == Kind::kCheckTies;
    const __m512i m = _mm512_maskz_min_epu32(covered, _mm512_add_epi32(red, red), c.d255);
    // The pair 25500 - w, w with w = m * opacity is 25500 + w (2^16 - 1).
    const __m512i weights = _mm512_add_epi32(c.d25500, _mm512_mullo_epi32(m, c.opacityPair));
    const __m512i target = _mm512_maskz_permutexvar_epi8(
        kQuadBytes, c.toQuads, kWhole ? _mm512_loadu_si512(d) : _mm512_maskz_loadu_epi8(bytes, d));
    const __m512i targetLo = _mm512_unpacklo_epi8(target, c.zero);
    const __m512i targetHi = _mm512_unpackhi_epi8(target, c.zero);
    __mmask16 near = 0;
    const __m512i lo = blendQuads512<kCheckTies>(
        c, targetLo, colourLo, _mm512_shuffle_epi32(weights, _MM_PERM_AAAA),
        _mm512_shuffle_epi32(weights, _MM_PERM_BBBB), near);
    const __m512i hi = blendQuads512<kCheckTies>(
        c, targetHi, colourHi, _mm512_shuffle_epi32(weights, _MM_PERM_CCCC),
        _mm512_shuffle_epi32(weights, _MM_PERM_DDDD), near);
    if (kCheckTies && near) {
      blendPixels(job, tb, i, i + n);
      return;
    }
    result = _mm512_packus_epi16(lo, hi);
  }
  const __m512i packed = _mm512_permutexvar_epi8(c.fromQuads, result);
  if (kWhole) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm512_castsi512_si256(packed));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 32), _mm512_extracti32x4_epi32(packed, 2));
  } else {
    _mm512_mask_storeu_epi8(d, bytes, packed);
  }
}

// Blends the row sixteen pixels at a time, the last chunk possibly shorter;
// nothing outside the row is written.
template <Kind kKind, bool kConsecutive>
GLYPHON_AVX512 size_t blendChunks512(const RowJob& job, const ItemTables& tb,
                                     const ChunkPlan& plan) {
  const Wide c(tb);
  const size_t sourceBytes = plan.sourceRowBytes;
  size_t i = 0;
  for (const ChunkPlan::Chunk& chunk : plan.chunks) {
    const size_t n = std::min<size_t>(16, job.count - i);
    prefetchForWrite(job, i);
    __m512i source;
    if (chunk.window) {
      // The chunk's source pixels lie in the 64 bytes from the first one.
      const size_t base = size_t(job.column[i]);
      const __m512i block =
          sourceBytes - base >= 64
              ? _mm512_loadu_si512(job.s + base)
              : _mm512_maskz_loadu_epi8((__mmask64(1) << (sourceBytes - base)) - 1, job.s + base);
      source = _mm512_maskz_permutexvar_epi8(
          kQuadBytes, kConsecutive ? c.toQuads : _mm512_loadu_si512(chunk.window), block);
    } else if (n == 16 && i + 16 <= job.wideReadEnd) {
      source = gatherPixels16(job.s, job.column + i);
    } else {
      blendPixels(job, tb, i, i + n);
      i += n;
      continue;
    }
    if (job.count - i >= 22)  // sixteen pixels, and 64 target bytes to read
      blendChunk512<kKind, true>(c, job, tb, i, n, source);
    else
      blendChunk512<kKind, false>(c, job, tb, i, n, source);
    i += n;
  }
  return i;
}

size_t blendChunks512(const RowJob& job, const ItemTables& tb, const ChunkPlan& plan, Kind kind) {
  switch (kind) {
    case Kind::kOpaque:
      return job.consecutive ? blendChunks512<Kind::kOpaque, true>(job, tb, plan)
                             : blendChunks512<Kind::kOpaque, false>(job, tb, plan);
    case Kind::kPlain:
      return job.consecutive ? blendChunks512<Kind::kPlain, true>(job, tb, plan)
                             : blendChunks512<Kind::kPlain, false>(job, tb, plan);
    case Kind::kCheckTies:
      break;
  }
  return job.consecutive ? blendChunks512<Kind::kCheckTies, true>(job, tb, plan)
                         : blendChunks512<Kind::kCheckTies, false>(job, tb, plan);
}

#pragma GCC diagnostic pop

bool cpuHasAvx512() {
  // Every processor with AVX-512 also has PREFETCHW (and older ones run it
  // as a no-op), which not every compiler can ask about.
  static const bool has = __builtin_cpu_supports("avx512f") &&
                          __builtin_cpu_supports("avx512bw") &&
                          __builtin_cpu_supports("avx512vbmi");
  return has;
}

#endif  // GLYPHON_COMPOSITOR_AVX2

detail::VectorCode g_widestCode = detail::VectorCode::kAvx512;

detail::VectorCode availableCode() {
#ifdef GLYPHON_COMPOSITOR_AVX2
  if (cpuHasAvx512()) return detail::VectorCode::kAvx512;
  if (cpuHasAvx2()) return detail::VectorCode::kAvx2;
#endif
  return detail::VectorCode::kPortable;
}

void blendRow(const RowJob& job, const ItemTables& tb, detail::VectorCode code,
              const ChunkPlan& plan) {
  size_t done = 0;
#ifdef GLYPHON_COMPOSITOR_AVX2
  if (code == detail::VectorCode::kAvx512)
    done = tb.opacity == 100          ? blendChunks512(job, tb, plan, Kind::kOpaque)
           : tiesPossible(tb.opacity) ? blendChunks512(job, tb, plan, Kind::kCheckTies)
                                      : blendChunks512(job, tb, plan, Kind::kPlain);
  else if (code == detail::VectorCode::kAvx2)
    done = job.consecutive ? blendChunks<true>(job, tb, 0) : blendChunks<false>(job, tb, 0);
#else
  (void)code;
  (void)plan;
#endif
  blendPixels(job, tb, done, job.count);
}

// Plans the chunks of the visible columns for the 512-bit code.
ChunkPlan planChunks(const std::vector<int32_t>& column, int32_t sourceWidth, bool consecutive) {
  ChunkPlan plan;
  plan.sourceRowBytes = size_t(sourceWidth) * 3;
  const size_t count = column.size(), chunks = (count + 15) / 16;
  plan.chunks.resize(chunks);
  if (consecutive) {
    // Sixteen consecutive pixels are 48 bytes: always one window.
    for (ChunkPlan::Chunk& chunk : plan.chunks) chunk.window = kQuadIndices.toQuads;
    return plan;
  }
  plan.windows.assign(chunks * 64, 0);
  for (size_t c = 0; c < chunks; ++c) {
    const size_t first = c * 16, n = std::min<size_t>(16, count - first);
    const int32_t base = column[first];
    if (column[first + n - 1] - base + 2 >= 64) {
      plan.chunks[c].window = nullptr;
      continue;
    }
    uint8_t* window = plan.windows.data() + c * 64;
    for (size_t p = 0; p < n; ++p)
      for (int ch = 0; ch < 4; ++ch)
        window[p * 4 + size_t(ch)] = uint8_t(column[first + p] - base + (ch < 3 ? ch : 0));
    plan.chunks[c].window = window;
  }
  return plan;
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
  const detail::VectorCode code = std::min(g_widestCode, availableCode());
  const ChunkPlan plan = code == detail::VectorCode::kAvx512
                             ? planChunks(column, src->width(), consecutive)
                             : ChunkPlan{};
  for (int64_t y = y0; y < y1; ++y) {
    const int32_t sy = int32_t(y * src->height() / h);
    RowJob job{target.row(int32_t(top + y)) + size_t(left + x0) * 3,
               src->row(sy),
               column.data(),
               column.size(),
               sy + 1 < src->height() ? column.size() : beforeLastColumn,
               consecutive};
    blendRow(job, tables, code, plan);
  }
}

namespace detail {

void setWidestVectorCode(VectorCode code) { g_widestCode = code; }

VectorCode widestAvailableVectorCode() { return availableCode(); }

}  // namespace detail
}  // namespace glyphon
