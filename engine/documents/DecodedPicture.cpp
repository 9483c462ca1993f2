#include "engine/documents/DecodedPicture.h"

#include <lcms2.h>
#include <libexif/exif-data.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <condition_variable>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "engine/core/Error.h"

namespace glyphon {

namespace {

struct ProfileCloser {
  void operator()(void* profile) const { cmsCloseProfile(profile); }
};
struct TransformDeleter {
  void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using ProfilePtr = std::unique_ptr<void, ProfileCloser>;
using TransformPtr = std::unique_ptr<void, TransformDeleter>;

// Converts count pixels, bytes blue, green, red, in place.
using PixelConversion = std::function<void(uint8_t* first, size_t count)>;

// Every step of 16 on each channel and its odd neighbour: a conversion that
// keeps all of these within one step is taken to keep every colour (an sRGB
// profile, the common case of phone photos, whose curve tables round a
// little differently from the exact sRGB curve), and the pixels are left
// alone.
bool keepsColours(const PixelConversion& convert) {
  std::vector<uint8_t> probe;
  for (int b = 0; b <= 256; b += 16)
    for (int g = 0; g <= 256; g += 16)
      for (int r = 0; r <= 256; r += 16) {
        const uint8_t bgr[3] = {uint8_t(std::min(b, 255)), uint8_t(std::min(g, 255)),
                                uint8_t(std::min(r, 255))};
        probe.insert(probe.end(), bgr, bgr + 3);
        probe.insert(probe.end(), {uint8_t(bgr[0] ^ 1), uint8_t(bgr[1] ^ 1), uint8_t(bgr[2] ^ 1)});
      }
  std::vector<uint8_t> out = probe;
  convert(out.data(), out.size() / 3);
  for (size_t i = 0; i < probe.size(); ++i)
    if (std::abs(int(out[i]) - int(probe[i])) > 1) return false;
  return true;
}

}  // namespace

// The conversion from a matrix-shaper RGB profile (three tone curves and
// three colorants, as Adobe RGB, Display P3 and most camera profiles are)
// to sRGB, taken from the two profiles through Little CMS and applied as
// tables. Each output channel is encode(sum over the input channels c of
// matrix[out][c] * linear_c(byte)): the three products of each input byte
// are looked up at once, as three 21-bit whole numbers (in steps of the
// sRGB curve's table, with 4 bits of fraction) packed into one 64-bit
// word, so a pixel costs three such look-ups, two additions and three
// look-ups of the curve. Every product is kept at or above zero by an
// offset that the curve's table takes back, and that table reaches over
// every sum the products can make, clipped to 0 and 255 where light falls
// outside sRGB, so no sum needs clamping. Little CMS's own 8-bit path
// evaluates all of this per pixel and is several times slower on a photo;
// the two agree within one step of 255 (a test holds them to it).
class MatrixShaperToSrgb {
 public:
  static std::optional<MatrixShaperToSrgb> of(cmsHPROFILE source, cmsHPROFILE srgb) {
    if (!cmsIsMatrixShaper(source) || !cmsIsMatrixShaper(srgb) ||
        cmsGetColorSpace(source) != cmsSigRgbData)
      return std::nullopt;
    double from[3][3], to[3][3];
    if (!colorants(source, from) || !colorants(srgb, to)) return std::nullopt;
    double inverse[3][3];
    if (!inverted(to, inverse)) return std::nullopt;
    double matrix[3][3];
    for (int row = 0; row < 3; ++row)
      for (int col = 0; col < 3; ++col) {
        double sum = 0;
        for (int k = 0; k < 3; ++k) sum += inverse[row][k] * from[k][col];
        matrix[row][col] = sum;
      }
    static constexpr cmsTagSignature kCurves[3] = {cmsSigRedTRCTag, cmsSigGreenTRCTag,
                                                   cmsSigBlueTRCTag};
    // products[c][v][out]: matrix[out][c] * linear light of byte v of
    // input channel c, in fixed-point steps of the curve's table.
    std::array<std::array<std::array<int64_t, 3>, 256>, 3> products;
    for (int c = 0; c < 3; ++c) {
      const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(source, kCurves[c]));
      if (!curve) return std::nullopt;
      for (int v = 0; v < 256; ++v) {
        const double linear = cmsEvalToneCurveFloat(curve, float(v) / 255.0f);
        for (int out = 0; out < 3; ++out) {
          const double fixed = matrix[out][c] * linear * kStepScale;
          // Far beyond any real profile; such tables are left to Little CMS.
          if (!(std::abs(fixed) < double(kLaneLimit))) return std::nullopt;
          products[size_t(c)][size_t(v)][size_t(out)] = std::llround(fixed);
        }
      }
    }
    // Each input channel's products are raised by their lowest (negative)
    // value; the sums of each output channel then lie in [0, span[out]],
    // and one common offset (with half a step, to round) is added to the
    // red products so that every output channel's sums start at offset.
    int64_t raised[3] = {0, 0, 0}, span[3] = {0, 0, 0};
    std::array<std::array<int64_t, 3>, 3> lowest{};
    for (int c = 0; c < 3; ++c)
      for (int out = 0; out < 3; ++out) {
        int64_t low = 0, high = 0;
        for (int v = 0; v < 256; ++v) {
          low = std::min(low, products[size_t(c)][size_t(v)][size_t(out)]);
          high = std::max(high, products[size_t(c)][size_t(v)][size_t(out)]);
        }
        lowest[size_t(c)][size_t(out)] = low;
        raised[out] += -low;
        span[out] += high - low;
      }
    // The common offset, a whole number of steps.
    const int64_t offset = ((std::max({raised[0], raised[1], raised[2]}) >> kFraction) + 1)
                           << kFraction;
    const int64_t top = offset + kHalfStep + std::max({span[0], span[1], span[2]});
    if (top >= kLaneLimit) return std::nullopt;
    MatrixShaperToSrgb tables;
    for (int c = 0; c < 3; ++c)
      for (int v = 0; v < 256; ++v) {
        uint64_t word = 0;
        for (int out = 0; out < 3; ++out) {
          int64_t lane =
              products[size_t(c)][size_t(v)][size_t(out)] - lowest[size_t(c)][size_t(out)];
          if (c == 0) lane += offset - raised[out] + kHalfStep;
          word |= uint64_t(lane) << (kLaneBits * out);
        }
        tables.m_products[size_t(c)][size_t(v)] = word;
      }
    const std::vector<uint8_t>& steps = srgbEncoding(srgb);
    if (steps.empty()) return std::nullopt;
    const int64_t first = offset >> kFraction;
    tables.m_encode.resize(size_t(top >> kFraction) + 1);
    for (size_t j = 0; j < tables.m_encode.size(); ++j)
      tables.m_encode[j] =
          steps[size_t(std::clamp(int64_t(j) - first, int64_t(0), int64_t(kEncodeSteps - 1)))];
    return tables;
  }

  // The conversion of one pixel. Its table places are held by value: the
  // bytes written may alias anything as far as the compiler knows, which
  // would otherwise reload them for every pixel.
  struct Lookup {
    const uint64_t* red;
    const uint64_t* green;
    const uint64_t* blue;
    const uint8_t* encode;
    // The sRGB pixel of bytes blue, green, red, packed as a PackedPixel.
    uint32_t operator()(uint32_t b, uint32_t g, uint32_t r) const {
      constexpr uint64_t kLane = (uint64_t(1) << kLaneBits) - 1;
      const uint64_t sums = red[r] + green[g] + blue[b];
      return uint32_t(encode[(sums >> (2 * kLaneBits)) >> kFraction]) |
             uint32_t(encode[((sums >> kLaneBits) & kLane) >> kFraction]) << 8 |
             uint32_t(encode[(sums & kLane) >> kFraction]) << 16;
    }
  };
  [[nodiscard]] Lookup lookup() const {
    return {m_products[0].data(), m_products[1].data(), m_products[2].data(), m_encode.data()};
  }

  // Converts count pixels, bytes blue, green, red, in place.
  void convert(uint8_t* bgr, size_t count) const {
    const Lookup pixel = lookup();
    for (uint8_t* p = bgr; p != bgr + count * 3; p += 3) {
      const uint32_t out = pixel(p[0], p[1], p[2]);
      p[0] = uint8_t(out);
      p[1] = uint8_t(out >> 8);
      p[2] = uint8_t(out >> 16);
    }
  }

 private:
  static constexpr int kEncodeSteps = 16384;
  static constexpr int kFraction = 4;
  static constexpr int64_t kHalfStep = int64_t(1) << (kFraction - 1);
  static constexpr double kStepScale = double(kEncodeSteps - 1) * double(1 << kFraction);
  static constexpr int kLaneBits = 21;
  static constexpr int64_t kLaneLimit = int64_t(1) << kLaneBits;

  MatrixShaperToSrgb() = default;

  // The sRGB byte of kEncodeSteps steps of linear light from 0 to 1, made
  // once from the sRGB profile's curve; empty when it cannot be read.
  static const std::vector<uint8_t>& srgbEncoding(cmsHPROFILE srgb) {
    static const std::vector<uint8_t> steps = [srgb] {
      // sRGB's three curves are one curve.
      const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(srgb, cmsSigRedTRCTag));
      cmsToneCurve* encode = curve ? cmsReverseToneCurve(curve) : nullptr;
      if (!encode) return std::vector<uint8_t>();
      std::vector<uint8_t> bytes(kEncodeSteps);
      for (int i = 0; i < kEncodeSteps; ++i) {
        const float v = cmsEvalToneCurveFloat(encode, float(i) / float(kEncodeSteps - 1));
        bytes[size_t(i)] = uint8_t(std::clamp(std::lround(v * 255.0f), 0L, 255L));
      }
      cmsFreeToneCurve(encode);
      return bytes;
    }();
    return steps;
  }

  // The matrix that takes linear red, green and blue to the profile's
  // connection space (columns: the red, green and blue colorants).
  static bool colorants(cmsHPROFILE profile, double m[3][3]) {
    static constexpr cmsTagSignature kTags[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                                 cmsSigBlueColorantTag};
    for (int c = 0; c < 3; ++c) {
      const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, kTags[c]));
      if (!xyz) return false;
      m[0][c] = xyz->X;
      m[1][c] = xyz->Y;
      m[2][c] = xyz->Z;
    }
    return true;
  }

  static bool inverted(const double m[3][3], double out[3][3]) {
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (std::abs(det) < 1e-9) return false;
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) {
        // The cofactor of (c, r), divided by the determinant.
        const int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
        out[r][c] = (m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1]) / det;
      }
    return true;
  }

  // Per input channel (red, green, blue) and byte, its three products.
  std::array<std::array<uint64_t, 256>, 3> m_products{};
  // The sRGB byte of every sum, offset included.
  std::vector<uint8_t> m_encode;
};

namespace {

// How the pixels of a picture with iccProfile become sRGB: unreadable (the
// pixels are left alone and the picture taken as sRGB), readable and
// already sRGB (convert empty), or readable with a conversion.
struct SrgbConversion {
  bool readable = false;
  PixelConversion convert;
  // The tables behind convert, when it is a matrix profile's conversion.
  std::shared_ptr<const MatrixShaperToSrgb> matrix;
};

// Runs convert over rows [from, to) of pixels, in two halves on two threads
// when they are many enough for a thread to pay.
void convertRows(Bitmap& pixels, const PixelConversion& convert, int32_t from, int32_t to) {
  const auto run = [&](int32_t a, int32_t b) {
    if (b > a) convert(pixels.row(a), size_t(b - a) * size_t(pixels.width()));
  };
  const int32_t half = from + (to - from) / 2;
  if (int64_t(pixels.width()) * (to - from) < (int64_t(1) << 20) ||
      std::thread::hardware_concurrency() < 2) {
    run(from, to);
    return;
  }
  std::thread lower(run, half, to);
  run(from, half);
  lower.join();
}

SrgbConversion srgbConversionOf(const std::vector<uint8_t>& iccProfile, size_t rowWidth) {
  if (iccProfile.empty()) return {};
  const ProfilePtr source(
      cmsOpenProfileFromMem(iccProfile.data(), cmsUInt32Number(iccProfile.size())));
  if (!source) return {};
  const cmsColorSpaceSignature space = cmsGetColorSpace(source.get());
  // CMYK, Lab, ...: the decoder has made RGB already.
  if (space != cmsSigRgbData && space != cmsSigGrayData) return {};
  const ProfilePtr srgb(cmsCreate_sRGBProfile());
  if (!srgb) return {};
  if (space == cmsSigGrayData) {
    // A grey picture arrives as blue = green = red: its 256 levels are
    // converted once, unoptimised (Little CMS's optimised grey table is
    // coarse near black, where a linear grey's sRGB curve is steep), and
    // every pixel looks its level up.
    const TransformPtr grey(cmsCreateTransform(source.get(), TYPE_GRAY_8, srgb.get(), TYPE_BGR_8,
                                               INTENT_PERCEPTUAL, cmsFLAGS_NOOPTIMIZE));
    if (!grey) return {};
    std::array<uint8_t, 256> levels;
    for (int v = 0; v < 256; ++v) levels[size_t(v)] = uint8_t(v);
    std::array<uint8_t, 256 * 3> table;
    cmsDoTransform(grey.get(), levels.data(), table.data(), 256);
    PixelConversion convert = [table](uint8_t* first, size_t count) {
      for (uint8_t* p = first; p != first + count * 3; p += 3) {
        const uint8_t* out = table.data() + size_t(p[0]) * 3;
        p[0] = out[0];
        p[1] = out[1];
        p[2] = out[2];
      }
    };
    return {true, std::move(convert), {}};
  }
  if (std::optional<MatrixShaperToSrgb> tables = MatrixShaperToSrgb::of(source.get(), srgb.get())) {
    auto matrix = std::make_shared<const MatrixShaperToSrgb>(std::move(*tables));
    PixelConversion convert = [matrix](uint8_t* first, size_t count) {
      matrix->convert(first, count);
    };
    if (keepsColours(convert)) return {true, {}, {}};
    return {true, std::move(convert), std::move(matrix)};
  }
  // No cache: neighbouring photo pixels rarely repeat, and comparing each
  // with the last costs more than it saves; without it a transform may
  // also be used by two threads at once.
  auto transform = std::make_shared<TransformPtr>(cmsCreateTransform(
      source.get(), TYPE_BGR_8, srgb.get(), TYPE_BGR_8, INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE));
  if (!*transform) return {};
  // Little CMS converts any other profile, a row at a time through a
  // scratch row so that input and output never share memory.
  PixelConversion convert = [transform, rowWidth](uint8_t* first, size_t count) {
    std::vector<uint8_t> scratch(std::min(rowWidth, count) * 3);
    for (size_t done = 0; done < count; done += rowWidth) {
      const size_t run = std::min(rowWidth, count - done);
      uint8_t* row = first + done * 3;
      std::memcpy(scratch.data(), row, run * 3);
      cmsDoTransform(transform->get(), scratch.data(), row, cmsUInt32Number(run));
    }
  };
  if (keepsColours(convert)) return {true, {}, {}};
  return {true, std::move(convert), {}};
}

}  // namespace

void composeOverBackground(Bitmap& pixels, const std::vector<uint8_t>& alpha, Color background) {
  if (alpha.empty()) return;
  if (alpha.size() != size_t(pixels.width()) * size_t(pixels.height()))
    throw Error("The picture's transparency does not match its size");
  // Bytes blue, green, red, as the bitmap stores them.
  const int bg[3] = {blueOf(background), greenOf(background), redOf(background)};
  const uint8_t* a = alpha.data();
  for (int32_t y = 0; y < pixels.height(); ++y) {
    uint8_t* p = pixels.row(y);
    for (int32_t x = 0; x < pixels.width(); ++x, ++a, p += 3) {
      const int opacity = *a;
      if (opacity == 255) continue;
      for (int c = 0; c < 3; ++c)
        p[c] = uint8_t((p[c] * opacity + bg[c] * (255 - opacity) + 127) / 255);
    }
  }
}

bool convertToSrgb(Bitmap& pixels, const std::vector<uint8_t>& iccProfile) {
  if (pixels.isEmpty()) return false;
  const SrgbConversion conversion = srgbConversionOf(iccProfile, size_t(pixels.width()));
  if (conversion.convert) convertRows(pixels, conversion.convert, 0, pixels.height());
  return conversion.readable;
}

std::vector<uint8_t> rgbProfileOf(const Chromaticities& colours, TransferCurve curve) {
  // Chromaticities lie inside the unit triangle, with y above 0; anything
  // else (unknown primaries decode as zeros) makes no profile.
  for (const auto& [x, y] :
       {std::pair{colours.redX, colours.redY}, std::pair{colours.greenX, colours.greenY},
        std::pair{colours.blueX, colours.blueY}, std::pair{colours.whiteX, colours.whiteY}})
    if (!(x >= 0 && y > 0 && x + y <= 1)) return {};
  const cmsCIExyY white = {colours.whiteX, colours.whiteY, 1.0};
  const cmsCIExyYTRIPLE primaries = {{colours.redX, colours.redY, 1.0},
                                     {colours.greenX, colours.greenY, 1.0},
                                     {colours.blueX, colours.blueY, 1.0}};
  cmsToneCurve* tone = nullptr;
  switch (curve) {
    case TransferCurve::Srgb: {
      // IEC 61966-2-1: Y = ((X + 0.055) / 1.055)^2.4 above 0.04045, X / 12.92 below.
      const cmsFloat64Number sRgb[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
      tone = cmsBuildParametricToneCurve(nullptr, 4, sRgb);
      break;
    }
    case TransferCurve::Linear:
      tone = cmsBuildGamma(nullptr, 1.0);
      break;
    case TransferCurve::Gamma22:
      tone = cmsBuildGamma(nullptr, 2.2);
      break;
    case TransferCurve::Gamma28:
      tone = cmsBuildGamma(nullptr, 2.8);
      break;
  }
  if (!tone) return {};
  cmsToneCurve* const curves[3] = {tone, tone, tone};
  const ProfilePtr profile(cmsCreateRGBProfile(&white, &primaries, curves));
  cmsFreeToneCurve(tone);
  if (!profile) return {};
  cmsUInt32Number size = 0;
  if (!cmsSaveProfileToMem(profile.get(), nullptr, &size) || size == 0) return {};
  std::vector<uint8_t> bytes(size);
  if (!cmsSaveProfileToMem(profile.get(), bytes.data(), &size)) return {};
  bytes.resize(size);
  return bytes;
}

int orientationOf(const std::vector<uint8_t>& exif) {
  if (exif.size() < 8) return 1;
  // libexif wants the block as a JPEG APP1 segment carries it.
  static const uint8_t kHeader[] = {'E', 'x', 'i', 'f', 0, 0};
  std::vector<uint8_t> segment(kHeader, kHeader + sizeof kHeader);
  segment.insert(segment.end(), exif.begin(), exif.end());
  ExifData* data = exif_data_new();
  if (!data) return 1;
  // Only read: no mandatory tags filled in, no maker notes looked into.
  exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_unset_option(data, EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
  exif_data_load_data(data, segment.data(), unsigned(segment.size()));
  int orientation = 1;
  ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
  if (entry && entry->format == EXIF_FORMAT_SHORT && entry->components >= 1 && entry->data &&
      entry->size >= 2) {
    const int value = exif_get_short(entry->data, exif_data_get_byte_order(data));
    if (value >= 1 && value <= 8) orientation = value;
  }
  exif_data_unref(data);
  return orientation;
}

namespace {

bool turns(int orientation) { return orientation >= 2 && orientation <= 8; }

// The size of a w x h picture turned as orientation says.
Bitmap turnedCanvas(int32_t w, int32_t h, int orientation) {
  return orientation >= 5 ? Bitmap(h, w) : Bitmap(w, h);
}

// The part of the turned picture that source rows [from, to) of a w x h
// picture land in: rows of it for the mirrors and the half turn, columns
// for the quarter turns and diagonal mirrors.
Rect turnedRegionOfRows(int orientation, int32_t w, int32_t h, int32_t from, int32_t to) {
  switch (orientation) {
    case 2:
      return {0, from, w, to};
    case 3:
    case 4:
      return {0, h - to, w, h - from};
    case 5:
    case 8:
      return {from, 0, to, w};
    case 6:
    case 7:
      return {h - to, 0, h - from, w};
    default:
      return {0, from, w, to};
  }
}

// A pixel's bytes blue, green, red in one word, blue lowest.
using PackedPixel = uint32_t;

// Leaves the colours as they are.
struct KeepColours {
  PackedPixel operator()(uint32_t b, uint32_t g, uint32_t r) const { return b | g << 8 | r << 16; }
};

// Writes the region of out (right and bottom excluded) from a w x h
// picture turned as orientation says (2 to 8), each pixel passed through
// colours (bytes blue, green, red to a PackedPixel). rows holds the
// picture's rows from firstRow on (w * 3 bytes each): every row the region
// comes from.
template <class Colours>
void turnRowsInto(const uint8_t* rows, int32_t firstRow, int32_t w, int32_t h, Bitmap& out,
                  int orientation, const Rect& region, Colours colours) {
  static_assert(std::endian::native == std::endian::little, "pixels are stored as bytes");
  const ptrdiff_t px = Bitmap::kBytesPerPixel;
  const ptrdiff_t stride = ptrdiff_t(w) * px;
  const ptrdiff_t right = (w - 1) * px;       // offset of the last column
  const ptrdiff_t bottom = (h - 1) * stride;  // offset of the last row
  // Output pixel (x, y) is source byte base + x * dx + y * dy of the
  // whole picture.
  ptrdiff_t base = 0, dx = 0, dy = 0;
  switch (orientation) {
    case 2:
      base = right, dx = -px, dy = stride;
      break;
    case 3:
      base = bottom + right, dx = -px, dy = -stride;
      break;
    case 4:
      base = bottom, dx = px, dy = -stride;
      break;
    case 5:
      base = 0, dx = stride, dy = px;
      break;
    case 6:
      base = bottom, dx = -stride, dy = px;
      break;
    case 7:
      base = bottom + right, dx = -stride, dy = -px;
      break;
    case 8:
      base = right, dx = stride, dy = -px;
      break;
    default:
      return;
  }
  base -= ptrdiff_t(firstRow) * stride;  // rows starts at firstRow
  // Four pixels (12 bytes) written as two words; one pixel as its bytes.
  const auto fourAt = [&](uint8_t* o, const uint8_t* s) {
    const uint64_t p0 = colours(s[0], s[1], s[2]);
    const uint64_t p1 = colours(s[dx], s[dx + 1], s[dx + 2]);
    const uint64_t p2 = colours(s[2 * dx], s[2 * dx + 1], s[2 * dx + 2]);
    const uint32_t p3 = colours(s[3 * dx], s[3 * dx + 1], s[3 * dx + 2]);
    const uint64_t low = p0 | p1 << 24 | p2 << 48;
    const uint32_t high = uint32_t(p2 >> 16) | p3 << 8;
    std::memcpy(o, &low, sizeof low);
    std::memcpy(o + sizeof low, &high, sizeof high);
  };
  const auto oneAt = [&](uint8_t* o, const uint8_t* s) {
    const PackedPixel p = colours(s[0], s[1], s[2]);
    o[0] = uint8_t(p);
    o[1] = uint8_t(p >> 8);
    o[2] = uint8_t(p >> 16);
  };
  // A quarter turn reads each group of four source rows along the rows,
  // a column of the tile at a time; a mirror reads and writes along rows.
  const bool quarter = orientation >= 5;
  // Tiles keep both the rows read and the rows written in the cache when
  // the picture turns a quarter: 64 output columns (64 source rows) by 256
  // output rows (768 bytes along each source row, which the processor
  // fetches ahead better than shorter runs; sampled against 64 and 128).
  constexpr int32_t kTileWidth = 64, kTileHeight = 256;
  for (int32_t ty = region.Top; ty < region.Bottom; ty += kTileHeight) {
    const int32_t yEnd = std::min(region.Bottom, ty + kTileHeight);
    for (int32_t tx = region.Left; tx < region.Right; tx += kTileWidth) {
      const int32_t xEnd = std::min(region.Right, tx + kTileWidth);
      const int32_t fourEnd = tx + (xEnd - tx) / 4 * 4;
      if (quarter) {
        // Offsets step down the tile's output rows and along the source
        // rows; a place is only formed where a pixel is.
        const ptrdiff_t outStride = ptrdiff_t(out.stride());
        uint8_t* const outFirst = out.row(ty);
        int32_t x = tx;
        for (; x < fourEnd; x += 4) {
          ptrdiff_t o = x * px, from = base + x * dx + ty * dy;
          for (int32_t y = ty; y < yEnd; ++y, o += outStride, from += dy)
            fourAt(outFirst + o, rows + from);
        }
        for (; x < xEnd; ++x) {
          ptrdiff_t o = x * px, from = base + x * dx + ty * dy;
          for (int32_t y = ty; y < yEnd; ++y, o += outStride, from += dy)
            oneAt(outFirst + o, rows + from);
        }
        continue;
      }
      for (int32_t y = ty; y < yEnd; ++y) {
        uint8_t* o = out.row(y) + size_t(tx) * px;
        const uint8_t* s = rows + (base + tx * dx + y * dy);
        int32_t x = tx;
        for (; x < fourEnd; x += 4, o += 4 * px, s += 4 * dx) fourAt(o, s);
        for (; x < xEnd; ++x, o += px, s += dx) oneAt(o, s);
      }
    }
  }
}

void turnInto(const Bitmap& picture, Bitmap& out, int orientation, const Rect& region) {
  turnRowsInto(picture.data(), 0, picture.width(), picture.height(), out, orientation, region,
               KeepColours{});
}

}  // namespace

Bitmap applyOrientation(Bitmap picture, int orientation) {
  if (!turns(orientation) || picture.isEmpty()) return picture;
  Bitmap out = turnedCanvas(picture.width(), picture.height(), orientation);
  const Rect whole = out.bounds();
  if (int64_t(out.width()) * out.height() < (int64_t(1) << 20) ||
      std::thread::hardware_concurrency() < 2) {
    turnInto(picture, out, orientation, whole);
    return out;
  }
  // The upper and lower halves of the result on two threads.
  const int32_t half = whole.Bottom / 2;
  std::thread lower([&] {
    turnInto(picture, out, orientation, {0, half, whole.Right, whole.Bottom});
  });
  turnInto(picture, out, orientation, {0, 0, whole.Right, half});
  lower.join();
  return out;
}

StreamingFinish::StreamingFinish(int32_t width, int32_t height,
                                 const std::vector<uint8_t>& iccProfile, int orientation)
    : m_width(width), m_height(height), m_orientation(turns(orientation) ? orientation : 1) {
  if (width > 0 && height > 0) {
    SrgbConversion conversion = srgbConversionOf(iccProfile, size_t(width));
    m_convert = std::move(conversion.convert);
    m_matrix = std::move(conversion.matrix);
  }
  const bool alongside = (m_convert || m_orientation != 1) &&
                         int64_t(width) * height >= (int64_t(1) << 20) &&
                         std::thread::hardware_concurrency() >= 2;
  if (alongside && m_orientation != 1) {
    // Four bands of rows: the decoder can run a band or two ahead of the
    // finishing thread before it has to wait.
    m_ringRows = std::min(4 * kBandRows, (height + kBandRows - 1) / kBandRows * kBandRows);
    m_pixels = Bitmap::uninitialized(width, m_ringRows);
  } else {
    m_pixels = Bitmap::uninitialized(width, height);
  }
  if (!alongside) return;  // finished in finish(), if at all
  if (m_orientation != 1) m_turned = turnedCanvas(width, height, m_orientation);
  m_worker = std::thread(&StreamingFinish::work, this);
}

StreamingFinish::~StreamingFinish() {
  if (!m_worker.joinable()) return;
  {
    const std::lock_guard lock(m_mutex);
    m_stopped = true;
  }
  m_changed.notify_one();
  m_worker.join();
}

uint8_t* StreamingFinish::sourceRow(int32_t y) {
  return m_pixels.row(m_ringRows > 0 ? y % m_ringRows : y);
}

int32_t StreamingFinish::finishedBelow() const {
  return std::min({m_claimed, m_working[kWorker], m_working[kDecoder]});
}

uint8_t* StreamingFinish::rowToWrite(int32_t y) {
  if (y < m_writableBelow || m_ringRows == 0) return sourceRow(y);
  std::unique_lock lock(m_mutex);
  if (y > m_decoded) {
    m_decoded = y;
    m_changed.notify_one();
  }
  // Row y takes the ring row of row y - m_ringRows: that one must be
  // finished first. Rows not yet taken are finished here; otherwise the
  // finishing thread is at work on them.
  while (y >= finishedBelow() + m_ringRows) {
    int32_t from = 0, to = 0;
    if (claimRows(lock, kDecoder, false, from, to)) {
      lock.unlock();
      finishClaim(kDecoder, from, to);
      lock.lock();
    } else {
      m_freed.wait(lock);
    }
  }
  m_writableBelow = finishedBelow() + m_ringRows;
  return sourceRow(y);
}

void StreamingFinish::rowsDecoded(int32_t rows) {
  if (!m_worker.joinable()) return;
  {
    const std::lock_guard lock(m_mutex);
    m_decoded = std::max(m_decoded, std::min(rows, m_height));
  }
  m_changed.notify_one();
}

void StreamingFinish::finishRows(int32_t from, int32_t to) {
  if (to <= from) return;
  uint8_t* const rows = sourceRow(from);
  const Rect region = turnedRegionOfRows(m_orientation, m_width, m_height, from, to);
  if (m_orientation != 1 && m_matrix) {
    // Converted as they are turned: each pixel is read once.
    turnRowsInto(rows, from, m_width, m_height, m_turned, m_orientation, region,
                 m_matrix->lookup());
    return;
  }
  if (m_convert) m_convert(rows, size_t(to - from) * size_t(m_width));
  if (m_orientation != 1)
    turnRowsInto(rows, from, m_width, m_height, m_turned, m_orientation, region, KeepColours{});
}

void StreamingFinish::finishClaim(Finisher who, int32_t from, int32_t to) {
  finishRows(from, to);
  {
    const std::lock_guard lock(m_mutex);
    m_working[who] = kNoClaim;
  }
  m_freed.notify_one();
}

bool StreamingFinish::claimRows(std::unique_lock<std::mutex>& lock, Finisher who, bool waitForRows,
                                int32_t& from, int32_t& to) {
  // Half a band at least while decoding goes on, so that waking the thread
  // costs little beside the work; at most a band at a time, so that the
  // decoding thread, once done, finds rows left to share.
  constexpr int32_t kLeast = kBandRows / 2;
  if (waitForRows)
    m_changed.wait(lock, [&] {
      return m_stopped || m_claimed == m_height || m_decoded - m_claimed >= kLeast ||
             m_decoded == m_height;
    });
  if (m_stopped || m_claimed >= m_decoded) return false;
  from = m_claimed;
  // Up to the next multiple of a band: a claim never wraps round the ring.
  to = std::min(m_decoded, (from / kBandRows + 1) * kBandRows);
  m_claimed = to;
  m_working[who] = from;
  return true;
}

void StreamingFinish::work() {
  int32_t from = 0, to = 0;
  for (;;) {
    {
      std::unique_lock lock(m_mutex);
      if (!claimRows(lock, kWorker, true, from, to)) return;
    }
    finishClaim(kWorker, from, to);
  }
}

Bitmap StreamingFinish::finish() {
  if (m_worker.joinable()) {
    rowsDecoded(m_height);
    // The decoding thread is free now: it shares the rows not yet taken.
    int32_t from = 0, to = 0;
    for (;;) {
      {
        std::unique_lock lock(m_mutex);
        if (!claimRows(lock, kDecoder, false, from, to)) break;
      }
      finishClaim(kDecoder, from, to);
    }
    m_worker.join();
  } else if (m_convert || m_orientation != 1) {
    // A small picture: finished here, after decoding.
    if (m_convert) convertRows(m_pixels, m_convert, 0, m_height);
    if (m_orientation != 1) return applyOrientation(std::move(m_pixels), m_orientation);
  }
  return m_orientation != 1 ? std::move(m_turned) : std::move(m_pixels);
}

Bitmap finishPicture(DecodedPicture&& picture, Color background) {
  convertToSrgb(picture.pixels, picture.iccProfile);
  composeOverBackground(picture.pixels, picture.alpha, background);
  return applyOrientation(std::move(picture.pixels), orientationOf(picture.exif));
}

}  // namespace glyphon
