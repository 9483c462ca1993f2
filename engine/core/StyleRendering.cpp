#include "engine/core/StyleRendering.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/core/PluginHost.h"
#include "engine/core/TextRules.h"

#include "glyphon/style_plugin.h"

namespace glyphon {

namespace {

// How often renderToFill asks the plug-in at most, correcting the scale
// each time the rendering missed the rectangle's size.
constexpr int kFillAttempts = 4;

// The scale at which a size that was size0 at scale0 and size1 at scale1
// reaches target and half a pixel, on the line through the two; in
// proportion to the last size when the two do not make a rising line.
double scaleReaching(double scale0, int32_t size0, double scale1, int32_t size1, int32_t target) {
  const double aim = target + 0.5;
  if (scale1 != scale0 && size1 != size0) {
    const double slope = (size1 - size0) / (scale1 - scale0);
    if (slope > 0) return scale1 + (aim - size1) / slope;
  }
  return scale1 * aim / size1;
}

}  // namespace

double fillScale(int32_t naturalWidth, int32_t naturalHeight, int32_t width, int32_t height) {
  if (naturalWidth <= 0 || naturalHeight <= 0 || width <= 0 || height <= 0) return 0;
  return std::max(double(width) / naturalWidth, double(height) / naturalHeight);
}

std::optional<Bitmap> renderToFill(const StyleSource& source, int32_t styleFont,
                                   std::string_view text, int32_t naturalWidth,
                                   int32_t naturalHeight, int32_t width, int32_t height) {
  double scale = fillScale(naturalWidth, naturalHeight, width, height);
  if (scale <= 0 || int64_t(width) * height > kMaxFillPixels) return std::nullopt;
  // How far a rendering that covers the rectangle reaches past it in the
  // direction that decides the scale.
  const auto excess = [&](const Bitmap& b) {
    return std::min(b.width() - width, b.height() - height);
  };
  // The rendering before the last one, to begin with the natural one.
  struct Size {
    double scale;
    int32_t width, height;
  } previous{1.0, naturalWidth, naturalHeight};
  std::optional<Bitmap> covering;  // the closest rendering that covers
  std::optional<Bitmap> largest;   // the largest of those that do not
  for (int attempt = 0; attempt < kFillAttempts; ++attempt) {
    std::optional<PluginRendering> rendering = renderTextWithPlugin(
        source.StyleFolder, source.PluginFileName, source.DateDigits, styleFont, text, scale);
    if (!rendering || rendering->contract != PluginContract::Text || rendering->bitmap.isEmpty())
      break;
    Bitmap& b = rendering->bitmap;
    const int32_t w = b.width(), h = b.height();
    if (w >= width && h >= height) {
      const bool closest = !covering || excess(b) < excess(*covering);
      if (closest) covering = std::move(b);
      if (excess(*covering) <= 1) break;
    } else if (!largest || int64_t(w) * h > int64_t(largest->width()) * largest->height()) {
      largest = std::move(b);
    }
    // A plug-in's margins and outlines do not all grow with the scale, so
    // its size is not quite proportional to it: the next scale is where the
    // line through the last two sizes reaches half a pixel past the edge.
    const double next = std::max(scaleReaching(previous.scale, previous.width, scale, w, width),
                                 scaleReaching(previous.scale, previous.height, scale, h, height));
    previous = {scale, w, h};
    scale = next;
    if (!std::isfinite(scale) || scale <= 0 || scale > GLYPHON_TEXT_SCALE_MAX) break;
  }
  if (covering) return covering;
  return largest;
}

std::unique_ptr<TTextItem> renderNewItem(const StyleSource& source, const ItemChoice& choice,
                                         NewItemRendering kept) {
  std::optional<PluginRendering> natural = renderTextWithPlugin(
      source.StyleFolder, source.PluginFileName, source.DateDigits, choice.StyleFont, choice.Text);
  if (!natural) return nullptr;
  const int32_t naturalWidth = natural->bitmap.width();
  const int32_t naturalHeight = natural->bitmap.height();
  std::unique_ptr<TTextItem> item = makeRenderedItem(std::move(natural->bitmap), choice);
  item->WholeText = std::string(choice.Text);
  const Rect& rect = item->Rect;
  if (kept == NewItemRendering::FillRectangle && natural->contract == PluginContract::Text &&
      (rect.width() != naturalWidth || rect.height() != naturalHeight)) {
    std::optional<Bitmap> filled = renderToFill(source, choice.StyleFont, choice.Text, naturalWidth,
                                                naturalHeight, rect.width(), rect.height());
    if (filled) item->Bitmap = std::make_shared<const Bitmap>(std::move(*filled));
  }
  return item;
}

std::optional<std::string> textToRenderAgain(const TTextItem& item) {
  if (!item.WholeText.empty()) return item.WholeText;
  // Cut at a character boundary, a longer text keeps at least its first
  // kMaxItemTextLength - 3 bytes; anything shorter was never cut.
  if (item.Text.size() + 3 < kMaxItemTextLength) return item.Text;
  return std::nullopt;
}

std::optional<Bitmap> renderResized(const StyleSource& source, const TTextItem& item,
                                    const Rect& newRect) {
  const std::optional<std::string> text = textToRenderAgain(item);
  if (!text || newRect.width() <= 0 || newRect.height() <= 0) return std::nullopt;
  // An ASCII plug-in renders quickly at its one size; asking it at scale 1
  // is also how its contract is learnt.
  const std::optional<PluginRendering> natural = renderTextWithPlugin(
      source.StyleFolder, source.PluginFileName, source.DateDigits, item.StyleFont, *text);
  if (!natural || natural->contract != PluginContract::Text) return std::nullopt;
  return renderToFill(source, item.StyleFont, *text, natural->bitmap.width(),
                      natural->bitmap.height(), newRect.width(), newRect.height());
}

}  // namespace glyphon
