#include "StylePlugin.h"

#include <cstring>
#include <new>

namespace glyphon_styles {

namespace {

// Fills the host's bitmap with the shades, grey on black.
int32_t handOver(const TextScene::Crop& shades, GlyphonBitmap* bitmap) {
  if (bitmap->resize(bitmap, shades.width, shades.height) != 0) return -1;
  for (int32_t y = 0; y < shades.height; ++y) {
    unsigned char* out = bitmap->pixels + ptrdiff_t(y) * bitmap->stride;
    const unsigned char* in = shades.grey.data() + size_t(y) * size_t(shades.width);
    // Four bytes of the grey at a time, the fourth written over by the next
    // pixel: one store a pixel instead of three. The last pixel of the row
    // writes its own three only.
    int32_t x = 0;
    for (; x + 1 < shades.width; ++x, out += GLYPHON_BITMAP_BYTES_PER_PIXEL) {
      const uint32_t grey = uint32_t(in[x]) * 0x01010101u;
      std::memcpy(out, &grey, sizeof grey);
    }
    for (; x < shades.width; ++x, out += GLYPHON_BITMAP_BYTES_PER_PIXEL)
      out[0] = out[1] = out[2] = in[x];
  }
  return shades.width > 0 ? 0 : 1;
}

bool usable(const GlyphonBitmap* bitmap) {
  return bitmap != nullptr && bitmap->struct_size >= sizeof(GlyphonBitmap) &&
         bitmap->resize != nullptr;
}

// Out of memory, most likely: leave the bitmap empty.
void emptyAfterFailure(GlyphonBitmap* bitmap) noexcept {
  if (bitmap->width != 0 || bitmap->height != 0) (void)bitmap->resize(bitmap, 0, 0);
}

}  // namespace

TextScene::Crop renderShades(const StyleKind& kind, int32_t styleFont, std::string_view utf8Text,
                             double scale) {
  const StyleFont& font = kind[styleFont >= 0 && styleFont < int32_t(kind.size()) ? styleFont : 0];
  const PlaneMemory memory;
  const TextScene scene(font.text, utf8Text, scale);
  if (!scene.ok() || scene.width() == 0 || scene.height() == 0) return {};
  return TextScene::crop(font.paint(scene));
}

int32_t renderStyle(const StyleKind& kind, int32_t styleFont, const char* text,
                    GlyphonBitmap* bitmap) noexcept {
  if (!usable(bitmap)) return -1;
  try {
    // The original export draws printable ASCII only, whatever it is given.
    std::string ascii;
    for (const char* c = text ? text : ""; *c != '\0'; ++c) {
      const auto code = static_cast<unsigned char>(*c);
      if (code == '\r' || code == '\n' || (code >= 32 && code <= 126)) ascii.push_back(*c);
    }
    return handOver(renderShades(kind, styleFont, ascii), bitmap);
  } catch (...) {
    emptyAfterFailure(bitmap);
    return -1;
  }
}

int32_t renderStyleText(const StyleKind& kind, const GlyphonTextRequest* request) noexcept {
  if (request == nullptr || request->struct_size < sizeof(GlyphonTextRequest) ||
      request->version != GLYPHON_TEXT_REQUEST_VERSION || request->text_length < 0 ||
      (request->text == nullptr && request->text_length > 0) || !usable(request->bitmap))
    return -1;
  try {
    const std::string_view text(request->text ? request->text : "", size_t(request->text_length));
    return handOver(renderShades(kind, request->style_font, text, request->scale), request->bitmap);
  } catch (...) {
    emptyAfterFailure(request->bitmap);
    return -1;
  }
}

}  // namespace glyphon_styles
