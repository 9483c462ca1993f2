#include "engine/documents/PictureSignature.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace glyphon {
namespace {

using namespace std::string_literals;

std::vector<uint8_t> bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST(PictureSignature, TellsFormatsByTheirFirstBytes) {
  struct Case {
    std::string head;
    std::optional<PictureFormat> format;
  };
  const Case cases[] = {
      {"\x89PNG\r\n\x1a\n\0\0"s, PictureFormat::Png},
      {"\x89PNG\r\n", std::nullopt},  // cut inside the signature
      {"\xff\xd8\xff\xe0", PictureFormat::Jpeg},
      {"\xff\xd8", std::nullopt},
      {"RIFF\x10\0\0\0WEBPVP8 "s, PictureFormat::Webp},
      {"RIFF\x10\0\0\0WAVEfmt "s, std::nullopt},
      {std::string("II*\0\x08\0\0\0", 8), PictureFormat::Tiff},
      {std::string("MM\0*\0\0\0\x08", 8), PictureFormat::Tiff},
      {std::string("II+\0\x08\0\0\0", 8), PictureFormat::Tiff},  // BigTIFF
      {std::string("\0\0\0\x18" "ftypheic", 12), PictureFormat::Heif},
      {std::string("\0\0\0\x1c" "ftypavif", 12), PictureFormat::Heif},
      {"BM\x36\0"s, PictureFormat::Bmp},
      {"GIF89a", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(pictureFormatOfContent(bytes(c.head)), c.format) << leadingBytesText(bytes(c.head));
}

TEST(PictureSignature, DescribesTheFirstBytes) {
  EXPECT_EQ(leadingBytesText({}), "no bytes at all");
  EXPECT_EQ(leadingBytesText(bytes("\xe9\x97")), "e9 97");
  EXPECT_EQ(leadingBytesText(bytes("0123456789")), "30 31 32 33 34 35 36 37");
  EXPECT_EQ(leadingBytesText(bytes("0123456789"), 2), "30 31");
}

}  // namespace
}  // namespace glyphon
