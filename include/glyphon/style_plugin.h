/*
 * Glyphon Editor style plug-in interface, version 1.
 *
 * A style plug-in is a shared library that renders a text in one style. The
 * editor loads it each time a text item is added or modified, calls its one
 * export, copies the bitmap it drew, and unloads it again: nothing of the
 * library survives from one call to the next.
 *
 * This header is all a plug-in needs. It is plain C (C89 with <stdint.h>,
 * C99 and later, and C++), uses fixed-width types only, and lays out every
 * structure so that its size travels with it.
 */
#ifndef GLYPHON_STYLE_PLUGIN_H
#define GLYPHON_STYLE_PLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Version of this interface. It goes up when a field's meaning changes;
 * fields added later are appended, and struct_size tells them apart. */
#define GLYPHON_PLUGIN_API_VERSION 1

/* Marks the export of a plug-in so that it stays visible when the library is
 * built with hidden symbols (-fvisibility=hidden). */
#if defined(_WIN32) || defined(__CYGWIN__)
#define GLYPHON_PLUGIN_EXPORT __declspec(dllexport)
#elif defined(__GNUC__) || defined(__clang__)
#define GLYPHON_PLUGIN_EXPORT __attribute__((visibility("default")))
#else
#define GLYPHON_PLUGIN_EXPORT
#endif

/* ------------------------------------------------------------------------
 * 1. The bitmap handed across
 * ------------------------------------------------------------------------ */

/* Largest bitmap the host makes: at most 65535 pixels on a side and at most
 * 2^27 pixels in all. */
#define GLYPHON_BITMAP_MAX_SIDE 65535L
#define GLYPHON_BITMAP_MAX_PIXELS 134217728L

/* Bytes per pixel: blue, green, red, in that order. */
#define GLYPHON_BITMAP_BYTES_PER_PIXEL 3

typedef struct GlyphonBitmap GlyphonBitmap;

/* A 24-bit picture owned by the host. The plug-in reads every field but
 * changes none of them itself: it sizes the picture with resize() and writes
 * only the pixel bytes. A plug-in that overwrites a field has its rendering
 * thrown away. The bitmap lives only for the duration of the call. */
struct GlyphonBitmap {
  /* sizeof(GlyphonBitmap) as the host compiled it. A plug-in that reads a
   * field added after version 1 checks first that struct_size covers it. */
  uint32_t struct_size;
  /* GLYPHON_PLUGIN_API_VERSION of the host. */
  uint32_t api_version;
  /* Size in pixels; 0 x 0 when the host hands the bitmap over. */
  int32_t width;
  int32_t height;
  /* Bytes from the start of one row to the start of the next (at least
   * width * 3). */
  int32_t stride;
  /* 0. Spells out the padding before the pointers on 64-bit platforms. */
  int32_t reserved;
  /* Pixel (x, y) is pixels[y * stride + 3 * x + 0..2]: blue, green, red.
   * Rows run top-down. NULL or not, nothing may be read or written when
   * width or height is 0. */
  uint8_t* pixels;
  /* The host's own data; opaque to the plug-in. */
  void* host;
  /* Gives the bitmap a new size, every pixel black, and updates width,
   * height, stride and pixels: after a successful call the earlier pixels
   * pointer must no longer be used. Pass the bitmap itself as self.
   * Returns 0 on success. Returns non-zero, leaving the bitmap as it was,
   * when the size is refused: a negative side, a side above
   * GLYPHON_BITMAP_MAX_SIDE, more than GLYPHON_BITMAP_MAX_PIXELS pixels, or
   * not enough memory. 0 x 0 is a valid size. */
  int32_t (*resize)(GlyphonBitmap* self, int32_t width, int32_t height);
};

/* ------------------------------------------------------------------------
 * 2. The render export
 * ------------------------------------------------------------------------ */

/* Name under which the host looks the export up. */
#define GLYPHON_PLUGIN_ENTRY_NAME "a00001"

/* Renders text into bitmap. Every plug-in exports this one function, with
 * the C calling convention:
 *
 *   GLYPHON_PLUGIN_EXPORT int32_t a00001(const char* date_digits,
 *       int32_t style_font, const char* text, GlyphonBitmap* bitmap) { ... }
 *
 * date_digits  today's date as a zero-terminated string of ASCII digits
 *              ("0" at the least); what it is used for is the plug-in's
 *              choice.
 * style_font   which of the style's five designs to draw, 0 to 4.
 * text         zero-terminated; holds only CR, LF and the codes 32 to 126,
 *              lines are broken by CR LF, and it is the whole text, not cut
 *              to the 255 characters an item keeps.
 * bitmap       created by the host, 0 x 0. The plug-in sizes it with
 *              bitmap->resize and draws into it.
 *
 * The result is ignored by the host. The strings and the bitmap are valid
 * only during the call.
 *
 * What the host relies on after the call:
 * - The bitmap's width and height are the size of the rendered text.
 * - A pixel whose red value is 4 or less is background: black.
 * - For every other pixel the red channel is the coverage, and the grey
 *   level is the shading the editor tints with the item's colour: grey 128
 *   takes the item colour itself, darker greys give darker shades of it,
 *   lighter greys shades toward white, and white stays white. Draw in greys
 *   (blue = green = red).
 */
GLYPHON_PLUGIN_EXPORT int32_t a00001(const char* date_digits, int32_t style_font, const char* text,
                                     GlyphonBitmap* bitmap);

/* Type of the export, for hosts that look it up by name. */
typedef int32_t (*GlyphonRenderFunction)(const char* date_digits, int32_t style_font,
                                         const char* text, GlyphonBitmap* bitmap);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* GLYPHON_STYLE_PLUGIN_H */
