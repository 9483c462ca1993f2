// Style kind 10001, "Script": five handwritten and brush faces.
//
//   0  Sign painter  Lobster: letters in the colour, a white ring and an
//                    outer rim in the colour, on a soft shadow
//   1  Glow          Dancing Script Bold: pale letters in a halo of colour
//   2  Candy         Leckerli One: bevelled like a boiled sweet, with a
//                    glossy top and a shadow
//   3  Sticker       Comic Neue Bold: a thick white border, cut out and
//                    stuck on with a shadow
//   4  Neon          Dancing Script: a bright tube in two glows of colour
#include <algorithm>
#include <cmath>

#include "../common/Looks.h"
#include "../common/StylePlugin.h"

namespace glyphon_styles {
namespace {

Plane signPainter(const TextScene& s) {
  const Plane& rim = s.grown(9);
  Plane canvas(s.width(), s.height());
  dropShadow(canvas, rim, s.px(4), s.px(5), s.px(4), 60);
  paint(canvas, rim, 128);
  paint(canvas, s.grown(4), 250);
  paint(canvas, s.glyphs(),
        byRow(s, [](float t) { return mix(185, 128, smoothStep(0, 0.9f, t)); }));
  return canvas;
}

Plane glow(const TextScene& s) {
  Plane canvas(s.width(), s.height());
  paint(canvas, blurred(s.grown(3), s.px(9)), 72);
  paint(canvas, blurred(s.grown(1.5f), s.px(3)), 112);
  paint(canvas, s.glyphs(), byRow(s, [](float t) { return mix(236, 176, smoothStep(0, 1, t)); }));
  return canvas;
}

Plane candy(const TextScene& s) {
  const Plane& face = s.glyphs();
  Plane canvas(s.width(), s.height());
  dropShadow(canvas, face, s.px(3), s.px(5), s.px(3), 70);
  paint(canvas, s.grown(1.5f), 104);
  // Light from the top left over the rounded letters, and a gloss on their
  // upper half.
  paint(canvas, face,
        litFace(face, s.px(3), 1, 1, 900, byRow(s, [](float) { return 140.0f; }), 100, 255));
  const Plane gloss = minus(minus(face, s.outline(5)),
                            byRow(s, [](float t) { return smoothStep(0.25f, 0.5f, t); }));
  paint(canvas, blurred(scaled(gloss, 0.7f), 1), 245);
  return canvas;
}

Plane sticker(const TextScene& s) {
  const Plane& face = s.glyphs();
  const Plane& border = s.grown(8);
  Plane canvas(s.width(), s.height());
  dropShadow(canvas, border, s.px(3), s.px(4), s.px(3), 62);
  paint(canvas, border, 252);
  paint(canvas, face,
        litFace(face, s.px(2), 1, 1, 400, byRow(s, [](float) { return 128.0f; }), 104, 200));
  return canvas;
}

Plane neon(const TextScene& s) {
  const Plane& tube = s.grown(1);
  Plane canvas(s.width(), s.height());
  paint(canvas, blurred(s.grown(3), s.px(12)), 66);
  paint(canvas, blurred(s.grown(2), s.px(4)), 110);
  paint(canvas, tube, 180);
  paint(canvas, minus(tube, s.outline(1.6f)), 252);
  return canvas;
}

const StyleKind kScript = {{
    {{"/usr/share/fonts/opentype/lobster/lobster.otf", 84, 18, 0}, signPainter},
    {{"/usr/share/fonts/opentype/dancingscript/DancingScript-Bold.otf", 88, 26, 0}, glow},
    {{"/usr/share/fonts/truetype/leckerli-one/LeckerliOne-Regular.ttf", 76, 14, 1}, candy},
    {{"/usr/share/fonts/opentype/comic-neue/ComicNeue-Bold.otf", 80, 16, 2}, sticker},
    {{"/usr/share/fonts/opentype/dancingscript/DancingScript-Regular.otf", 86, 30, 0}, neon},
}};

}  // namespace
}  // namespace glyphon_styles

extern "C" GLYPHON_PLUGIN_EXPORT int32_t a00001(const char* date_digits, int32_t style_font,
                                                const char* text, GlyphonBitmap* bitmap) {
  (void)date_digits;  // the look never depends on the day
  return glyphon_styles::renderStyle(glyphon_styles::kScript, style_font, text, bitmap);
}

extern "C" GLYPHON_PLUGIN_EXPORT int32_t glyphon_render_text(const GlyphonTextRequest* request) {
  return glyphon_styles::renderStyleText(glyphon_styles::kScript, request);
}
