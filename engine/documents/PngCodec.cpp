#include "engine/documents/PngCodec.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/Error.h"
#include "engine/documents/PictureSignature.h"

namespace glyphon {

namespace {

// libpng reports a fatal error by calling the error function, which must not
// return. We longjmp out of it; so that no C++ destructor is ever skipped,
// every setjmp lives in one of the small C-style functions below, which hold
// only plain C data and call nothing but libpng.

// Ancillary chunks (profiles, text, EXIF) larger than this are skipped;
// real profiles are a few kilobytes, the largest a few hundred. libpng
// limits what it decompresses to this, but allocates the length an eXIf or
// text chunk claims before reading it, so a 200-byte file claiming a 1 GB
// chunk would cost 1 GB: skippedChunks finds such chunks first.
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t(16) << 20;
// How many ancillary chunks libpng keeps; a file with thousands of text
// chunks is not a picture anyone made on purpose.
constexpr png_uint_32 kMaxCachedChunks = 1000;

struct Reader {
  const uint8_t* data;
  size_t size;
  size_t pos;
  char message[200];
  jmp_buf jump;
};

void onError(png_structp png, png_const_charp text) {
  auto* reader = static_cast<Reader*>(png_get_error_ptr(png));
  if (reader->message[0] == '\0')
    std::snprintf(reader->message, sizeof reader->message, "The PNG picture is damaged (%s)",
                  text);
  std::longjmp(reader->jump, 1);
}

// Damage libpng can read past (a bad CRC in an ancillary chunk, an unknown
// sRGB intent) leaves the pixels intact.
void onWarning(png_structp, png_const_charp) {}

void readBytes(png_structp png, png_bytep out, size_t count) {
  auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
  if (count > reader->size - reader->pos) {
    std::snprintf(reader->message, sizeof reader->message, "The PNG picture is cut short");
    png_error(png, reader->message);
  }
  std::memcpy(out, reader->data + reader->pos, count);
  reader->pos += count;
}

// The names of the ancillary chunks libpng is to skip unread: those whose
// length is beyond kMaxChunkBytes or beyond the end of data (up to eight; the
// walk stops there, since no chunk can be found after one that overruns).
struct SkippedChunks {
  png_byte names[8 * 5] = {};  // four letters and a NUL each
  int count = 0;
};

SkippedChunks skippedChunks(const uint8_t* data, size_t size) {
  SkippedChunks skipped;
  size_t pos = 8;  // after the signature
  // A chunk is its length and type (8 bytes), its data and a CRC (4 bytes);
  // libpng allocates for the data once it has read the first 8.
  while (size - pos >= 8 && skipped.count < 8) {
    const uint8_t* chunk = data + pos;
    const size_t length = (size_t(chunk[0]) << 24) | (size_t(chunk[1]) << 16) |
                          (size_t(chunk[2]) << 8) | chunk[3];
    const bool ancillary = (chunk[4] & 0x20) != 0;  // a lower-case first letter
    const size_t room = size - pos - 8;
    const bool overruns = length > room || room - length < 4;
    if (ancillary && (overruns || length > kMaxChunkBytes)) {
      std::memcpy(skipped.names + skipped.count * 5, chunk + 4, 4);
      ++skipped.count;
    }
    if (overruns) break;
    pos += length + 12;
  }
  return skipped;
}

// Reads the header and sets up the transformations to 8-bit BGR with a
// fourth byte of alpha (255 where the picture has none). Returns the
// number of interlace passes, 0 on failure.
int readHeader(png_structp png, png_infop info, Reader* reader) {
  if (setjmp(reader->jump)) return 0;
  png_set_user_limits(png, Bitmap::kMaxSide, Bitmap::kMaxSide);
  png_set_chunk_malloc_max(png, kMaxChunkBytes);
  png_set_chunk_cache_max(png, kMaxCachedChunks);
  const SkippedChunks skipped = skippedChunks(reader->data, reader->size);
  if (skipped.count > 0)
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, skipped.names, skipped.count);
  png_set_read_fn(png, reader, readBytes);
  png_read_info(png, info);
  const int colourType = png_get_color_type(png, info);
  png_set_expand(png);  // palette to colour, grey below 8 bits to 8, tRNS to alpha
  png_set_scale_16(png);
  if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_filler(png, 0xff, PNG_FILLER_AFTER);  // no effect when there is alpha
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t(png_get_image_width(png, info)) * 4) {
    std::snprintf(reader->message, sizeof reader->message,
                  "The PNG picture has a layout that cannot be read");
    return 0;
  }
  return passes;
}

// BGRA row to the bitmap row and the alpha row.
void splitRow(const uint8_t* in, uint8_t* colour, uint8_t* alpha, size_t width) {
  for (size_t x = 0; x < width; ++x, in += 4, colour += 3) {
    colour[0] = in[0];
    colour[1] = in[1];
    colour[2] = in[2];
    alpha[x] = in[3];
  }
}

// Rows one at a time through one row buffer, for pictures that are not
// interlaced.
int readRows(png_structp png, Reader* reader, uint8_t* colour, uint8_t* alpha, size_t width,
             size_t height, uint8_t* row) {
  if (setjmp(reader->jump)) return 0;
  for (size_t y = 0; y < height; ++y) {
    png_read_row(png, row, nullptr);
    splitRow(row, colour + y * width * 3, alpha + y * width, width);
  }
  return 1;
}

// Every pass over the whole picture in whole, for interlaced pictures.
int readInterlaced(png_structp png, Reader* reader, uint8_t* colour, uint8_t* alpha,
                   size_t width, size_t height, uint8_t* whole, int passes) {
  if (setjmp(reader->jump)) return 0;
  for (int pass = 0; pass < passes; ++pass)
    for (size_t y = 0; y < height; ++y) png_read_row(png, whole + y * width * 4, nullptr);
  for (size_t y = 0; y < height; ++y)
    splitRow(whole + y * width * 4, colour + y * width * 3, alpha + y * width, width);
  return 1;
}

// The chunks after the pixels (an eXIf may come last). Damage there does not
// spoil pixels already read, so a failure here is let pass.
int readEnd(png_structp png, png_infop info, Reader* reader) {
  if (setjmp(reader->jump)) return 0;
  png_read_end(png, info);
  return 1;
}

struct ReadGuard {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~ReadGuard() { png_destroy_read_struct(&png, &info, nullptr); }
};

uint32_t bigEndian32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// The size IHDR gives, checked before libpng allocates anything for it.
void checkHeaderSize(std::span<const uint8_t> data) {
  if (data.size() < 24 || std::memcmp(data.data() + 12, "IHDR", 4) != 0) return;
  const int64_t width = bigEndian32(data.data() + 16);
  const int64_t height = bigEndian32(data.data() + 20);
  Bitmap::checkSize(width, height);
  if (width * height > Bitmap::kDecodeMaxPixels)
    throw Error("The picture is too large (" + std::to_string(width) + " x " +
                std::to_string(height) + " pixels)");
}

void takeMetadata(png_structp png, png_infop info, DecodedPicture& picture) {
  png_charp name = nullptr;
  int compression = 0;
  png_bytep profile = nullptr;
  png_uint_32 profileSize = 0;
  if (picture.iccProfile.empty() &&
      png_get_iCCP(png, info, &name, &compression, &profile, &profileSize) == PNG_INFO_iCCP)
    picture.iccProfile.assign(profile, profile + profileSize);
  png_bytep exif = nullptr;
  png_uint_32 exifSize = 0;
  if (picture.exif.empty() && png_get_eXIf_1(png, info, &exifSize, &exif) == PNG_INFO_eXIf)
    picture.exif.assign(exif, exif + exifSize);
}

}  // namespace

DecodedPicture decodePng(std::span<const uint8_t> data) {
  if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0)
    throw Error("Not a PNG picture (it starts with the bytes " + leadingBytesText(data) + ")");
  checkHeaderSize(data);

  Reader reader{data.data(), data.size(), 0, {}, {}};
  ReadGuard guard;
  guard.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, onError, onWarning);
  if (guard.png) guard.info = png_create_info_struct(guard.png);
  if (!guard.png || !guard.info) throw Error("There is not enough memory to read the PNG picture");

  const int passes = readHeader(guard.png, guard.info, &reader);
  if (passes == 0) throw Error(reader.message);
  const png_uint_32 width = png_get_image_width(guard.png, guard.info);
  const png_uint_32 height = png_get_image_height(guard.png, guard.info);
  Bitmap::checkSize(width, height);
  if (int64_t(width) * height > Bitmap::kDecodeMaxPixels)
    throw Error("The picture is too large (" + std::to_string(width) + " x " +
                std::to_string(height) + " pixels)");

  DecodedPicture picture;
  picture.pixels = Bitmap(int32_t(width), int32_t(height));
  picture.alpha.resize(size_t(width) * height);
  int ok = 0;
  if (passes == 1) {
    std::vector<uint8_t> row(size_t(width) * 4);
    ok = readRows(guard.png, &reader, picture.pixels.data(), picture.alpha.data(), width, height,
                  row.data());
  } else {
    std::vector<uint8_t> whole(size_t(width) * height * 4);
    ok = readInterlaced(guard.png, &reader, picture.pixels.data(), picture.alpha.data(), width,
                        height, whole.data(), passes);
  }
  if (!ok) throw Error(reader.message);
  takeMetadata(guard.png, guard.info, picture);
  if (readEnd(guard.png, guard.info, &reader)) takeMetadata(guard.png, guard.info, picture);

  // A tRNS colour no pixel uses, or an alpha channel that is opaque
  // everywhere, makes no transparency.
  bool opaque = true;
  for (uint8_t a : picture.alpha)
    if (a != 255) {
      opaque = false;
      break;
    }
  if (opaque) picture.alpha.clear();
  return picture;
}

}  // namespace glyphon
