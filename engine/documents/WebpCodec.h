// WebP reading through libwebp.
#pragma once

#include <cstdint>
#include <span>

#include "engine/documents/DecodedPicture.h"

namespace glyphon {

// Decodes a WebP picture: lossy, lossless, with or without alpha; of an
// animation, the first frame as it shows on the animation's canvas. The
// ICCP profile and the EXIF block are handed over when present. The size in
// the header is checked against Bitmap::kDecodeMaxPixels before anything is
// decoded. Throws Error with a plain sentence.
[[nodiscard]] DecodedPicture decodeWebp(std::span<const uint8_t> data);

}  // namespace glyphon
