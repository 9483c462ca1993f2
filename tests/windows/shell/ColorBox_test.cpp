#include "windows/shell/ColorBox.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <optional>

namespace glyphon {
namespace {

TEST(ColorBox, OffersTheCustomEntryFirstThenTheSixteenStandardColours) {
  ColorBox box;
  ASSERT_EQ(box.count(), 17);
  EXPECT_EQ(box.itemText(ColorBox::kCustomIndex), "Custom...");
  EXPECT_EQ(box.itemText(1), "Black");
  EXPECT_EQ(box.itemText(16), "White");
}

TEST(ColorBox, StandardColoursSelectTheirEntryOthersTheCustomOne) {
  ColorBox box;
  box.setSelected(rgb(255, 0, 0));
  EXPECT_EQ(box.currentText(), "Red");
  EXPECT_EQ(box.selected(), rgb(255, 0, 0));

  box.setSelected(0x77FF68);
  EXPECT_EQ(box.currentIndex(), ColorBox::kCustomIndex);
  EXPECT_EQ(box.selected(), rgb(104, 255, 119));
  EXPECT_EQ(box.customColor(), rgb(104, 255, 119));

  // The custom entry keeps its colour while a standard one is selected.
  box.setSelected(rgb(0, 0, 128));
  EXPECT_EQ(box.currentText(), "Navy");
  EXPECT_EQ(box.customColor(), rgb(104, 255, 119));
}

TEST(ColorBox, PickingTheCustomEntryAsksForItsColour) {
  ColorBox box;
  box.setSelected(rgb(0, 128, 0));
  std::optional<Color> answer = rgb(1, 2, 3);
  Color offered = 0xABCDEF;
  box.setColorChooser([&](QWidget*, Color initial) {
    offered = initial;
    return answer;
  });
  QSignalSpy changes(&box, &ColorBox::colorChanged);

  box.setCurrentIndex(ColorBox::kCustomIndex);
  emit box.activated(ColorBox::kCustomIndex);
  EXPECT_EQ(offered, Color(0));
  EXPECT_EQ(box.selected(), rgb(1, 2, 3));
  ASSERT_EQ(changes.count(), 1);
  EXPECT_EQ(changes.at(0).at(0).value<Color>(), rgb(1, 2, 3));

  // Cancelling the chooser goes back to the entry selected before.
  box.setSelected(rgb(0, 128, 0));
  answer.reset();
  box.setCurrentIndex(ColorBox::kCustomIndex);
  emit box.activated(ColorBox::kCustomIndex);
  EXPECT_EQ(box.currentText(), "Green");
  EXPECT_EQ(changes.count(), 1);
}

}  // namespace
}  // namespace glyphon
