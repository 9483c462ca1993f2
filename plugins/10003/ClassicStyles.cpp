// Style kind 10003, "Classic": five book and display faces.
//
//   0  Gilded       Blankenburg: blackletter in bevelled gold leaf
//   1  Letterpress  Liberation Serif Bold Italic: pressed into the paper,
//                   shaded inside and lit along the lower edges
//   2  Long shadow  DejaVu Serif Bold: a shadow running far to the bottom
//                   right and fading out
//   3  Halftone     Liberation Sans Bold: printed dots that grow toward the
//                   baseline, in a white outline
//   4  Frost        DejaVu Sans Bold: icy letters pale at the top, with a
//                   bright edge and a cold glow
#include <algorithm>
#include <cmath>

#include "../common/Looks.h"
#include "../common/StylePlugin.h"

namespace glyphon_styles {
namespace {

Plane gilded(const TextScene& s) {
  const Plane& face = s.glyphs();
  Plane canvas(s.width(), s.height());
  dropShadow(canvas, face, s.px(2), s.px(3), s.px(2), 66);
  paint(canvas, s.grown(1.5f), 100);
  // Gold leaf: bright bands on a warm ramp, lit from the top left.
  const RowValues ramp = byRow(s, [](float t) {
    const float band = 0.5f + 0.5f * std::cos((t + 0.1f) * 6.2831853f * 1.1f);
    return mix(132, 228, band * (1.0f - 0.35f * smoothStep(0, 1, t)));
  });
  paint(canvas, face, litFace(face, s.px(2), 1, 1, 700, ramp, 100, 255));
  return canvas;
}

Plane letterpress(const TextScene& s) {
  const Plane& face = s.glyphs();
  Plane canvas(s.width(), s.height());
  // The paper's lit edge below and right of each letter.
  paint(canvas, minus(shifted(face, s.px(1.5f), s.px(1.5f)), face), 210);
  // Inside: shade along the upper left edges, where the paper falls away
  // from the light, and light along the lower right ones.
  const Plane soft = blurred(face, s.px(2));
  const Plane darkEdge = minus(face, shifted(soft, s.px(2), s.px(2)));
  const Plane lightEdge = minus(face, shifted(soft, -s.px(2), -s.px(2)));
  const Plane shade =
      addClamped(addClamped(scaled(darkEdge, -42), byRow(s, [](float) { return 128.0f; }), 86, 255),
                 scaled(lightEdge, 70), 86, 255);
  paint(canvas, face, shade);
  return canvas;
}

Plane longShadow(const TextScene& s) {
  const Plane& face = s.glyphs();
  Plane canvas(s.width(), s.height());
  paint(canvas, minus(trail(face, 1, 1, s.px(30)), face), 50);
  paint(canvas, s.outline(0.8f), 118);
  paint(canvas, face,
        litFace(face, s.px(1), 1, 1, 150,
                byRow(s, [](float t) { return mix(150, 128, smoothStep(0, 1, t)); }), 118, 255));
  return canvas;
}

Plane halftoneDots(const TextScene& s) {
  const Plane& face = s.glyphs();
  const Plane& border = s.grown(4);
  Plane canvas(s.width(), s.height());
  dropShadow(canvas, border, s.px(3), s.px(3), s.px(2), 60);
  paint(canvas, border, 248);
  paint(canvas, s.grown(1), 112);
  paint(canvas, face, 128);
  const float cell = float(s.px(7));
  const RowValues radius =
      byRow(s, [cell](float t) { return cell * mix(0.12f, 0.46f, smoothStep(-0.1f, 1.0f, t)); });
  paint(canvas, halftoned(minus(face, s.outline(1.5f)), cell, radius), 236);
  return canvas;
}

Plane frost(const TextScene& s) {
  const Plane& face = s.glyphs();
  Plane canvas(s.width(), s.height());
  paint(canvas, blurred(s.grown(2), s.px(8)), 64);
  paint(canvas, s.grown(1.6f), 252);
  paint(
      canvas, face,
      litFace(face, s.px(2), -1, -1, 300,
              byRow(s, [](float t) { return mix(246, 134, smoothStep(0, 1.05f, t)); }), 120, 255));
  // Sparkles of frost on the upper edges.
  paint(canvas, scaled(minus(face, shifted(face, s.px(2), s.px(3))), 0.8f), 255);
  return canvas;
}

const StyleKind kClassic = {{
    {{"/usr/share/fonts/truetype/blankenburg/Blankenburg_UNZ1A.ttf", 88, 12, 1}, gilded},
    {{"/usr/share/fonts/truetype/liberation2/LiberationSerif-BoldItalic.ttf", 84, 8, 1},
     letterpress},
    {{"/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf", 76, 40, 1}, longShadow},
    {{"/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf", 84, 12, 2}, halftoneDots},
    {{"/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", 80, 20, 2}, frost},
}};

}  // namespace
}  // namespace glyphon_styles

extern "C" GLYPHON_PLUGIN_EXPORT int32_t a00001(const char* date_digits, int32_t style_font,
                                                const char* text, GlyphonBitmap* bitmap) {
  (void)date_digits;  // the look never depends on the day
  return glyphon_styles::renderStyle(glyphon_styles::kClassic, style_font, text, bitmap);
}

extern "C" GLYPHON_PLUGIN_EXPORT int32_t glyphon_render_text(const GlyphonTextRequest* request) {
  return glyphon_styles::renderStyleText(glyphon_styles::kClassic, request);
}
