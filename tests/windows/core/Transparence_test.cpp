// The transparency window: alone, and fading items through the main window.
#include "windows/core/Transparence.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>

#include "tests/windows/mainform/EditWindowSupport.h"

namespace glyphon {
namespace {

using TransparencyTest = testing::EditWindowTest;

TEST(TTransForm, ReportsEveryChangeOfTheSliderOnce) {
  TTransForm form;
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.size(), QSize(28, 206));
  EXPECT_EQ(form.TrackBarTrans->orientation(), Qt::Vertical);
  EXPECT_EQ(form.TrackBarTrans->minimum(), 0);
  EXPECT_EQ(form.TrackBarTrans->maximum(), 100);
  EXPECT_EQ(form.TrackBarTrans->pageStep(), 2);
  EXPECT_EQ(form.TrackBarTrans->geometry(), QRect(5, 8, 18, 169));
  EXPECT_TRUE(form.EditTrans->isReadOnly());
  EXPECT_EQ(form.EditTrans->maxLength(), 3);
  EXPECT_EQ(form.EditTrans->text(), "0");

  QSignalSpy changes(&form, &TTransForm::positionChanged);
  form.setPosition(0);  // no change, no report
  EXPECT_EQ(changes.count(), 0);
  form.setPosition(40);
  form.TrackBarTrans->setValue(41);  // as by hand
  form.setPosition(250);             // clamped
  ASSERT_EQ(changes.count(), 3);
  EXPECT_EQ(changes[0][0].toInt(), 40);
  EXPECT_EQ(changes[1][0].toInt(), 41);
  EXPECT_EQ(changes[2][0].toInt(), 100);
  EXPECT_EQ(form.EditTrans->text(), "100");
  EXPECT_EQ(form.position(), 100);
}

TEST_F(TransparencyTest, TheButtonShowsTheWindowBesideItAndHidesIt) {
  TTransForm* form = window->TransForm;
  ASSERT_NE(form, nullptr);
  EXPECT_FALSE(form->isVisible());
  window->ButtonTrans->click();
  EXPECT_TRUE(form->isVisible());
  const QPoint expected =
      window->ButtonTrans->mapTo(window.get(), QPoint(window->ButtonTrans->width() + 5, -50));
  EXPECT_EQ(form->pos(), expected);
  // Nothing selected: 0 and "0".
  EXPECT_EQ(form->position(), 0);
  EXPECT_EQ(form->EditTrans->text(), "0");
  window->ButtonTrans->click();
  EXPECT_FALSE(form->isVisible());
}

TEST_F(TransparencyTest, WithNoSelectionTheSliderOnlyShowsItsNumber) {
  addItem({20, 20, 120, 80}, 1);
  window->MenuDelete->trigger();
  window->ButtonTrans->click();
  window->composition().setModified(false);
  const Bitmap before = composition().CanvasBitmap();
  window->TransForm->TrackBarTrans->setValue(30);
  EXPECT_EQ(window->TransForm->EditTrans->text(), "30");
  EXPECT_EQ(composition().CanvasBitmap(), before);
  EXPECT_EQ(window->statusText(2), "Unmodified");
}

TEST_F(TransparencyTest, OpeningSetsTheSliderFromTheSelectedItem) {
  addItem({20, 20, 120, 80}, 2);  // opaque: the slider already says 0
  window->composition().setModified(false);
  window->ButtonTrans->click();
  EXPECT_EQ(window->TransForm->position(), 0);
  EXPECT_EQ(window->statusText(2), "Unmodified");
  window->ButtonTrans->click();

  addItem({60, 50, 200, 150}, 3, 60);
  window->composition().setModified(false);
  window->ButtonTrans->click();
  EXPECT_EQ(window->TransForm->position(), 40);
  EXPECT_EQ(window->TransForm->EditTrans->text(), "40");
  EXPECT_EQ(selected()->Opacity, 60);
  EXPECT_EQ(window->statusText(2), "Modified");  // repainted unchanged
  expectShowsRecomposition();
}

TEST_F(TransparencyTest, EverySliderChangeRepaintsTheItemFromBeneath) {
  addItem({0, 0, 300, 200}, 4);
  TTextItem* item = addItem({50, 40, 250, 160}, 5);
  window->ButtonTrans->click();
  for (int position : {10, 55, 55, 90, 3, 100}) {
    window->TransForm->TrackBarTrans->setValue(position);
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
  EXPECT_EQ(window->TransForm->position(), 100);
  expectShowsRecomposition();
}

TEST_F(TransparencyTest, ThePressedItemTakesTheSliderAlong) {
  TTextItem* light = addItem({20, 20, 120, 80}, 7, 30);
  TTextItem* dark = addItem({200, 100, 320, 200}, 8, 80);
  window->ButtonTrans->click();
  EXPECT_EQ(window->TransForm->position(), 20);
  press(50, 50);
  release(50, 50);
  EXPECT_EQ(selected(), light);
  EXPECT_EQ(window->TransForm->position(), 70);
  EXPECT_EQ(window->TransForm->EditTrans->text(), "70");
  EXPECT_EQ(light->Opacity, 30);
  press(250, 150);
  release(250, 150);
  EXPECT_EQ(selected(), dark);
  EXPECT_EQ(window->TransForm->position(), 20);
  expectShowsRecomposition();

  // Hidden, the window does not follow.
  window->ButtonTrans->click();
  press(50, 50);
  release(50, 50);
  EXPECT_EQ(window->TransForm->position(), 20);
}

TEST_F(TransparencyTest, ModifyGivesAnOpaqueItemAndTheNumberStaysUntilAPress) {
  window->MemoText->setPlainText(QStringLiteral("faded"));
  window->ButtonAdd->click();
  window->ButtonTrans->click();
  window->TransForm->TrackBarTrans->setValue(65);
  EXPECT_EQ(selected()->Opacity, 35);
  window->ButtonModify->click();
  EXPECT_EQ(selected()->Opacity, 100);
  EXPECT_EQ(window->TransForm->position(), 65);
  EXPECT_EQ(window->TransForm->EditTrans->text(), "65");
  expectShowsRecomposition();
  press(1, 1);
  release(1, 1);
  EXPECT_EQ(window->TransForm->position(), 0);
}

}  // namespace
}  // namespace glyphon
