// TIFF reading through libtiff.
#pragma once

#include <cstdint>
#include <span>

#include "engine/documents/DecodedPicture.h"

namespace glyphon {

// Decodes the first picture of a TIFF file through libtiff's RGBA
// interface: greyscale, palette, RGB, CMYK and YCbCr pictures of 1 to 16
// bits per sample, in strips or tiles, contiguous or planar, with any
// compression libtiff reads. Rows are given in the order the file stores
// them; an Orientation other than top-left is handed over as a small EXIF
// block holding only that tag. Associated or unassociated alpha gives
// alpha; the ICC profile tag is handed over. The size in the header is
// checked against Bitmap::kDecodeMaxPixels before anything is decoded.
// Throws Error with a plain sentence.
[[nodiscard]] DecodedPicture decodeTiff(std::span<const uint8_t> data);

}  // namespace glyphon
