#include "engine/documents/PictureExport.h"

#include "engine/core/Error.h"
#include "engine/core/FileIO.h"
#include "engine/documents/BmpCodec.h"
#include "engine/documents/JpegCodec.h"

namespace glyphon {

std::vector<uint8_t> encodePicture(const Bitmap& picture, PictureFormat format) {
  switch (format) {
    case PictureFormat::Jpeg: return encodeJpeg(picture);
    case PictureFormat::Bmp: return encodeBmp(picture);
    default: break;
  }
  throw Error(std::string("Pictures cannot be saved as ") + defaultExtension(format) + " files");
}

void writePictureFile(const std::string& path, const Bitmap& picture, PictureFormat format) {
  writeWholeFile(path, encodePicture(picture, format));
}

}  // namespace glyphon
