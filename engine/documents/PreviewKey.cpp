#include "engine/documents/PreviewKey.h"

namespace glyphon {

std::vector<uint32_t> bottomLeftKeyedArgb(const Bitmap& picture) {
  if (picture.isEmpty()) return {};
  std::vector<uint32_t> argb;
  argb.reserve(size_t(picture.width()) * size_t(picture.height()));
  const Color key = picture.pixel(0, picture.height() - 1);
  for (int32_t y = 0; y < picture.height(); ++y) {
    const uint8_t* p = picture.row(y);
    for (int32_t x = 0; x < picture.width(); ++x, p += Bitmap::kBytesPerPixel) {
      const Color c = rgb(p[2], p[1], p[0]);
      argb.push_back(c == key ? 0u
                              : 0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) |
                                    uint32_t(p[0]));
    }
  }
  return argb;
}

}  // namespace glyphon
