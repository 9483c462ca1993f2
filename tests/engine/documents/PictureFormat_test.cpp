#include "engine/documents/PictureFormat.h"

#include <gtest/gtest.h>

#include <optional>

namespace glyphon {
namespace {

TEST(PictureFormat, ExtensionIsTakenFromTheLastDotOfTheFileName) {
  struct Case {
    const char* path;
    const char* extension;
    std::optional<PictureFormat> format;
  };
  const Case cases[] = {
      {"a.bmp", ".bmp", PictureFormat::Bmp},
      {"/x/y/PIC.BMP", ".BMP", PictureFormat::Bmp},
      {"photo.JpEg", ".JpEg", PictureFormat::Jpeg},
      {"photo.jpeg", ".jpeg", PictureFormat::Jpeg},
      {"photo.Jpg", ".Jpg", PictureFormat::Jpeg},
      {"archive.jpg.gif", ".gif", std::nullopt},
      {"photo.jpe", ".jpe", std::nullopt},
      {"photo.", ".", std::nullopt},
      {"/pictures.bmp/photo", "", std::nullopt},
      {"noextension", "", std::nullopt},
      {"dir.v2/.bmp", ".bmp", PictureFormat::Bmp},
      {"/a/b.JPG", ".JPG", PictureFormat::Jpeg},
      {"b.jpeg", ".jpeg", PictureFormat::Jpeg},
      {"b.Bmp", ".Bmp", PictureFormat::Bmp},
      {"b.png", ".png", PictureFormat::Png},
      {"b.PNG", ".PNG", PictureFormat::Png},
      {"b.WebP", ".WebP", PictureFormat::Webp},
      {"b.tif", ".tif", PictureFormat::Tiff},
      {"b.TIFF", ".TIFF", PictureFormat::Tiff},
      {"b.heic", ".heic", PictureFormat::Heif},
      {"b.HEIF", ".HEIF", PictureFormat::Heif},
      {"b.avif", ".avif", PictureFormat::Heif},
      {"b.gif", ".gif", std::nullopt},
      {"b.tif.txt", ".txt", std::nullopt},
      {"/a.jpg/b", "", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fileExtension(c.path), c.extension) << c.path;
    EXPECT_EQ(pictureFormatOfName(c.path), c.format) << c.path;
  }
}

TEST(PictureFormat, AMissingExtensionIsAddedAndATypedOneKept) {
  EXPECT_EQ(withPictureExtension("/x/card", PictureFormat::Jpeg), "/x/card.jpg");
  EXPECT_EQ(withPictureExtension("/x.y/card", PictureFormat::Bmp), "/x.y/card.bmp");
  EXPECT_EQ(withPictureExtension("/x/card.jpg", PictureFormat::Bmp), "/x/card.jpg");
  EXPECT_EQ(withPictureExtension("/x/card.png", PictureFormat::Jpeg), "/x/card.png");
}

}  // namespace
}  // namespace glyphon
