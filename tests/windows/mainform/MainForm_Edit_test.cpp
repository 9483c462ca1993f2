// Add, Modify, Delete, Cut, Copy and Paste through the real main window,
// rendering with a real style plug-in.
#include <QAction>
#include <QClipboard>
#include <QDate>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <string>

#include "engine/core/Drag.h"
#include "engine/core/TextRules.h"
#include "tests/windows/mainform/EditWindowSupport.h"

namespace glyphon {
namespace {

using EditCommandsTest = testing::EditWindowTest;

// The echo style draws a text of n characters n pixels wide and
// 5 + style font high; row 0 holds the text's codes, row 1 the date digits.
std::string echoRow(const Bitmap& rendering, int32_t row, int32_t length) {
  std::string codes;
  for (int32_t x = 0; x < length; ++x) codes.push_back(char(redOf(rendering.pixel(x, row))));
  return codes;
}

TEST_F(EditCommandsTest, AddRendersTheMemoWithTheCurrentStyle) {
  window->StyleKindId = 10007;
  window->StyleFontIndex = 2;
  window->ComboBoxFontSize->setCurrentIndex(9);  // "100": the rendering's own size
  window->ColorBoxColor->setSelected(rgb(200, 30, 60));
  window->MemoText->setPlainText(QStringLiteral("Hello\nworld"));
  window->ButtonAdd->click();
  ASSERT_TRUE(boxes.shown.empty());

  ASSERT_EQ(queue().count(), 1u);
  const TTextItem* item = selected();
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(queue().HandlesShown);
  // The plug-in gets CR LF line breaks; the item keeps them.
  EXPECT_EQ(item->Text, "Hello\r\nworld");
  EXPECT_EQ(echoRow(*item->Bitmap, 0, 12), "Hello\r\nworld");
  const std::string digits = dateDigits(
      QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString());
  EXPECT_EQ(echoRow(*item->Bitmap, 1, int32_t(digits.size())), digits);
  EXPECT_EQ(blueOf(item->Bitmap->pixel(0, 2)), 2);  // the style font handed over
  EXPECT_EQ(item->Rect, (Rect{0, 0, 12, 7}));
  EXPECT_EQ(item->StyleKind, 10007);
  EXPECT_EQ(item->StyleFont, 2);
  EXPECT_EQ(item->SizeIndex, 9);
  EXPECT_EQ(item->Color, rgb(200, 30, 60));
  EXPECT_EQ(item->Opacity, 100);
  EXPECT_EQ(window->statusText(2), "Modified");
  expectShowsRecomposition();
}

TEST_F(EditCommandsTest, ASampleStyleRendersThroughTheWindow) {
  window->StyleFolder = QStringLiteral(GLYPHON_SAMPLE_STYLE_DIR);
  window->PluginFileName = QStringLiteral(GLYPHON_SAMPLE_STYLE_FILE);
  window->MemoText->setPlainText(QStringLiteral("Happy\nBirthday"));
  window->ButtonAdd->click();
  ASSERT_TRUE(boxes.shown.empty());
  ASSERT_NE(selected(), nullptr);
  const Bitmap& rendering = *selected()->Bitmap;
  ASSERT_FALSE(rendering.isEmpty());
  EXPECT_EQ(selected()->Rect, renderedItemRect(0, 0, rendering.width(), rendering.height(), 4));
  expectShowsRecomposition();
  // The picture changed where the text was drawn.
  EXPECT_NE(composition().CanvasBitmap(), composition().BackdropBitmap());

  // Restyled with another style font and size, in place.
  window->StyleFontIndex = 3;
  window->ComboBoxFontSize->setCurrentIndex(1);
  window->composition().moveSelectedTo({33, 21, 60, 40});
  window->ButtonModify->click();
  ASSERT_NE(selected(), nullptr);
  EXPECT_EQ(selected()->StyleFont, 3);
  EXPECT_EQ(selected()->Rect.Left, 33);
  EXPECT_EQ(selected()->Rect.Top, 21);
  expectShowsRecomposition();
}

TEST_F(EditCommandsTest, SizeTenRoundsExactHalvesToEven) {
  const QString text(45, QLatin1Char('W'));  // 45 x 5
  typeIntoMemo(text);
  window->ComboBoxFontSize->setCurrentIndex(0);
  window->ButtonAdd->click();
  // 4.5 and 0.5 go to the even neighbours 4 and 0.
  EXPECT_EQ(selected()->Rect, (Rect{0, 0, 4, 0}));
  expectShowsRecomposition();

  // At an odd corner 1 + 4.5 = 5.5 goes to 6, and 3 + 0.5 to 4.
  window->composition().moveSelectedTo({1, 3, 5, 3});
  window->ButtonModify->click();
  EXPECT_EQ(selected()->Rect, (Rect{1, 3, 6, 4}));
  expectShowsRecomposition();

  window->ComboBoxFontSize->setCurrentIndex(9);
  window->ButtonModify->click();
  EXPECT_EQ(selected()->Rect, (Rect{1, 3, 46, 8}));
  expectShowsRecomposition();
}

TEST_F(EditCommandsTest, LongTextIsRenderedWholeButKeptToTwoHundredFiftyFive) {
  const QString text = QString(150, QLatin1Char('a')) + QString(150, QLatin1Char('b'));
  window->MemoText->setPlainText(text);
  window->ComboBoxFontSize->setCurrentIndex(9);
  window->ButtonAdd->click();
  ASSERT_NE(selected(), nullptr);
  EXPECT_EQ(selected()->Bitmap->width(), 300);
  EXPECT_EQ(selected()->Text, text.left(255).toStdString());
  EXPECT_EQ(selected()->Rect.width(), 300);
  expectShowsRecomposition();
}

TEST_F(EditCommandsTest, ChecksRunInOrderWithTheirMessagesAndFocus) {
  window->ComboBoxFontSize->setCurrentIndex(-1);
  window->ColorBoxColor->setCurrentIndex(-1);
  window->MemoText->clear();
  window->ButtonAdd->click();
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Please select font size."});
  EXPECT_EQ(boxes.shown[0].request.caption, "Information");
  EXPECT_EQ(QApplication::focusWidget(), window->ComboBoxFontSize);

  window->ComboBoxFontSize->setCurrentIndex(3);
  window->ButtonAdd->click();
  EXPECT_EQ(boxes.texts().back(), "Please select font color.");
  EXPECT_EQ(QApplication::focusWidget(), window->ColorBoxColor);

  window->ColorBoxColor->setSelected(rgb(1, 2, 3));
  window->MemoText->setPlainText(QStringLiteral("  \n\t \n "));
  window->ButtonAdd->click();
  EXPECT_EQ(boxes.texts().back(), "Please input text.");
  EXPECT_EQ(QApplication::focusWidget(), window->MemoText);
  EXPECT_EQ(boxes.shown.size(), 3u);
  EXPECT_EQ(queue().count(), 0u);
  EXPECT_EQ(window->statusText(2), "Unmodified");
}

TEST_F(EditCommandsTest, TheFilterEmptiesAMemoOfForeignCharacters) {
  window->MemoText->setPlainText(QStringLiteral("\u00e9\u00fc\u20ac \u4e2d"));
  window->ButtonAdd->click();
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Please input text."});
  EXPECT_EQ(window->MemoText->toPlainText(), " ");
  EXPECT_EQ(queue().count(), 0u);

  // Kept characters survive in their order; the memo is rewritten.
  window->MemoText->setPlainText(QStringLiteral("Gr\u00fc\u00dfe\nau\u00dfen~"));
  window->ButtonAdd->click();
  EXPECT_EQ(window->MemoText->toPlainText(), "Gre\nauen~");
  ASSERT_NE(selected(), nullptr);
  EXPECT_EQ(selected()->Text, "Gre\r\nauen~");
}

// Types one character the way a keyboard layout that has it would.
void typeCharacter(QWidget* widget, Qt::Key key, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &release);
}

TEST_F(EditCommandsTest, TypedCharactersAboveCode126AreRefused) {
  typeIntoMemo(QStringLiteral("a"));
  typeCharacter(window->MemoText, Qt::Key_Eacute, QStringLiteral("\u00e9"));
  QTest::keyClicks(window->MemoText, QStringLiteral("b"));
  typeCharacter(window->MemoText, Qt::Key_unknown, QStringLiteral("\u20ac"));
  typeCharacter(window->MemoText, Qt::Key_unknown, QStringLiteral("\U0001F600"));
  QTest::keyClicks(window->MemoText, QStringLiteral("~"));
  QTest::keyClick(window->MemoText, Qt::Key_Return);
  QTest::keyClicks(window->MemoText, QStringLiteral("c"));
  EXPECT_EQ(window->MemoText->toPlainText(), "ab~\nc");
  EXPECT_TRUE(TMainForm::MemoTextKeyPress(QStringLiteral("\x7e\x01\t")));
  EXPECT_FALSE(TMainForm::MemoTextKeyPress(QStringLiteral("\x7f")));

  // An input method's text loses the same characters.
  QInputMethodEvent composed;
  composed.setCommitString(QStringLiteral("x\u00f1y"));
  QApplication::sendEvent(window->MemoText, &composed);
  EXPECT_EQ(window->MemoText->toPlainText(), "ab~\ncxy");
}

TEST_F(EditCommandsTest, AddPlacesTheItemAtTheVisibleCornerOfAScrolledCanvas) {
  newCanvas(1600, 1200);
  window->ScrollBox->horizontalScrollBar()->setValue(300);
  window->ScrollBox->verticalScrollBar()->setValue(200);
  QApplication::processEvents();
  ASSERT_EQ(window->ImageScreen->pos(), QPoint(-300, -200));
  typeIntoMemo(QStringLiteral("scrolled"));
  window->ButtonAdd->click();
  ASSERT_NE(selected(), nullptr);
  EXPECT_EQ(selected()->Rect.Left, 300);
  EXPECT_EQ(selected()->Rect.Top, 200);
  expectShowsRecomposition();

  // A canvas smaller than the view is not scrolled: its own corner.
  newCanvas(200, 100);
  window->ButtonAdd->click();
  EXPECT_EQ(selected()->Rect.Left, 0);
  EXPECT_EQ(selected()->Rect.Top, 0);
  expectShowsRecomposition();
}

TEST_F(EditCommandsTest, AMissingStyleAddsNothingAndModifyKeepsTheItem) {
  typeIntoMemo(QStringLiteral("kept"));
  window->ButtonAdd->click();
  const TTextItem* item = selected();
  ASSERT_NE(item, nullptr);
  const Rect rect = item->Rect;

  window->PluginFileName = QStringLiteral("no-such-style.so");
  window->composition().setModified(false);
  window->ButtonAdd->click();
  EXPECT_EQ(queue().count(), 1u);
  typeIntoMemo(QStringLiteral("replacement"));
  window->ButtonModify->click();
  EXPECT_TRUE(boxes.shown.empty());
  ASSERT_EQ(queue().count(), 1u);
  EXPECT_EQ(selected(), item);
  EXPECT_EQ(item->Text, "kept");
  EXPECT_EQ(item->Rect, rect);
  EXPECT_EQ(window->statusText(2), "Unmodified");
  expectShowsRecomposition();
}

TEST_F(EditCommandsTest, ModifyWithNothingSelectedDoesNothingEvenWithABlankMemo) {
  addItem({10, 10, 60, 40}, 1);
  addItem({20, 20, 50, 50}, 2);
  window->MenuDelete->trigger();  // the other item stays, not selected
  window->MemoText->clear();
  window->composition().setModified(false);
  const Bitmap before = composition().CanvasBitmap();
  window->ButtonModify->click();
  window->MenuModifyText->trigger();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(composition().CanvasBitmap(), before);
  EXPECT_EQ(window->statusText(2), "Unmodified");
}

TEST_F(EditCommandsTest, ModifyOfAFadedItemGivesAnOpaqueOneOnTopAtTheSameCorner) {
  TTextItem* faded = addItem({30, 40, 130, 90}, 3);
  window->composition().setSelectedOpacity(35);
  addItem({50, 50, 200, 120}, 4);
  addItem({0, 0, 80, 70}, 5);
  press(100, 45);  // under the others: the press brings it up
  ASSERT_EQ(selected(), faded);
  release(100, 45);
  window->ComboBoxFontSize->setCurrentIndex(9);
  typeIntoMemo(QStringLiteral("fresh text"));
  window->ButtonModify->click();
  ASSERT_EQ(queue().count(), 3u);
  const TTextItem* fresh = selected();
  EXPECT_EQ(fresh, queue().topItem());
  EXPECT_EQ(fresh->Opacity, 100);
  EXPECT_EQ(fresh->Rect, (Rect{30, 40, 40, 45}));
  EXPECT_EQ(fresh->Text, "fresh text");
  EXPECT_TRUE(queue().HandlesShown);
  expectShowsRecomposition();
}

TEST_F(EditCommandsTest, ChangingTheColourRecoloursOnlyTheSample) {
  window->SampleBitmap = testing::flatPicture(32, 17, rgb(128, 128, 128));
  addItem({20, 20, 120, 80}, 6);
  const Bitmap canvas = composition().CanvasBitmap();
  window->ColorBoxColor->setFocus();
  // The standard entries follow the custom one: Silver, then Red.
  window->ColorBoxColor->setCurrentIndex(9);
  QTest::keyClick(window->ColorBoxColor, Qt::Key_Down);
  EXPECT_EQ(window->ColorBoxColor->selected(), rgb(255, 0, 0));
  EXPECT_TRUE(testing::closeColors(window->PreviewImage->picture().pixel(5, 5), rgb(255, 0, 0), 1));
  EXPECT_EQ(composition().CanvasBitmap(), canvas);
  EXPECT_NE(selected()->Color, rgb(255, 0, 0));
}

TEST_F(EditCommandsTest, DeleteButtonAndMenuRemoveTheSelectedItem) {
  addItem({20, 20, 120, 80}, 7);
  addItem({60, 50, 200, 150}, 8);
  window->ButtonDel->click();
  EXPECT_EQ(queue().count(), 1u);
  EXPECT_EQ(selected(), nullptr);
  expectShowsRecomposition();
  window->ButtonDel->click();  // nothing selected: nothing happens
  EXPECT_EQ(queue().count(), 1u);

  press(30, 30);
  release(30, 30);
  window->MenuDelete->trigger();
  EXPECT_EQ(queue().count(), 0u);
  EXPECT_EQ(composition().CanvasBitmap(), composition().BackdropBitmap());
  expectShowsRecomposition();
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(EditCommandsTest, PasteBeforeCopyDoesNothingAndTwoPastesLandTogether) {
  window->MenuPaste->trigger();
  EXPECT_EQ(queue().count(), 0u);
  EXPECT_EQ(window->statusText(2), "Unmodified");

  TTextItem* original = addItem({40, 30, 140, 90}, 9, 70);
  window->MenuCopy->trigger();
  window->composition().moveSelectedTo({200, 200, 300, 260});  // after the copy
  window->MenuPaste->trigger();
  expectShowsRecomposition();
  window->MenuPaste->trigger();
  expectShowsRecomposition();
  ASSERT_EQ(queue().count(), 3u);
  EXPECT_EQ(queue().items()[1]->Rect, (Rect{70, 60, 170, 120}));
  EXPECT_EQ(queue().items()[2]->Rect, (Rect{70, 60, 170, 120}));
  EXPECT_EQ(selected(), queue().topItem());
  EXPECT_EQ(selected()->Opacity, 70);
  EXPECT_EQ(selected()->Text, original->Text);
  EXPECT_EQ(original->Rect, (Rect{200, 200, 300, 260}));
}

TEST_F(EditCommandsTest, CutThenPasteBringsTheItemBackThirtyFurther) {
  addItem({10, 10, 110, 60}, 10, 55);
  addItem({0, 0, 50, 50}, 11);
  press(100, 55);
  release(100, 55);
  window->MenuCut->trigger();
  EXPECT_EQ(queue().count(), 1u);
  EXPECT_EQ(selected(), nullptr);
  expectShowsRecomposition();
  window->MenuPaste->trigger();
  ASSERT_EQ(queue().count(), 2u);
  EXPECT_EQ(selected(), queue().topItem());
  EXPECT_EQ(selected()->Rect, (Rect{40, 40, 140, 90}));
  EXPECT_EQ(selected()->Opacity, 55);
  expectShowsRecomposition();
}

TEST_F(EditCommandsTest, CopyNewPasteOntoASmallerCanvas) {
  addItem({300, 40, 380, 100}, 12);
  window->MenuCopy->trigger();
  newCanvas(150, 200);
  EXPECT_EQ(queue().count(), 0u);
  window->MenuPaste->trigger();
  ASSERT_NE(selected(), nullptr);
  // Beyond the 150 pixels across: back to 30; down it still meets the canvas.
  EXPECT_EQ(selected()->Rect, (Rect{30, 70, 110, 130}));
  expectShowsRecomposition();
}

// Which command a shortcut reaches depends on the focus: in the memo the
// text-editing keys edit the text, as in every editor; elsewhere they are
// the item commands.
TEST_F(EditCommandsTest, ShortcutsActOnItemsOutsideTheMemoAndOnTextInside) {
  typeIntoMemo(QStringLiteral("first"));
  // Ctrl+A in the memo selects its text.
  QTest::keyClick(window->MemoText, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(window->MemoText->textCursor().selectedText(), "first");
  EXPECT_EQ(queue().count(), 0u);

  // With the focus on the canvas Ctrl+A adds.
  QTest::mouseClick(window->ImageScreen, Qt::LeftButton, Qt::NoModifier, viewPoint(390, 290));
  ASSERT_EQ(QApplication::focusWidget(), window->ImageScreen);
  QTest::keyClick(window->ImageScreen, Qt::Key_A, Qt::ControlModifier);
  ASSERT_EQ(queue().count(), 1u);
  TTextItem* item = selected();

  QTest::keyClick(window->ImageScreen, Qt::Key_C, Qt::ControlModifier);
  ASSERT_NE(composition().ClipItem(), nullptr);
  QTest::keyClick(window->ImageScreen, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(queue().count(), 2u);
  QTest::keyClick(window->ImageScreen, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(queue().count(), 1u);
  press(1, 1);
  release(1, 1);
  ASSERT_EQ(selected(), item);
  QTest::keyClick(window->ImageScreen, Qt::Key_Delete);
  EXPECT_EQ(queue().count(), 0u);
  expectShowsRecomposition();

  // In the memo Del deletes a character and Ctrl+C / Ctrl+V copy text.
  typeIntoMemo(QStringLiteral("second"));
  window->ButtonAdd->click();
  window->MemoText->setFocus();
  window->MemoText->moveCursor(QTextCursor::Start);
  QTest::keyClick(window->MemoText, Qt::Key_Delete);
  EXPECT_EQ(window->MemoText->toPlainText(), "econd");
  EXPECT_EQ(queue().count(), 1u);
  QTest::keyClick(window->MemoText, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(window->MemoText, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "econd");
  QTest::keyClick(window->MemoText, Qt::Key_V, Qt::ControlModifier);
  QTest::keyClick(window->MemoText, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(window->MemoText->toPlainText(), "econdecond");
  EXPECT_EQ(queue().count(), 1u);

  // Ctrl+M from the memo modifies the selected item with the memo's text.
  QTest::keyClick(window->MemoText, Qt::Key_M, Qt::ControlModifier);
  ASSERT_EQ(queue().count(), 1u);
  EXPECT_EQ(selected()->Text, "econdecond");
  EXPECT_EQ(QApplication::focusWidget(), window->MemoText);
  expectShowsRecomposition();

  // Alt+A, the Add button's key, adds from the memo.
  typeIntoMemo(QStringLiteral("third"));
  QTest::keyClick(window->MemoText, Qt::Key_A, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return queue().count() == 2u; }));
  EXPECT_EQ(selected()->Text, "third");
}

}  // namespace
}  // namespace glyphon
