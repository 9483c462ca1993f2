#include "engine/documents/WebpCodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/Error.h"
#include "engine/core/FileIO.h"
#include "tests/engine/documents/PictureTestSupport.h"

namespace glyphon {
namespace {

using testing::readNetpbm;

std::string errorOf(const std::vector<uint8_t>& data) {
  try {
    (void)decodeWebp(data);
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

class WebpFiles : public testing::ReferencePictureTest {
 protected:
  void SetUp() override {
    testing::ReferencePictureTest::SetUp();
    if (!haveTool("/usr/bin/convert") || !haveTool("/usr/bin/cwebp") ||
        !haveTool("/usr/bin/dwebp"))
      GTEST_SKIP() << "convert, cwebp or dwebp is not installed (see tools/setup.sh)";
    // An opaque and a half-transparent source, 45 x 31 (odd sides, so the
    // lossy chroma planes are rounded up).
    run("/usr/bin/convert -seed 7 -size 45x31 plasma:fractal -depth 8 " + path("opaque.png"));
    run("/usr/bin/convert -seed 7 -size 45x31 plasma:fractal \\( -size 45x31 gradient:white-none "
        "\\) -compose copy_opacity -composite -depth 8 " +
        path("alpha.png"));
  }

  // Encodes source with cwebp's options, decodes the result with dwebp and
  // with decodeWebp, and compares.
  void checkAgainstDwebp(const std::string& source, const std::string& options) {
    SCOPED_TRACE(source + " " + options);
    run("/usr/bin/cwebp " + options + " " + path(source) + " -o " + path("x.webp"));
    run("/usr/bin/dwebp " + path("x.webp") + " -pam -o " + path("x.pam"));
    testing::expectSamePicture(decodeWebp(readWholeFile(path("x.webp"))),
                               readNetpbm(path("x.pam")));
  }
};

TEST_F(WebpFiles, LossyLosslessAndAlphaDecodeAsDwebpDoes) {
  checkAgainstDwebp("opaque.png", "-q 80");
  checkAgainstDwebp("opaque.png", "-lossless");
  checkAgainstDwebp("alpha.png", "-q 70");
  checkAgainstDwebp("alpha.png", "-q 70 -alpha_q 50 -alpha_filter best");
  checkAgainstDwebp("alpha.png", "-lossless");
  // A lossless picture is the source itself.
  run("/usr/bin/convert " + path("alpha.png") + " pam:" + path("alpha.pam"));
  run("/usr/bin/cwebp -lossless -exact " + path("alpha.png") + " -o " + path("l.webp"));
  testing::expectSamePicture(decodeWebp(readWholeFile(path("l.webp"))),
                             readNetpbm(path("alpha.pam")));
}

TEST_F(WebpFiles, AnAnimationGivesItsFirstFrame) {
  GLYPHON_REQUIRE_TOOL("/usr/bin/img2webp");
  run("/usr/bin/convert -size 45x31 xc:red -depth 8 " + path("red.png"));
  run("/usr/bin/img2webp -lossless " + path("alpha.png") + " -d 100 " + path("red.png") +
      " -d 100 " + path("opaque.png") + " -o " + path("anim.webp"));
  run("/usr/bin/convert " + path("alpha.png") + " pam:" + path("alpha.pam"));
  const std::vector<uint8_t> anim = readWholeFile(path("anim.webp"));
  ASSERT_EQ(errorOf(anim), "(no error)");
  testing::expectSamePicture(decodeWebp(anim), readNetpbm(path("alpha.pam")));
}

TEST_F(WebpFiles, HandsOverProfileAndExif) {
  GLYPHON_REQUIRE_TOOL("/usr/bin/webpmux");
  run("/usr/bin/cwebp -q 80 " + path("opaque.png") + " -o " + path("plain.webp"));
  const std::vector<uint8_t> profile = {'p', 'r', 'o', 'f', 'i', 'l', 'e'};
  writeWholeFile(path("p.icc"), profile);
  // One block as most writers store it, one with the "Exif\0\0" of a JPEG
  // marker in front.
  const std::vector<uint8_t> exif = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0};
  std::vector<uint8_t> markedExif = {'E', 'x', 'i', 'f', 0, 0};
  markedExif.insert(markedExif.end(), exif.begin(), exif.end());
  writeWholeFile(path("a.exif"), exif);
  writeWholeFile(path("b.exif"), markedExif);
  run("/usr/bin/webpmux -set icc " + path("p.icc") + " " + path("plain.webp") + " -o " +
      path("icc.webp"));
  run("/usr/bin/webpmux -set exif " + path("a.exif") + " " + path("icc.webp") + " -o " +
      path("a.webp"));
  run("/usr/bin/webpmux -set exif " + path("b.exif") + " " + path("plain.webp") + " -o " +
      path("b.webp"));

  const DecodedPicture a = decodeWebp(readWholeFile(path("a.webp")));
  EXPECT_EQ(a.iccProfile, profile);
  EXPECT_EQ(a.exif, exif);
  const DecodedPicture b = decodeWebp(readWholeFile(path("b.webp")));
  EXPECT_TRUE(b.iccProfile.empty());
  EXPECT_EQ(b.exif, exif);
  EXPECT_TRUE(decodeWebp(readWholeFile(path("plain.webp"))).exif.empty());
}

TEST_F(WebpFiles, RefusesDamagedFilesWithAPlainSentence) {
  EXPECT_EQ(errorOf({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}),
            "Not a WebP picture (it starts with the bytes 52 49 46 46 00 00 00 00)");
  for (const char* options : {"-q 80", "-lossless"}) {
    run(std::string("/usr/bin/cwebp ") + options + " " + path("alpha.png") + " -o " +
        path("d.webp"));
    const std::vector<uint8_t> good = readWholeFile(path("d.webp"));
    for (size_t keep : {size_t(12), size_t(20), size_t(40), good.size() / 2, good.size() - 3}) {
      const std::vector<uint8_t> cut(good.begin(), good.begin() + long(keep));
      const std::string message = errorOf(cut);
      EXPECT_TRUE(message == "The WebP picture is cut short" ||
                  message == "The WebP picture is damaged or cut short" ||
                  message == "The WebP picture is damaged")
          << options << ", " << keep << " bytes kept: " << message;
    }
  }
  // Lossy data decodes to something whatever its bytes; lossless data
  // scrambled breaks its entropy codes.
  {
    run("/usr/bin/cwebp -lossless " + path("alpha.png") + " -o " + path("d.webp"));
    std::vector<uint8_t> scrambled = readWholeFile(path("d.webp"));
    for (size_t i = 30; i < scrambled.size(); i += 3) scrambled[i] ^= 0x5a;
    EXPECT_EQ(errorOf(scrambled), "The WebP picture is damaged or cut short");
  }
}

TEST(WebpCodec, RefusesAHugeCanvasBeforeDecoding) {
  // A lossless (VP8L) header: signature 0x2f, then width - 1 and height - 1
  // in 14 bits each. 16000 x 16000 is within the side limit, beyond the
  // pixel limit.
  const uint32_t bits = (16000 - 1) | ((16000u - 1) << 14);
  std::vector<uint8_t> webp = {'R', 'I', 'F', 'F', 18, 0, 0, 0, 'W', 'E', 'B', 'P',
                               'V', 'P', '8', 'L', 6, 0, 0, 0, 0x2f};
  for (int i = 0; i < 4; ++i) webp.push_back(uint8_t(bits >> (8 * i)));
  webp.push_back(0);
  EXPECT_EQ(errorOf(webp),
            "The picture is too large (16000 x 16000 pixels); the limit is 134 megapixels");
}

}  // namespace
}  // namespace glyphon
