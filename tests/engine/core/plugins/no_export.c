/* A library that loads but lacks the render export. */
#include "glyphon/style_plugin.h"

GLYPHON_PLUGIN_EXPORT int32_t a00002(const char* date_digits, int32_t style_font, const char* text,
                                     GlyphonBitmap* bitmap);

int32_t a00002(const char* date_digits, int32_t style_font, const char* text,
               GlyphonBitmap* bitmap) {
  (void)date_digits;
  (void)style_font;
  (void)text;
  (void)bitmap;
  return 0;
}
