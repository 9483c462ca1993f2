// The text item a fresh plug-in rendering becomes, as Add and Modify make it.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "engine/core/Bitmap.h"
#include "engine/core/Geometry.h"
#include "engine/core/TextItem.h"

namespace glyphon {

// What the editing panel chose for a new item besides its rendering.
struct ItemChoice {
  int32_t X0 = 0;  // the item's top-left corner on the canvas
  int32_t Y0 = 0;
  int32_t StyleKind = 0;
  int32_t StyleFont = 0;
  int32_t SizeIndex = 0;  // 0..9 for "10".."100" percent
  glyphon::Color Color = 0;
  std::string_view Text;  // the whole text the plug-in rendered, in item form
};

// An opaque item holding rendering, placed at the chosen corner with the size renderedItemRect
// gives, keeping the first kMaxItemTextLength characters of the text.
[[nodiscard]] std::unique_ptr<TTextItem> makeRenderedItem(Bitmap rendering,
                                                          const ItemChoice& choice);

}  // namespace glyphon
