// A picture as a decoder hands it over, before the loader finishes it for
// the canvas: colour pixels as the file stores them, the transparency, the
// colour profile and the EXIF block that says how the camera was held.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/Bitmap.h"
#include "engine/core/Geometry.h"

namespace glyphon {

struct DecodedPicture {
  // The colour of every pixel, in the file's own colour space and the
  // file's own row order turned top-down (orientation not yet applied).
  Bitmap pixels;
  // One opacity byte per pixel (0 transparent, 255 opaque), rows top-down
  // like pixels; empty when the picture has no transparency.
  std::vector<uint8_t> alpha;
  // The embedded ICC profile, empty when the file carries none (the
  // picture is then taken as sRGB).
  std::vector<uint8_t> iccProfile;
  // The EXIF block (TIFF header onwards, as in a JPEG APP1 segment after
  // "Exif\0\0"), empty when the file carries none.
  std::vector<uint8_t> exif;
};

// The picture ready for the canvas: its transparent pixels composed over
// background ("Color" of the canvas settings). Consumes picture.pixels.
[[nodiscard]] Bitmap finishPicture(DecodedPicture&& picture, Color background);

// Composes pixels over background where alpha (one byte per pixel, same
// layout as pixels) is below 255: out = (c * a + bg * (255 - a) + 127) / 255.
void composeOverBackground(Bitmap& pixels, const std::vector<uint8_t>& alpha, Color background);

}  // namespace glyphon
