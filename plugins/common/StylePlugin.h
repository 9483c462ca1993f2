// What every sample style kind shares: its five style fonts and the render
// export that draws one of them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

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

// The shades of text painted in style font styleFont of kind, cropped to
// what shows. A style font outside 0 to 4 draws as style font 0.
[[nodiscard]] TextScene::Crop renderShades(const StyleKind& kind, int32_t styleFont,
                                           const std::string& text);

// The body of a kind's render export: draws text into bitmap in grey (blue =
// green = red = shade), on black, sized to what shows. Returns 0 on success
// and non-zero when nothing could be drawn (no usable face, a text too large,
// a bitmap the host refused to size); the bitmap is then 0 x 0. Never throws.
int32_t renderStyle(const StyleKind& kind, int32_t styleFont, const char* text,
                    GlyphonBitmap* bitmap) noexcept;

}  // namespace glyphon_styles
