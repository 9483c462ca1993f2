// Finishing a decoded picture: transparency, colour profiles and the EXIF
// orientation, the last two also against ImageMagick, jpegtran and exiftool.
#include "engine/documents/DecodedPicture.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cstring>
#include <string>

#include "engine/core/Error.h"
#include "engine/core/FileIO.h"
#include "engine/documents/JpegCodec.h"
#include "tests/engine/documents/ReferenceTools.h"

namespace glyphon {
namespace {

TEST(DecodedPictureTest, TransparencyIsComposedOverTheBackground) {
  struct Case {
    Color pixel;
    uint8_t alpha;
    Color background;
    Color expected;
  };
  const Case cases[] = {
      {rgb(10, 20, 30), 255, rgb(200, 200, 200), rgb(10, 20, 30)},   // opaque stays
      {rgb(10, 20, 30), 0, rgb(200, 150, 100), rgb(200, 150, 100)},  // clear shows the canvas
      {rgb(255, 0, 0), 128, rgb(0, 0, 255), rgb(128, 0, 127)},       // rounded to nearest
      {rgb(0, 0, 0), 1, rgb(255, 255, 255), rgb(254, 254, 254)},
      {rgb(255, 255, 255), 254, rgb(0, 0, 0), rgb(254, 254, 254)},
  };
  for (const Case& c : cases) {
    DecodedPicture picture;
    picture.pixels = Bitmap(2, 1);
    picture.pixels.setPixel(0, 0, c.pixel);
    picture.pixels.setPixel(1, 0, c.pixel);
    picture.alpha = {c.alpha, 255};
    const Bitmap out = finishPicture(std::move(picture), c.background);
    EXPECT_EQ(out.pixel(0, 0), c.expected) << int(c.alpha);
    EXPECT_EQ(out.pixel(1, 0), c.pixel) << "an opaque neighbour changed";
  }
}

TEST(DecodedPictureTest, NoTransparencyLeavesThePixelsAndAMismatchIsRefused) {
  DecodedPicture picture;
  picture.pixels = Bitmap(3, 2);
  picture.pixels.setPixel(2, 1, rgb(1, 2, 3));
  const Bitmap out = finishPicture(std::move(picture), rgb(9, 9, 9));
  EXPECT_EQ(out.pixel(2, 1), rgb(1, 2, 3));
  EXPECT_EQ(out.pixel(0, 0), rgb(0, 0, 0));

  Bitmap pixels(3, 2);
  EXPECT_THROW(composeOverBackground(pixels, std::vector<uint8_t>(5, 0), 0), Error);
}

// Pixel (x, y) of a small picture holds its own coordinates.
Color labelOf(int32_t x, int32_t y) { return rgb(uint8_t(10 * x + 1), uint8_t(10 * y + 1), 0); }

TEST(DecodedPictureTest, EachOrientationStandsThePictureUpright) {
  // The stored picture is   a b c   ; each case lists, row by row, which
  //                          d e f
  // stored pixel lands where.
  struct Case {
    int orientation;
    int32_t width, height;
    const char* layout;
  };
  const Case cases[] = {
      {1, 3, 2, "abcdef"}, {2, 3, 2, "cbafed"}, {3, 3, 2, "fedcba"}, {4, 3, 2, "defabc"},
      {5, 2, 3, "adbecf"}, {6, 2, 3, "daebfc"}, {7, 2, 3, "fcebda"}, {8, 2, 3, "cfbead"},
      {0, 3, 2, "abcdef"}, {9, 3, 2, "abcdef"},  // not an orientation: unchanged
  };
  Bitmap stored(3, 2);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x) stored.setPixel(x, y, labelOf(x, y));
  for (const Case& c : cases) {
    const Bitmap out = applyOrientation(stored, c.orientation);
    ASSERT_EQ(out.width(), c.width) << c.orientation;
    ASSERT_EQ(out.height(), c.height) << c.orientation;
    for (int32_t i = 0; i < c.width * c.height; ++i) {
      const int letter = c.layout[i] - 'a';
      EXPECT_EQ(out.pixel(i % c.width, i / c.width), labelOf(letter % 3, letter / 3))
          << "orientation " << c.orientation << ", pixel " << i;
    }
  }
}

TEST(DecodedPictureTest, QuarterTurnsOfPicturesLargerThanATileKeepEveryPixel) {
  // Larger than a tile (64 x 256) both ways, and no whole number of tiles.
  Bitmap stored(300, 270);
  for (int32_t y = 0; y < 270; ++y)
    for (int32_t x = 0; x < 300; ++x)
      stored.setPixel(x, y, rgb(uint8_t(x), uint8_t(y), uint8_t((x >> 8) | (y >> 8) << 1)));
  // Four quarter turns come back to the start; so do two half turns.
  Bitmap turned = stored;
  for (int i = 0; i < 4; ++i) turned = applyOrientation(std::move(turned), 6);
  EXPECT_EQ(turned, stored);
  EXPECT_EQ(applyOrientation(applyOrientation(stored, 8), 6), stored);
  EXPECT_EQ(applyOrientation(applyOrientation(stored, 7), 7), stored);
  EXPECT_EQ(applyOrientation(applyOrientation(stored, 5), 5), stored);
  const Bitmap clockwise = applyOrientation(stored, 6);
  EXPECT_EQ(clockwise.pixel(0, 0), stored.pixel(0, 269));
  EXPECT_EQ(clockwise.pixel(269, 299), stored.pixel(299, 0));
  EXPECT_EQ(clockwise.pixel(5, 280), stored.pixel(280, 264));
}

// An EXIF block (TIFF header onwards) whose first directory holds one entry.
std::vector<uint8_t> exifWith(bool bigEndian, uint16_t tag, uint16_t type, uint16_t value) {
  std::vector<uint8_t> b;
  auto u16 = [&](uint16_t v) {
    if (bigEndian)
      b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)});
    else
      b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)});
  };
  auto u32 = [&](uint32_t v) {
    if (bigEndian) {
      u16(uint16_t(v >> 16));
      u16(uint16_t(v));
    } else {
      u16(uint16_t(v));
      u16(uint16_t(v >> 16));
    }
  };
  b.insert(b.end(), {uint8_t(bigEndian ? 'M' : 'I'), uint8_t(bigEndian ? 'M' : 'I')});
  u16(42);
  u32(8);  // the first directory follows the header
  u16(1);  // one entry
  u16(tag);
  u16(type);
  u32(1);
  u16(value);
  u16(0);
  u32(0);  // no next directory
  return b;
}

TEST(DecodedPictureTest, TheOrientationIsReadFromTheFirstDirectoryOrIsOne) {
  constexpr uint16_t kOrientation = 0x0112, kShort = 3, kLong = 4;
  std::vector<uint8_t> cut = exifWith(false, kOrientation, kShort, 6);
  cut.resize(14);
  std::vector<uint8_t> farDirectory = exifWith(false, kOrientation, kShort, 6);
  farDirectory[4] = 0xF0;  // the directory would start beyond the block
  std::vector<uint8_t> garbage(300);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = uint8_t(i * 37 + 11);
  struct Case {
    const char* name;
    std::vector<uint8_t> exif;
    int expected;
  };
  const Case cases[] = {
      {"none", {}, 1},
      {"Intel order", exifWith(false, kOrientation, kShort, 6), 6},
      {"Motorola order", exifWith(true, kOrientation, kShort, 8), 8},
      {"upright", exifWith(true, kOrientation, kShort, 1), 1},
      {"mirrored", exifWith(false, kOrientation, kShort, 2), 2},
      {"zero", exifWith(false, kOrientation, kShort, 0), 1},
      {"beyond eight", exifWith(false, kOrientation, kShort, 9), 1},
      {"another tag", exifWith(false, 0x0110, kShort, 6), 1},
      {"not a short", exifWith(false, kOrientation, kLong, 6), 1},
      {"cut short", cut, 1},
      {"directory beyond the end", farDirectory, 1},
      {"garbage", garbage, 1},
      {"header only", {'I', 'I', 42, 0, 8, 0, 0, 0}, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(orientationOf(c.exif), c.expected) << c.name;
}

TEST(DecodedPictureTest, ADamagedOrForeignProfileLeavesThePixelsAlone) {
  const std::vector<uint8_t> srgb = readWholeFile("/usr/share/color/icc/sRGB.icc");
  ASSERT_GT(srgb.size(), 128u);
  std::vector<uint8_t> cut(srgb.begin(), srgb.begin() + 100);
  std::vector<uint8_t> scrambled = srgb;
  for (size_t i = 128; i < scrambled.size(); ++i) scrambled[i] = uint8_t(scrambled[i] * 7 + 3);
  Bitmap pixels(17, 5);
  for (int32_t x = 0; x < 17; ++x) pixels.setPixel(x, 2, rgb(uint8_t(x * 15), 200, 30));
  struct Case {
    const char* name;
    std::vector<uint8_t> profile;
    bool converted;
  };
  const Case cases[] = {
      {"none", {}, false},
      {"cut short", cut, false},
      {"garbage", std::vector<uint8_t>(500, 0x5A), false},
      {"Lab", readWholeFile("/usr/share/color/icc/LCMSLABI.ICM"), false},
      {"sRGB itself", srgb, true},
  };
  for (const Case& c : cases) {
    Bitmap copy = pixels;
    EXPECT_EQ(convertToSrgb(copy, c.profile), c.converted) << c.name;
    EXPECT_EQ(copy, pixels) << c.name;
  }
  // Scrambled tag data may or may not open; it must not crash.
  Bitmap copy = pixels;
  (void)convertToSrgb(copy, scrambled);
}

// Display P3 and BT.2020 as HEIF and AVIF files name them.
constexpr Chromaticities kDisplayP3 = {0.680, 0.320, 0.265, 0.690, 0.150, 0.060, 0.3127, 0.3290};
constexpr Chromaticities kBt2020 = {0.708, 0.292, 0.170, 0.797, 0.131, 0.046, 0.3127, 0.3290};

TEST(DecodedPictureTest, MatrixProfilesConvertAsLittleCmsConvertsThem) {
  // Every third level of each channel, repeated to more than a megapixel so
  // that both halves of a large picture are converted.
  Bitmap colours(1100, 1000);
  for (int32_t y = 0; y < colours.height(); ++y)
    for (int32_t x = 0; x < colours.width(); ++x) {
      const int i = (y * colours.width() + x) % (86 * 86 * 86);
      colours.setPixel(
          x, y, rgb(uint8_t(i % 86 * 3), uint8_t(i / 86 % 86 * 3), uint8_t(i / (86 * 86) * 3)));
    }
  struct Case {
    const char* name;
    std::vector<uint8_t> profile;
  };
  const Case cases[] = {
      {"Adobe RGB", readWholeFile("/usr/share/color/icc/compatibleWithAdobeRGB1998.icc")},
      {"Display P3", rgbProfileOf(kDisplayP3, TransferCurve::Srgb)},
      {"BT.2020, linear", rgbProfileOf(kBt2020, TransferCurve::Linear)},
      {"BT.2020, gamma 2.2", rgbProfileOf(kBt2020, TransferCurve::Gamma22)},
  };
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  for (const Case& c : cases) {
    ASSERT_GT(c.profile.size(), 128u) << c.name;
    cmsHPROFILE source = cmsOpenProfileFromMem(c.profile.data(), cmsUInt32Number(c.profile.size()));
    ASSERT_NE(source, nullptr) << c.name;
    cmsHTRANSFORM transform = cmsCreateTransform(source, TYPE_BGR_8, srgb, TYPE_BGR_8,
                                                 INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
    ASSERT_NE(transform, nullptr) << c.name;
    Bitmap expected(colours.width(), colours.height());
    cmsDoTransform(transform, colours.data(), expected.data(),
                   cmsUInt32Number(colours.width() * colours.height()));
    cmsDeleteTransform(transform);
    cmsCloseProfile(source);
    Bitmap converted = colours;
    EXPECT_TRUE(convertToSrgb(converted, c.profile)) << c.name;
    EXPECT_LE(testing::maxChannelDifference(converted, expected), 1) << c.name;
  }
  cmsCloseProfile(srgb);
}

TEST(DecodedPictureTest, ImpossibleChromaticitiesMakeNoProfile) {
  EXPECT_TRUE(rgbProfileOf({}, TransferCurve::Srgb).empty());
  Chromaticities negative = kDisplayP3;
  negative.greenX = -0.1;
  EXPECT_TRUE(rgbProfileOf(negative, TransferCurve::Linear).empty());
  Chromaticities beyond = kDisplayP3;
  beyond.whiteY = 0.9;
  EXPECT_TRUE(rgbProfileOf(beyond, TransferCurve::Gamma22).empty());
}

TEST(DecodedPictureTest, ADisplayP3ProfileGivesThePublishedSrgbColours) {
  // Expected values through the published P3-D65 to sRGB matrix.
  const std::vector<uint8_t> p3 = rgbProfileOf(kDisplayP3, TransferCurve::Srgb);
  Bitmap picture(3, 1);
  picture.setPixel(0, 0, rgb(200, 100, 50));
  picture.setPixel(1, 0, rgb(90, 160, 220));
  picture.setPixel(2, 0, rgb(128, 128, 128));
  ASSERT_TRUE(convertToSrgb(picture, p3));
  const Color expected[] = {rgb(215, 93, 31), rgb(61, 162, 225), rgb(128, 128, 128)};
  for (int32_t x = 0; x < 3; ++x) {
    const Color got = picture.pixel(x, 0);
    EXPECT_LE(std::abs(redOf(got) - redOf(expected[x])), 1) << x;
    EXPECT_LE(std::abs(greenOf(got) - greenOf(expected[x])), 1) << x;
    EXPECT_LE(std::abs(blueOf(got) - blueOf(expected[x])), 1) << x;
  }
}

TEST(DecodedPictureTest, WideGamutPicturesMatchImageMagicksConversionToSrgb) {
  const testing::ScratchFolder scratch;
  writeWholeFile(scratch.path("p3.icc"), rgbProfileOf(kDisplayP3, TransferCurve::Srgb));
  Bitmap plain(64, 48);
  for (int32_t y = 0; y < 48; ++y)
    for (int32_t x = 0; x < 64; ++x)
      plain.setPixel(x, y, rgb(uint8_t(x * 4), uint8_t(y * 5), uint8_t(255 - x * 2 - y)));
  fillRect(plain, {0, 0, 8, 8}, rgb(0, 255, 0));  // a saturated green, far out of sRGB
  testing::writePpm(scratch.path("plain.ppm"), plain);
  for (const std::string& profile :
       {std::string("/usr/share/color/icc/compatibleWithAdobeRGB1998.icc"),
        scratch.path("p3.icc")}) {
    SCOPED_TRACE(profile);
    // The first -profile tags the picture without converting it.
    ASSERT_TRUE(testing::runQuietly("/usr/bin/convert " + scratch.path("plain.ppm") +
                                    " -quality 100 -sampling-factor 1x1 -profile " + profile + " " +
                                    scratch.path("tagged.jpg")));
    const Bitmap reference = testing::parsePpm(
        testing::outputOf("/usr/bin/convert " + scratch.path("tagged.jpg") +
                          " -profile /usr/share/color/icc/sRGB.icc -depth 8 ppm:-"));
    ASSERT_FALSE(reference.isEmpty());

    DecodedPicture picture = decodeJpegPicture(readWholeFile(scratch.path("tagged.jpg")));
    ASSERT_GT(picture.iccProfile.size(), 128u);
    const Bitmap untouched = picture.pixels;
    const Bitmap out = finishPicture(std::move(picture), 0);
    EXPECT_LE(testing::maxChannelDifference(out, reference), 3);
    // The green is out of sRGB: the conversion moves it a long way.
    EXPECT_GE(testing::maxChannelDifference(untouched, reference), 40);
  }
}

TEST(DecodedPictureTest, AGreyPictureWithAGreyProfileMatchesImageMagick) {
  const testing::ScratchFolder scratch;
  Bitmap ramp(256, 4);
  for (int32_t x = 0; x < 256; ++x) fillRect(ramp, {x, 0, x + 1, 4}, rgb(x, x, x));
  testing::writePpm(scratch.path("ramp.ppm"), ramp);
  ASSERT_TRUE(testing::runQuietly("/usr/bin/convert " + scratch.path("ramp.ppm") +
                                  " -colorspace Gray -quality 100 -profile "
                                  "/usr/share/color/icc/Gray.icc " +
                                  scratch.path("grey.jpg")));
  const Bitmap reference = testing::parsePpm(
      testing::outputOf("/usr/bin/convert " + scratch.path("grey.jpg") +
                        " -profile /usr/share/color/icc/sRGB.icc -depth 8 -type TrueColor ppm:-"));
  ASSERT_FALSE(reference.isEmpty());
  DecodedPicture picture = decodeJpegPicture(readWholeFile(scratch.path("grey.jpg")));
  ASSERT_FALSE(picture.iccProfile.empty());
  const Bitmap out = finishPicture(std::move(picture), 0);
  // This linear grey's darkest levels are where a coarse table goes wrong
  // (level 1 is 13 in sRGB, not 6).
  EXPECT_LE(testing::maxChannelDifference(out, reference), 1);
  for (int32_t x = 0; x < 256; ++x) {
    const Color c = out.pixel(x, 1);
    EXPECT_TRUE(redOf(c) == greenOf(c) && greenOf(c) == blueOf(c)) << x;
  }
}

// A 48 x 32 picture of 8 x 8 blocks, each of its own colour: JPEG keeps flat
// blocks exactly, and jpegtran turns them without loss.
Bitmap blockPicture() {
  Bitmap b(48, 32);
  for (int32_t by = 0; by < 4; ++by)
    for (int32_t bx = 0; bx < 6; ++bx)
      fillRect(
          b, {bx * 8, by * 8, bx * 8 + 8, by * 8 + 8},
          rgb(uint8_t(bx * 40 + 20), uint8_t(by * 60 + 20), uint8_t((bx + by) % 2 * 200 + 30)));
  return b;
}

TEST(DecodedPictureTest, PhotosTaggedWithEachExifOrientationComeOutUpright) {
  const testing::ScratchFolder scratch;
  testing::writePpm(scratch.path("upright.ppm"), blockPicture());
  ASSERT_TRUE(testing::runQuietly("cjpeg -quality 100 -sample 1x1 -outfile " +
                                  scratch.path("upright.jpg") + " " + scratch.path("upright.ppm")));
  const Bitmap upright = decodeJpeg(readWholeFile(scratch.path("upright.jpg")));
  ASSERT_LE(testing::maxChannelDifference(upright, blockPicture()), 2);
  // How the camera stored the picture for each orientation: the turn that
  // the orientation undoes.
  const char* const storedAs[] = {"",           "-flip horizontal", "-rotate 180", "-flip vertical",
                                  "-transpose", "-rotate 270",      "-transverse", "-rotate 90"};
  for (int orientation = 1; orientation <= 8; ++orientation) {
    const std::string file = scratch.path("o" + std::to_string(orientation) + ".jpg");
    ASSERT_TRUE(testing::runQuietly("jpegtran -perfect " + std::string(storedAs[orientation - 1]) +
                                    " -outfile " + file + " " + scratch.path("upright.jpg")));
    ASSERT_TRUE(testing::runQuietly("exiftool -n -overwrite_original -Orientation=" +
                                    std::to_string(orientation) + " " + file));
    DecodedPicture picture = decodeJpegPicture(readWholeFile(file));
    EXPECT_EQ(orientationOf(picture.exif), orientation);
    if (orientation > 1) {
      EXPECT_GT(testing::maxChannelDifference(picture.pixels, upright), 20);
    }
    EXPECT_LE(testing::maxChannelDifference(finishPicture(std::move(picture), 0), upright), 1)
        << "orientation " << orientation;
  }
}

// data with a segment inserted right after the start-of-image marker.
std::vector<uint8_t> withSegment(std::vector<uint8_t> data, uint8_t marker,
                                 const std::vector<uint8_t>& body) {
  std::vector<uint8_t> segment = {0xFF, marker, uint8_t((body.size() + 2) >> 8),
                                  uint8_t(body.size() + 2)};
  segment.insert(segment.end(), body.begin(), body.end());
  data.insert(data.begin() + 2, segment.begin(), segment.end());
  return data;
}

TEST(DecodedPictureTest, DamagedExifOrProfileSegmentsChangeNothing) {
  const std::vector<uint8_t> clean = encodeJpeg(blockPicture());
  const Bitmap expected = decodeJpeg(clean);
  std::vector<uint8_t> exifGarbage = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 0xFF, 0xFF, 0, 0};
  exifGarbage.resize(200, 0xEE);
  std::vector<uint8_t> iccGarbage = {'I', 'C', 'C', '_', 'P', 'R', 'O',
                                     'F', 'I', 'L', 'E', 0,   1,   1};
  iccGarbage.resize(300, 0x42);
  std::vector<uint8_t> iccPieceMissing = iccGarbage;
  iccPieceMissing[13] = 2;  // piece 1 of 2, the second never comes
  const std::vector<uint8_t> files[] = {
      withSegment(clean, 0xE1, exifGarbage),
      withSegment(clean, 0xE1, {'E', 'x', 'i', 'f', 0, 0}),
      withSegment(clean, 0xE2, iccGarbage),
      withSegment(clean, 0xE2, iccPieceMissing),
      withSegment(withSegment(clean, 0xE1, exifGarbage), 0xE2, iccGarbage),
  };
  for (const std::vector<uint8_t>& file : files) {
    DecodedPicture picture = decodeJpegPicture(file);
    EXPECT_EQ(finishPicture(std::move(picture), 0), expected);
  }
}

}  // namespace
}  // namespace glyphon

namespace glyphon {
namespace {

// jpeg with an APP1 EXIF segment and an APP2 ICC segment put after its SOI.
std::vector<uint8_t> tagged(const std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& exif,
                            const std::vector<uint8_t>& profile) {
  std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
  const auto segment = [&](uint8_t marker, const std::string& header,
                           const std::vector<uint8_t>& body) {
    const size_t length = 2 + header.size() + body.size();
    out.insert(out.end(), {0xFF, marker, uint8_t(length >> 8), uint8_t(length)});
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), body.begin(), body.end());
  };
  if (!exif.empty()) segment(0xE1, std::string("Exif\0\0", 6), exif);
  if (!profile.empty()) segment(0xE2, std::string("ICC_PROFILE\0\1\1", 14), profile);
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

TEST(DecodedPictureTest, FinishingWhileDecodingGivesWhatFinishingAfterwardsGives) {
  constexpr uint16_t kOrientation = 0x0112, kShort = 3;
  const std::vector<uint8_t> adobe =
      readWholeFile("/usr/share/color/icc/compatibleWithAdobeRGB1998.icc");
  // Below and above the size from which the finishing runs on its own thread.
  for (const auto& [w, h] : {std::pair{61, 37}, std::pair{1037, 1029}}) {
    Bitmap plain(w, h);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x)
        plain.setPixel(x, y, rgb(uint8_t(x * 7), uint8_t(y * 3), uint8_t((x ^ y) * 5)));
    const std::vector<uint8_t> jpeg = encodeJpeg(plain);
    for (int orientation = 1; orientation <= 8; ++orientation)
      for (const bool profiled : {false, true}) {
        SCOPED_TRACE(std::to_string(w) + " wide, orientation " + std::to_string(orientation) +
                     (profiled ? ", Adobe RGB" : ""));
        const std::vector<uint8_t> file =
            tagged(jpeg, exifWith(false, kOrientation, kShort, uint16_t(orientation)),
                   profiled ? adobe : std::vector<uint8_t>{});
        const Bitmap streamed = decodeFinishedJpeg(file);
        EXPECT_EQ(streamed, finishPicture(decodeJpegPicture(file), 0));
        EXPECT_EQ(streamed.width(), orientation >= 5 ? h : w);
      }
  }
}

// A writer far ahead of the finishing thread fills the ring of rows that a
// turning picture is decoded into, and must then finish rows itself; one
// that tells every few rows lets the thread keep up. Either way no row may
// be overwritten before it is turned, and the result is what finishing
// afterwards gives, also when the ring is taller than the picture. The
// even orientations (both mirrors, both quarter turns) go with the Adobe
// RGB profile, converted as they turn; the odd ones (upright, the half
// turn, the diagonal mirrors) without; the decoding test above tries
// every pairing.
TEST(DecodedPictureTest, StreamingFinishKeepsEveryRowWhateverTheWritersPace) {
  const std::vector<uint8_t> adobe =
      readWholeFile("/usr/share/color/icc/compatibleWithAdobeRGB1998.icc");
  for (const auto& [w, h] : {std::pair{1030, 1020}, std::pair{5000, 210}}) {
    // No two rows or columns alike, so a row read from the wrong place shows.
    Bitmap plain(w, h);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        const uint32_t v = uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u * 65537u;
        plain.setPixel(x, y, rgb(uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)));
      }
    for (int orientation = 1; orientation <= 8; ++orientation) {
      // The short picture only turns a quarter each way.
      if (h < 256 && orientation != 6 && orientation != 7) continue;
      const bool profiled = orientation % 2 == 0;
      const std::vector<uint8_t> profile = profiled ? adobe : std::vector<uint8_t>{};
      const Bitmap after =
          finishPicture({plain, {}, profile, exifWith(false, 0x0112, 3, uint16_t(orientation))}, 0);
      for (const bool tells : {false, true}) {
        SCOPED_TRACE(std::to_string(w) + " wide, orientation " + std::to_string(orientation) +
                     (profiled ? ", Adobe RGB" : "") + (tells ? ", telling" : ""));
        StreamingFinish streaming(w, h, profile, orientation);
        for (int32_t y = 0; y < h; ++y) {
          std::memcpy(streaming.rowToWrite(y), plain.row(y), plain.stride());
          if (tells && (y + 1) % 16 == 0) streaming.rowsDecoded(y + 1);
        }
        EXPECT_EQ(streaming.finish(), after);
      }
    }
  }
}

TEST(DecodedPictureTest, ADecodeThatFailsWhileFinishingStopsCleanly) {
  Bitmap plain(1100, 1000);
  for (int32_t y = 0; y < 1000; ++y) fillRect(plain, {0, y, 1100, y + 1}, rgb(0, uint8_t(y), 9));
  const std::vector<uint8_t> whole =
      tagged(encodeJpeg(plain), exifWith(false, 0x0112, 3, 6),
             readWholeFile("/usr/share/color/icc/compatibleWithAdobeRGB1998.icc"));
  // Cut inside the pixel data: the thread finishing early rows is stopped
  // and the failure told as for any cut picture.
  for (const size_t keep : {whole.size() / 3, whole.size() - 300}) {
    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(keep));
    try {
      (void)decodeFinishedJpeg(cut);
      ADD_FAILURE() << keep << " bytes were decoded";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "The JPEG picture is cut short") << keep;
    }
  }
}

}  // namespace
}  // namespace glyphon
