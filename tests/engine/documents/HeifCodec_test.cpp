#include "engine/documents/HeifCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    (void)decodeHeif(data);
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

class HeifFiles : public testing::ReferencePictureTest {
 protected:
  void SetUp() override {
    testing::ReferencePictureTest::SetUp();
    if (!haveTool("/usr/bin/convert") || !haveTool("/usr/bin/heif-enc") ||
        !haveTool("/usr/bin/heif-convert"))
      GTEST_SKIP() << "convert, heif-enc or heif-convert is not installed (see tools/setup.sh)";
    run("/usr/bin/convert -seed 9 -size 48x32 plasma:fractal -depth 8 " + path("opaque.png"));
    run("/usr/bin/convert -seed 9 -size 48x32 plasma:fractal \\( -size 48x32 gradient:white-none "
        "\\) -compose copy_opacity -composite -depth 8 " +
        path("alpha.png"));
  }

  // Encodes source with heif-enc, decodes the result with heif-convert and
  // with decodeHeif, and compares.
  void checkAgainstHeifConvert(const std::string& source, const std::string& output,
                               const std::string& options) {
    SCOPED_TRACE(source + " " + output + " " + options);
    run("/usr/bin/heif-enc " + options + " -o " + path(output) + " " + path(source));
    run("/usr/bin/heif-convert " + path(output) + " " + path("ref.png"));
    run("/usr/bin/convert " + path("ref.png") + " -depth 8 pam:" + path("ref.pam"));
    const DecodedPicture picture = decodeHeif(readWholeFile(path(output)));
    testing::expectSamePicture(picture, readNetpbm(path("ref.pam")));
    EXPECT_TRUE(picture.exif.empty());
  }
};

TEST_F(HeifFiles, HeicDecodesAsHeifConvertDoes) {
  if (!heicDecoderAvailable()) GTEST_SKIP() << "this libheif has no HEVC decoder";
  checkAgainstHeifConvert("opaque.png", "o.heic", "-q 80");
  checkAgainstHeifConvert("alpha.png", "a.heic", "-q 80");
}

TEST_F(HeifFiles, AvifDecodesAsHeifConvertDoes) {
  if (!avifDecoderAvailable()) GTEST_SKIP() << "this libheif has no AV1 decoder";
  checkAgainstHeifConvert("opaque.png", "o.avif", "-q 80");
}

// file with the primaries and transfer curve of its nclx box set: heif-enc
// of this libheif writes the box but leaves both unspecified.
std::vector<uint8_t> withNclx(std::vector<uint8_t> file, uint8_t primaries, uint8_t transfer) {
  static const std::string kNclx = "nclx";
  const auto at = std::search(file.begin(), file.end(), kNclx.begin(), kNclx.end());
  if (at == file.end() || file.end() - at < 8) return {};
  at[5] = primaries;  // big-endian 16-bit fields after the box type
  at[7] = transfer;
  return file;
}

TEST_F(HeifFiles, NclxColoursBecomeAProfileUnlessTheyAreSrgb) {
  if (!avifDecoderAvailable()) GTEST_SKIP() << "this libheif has no AV1 decoder";
  run("/usr/bin/heif-enc -A -q 90 -o " + path("n.avif") + " " + path("opaque.png"));
  const std::vector<uint8_t> plain = readWholeFile(path("n.avif"));
  const Bitmap untagged = decodeHeif(plain).pixels;
  struct Case {
    const char* name;
    uint8_t primaries, transfer;
    bool profile;
  };
  const Case cases[] = {
      {"Display P3", 12, 13, true},        {"BT.2020, linear", 9, 8, true},
      {"unspecified, linear", 2, 8, true}, {"sRGB", 1, 13, false},
      {"unspecified", 2, 2, false},        {"PQ, shown as it is", 9, 16, false},
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t> file = withNclx(plain, c.primaries, c.transfer);
    ASSERT_FALSE(file.empty()) << "heif-enc wrote no nclx box";
    DecodedPicture picture = decodeHeif(file);
    EXPECT_EQ(picture.pixels, untagged) << c.name;
    EXPECT_EQ(!picture.iccProfile.empty(), c.profile) << c.name;
    if (c.profile) {
      EXPECT_TRUE(convertToSrgb(picture.pixels, picture.iccProfile)) << c.name;
      EXPECT_NE(picture.pixels, untagged) << c.name;
    }
  }
}

TEST_F(HeifFiles, RefusesDamagedFilesWithAPlainSentence) {
  if (!heicDecoderAvailable()) GTEST_SKIP() << "this libheif has no HEVC decoder";
  EXPECT_EQ(errorOf({0, 0, 0, 8, 'f', 't', 'y', 'p'}).rfind("The HEIF picture is damaged", 0), 0u);
  EXPECT_EQ(errorOf({'G', 'I', 'F'}),
            "Not a HEIC or AVIF picture (it starts with the bytes 47 49 46)");
  run("/usr/bin/heif-enc -q 80 -o " + path("d.heic") + " " + path("opaque.png"));
  const std::vector<uint8_t> good = readWholeFile(path("d.heic"));
  for (size_t keep : {size_t(12), size_t(40), size_t(200), good.size() / 2, good.size() - 10}) {
    const std::vector<uint8_t> cut(good.begin(), good.begin() + long(keep));
    const std::string message = errorOf(cut);
    EXPECT_EQ(message.rfind("The HEIF picture", 0), 0u) << keep << " bytes kept: " << message;
    // libheif's words end some messages with a line end: one line, ending in ")".
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    EXPECT_NE(message.back(), ' ') << message;
  }
}

TEST(HeifSizesTest, AnOverlayTileDeclaringAGiantCanvasIsRefusedBeforeDecoding) {
  // Found by fuzzing: a grid whose one tile is an overlay item; the
  // overlay's canvas, which libheif allocates in heif_decode_image, is far
  // beyond its stated size (ispe) and beyond the limits.
  const std::vector<uint8_t> file =
      readWholeFile(std::string(GLYPHON_TEST_DATA_DIR) +
                    "/../../fuzz/corpus/heif/overlay-tile-of-a-gigabyte.heic");
  EXPECT_EQ(errorOf(file), "The picture is too large (a part of it is 16456 x 61275 pixels)");
}

}  // namespace
}  // namespace glyphon
