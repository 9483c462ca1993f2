// Renderings of item text by a style plug-in at the size the item is drawn.
// A plug-in of the text export draws at any scale, so an item of one is
// rendered afresh for its rectangle (on Add, Modify and the release of a
// resizing drag) and the compositor never enlarges it; a plug-in of the
// ASCII export draws at its natural size only, and the compositor stretches
// that rendering as it always has.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/core/Bitmap.h"
#include "engine/core/Geometry.h"
#include "engine/core/RenderedItem.h"
#include "engine/core/TextItem.h"

namespace glyphon {

// The plug-in that renders and the date digits it is handed.
struct StyleSource {
  std::string StyleFolder;
  std::string PluginFileName;
  std::string DateDigits;
};

// The largest rectangle, in pixels, that is rendered afresh; a larger one keeps the stretched
// rendering rather than ask a plug-in for a picture of hundreds of megabytes.
inline constexpr int64_t kMaxFillPixels = int64_t(1) << 26;

// The scale at which a rendering of naturalWidth x naturalHeight at scale 1 covers width x
// height: the larger of the two ratios, so that a rectangle of another shape is only ever shrunk
// the other way. 0 when any of the sizes is not positive.
[[nodiscard]] double fillScale(int32_t naturalWidth, int32_t naturalHeight, int32_t width,
                               int32_t height);

// text rendered by a plug-in of the text export so that it covers width x height: at least that
// large both ways, and in the direction that decides the scale as close to it as the plug-in's
// whole-pixel sizes allow, a pixel or two (up to four renderings look for it, each at the scale
// where the line through the last two sizes meets the rectangle's edge; the closest that covers
// is kept).
// naturalWidth x naturalHeight is the size of the rendering at scale 1. std::nullopt when the
// plug-in fails or has no text export, or the rectangle is empty or larger than kMaxFillPixels.
// Should no rendering cover the rectangle, the largest one is handed back.
[[nodiscard]] std::optional<Bitmap> renderToFill(const StyleSource& source, int32_t styleFont,
                                                 std::string_view text, int32_t naturalWidth,
                                                 int32_t naturalHeight, int32_t width,
                                                 int32_t height);

// What renderNewItem keeps: the rendering at scale 1, whose size makes the item's (Add), or,
// from a plug-in of the text export, a rendering made again to fill the item's rectangle
// (Modify, which replaces an item that may have been rendered for its size).
enum class NewItemRendering { Natural, FillRectangle };

// The item Add and Modify make: choice.Text (in item form; for a plug-in of the ASCII export it
// is what the character filter kept) rendered at scale 1 and placed by makeRenderedItem, its
// rendering then made again for the rectangle when kept asks for it. The item's WholeText is
// choice.Text. Null when the plug-in does not render.
[[nodiscard]] std::unique_ptr<TTextItem> renderNewItem(const StyleSource& source,
                                                       const ItemChoice& choice,
                                                       NewItemRendering kept);

// The text a fresh rendering of item renders: WholeText when it is known, else Text when it is
// too short to have been cut, else std::nullopt (an item of a project file whose text may have
// lost its end).
[[nodiscard]] std::optional<std::string> textToRenderAgain(const TTextItem& item);

// The item's rendering made afresh to fill newRect, for the release of a drag that resized it,
// by source (the plug-in of the item's style kind) with the item's style font. std::nullopt
// when the item keeps its rendering stretched: the plug-in has no text export or fails, the
// whole text is not known (textToRenderAgain), or renderToFill refuses the rectangle.
[[nodiscard]] std::optional<Bitmap> renderResized(const StyleSource& source, const TTextItem& item,
                                                  const Rect& newRect);

}  // namespace glyphon
