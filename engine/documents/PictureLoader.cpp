#include "engine/documents/PictureLoader.h"

#include <sys/stat.h>

#include <utility>
#include <vector>

#include "engine/core/Error.h"
#include "engine/core/FileIO.h"
#include "engine/documents/BmpCodec.h"
#include "engine/documents/HeifCodec.h"
#include "engine/documents/JpegCodec.h"
#include "engine/documents/PictureSignature.h"
#include "engine/documents/PngCodec.h"
#include "engine/documents/TiffCodec.h"
#include "engine/documents/WebpCodec.h"

namespace glyphon {

namespace {

// True when path names an existing file; a folder is not a picture file.
bool fileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string fileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

DecodedPicture opaque(Bitmap pixels) {
  DecodedPicture picture;
  picture.pixels = std::move(pixels);
  return picture;
}

}  // namespace

std::string unknownPictureFormatMessage() {
  return std::string("Picture format must be ") + acceptedPictureExtensions() + "!";
}

DecodedPicture decodePicture(std::span<const uint8_t> data, PictureFormat fallback) {
  switch (pictureFormatOfContent(data).value_or(fallback)) {
    case PictureFormat::Bmp: return opaque(decodeBmp(data));
    case PictureFormat::Jpeg: return decodeJpegPicture(data);
    case PictureFormat::Png: return decodePng(data);
    case PictureFormat::Webp: return decodeWebp(data);
    case PictureFormat::Tiff: return decodeTiff(data);
    case PictureFormat::Heif: return decodeHeif(data);
  }
  throw Error("Unknown picture format");
}

PictureLoadResult loadPicture(const std::string& path, Color background) {
  if (!fileExists(path)) return {std::nullopt, "Picture does not exists!\r" + path};
  const std::optional<PictureFormat> format = pictureFormatOfName(path);
  if (!format) return {std::nullopt, unknownPictureFormatMessage()};
  try {
    const std::vector<uint8_t> data = readWholeFile(path);
    // JPEG, the photo format, is finished while it is decoded.
    if (pictureFormatOfContent(data).value_or(*format) == PictureFormat::Jpeg)
      return {decodeFinishedJpeg(data), {}};
    return {finishPicture(decodePicture(data, *format), background), {}};
  } catch (const Error& e) {
    throw Error("'" + fileNameOf(path) + "': " + e.what());
  }
}

}  // namespace glyphon
