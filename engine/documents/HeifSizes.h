// The picture sizes a HEIF file (HEIC or AVIF) declares beyond the one its
// primary picture states: the canvas of every grid and overlay item, and the
// coded size in every HEVC sequence parameter set and AV1 sequence header,
// in the decoder configurations and in the items' own coded data. libheif
// checks only the stated size (ispe) before decoding, while its decoders
// and its grid and overlay assembly allocate by these, so a damaged file
// could make it allocate gigabytes before it fails.
#pragma once

#include <cstdint>
#include <span>

namespace glyphon {

// Throws Error ("The picture is too large (a part of it is W x H pixels)")
// when any of those sizes is beyond what the decoders accept
// (Bitmap::kDecodeMaxPixels and Bitmap::kMaxSide, with room for the
// rounding of coded sizes up to whole coding blocks). Parts that cannot be
// read are left to libheif, which fails on them without allocating by them.
void checkHeifDeclaredSizes(std::span<const uint8_t> file);

}  // namespace glyphon
