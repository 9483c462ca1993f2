/*
 * Style plug-ins that go wrong, for the tests of the style helper, built
 * against the public header alone. BAD_STYLE picks the fault:
 *
 *   1  dereferences a null pointer
 *   2  never returns
 *   3  asks for an absurd size and, refused, writes it into the bitmap
 *   4  ends the process with exit(7)
 *   5  writes a few rows past the end of its picture
 *
 * A text starting with "!fine" draws a 2 x 1 white picture instead, so a
 * test can tell the library loads and renders otherwise.
 */
#include <stdlib.h>
#include <string.h>

#include "glyphon/style_plugin.h"

GLYPHON_PLUGIN_EXPORT int32_t a00001(const char* date_digits, int32_t style_font, const char* text,
                                     GlyphonBitmap* bitmap) {
  (void)date_digits;
  (void)style_font;
  if (strncmp(text, "!fine", 5) == 0) {
    if (bitmap->resize(bitmap, 2, 1) != 0) return 1;
    memset(bitmap->pixels, 255, 6);
    return 0;
  }
#if BAD_STYLE == 1
  {
    volatile uint8_t* nowhere = NULL;
    *nowhere = 1;
  }
#elif BAD_STYLE == 2
  {
    volatile unsigned long spins = 0;
    for (;;) ++spins;
  }
#elif BAD_STYLE == 3
  if (bitmap->resize(bitmap, 1000000, 1000000) != 0) {
    bitmap->width = 1000000;
    bitmap->height = 1000000;
  }
#elif BAD_STYLE == 4
  exit(7);
#elif BAD_STYLE == 5
  if (bitmap->resize(bitmap, 10, 10) != 0) return 1;
  memset(bitmap->pixels, 200, (size_t)bitmap->stride * 13);
#endif
  return 0;
}
