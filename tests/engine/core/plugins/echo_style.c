/*
 * A style plug-in for the host's tests, built against the public header
 * alone. Its picture encodes what it was given, so a test can read back
 * every argument:
 *
 *   size   strlen(text) x (5 + style_font)
 *   row 0  pixel x is grey text[x]
 *   row 1  pixel x is grey date_digits[x] (black past the end of the digits)
 *   row 2  pixel 0 is (blue, green, red) = (style_font, calls, strlen(date_digits)),
 *          where calls counts the calls since the library was loaded
 *
 * A text starting with '!' is a command that makes it misbehave in one way.
 */
#include <string.h>

#include "glyphon/style_plugin.h"

static int calls = 0;

static void set_pixel(GlyphonBitmap* bitmap, int32_t x, int32_t y, int blue, int green, int red) {
  uint8_t* p = bitmap->pixels + (size_t)y * (size_t)bitmap->stride + (size_t)x * 3u;
  p[0] = (uint8_t)blue;
  p[1] = (uint8_t)green;
  p[2] = (uint8_t)red;
}

static void fill_white(GlyphonBitmap* bitmap) {
  int32_t y;
  for (y = 0; y < bitmap->height; ++y) {
    memset(bitmap->pixels + (size_t)y * (size_t)bitmap->stride, 255, (size_t)bitmap->width * 3u);
  }
}

static int32_t draw_echo(const char* date_digits, int32_t style_font, const char* text,
                         GlyphonBitmap* bitmap) {
  const int32_t width = (int32_t)strlen(text);
  const int32_t date_length = (int32_t)strlen(date_digits);
  int32_t x;
  if (bitmap->resize(bitmap, width, 5 + style_font) != 0) return 1;
  if (width == 0 || bitmap->height < 3) return 0;
  for (x = 0; x < width; ++x) {
    const uint8_t t = (uint8_t)text[x];
    set_pixel(bitmap, x, 0, t, t, t);
    if (x < date_length) {
      const uint8_t d = (uint8_t)date_digits[x];
      set_pixel(bitmap, x, 1, d, d, d);
    }
  }
  set_pixel(bitmap, 0, 2, style_font, calls, date_length);
  return 0;
}

/* Asks for sizes the host must refuse and reports, as a 5 x 1 picture, one
 * pixel per size: grey 255 when the size was refused and the 2 x 2 bitmap
 * was left exactly as it was, black otherwise. */
static void draw_refusals(GlyphonBitmap* bitmap) {
  static const int32_t sizes[][2] = {{-1, 5}, {5, -1}, {65536, 1}, {65535, 65535}, {16384, 8193}};
  int refused[5];
  int i;
  if (bitmap->resize(bitmap, 2, 2) != 0) return;
  fill_white(bitmap);
  for (i = 0; i < 5; ++i) {
    uint8_t* before = bitmap->pixels;
    refused[i] = bitmap->resize(bitmap, sizes[i][0], sizes[i][1]) != 0 && bitmap->width == 2 &&
                 bitmap->height == 2 && bitmap->stride == 6 && bitmap->pixels == before &&
                 before[0] == 255 && before[11] == 255;
  }
  if (bitmap->resize(bitmap, 5, 1) != 0) return;
  for (i = 0; i < 5; ++i) {
    if (refused[i]) set_pixel(bitmap, i, 0, 255, 255, 255);
  }
}

GLYPHON_PLUGIN_EXPORT int32_t a00001(const char* date_digits, int32_t style_font, const char* text,
                                     GlyphonBitmap* bitmap) {
  ++calls;
  if (bitmap->struct_size < sizeof(GlyphonBitmap) ||
      bitmap->api_version != GLYPHON_PLUGIN_API_VERSION) {
    return 1;
  }
  if (strcmp(text, "!untouched") == 0) return 0;
  if (strcmp(text, "!empty") == 0) {
    /* Sized once, then back to nothing. */
    if (bitmap->resize(bitmap, 3, 3) != 0) return 1;
    return bitmap->resize(bitmap, 0, 0);
  }
  if (strcmp(text, "!refusals") == 0) {
    draw_refusals(bitmap);
    return 0;
  }
  if (strcmp(text, "!copy") == 0) {
    /* A copy of the struct is not the host's bitmap: resizing it must fail
     * and leave the real one 0 x 0. A 1 x 1 white picture says it did. */
    GlyphonBitmap copy = *bitmap;
    if (copy.resize(&copy, 4, 4) == 0 || bitmap->width != 0) return 1;
    if (bitmap->resize(bitmap, 1, 1) != 0) return 1;
    set_pixel(bitmap, 0, 0, 255, 255, 255);
    return 0;
  }
  if (strncmp(text, "!twice", 6) == 0) {
    /* A first size, painted white, then the echo at its own size: every
     * pixel the echo leaves out must come back black, from fresh memory. */
    if (bitmap->resize(bitmap, 64, 64) != 0) return 1;
    fill_white(bitmap);
    return draw_echo(date_digits, style_font, text, bitmap);
  }
  if (strncmp(text, "!scribble-", 10) == 0) {
    const char* field = text + 10;
    draw_echo(date_digits, style_font, text, bitmap);
    if (strcmp(field, "width") == 0) bitmap->width -= 1;
    if (strcmp(field, "height") == 0) bitmap->height += 1;
    if (strcmp(field, "stride") == 0) bitmap->stride += 3;
    if (strcmp(field, "pixels") == 0) bitmap->pixels += 3;
    if (strcmp(field, "host") == 0) bitmap->host = NULL;
    if (strcmp(field, "resize") == 0) bitmap->resize = NULL;
    if (strcmp(field, "version") == 0) bitmap->api_version += 1;
    return 0;
  }
  return draw_echo(date_digits, style_font, text, bitmap);
}
