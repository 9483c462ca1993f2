#include "engine/documents/PictureLoader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <string_view>

#include "engine/documents/BmpCodec.h"
#include "engine/documents/JpegCodec.h"

namespace glyphon {

namespace {

bool equalsIgnoreCase(const std::string& a, const char* b) {
  const std::string_view bv(b);
  return a.size() == bv.size() && std::equal(a.begin(), a.end(), bv.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

// True when path names an existing file; a folder is not a picture file.
bool fileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

}  // namespace

std::string fileExtension(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return path.substr(dot);
}

PictureKind pictureKindOf(const std::string& path) {
  const std::string ext = fileExtension(path);
  if (equalsIgnoreCase(ext, ".BMP")) return PictureKind::Bmp;
  if (equalsIgnoreCase(ext, ".JPG") || equalsIgnoreCase(ext, ".JPEG")) return PictureKind::Jpeg;
  return PictureKind::Other;
}

PictureLoadResult loadPicture(const std::string& path) {
  if (!fileExists(path)) return {std::nullopt, "Picture does not exists!\r" + path};
  switch (pictureKindOf(path)) {
    case PictureKind::Bmp:
      return {loadBmpFile(path), {}};
    case PictureKind::Jpeg:
      return {loadJpegFile(path), {}};
    case PictureKind::Other:
      break;
  }
  return {std::nullopt, "Picture format must be bmp, jpeg or jpg!"};
}

}  // namespace glyphon
