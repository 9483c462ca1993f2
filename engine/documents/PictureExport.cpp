#include "engine/documents/PictureExport.h"

#include "engine/core/FileIO.h"
#include "engine/documents/BmpCodec.h"
#include "engine/documents/JpegCodec.h"
#include "engine/documents/PictureLoader.h"

namespace glyphon {

std::vector<uint8_t> encodePicture(const Bitmap& picture, PictureFormat format) {
  return format == PictureFormat::Jpeg ? encodeJpeg(picture) : encodeBmp(picture);
}

void writePictureFile(const std::string& path, const Bitmap& picture, PictureFormat format) {
  writeWholeFile(path, encodePicture(picture, format));
}

std::optional<PictureFormat> pictureFormatOfName(const std::string& path) {
  switch (pictureKindOf(path)) {
    case PictureKind::Jpeg:
      return PictureFormat::Jpeg;
    case PictureKind::Bmp:
      return PictureFormat::Bmp;
    case PictureKind::Other:
      break;
  }
  return std::nullopt;
}

std::string withPictureExtension(const std::string& path, PictureFormat format) {
  if (!fileExtension(path).empty()) return path;
  return path + (format == PictureFormat::Jpeg ? ".jpg" : ".bmp");
}

}  // namespace glyphon
