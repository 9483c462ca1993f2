/*
 * A style plug-in of the text export for the host's tests, built as C99
 * against the public header alone. It has both exports, and each draws a
 * picture a test can read every argument back from.
 *
 * glyphon_render_text: max(text_length, 8) x 4
 *   row 0  pixel x is grey text[x], the bytes exactly as handed over
 *   row 1  pixel x is grey date_digits[x] (black past the end of the digits)
 *   row 2  pixel 0 is (blue, green, red) = (style_font, version, struct_size),
 *          pixel 1 is grey 255 when text[text_length] is the zero byte
 *   row 3  pixel x, x < 8, is grey byte x of the scale (the double's bytes
 *          in memory order)
 *
 * a00001: strlen(text) x 1, pixel x grey text[x], so a test sees which
 * export the host called.
 *
 * A text "!refuse" makes the text export return non-zero without drawing.
 */
#include <string.h>

#include "glyphon/style_plugin.h"

static void set_grey(GlyphonBitmap* bitmap, int32_t x, int32_t y, uint8_t grey) {
  uint8_t* p = bitmap->pixels + (size_t)y * (size_t)bitmap->stride + (size_t)x * 3u;
  p[0] = p[1] = p[2] = grey;
}

GLYPHON_PLUGIN_EXPORT int32_t glyphon_render_text(const GlyphonTextRequest* request) {
  GlyphonBitmap* bitmap;
  unsigned char scale_bytes[sizeof(double)];
  int32_t width;
  int32_t date_length;
  if (request == NULL || request->struct_size < sizeof(GlyphonTextRequest)) return 1;
  if (request->version != GLYPHON_TEXT_REQUEST_VERSION) return 1;
  if (request->text_length == 7 && memcmp(request->text, "!refuse", 7) == 0) return 1;
  bitmap = request->bitmap;
  width = request->text_length > 8 ? request->text_length : 8;
  date_length = (int32_t)strlen(request->date_digits);
  if (bitmap->resize(bitmap, width, 4) != 0) return 1;
  for (int32_t x = 0; x < request->text_length; ++x) {
    set_grey(bitmap, x, 0, (uint8_t)request->text[x]);
  }
  for (int32_t x = 0; x < date_length && x < width; ++x) {
    set_grey(bitmap, x, 1, (uint8_t)request->date_digits[x]);
  }
  {
    uint8_t* p = bitmap->pixels + (size_t)2 * (size_t)bitmap->stride;
    p[0] = (uint8_t)request->style_font;
    p[1] = (uint8_t)request->version;
    p[2] = (uint8_t)request->struct_size;
  }
  if (request->text[request->text_length] == '\0') set_grey(bitmap, 1, 2, 255);
  memcpy(scale_bytes, &request->scale, sizeof(double));
  for (int32_t x = 0; x < (int32_t)sizeof(double); ++x) set_grey(bitmap, x, 3, scale_bytes[x]);
  return 0;
}

GLYPHON_PLUGIN_EXPORT int32_t a00001(const char* date_digits, int32_t style_font, const char* text,
                                     GlyphonBitmap* bitmap) {
  const int32_t width = (int32_t)strlen(text);
  (void)date_digits;
  (void)style_font;
  if (bitmap->resize(bitmap, width, 1) != 0) return 1;
  for (int32_t x = 0; x < width; ++x) set_grey(bitmap, x, 0, (uint8_t)text[x]);
  return 0;
}
