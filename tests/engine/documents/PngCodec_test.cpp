#include "engine/documents/PngCodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/Error.h"
#include "engine/core/FileIO.h"
#include "tests/engine/documents/PictureTestSupport.h"

namespace glyphon {
namespace {

using testing::NetpbmPicture;
using testing::readNetpbm;

const std::string kMakePng = std::string(GLYPHON_TEST_DATA_DIR) + "/make_png.py";

uint32_t crc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void putBigEndian(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

// A PNG signature and an IHDR claiming width x height, with a correct CRC,
// and nothing after it.
std::vector<uint8_t> headerClaiming(uint32_t width, uint32_t height) {
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  putBigEndian(png, 13);
  const size_t typeAt = png.size();
  for (char c : {'I', 'H', 'D', 'R'}) png.push_back(uint8_t(c));
  putBigEndian(png, width);
  putBigEndian(png, height);
  for (uint8_t b : {8, 6, 0, 0, 0}) png.push_back(b);
  putBigEndian(png, crc32(png.data() + typeAt, png.size() - typeAt));
  return png;
}

std::string errorOf(const std::vector<uint8_t>& data) {
  try {
    (void)decodePng(data);
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

struct PngCase {
  int colourType;
  int depth;
  bool interlaced;
  bool trns;
};

std::string caseName(const ::testing::TestParamInfo<PngCase>& info) {
  const PngCase& c = info.param;
  return "type" + std::to_string(c.colourType) + "_" + std::to_string(c.depth) + "bit" +
         (c.interlaced ? "_interlaced" : "") + (c.trns ? "_tRNS" : "");
}

class PngReference : public testing::ReferencePictureTest,
                     public ::testing::WithParamInterface<PngCase> {};

// Every colour type at every bit depth PNG allows, plain and interlaced, with
// and without a tRNS chunk, against ImageMagick's reading of the same file.
// Its samples are taken at 16 bits, so the rounding of 16-bit samples to 8
// is checked too (ImageMagick's own reduction truncates instead).
TEST_P(PngReference, DecodesAsImageMagickDoes) {
  GLYPHON_REQUIRE_TOOL("/usr/bin/convert");
  GLYPHON_REQUIRE_TOOL("/usr/bin/python3");
  const PngCase& c = GetParam();
  const std::string png = path("p.png");
  // 37 x 21: neither side a multiple of eight, so every interlace pass is
  // partly filled.
  run("/usr/bin/python3 " + kMakePng + " " + png + " " + std::to_string(c.colourType) + " " +
      std::to_string(c.depth) + " 37 21" + (c.interlaced ? " interlace" : "") +
      (c.trns ? " trns" : ""));
  run("/usr/bin/convert " + png + " -depth 16 pam:" + path("p.pam"));
  const DecodedPicture picture = decodePng(readWholeFile(png));
  testing::expectSamePicture(picture, readNetpbm(path("p.pam")));
  if (c.trns || (c.colourType & 4)) {
    EXPECT_FALSE(picture.alpha.empty());
  }
}

std::vector<PngCase> allPngCases() {
  const std::vector<std::pair<int, std::vector<int>>> depths = {
      {0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
  std::vector<PngCase> cases;
  for (const auto& [type, list] : depths)
    for (int depth : list)
      for (bool interlaced : {false, true})
        for (bool trns : {false, true})
          if (!trns || (type & 4) == 0) cases.push_back({type, depth, interlaced, trns});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, PngReference, ::testing::ValuesIn(allPngCases()), caseName);

class PngFiles : public testing::ReferencePictureTest {
 protected:
  std::vector<uint8_t> make(const std::string& args) {
    const std::string png = path("m.png");
    run("/usr/bin/python3 " + kMakePng + " " + png + " " + args);
    return readWholeFile(png);
  }
};

TEST_F(PngFiles, HandsOverProfileAndExifBeforeOrAfterThePixels) {
  GLYPHON_REQUIRE_TOOL("/usr/bin/python3");
  const DecodedPicture early = decodePng(make("2 8 5 4 iccp exif"));
  EXPECT_EQ(early.iccProfile.size(), 352u);
  ASSERT_EQ(early.exif.size(), 26u);
  EXPECT_EQ(early.exif[0], 'I');
  EXPECT_EQ(early.exif[18], 6) << "the orientation value";

  const DecodedPicture late = decodePng(make("0 8 5 4 exif-late"));
  EXPECT_TRUE(late.iccProfile.empty());
  EXPECT_EQ(late.exif.size(), 26u);

  const DecodedPicture none = decodePng(make("6 16 5 4"));
  EXPECT_TRUE(none.iccProfile.empty());
  EXPECT_TRUE(none.exif.empty());
}

TEST_F(PngFiles, RefusesDamagedFilesWithAPlainSentence) {
  GLYPHON_REQUIRE_TOOL("/usr/bin/python3");
  const std::vector<uint8_t> good = make("2 8 40 30");
  EXPECT_EQ(errorOf({'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}),
            "Not a PNG picture (it starts with the bytes 47 49 46 38 39 61 01 00)");
  EXPECT_EQ(errorOf({}), "Not a PNG picture (it starts with the bytes no bytes at all)");

  // Cut anywhere before the last pixel row: the signature alone, inside
  // IHDR, inside the pixel data.
  for (size_t keep : {size_t(8), size_t(20), size_t(40), good.size() / 2, good.size() - 20}) {
    const std::vector<uint8_t> cut(good.begin(), good.begin() + long(keep));
    EXPECT_EQ(errorOf(cut), "The PNG picture is cut short") << keep << " bytes kept";
  }

  std::vector<uint8_t> badCrc = good;
  badCrc[29] ^= 0xff;  // IHDR's CRC
  EXPECT_EQ(errorOf(badCrc), "The PNG picture is damaged (IHDR: CRC error)");

  std::vector<uint8_t> badPixels = good;
  // The pixel data's zlib header (IDAT's type at 37, its data at 41).
  ASSERT_EQ(std::string(badPixels.begin() + 37, badPixels.begin() + 41), "IDAT");
  badPixels[41] = 0xff;
  const uint32_t length = (uint32_t(good[33]) << 24) | (uint32_t(good[34]) << 16) |
                          (uint32_t(good[35]) << 8) | good[36];
  const uint32_t crc = crc32(badPixels.data() + 37, 4 + length);
  for (int i = 0; i < 4; ++i) badPixels[41 + length + i] = uint8_t(crc >> (24 - 8 * i));
  EXPECT_EQ(errorOf(badPixels).rfind("The PNG picture is damaged (", 0), 0u) << errorOf(badPixels);
}

TEST_F(PngFiles, SkipsAChunkThatClaimsMoreThanTheFileHolds) {
  GLYPHON_REQUIRE_TOOL("/usr/bin/python3");
  const std::vector<uint8_t> good = make("2 8 5 4");
  const DecodedPicture expected = decodePng(good);
  // An eXIf chunk claiming a gigabyte, before IEND (the last 12 bytes) or
  // instead of it: libpng would allocate the gigabyte before finding the
  // file's end. The pixels come out as they are; the chunk is left out.
  // The file may also end with the chunk's length and type.
  for (const size_t kept : {size_t(12), size_t(8)})
  for (const bool keepEnd : {true, false}) {
    std::vector<uint8_t> claiming(good.begin(), good.end() - 12);
    const uint8_t header[] = {0x40, 0, 0, 0, 'e', 'X', 'I', 'f', 'I', 'I', 42, 0};
    claiming.insert(claiming.end(), header, header + kept);
    if (keepEnd) claiming.insert(claiming.end(), good.end() - 12, good.end());
    const DecodedPicture picture = decodePng(claiming);
    EXPECT_EQ(picture.pixels, expected.pixels) << keepEnd;
    EXPECT_TRUE(picture.exif.empty()) << keepEnd;
  }
}

TEST(PngCodec, RefusesAHugeHeaderBeforeDecoding) {
  // Nothing but the header: a decoder that allocated first would run out of
  // memory, or of data, before it complained about the size.
  EXPECT_EQ(errorOf(headerClaiming(100000, 100000)),
            "The picture is too large (100000 x 100000 pixels); the limit is 134 megapixels");
  EXPECT_EQ(errorOf(headerClaiming(60000, 60000)),
            "The picture is too large (60000 x 60000 pixels); the limit is 134 megapixels");
  EXPECT_EQ(errorOf(headerClaiming(4, 3)), "The PNG picture is cut short");
}

}  // namespace
}  // namespace glyphon
