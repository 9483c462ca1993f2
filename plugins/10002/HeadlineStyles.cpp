// Style kind 10002, "Headline": five poster faces.
//
//   0  Chrome    Bebas Neue Bold: polished metal, sky above the horizon line
//                and ground below, in a dark rim
//   1  Block 3D  League Spartan Black: letters cut from a block, with their
//                sides running back to the bottom right
//   2  Bubble    Cherry Bomb: round glossy letters with a highlight
//   3  Retro     Yanone Kaffeesatz Bold: white outline, the lower part cut
//                into stripes like a seventies poster
//   4  Glass     Cantarell ExtraBold: see-through letters in a bright rim
#include <algorithm>
#include <cmath>

#include "../common/Looks.h"
#include "../common/StylePlugin.h"

namespace glyphon_styles {
namespace {

// The chrome ramp: bright sky fading down to the horizon, a dark line, then
// the ground brightening again toward the baseline.
float chromeShade(float t) {
  if (t < 0.52f) return mix(250, 150, smoothStep(-0.1f, 0.52f, t));
  if (t < 0.60f) return 104;
  return mix(132, 236, smoothStep(0.60f, 1.05f, t));
}

Plane chrome(const TextScene& s) {
  const Plane& face = s.glyphs();
  const Plane& rim = s.grown(3);
  Plane canvas(s.width(), s.height());
  dropShadow(canvas, rim, s.px(3), s.px(4), s.px(3), 60);
  paint(canvas, rim, 100);
  paint(canvas, s.outline(1.2f), 190);
  paint(canvas, face, litFace(face, s.px(1), 1, 1, 250, byRow(s, chromeShade), 96, 255));
  return canvas;
}

Plane block3d(const TextScene& s) {
  const Plane& face = s.glyphs();
  const int depth = s.px(11);
  Plane canvas(s.width(), s.height());
  const Plane sides = trail(face, 1, 1, depth);
  dropShadow(canvas, sides, s.px(2), s.px(2), s.px(3), 56);
  // The sides darken the further back they run.
  paint(canvas, sides, 104);
  paint(canvas, trail(shifted(face, depth / 2, depth / 2), 1, 1, depth - depth / 2), 88);
  paint(canvas, s.outline(0.8f), 112);
  paint(canvas, face,
        litFace(face, s.px(1), 1, 1, 160,
                byRow(s, [](float t) { return mix(176, 132, smoothStep(0, 1, t)); }), 120, 255));
  return canvas;
}

Plane bubble(const TextScene& s) {
  const Plane& face = s.glyphs();
  Plane canvas(s.width(), s.height());
  dropShadow(canvas, face, s.px(4), s.px(6), s.px(4), 64);
  paint(canvas, s.grown(2.5f), 96);
  paint(canvas, face,
        litFace(face, s.px(5), 1, 1.4f, 1300, byRow(s, [](float) { return 136.0f; }), 98, 250));
  const Plane gloss = minus(minus(face, s.outline(6)),
                            byRow(s, [](float t) { return smoothStep(0.18f, 0.42f, t); }));
  paint(canvas, blurred(scaled(gloss, 0.85f), s.px(2)), 252);
  return canvas;
}

Plane retro(const TextScene& s) {
  const Plane& border = s.grown(5);
  Plane canvas(s.width(), s.height());
  dropShadow(canvas, border, s.px(4), s.px(4), s.px(2), 70);
  paint(canvas, border, 250);
  // Below the middle, bands of colour thin out toward the baseline; the
  // white of the border shows between them.
  const RowValues gaps = byRow(s, [](float t) {
    if (t < 0.5f) return 0.0f;
    const float band = (t - 0.5f) * 8.0f;  // four bands down to the baseline
    const float keep = mix(0.78f, 0.3f, std::min(1.0f, (t - 0.5f) * 2.0f));
    return band - std::floor(band) < keep ? 0.0f : 1.0f;
  });
  paint(canvas, minus(s.glyphs(), gaps),
        byRow(s, [](float t) { return mix(150, 124, smoothStep(0, 1, t)); }));
  return canvas;
}

Plane glass(const TextScene& s) {
  const Plane& face = s.glyphs();
  const Plane& edge = s.grown(2.2f);
  Plane canvas(s.width(), s.height());
  dropShadow(canvas, edge, s.px(3), s.px(4), s.px(3), 46);
  // The body lets the picture through, tinted; the rim catches the light.
  paint(canvas, face, byRow(s, [](float t) { return mix(40, 56, smoothStep(0, 1, t)); }));
  paint(canvas, s.outline(2.2f),
        litFace(edge, s.px(2), 1, 1, -600, byRow(s, [](float) { return 160.0f; }), 120, 255));
  const Plane shine =
      minus(minus(face, s.outline(5)), byRow(s, [](float t) { return smoothStep(0.1f, 0.3f, t); }));
  paint(canvas, scaled(shine, 0.5f), 235);
  return canvas;
}

const StyleKind kHeadline = {{
    {{"/usr/share/fonts/opentype/bebas-neue/BebasNeue-Bold.otf", 96, 12, 3}, chrome},
    {{"/usr/share/fonts/opentype/league-spartan/LeagueSpartan-Black.otf", 76, 20, 2}, block3d},
    {{"/usr/share/fonts/opentype/cherrybomb/CherryBomb-Regular.otf", 78, 16, 3}, bubble},
    {{"/usr/share/fonts/opentype/yanone-kaffeesatz/YanoneKaffeesatz-Bold.otf", 96, 14, 4}, retro},
    {{"/usr/share/fonts/opentype/cantarell/Cantarell-ExtraBold.otf", 84, 12, 3}, glass},
}};

}  // namespace
}  // namespace glyphon_styles

extern "C" GLYPHON_PLUGIN_EXPORT int32_t a00001(const char* date_digits, int32_t style_font,
                                                const char* text, GlyphonBitmap* bitmap) {
  (void)date_digits;  // the look never depends on the day
  return glyphon_styles::renderStyle(glyphon_styles::kHeadline, style_font, text, bitmap);
}

extern "C" GLYPHON_PLUGIN_EXPORT int32_t glyphon_render_text(const GlyphonTextRequest* request) {
  return glyphon_styles::renderStyleText(glyphon_styles::kHeadline, request);
}
