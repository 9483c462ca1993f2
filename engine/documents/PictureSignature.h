// Telling picture formats apart by their first bytes, and describing those
// bytes to a user when a file is not what its name says.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "engine/documents/PictureFormat.h"

namespace glyphon {

// The format whose signature data starts with: BMP "BM", JPEG FF D8 FF,
// PNG's eight-byte signature, WebP "RIFF....WEBP", TIFF "II*\0", "MM\0*"
// or BigTIFF, HEIF/AVIF an ISO box "ftyp" at byte 4; none otherwise.
[[nodiscard]] std::optional<PictureFormat> pictureFormatOfContent(std::span<const uint8_t> data);

// The first bytes of data (at most count) in hexadecimal, separated by
// spaces ("e9 97 00"); "no bytes at all" for an empty file.
[[nodiscard]] std::string leadingBytesText(std::span<const uint8_t> data, size_t count = 8);

}  // namespace glyphon
