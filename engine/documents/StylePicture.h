// Style pictures (".gph"): the toolbar pictures and samples that come with a
// style kind. A style picture is a JPEG or BMP file whose first 100 bytes
// are scrambled; the layout and the two scrambling offsets are documented in
// include/glyphon/style_plugin.h, since style authors write these files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/core/Bitmap.h"
#include "engine/core/Geometry.h"
#include "engine/documents/PictureFormat.h"

namespace glyphon {

// Length of the scrambled head; every style picture is at least this long.
inline constexpr size_t kStylePictureHeadSize = 100;

// The format data announces: Jpeg when bytes 3 and 4 are "st", else Bmp.
// Throws Error when data is shorter than kStylePictureHeadSize.
[[nodiscard]] PictureFormat stylePictureFormat(std::span<const uint8_t> data);

// The picture file hidden in a style picture: the head unscrambled, the rest
// unchanged. Throws Error when data is shorter than kStylePictureHeadSize.
[[nodiscard]] std::vector<uint8_t> unpackStylePicture(std::span<const uint8_t> data);

// Decodes a style picture: the restored file as JPEG or as BMP, by the kind
// its bytes 3 and 4 announce (whatever the rest holds). Throws Error with the
// decoder's message, naming the kind, when the picture cannot be decoded.
[[nodiscard]] Bitmap decodeStylePicture(std::span<const uint8_t> data);

// Reads the style picture at path. Errors name the file: a file that cannot
// be opened gives readWholeFile's message, one that is too short or cannot
// be decoded "Cannot read the style picture "<path>" ...".
[[nodiscard]] Bitmap loadStylePicture(const std::string& path);

// Packs a JPEG or BMP file into a style picture of the kind its content
// shows: a JPEG must begin with the start-of-image marker and an APP0
// segment (every JFIF file does), a BMP with "BM". A picture file shorter
// than kStylePictureHeadSize is padded with zero bytes, which neither reader
// looks at. Throws Error for any other content.
[[nodiscard]] std::vector<uint8_t> packStylePicture(std::span<const uint8_t> pictureFile);

// Writes bitmap to path as a style picture in format (encoded as picture
// export encodes it). See writeWholeFile for errors.
void saveStylePicture(const std::string& path, const Bitmap& bitmap, PictureFormat format);

// What the style preview shows: sample stretched by nearest pixel over a
// black width x height picture and tinted with color (TintBitmap). An empty
// sample gives a black picture.
[[nodiscard]] Bitmap stylePreview(const Bitmap& sample, int32_t width, int32_t height, Color color);

}  // namespace glyphon
