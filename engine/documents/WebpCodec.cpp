#include "engine/documents/WebpCodec.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/Error.h"
#include "engine/documents/PictureSignature.h"

namespace glyphon {

namespace {

struct DemuxDeleter {
  void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};
struct AnimDeleter {
  void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};

// Chunk fourcc of the demuxed file, or empty.
std::vector<uint8_t> chunkOf(WebPDemuxer* demux, const char* fourcc) {
  WebPChunkIterator chunk;
  std::vector<uint8_t> bytes;
  if (WebPDemuxGetChunk(demux, fourcc, 1, &chunk)) {
    bytes.assign(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
    WebPDemuxReleaseChunkIterator(&chunk);
  }
  return bytes;
}

// Splits BGRA pixels into the picture's colour and alpha.
void splitBgra(const uint8_t* in, DecodedPicture& picture) {
  const size_t count = size_t(picture.pixels.width()) * size_t(picture.pixels.height());
  picture.alpha.resize(count);
  uint8_t* colour = picture.pixels.data();
  bool opaque = true;
  for (size_t i = 0; i < count; ++i, in += 4, colour += 3) {
    colour[0] = in[0];
    colour[1] = in[1];
    colour[2] = in[2];
    picture.alpha[i] = in[3];
    opaque = opaque && in[3] == 255;
  }
  if (opaque) picture.alpha.clear();
}

void decodeFirstFrame(std::span<const uint8_t> data, DecodedPicture& picture) {
  WebPAnimDecoderOptions options;
  WebPAnimDecoderOptionsInit(&options);
  options.color_mode = MODE_BGRA;
  options.use_threads = 0;
  const WebPData webpData{data.data(), data.size()};
  std::unique_ptr<WebPAnimDecoder, AnimDeleter> decoder(WebPAnimDecoderNew(&webpData, &options));
  if (!decoder) throw Error("The WebP animation is damaged");
  WebPAnimInfo info;
  if (!WebPAnimDecoderGetInfo(decoder.get(), &info) ||
      int64_t(info.canvas_width) != picture.pixels.width() ||
      int64_t(info.canvas_height) != picture.pixels.height())
    throw Error("The WebP animation is damaged");
  uint8_t* frame = nullptr;
  int timestamp = 0;
  if (!WebPAnimDecoderGetNext(decoder.get(), &frame, &timestamp))
    throw Error("The first frame of the WebP animation is damaged or cut short");
  splitBgra(frame, picture);
}

}  // namespace

DecodedPicture decodeWebp(std::span<const uint8_t> data) {
  if (data.size() < 12 || std::memcmp(data.data(), "RIFF", 4) != 0 ||
      std::memcmp(data.data() + 8, "WEBP", 4) != 0)
    throw Error("Not a WebP picture (it starts with the bytes " + leadingBytesText(data) + ")");
  WebPBitstreamFeatures features;
  const VP8StatusCode status = WebPGetFeatures(data.data(), data.size(), &features);
  if (status == VP8_STATUS_NOT_ENOUGH_DATA) throw Error("The WebP picture is cut short");
  if (status != VP8_STATUS_OK) throw Error("The WebP picture is damaged");
  Bitmap::checkSize(features.width, features.height);
  if (int64_t(features.width) * features.height > Bitmap::kDecodeMaxPixels)
    throw Error("The picture is too large (" + std::to_string(features.width) + " x " +
                std::to_string(features.height) + " pixels)");

  DecodedPicture picture;
  picture.pixels = Bitmap(features.width, features.height);
  const WebPData webpData{data.data(), data.size()};
  // A file cut short inside a chunk after the picture still demuxes partly.
  WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
  std::unique_ptr<WebPDemuxer, DemuxDeleter> demux(WebPDemuxPartial(&webpData, &state));
  if (demux && state == WEBP_DEMUX_DONE) {
    picture.iccProfile = chunkOf(demux.get(), "ICCP");
    picture.exif = chunkOf(demux.get(), "EXIF");
    // Some writers keep the JPEG APP1 marker's "Exif\0\0" in front.
    if (picture.exif.size() >= 6 && std::memcmp(picture.exif.data(), "Exif\0\0", 6) == 0)
      picture.exif.erase(picture.exif.begin(), picture.exif.begin() + 6);
  }

  if (features.has_animation) {
    decodeFirstFrame(data, picture);
    return picture;
  }
  const size_t pixelCount = size_t(features.width) * size_t(features.height);
  if (features.has_alpha) {
    std::vector<uint8_t> bgra(pixelCount * 4);
    if (!WebPDecodeBGRAInto(data.data(), data.size(), bgra.data(), bgra.size(),
                            features.width * 4))
      throw Error("The WebP picture is damaged or cut short");
    splitBgra(bgra.data(), picture);
  } else if (!WebPDecodeBGRInto(data.data(), data.size(), picture.pixels.data(), pixelCount * 3,
                                int(picture.pixels.stride()))) {
    throw Error("The WebP picture is damaged or cut short");
  }
  return picture;
}

}  // namespace glyphon
