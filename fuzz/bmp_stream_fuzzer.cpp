// Fuzz target: the BMP stream reader of project files, reading images back
// to back until the data ends or an image is refused. Every image read must
// move the position forward and stay inside the data.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/core/Error.h"
#include "engine/documents/BmpCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  size_t pos = 0;
  while (pos < size) {
    const size_t before = pos;
    try {
      (void)glyphon::readBmpImage(bytes, pos);
    } catch (const glyphon::Error&) {
      if (pos != before) __builtin_trap();  // a refused image must not move the position
      break;
    }
    if (pos <= before || pos > size) __builtin_trap();
  }
  return 0;
}
