// Fuzz target: the JPEG decoder. A small picture it accepts is encoded and
// decoded again, which must give a picture of the same size.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/core/Error.h"
#include "engine/documents/JpegCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  glyphon::Bitmap picture;
  try {
    picture = glyphon::decodeJpeg(std::span<const uint8_t>(data, size));
  } catch (const glyphon::Error&) {
    return 0;
  }
  if (int64_t(picture.width()) * picture.height() > 65536) return 0;
  const glyphon::Bitmap again = glyphon::decodeJpeg(glyphon::encodeJpeg(picture));
  if (again.width() != picture.width() || again.height() != picture.height()) __builtin_trap();
  return 0;
}
