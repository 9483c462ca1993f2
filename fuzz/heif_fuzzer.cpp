// Fuzz target: the HEIF reader. A picture it accepts must hand over
// transparency that matches its size.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/core/Error.h"
#include "engine/documents/HeifCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  glyphon::DecodedPicture picture;
  try {
    picture = glyphon::decodeHeif(std::span<const uint8_t>(data, size));
  } catch (const glyphon::Error&) {
    return 0;
  }
  const size_t pixels = size_t(picture.pixels.width()) * size_t(picture.pixels.height());
  if (!picture.alpha.empty() && picture.alpha.size() != pixels) __builtin_trap();
  return 0;
}
