#include "engine/documents/BmpCodec.h"

#include <algorithm>
#include <array>
#include <bit>
#include <string>

#include "engine/core/Error.h"
#include "engine/core/FileIO.h"

namespace glyphon {

namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiJpeg = 4;
constexpr uint32_t kBiPng = 5;

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;

constexpr int64_t kDecodeMaxPixels = Bitmap::kDecodeMaxPixels;

[[nodiscard]] uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
[[nodiscard]] uint32_t le32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

[[noreturn]] void fail(const std::string& message) { throw Error(message); }

// What the info header says about the picture, in a form common to all
// header versions.
struct BmpInfo {
  uint32_t headerSize = 0;
  int64_t width = 0;
  int64_t height = 0;  // absolute value
  bool topDown = false;
  uint16_t planes = 1;
  uint16_t bitCount = 0;
  uint32_t compression = kBiRgb;
  uint32_t sizeImage = 0;
  uint32_t clrUsed = 0;
  // Red, green and blue masks for 16 and 32 bits per pixel.
  std::array<uint32_t, 3> masks{};

  [[nodiscard]] bool isCore() const { return headerSize == kCoreHeaderSize; }
  // Bytes of one colour table entry: OS/2 core tables hold 3-byte triples.
  [[nodiscard]] int64_t paletteEntrySize() const { return isCore() ? 3 : 4; }
  // The masks sit in their own 12 bytes right after a 40-byte header.
  [[nodiscard]] bool masksFollowHeader() const {
    return headerSize == kInfoHeaderSize && compression == kBiBitfields;
  }
  [[nodiscard]] int64_t maskBytes() const { return masksFollowHeader() ? 12 : 0; }
  // Entries the colour table occupies in the file.
  [[nodiscard]] int64_t paletteEntries() const {
    if (isCore()) return bitCount <= 8 ? int64_t(1) << bitCount : 0;
    if (clrUsed != 0) return clrUsed;
    return bitCount <= 8 ? int64_t(1) << bitCount : 0;
  }
  // Entries the pixels can refer to.
  [[nodiscard]] int64_t usablePaletteEntries() const {
    return bitCount <= 8 ? std::min(paletteEntries(), int64_t(1) << bitCount) : 0;
  }
  [[nodiscard]] int64_t rowBytes() const { return (width * bitCount + 31) / 32 * 4; }
  [[nodiscard]] bool isRle() const { return compression == kBiRle8 || compression == kBiRle4; }
};

bool isKnownHeaderSize(uint32_t size) {
  return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// Reads the info header at p, which holds at least headerSize bytes
// (headerSize being one of the known sizes).
BmpInfo parseInfoHeader(const uint8_t* p, uint32_t headerSize) {
  BmpInfo info;
  info.headerSize = headerSize;
  if (headerSize == kCoreHeaderSize) {
    info.width = le16(p + 4);
    info.height = le16(p + 6);
    info.planes = le16(p + 8);
    info.bitCount = le16(p + 10);
    return info;
  }
  info.width = int32_t(le32(p + 4));
  const int64_t height = int32_t(le32(p + 8));
  info.topDown = height < 0;
  info.height = height < 0 ? -height : height;
  info.planes = le16(p + 12);
  info.bitCount = le16(p + 14);
  info.compression = le32(p + 16);
  info.sizeImage = le32(p + 20);
  info.clrUsed = le32(p + 32);
  if (headerSize >= 52) info.masks = {le32(p + 40), le32(p + 44), le32(p + 48)};
  return info;
}

void checkMasks(const BmpInfo& info) {
  const uint64_t limit = info.bitCount == 32 ? 0xFFFFFFFFu : (uint64_t(1) << info.bitCount) - 1;
  uint32_t seen = 0;
  for (uint32_t mask : info.masks) {
    const bool contiguous =
        mask != 0 && std::has_single_bit((mask >> std::countr_zero(mask)) + 1ull);
    if (!contiguous || mask > limit || (mask & seen) != 0)
      fail("The colour masks of the bitmap are not valid");
    seen |= mask;
  }
}

// Refuses everything the decoder does not handle; fills the implied masks.
void validate(BmpInfo& info) {
  if (info.width <= 0 || info.height == 0)
    fail("Invalid bitmap size " + std::to_string(info.width) + " x " +
         std::to_string(info.topDown ? -info.height : info.height));
  if (info.planes != 1)
    fail("The bitmap has " + std::to_string(info.planes) + " colour planes; only 1 is allowed");
  const uint16_t bits = info.bitCount;
  if (info.isCore()
          ? (bits != 1 && bits != 4 && bits != 8 && bits != 24)
          : (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32))
    fail("Unsupported bitmap bit count " + std::to_string(bits));
  const std::string depth = std::to_string(bits) + " bits per pixel";
  switch (info.compression) {
    case kBiRgb:
      if (bits == 16) info.masks = {0x7C00, 0x03E0, 0x001F};
      if (bits == 32) info.masks = {0xFF0000, 0xFF00, 0xFF};
      break;
    case kBiRle8:
      if (bits != 8) fail("An RLE8 compressed bitmap must have 8 bits per pixel, not " + depth);
      break;
    case kBiRle4:
      if (bits != 4) fail("An RLE4 compressed bitmap must have 4 bits per pixel, not " + depth);
      break;
    case kBiBitfields:
      if (bits != 16 && bits != 32)
        fail("A bitmap with colour masks must have 16 or 32 bits per pixel, not " + depth);
      break;
    case kBiJpeg:
    case kBiPng:
      fail("JPEG or PNG pictures inside a BMP file are not supported");
    default:
      fail("Unsupported bitmap compression " + std::to_string(info.compression));
  }
  if (info.isRle() && info.topDown) fail("A top-down bitmap cannot be RLE compressed");
  Bitmap::checkSize(info.width, info.height);
  if (info.width * info.height > kDecodeMaxPixels)
    fail("The picture is too large (" + std::to_string(info.width) + " x " +
         std::to_string(info.height) + " pixels)");
}

void readMasksAfterHeader(BmpInfo& info, const uint8_t* p) {
  if (info.masksFollowHeader()) info.masks = {le32(p), le32(p + 4), le32(p + 8)};
  if (info.bitCount == 16 || info.bitCount == 32) checkMasks(info);
}

// A colour table as blue, green, red triples.
struct Palette {
  std::array<uint8_t, 256 * 3> bgr{};
  int count = 0;
};

Palette readPalette(const BmpInfo& info, const uint8_t* p) {
  Palette palette;
  palette.count = int(info.usablePaletteEntries());
  const int64_t step = info.paletteEntrySize();
  for (int i = 0; i < palette.count; ++i) {
    std::copy_n(p + i * step, 3, palette.bgr.begin() + i * 3);
  }
  return palette;
}

// Writes palette entry index to out, refusing indexes past the table.
inline void putIndexed(uint8_t* out, const Palette& palette, unsigned index) {
  if (int(index) >= palette.count)
    fail("A pixel of the bitmap refers to colour " + std::to_string(index) +
         " past the end of its colour table of " + std::to_string(palette.count) + " entries");
  const uint8_t* c = palette.bgr.data() + index * 3;
  out[0] = c[0];
  out[1] = c[1];
  out[2] = c[2];
}

// Maps one colour channel of a 16- or 32-bit pixel to 8 bits by mask and
// shift. Channels narrower than 8 bits repeat their bits downwards (5 bits
// abcde become abcdeabc), so that 0 stays 0 and the maximum becomes 255.
class Channel {
 public:
  explicit Channel(uint32_t mask)
      : m_mask(mask), m_shift(std::countr_zero(mask)), m_bits(std::popcount(mask)) {
    if (m_bits < 8) {
      for (uint32_t v = 0; v < (1u << m_bits); ++v) {
        uint32_t out = 0;
        for (int at = 8 - m_bits;; at -= m_bits) {
          out |= at >= 0 ? v << at : v >> -at;
          if (at <= 0) break;
        }
        m_table[v] = uint8_t(out);
      }
    }
  }
  [[nodiscard]] uint8_t operator()(uint32_t pixel) const {
    const uint32_t v = (pixel & m_mask) >> m_shift;
    return m_bits < 8 ? m_table[v] : uint8_t(v >> (m_bits - 8));
  }

 private:
  uint32_t m_mask;
  int m_shift;
  int m_bits;
  std::array<uint8_t, 256> m_table{};
};

// Decodes one uncompressed file row of `width` pixels into 24-bit BGR.
void decodeRow(const BmpInfo& info, const Palette& palette, const Channel* channels,
               const uint8_t* src, uint8_t* out) {
  const int64_t width = info.width;
  switch (info.bitCount) {
    case 1:
      for (int64_t x = 0; x < width; ++x, out += 3)
        putIndexed(out, palette, (src[x >> 3] >> (7 - (x & 7))) & 1);
      break;
    case 4:
      for (int64_t x = 0; x < width; ++x, out += 3)
        putIndexed(out, palette, (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4));
      break;
    case 8:
      for (int64_t x = 0; x < width; ++x, out += 3) putIndexed(out, palette, src[x]);
      break;
    case 24:
      std::copy_n(src, width * 3, out);
      break;
    case 16:
    case 32: {
      const int bytes = info.bitCount / 8;
      for (int64_t x = 0; x < width; ++x, out += 3, src += bytes) {
        const uint32_t v = bytes == 2 ? le16(src) : le32(src);
        out[0] = channels[2](v);
        out[1] = channels[1](v);
        out[2] = channels[0](v);
      }
      break;
    }
    default:
      fail("Unsupported bitmap bit count " + std::to_string(info.bitCount));
  }
}

Bitmap decodeUncompressed(const BmpInfo& info, const Palette& palette,
                          std::span<const uint8_t> pixels) {
  const int64_t rowBytes = info.rowBytes();
  // The last row need not carry its padding.
  const int64_t needed = (info.height - 1) * rowBytes + (info.width * info.bitCount + 7) / 8;
  if (int64_t(pixels.size()) < needed) fail("The pixel data of the bitmap is truncated");

  std::array<Channel, 3> channels{Channel(info.masks[0] ? info.masks[0] : 1),
                                  Channel(info.masks[1] ? info.masks[1] : 1),
                                  Channel(info.masks[2] ? info.masks[2] : 1)};
  // Every row is written below.
  Bitmap bitmap = Bitmap::uninitialized(int32_t(info.width), int32_t(info.height));
  for (int64_t r = 0; r < info.height; ++r) {
    const int32_t y = int32_t(info.topDown ? r : info.height - 1 - r);
    decodeRow(info, palette, channels.data(), pixels.data() + r * rowBytes, bitmap.row(y));
  }
  return bitmap;
}

// Decodes an RLE8 or RLE4 stream. Rows count from the bottom; pixels the
// stream never sets stay black, pixels beyond the right edge are dropped, and
// a stream that ends without its end-of-bitmap escape keeps what it set.
Bitmap decodeRle(const BmpInfo& info, const Palette& palette, std::span<const uint8_t> data) {
  const bool rle4 = info.compression == kBiRle4;
  Bitmap bitmap(int32_t(info.width), int32_t(info.height));
  const size_t n = data.size();
  int64_t x = 0, y = 0;
  auto put = [&](int64_t px, unsigned index) {
    putIndexed(bitmap.row(int32_t(info.height - 1 - y)) + px * 3, palette, index);
  };
  size_t i = 0;
  while (i + 2 <= n && y < info.height) {
    const unsigned count = data[i], value = data[i + 1];
    i += 2;
    if (count > 0) {
      const int64_t end = std::min<int64_t>(x + count, info.width);
      for (int64_t px = x; px < end; ++px)
        put(px, rle4 ? (((px - x) & 1) ? (value & 0x0F) : (value >> 4)) : value);
      x += count;
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // delta
      if (i + 2 > n) break;
      x += data[i];
      y += data[i + 1];
      i += 2;
    } else {  // absolute run of `value` pixels, padded to a 16-bit boundary
      const size_t bytes = rle4 ? (value + 1) / 2 : value;
      if (i + bytes > n) break;
      const int64_t end = std::min<int64_t>(x + value, info.width);
      for (int64_t px = x; px < end; ++px) {
        const int64_t k = px - x;
        put(px, rle4 ? ((k & 1) ? (data[i + k / 2] & 0x0F) : (data[i + k / 2] >> 4)) : data[i + k]);
      }
      x += value;
      i += bytes + (bytes & 1);
    }
  }
  return bitmap;
}

Bitmap decodePixels(const BmpInfo& info, const Palette& palette, std::span<const uint8_t> pixels) {
  return info.isRle() ? decodeRle(info, palette, pixels)
                      : decodeUncompressed(info, palette, pixels);
}

// The info header and bit-field masks of the image that starts at in (its
// "BM" already checked), and where its colour table starts. truncated is the
// message for an image that ends inside them.
struct Headers {
  BmpInfo info;
  int64_t paletteAt;
};

// Bytes from the start of an image to the end of the largest colour table
// the pixels can use: the file header, the largest info header, the masks
// and 256 entries of 4 bytes.
constexpr size_t kHeadBytes = kFileHeaderSize + 124 + 12 + 256 * 4;

// head holds the first min(size, kHeadBytes) bytes of an image of size bytes.
[[nodiscard]] Headers readHeaders(std::span<const uint8_t> head, int64_t size,
                                  const char* truncated) {
  if (size < int64_t(kFileHeaderSize) + 4) fail(truncated);
  const uint32_t headerSize = le32(head.data() + kFileHeaderSize);
  if (!isKnownHeaderSize(headerSize))
    fail("Unsupported bitmap header size " + std::to_string(headerSize));
  if (size < int64_t(kFileHeaderSize + headerSize)) fail(truncated);
  BmpInfo info = parseInfoHeader(head.data() + kFileHeaderSize, headerSize);
  validate(info);

  const int64_t masksAt = int64_t(kFileHeaderSize) + headerSize;
  const int64_t paletteAt = masksAt + info.maskBytes();
  if (size < paletteAt) fail(truncated);
  readMasksAfterHeader(info, head.data() + masksAt);
  return {info, paletteAt};
}

}  // namespace

Bitmap decodeBmp(std::span<const uint8_t> data) {
  const int64_t size = int64_t(data.size());
  if (size < int64_t(kFileHeaderSize) || data[0] != 'B' || data[1] != 'M')
    fail("Bitmap image is not valid");
  const auto [info, paletteAt] = readHeaders(data, size, "The bitmap file ends inside its headers");

  // The colour table must lie between the headers and the pixels.
  const int64_t offBits = le32(data.data() + 10);
  const int64_t paletteEnd = paletteAt + info.usablePaletteEntries() * info.paletteEntrySize();
  if (offBits < paletteEnd)
    fail("The pixel data offset " + std::to_string(offBits) +
         " of the bitmap lies inside its headers or colour table");
  if (offBits > size)
    fail("The pixel data offset " + std::to_string(offBits) +
         " of the bitmap lies past the end of the file");
  const Palette palette = readPalette(info, data.data() + paletteAt);

  std::span<const uint8_t> pixels = data.subspan(size_t(offBits));
  if (info.isRle() && info.sizeImage != 0) {
    if (info.sizeImage > pixels.size())
      fail("The compressed pixel data of the bitmap (" + std::to_string(info.sizeImage) +
           " bytes) extends past the end of the file");
    pixels = pixels.first(info.sizeImage);
  }
  return decodePixels(info, palette, pixels);
}

Bitmap loadBmpFile(const std::string& path) { return decodeBmp(readWholeFileBytes(path)); }

Bitmap readBmpImage(ByteStream& in) {
  const char* const streamError = "Stream read error";
  const int64_t size = int64_t(in.left());
  if (size < int64_t(kFileHeaderSize)) fail(streamError);
  const std::span<const uint8_t> head = in.peek(kHeadBytes);
  if (head[0] != 'B' || head[1] != 'M') fail("Bitmap image is not valid");
  const auto [info, paletteAt] = readHeaders(head, size, streamError);

  // Sizes are at most 2^32 x 4 for the table and 2^32 for the pixels after
  // validate(), so these sums cannot overflow.
  const int64_t pixelsAt = paletteAt + info.paletteEntries() * info.paletteEntrySize();
  const int64_t rowsBytes = info.rowBytes() * info.height;
  const int64_t pixelBytes =
      (info.compression == kBiRgb || info.sizeImage == 0) ? rowsBytes : int64_t(info.sizeImage);
  if (size < pixelsAt || size - pixelsAt < pixelBytes) fail(streamError);
  if (!info.isRle() && pixelBytes < rowsBytes)
    fail("The image size of the bitmap (" + std::to_string(pixelBytes) +
         " bytes) is smaller than its pixel rows (" + std::to_string(rowsBytes) + " bytes)");

  // The usable entries lie within head: they end before the pixels, and
  // head holds every byte up to kHeadBytes.
  const Palette palette = readPalette(info, head.data() + paletteAt);
  in.skip(uint64_t(pixelsAt));
  if (info.compression == kBiRgb && info.bitCount == 24) {
    // Each row goes from the stream straight to its place in the picture.
    Bitmap bitmap = Bitmap::uninitialized(int32_t(info.width), int32_t(info.height));
    const size_t padding = size_t(info.rowBytes()) - bitmap.stride();
    for (int64_t r = 0; r < info.height; ++r) {
      in.read(bitmap.row(int32_t(info.topDown ? r : info.height - 1 - r)), bitmap.stride());
      in.skip(padding);
    }
    return bitmap;
  }
  PixelBytes scratch;
  return decodePixels(info, palette, in.take(size_t(pixelBytes), scratch));
}

Bitmap readBmpImage(std::span<const uint8_t> data, size_t& pos) {
  if (pos > data.size()) fail("Stream read error");
  ByteStream in(data.subspan(pos));
  Bitmap bitmap = readBmpImage(in);
  pos += size_t(in.position());
  return bitmap;
}

namespace {

// Bytes of the BMP file image of bitmap; throws Error for an empty bitmap,
// which no BMP reader would accept.
uint64_t bmpFileSize(const Bitmap& bitmap) {
  if (bitmap.isEmpty())
    fail("An empty picture (" + std::to_string(bitmap.width()) + " x " +
         std::to_string(bitmap.height()) + " pixels) cannot be stored as a BMP image");
  const uint64_t rowBytes = (uint64_t(bitmap.width()) * 3 + 3) / 4 * 4;
  return kFileHeaderSize + kInfoHeaderSize + rowBytes * uint64_t(bitmap.height());
}

// Writes the file header and info header of the BMP file image of a
// non-empty bitmap (kFileHeaderSize + kInfoHeaderSize bytes) to out;
// returns where they end.
uint8_t* writeBmpHeaders(uint8_t* out, const Bitmap& bitmap) {
  const uint64_t width = uint64_t(bitmap.width());
  const uint64_t height = uint64_t(bitmap.height());
  const uint64_t rowBytes = (width * 3 + 3) / 4 * 4;
  const uint64_t imageSize = rowBytes * height;
  const uint64_t offBits = kFileHeaderSize + kInfoHeaderSize;
  // Bitmap limits keep this far below 4 GiB.
  const uint64_t fileSize = offBits + imageSize;
  constexpr uint32_t kPixelsPerMetre = 2835;  // 72 dots per inch

  auto le16 = [&out](uint32_t v) {
    *out++ = uint8_t(v);
    *out++ = uint8_t(v >> 8);
  };
  auto le32 = [&le16](uint32_t v) {
    le16(v & 0xFFFF);
    le16(v >> 16);
  };
  *out++ = 'B';
  *out++ = 'M';
  le32(uint32_t(fileSize));
  le32(0);  // two reserved 16-bit fields
  le32(uint32_t(offBits));
  le32(kInfoHeaderSize);
  le32(uint32_t(width));
  le32(uint32_t(height));  // positive: rows run bottom-up
  le16(1);                 // planes
  le16(24);                // bits per pixel
  le32(kBiRgb);
  le32(uint32_t(imageSize));
  le32(kPixelsPerMetre);
  le32(kPixelsPerMetre);
  le32(0);  // colours used
  le32(0);  // important colours
  return out;
}

// Writes file row r (0 the bottom one) of bitmap, padded, to out; returns
// where it ends.
uint8_t* writeBmpRow(uint8_t* out, const Bitmap& bitmap, int32_t r) {
  const size_t padding = size_t((uint64_t(bitmap.width()) * 3 + 3) / 4 * 4) - bitmap.stride();
  out = std::copy_n(bitmap.row(bitmap.height() - 1 - r), bitmap.stride(), out);
  return std::fill_n(out, padding, uint8_t(0));
}

// Writes the BMP file image of a non-empty bitmap to out, which has room
// for bmpFileSize(bitmap) bytes; every byte is written.
void writeBmp(uint8_t* out, const Bitmap& bitmap) {
  out = writeBmpHeaders(out, bitmap);
  for (int32_t r = 0; r < bitmap.height(); ++r) out = writeBmpRow(out, bitmap, r);
}

}  // namespace

void appendBmp(std::vector<uint8_t>& out, const Bitmap& bitmap) {
  const size_t at = out.size();
  out.resize(at + size_t(bmpFileSize(bitmap)));
  writeBmp(out.data() + at, bitmap);
}

std::vector<uint8_t> encodeBmp(const Bitmap& bitmap) {
  std::vector<uint8_t> out;
  appendBmp(out, bitmap);
  return out;
}

void saveBmpFile(const std::string& path, const Bitmap& bitmap) {
  (void)bmpFileSize(bitmap);  // refuses an empty picture before any file is made
  // Written a few hundred rows at a time from one small buffer, instead of
  // building the whole file image in fresh memory first.
  writeWholeFileInChunks(path, [&bitmap](const FileChunkSink& put) {
    constexpr size_t kChunkBytes = size_t(256) << 10;
    const size_t rowBytes = size_t((uint64_t(bitmap.width()) * 3 + 3) / 4 * 4);
    std::vector<uint8_t> chunk(std::max(kChunkBytes, kFileHeaderSize + kInfoHeaderSize + rowBytes));
    uint8_t* out = writeBmpHeaders(chunk.data(), bitmap);
    for (int32_t r = 0; r < bitmap.height(); ++r) {
      if (size_t(out - chunk.data()) + rowBytes > chunk.size()) {
        put({chunk.data(), size_t(out - chunk.data())});
        out = chunk.data();
      }
      out = writeBmpRow(out, bitmap, r);
    }
    put({chunk.data(), size_t(out - chunk.data())});
  });
}

}  // namespace glyphon
