// WebP writing through libwebp.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/Bitmap.h"

namespace glyphon {

// Quality of every WebP picture the editor writes, on libwebp's 0 to 100
// scale: the JPEG quality, so that the two small-file entries of Save
// Picture keep the same detail (PNG is the lossless one).
inline constexpr int kWebpQuality = 90;

// Encodes bitmap as a lossy WebP picture at kWebpQuality with libwebp's
// default method (4) and sharp RGB to YUV conversion, which keeps coloured
// letters crisp where the half-size chroma of lossy WebP would blur them.
// Throws Error with libwebp's reason on failure and for an empty bitmap or
// one beyond WebP's 16383 pixels a side.
[[nodiscard]] std::vector<uint8_t> encodeWebp(const Bitmap& bitmap);

}  // namespace glyphon
