#include "engine/documents/PictureExport.h"

#include <algorithm>
#include <cctype>

#include "engine/core/Error.h"
#include "engine/core/FileIO.h"
#include "engine/documents/BmpCodec.h"
#include "engine/documents/JpegCodec.h"
#include "engine/documents/PngWriter.h"
#include "engine/documents/WebpWriter.h"

namespace glyphon {

namespace {

Error notWritten(const std::string& extension) {
  return Error("Pictures cannot be saved as " + extension +
               " files; they can be saved as .jpg, .bmp, .png or .webp files");
}

}  // namespace

std::vector<uint8_t> encodePicture(const Bitmap& picture, PictureFormat format) {
  switch (format) {
    case PictureFormat::Jpeg:
      return encodeJpeg(picture);
    case PictureFormat::Bmp:
      return encodeBmp(picture);
    case PictureFormat::Png:
      return encodePng(picture);
    case PictureFormat::Webp:
      return encodeWebp(picture);
    default:
      break;
  }
  throw notWritten(defaultExtension(format));
}

void writePictureFile(const std::string& path, const Bitmap& picture, PictureFormat format) {
  // A BMP is the pixels themselves: built in picture memory, it costs
  // little more than the copy.
  if (format == PictureFormat::Bmp) {
    saveBmpFile(path, picture);
    return;
  }
  writeWholeFile(path, encodePicture(picture, format));
}

std::optional<PictureFormat> writtenFormatOfName(const std::string& path) {
  std::string ext = fileExtension(path);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  if (ext == ".jpg" || ext == ".jpeg") return PictureFormat::Jpeg;
  if (ext == ".bmp") return PictureFormat::Bmp;
  if (ext == ".png") return PictureFormat::Png;
  if (ext == ".webp") return PictureFormat::Webp;
  return std::nullopt;
}

PictureSaveTarget pictureSaveTarget(const std::string& typedPath, PictureFormat entryFormat) {
  if (const std::optional<PictureFormat> typed = writtenFormatOfName(typedPath))
    return {typedPath, *typed};
  if (pictureFormatOfName(typedPath)) throw notWritten(fileExtension(typedPath));
  return {withPictureExtension(typedPath, entryFormat), entryFormat};
}

}  // namespace glyphon
