// The picture of the print dialog's page preview: the page drawn small in
// its panel, with the picture where the layout puts it.
#pragma once

#include <optional>

#include "engine/core/Bitmap.h"
#include "engine/printing/PrintUnits.h"

namespace glyphon {

struct PreviewPage {
  Placement InPanel;  // where the page lies in the panel
  Bitmap Picture;     // what it shows there, InPanel.Width x InPanel.Height
};

// The page preview in a panel of the given size: the page (screen pixels) placed by
// previewPageRectangle, white inside a one-pixel black outline, with picture stretched by nearest
// pixel over the rectangle pictureOnPage of the page (screen pixels, scaled by
// previewPictureRectangle), clipped to the preview and covering the outline. Without
// pictureOnPage (a length the user has not yet put right) the page stays empty.
[[nodiscard]] PreviewPage composePreviewPage(PixelSize panel, PixelSize page, const Bitmap& picture,
                                             const std::optional<Placement>& pictureOnPage);

}  // namespace glyphon
