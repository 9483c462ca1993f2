#include "engine/documents/PictureLoader.h"

#include <sys/stat.h>

#include "engine/documents/BmpCodec.h"
#include "engine/documents/JpegCodec.h"

namespace glyphon {

namespace {

// True when path names an existing file; a folder is not a picture file.
bool fileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

}  // namespace

PictureLoadResult loadPicture(const std::string& path) {
  if (!fileExists(path)) return {std::nullopt, "Picture does not exists!\r" + path};
  const std::optional<PictureFormat> format = pictureFormatOfName(path);
  if (!format) return {std::nullopt, "Picture format must be bmp, jpeg or jpg!"};
  return {*format == PictureFormat::Bmp ? loadBmpFile(path) : loadJpegFile(path), {}};
}

}  // namespace glyphon
