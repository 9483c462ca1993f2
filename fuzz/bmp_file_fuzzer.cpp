// Fuzz target: the BMP file reader. A picture it accepts must survive a
// write and a second read unchanged.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/core/Error.h"
#include "engine/documents/BmpCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  glyphon::Bitmap picture;
  try {
    picture = glyphon::decodeBmp(std::span<const uint8_t>(data, size));
  } catch (const glyphon::Error&) {
    return 0;
  }
  if (glyphon::decodeBmp(glyphon::encodeBmp(picture)) != picture) __builtin_trap();
  return 0;
}
