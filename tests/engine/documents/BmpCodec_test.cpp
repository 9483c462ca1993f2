#include "engine/documents/BmpCodec.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/Error.h"
#include "engine/core/FileIO.h"
#include "tests/engine/documents/BmpTestBuilder.h"

namespace glyphon {
namespace {

using test::BmpImage;
using test::paddedRows;
using Rows = std::vector<std::vector<Color>>;

constexpr Color kRed = rgb(255, 0, 0);
constexpr Color kGreen = rgb(0, 255, 0);
constexpr Color kBlue = rgb(0, 0, 255);
constexpr Color kWhite = rgb(255, 255, 255);
constexpr Color kBlack = rgb(0, 0, 0);
constexpr Color kGrey = rgb(128, 128, 128);

constexpr uint32_t kRle8 = 1, kRle4 = 2, kBitfields = 3;

// Checks every pixel of bitmap against rows, given top row first.
void expectPixels(const Bitmap& bitmap, const Rows& rows) {
  ASSERT_EQ(bitmap.height(), int32_t(rows.size()));
  ASSERT_EQ(bitmap.width(), int32_t(rows[0].size()));
  for (int32_t y = 0; y < bitmap.height(); ++y)
    for (int32_t x = 0; x < bitmap.width(); ++x)
      EXPECT_EQ(bitmap.pixel(x, y), rows[y][x]) << "at " << x << ", " << y;
}

std::string errorOf(const std::vector<uint8_t>& bytes) {
  try {
    (void)decodeBmp(bytes);
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

std::string streamErrorOf(const std::vector<uint8_t>& bytes, size_t pos = 0) {
  try {
    (void)readBmpImage(bytes, pos);
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

std::vector<uint8_t> bgr(std::initializer_list<Color> colours) {
  std::vector<uint8_t> out;
  for (Color c : colours) out.insert(out.end(), {blueOf(c), greenOf(c), redOf(c)});
  return out;
}

Bitmap sample(int32_t w, int32_t h) {
  Bitmap b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      b.setPixel(x, y, rgb(uint8_t(x * 37), uint8_t(y * 71), uint8_t(x ^ y)));
  return b;
}

uint32_t at32(const std::vector<uint8_t>& b, size_t i) {
  return b[i] | (b[i + 1] << 8) | (b[i + 2] << 16) | (uint32_t(b[i + 3]) << 24);
}

TEST(BmpWrite, HeadersAndRowLayoutOf24BitOutput) {
  for (int32_t w : {1, 2, 3, 4, 5}) {
    const Bitmap b = sample(w, 3);
    const std::vector<uint8_t> file = encodeBmp(b);
    const uint32_t rowBytes = uint32_t((w * 3 + 3) / 4 * 4);
    ASSERT_EQ(file.size(), 54 + rowBytes * 3);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(at32(file, 2), file.size());
    EXPECT_EQ(at32(file, 10), 54u);
    EXPECT_EQ(at32(file, 14), 40u);
    EXPECT_EQ(at32(file, 18), uint32_t(w));
    EXPECT_EQ(at32(file, 22), 3u);  // positive: bottom-up
    EXPECT_EQ(file[26] | file[27] << 8, 1);
    EXPECT_EQ(file[28] | file[29] << 8, 24);
    EXPECT_EQ(at32(file, 30), 0u);
    EXPECT_EQ(at32(file, 34), rowBytes * 3);
    // The first stored row is the bottom one; padding is zero.
    EXPECT_EQ(file[54], blueOf(b.pixel(0, 2)));
    EXPECT_EQ(file[56], redOf(b.pixel(0, 2)));
    for (uint32_t p = uint32_t(w) * 3; p < rowBytes; ++p) EXPECT_EQ(file[54 + p], 0);
    EXPECT_EQ(decodeBmp(file), b);
  }
  EXPECT_THROW((void)encodeBmp(Bitmap()), Error);
}

TEST(BmpWrite, FileRoundTrip) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("glyphon-bmp-" + std::to_string(::getpid()) + ".bmp");
  // The file is written a few hundred rows at a time: a small picture, and
  // one of padded rows over several chunks, give exactly the image bytes.
  for (const Bitmap& b : {sample(13, 7), sample(301, 1000)}) {
    saveBmpFile(path.string(), b);
    EXPECT_EQ(loadBmpFile(path.string()), b);
    EXPECT_EQ(readWholeFile(path.string()), encodeBmp(b));
  }
  std::filesystem::remove(path);
  EXPECT_THROW(saveBmpFile(path.string(), Bitmap()), Error);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(BmpRead, TwentyFourBitsBothRowOrders) {
  BmpImage s;
  s.width = 2;
  s.height = 2;
  s.pixels = paddedRows({bgr({kRed, kGreen}), bgr({kBlue, kWhite})});
  expectPixels(decodeBmp(s.bytes()), {{kBlue, kWhite}, {kRed, kGreen}});
  s.height = -2;
  expectPixels(decodeBmp(s.bytes()), {{kRed, kGreen}, {kBlue, kWhite}});
}

TEST(BmpRead, PalettedDepths) {
  // 1 bit, 10 pixels wide: the row crosses a byte boundary.
  BmpImage one;
  one.bitCount = 1;
  one.width = 10;
  one.height = 1;
  one.palette = {kBlack, kWhite};
  one.pixels = paddedRows({{0b10110000, 0b01000000}});
  expectPixels(decodeBmp(one.bytes()),
               {{kWhite, kBlack, kWhite, kWhite, kBlack, kBlack, kBlack, kBlack, kBlack, kWhite}});

  // 4 bits with a short table of biClrUsed entries, top-down.
  BmpImage four;
  four.bitCount = 4;
  four.width = 3;
  four.height = -2;
  four.clrUsed = 3;
  four.palette = {kRed, kGreen, kBlue};
  four.pixels = paddedRows({{0x01, 0x20}, {0x22, 0x10}});
  expectPixels(decodeBmp(four.bytes()), {{kRed, kGreen, kBlue}, {kBlue, kBlue, kGreen}});

  // 8 bits with the full 256-entry table implied by biClrUsed 0.
  BmpImage eight;
  eight.bitCount = 8;
  eight.width = 3;
  eight.height = 2;
  eight.palette.assign(256, kBlack);
  eight.palette[7] = kGrey;
  eight.palette[255] = kWhite;
  eight.pixels = paddedRows({{7, 255, 0}, {255, 0, 7}});
  expectPixels(decodeBmp(eight.bytes()), {{kWhite, kBlack, kGrey}, {kGrey, kWhite, kBlack}});
}

TEST(BmpRead, IndexPastThePaletteIsAnError) {
  BmpImage s;
  s.bitCount = 4;
  s.width = 2;
  s.clrUsed = 2;
  s.palette = {kRed, kGreen};
  s.pixels = paddedRows({{0x12}});
  EXPECT_EQ(errorOf(s.bytes()),
            "A pixel of the bitmap refers to colour 2 past the end of its colour table of 2 "
            "entries");
}

TEST(BmpRead, SixteenBits) {
  // BI_RGB means 5-5-5.
  BmpImage s;
  s.bitCount = 16;
  s.width = 4;
  s.pixels = paddedRows({{0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x10, 0x42}});
  expectPixels(decodeBmp(s.bytes()), {{kRed, kGreen, kBlue, rgb(132, 132, 132)}});

  // 5-6-5 masks after a 40-byte header; 6-bit green 32 scales to 130.
  s.compression = kBitfields;
  s.masks = {0xF800, 0x07E0, 0x001F};
  s.pixels = paddedRows({{0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x00, 0x04}});
  expectPixels(decodeBmp(s.bytes()), {{kRed, kGreen, kBlue, rgb(0, 130, 0)}});

  // 4-4-4 masks in a V4 header, alpha bits set and ignored.
  BmpImage v4 = s;
  v4.headerSize = 108;
  v4.masks = {0x0F00, 0x00F0, 0x000F, 0xF000};
  v4.width = 2;
  v4.pixels = paddedRows({{0x00, 0xFF, 0x8F, 0xF0}});
  expectPixels(decodeBmp(v4.bytes()), {{kRed, rgb(0, 136, 255)}});
}

TEST(BmpRead, ThirtyTwoBits) {
  BmpImage s;
  s.bitCount = 32;
  s.width = 2;
  s.pixels = {0x10, 0x20, 0x30, 0xFF, 0x01, 0x02, 0x03, 0x00};  // BGRX
  expectPixels(decodeBmp(s.bytes()), {{rgb(0x30, 0x20, 0x10), rgb(3, 2, 1)}});

  // 10-10-10 masks with red lowest: each channel keeps its top 8 bits.
  s.compression = kBitfields;
  s.masks = {0x000003FF, 0x000FFC00, 0x3FF00000};
  const uint32_t a = 0x3FF | (0x200u << 10) | (0x004u << 20);
  const uint32_t b = 0x003 | (0x3FFu << 20);
  s.pixels.clear();
  test::put32(s.pixels, a);
  test::put32(s.pixels, b);
  expectPixels(decodeBmp(s.bytes()), {{rgb(255, 128, 1), rgb(0, 0, 255)}});

  // The same masks inside a V5 header.
  BmpImage v5 = s;
  v5.headerSize = 124;
  expectPixels(decodeBmp(v5.bytes()), {{rgb(255, 128, 1), rgb(0, 0, 255)}});

  // V2 (52) and V3 (56) headers carry their masks inside.
  for (uint32_t size : {52u, 56u}) {
    BmpImage v = s;
    v.headerSize = size;
    expectPixels(decodeBmp(v.bytes()), {{rgb(255, 128, 1), rgb(0, 0, 255)}});
  }
}

TEST(BmpRead, Rle8) {
  BmpImage s;
  s.bitCount = 8;
  s.compression = kRle8;
  s.width = 5;
  s.height = 3;
  s.palette = {kBlack, kRed, kGreen, kBlue};
  s.clrUsed = 4;
  s.pixels = {
      3, 1,              // bottom row: three red
      0, 3, 2, 3, 1, 0,  // absolute run of three, padded to a word
      0, 0,              // end of line
      0, 2, 1, 1,        // delta: one right, one up -> (1, 2)
      2, 3,              // two blue in the top row
      0, 1,              // end of bitmap
      9, 1,              // ignored
  };
  s.sizeImage = uint32_t(s.pixels.size());
  // Unset pixels are black; the absolute run is clipped at the right edge.
  expectPixels(decodeBmp(s.bytes()), {{kBlack, kBlue, kBlue, kBlack, kBlack},
                                      {kBlack, kBlack, kBlack, kBlack, kBlack},
                                      {kRed, kRed, kRed, kGreen, kBlue}});
}

TEST(BmpRead, Rle4) {
  BmpImage s;
  s.bitCount = 4;
  s.compression = kRle4;
  s.width = 6;
  s.height = 2;
  s.palette = {kBlack, kRed, kGreen, kBlue};
  s.clrUsed = 4;
  s.pixels = {
      5, 0x12,              // red, green, red, green, red
      0, 0,                 // end of line
      0, 3,    0x32, 0x10,  // absolute: blue, green, red (two bytes, already even)
      0, 2,    2,    0,     // delta two right
      1, 0x30,              // one blue
      0, 1,
  };
  s.sizeImage = uint32_t(s.pixels.size());
  expectPixels(decodeBmp(s.bytes()), {{kBlue, kGreen, kRed, kBlack, kBlack, kBlue},
                                      {kRed, kGreen, kRed, kGreen, kRed, kBlack}});
  // A stream that stops without its end-of-bitmap escape keeps what it set,
  // and biSizeImage 0 means "up to the end of the file".
  s.pixels = {2, 0x11};
  s.sizeImage = 0;
  expectPixels(decodeBmp(s.bytes()), {{kBlack, kBlack, kBlack, kBlack, kBlack, kBlack},
                                      {kRed, kRed, kBlack, kBlack, kBlack, kBlack}});
}

TEST(BmpRead, Os2CoreHeader) {
  BmpImage s;
  s.headerSize = 12;
  s.bitCount = 8;
  s.width = 2;
  s.height = 2;
  s.palette.assign(256, kBlack);  // 3-byte entries
  s.palette[1] = kRed;
  s.palette[2] = kBlue;
  s.pixels = paddedRows({{1, 2}, {2, 0}});
  expectPixels(decodeBmp(s.bytes()), {{kBlue, kBlack}, {kRed, kBlue}});

  BmpImage rgb24;
  rgb24.headerSize = 12;
  rgb24.width = 1;
  rgb24.pixels = paddedRows({bgr({kGreen})});
  expectPixels(decodeBmp(rgb24.bytes()), {{kGreen}});
}

TEST(BmpRead, PixelsFoundThroughTheOffset) {
  BmpImage s;
  s.width = 1;
  s.gap = 10;
  s.pixels = paddedRows({bgr({kGreen})});
  s.fileSize = 3;  // the total size is not used
  expectPixels(decodeBmp(s.bytes()), {{kGreen}});
  // biSizeImage does not matter for uncompressed pixels, and the last row
  // may lack its padding.
  s.sizeImage = 1;
  s.pixels = bgr({kGreen});
  expectPixels(decodeBmp(s.bytes()), {{kGreen}});
}

struct Refusal {
  const char* name;
  BmpImage image;
  std::string message;
};

BmpImage valid24() {
  BmpImage s;
  s.width = 2;
  s.height = 2;
  s.pixels = paddedRows({bgr({kRed, kGreen}), bgr({kBlue, kWhite})});
  return s;
}

std::vector<Refusal> refusals() {
  std::vector<Refusal> r;
  auto add = [&](const char* name, auto change, std::string message) {
    BmpImage s = valid24();
    change(s);
    r.push_back({name, s, std::move(message)});
  };
  add(
      "signature", [](BmpImage& s) { s.signature[1] = 'A'; }, "Bitmap image is not valid");
  add(
      "header size", [](BmpImage& s) { s.headerSize = 64; }, "Unsupported bitmap header size 64");
  add(
      "planes", [](BmpImage& s) { s.planes = 2; },
      "The bitmap has 2 colour planes; only 1 is allowed");
  add(
      "bit count", [](BmpImage& s) { s.bitCount = 7; }, "Unsupported bitmap bit count 7");
  add(
      "bit count 0", [](BmpImage& s) { s.bitCount = 0; }, "Unsupported bitmap bit count 0");
  add(
      "16 bits core",
      [](BmpImage& s) {
        s.headerSize = 12;
        s.bitCount = 16;
      },
      "Unsupported bitmap bit count 16");
  add(
      "jpeg", [](BmpImage& s) { s.compression = 4; },
      "JPEG or PNG pictures inside a BMP file are not supported");
  add(
      "png", [](BmpImage& s) { s.compression = 5; },
      "JPEG or PNG pictures inside a BMP file are not supported");
  add(
      "compression 6", [](BmpImage& s) { s.compression = 6; }, "Unsupported bitmap compression 6");
  add(
      "rle8 at 4 bits",
      [](BmpImage& s) {
        s.compression = kRle8;
        s.bitCount = 4;
        s.palette.assign(16, kRed);
      },
      "An RLE8 compressed bitmap must have 8 bits per pixel, not 4 bits per pixel");
  add(
      "rle4 at 8 bits",
      [](BmpImage& s) {
        s.compression = kRle4;
        s.bitCount = 8;
      },
      "An RLE4 compressed bitmap must have 4 bits per pixel, not 8 bits per pixel");
  add(
      "masks at 24 bits", [](BmpImage& s) { s.compression = kBitfields; },
      "A bitmap with colour masks must have 16 or 32 bits per pixel, not 24 bits per pixel");
  add(
      "top-down rle",
      [](BmpImage& s) {
        s.compression = kRle8;
        s.bitCount = 8;
        s.height = -2;
      },
      "A top-down bitmap cannot be RLE compressed");
  add(
      "zero width", [](BmpImage& s) { s.width = 0; }, "Invalid bitmap size 0 x 2");
  add(
      "negative width", [](BmpImage& s) { s.width = -2; }, "Invalid bitmap size -2 x 2");
  add(
      "zero height", [](BmpImage& s) { s.height = 0; }, "Invalid bitmap size 2 x 0");
  add(
      "huge", [](BmpImage& s) { s.width = s.height = 20000; },
      "The picture is too large (20000 x 20000 pixels); the limit is 134 megapixels");
  add(
      "most negative height", [](BmpImage& s) { s.height = INT32_MIN; },
      "The picture is too large (2 x 2147483648 pixels); the limit is 134 megapixels");
  add(
      "wide",
      [](BmpImage& s) {
        s.width = 70000;
        s.height = 1;
      },
      "The picture is too large (70000 x 1 pixels); the limit is 134 megapixels");
  add(
      "offset in header", [](BmpImage& s) { s.offBits = 20; },
      "The pixel data offset 20 of the bitmap lies inside its headers or colour table");
  add(
      "offset past end", [](BmpImage& s) { s.offBits = 1000; },
      "The pixel data offset 1000 of the bitmap lies past the end of the file");
  add(
      "offset in palette",
      [](BmpImage& s) {
        s.bitCount = 1;
        s.palette = {kRed, kGreen};
        s.pixels = paddedRows({{0x80}, {0x40}});
        s.offBits = 58;
      },
      "The pixel data offset 58 of the bitmap lies inside its headers or colour table");
  add(
      "offset in masks",
      [](BmpImage& s) {
        s.bitCount = 16;
        s.compression = kBitfields;
        s.masks = {0xF800, 0x07E0, 0x001F};
        s.offBits = 60;
      },
      "The pixel data offset 60 of the bitmap lies inside its headers or colour table");
  add(
      "truncated pixels", [](BmpImage& s) { s.pixels.resize(s.pixels.size() - 3); },
      "The pixel data of the bitmap is truncated");
  add(
      "lying rle size",
      [](BmpImage& s) {
        s.bitCount = 8;
        s.compression = kRle8;
        s.palette = {kRed};
        s.clrUsed = 1;
        s.pixels = {2, 0, 0, 1};
        s.sizeImage = 5;
      },
      "The compressed pixel data of the bitmap (5 bytes) extends past the end of the file");
  auto badMasks = [&](const char* name, uint16_t bits, std::vector<uint32_t> masks) {
    add(
        name,
        [&](BmpImage& s) {
          s.bitCount = bits;
          s.compression = kBitfields;
          s.masks = masks;
          s.pixels.assign(16, 0);
        },
        "The colour masks of the bitmap are not valid");
  };
  badMasks("overlapping masks", 16, {0xF800, 0x0FE0, 0x001F});
  badMasks("gap in a mask", 16, {0xF00F, 0x07E0, 0x0010});
  badMasks("zero mask", 32, {0xFF0000, 0, 0xFF});
  badMasks("mask beyond 16 bits", 16, {0x1F0000, 0x07E0, 0x001F});
  return r;
}

TEST(BmpRead, RefusalsWithTheirMessages) {
  for (const Refusal& r : refusals()) EXPECT_EQ(errorOf(r.image.bytes()), r.message) << r.name;
  EXPECT_EQ(errorOf({}), "Bitmap image is not valid");
  EXPECT_EQ(errorOf({'B', 'M', 0, 0}), "Bitmap image is not valid");
  BmpImage v5 = valid24();
  v5.headerSize = 124;
  std::vector<uint8_t> cut = v5.bytes();
  cut.resize(100);
  EXPECT_EQ(errorOf(cut), "The bitmap file ends inside its headers");
}

TEST(BmpRead, EveryTruncationIsRefusedCleanly) {
  BmpImage s;
  s.bitCount = 8;
  s.width = 3;
  s.height = 2;
  s.palette = {kRed, kGreen, kBlue};
  s.clrUsed = 3;
  s.pixels = paddedRows({{0, 1, 2}, {2, 1, 0}});
  const std::vector<uint8_t> full = s.bytes();
  for (size_t n = 0; n + 1 < full.size(); ++n) {
    std::vector<uint8_t> cut(full.begin(), full.begin() + long(n));
    EXPECT_NE(errorOf(cut), "(no error)") << n;
  }
}

// The embedded stream reader of project files.

TEST(BmpStream, ImagesBackToBack) {
  const Bitmap a = sample(3, 2), b = sample(5, 4);
  std::vector<uint8_t> buffer{7, 7};
  appendBmp(buffer, a);
  appendBmp(buffer, b);
  buffer.push_back(0x42);
  size_t pos = 2;
  EXPECT_EQ(readBmpImage(buffer, pos), a);
  EXPECT_EQ(pos, 2 + 54 + 12u * 2);
  EXPECT_EQ(readBmpImage(buffer, pos), b);
  EXPECT_EQ(pos, buffer.size() - 1);
}

TEST(BmpStream, EndFoundFromTheInfoHeaderAlone) {
  // 16 bits BI_BITFIELDS: masks, then a colour table of biClrUsed entries,
  // then the pixels; bfSize and bfOffBits lie.
  BmpImage s;
  s.bitCount = 16;
  s.compression = kBitfields;
  s.masks = {0xF800, 0x07E0, 0x001F};
  s.clrUsed = 2;
  s.palette = {kWhite, kWhite};
  s.width = 1;
  s.pixels = paddedRows({{0x1F, 0x00}});
  s.offBits = 0;
  s.fileSize = 99999;
  std::vector<uint8_t> buffer = s.bytes();
  buffer.push_back(0xAB);
  size_t pos = 0;
  expectPixels(readBmpImage(buffer, pos), {{kBlue}});
  EXPECT_EQ(pos, buffer.size() - 1);

  // biSizeImage counts for BI_BITFIELDS: extra bytes are skipped.
  s.sizeImage = 8;
  s.pixels.resize(8, 0);
  buffer = s.bytes();
  pos = 0;
  (void)readBmpImage(buffer, pos);
  EXPECT_EQ(pos, buffer.size());
  // ... but an image size short of the rows is refused.
  s.height = 3;
  s.pixels.resize(12, 0);
  s.sizeImage = 8;
  EXPECT_EQ(streamErrorOf(s.bytes()),
            "The image size of the bitmap (8 bytes) is smaller than its pixel rows (12 bytes)");

  // 8 bits with biClrUsed 0: 256 table entries are skipped; for BI_RGB a
  // lying biSizeImage is ignored.
  BmpImage p;
  p.bitCount = 8;
  p.width = 2;
  p.palette.assign(256, kBlack);
  p.palette[3] = kGreen;
  p.pixels = paddedRows({{3, 0}});
  p.sizeImage = 1000;
  p.offBits = 54;
  buffer = p.bytes();
  pos = 0;
  expectPixels(readBmpImage(buffer, pos), {{kGreen, kBlack}});
  EXPECT_EQ(pos, buffer.size());
}

TEST(BmpStream, ThirtyTwoBitsFromOtherWriters) {
  for (bool masks : {false, true}) {
    BmpImage s;
    s.bitCount = 32;
    s.width = 2;
    s.height = 2;
    if (masks) {
      s.compression = kBitfields;
      s.masks = {0xFF0000, 0xFF00, 0xFF};
      s.sizeImage = 16;
    }
    s.pixels = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};
    size_t pos = 0;
    const std::vector<uint8_t> buffer = s.bytes();
    expectPixels(readBmpImage(buffer, pos), {{kBlue, kWhite}, {kRed, kGreen}});
    EXPECT_EQ(pos, buffer.size());
  }
}

TEST(BmpStream, ErrorsAndPosition) {
  const std::vector<uint8_t> full = encodeBmp(sample(3, 3));
  for (size_t n = 0; n < full.size(); ++n) {
    std::vector<uint8_t> cut(full.begin(), full.begin() + long(n));
    size_t pos = 0;
    EXPECT_THROW(
        {
          try {
            (void)readBmpImage(cut, pos);
          } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "Stream read error") << n;
            throw;
          }
        },
        Error);
    EXPECT_EQ(pos, 0u);
  }
  std::vector<uint8_t> other = full;
  other[0] = 'X';
  EXPECT_EQ(streamErrorOf(other), "Bitmap image is not valid");
  EXPECT_EQ(streamErrorOf(full, full.size() + 1), "Stream read error");
  // Other faults keep the file reader's messages.
  other = full;
  other[28] = 7;
  EXPECT_EQ(streamErrorOf(other), "Unsupported bitmap bit count 7");
}

// Files written by an independent encoder (ImageMagick), each compared with
// ImageMagick's own reading of it as a plain PPM.
class ImageMagickFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists("/usr/bin/convert")) GTEST_SKIP() << "no ImageMagick";
    m_dir = std::filesystem::temp_directory_path() / ("glyphon-im-" + std::to_string(::getpid()));
    std::filesystem::create_directories(m_dir);
    m_source = convert("-seed 4 -size 13x7 plasma:fractal -depth 8", "src.ppm");
  }
  void TearDown() override {
    if (!m_dir.empty()) std::filesystem::remove_all(m_dir);
  }
  // Runs convert with args and writes the output file name (with an
  // optional format prefix such as "BMP3:"); returns its path.
  std::string convert(const std::string& args, const std::string& name,
                      const std::string& format = "") {
    const std::string path = (m_dir / name).string();
    const std::string cmd = "/usr/bin/convert " + args + " '" + format + path + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return path;
  }
  // The BMP made from the source with options, and ImageMagick's PPM of it.
  void expectLikeImageMagick(const std::string& options, const std::string& format,
                             uint32_t headerSize, uint16_t bits, uint32_t compression) {
    const std::string bmp = convert("'" + m_source + "' " + options, "x.bmp", format);
    const std::vector<uint8_t> file = readWholeFile(bmp);
    ASSERT_GT(file.size(), 34u);
    // Make sure the form under test is the one ImageMagick wrote.
    ASSERT_EQ(at32(file, 14), headerSize) << options;
    ASSERT_EQ(file[headerSize == 12 ? 24 : 28], bits) << options;
    if (headerSize > 12) {
      ASSERT_EQ(at32(file, 30), compression) << options;
    }
    const Bitmap truth = readPpm(convert("'" + bmp + "' -depth 8", "x.ppm"));
    EXPECT_EQ(decodeBmp(file), truth) << options;
  }
  static Bitmap readPpm(const std::string& path) {
    const std::vector<uint8_t> f = readWholeFile(path);
    int w = 0, h = 0, max = 0, used = 0;
    const std::string head(f.begin(), f.begin() + long(std::min<size_t>(f.size(), 64)));
    EXPECT_EQ(std::sscanf(head.c_str(), "P6 %d %d %d%n", &w, &h, &max, &used), 3);
    EXPECT_EQ(max, 255);
    Bitmap b(w, h);
    const uint8_t* p = f.data() + used + 1;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x, p += 3) b.setPixel(x, y, rgb(p[0], p[1], p[2]));
    return b;
  }
  std::filesystem::path m_dir;
  std::string m_source;
};

TEST_F(ImageMagickFiles, EveryFormDecodesAsImageMagickReadsIt) {
  expectLikeImageMagick("-type TrueColor", "BMP3:", 40, 24, 0);
  expectLikeImageMagick("-type TrueColor", "", 124, 24, 0);
  expectLikeImageMagick("-alpha on -type TrueColorAlpha", "", 124, 32, kBitfields);
  expectLikeImageMagick("-define bmp:subtype=RGB565", "", 124, 16, kBitfields);
  expectLikeImageMagick("-colors 16 -type Palette", "BMP3:", 40, 4, 0);
  expectLikeImageMagick("-colors 60 -type Palette -compress RLE", "BMP3:", 40, 8, kRle8);
  expectLikeImageMagick("-monochrome", "BMP3:", 40, 1, 0);
  expectLikeImageMagick("-type TrueColor", "BMP2:", 12, 24, 0);
}

}  // namespace
}  // namespace glyphon
