// What every sample style kind shares: its five style fonts and the render
// export that draws one of them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "Plane.h"
#include "TextScene.h"
#include "glyphon/style_plugin.h"

namespace glyphon_styles {

// Paints a laid-out text into a plane of shades of the scene's size.
using Painter = Plane (*)(const TextScene& scene);

// One style font: how its text is set and how it is painted.
struct StyleFont {
  FaceSettings text;
  Painter paint = nullptr;
};

using StyleKind = std::array<StyleFont, 5>;

// The shades of the UTF-8 text painted in style font styleFont of kind at
// scale times its natural size, cropped to what shows. A style font outside
// 0 to 4 draws as style font 0.
[[nodiscard]] TextScene::Crop renderShades(const StyleKind& kind, int32_t styleFont,
                                           std::string_view utf8Text, double scale = 1.0);

// The body of a kind's original render export: draws text (only its CR, LF
// and printable ASCII) into bitmap in grey (blue = green = red = shade), on
// black, at the natural size, sized to what shows. Returns 0 on success and
// non-zero when nothing could be drawn (no usable face, a text too large, a
// bitmap the host refused to size); the bitmap is then 0 x 0. Never throws.
int32_t renderStyle(const StyleKind& kind, int32_t styleFont, const char* text,
                    GlyphonBitmap* bitmap) noexcept;

// The body of a kind's text export: the same for any UTF-8 text, at the
// request's scale. Refuses (non-zero, nothing drawn) a request too short for
// version 1 or of another version.
int32_t renderStyleText(const StyleKind& kind, const GlyphonTextRequest* request) noexcept;

}  // namespace glyphon_styles
