#include "engine/documents/PictureSignature.h"

#include <algorithm>
#include <cstring>

namespace glyphon {

namespace {

bool startsWith(std::span<const uint8_t> data, size_t offset, const char* bytes, size_t count) {
  return data.size() >= offset + count && std::memcmp(data.data() + offset, bytes, count) == 0;
}

}  // namespace

std::optional<PictureFormat> pictureFormatOfContent(std::span<const uint8_t> data) {
  if (startsWith(data, 0, "\x89PNG\r\n\x1a\n", 8)) return PictureFormat::Png;
  if (startsWith(data, 0, "\xff\xd8\xff", 3)) return PictureFormat::Jpeg;
  if (startsWith(data, 0, "RIFF", 4) && startsWith(data, 8, "WEBP", 4)) return PictureFormat::Webp;
  if (startsWith(data, 0, "II*\0", 4) || startsWith(data, 0, "MM\0*", 4) ||
      startsWith(data, 0, "II+\0", 4) || startsWith(data, 0, "MM\0+", 4))
    return PictureFormat::Tiff;
  if (startsWith(data, 4, "ftyp", 4)) return PictureFormat::Heif;
  if (startsWith(data, 0, "BM", 2)) return PictureFormat::Bmp;
  return std::nullopt;
}

std::string leadingBytesText(std::span<const uint8_t> data, size_t count) {
  if (data.empty()) return "no bytes at all";
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < std::min(count, data.size()); ++i) {
    if (i) text += ' ';
    text += kDigits[data[i] >> 4];
    text += kDigits[data[i] & 15];
  }
  return text;
}

}  // namespace glyphon
