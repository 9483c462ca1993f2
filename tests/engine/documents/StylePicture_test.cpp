#include "engine/documents/StylePicture.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/Compositor.h"
#include "engine/core/Error.h"
#include "engine/core/FileIO.h"
#include "engine/documents/BmpCodec.h"
#include "engine/documents/JpegCodec.h"

namespace glyphon {
namespace {

// A picture whose pixels all differ, so that a wrong byte anywhere shows.
Bitmap pattern(int32_t width, int32_t height) {
  Bitmap b(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      b.setPixel(x, y, rgb(uint8_t(x * 7), uint8_t(y * 13), uint8_t(x + y)));
  return b;
}

// The style picture of file, scrambled by the layout style authors are
// given, written out here on its own: "st" and bytes 5 to 99 XOR (i + 71)
// for JPEG files, bytes 2 to 99 XOR (i + 80) for BMP files.
std::vector<uint8_t> publishedScramble(std::vector<uint8_t> file, bool jpeg) {
  file.resize(std::max<size_t>(file.size(), 100), 0);
  for (size_t i = jpeg ? 5 : 2; i < 100; ++i) file[i] ^= uint8_t((i + (jpeg ? 71 : 80)) & 0xFF);
  if (jpeg) file[3] = 's', file[4] = 't';
  return file;
}

std::string errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(StylePictureTest, BothKindsRoundTripThroughTheWriterAndTheReader) {
  const Bitmap picture = pattern(37, 23);

  const std::vector<uint8_t> jpeg = encodeJpeg(picture);
  const std::vector<uint8_t> packedJpeg = packStylePicture(jpeg);
  EXPECT_EQ(stylePictureFormat(packedJpeg), PictureFormat::Jpeg);
  EXPECT_EQ(unpackStylePicture(packedJpeg), jpeg);
  EXPECT_EQ(decodeStylePicture(packedJpeg), decodeJpeg(jpeg));

  const std::vector<uint8_t> bmp = encodeBmp(picture);
  const std::vector<uint8_t> packedBmp = packStylePicture(bmp);
  EXPECT_EQ(stylePictureFormat(packedBmp), PictureFormat::Bmp);
  EXPECT_EQ(unpackStylePicture(packedBmp), bmp);
  EXPECT_EQ(decodeStylePicture(packedBmp), picture);

  // Through files, as the editor reads them.
  QTemporaryDir dir;
  const std::string jpegPath = dir.filePath("desc1.gph").toStdString();
  const std::string bmpPath = dir.filePath("1.gph").toStdString();
  saveStylePicture(jpegPath, picture, PictureFormat::Jpeg);
  saveStylePicture(bmpPath, picture, PictureFormat::Bmp);
  EXPECT_EQ(readWholeFile(jpegPath), packedJpeg);
  EXPECT_EQ(loadStylePicture(bmpPath), picture);
}

TEST(StylePictureTest, TheScramblingIsThePublishedOne) {
  const Bitmap picture = pattern(16, 9);
  const std::vector<uint8_t> jpeg = encodeJpeg(picture);
  const std::vector<uint8_t> bmp = encodeBmp(picture);
  EXPECT_EQ(packStylePicture(jpeg), publishedScramble(jpeg, true));
  EXPECT_EQ(packStylePicture(bmp), publishedScramble(bmp, false));
  // The reader restores the bytes it does not read from the kind alone.
  std::vector<uint8_t> gph = publishedScramble(jpeg, true);
  gph[0] = gph[1] = gph[2] = 0;
  EXPECT_EQ(decodeStylePicture(gph), decodeJpeg(jpeg));
  gph = publishedScramble(bmp, false);
  gph[0] = 'x', gph[1] = 'y';
  EXPECT_EQ(decodeStylePicture(gph), picture);
}

TEST(StylePictureTest, StMarksTheJpegKindWhateverFollows) {
  std::vector<uint8_t> gph = packStylePicture(encodeBmp(pattern(20, 20)));
  gph[3] = 's';
  gph[4] = 't';
  ASSERT_EQ(stylePictureFormat(gph), PictureFormat::Jpeg);
  const std::string message = errorOf([&] { (void)decodeStylePicture(gph); });
  EXPECT_EQ(
      message.rfind("The style picture is of the JPEG kind but cannot be decoded as such: ", 0), 0u)
      << message;

  QTemporaryDir dir;
  const std::string path = dir.filePath("3.gph").toStdString();
  writeWholeFile(path, gph);
  const std::string fromFile = errorOf([&] { (void)loadStylePicture(path); });
  EXPECT_EQ(fromFile.rfind("Cannot read the style picture \"" + path +
                               "\". The style picture is of the JPEG kind",
                           0),
            0u)
      << fromFile;
}

TEST(StylePictureTest, FilesShorterThanTheHeadAreRefused) {
  for (size_t size : {size_t(0), size_t(5), size_t(99)}) {
    const std::vector<uint8_t> data(size, 's');
    EXPECT_EQ(errorOf([&] { (void)decodeStylePicture(data); }),
              "A style picture holds at least 100 bytes; this one holds " + std::to_string(size));
    EXPECT_THROW((void)unpackStylePicture(data), Error);
  }
  // 100 bytes are enough to be read; these ones then fail in the decoder.
  const std::vector<uint8_t> hundred(100, 0);
  const std::string message = errorOf([&] { (void)decodeStylePicture(hundred); });
  EXPECT_EQ(message.rfind("The style picture is of the bitmap kind", 0), 0u) << message;

  QTemporaryDir dir;
  const std::string path = dir.filePath("short.gph").toStdString();
  writeWholeFile(path, std::vector<uint8_t>(42, 0));
  EXPECT_EQ(errorOf([&] { (void)loadStylePicture(path); }),
            "Cannot read the style picture \"" + path +
                "\". A style picture holds at least 100 bytes; this one holds 42");
  const std::string missing = dir.filePath("missing.gph").toStdString();
  EXPECT_EQ(errorOf([&] { (void)loadStylePicture(missing); }),
            "Cannot open file \"" + missing + "\". No such file or directory");
}

TEST(StylePictureTest, TinyBmpFilesArePaddedToTheHead) {
  const Bitmap picture = pattern(1, 1);
  const std::vector<uint8_t> bmp = encodeBmp(picture);
  ASSERT_LT(bmp.size(), kStylePictureHeadSize);
  const std::vector<uint8_t> gph = packStylePicture(bmp);
  EXPECT_EQ(gph.size(), kStylePictureHeadSize);
  EXPECT_EQ(decodeStylePicture(gph), picture);
}

TEST(StylePictureTest, ABmpWhoseScrambledSizeWouldReadStStaysABmp) {
  // Scrambled bytes 3 and 4 read "st" when the size field's bytes 3 and 4
  // are 0x20 0x20: a file of 0x202000 + n bytes. Trailing bytes after the
  // pixels make one without a huge picture.
  std::vector<uint8_t> bmp = encodeBmp(pattern(4, 4));
  const size_t size = 0x202010;
  bmp.resize(size, 0);
  for (size_t i = 0; i < 4; ++i) bmp[2 + i] = uint8_t(size >> (8 * i));
  const std::vector<uint8_t> gph = packStylePicture(bmp);
  EXPECT_EQ(stylePictureFormat(gph), PictureFormat::Bmp);
  const std::vector<uint8_t> restored = unpackStylePicture(gph);
  EXPECT_EQ(std::vector<uint8_t>(restored.begin() + 2, restored.begin() + 6),
            std::vector<uint8_t>(4, 0));
  EXPECT_EQ(decodeStylePicture(gph), pattern(4, 4));
}

TEST(StylePictureTest, OnlyJfifAndBmpFilesCanBePacked) {
  const std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const std::vector<uint8_t> exif{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x10, 'E', 'x', 'i', 'f'};
  for (const std::vector<uint8_t>& file : {png, exif, std::vector<uint8_t>{}})
    EXPECT_EQ(errorOf([&] { (void)packStylePicture(file); }),
              "Only BMP files and JPEG files that begin with a JFIF (APP0) segment can be packed "
              "into a style picture");
}

TEST(StylePictureTest, ThePreviewStretchesTheSampleAndTintsIt) {
  // Grey 128 takes about the colour itself (255 - (1 - k / 255) * 254 for
  // a byte k of it), white stays white, black stays black.
  Bitmap sample(4, 1);
  sample.setPixel(0, 0, rgb(128, 128, 128));
  sample.setPixel(1, 0, rgb(255, 255, 255));
  sample.setPixel(3, 0, rgb(128, 128, 128));
  const Color colour = rgb(104, 255, 119);
  const Color mid = rgb(105, 255, 120);
  const Bitmap preview = stylePreview(sample, 320, 170, colour);
  ASSERT_EQ(preview.width(), 320);
  ASSERT_EQ(preview.height(), 170);
  for (int32_t y : {0, 169}) {
    EXPECT_EQ(preview.pixel(0, y), mid);
    EXPECT_EQ(preview.pixel(79, y), mid);
    EXPECT_EQ(preview.pixel(80, y), rgb(255, 255, 255));
    EXPECT_EQ(preview.pixel(200, y), 0u);
    EXPECT_EQ(preview.pixel(319, y), mid);
  }
  const Bitmap empty = stylePreview(Bitmap(), 320, 170, colour);
  EXPECT_EQ(empty, Bitmap(320, 170));
}

}  // namespace
}  // namespace glyphon
