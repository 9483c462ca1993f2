#include "engine/documents/TiffCodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/Error.h"
#include "engine/core/FileIO.h"
#include "engine/documents/PngCodec.h"
#include "tests/engine/documents/PictureTestSupport.h"

namespace glyphon {
namespace {

using testing::readNetpbm;

std::string errorOf(const std::vector<uint8_t>& data) {
  try {
    (void)decodeTiff(data);
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

struct TiffCase {
  const char* name;
  const char* convertOptions;  // how ImageMagick writes the TIFF
  int tolerance;               // per sample, for layouts converted with rounding
};

class TiffReference : public testing::ReferencePictureTest,
                      public ::testing::WithParamInterface<TiffCase> {};

// The layouts cameras, scanners and editors write, against tifftopnm's
// reading of the same file.
TEST_P(TiffReference, DecodesAsTifftopnmDoes) {
  GLYPHON_REQUIRE_TOOL("/usr/bin/convert");
  GLYPHON_REQUIRE_TOOL("/usr/bin/tifftopnm");
  const TiffCase& c = GetParam();
  const std::string tiff = path("t.tif");
  run(std::string("/usr/bin/convert -seed 5 -size 41x27 plasma:fractal ") + c.convertOptions +
      " " + tiff);
  run("/usr/bin/tifftopnm " + tiff + " > " + path("t.pnm"));
  const DecodedPicture picture = decodeTiff(readWholeFile(tiff));
  testing::expectSamePicture(picture, readNetpbm(path("t.pnm")), c.tolerance);
  EXPECT_TRUE(picture.exif.empty()) << "top-left rows need no turning";
}

const TiffCase kTiffCases[] = {
    {"RgbUncompressed", "-depth 8 -compress none", 0},
    {"RgbLzw", "-depth 8 -compress lzw", 0},
    {"RgbDeflatePredictor", "-depth 8 -compress zip -define tiff:predictor=2", 0},
    {"RgbPackBits", "-depth 8 -compress rle", 0},
    {"RgbPlanar", "-depth 8 -interlace plane -compress lzw", 0},
    {"RgbTiled", "-depth 8 -define tiff:tile-geometry=16x16 -compress lzw", 0},
    {"RgbOneRowPerStrip", "-depth 8 -define tiff:rows-per-strip=1", 0},
    {"Rgb16Bit", "-depth 16 -compress zip", 1},
    {"Grey8Bit", "-colorspace gray -depth 8 -compress lzw", 0},
    {"Grey16Bit", "-colorspace gray -depth 16", 1},
    {"Bilevel", "-colorspace gray -threshold 50% -type bilevel -compress group4", 0},
    {"Palette", "-colors 60 -type palette -compress lzw", 0},
    {"BigEndian", "-depth 8 -endian MSB -compress lzw", 0},
};

INSTANTIATE_TEST_SUITE_P(CommonLayouts, TiffReference, ::testing::ValuesIn(kTiffCases),
                         [](const ::testing::TestParamInfo<TiffCase>& info) {
                           return std::string(info.param.name);
                         });

class TiffFiles : public testing::ReferencePictureTest {};

TEST_F(TiffFiles, JpegCompressedPhotoDecodesCloseToTifftopnm) {
  GLYPHON_REQUIRE_TOOL("/usr/bin/convert");
  GLYPHON_REQUIRE_TOOL("/usr/bin/tifftopnm");
  // libtiff's RGBA interface and tifftopnm may upsample the chroma of a
  // YCbCr JPEG differently; every pixel must still be close.
  run("/usr/bin/convert -seed 5 -size 40x24 plasma:fractal -depth 8 -compress jpeg -quality 92 " +
      path("j.tif"));
  run("/usr/bin/tifftopnm " + path("j.tif") + " > " + path("j.pnm"));
  testing::expectSamePicture(decodeTiff(readWholeFile(path("j.tif"))), readNetpbm(path("j.pnm")),
                             12);
}

TEST_F(TiffFiles, TransparencyAndProfileAreHandedOver) {
  GLYPHON_REQUIRE_TOOL("/usr/bin/convert");
  // Unassociated alpha, as ImageMagick writes it; the colour comes back
  // straight (not multiplied by alpha) within rounding.
  run("/usr/bin/convert -seed 5 -size 41x27 plasma:fractal \\( -size 41x27 gradient:white-none \\) "
      "-compose copy_opacity -composite -depth 8 " +
      path("a.tif"));
  run("/usr/bin/convert " + path("a.tif") + " -depth 8 pam:" + path("a.pam"));
  const DecodedPicture picture = decodeTiff(readWholeFile(path("a.tif")));
  ASSERT_FALSE(picture.alpha.empty());
  const testing::NetpbmPicture reference = readNetpbm(path("a.pam"));
  ASSERT_EQ(reference.depth, 4);
  // The colour of almost transparent pixels is only known coarsely once
  // multiplied by alpha; compare the pixels at least half opaque.
  int compared = 0;
  for (size_t i = 0; i < picture.alpha.size(); ++i) {
    const uint8_t* s = reference.samples.data() + i * 4;
    EXPECT_EQ(picture.alpha[i], s[3]) << i;
    if (s[3] < 128) continue;
    const uint8_t* p = picture.pixels.data() + i * 3;
    EXPECT_NEAR(p[2], s[0], 1) << i;
    EXPECT_NEAR(p[1], s[1], 1) << i;
    EXPECT_NEAR(p[0], s[2], 1) << i;
    ++compared;
  }
  EXPECT_GT(compared, 400);

  // ImageMagick carries the profile of a PNG over into the TIFF it writes.
  GLYPHON_REQUIRE_TOOL("/usr/bin/python3");
  run("/usr/bin/python3 " + std::string(GLYPHON_TEST_DATA_DIR) + "/make_png.py " + path("p.png") +
      " 2 8 4 4 iccp");
  run("/usr/bin/convert " + path("p.png") + " -depth 8 " + path("p.tif"));
  const std::vector<uint8_t> profile = decodePng(readWholeFile(path("p.png"))).iccProfile;
  ASSERT_FALSE(profile.empty());
  EXPECT_EQ(decodeTiff(readWholeFile(path("p.tif"))).iccProfile, profile);
}

TEST_F(TiffFiles, OrientationIsHandedOverAsExifWithRowsAsStored) {
  GLYPHON_REQUIRE_TOOL("/usr/bin/convert");
  run("/usr/bin/convert -size 3x2 xc:white -fill red -draw \"point 0,0\" -depth 8 -orient "
      "RightTop " +
      path("o.tif"));
  const DecodedPicture picture = decodeTiff(readWholeFile(path("o.tif")));
  ASSERT_EQ(picture.pixels.width(), 3);
  EXPECT_EQ(picture.pixels.pixel(0, 0), rgb(255, 0, 0)) << "the first stored pixel stays first";
  ASSERT_EQ(picture.exif.size(), 26u);
  EXPECT_EQ(picture.exif[18], 6) << "RightTop is EXIF orientation 6";
}

TEST_F(TiffFiles, RefusesDamagedFilesWithAPlainSentence) {
  GLYPHON_REQUIRE_TOOL("/usr/bin/convert");
  EXPECT_EQ(errorOf({'I', 'I', 42}), "Not a TIFF picture (it starts with the bytes 49 49 2a)");
  EXPECT_EQ(errorOf({'B', 'M', 0, 0}), "Not a TIFF picture (it starts with the bytes 42 4d 00 00)");
  run("/usr/bin/convert -seed 5 -size 41x27 plasma:fractal -depth 8 -compress lzw " +
      path("d.tif"));
  const std::vector<uint8_t> good = readWholeFile(path("d.tif"));
  // ImageMagick writes the directory after the pixels: cut inside the
  // header, before the directory, and inside its entries.
  const size_t directory = good[4] | (good[5] << 8) | (good[6] << 16) | (size_t(good[7]) << 24);
  ASSERT_GT(directory, good.size() / 2);
  for (size_t keep : {size_t(4), size_t(8), size_t(60), good.size() / 2, directory + 30}) {
    const std::vector<uint8_t> cut(good.begin(), good.begin() + long(keep));
    const std::string message = errorOf(cut);
    EXPECT_EQ(message.rfind("The TIFF picture", 0), 0u) << keep << " bytes kept: " << message;
  }
}

TEST(TiffCodec, RefusesAHugeHeaderBeforeDecoding) {
  // Little-endian, one IFD: width and length 20000, grey at 8 bits, and one
  // strip of one byte where the pixels would be.
  std::vector<uint8_t> tiff = {'I', 'I', 42, 0, 8, 0, 0, 0, 6, 0};
  auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
    for (uint8_t b : {uint8_t(tag), uint8_t(tag >> 8), uint8_t(type), uint8_t(type >> 8),
                      uint8_t(1), uint8_t(0), uint8_t(0), uint8_t(0), uint8_t(value),
                      uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)})
      tiff.push_back(b);
  };
  entry(256, 4, 20000);
  entry(257, 4, 20000);
  entry(258, 3, 8);
  entry(262, 3, 1);
  entry(273, 4, 8);
  entry(279, 4, 1);
  for (int i = 0; i < 4; ++i) tiff.push_back(0);
  EXPECT_EQ(errorOf(tiff),
            "The picture is too large (20000 x 20000 pixels); the limit is 134 megapixels");
}

}  // namespace
}  // namespace glyphon
