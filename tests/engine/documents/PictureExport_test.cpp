// Picture export: the JPEG's markers and quantisation tables, the BMP, PNG
// and WebP, and the rule that picks the format from a typed name.
#include "engine/documents/PictureExport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "engine/core/Error.h"
#include "engine/documents/BmpCodec.h"
#include "engine/documents/JpegCodec.h"

namespace glyphon {
namespace {

Bitmap gradient(int32_t width, int32_t height) {
  Bitmap b(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      b.setPixel(x, y, rgb(uint8_t(x * 255 / width), uint8_t(y * 255 / height), 90));
  return b;
}

// The example tables of the JPEG standard (Annex K), in natural order; the
// IJG encoder scales them by 200 - 2 x quality percent.
constexpr std::array<int, 64> kLuminance = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr std::array<int, 64> kChrominanceFirstRows = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26,
                                                       66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
                                                       99, 99, 47, 66, 99, 99, 99, 99, 99, 99};
constexpr std::array<int, 64> kZigzagToNatural = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

int scaledForQuality90(int v) { return std::clamp((v * 20 + 50) / 100, 1, 255); }

TEST(PictureExportTest, JpegIsBaselineJfifWithThreeComponentsAtQuality90) {
  const Bitmap picture = gradient(300, 200);
  const std::vector<uint8_t> jpeg = encodePicture(picture, PictureFormat::Jpeg);
  ASSERT_GT(jpeg.size(), 4u);
  EXPECT_EQ(jpeg[0], 0xFF);
  EXPECT_EQ(jpeg[1], 0xD8);
  EXPECT_EQ(jpeg[jpeg.size() - 2], 0xFF);
  EXPECT_EQ(jpeg[jpeg.size() - 1], 0xD9);

  std::map<int, std::array<int, 64>> tables;  // by table number, natural order
  std::vector<int> markers;
  for (size_t at = 2; at + 4 <= jpeg.size();) {
    ASSERT_EQ(jpeg[at], 0xFF) << "at " << at;
    const int marker = jpeg[at + 1];
    const size_t length = size_t(jpeg[at + 2] << 8 | jpeg[at + 3]);
    const uint8_t* body = jpeg.data() + at + 4;
    markers.push_back(marker);
    if (marker == 0xE0) {
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(body), 5), std::string("JFIF\0", 5));
    } else if (marker == 0xDB) {
      for (size_t t = 0; t + 65 <= length - 2; t += 65) {
        ASSERT_EQ(body[t] >> 4, 0) << "8-bit tables only in baseline";
        std::array<int, 64>& table = tables[body[t] & 15];
        for (int i = 0; i < 64; ++i) table[size_t(kZigzagToNatural[size_t(i)])] = body[t + 1 + i];
      }
    } else if (marker == 0xC0) {
      EXPECT_EQ(body[0], 8);                   // precision
      EXPECT_EQ(body[1] << 8 | body[2], 200);  // height
      EXPECT_EQ(body[3] << 8 | body[4], 300);  // width
      EXPECT_EQ(body[5], 3);                   // YCbCr, not greyscale
    }
    if (marker == 0xDA) break;  // entropy-coded data follows
    at += 2 + length;
  }
  ASSERT_FALSE(markers.empty());
  EXPECT_EQ(markers.front(), 0xE0);
  EXPECT_NE(std::find(markers.begin(), markers.end(), 0xC0), markers.end());
  EXPECT_EQ(std::find(markers.begin(), markers.end(), 0xC2), markers.end()) << "progressive";

  ASSERT_EQ(tables.size(), 2u);
  for (size_t i = 0; i < 64; ++i) {
    EXPECT_EQ(tables[0][i], scaledForQuality90(kLuminance[i])) << i;
    EXPECT_EQ(tables[1][i], scaledForQuality90(i < 32 ? kChrominanceFirstRows[i] : 99)) << i;
  }

  const Bitmap decoded = decodeJpeg(jpeg);
  ASSERT_EQ(decoded.width(), 300);
  int far = 0;
  for (int32_t y = 0; y < 200; ++y)
    for (int32_t x = 0; x < 300; ++x)
      if (std::abs(int(redOf(decoded.pixel(x, y))) - int(redOf(picture.pixel(x, y)))) > 8) ++far;
  EXPECT_EQ(far, 0);
}

TEST(PictureExportTest, BmpHoldsThePixelsExactlyAt24Bits) {
  const Bitmap picture = gradient(7, 3);
  const std::vector<uint8_t> bmp = encodePicture(picture, PictureFormat::Bmp);
  EXPECT_EQ(bmp[28], 24);
  EXPECT_EQ(decodeBmp(bmp), picture);
}

TEST(PictureExportTest, PngAndWebpAreWrittenAndTiffAndHeifRefused) {
  const Bitmap picture = gradient(9, 4);
  const std::vector<uint8_t> png = encodePicture(picture, PictureFormat::Png);
  EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
  const std::vector<uint8_t> webp = encodePicture(picture, PictureFormat::Webp);
  EXPECT_EQ(std::string(webp.begin() + 8, webp.begin() + 12), "WEBP");
  struct Case {
    PictureFormat format;
    const char* message;
  };
  const Case refused[] = {
      {PictureFormat::Tiff,
       "Pictures cannot be saved as .tif files; they can be saved as .jpg, .bmp, .png or .webp "
       "files"},
      {PictureFormat::Heif,
       "Pictures cannot be saved as .heic files; they can be saved as .jpg, .bmp, .png or .webp "
       "files"},
  };
  for (const Case& c : refused) {
    try {
      (void)encodePicture(picture, c.format);
      ADD_FAILURE() << c.message;
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST(PictureExportTest, TheWrittenFormatFollowsTheExtensionAlone) {
  struct Case {
    const char* path;
    std::optional<PictureFormat> format;
  };
  const Case cases[] = {
      {"a.jpg", PictureFormat::Jpeg},
      {"a.JPEG", PictureFormat::Jpeg},
      {"a.Bmp", PictureFormat::Bmp},
      {"/x/a.png", PictureFormat::Png},
      {"a.PNG", PictureFormat::Png},
      {"a.webp", PictureFormat::Webp},
      {"a.WebP", PictureFormat::Webp},
      {"a.tif", std::nullopt},
      {"a.heic", std::nullopt},
      {"a.gif", std::nullopt},
      {"a", std::nullopt},
      {"/x.png/a", std::nullopt},
      {"a.png.txt", std::nullopt},
      {".webp", PictureFormat::Webp},
  };
  for (const Case& c : cases) EXPECT_EQ(writtenFormatOfName(c.path), c.format) << c.path;
}

TEST(PictureExportTest, ATypedPictureExtensionWinsOverTheChosenEntry) {
  struct Case {
    const char* typed;
    PictureFormat entry;
    const char* path;
    PictureFormat format;
  };
  const Case cases[] = {
      // A known extension decides, whatever entry is chosen.
      {"/d/card.bmp", PictureFormat::Jpeg, "/d/card.bmp", PictureFormat::Bmp},
      {"/d/card.JPG", PictureFormat::Bmp, "/d/card.JPG", PictureFormat::Jpeg},
      {"/d/card.png", PictureFormat::Webp, "/d/card.png", PictureFormat::Png},
      {"/d/card.webp", PictureFormat::Png, "/d/card.webp", PictureFormat::Webp},
      {"/d/card.jpeg", PictureFormat::Jpeg, "/d/card.jpeg", PictureFormat::Jpeg},
      // No extension: the entry decides and adds its own.
      {"/d/card", PictureFormat::Jpeg, "/d/card.jpg", PictureFormat::Jpeg},
      {"/d/card", PictureFormat::Bmp, "/d/card.bmp", PictureFormat::Bmp},
      {"/d/card", PictureFormat::Png, "/d/card.png", PictureFormat::Png},
      {"/d/card", PictureFormat::Webp, "/d/card.webp", PictureFormat::Webp},
      {"/d.x/card", PictureFormat::Png, "/d.x/card.png", PictureFormat::Png},
      // Another extension is kept as typed, in the entry's format.
      {"/d/card.txt", PictureFormat::Png, "/d/card.txt", PictureFormat::Png},
  };
  for (const Case& c : cases) {
    const PictureSaveTarget target = pictureSaveTarget(c.typed, c.entry);
    EXPECT_EQ(target.path, c.path) << c.typed;
    EXPECT_EQ(target.format, c.format) << c.typed;
  }
  // Formats that are read but not written are refused by name, whatever
  // the entry, rather than written as another format under their name.
  for (const char* typed : {"/d/card.tif", "/d/card.TIFF", "/d/card.heic", "/d/card.avif"}) {
    try {
      (void)pictureSaveTarget(typed, PictureFormat::Jpeg);
      ADD_FAILURE() << typed << " was accepted";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("can be saved as .jpg, .bmp, .png or .webp"),
                std::string::npos)
          << typed << ": " << e.what();
    }
  }
}

}  // namespace
}  // namespace glyphon
