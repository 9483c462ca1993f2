#include "engine/documents/PictureExport.h"

#include "engine/core/FileIO.h"
#include "engine/documents/BmpCodec.h"
#include "engine/documents/JpegCodec.h"

namespace glyphon {

std::vector<uint8_t> encodePicture(const Bitmap& picture, PictureFormat format) {
  return format == PictureFormat::Jpeg ? encodeJpeg(picture) : encodeBmp(picture);
}

void writePictureFile(const std::string& path, const Bitmap& picture, PictureFormat format) {
  writeWholeFile(path, encodePicture(picture, format));
}

}  // namespace glyphon
