/*
 * Glyphon Editor style plug-in interface, version 1.
 *
 * A style plug-in is a shared library that renders a text in one style. The
 * editor loads it each time a text item is added or modified, calls its
 * render export, copies the bitmap it drew, and unloads it again: nothing of
 * the library survives from one call to the next.
 *
 * There are two render exports. Every plug-in has the first, a00001, which
 * takes printable ASCII at the style's natural size (section 2). A plug-in
 * may also have the second, glyphon_render_text, which takes any UTF-8 text
 * and a scale (section 3); the host looks it up first and uses it whenever
 * it is there, so a plug-in written before it existed keeps working
 * unchanged.
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

/* ------------------------------------------------------------------------
 * 3. The text export: any UTF-8 text, at any scale
 * ------------------------------------------------------------------------ */

/* Name under which the host looks the second export up. A plug-in that has
 * it must still export a00001 (older hosts call only that one). */
#define GLYPHON_PLUGIN_TEXT_ENTRY_NAME "glyphon_render_text"

/* Version of GlyphonTextRequest. Fields added later are appended and
 * struct_size tells them apart; the version goes up only when the meaning
 * of a field changes. */
#define GLYPHON_TEXT_REQUEST_VERSION 1

/* Largest scale the host asks for, and the smallest. */
#define GLYPHON_TEXT_SCALE_MAX 64.0
#define GLYPHON_TEXT_SCALE_MIN 0.01

/* What the host asks the text export to draw. Read-only for the plug-in;
 * every pointer is valid only during the call. The fields are laid out
 * without padding on 32- and 64-bit platforms. */
typedef struct GlyphonTextRequest {
  /* sizeof(GlyphonTextRequest) as the host compiled it. A plug-in reads a
   * field only when struct_size covers it, and refuses a request whose
   * struct_size is below that of version 1. */
  uint32_t struct_size;
  /* GLYPHON_TEXT_REQUEST_VERSION of the host. */
  uint32_t version;
  /* Which of the style's five designs to draw, 0 to 4, as for a00001. */
  int32_t style_font;
  /* Length of text in bytes, without the terminating zero; 0 or more. */
  int32_t text_length;
  /* How large to draw: 1.0 is the style's natural size (what a00001
   * draws), 3.0 three times as large. Finite, between GLYPHON_TEXT_SCALE_MIN
   * and GLYPHON_TEXT_SCALE_MAX. The host wants a fresh rendering at that
   * size (outlines set at scale times the size, effects grown with them),
   * not a rendering stretched afterwards. A plug-in that cannot fit the
   * whole text at that scale into a bitmap may draw it smaller. */
  double scale;
  /* Today's date as zero-terminated ASCII digits, as for a00001. */
  const char* date_digits;
  /* The text: text_length bytes of well-formed UTF-8 (the host replaces an
   * ill-formed sequence with U+FFFD), followed by a zero byte that is not
   * counted. It holds no zero byte of its own. Lines are broken by CR LF (a
   * lone CR or LF may appear too). Any other character may appear: letters
   * of every script, right-to-left text, combining marks, emoji, and
   * control characters, which a plug-in may ignore. It is the whole text,
   * not cut to what an item keeps. */
  const char* text;
  /* The bitmap to draw into, exactly as for a00001: created by the host,
   * 0 x 0, sized with bitmap->resize. The same rules for its pixels hold. */
  GlyphonBitmap* bitmap;
} GlyphonTextRequest;

/* Renders the request's text into its bitmap:
 *
 *   GLYPHON_PLUGIN_EXPORT int32_t glyphon_render_text(
 *       const GlyphonTextRequest* request) { ... }
 *
 * Returns 0 on success and non-zero when the request is refused (a
 * struct_size too small, a version the plug-in does not know); the host
 * ignores the result otherwise, as for a00001. A plug-in draws what it can:
 * a character none of its faces has may be left out or drawn as a box. */
GLYPHON_PLUGIN_EXPORT int32_t glyphon_render_text(const GlyphonTextRequest* request);

/* Type of the text export, for hosts that look it up by name. */
typedef int32_t (*GlyphonRenderTextFunction)(const GlyphonTextRequest* request);

/* ------------------------------------------------------------------------
 * 4. The style folder and its pictures
 * ------------------------------------------------------------------------ */

/* A style kind with the id N (a decimal number, e.g. 10001) is registered in
 * the user's style catalogue (the settings store of organisation "Vantry",
 * application "Glyphon"; on Linux $XDG_CONFIG_HOME/Vantry/Glyphon.conf) as a
 * group named N with three string keys:
 *
 *   name   the caption of the kind in the editor's template menu
 *   Path   the style folder F, without a trailing "/"
 *   data   the file name of the plug-in library inside F
 *
 * Beside the library, the folder F/N/ holds ten style pictures:
 *
 *   desc1.gph ... desc5.gph  the toolbar pictures of style fonts 0 to 4,
 *                            shown stretched to 90 x 70 pixels
 *   1.gph ... 5.gph          the samples of style fonts 0 to 4, drawn like a
 *                            rendering (black background, grey shading);
 *                            the editor stretches one to 320 x 170 and tints
 *                            it with the chosen colour
 *
 * A style picture (".gph") is a JPEG or Windows BMP file whose first 100
 * bytes are scrambled; from byte 100 on it is the picture file unchanged.
 * Offsets count from 0, and a style picture is at least 100 bytes long (pad
 * a shorter BMP file with zero bytes at its end).
 *
 * JPEG kind: the picture file must begin with the start-of-image marker and
 * an APP0 segment (0xFF 0xD8 0xFF 0xE0 0x00, as every JFIF file does).
 *   bytes 0 to 2   not read (restored as 0xFF 0xD8 0xFF)
 *   bytes 3 and 4  the letters "st" (0x73 0x74), which mark the JPEG kind
 *                  (restored as 0xE0 0x00)
 *   bytes 5 to 99  picture byte i XOR ((i + GLYPHON_GPH_JPEG_OFFSET) & 0xFF)
 *
 * Bitmap kind: every file whose bytes 3 and 4 are not "st".
 *   bytes 0 and 1  not read (restored as "BM")
 *   bytes 2 to 99  picture byte i XOR ((i + GLYPHON_GPH_BITMAP_OFFSET) & 0xFF)
 * When the scrambled bytes 3 and 4 would read "st", store the BMP file's
 * total size field (bytes 2 to 5, which readers ignore) as 0 instead.
 *
 * Unscrambling applies the same XOR. The tool glyphon-gph that comes with
 * the editor packs a BMP or JPEG file into a style picture ("glyphon-gph
 * pack"), unpacks one ("glyphon-gph unpack"), and makes all ten pictures of
 * a kind by running its plug-in ("glyphon-gph style-pictures"). */
#define GLYPHON_GPH_HEADER_SIZE 100
#define GLYPHON_GPH_JPEG_OFFSET 71
#define GLYPHON_GPH_BITMAP_OFFSET 80

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* GLYPHON_STYLE_PLUGIN_H */
