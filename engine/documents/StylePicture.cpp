#include "engine/documents/StylePicture.h"

#include <algorithm>
#include <array>

#include "engine/core/Compositor.h"
#include "engine/core/Error.h"
#include "engine/core/FileIO.h"
#include "engine/documents/BmpCodec.h"
#include "engine/documents/JpegCodec.h"
#include "engine/documents/PictureExport.h"
#include "glyphon/style_plugin.h"

namespace glyphon {

namespace {

static_assert(kStylePictureHeadSize == GLYPHON_GPH_HEADER_SIZE);

// Where the scrambled bytes of each kind start.
constexpr size_t kJpegScrambledFrom = 5;
constexpr size_t kBmpScrambledFrom = 2;

// The five bytes a JPEG style picture's head restores to: the start-of-image
// marker, the APP0 marker and the high byte of the APP0 segment's length.
constexpr std::array<uint8_t, 5> kJpegStart{0xFF, 0xD8, 0xFF, 0xE0, 0x00};
constexpr std::array<uint8_t, 2> kJpegMark{'s', 't'};

uint8_t scrambleKey(size_t offset, unsigned kindOffset) {
  return uint8_t((offset + kindOffset) & 0xFF);
}

// Applies the kind's XOR to bytes [from, kStylePictureHeadSize) in place.
void scrambleHead(std::vector<uint8_t>& bytes, size_t from, unsigned kindOffset) {
  for (size_t i = from; i < kStylePictureHeadSize; ++i) bytes[i] ^= scrambleKey(i, kindOffset);
}

void requireHead(std::span<const uint8_t> data) {
  if (data.size() < kStylePictureHeadSize)
    throw Error("A style picture holds at least " + std::to_string(kStylePictureHeadSize) +
                " bytes; this one holds " + std::to_string(data.size()));
}

const char* kindName(PictureFormat format) {
  return format == PictureFormat::Jpeg ? "JPEG" : "bitmap";
}

}  // namespace

PictureFormat stylePictureFormat(std::span<const uint8_t> data) {
  requireHead(data);
  return data[3] == kJpegMark[0] && data[4] == kJpegMark[1] ? PictureFormat::Jpeg
                                                            : PictureFormat::Bmp;
}

std::vector<uint8_t> unpackStylePicture(std::span<const uint8_t> data) {
  const PictureFormat format = stylePictureFormat(data);
  std::vector<uint8_t> file(data.begin(), data.end());
  if (format == PictureFormat::Jpeg) {
    std::copy(kJpegStart.begin(), kJpegStart.end(), file.begin());
    scrambleHead(file, kJpegScrambledFrom, GLYPHON_GPH_JPEG_OFFSET);
  } else {
    file[0] = 'B';
    file[1] = 'M';
    scrambleHead(file, kBmpScrambledFrom, GLYPHON_GPH_BITMAP_OFFSET);
  }
  return file;
}

Bitmap decodeStylePicture(std::span<const uint8_t> data) {
  const PictureFormat format = stylePictureFormat(data);
  const std::vector<uint8_t> file = unpackStylePicture(data);
  try {
    return format == PictureFormat::Jpeg ? decodeJpeg(file) : decodeBmp(file);
  } catch (const Error& e) {
    throw Error(std::string("The style picture is of the ") + kindName(format) +
                " kind but cannot be decoded as such: " + e.what());
  }
}

Bitmap loadStylePicture(const std::string& path) {
  const std::vector<uint8_t> data = readWholeFile(path);
  try {
    return decodeStylePicture(data);
  } catch (const Error& e) {
    throw Error("Cannot read the style picture \"" + path + "\". " + e.what());
  }
}

std::vector<uint8_t> packStylePicture(std::span<const uint8_t> pictureFile) {
  std::vector<uint8_t> out(pictureFile.begin(), pictureFile.end());
  if (out.size() < kStylePictureHeadSize) out.resize(kStylePictureHeadSize, 0);

  if (pictureFile.size() >= kJpegStart.size() &&
      std::equal(kJpegStart.begin(), kJpegStart.end(), pictureFile.begin())) {
    scrambleHead(out, kJpegScrambledFrom, GLYPHON_GPH_JPEG_OFFSET);
    out[3] = kJpegMark[0];
    out[4] = kJpegMark[1];
    return out;
  }
  if (pictureFile.size() >= 2 && pictureFile[0] == 'B' && pictureFile[1] == 'M') {
    // Scrambled bytes 3 and 4 reading "st" would announce the JPEG kind.
    // They belong to the file's total size, which BMP readers do not use.
    const bool looksLikeJpeg = (out[3] ^ scrambleKey(3, GLYPHON_GPH_BITMAP_OFFSET)) == 's' &&
                               (out[4] ^ scrambleKey(4, GLYPHON_GPH_BITMAP_OFFSET)) == 't';
    if (looksLikeJpeg) std::fill(out.begin() + 2, out.begin() + 6, uint8_t(0));
    scrambleHead(out, kBmpScrambledFrom, GLYPHON_GPH_BITMAP_OFFSET);
    return out;
  }
  throw Error(
      "Only BMP files and JPEG files that begin with a JFIF (APP0) segment can be packed "
      "into a style picture");
}

void saveStylePicture(const std::string& path, const Bitmap& bitmap, PictureFormat format) {
  writeWholeFile(path, packStylePicture(encodePicture(bitmap, format)));
}

Bitmap stylePreview(const Bitmap& sample, int32_t width, int32_t height, Color color) {
  Bitmap preview(width, height);
  stretchBlt(preview, 0, 0, width, height, sample, 0, 0, sample.width(), sample.height());
  TintBitmap(preview, color);
  return preview;
}

}  // namespace glyphon
