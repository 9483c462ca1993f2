// Fuzz target: the style picture reader (".gph"). A picture it accepts is
// packed again from its restored file, which must decode to the same
// picture, and a small one goes through the style preview.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/core/Error.h"
#include "engine/documents/StylePicture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> input(data, size);
  glyphon::Bitmap picture;
  try {
    picture = glyphon::decodeStylePicture(input);
  } catch (const glyphon::Error&) {
    return 0;
  }
  const std::vector<uint8_t> repacked =
      glyphon::packStylePicture(glyphon::unpackStylePicture(input));
  if (glyphon::stylePictureFormat(repacked) != glyphon::stylePictureFormat(input)) __builtin_trap();
  if (glyphon::decodeStylePicture(repacked) != picture) __builtin_trap();
  if (int64_t(picture.width()) * picture.height() <= 65536) {
    const glyphon::Bitmap preview = glyphon::stylePreview(picture, 32, 17, 0x77FF68);
    if (preview.width() != 32 || preview.height() != 17) __builtin_trap();
  }
  return 0;
}
