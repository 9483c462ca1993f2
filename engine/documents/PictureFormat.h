// The picture file formats the editor reads and writes, and the file names
// that announce them.
#pragma once

#include <optional>
#include <string>

namespace glyphon {

// The formats of picture files. Every one is read as a backdrop; which can
// be written says encodePicture (engine/documents/PictureExport.h).
enum class PictureFormat { Jpeg, Bmp, Png, Webp, Tiff, Heif };

// The usual extension of files of format, with its dot (".jpg", ".bmp", ...).
[[nodiscard]] const char* defaultExtension(PictureFormat format);

// The extension of the file name in path: from the last dot of the last path
// component, dot included ("/a.b/c.JPG" -> ".JPG"); empty when there is none.
[[nodiscard]] std::string fileExtension(const std::string& path);

// The format the extension of path names: ".jpg" and ".jpeg" JPEG, ".bmp"
// BMP, ".png" PNG, ".webp" WebP, ".tif" and ".tiff" TIFF, ".heic", ".heif"
// and ".avif" HEIF, letter case ignored; none for any other extension or
// none at all. The content of the file plays no part.
[[nodiscard]] std::optional<PictureFormat> pictureFormatOfName(const std::string& path);

// The extensions pictureFormatOfName knows, as a user reads them in a
// refusal: "bmp, jpg, jpeg, png, webp, tif, tiff, heic, heif or avif".
[[nodiscard]] const char* acceptedPictureExtensions();

// path with the default extension of format added when its file
// name has no extension; any extension typed is kept as it is.
[[nodiscard]] std::string withPictureExtension(const std::string& path, PictureFormat format);

}  // namespace glyphon
