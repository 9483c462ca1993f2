/* A library that loads but lacks the render export every plug-in must have:
 * it has an export of another name, and the text export, which alone does
 * not make a style plug-in. */
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

int32_t glyphon_render_text(const GlyphonTextRequest* request) {
  (void)request;
  return 0;
}
