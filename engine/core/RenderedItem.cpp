#include "engine/core/RenderedItem.h"

#include <utility>

#include "engine/core/Drag.h"
#include "engine/core/TextRules.h"

namespace glyphon {

std::unique_ptr<TTextItem> makeRenderedItem(Bitmap rendering, const ItemChoice& choice) {
  auto item = std::make_unique<TTextItem>();
  item->StyleKind = choice.StyleKind;
  item->StyleFont = choice.StyleFont;
  item->Text = cutItemText(choice.Text);
  item->SizeIndex = choice.SizeIndex;
  item->Color = choice.Color;
  item->Opacity = 100;
  item->Rect = renderedItemRect(choice.X0, choice.Y0, rendering.width(), rendering.height(),
                                choice.SizeIndex);
  item->Bitmap = std::make_shared<const Bitmap>(std::move(rendering));
  return item;
}

}  // namespace glyphon
