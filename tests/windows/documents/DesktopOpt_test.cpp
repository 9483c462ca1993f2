#include "windows/documents/DesktopOpt.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "tests/windows/shell/WindowTestSupport.h"

namespace glyphon {
namespace {

using testing::RecordingMessageBoxes;

class WallpaperOptFormTest : public ::testing::Test {
 protected:
  // Which illustrations are shown: centre, tile, stretch.
  std::array<bool, 3> shown() const {
    return {dialog.ImageCenter->isVisible(), dialog.ImageTile->isVisible(),
            dialog.ImageStretch->isVisible()};
  }

  void open() {
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  }

  RecordingMessageBoxes boxes;
  TWallpaperOptForm dialog{nullptr};
};

TEST_F(WallpaperOptFormTest, OpensWithCenterAndItsIllustration) {
  open();
  EXPECT_EQ(dialog.windowTitle(), "Desktop Wallpaper Option");
  EXPECT_EQ(dialog.size(), QSize(420, 314));
  EXPECT_FALSE(dialog.Accepted);
  EXPECT_TRUE(dialog.RadioButtonCenter->isChecked());
  EXPECT_EQ(shown(), (std::array{true, false, false}));
  // The illustrations are built in, each at its designed size and place.
  EXPECT_EQ(dialog.ImageCenter->geometry(), QRect(200, 49, 178, 160));
  EXPECT_EQ(dialog.ImageTile->geometry(), QRect(200, 49, 178, 161));
  EXPECT_EQ(dialog.ImageStretch->geometry(), QRect(200, 49, 178, 160));
}

TEST_F(WallpaperOptFormTest, EachRadioButtonShowsOnlyItsIllustration) {
  open();
  QTest::mouseClick(dialog.RadioButtonTile, Qt::LeftButton);
  EXPECT_EQ(shown(), (std::array{false, true, false}));
  EXPECT_EQ(dialog.style(), WallpaperStyle::Tile);
  QTest::mouseClick(dialog.RadioButtonStretch, Qt::LeftButton);
  EXPECT_EQ(shown(), (std::array{false, false, true}));
  EXPECT_EQ(dialog.style(), WallpaperStyle::Stretch);
  // The arrow keys move the choice as well.
  dialog.RadioButtonStretch->setFocus();
  QTest::keyClick(dialog.RadioButtonStretch, Qt::Key_Up);
  EXPECT_TRUE(dialog.RadioButtonTile->isChecked());
  EXPECT_EQ(shown(), (std::array{false, true, false}));
  QTest::mouseClick(dialog.RadioButtonCenter, Qt::LeftButton);
  EXPECT_EQ(shown(), (std::array{true, false, false}));
  EXPECT_EQ(dialog.style(), WallpaperStyle::Center);
}

TEST_F(WallpaperOptFormTest, OkAcceptsTheSelectedPlacement) {
  open();
  QTest::mouseClick(dialog.RadioButtonTile, Qt::LeftButton);
  QTest::mouseClick(dialog.BitBtnOK, Qt::LeftButton);
  EXPECT_TRUE(dialog.Accepted);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.style(), WallpaperStyle::Tile);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(WallpaperOptFormTest, OkWithNothingSelectedAsksForAChoiceAndStaysOpen) {
  open();
  dialog.RadioGroup->setExclusive(false);
  dialog.RadioButtonCenter->setChecked(false);
  QTest::mouseClick(dialog.BitBtnOK, Qt::LeftButton);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].owner, &dialog);
  EXPECT_EQ(boxes.shown[0].request.caption, "Information");
  EXPECT_EQ(boxes.shown[0].request.text, "Please select an option for wallpaper!");
  EXPECT_FALSE(dialog.Accepted);
  EXPECT_TRUE(dialog.isVisible());
}

TEST_F(WallpaperOptFormTest, CancelAndClosingAcceptNothing) {
  open();
  QTest::mouseClick(dialog.RadioButtonStretch, Qt::LeftButton);
  QTest::mouseClick(dialog.BitBtnCancel, Qt::LeftButton);
  EXPECT_FALSE(dialog.Accepted);
  EXPECT_FALSE(dialog.isVisible());

  TWallpaperOptForm closed(nullptr);
  closed.show();
  closed.close();
  EXPECT_FALSE(closed.Accepted);
  // A new dialog starts from Center again.
  EXPECT_TRUE(closed.RadioButtonCenter->isChecked());
}

}  // namespace
}  // namespace glyphon
