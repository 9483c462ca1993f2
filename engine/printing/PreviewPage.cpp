#include "engine/printing/PreviewPage.h"

namespace glyphon {

namespace {

constexpr Color kPageColor = rgb(255, 255, 255);
constexpr Color kOutlineColor = rgb(0, 0, 0);

}  // namespace

PreviewPage composePreviewPage(PixelSize panel, PixelSize page, const Bitmap& picture,
                               const std::optional<Placement>& pictureOnPage) {
  PreviewPage preview{previewPageRectangle(panel, page), {}};
  const PixelSize size{preview.InPanel.Width, preview.InPanel.Height};
  preview.Picture = Bitmap(size.Width, size.Height);
  drawRectangle(preview.Picture, preview.Picture.bounds(), kPageColor, kOutlineColor, 1);
  if (pictureOnPage) {
    const Placement at = previewPictureRectangle(*pictureOnPage, size, page);
    stretchBlt(preview.Picture, at.X, at.Y, at.Width, at.Height, picture, 0, 0, picture.width(),
               picture.height());
  }
  return preview;
}

}  // namespace glyphon
