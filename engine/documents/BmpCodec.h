// Windows BMP reading and writing.
//
// The file reader takes every BMP form Windows itself opens: the OS/2 core
// header (12 bytes) and the 40-, 52-, 56-, 108- and 124-byte info headers;
// 1, 4 and 8 bits per pixel with a colour table, RLE8 and RLE4; 16 and 32
// bits with BI_BITFIELDS masks (any contiguous, non-overlapping masks) or
// BI_RGB (16 bits then means 5-5-5); 24 bits; bottom-up and top-down rows.
// Everything else (JPEG or PNG inside a BMP, other compressions, bad bit
// counts or masks, headers, offsets or sizes that do not fit the bytes) is
// refused with an Error. No reader reads past the bytes it is given, and a
// picture beyond Bitmap::kMaxPixels is refused before anything is allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/core/Bitmap.h"
#include "engine/core/ByteStream.h"

namespace glyphon {

// Decodes a complete BMP file held in data. The pixels are found through the
// file header's pixel offset; the file header's total size is not used.
[[nodiscard]] Bitmap decodeBmp(std::span<const uint8_t> data);

// Reads the BMP file at path (see decodeBmp and readWholeFile for errors).
[[nodiscard]] Bitmap loadBmpFile(const std::string& path);

// Reads one BMP image embedded in a larger stream (the project file) that
// starts at pos, and advances pos past its last pixel byte. The end of the
// image follows from its info header alone: the header, three 4-byte masks
// for 16 or 32 bits BI_BITFIELDS with a 40-byte header, the colour table
// (biClrUsed entries, or 2^bits for 8 bits or fewer when biClrUsed is 0),
// then the pixels: row size x row count for BI_RGB or when biSizeImage is 0,
// else biSizeImage bytes. The file header's total size and pixel offset are
// ignored. Throws Error "Stream read error" when the data ends inside the
// image and "Bitmap image is not valid" when it does not start with "BM";
// pos is unchanged on failure.
[[nodiscard]] Bitmap readBmpImage(std::span<const uint8_t> data, size_t& pos);
// The same from a stream, whose bytes left take the place of the data after
// pos: an uncompressed 24-bit image goes from the stream straight into its
// rows. On failure the stream may have moved.
[[nodiscard]] Bitmap readBmpImage(ByteStream& in);

// Appends bitmap as an uncompressed 24-bit BMP file image: a 14-byte file
// header, a 40-byte BITMAPINFOHEADER, then bottom-up rows padded to 4 bytes.
// Throws Error for an empty bitmap, which no BMP reader would accept.
void appendBmp(std::vector<uint8_t>& out, const Bitmap& bitmap);

// The BMP file image of bitmap (see appendBmp).
[[nodiscard]] std::vector<uint8_t> encodeBmp(const Bitmap& bitmap);

// Writes bitmap to path as a 24-bit BMP file, a few hundred rows at a time
// (see writeWholeFile for errors). Throws Error for an empty bitmap before
// any file is made.
void saveBmpFile(const std::string& path, const Bitmap& bitmap);

}  // namespace glyphon
