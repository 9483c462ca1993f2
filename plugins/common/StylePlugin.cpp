#include "StylePlugin.h"

#include <cstring>
#include <new>

namespace glyphon_styles {

TextScene::Crop renderShades(const StyleKind& kind, int32_t styleFont, const std::string& text) {
  const StyleFont& font = kind[styleFont >= 0 && styleFont < int32_t(kind.size()) ? styleFont : 0];
  const PlaneMemory memory;
  const TextScene scene(font.text, text);
  if (!scene.ok() || scene.width() == 0 || scene.height() == 0) return {};
  return TextScene::crop(font.paint(scene));
}

int32_t renderStyle(const StyleKind& kind, int32_t styleFont, const char* text,
                    GlyphonBitmap* bitmap) noexcept {
  if (bitmap == nullptr || bitmap->struct_size < sizeof(GlyphonBitmap) || bitmap->resize == nullptr)
    return -1;
  try {
    const TextScene::Crop shades = renderShades(kind, styleFont, text ? text : "");
    if (bitmap->resize(bitmap, shades.width, shades.height) != 0) return -1;
    for (int32_t y = 0; y < shades.height; ++y) {
      unsigned char* out = bitmap->pixels + ptrdiff_t(y) * bitmap->stride;
      const unsigned char* in = shades.grey.data() + size_t(y) * size_t(shades.width);
      for (int32_t x = 0; x < shades.width; ++x, out += GLYPHON_BITMAP_BYTES_PER_PIXEL)
        out[0] = out[1] = out[2] = in[x];
    }
    return shades.width > 0 ? 0 : 1;
  } catch (...) {
    // Out of memory, most likely: leave the bitmap empty.
    if (bitmap->width != 0 || bitmap->height != 0) (void)bitmap->resize(bitmap, 0, 0);
    return -1;
  }
}

}  // namespace glyphon_styles
