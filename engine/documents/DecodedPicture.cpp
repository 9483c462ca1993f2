#include "engine/documents/DecodedPicture.h"

#include <utility>

#include "engine/core/Error.h"

namespace glyphon {

void composeOverBackground(Bitmap& pixels, const std::vector<uint8_t>& alpha, Color background) {
  if (alpha.empty()) return;
  if (alpha.size() != size_t(pixels.width()) * size_t(pixels.height()))
    throw Error("The picture's transparency does not match its size");
  // Bytes blue, green, red, as the bitmap stores them.
  const int bg[3] = {blueOf(background), greenOf(background), redOf(background)};
  const uint8_t* a = alpha.data();
  for (int32_t y = 0; y < pixels.height(); ++y) {
    uint8_t* p = pixels.row(y);
    for (int32_t x = 0; x < pixels.width(); ++x, ++a, p += 3) {
      const int opacity = *a;
      if (opacity == 255) continue;
      for (int c = 0; c < 3; ++c)
        p[c] = uint8_t((p[c] * opacity + bg[c] * (255 - opacity) + 127) / 255);
    }
  }
}

Bitmap finishPicture(DecodedPicture&& picture, Color background) {
  composeOverBackground(picture.pixels, picture.alpha, background);
  return std::move(picture.pixels);
}

}  // namespace glyphon
