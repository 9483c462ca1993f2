// HEIC and AVIF reading through libheif.
#pragma once

#include <cstdint>
#include <span>

#include "engine/documents/DecodedPicture.h"

namespace glyphon {

// Decodes the primary picture of a HEIF file (HEIC, or AVIF) with the
// codecs Debian's libheif carries. libheif applies the container's rotation,
// mirror and crop itself, so the EXIF block is left empty: its orientation
// must not be applied a second time. An alpha picture gives alpha; an ICC
// profile is handed over, and nclx colours other than sRGB's become one
// (HDR curves are taken as sRGB). The stated size and every size the
// file's parts declare (checkHeifDeclaredSizes) are checked against
// Bitmap::kDecodeMaxPixels before anything is decoded. Throws Error with a
// plain sentence.
[[nodiscard]] DecodedPicture decodeHeif(std::span<const uint8_t> data);

// True when libheif can decode HEVC (HEIC) pictures, and AV1 (AVIF) ones.
[[nodiscard]] bool heicDecoderAvailable();
[[nodiscard]] bool avifDecoderAvailable();

}  // namespace glyphon
