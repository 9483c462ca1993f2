#include "engine/documents/PngWriter.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "engine/core/Error.h"

namespace glyphon {

namespace {

// libpng reports a fatal error by calling the error function, which must
// not return; it longjmps back into writeRows, which holds only plain C
// data, so that no C++ destructor is ever skipped.
struct WriteState {
  std::vector<uint8_t>* out;
  bool outOfMemory;
  char message[200];
};

void onError(png_structp png, png_const_charp message) {
  auto* state = static_cast<WriteState*>(png_get_error_ptr(png));
  std::snprintf(state->message, sizeof state->message, "%s", message);
  png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void onWrite(png_structp png, png_bytep data, size_t length) {
  auto* state = static_cast<WriteState*>(png_get_io_ptr(png));
  try {
    state->out->insert(state->out->end(), data, data + length);
  } catch (const std::bad_alloc&) {
    state->outOfMemory = true;
  }
  if (state->outOfMemory) png_error(png, "out of memory");
}

void onFlush(png_structp) {}

// Returns 1 on success and 0 with state->message set on failure.
int writeRows(png_structp png, png_infop info, WriteState* state, const uint8_t* pixels,
              uint32_t width, uint32_t height, size_t stride) {
  if (setjmp(png_jmpbuf(png))) return 0;
  png_set_write_fn(png, state, onWrite, onFlush);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 6);
  // Mark the pixels as sRGB, which they are once loaded, so that viewers
  // with colour management show them as the editor does.
  png_set_sRGB_gAMA_and_cHRM(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
  png_write_info(png, info);
  png_set_bgr(png);  // the bitmap stores blue, green, red
  for (uint32_t y = 0; y < height; ++y)
    png_write_row(png, const_cast<uint8_t*>(pixels + size_t(y) * stride));
  png_write_end(png, info);
  return 1;
}

}  // namespace

std::vector<uint8_t> encodePng(const Bitmap& bitmap) {
  if (bitmap.isEmpty())
    throw Error("An empty picture (" + std::to_string(bitmap.width()) + " x " +
                std::to_string(bitmap.height()) + " pixels) cannot be stored as a PNG picture");
  std::vector<uint8_t> out;
  // Room for a picture that barely compresses, so that the data is seldom
  // moved (address space only until written).
  out.reserve(bitmap.stride() * size_t(bitmap.height()) / 2 + 4096);
  WriteState state{&out, false, {}};
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, onError, onWarning);
  if (!png) throw Error("The PNG writer could not start");
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    throw Error("The PNG writer could not start");
  }
  const int ok = writeRows(png, info, &state, bitmap.data(), uint32_t(bitmap.width()),
                           uint32_t(bitmap.height()), bitmap.stride());
  png_destroy_write_struct(&png, &info);
  if (state.outOfMemory) throw std::bad_alloc();
  if (!ok) throw Error(std::string("The PNG picture could not be written: ") + state.message);
  return out;
}

}  // namespace glyphon
