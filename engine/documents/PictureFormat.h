// The picture file formats the editor reads and writes, and the file names
// that announce them.
#pragma once

#include <optional>
#include <string>

namespace glyphon {

enum class PictureFormat { Jpeg, Bmp };

// The extension of the file name in path: from the last dot of the last path
// component, dot included ("/a.b/c.JPG" -> ".JPG"); empty when there is none.
[[nodiscard]] std::string fileExtension(const std::string& path);

// The format the extension of path names: ".jpg" and ".jpeg" JPEG, ".bmp"
// BMP, letter case ignored; none for any other extension or none at all.
// The content of the file plays no part.
[[nodiscard]] std::optional<PictureFormat> pictureFormatOfName(const std::string& path);

// path with the extension of format (".jpg" or ".bmp") added when its file
// name has no extension; any extension typed is kept as it is.
[[nodiscard]] std::string withPictureExtension(const std::string& path, PictureFormat format);

}  // namespace glyphon
