#include "engine/documents/PictureFormat.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace glyphon {

namespace {

bool equalsIgnoreCase(const std::string& a, const char* b) {
  const std::string_view bv(b);
  return a.size() == bv.size() && std::equal(a.begin(), a.end(), bv.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

}  // namespace

const char* defaultExtension(PictureFormat format) {
  switch (format) {
    case PictureFormat::Jpeg: return ".jpg";
    case PictureFormat::Bmp: return ".bmp";
    case PictureFormat::Png: return ".png";
    case PictureFormat::Webp: return ".webp";
    case PictureFormat::Tiff: return ".tif";
    case PictureFormat::Heif: return ".heic";
  }
  return "";
}

std::string fileExtension(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return path.substr(dot);
}

std::optional<PictureFormat> pictureFormatOfName(const std::string& path) {
  const std::string ext = fileExtension(path);
  if (equalsIgnoreCase(ext, ".BMP")) return PictureFormat::Bmp;
  if (equalsIgnoreCase(ext, ".JPG") || equalsIgnoreCase(ext, ".JPEG")) return PictureFormat::Jpeg;
  if (equalsIgnoreCase(ext, ".PNG")) return PictureFormat::Png;
  if (equalsIgnoreCase(ext, ".WEBP")) return PictureFormat::Webp;
  if (equalsIgnoreCase(ext, ".TIF") || equalsIgnoreCase(ext, ".TIFF")) return PictureFormat::Tiff;
  if (equalsIgnoreCase(ext, ".HEIC") || equalsIgnoreCase(ext, ".HEIF") ||
      equalsIgnoreCase(ext, ".AVIF"))
    return PictureFormat::Heif;
  return std::nullopt;
}

const char* acceptedPictureExtensions() {
  return "bmp, jpg, jpeg, png, webp, tif, tiff, heic, heif or avif";
}

std::string withPictureExtension(const std::string& path, PictureFormat format) {
  if (!fileExtension(path).empty()) return path;
  return path + defaultExtension(format);
}

}  // namespace glyphon
