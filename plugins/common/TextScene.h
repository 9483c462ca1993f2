// A text set with HarfBuzz (shaping), FriBidi (the order of right-to-left
// and mixed lines) and fontconfig (faces for the characters the style's face
// lacks), drawn with FreeType into the coverage planes the styles paint
// through: the glyphs themselves, their outlines, and the glyphs grown by a
// stroke.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Plane.h"

namespace glyphon_styles {

// How a style wants its text set.
struct FaceSettings {
  // The face, as the absolute path its Debian package installs.
  const char* fontFile = nullptr;
  // The natural size: pixels per em.
  int pixelSize = 72;
  // Room around the letters for outlines, shadows and glows, in pixels at
  // the natural size; it shrinks with the text when a long text is set
  // smaller.
  int margin = 16;
  // Extra space between letters, in pixels at the natural size.
  float tracking = 0.0f;
};

class TextScene {
 public:
  // Lays utf8Text out at scale times the natural size: lines broken at CR LF
  // (or a lone CR or LF), each line centred on the widest, each line's
  // direction taken from its first strong character. Ill-formed UTF-8 reads
  // as U+FFFD; other control characters are left out. The face falls back to
  // DejaVu Sans Bold when settings.fontFile does not load; a character
  // neither has comes from the face fontconfig picks for it, close in
  // weight. A text too large for a rendering is set smaller. Check ok()
  // afterwards: false when no face loads at all or the text cannot be made
  // to fit.
  TextScene(const FaceSettings& settings, std::string_view utf8Text, double scale = 1.0);
  ~TextScene();
  TextScene(const TextScene&) = delete;
  TextScene& operator=(const TextScene&) = delete;

  [[nodiscard]] bool ok() const;
  // Size of the planes: the text's ink with the margin around it.
  [[nodiscard]] int width() const;
  [[nodiscard]] int height() const;
  // The size set divided by the natural size (the scale asked for, unless
  // the text had to be set smaller). Styles scale their pixel distances by
  // it.
  [[nodiscard]] float scale() const;
  // Distance d (pixels at the natural size) at the size set, at least 1.
  [[nodiscard]] int px(float d) const;

  // Coverage of the glyphs. The planes are made once and kept by the
  // scene; the references stay valid while it lives.
  [[nodiscard]] const Plane& glyphs() const;
  // Coverage of a stroke of half-width radius along every outline.
  [[nodiscard]] const Plane& outline(float radius) const;
  // The glyphs grown by radius on every side.
  [[nodiscard]] const Plane& grown(float radius) const;
  // Position of each row within its line of text: 0 at the height of the
  // capitals, 1 on the baseline (below 0 above the capitals, above 1 in the
  // descenders).
  [[nodiscard]] const RowValues& rowPosition() const;

  // The glyphs set, line by line in visual order (left to right), with the
  // face each comes from; for comparing the shaping with other tools.
  struct SetGlyph {
    std::string fontFile;
    int faceIndex = 0;  // within a font collection
    unsigned glyph = 0;
  };
  [[nodiscard]] std::vector<std::vector<SetGlyph>> glyphLines() const;

  // Shades for a rendering; pixels darker than shade 4.5 are background.
  // Crops to the pixels that are not background and hands back width,
  // height and grey levels (one byte a pixel, rows top-down); all empty when
  // nothing shows.
  struct Crop {
    int width = 0;
    int height = 0;
    std::vector<unsigned char, LargeAllocator<unsigned char>> grey;
  };
  [[nodiscard]] static Crop crop(const Plane& shades);

 private:
  struct Impl;
  std::unique_ptr<Impl> m;
};

}  // namespace glyphon_styles
