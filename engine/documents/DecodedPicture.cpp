#include "engine/documents/DecodedPicture.h"

#include <lcms2.h>
#include <libexif/exif-data.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
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

// A grey picture arrives as blue = green = red; its grey profile reads the
// first byte of each pixel and skips the other two.
constexpr cmsUInt32Number kGreyOfBgr8 =
    COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | BYTES_SH(1) | EXTRA_SH(2);

// Every step of 16 on each channel and its odd neighbour: an RGB transform
// that keeps all of these within one step is taken to keep every colour (an
// sRGB profile, the common case of phone photos, whose curve tables round a
// little differently from the exact sRGB curve), and the pixels are left
// alone.
bool keepsColours(cmsHTRANSFORM transform) {
  std::vector<uint8_t> probe;
  for (int b = 0; b <= 256; b += 16)
    for (int g = 0; g <= 256; g += 16)
      for (int r = 0; r <= 256; r += 16) {
        const uint8_t bgr[3] = {uint8_t(std::min(b, 255)), uint8_t(std::min(g, 255)),
                                uint8_t(std::min(r, 255))};
        probe.insert(probe.end(), bgr, bgr + 3);
        probe.insert(probe.end(), {uint8_t(bgr[0] ^ 1), uint8_t(bgr[1] ^ 1), uint8_t(bgr[2] ^ 1)});
      }
  std::vector<uint8_t> out(probe.size());
  cmsDoTransform(transform, probe.data(), out.data(), cmsUInt32Number(probe.size() / 3));
  for (size_t i = 0; i < probe.size(); ++i)
    if (std::abs(int(out[i]) - int(probe[i])) > 1) return false;
  return true;
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
  if (iccProfile.empty() || pixels.isEmpty()) return false;
  const ProfilePtr source(
      cmsOpenProfileFromMem(iccProfile.data(), cmsUInt32Number(iccProfile.size())));
  if (!source) return false;
  cmsUInt32Number inputFormat = 0;
  switch (cmsGetColorSpace(source.get())) {
    case cmsSigRgbData:
      inputFormat = TYPE_BGR_8;
      break;
    case cmsSigGrayData:
      inputFormat = kGreyOfBgr8;
      break;
    default:
      return false;  // CMYK, Lab, ...: the decoder has made RGB already
  }
  const ProfilePtr srgb(cmsCreate_sRGBProfile());
  if (!srgb) return false;
  // No cache: neighbouring photo pixels rarely repeat, and comparing each
  // with the last costs more than it saves.
  const TransformPtr transform(cmsCreateTransform(source.get(), inputFormat, srgb.get(), TYPE_BGR_8,
                                                  INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE));
  if (!transform) return false;
  if (inputFormat == TYPE_BGR_8 && keepsColours(transform.get())) return true;
  // One row at a time through a scratch row, so that input and output never
  // share memory.
  std::vector<uint8_t> row(pixels.stride());
  for (int32_t y = 0; y < pixels.height(); ++y) {
    std::memcpy(row.data(), pixels.row(y), row.size());
    cmsDoTransform(transform.get(), row.data(), pixels.row(y), cmsUInt32Number(pixels.width()));
  }
  return true;
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

Bitmap applyOrientation(Bitmap picture, int orientation) {
  if (orientation < 2 || orientation > 8 || picture.isEmpty()) return picture;
  const int32_t w = picture.width();
  const int32_t h = picture.height();
  const bool turned = orientation >= 5;  // the sides swap
  const ptrdiff_t px = Bitmap::kBytesPerPixel;
  const ptrdiff_t stride = ptrdiff_t(picture.stride());
  const ptrdiff_t right = (w - 1) * px;       // offset of the last column
  const ptrdiff_t bottom = (h - 1) * stride;  // offset of the last row
  // Output pixel (x, y) is source byte base + x * dx + y * dy.
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
  }
  Bitmap out(turned ? h : w, turned ? w : h);
  const uint8_t* src = picture.data() + base;
  // Square tiles keep both the rows read and the rows written in the cache
  // when the picture turns a quarter.
  constexpr int32_t kTile = 64;
  for (int32_t ty = 0; ty < out.height(); ty += kTile) {
    const int32_t yEnd = std::min(out.height(), ty + kTile);
    for (int32_t tx = 0; tx < out.width(); tx += kTile) {
      const int32_t xEnd = std::min(out.width(), tx + kTile);
      for (int32_t y = ty; y < yEnd; ++y) {
        uint8_t* o = out.row(y) + size_t(tx) * px;
        const uint8_t* s = src + tx * dx + y * dy;
        for (int32_t x = tx; x < xEnd; ++x, o += px, s += dx) {
          o[0] = s[0];
          o[1] = s[1];
          o[2] = s[2];
        }
      }
    }
  }
  return out;
}

Bitmap finishPicture(DecodedPicture&& picture, Color background) {
  convertToSrgb(picture.pixels, picture.iccProfile);
  composeOverBackground(picture.pixels, picture.alpha, background);
  return applyOrientation(std::move(picture.pixels), orientationOf(picture.exif));
}

}  // namespace glyphon
