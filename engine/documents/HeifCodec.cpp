#include "engine/documents/HeifCodec.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/Error.h"
#include "engine/documents/HeifSizes.h"
#include "engine/documents/PictureSignature.h"

namespace glyphon {

namespace {

struct ContextDeleter {
  void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleDeleter {
  void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageDeleter {
  void operator()(heif_image* i) const { heif_image_release(i); }
};
struct OptionsDeleter {
  void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};

[[noreturn]] void fail(const char* what, const heif_error& error) {
  std::string message = what;
  // libheif's own words, on one line, without the line end some carry.
  std::string detail = error.message ? error.message : "";
  std::replace(detail.begin(), detail.end(), '\n', ' ');
  while (!detail.empty() && std::isspace(static_cast<unsigned char>(detail.back())))
    detail.pop_back();
  if (!detail.empty()) message += " (" + detail + ")";
  throw Error(message);
}

// The colours an nclx box gives as an ICC profile, or nothing where they
// are sRGB's own or a kind the canvas cannot show (PQ and HLG light for
// HDR screens, logarithmic curves): such pictures are taken as sRGB.
std::vector<uint8_t> profileOfNclx(const heif_image_handle* handle) {
  heif_color_profile_nclx* nclx = nullptr;
  const heif_error error = heif_image_handle_get_nclx_color_profile(handle, &nclx);
  // Owned before the error is looked at: libheif may hand over the profile
  // it allocated together with an error about its values.
  const std::unique_ptr<heif_color_profile_nclx, void (*)(heif_color_profile_nclx*)> owned(
      nclx, heif_nclx_color_profile_free);
  if (error.code != heif_error_Ok || !nclx) return {};
  TransferCurve curve = TransferCurve::Srgb;
  switch (nclx->transfer_characteristics) {
    // The video curves (BT.709, BT.601, BT.2020) are shown as sRGB's, as
    // browsers and viewers show them in still pictures.
    case heif_transfer_characteristic_ITU_R_BT_709_5:
    case heif_transfer_characteristic_unspecified:
    case heif_transfer_characteristic_ITU_R_BT_601_6:
    case heif_transfer_characteristic_IEC_61966_2_1:
    case heif_transfer_characteristic_ITU_R_BT_2020_2_10bit:
    case heif_transfer_characteristic_ITU_R_BT_2020_2_12bit:
      break;
    case heif_transfer_characteristic_linear:
      curve = TransferCurve::Linear;
      break;
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_M:
      curve = TransferCurve::Gamma22;
      break;
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_B_G:
      curve = TransferCurve::Gamma28;
      break;
    default:
      return {};
  }
  // Unspecified primaries are sRGB's (BT.709's), as libheif decodes them.
  const bool srgbPrimaries = nclx->color_primaries == heif_color_primaries_ITU_R_BT_709_5 ||
                             nclx->color_primaries == heif_color_primaries_unspecified;
  if (srgbPrimaries && curve == TransferCurve::Srgb) return {};
  const Chromaticities colours =
      srgbPrimaries ? Chromaticities{0.64, 0.33, 0.30, 0.60, 0.15, 0.06, 0.3127, 0.3290}
                    : Chromaticities{nclx->color_primary_red_x,   nclx->color_primary_red_y,
                                     nclx->color_primary_green_x, nclx->color_primary_green_y,
                                     nclx->color_primary_blue_x,  nclx->color_primary_blue_y,
                                     nclx->color_primary_white_x, nclx->color_primary_white_y};
  return rgbProfileOf(colours, curve);
}

}  // namespace

bool heicDecoderAvailable() { return heif_have_decoder_for_format(heif_compression_HEVC) != 0; }

bool avifDecoderAvailable() { return heif_have_decoder_for_format(heif_compression_AV1) != 0; }

DecodedPicture decodeHeif(std::span<const uint8_t> data) {
  if (pictureFormatOfContent(data) != PictureFormat::Heif)
    throw Error("Not a HEIC or AVIF picture (it starts with the bytes " + leadingBytesText(data) +
                ")");
  // libheif checks the stated size alone; its decoders and its grid and
  // overlay assembly allocate by the sizes these declare.
  checkHeifDeclaredSizes(data);
  std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
  if (!context) throw Error("There is not enough memory to read the HEIF picture");
  heif_context_set_maximum_image_size_limit(context.get(), Bitmap::kMaxSide);
  heif_error error =
      heif_context_read_from_memory_without_copy(context.get(), data.data(), data.size(), nullptr);
  if (error.code != heif_error_Ok) fail("The HEIF picture is damaged or cut short", error);

  heif_image_handle* rawHandle = nullptr;
  error = heif_context_get_primary_image_handle(context.get(), &rawHandle);
  std::unique_ptr<heif_image_handle, HandleDeleter> handle(rawHandle);
  if (error.code != heif_error_Ok) fail("The HEIF picture has no picture in it", error);

  // The size after the container's rotation and crop, as decoded.
  const int width = heif_image_handle_get_width(handle.get());
  const int height = heif_image_handle_get_height(handle.get());
  Bitmap::checkSize(width, height);
  if (int64_t(width) * height > Bitmap::kDecodeMaxPixels)
    throw Error("The picture is too large (" + std::to_string(width) + " x " +
                std::to_string(height) + " pixels)");

  const bool hasAlpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
  std::unique_ptr<heif_decoding_options, OptionsDeleter> options(heif_decoding_options_alloc());
  if (!options) throw Error("There is not enough memory to read the HEIF picture");
  options->ignore_transformations = 0;
  heif_image* rawImage = nullptr;
  error = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                            hasAlpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                            options.get());
  std::unique_ptr<heif_image, ImageDeleter> image(rawImage);
  if (error.code != heif_error_Ok) {
    if (error.code == heif_error_Unsupported_feature &&
        error.subcode == heif_suberror_Unsupported_codec)
      fail("This HEIF picture is compressed in a way this system cannot decode", error);
    fail("The HEIF picture is damaged or cut short", error);
  }
  const int decodedWidth = heif_image_get_width(image.get(), heif_channel_interleaved);
  const int decodedHeight = heif_image_get_height(image.get(), heif_channel_interleaved);
  int stride = 0;
  const uint8_t* plane =
      heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
  if (!plane || decodedWidth != width || decodedHeight != height ||
      heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8)
    throw Error("The HEIF picture decodes to a layout that cannot be read");

  DecodedPicture picture;
  picture.pixels = Bitmap(width, height);
  const int step = hasAlpha ? 4 : 3;
  if (hasAlpha) picture.alpha.resize(size_t(width) * size_t(height));
  bool opaque = true;
  for (int y = 0; y < height; ++y) {
    const uint8_t* in = plane + size_t(y) * size_t(stride);
    uint8_t* out = picture.pixels.row(y);
    for (int x = 0; x < width; ++x, in += step, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
      if (hasAlpha) {
        picture.alpha[size_t(y) * size_t(width) + size_t(x)] = in[3];
        opaque = opaque && in[3] == 255;
      }
    }
  }
  if (opaque) picture.alpha.clear();

  const heif_color_profile_type profileType =
      heif_image_handle_get_color_profile_type(handle.get());
  if (profileType == heif_color_profile_type_prof || profileType == heif_color_profile_type_rICC) {
    std::vector<uint8_t> profile(heif_image_handle_get_raw_color_profile_size(handle.get()));
    if (!profile.empty() &&
        heif_image_handle_get_raw_color_profile(handle.get(), profile.data()).code == heif_error_Ok)
      picture.iccProfile = std::move(profile);
  } else if (profileType == heif_color_profile_type_nclx) {
    picture.iccProfile = profileOfNclx(handle.get());
  }
  return picture;
}

}  // namespace glyphon
