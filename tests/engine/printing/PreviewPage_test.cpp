#include "engine/printing/PreviewPage.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace glyphon {
namespace {

constexpr Color kPicture = rgb(200, 40, 60);
constexpr Color kWhite = rgb(255, 255, 255);
constexpr Color kBlack = rgb(0, 0, 0);

Bitmap flatPicture(int32_t width, int32_t height, Color color) {
  Bitmap picture(width, height);
  fillRect(picture, picture.bounds(), color);
  return picture;
}

// A page of 768 x 1056 screen pixels (8 x 11 inches) in the dialog's 257 x 257 panel, with an
// 800 x 600 picture.
TEST(PreviewPage, DrawsThePageOutlineAndThePictureWhereTheLayoutPutsIt) {
  struct Probe {
    int32_t x, y;
    Color expected;
  };
  struct Case {
    const char* what;
    PixelSize page;
    std::optional<Placement> pictureOnPage;
    Placement expectedInPanel;
    std::vector<Probe> probes;
  };
  const Bitmap picture = flatPicture(800, 600, kPicture);
  const Case cases[] = {
      // 768 x 576 at 0, 240 lands at 0, 58, 186 x 140.
      {"fitted and centred",
       {768, 1056},
       Placement{0, 240, 768, 576},
       {35, 0, 186, 257},
       {{93, 57, kWhite},
        {93, 58, kPicture},
        {93, 197, kPicture},
        {93, 198, kWhite},
        {0, 0, kBlack},
        {185, 256, kBlack},
        {93, 256, kBlack},
        {93, 255, kWhite},
        {0, 100, kPicture},  // the picture covers the outline
        {185, 100, kPicture}}},
      // -16, 228, 800 x 600 lands at -3, 55, 193 x 146: clipped at both sides.
      {"natural size overhanging the page",
       {768, 1056},
       Placement{-16, 228, 800, 600},
       {35, 0, 186, 257},
       {{0, 100, kPicture},
        {185, 100, kPicture},
        {93, 54, kWhite},
        {93, 55, kPicture},
        {93, 200, kPicture},
        {93, 201, kWhite}}},
      {"a length that does not parse leaves the page empty",
       {768, 1056},
       std::nullopt,
       {35, 0, 186, 257},
       {{0, 0, kBlack}, {93, 128, kWhite}, {184, 255, kWhite}, {185, 255, kBlack}}},
      {"a picture off the page draws nothing",
       {768, 1056},
       Placement{2000, 0, 800, 600},
       {35, 0, 186, 257},
       {{93, 128, kWhite}, {184, 1, kWhite}}},
      // A landscape page fills the panel's width.
      {"landscape page",
       {1056, 768},
       Placement{0, 0, 1056, 792},
       {0, 35, 257, 186},
       {{0, 0, kPicture}, {256, 185, kPicture}, {128, 100, kPicture}}},
  };
  for (const Case& c : cases) {
    const PreviewPage preview = composePreviewPage({257, 257}, c.page, picture, c.pictureOnPage);
    EXPECT_EQ(preview.InPanel, c.expectedInPanel) << c.what;
    ASSERT_EQ(preview.Picture.width(), c.expectedInPanel.Width) << c.what;
    ASSERT_EQ(preview.Picture.height(), c.expectedInPanel.Height) << c.what;
    for (const Probe& p : c.probes)
      EXPECT_EQ(preview.Picture.pixel(p.x, p.y), p.expected)
          << c.what << " at " << p.x << "," << p.y;
  }
}

TEST(PreviewPage, AnEmptyPictureOrPageDrawsOnlyWhatThereIs) {
  const PreviewPage noPicture =
      composePreviewPage({257, 257}, {768, 1056}, Bitmap(), Placement{0, 0, 768, 1056});
  EXPECT_EQ(noPicture.Picture.pixel(93, 128), kWhite);
  EXPECT_EQ(noPicture.Picture.pixel(0, 128), kBlack);

  // A page without size leaves no room for a preview.
  const PreviewPage noPage =
      composePreviewPage({257, 257}, {0, 0}, flatPicture(4, 4, kPicture), Placement{0, 0, 4, 4});
  EXPECT_EQ(noPage.InPanel, (Placement{128, 0, 0, 257}));
  EXPECT_TRUE(noPage.Picture.isEmpty());
}

}  // namespace
}  // namespace glyphon
