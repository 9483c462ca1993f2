// JPEG reading and writing through libjpeg's IJG interface.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/core/Bitmap.h"
#include "engine/documents/DecodedPicture.h"

namespace glyphon {

// Quality of every JPEG the editor writes, on the IJG 0 to 100 scale.
inline constexpr int kJpegQuality = 90;

// Decodes a JPEG picture to 24-bit colour at full scale. Greyscale pictures
// become grey colour pixels; CMYK and YCCK pictures are converted, reading
// them as inverted (Adobe) CMYK when they carry an Adobe marker. The size in
// the header is checked against the bitmap limits before any pixel memory is
// allocated. A truncated or corrupt picture, which libjpeg only warns about,
// is refused like any other error: Error with libjpeg's own message.
[[nodiscard]] Bitmap decodeJpeg(std::span<const uint8_t> data);

// Decodes a JPEG picture the user chose, as decodeJpeg does, and keeps its
// ICC profile (the APP2 segments, empty when they are missing or do not fit
// together) and its EXIF block (the first APP1 segment that starts with
// "Exif\0\0", without those six bytes) for finishPicture. Failures are told
// in plain words ("Not a JPEG picture (it starts with the bytes e9 97)",
// "The JPEG picture is cut short"), without the file's name.
[[nodiscard]] DecodedPicture decodeJpegPicture(std::span<const uint8_t> data);

// Decodes a JPEG picture the user chose and finishes it, as
// finishPicture(decodeJpegPicture(data), any colour) does, but converting and
// turning its rows on a second thread while later rows are still decoded.
[[nodiscard]] Bitmap decodeFinishedJpeg(std::span<const uint8_t> data);

// Reads the JPEG file at path (see decodeJpeg and readWholeFile for errors).
[[nodiscard]] Bitmap loadJpegFile(const std::string& path);

// Encodes bitmap as a baseline JFIF picture with three components (YCbCr)
// at kJpegQuality, every other setting at libjpeg's defaults. Throws Error
// with libjpeg's message on failure and for an empty bitmap.
[[nodiscard]] std::vector<uint8_t> encodeJpeg(const Bitmap& bitmap);

// Writes bitmap to path as JPEG (see writeWholeFile for errors).
void saveJpegFile(const std::string& path, const Bitmap& bitmap);

}  // namespace glyphon
