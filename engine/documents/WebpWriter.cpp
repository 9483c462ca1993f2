#include "engine/documents/WebpWriter.h"

#include <webp/encode.h>

#include <memory>
#include <new>
#include <string>

#include "engine/core/Error.h"

namespace glyphon {

namespace {

const char* reasonOf(WebPEncodingError code) {
  switch (code) {
    case VP8_ENC_ERROR_OUT_OF_MEMORY:
    case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY:
      return "out of memory";
    case VP8_ENC_ERROR_BAD_DIMENSION:
      return "the picture is too large for WebP";
    case VP8_ENC_ERROR_PARTITION0_OVERFLOW:
    case VP8_ENC_ERROR_PARTITION_OVERFLOW:
    case VP8_ENC_ERROR_FILE_TOO_BIG:
      return "the picture is too large for WebP";
    default:
      return "the encoder failed";
  }
}

struct PictureFree {
  void operator()(WebPPicture* picture) const { WebPPictureFree(picture); }
};
struct WriterClear {
  void operator()(WebPMemoryWriter* writer) const { WebPMemoryWriterClear(writer); }
};

}  // namespace

std::vector<uint8_t> encodeWebp(const Bitmap& bitmap) {
  if (bitmap.isEmpty())
    throw Error("An empty picture (" + std::to_string(bitmap.width()) + " x " +
                std::to_string(bitmap.height()) + " pixels) cannot be stored as a WebP picture");
  if (bitmap.width() > WEBP_MAX_DIMENSION || bitmap.height() > WEBP_MAX_DIMENSION)
    throw Error("A picture of " + std::to_string(bitmap.width()) + " x " +
                std::to_string(bitmap.height()) + " pixels cannot be stored as WebP, which " +
                "allows at most " + std::to_string(WEBP_MAX_DIMENSION) + " pixels a side");
  WebPConfig config;
  if (!WebPConfigInit(&config)) throw Error("The WebP writer does not match its library");
  config.quality = float(kWebpQuality);
  config.method = 4;
  config.use_sharp_yuv = 1;

  WebPPicture picture;
  if (!WebPPictureInit(&picture)) throw Error("The WebP writer does not match its library");
  picture.width = bitmap.width();
  picture.height = bitmap.height();
  // Kept as RGB until WebPEncode, which then makes YUV the sharp way; an
  // import straight to YUV would not.
  picture.use_argb = 1;
  const std::unique_ptr<WebPPicture, PictureFree> pictureGuard(&picture);
  if (!WebPPictureImportBGR(&picture, bitmap.data(), int(bitmap.stride()))) throw std::bad_alloc();

  WebPMemoryWriter writer;
  WebPMemoryWriterInit(&writer);
  const std::unique_ptr<WebPMemoryWriter, WriterClear> writerGuard(&writer);
  picture.writer = WebPMemoryWrite;
  picture.custom_ptr = &writer;
  if (!WebPEncode(&config, &picture)) {
    if (picture.error_code == VP8_ENC_ERROR_OUT_OF_MEMORY) throw std::bad_alloc();
    throw Error(std::string("The WebP picture could not be written: ") +
                reasonOf(picture.error_code));
  }
  return std::vector<uint8_t>(writer.mem, writer.mem + writer.size);
}

}  // namespace glyphon
