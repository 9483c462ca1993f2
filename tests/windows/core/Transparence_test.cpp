// The transparency window: alone, and fading items through the main window.
#include "windows/core/Transparence.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include "tests/windows/mainform/EditWindowSupport.h"

namespace glyphon {
namespace {

using TransparencyTest = testing::EditWindowTest;

QSlider* sliderOf(const TTransForm& form) {
  return testing::namedChild<QSlider>(form, QStringLiteral("TrackBarTrans"));
}

QLineEdit* numberOf(const TTransForm& form) {
  return testing::namedChild<QLineEdit>(form, QStringLiteral("EditTrans"));
}

TEST(TTransForm, ReportsEveryChangeOfTheSliderOnce) {
  TTransForm form;
  QSlider* slider = sliderOf(form);
  QLineEdit* number = numberOf(form);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.size(), QSize(28, 206));
  EXPECT_EQ(slider->orientation(), Qt::Vertical);
  EXPECT_EQ(slider->minimum(), 0);
  EXPECT_EQ(slider->maximum(), 100);
  EXPECT_EQ(slider->pageStep(), 2);
  EXPECT_EQ(slider->geometry(), QRect(5, 8, 18, 169));
  EXPECT_TRUE(number->isReadOnly());
  EXPECT_EQ(number->maxLength(), 3);
  EXPECT_EQ(number->text(), "0");

  QSignalSpy changes(&form, &TTransForm::positionChanged);
  form.setPosition(0);  // no change, no report
  EXPECT_EQ(changes.count(), 0);
  form.setPosition(40);
  slider->setValue(41);   // as by hand
  form.setPosition(250);  // clamped
  ASSERT_EQ(changes.count(), 3);
  EXPECT_EQ(changes[0][0].toInt(), 40);
  EXPECT_EQ(changes[1][0].toInt(), 41);
  EXPECT_EQ(changes[2][0].toInt(), 100);
  EXPECT_EQ(number->text(), "100");
  EXPECT_EQ(form.position(), 100);
}

TEST(TTransForm, HoldingTheThumbIsOneGestureUntilItIsLetGo) {
  TTransForm form;
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QSlider* slider = sliderOf(form);
  QSignalSpy gestures(&form, &TTransForm::gestureStarted);
  QSignalSpy changes(&form, &TTransForm::positionChanged);
  EXPECT_FALSE(form.isGestureUnderway());

  // A press on the thumb (at the top: 0 is up there) takes hold of it.
  QStyleOptionSlider option;
  option.initFrom(slider);
  option.orientation = slider->orientation();
  option.minimum = slider->minimum();
  option.maximum = slider->maximum();
  option.sliderPosition = slider->sliderPosition();
  option.upsideDown = !slider->invertedAppearance();
  const QPoint thumb =
      slider->style()
          ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider)
          .center();
  QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, thumb);
  EXPECT_EQ(gestures.count(), 1);
  EXPECT_TRUE(form.isGestureUnderway());
  // Changes while it is held are reported, and the gesture goes on.
  slider->setValue(30);
  slider->setValue(35);
  EXPECT_EQ(changes.count(), 2);
  EXPECT_TRUE(form.isGestureUnderway());
  QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, thumb);
  EXPECT_FALSE(form.isGestureUnderway());

  // A change by setPosition or by the keys starts no gesture.
  form.setPosition(60);
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_Down);
  EXPECT_EQ(gestures.count(), 1);
  EXPECT_FALSE(form.isGestureUnderway());
  EXPECT_EQ(changes.count(), 4);
}

TEST_F(TransparencyTest, TheButtonShowsTheWindowBesideItAndHidesIt) {
  TTransForm* form = transForm();
  QPushButton* opener = button("ButtonTrans");
  EXPECT_FALSE(form->isVisible());
  opener->click();
  EXPECT_TRUE(form->isVisible());
  const QPoint expected = opener->mapTo(window.get(), QPoint(opener->width() + 5, -50));
  EXPECT_EQ(form->pos(), expected);
  // Nothing selected: 0 and "0".
  EXPECT_EQ(form->position(), 0);
  EXPECT_EQ(numberOf(*form)->text(), "0");
  opener->click();
  EXPECT_FALSE(form->isVisible());
}

TEST_F(TransparencyTest, WithNoSelectionTheSliderOnlyShowsItsNumber) {
  addItem({20, 20, 120, 80}, 1);
  action("MenuDelete")->trigger();
  button("ButtonTrans")->click();
  window->composition().setModified(false);
  const Bitmap before = composition().CanvasBitmap();
  sliderOf(*transForm())->setValue(30);
  EXPECT_EQ(numberOf(*transForm())->text(), "30");
  EXPECT_EQ(composition().CanvasBitmap(), before);
  EXPECT_EQ(window->statusText(2), "Unmodified");
}

TEST_F(TransparencyTest, OpeningSetsTheSliderFromTheSelectedItem) {
  addItem({20, 20, 120, 80}, 2);  // opaque: the slider already says 0
  window->composition().setModified(false);
  button("ButtonTrans")->click();
  EXPECT_EQ(transForm()->position(), 0);
  EXPECT_EQ(window->statusText(2), "Unmodified");
  button("ButtonTrans")->click();

  addItem({60, 50, 200, 150}, 3, 60);
  window->composition().setModified(false);
  button("ButtonTrans")->click();
  EXPECT_EQ(transForm()->position(), 40);
  EXPECT_EQ(numberOf(*transForm())->text(), "40");
  EXPECT_EQ(selected()->Opacity, 60);
  EXPECT_EQ(window->statusText(2), "Modified");  // repainted unchanged
  expectShowsRecomposition();
}

TEST_F(TransparencyTest, EverySliderChangeRepaintsTheItemFromBeneath) {
  addItem({0, 0, 300, 200}, 4);
  TTextItem* item = addItem({50, 40, 250, 160}, 5);
  button("ButtonTrans")->click();
  for (int position : {10, 55, 55, 90, 3, 100}) {
    sliderOf(*transForm())->setValue(position);
    EXPECT_EQ(item->Opacity, 100 - position);
    expectShowsRecomposition();
  }
  // At 100 the item is gone from the picture but can still be pressed.
  press(390, 290);
  release(390, 290);
  EXPECT_EQ(composition().CanvasBitmap(), composition().UnderlayBitmap());
  addItem({0, 0, 30, 30}, 6);
  press(150, 100);
  release(150, 100);
  EXPECT_EQ(selected(), item);
  EXPECT_EQ(transForm()->position(), 100);
  expectShowsRecomposition();
}

TEST_F(TransparencyTest, ThePressedItemTakesTheSliderAlong) {
  TTextItem* light = addItem({20, 20, 120, 80}, 7, 30);
  TTextItem* dark = addItem({200, 100, 320, 200}, 8, 80);
  button("ButtonTrans")->click();
  EXPECT_EQ(transForm()->position(), 20);
  press(50, 50);
  release(50, 50);
  EXPECT_EQ(selected(), light);
  EXPECT_EQ(transForm()->position(), 70);
  EXPECT_EQ(numberOf(*transForm())->text(), "70");
  EXPECT_EQ(light->Opacity, 30);
  press(250, 150);
  release(250, 150);
  EXPECT_EQ(selected(), dark);
  EXPECT_EQ(transForm()->position(), 20);
  expectShowsRecomposition();

  // Hidden, the window does not follow.
  button("ButtonTrans")->click();
  press(50, 50);
  release(50, 50);
  EXPECT_EQ(transForm()->position(), 20);
}

TEST_F(TransparencyTest, ModifyGivesAnOpaqueItemAndTheNumberStaysUntilAPress) {
  memo()->setPlainText(QStringLiteral("faded"));
  button("ButtonAdd")->click();
  button("ButtonTrans")->click();
  sliderOf(*transForm())->setValue(65);
  EXPECT_EQ(selected()->Opacity, 35);
  button("ButtonModify")->click();
  EXPECT_EQ(selected()->Opacity, 100);
  EXPECT_EQ(transForm()->position(), 65);
  EXPECT_EQ(numberOf(*transForm())->text(), "65");
  expectShowsRecomposition();
  press(1, 1);
  release(1, 1);
  EXPECT_EQ(transForm()->position(), 0);
}

}  // namespace
}  // namespace glyphon
