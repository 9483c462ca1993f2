#include "engine/documents/TiffCodec.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/Error.h"
#include "engine/documents/PictureSignature.h"

namespace glyphon {

namespace {

// No single allocation of libtiff's may exceed the largest picture as RGBA
// plus a margin: a strip or tile table of a damaged header cannot claim
// more.
constexpr tmsize_t kMaxSingleAllocation = tmsize_t(Bitmap::kDecodeMaxPixels) * 4 + (16 << 20);

struct MemoryFile {
  std::span<const uint8_t> data;
  uint64_t pos = 0;
  std::string firstError;
};

tmsize_t readProc(thandle_t handle, void* out, tmsize_t size) {
  auto* file = static_cast<MemoryFile*>(handle);
  if (size <= 0 || file->pos >= file->data.size()) return 0;
  const uint64_t count = std::min<uint64_t>(uint64_t(size), file->data.size() - file->pos);
  std::memcpy(out, file->data.data() + file->pos, count);
  file->pos += count;
  return tmsize_t(count);
}

tmsize_t writeProc(thandle_t, void*, tmsize_t) { return 0; }

toff_t seekProc(thandle_t handle, toff_t offset, int whence) {
  auto* file = static_cast<MemoryFile*>(handle);
  uint64_t base = 0;
  if (whence == SEEK_CUR) base = file->pos;
  if (whence == SEEK_END) base = file->data.size();
  // Seeking past the end is allowed; reads there give nothing.
  file->pos = base + offset;
  return file->pos;
}

int closeProc(thandle_t) { return 0; }

toff_t sizeProc(thandle_t handle) { return static_cast<MemoryFile*>(handle)->data.size(); }

int onError(TIFF*, void* user, const char*, const char* format, va_list args) {
  auto* file = static_cast<MemoryFile*>(user);
  if (file->firstError.empty()) {
    char text[300];
    std::vsnprintf(text, sizeof text, format, args);
    file->firstError = text;
  }
  return 1;
}

int onWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct OptionsDeleter {
  void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};
struct TiffDeleter {
  void operator()(TIFF* t) const { TIFFClose(t); }
};

[[noreturn]] void fail(const MemoryFile& file, const char* what) {
  std::string message = what;
  if (!file.firstError.empty()) message += " (" + file.firstError + ")";
  throw Error(message);
}

// An EXIF block (little-endian TIFF header, one IFD) holding the
// Orientation tag alone.
std::vector<uint8_t> orientationExif(uint16_t orientation) {
  return {'I', 'I', 42, 0, 8, 0, 0, 0,                  // header, IFD at 8
          1,   0,                                       // one entry
          0x12, 0x01, 3, 0, 1, 0, 0, 0,                 // Orientation, SHORT, count 1
          uint8_t(orientation), uint8_t(orientation >> 8), 0, 0,
          0,   0,   0, 0};                              // no next IFD
}

}  // namespace

DecodedPicture decodeTiff(std::span<const uint8_t> data) {
  if (pictureFormatOfContent(data) != PictureFormat::Tiff)
    throw Error("Not a TIFF picture (it starts with the bytes " + leadingBytesText(data) + ")");
  MemoryFile file{data, 0, {}};
  std::unique_ptr<TIFFOpenOptions, OptionsDeleter> options(TIFFOpenOptionsAlloc());
  if (!options) throw Error("There is not enough memory to read the TIFF picture");
  TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), kMaxSingleAllocation);
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), onError, &file);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), onWarning, &file);
  // "m": never map the data; reading goes through readProc alone.
  std::unique_ptr<TIFF, TiffDeleter> tiff(
      TIFFClientOpenExt("picture", "rm", &file, readProc, writeProc, seekProc, closeProc,
                        sizeProc, nullptr, nullptr, options.get()));
  if (!tiff) fail(file, "The TIFF picture is damaged or cut short");

  uint32_t width = 0;
  uint32_t height = 0;
  if (!TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) ||
      !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height))
    fail(file, "The TIFF picture has no size");
  Bitmap::checkSize(width, height);
  if (int64_t(width) * height > Bitmap::kDecodeMaxPixels)
    throw Error("The picture is too large (" + std::to_string(width) + " x " +
                std::to_string(height) + " pixels)");

  char why[1024] = "";
  if (!TIFFRGBAImageOK(tiff.get(), why))
    throw Error(std::string("This kind of TIFF picture cannot be read (") + why + ")");
  TIFFRGBAImage image;
  if (!TIFFRGBAImageBegin(&image, tiff.get(), 0, why))
    throw Error(std::string("This kind of TIFF picture cannot be read (") + why + ")");
  // Rows as the file stores them; orientation is applied with the EXIF one.
  image.req_orientation = image.orientation;
  std::vector<uint32_t> raster;
  bool ok = false;
  try {
    raster.resize(size_t(width) * height);
    ok = TIFFRGBAImageGet(&image, raster.data(), width, height) != 0;
  } catch (...) {
    TIFFRGBAImageEnd(&image);
    throw;
  }
  const bool hasAlpha = image.alpha != 0;
  const uint16_t orientation = image.orientation;
  TIFFRGBAImageEnd(&image);
  if (!ok) fail(file, "The TIFF picture is damaged or cut short");

  DecodedPicture picture;
  picture.pixels = Bitmap(int32_t(width), int32_t(height));
  if (hasAlpha) picture.alpha.resize(raster.size());
  uint8_t* colour = picture.pixels.data();
  bool opaque = true;
  for (size_t i = 0; i < raster.size(); ++i, colour += 3) {
    const uint32_t p = raster[i];
    unsigned r = TIFFGetR(p), g = TIFFGetG(p), b = TIFFGetB(p);
    const unsigned a = TIFFGetA(p);
    if (hasAlpha) {
      // libtiff hands colour premultiplied by alpha; the picture keeps it
      // straight, as the other formats do.
      if (a != 0 && a != 255) {
        r = std::min(255u, (r * 255 + a / 2) / a);
        g = std::min(255u, (g * 255 + a / 2) / a);
        b = std::min(255u, (b * 255 + a / 2) / a);
      }
      picture.alpha[i] = uint8_t(a);
      opaque = opaque && a == 255;
    }
    colour[0] = uint8_t(b);
    colour[1] = uint8_t(g);
    colour[2] = uint8_t(r);
  }
  if (opaque) picture.alpha.clear();

  uint32_t profileSize = 0;
  void* profile = nullptr;
  if (TIFFGetField(tiff.get(), TIFFTAG_ICCPROFILE, &profileSize, &profile) && profile)
    picture.iccProfile.assign(static_cast<const uint8_t*>(profile),
                              static_cast<const uint8_t*>(profile) + profileSize);
  if (orientation > ORIENTATION_TOPLEFT && orientation <= ORIENTATION_LEFTBOT)
    picture.exif = orientationExif(orientation);
  return picture;
}

}  // namespace glyphon
