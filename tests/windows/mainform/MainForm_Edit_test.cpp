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
#include <cstdlib>
#include <string>

#include "engine/core/Drag.h"
#include "engine/core/TextRules.h"
#include "engine/documents/BmpCodec.h"
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
  // Kind 10007 from the template menu, then its third style font.
  action("MenuGlyphonType10007")->trigger();
  QTest::mouseClick(styleFontImage(2), Qt::LeftButton);
  ASSERT_EQ(window->styleKindId(), 10007);
  ASSERT_EQ(window->styleFontIndex(), 2);
  fontSizes()->setCurrentIndex(9);  // "100": the rendering's own size
  colors()->setSelected(rgb(200, 30, 60));
  memo()->setPlainText(QStringLiteral("Hello\nworld"));
  button("ButtonAdd")->click();
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
  // The sample style installed over kind 10001 counts from the next choice
  // of a style font on.
  testing::registerStyleKind(10001, QStringLiteral("Glyphon Script"),
                             QStringLiteral(GLYPHON_SAMPLE_STYLE_DIR),
                             QStringLiteral(GLYPHON_SAMPLE_STYLE_FILE));
  QTest::mouseClick(styleFontImage(0), Qt::LeftButton);
  ASSERT_EQ(window->styleFolder(), QStringLiteral(GLYPHON_SAMPLE_STYLE_DIR));
  ASSERT_EQ(window->pluginFileName(), QStringLiteral(GLYPHON_SAMPLE_STYLE_FILE));
  memo()->setPlainText(QStringLiteral("Happy\nBirthday"));
  button("ButtonAdd")->click();
  ASSERT_TRUE(boxes.shown.empty());
  ASSERT_NE(selected(), nullptr);
  const Bitmap& rendering = *selected()->Bitmap;
  ASSERT_FALSE(rendering.isEmpty());
  EXPECT_EQ(selected()->Rect, renderedItemRect(0, 0, rendering.width(), rendering.height(), 4));
  expectShowsRecomposition();
  // The picture changed where the text was drawn.
  EXPECT_NE(composition().CanvasBitmap(), composition().BackdropBitmap());

  // Restyled with another style font and size, in place.
  QTest::mouseClick(styleFontImage(3), Qt::LeftButton);
  fontSizes()->setCurrentIndex(1);
  window->composition().moveSelectedTo({33, 21, 60, 40});
  button("ButtonModify")->click();
  ASSERT_NE(selected(), nullptr);
  EXPECT_EQ(selected()->StyleFont, 3);
  EXPECT_EQ(selected()->Rect.Left, 33);
  EXPECT_EQ(selected()->Rect.Top, 21);
  expectShowsRecomposition();
}

TEST_F(EditCommandsTest, ModifyRendersATextStyleForTheItemsRectangle) {
  testing::registerStyleKind(10001, QStringLiteral("Glyphon Script"),
                             QStringLiteral(GLYPHON_SAMPLE_STYLE_DIR),
                             QStringLiteral(GLYPHON_SAMPLE_STYLE_FILE));
  QTest::mouseClick(styleFontImage(3), Qt::LeftButton);
  ASSERT_TRUE(window->memoTakesAnyText());
  fontSizes()->setCurrentIndex(3);  // "40"
  memo()->setPlainText(QStringLiteral("Gr\u00fc\u00dfe aus K\u00f6ln"));
  button("ButtonAdd")->click();
  ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().front();
  ASSERT_NE(selected(), nullptr);
  // Add: the natural rendering, whose size makes the item's.
  const Bitmap natural = *selected()->Bitmap;
  const Rect rect = renderedItemRect(0, 0, natural.width(), natural.height(), 3);
  EXPECT_EQ(selected()->Rect, rect);

  // Modify: the same rectangle, and a rendering made for it, not shrunk
  // from the natural one.
  button("ButtonModify")->click();
  ASSERT_NE(selected(), nullptr);
  EXPECT_EQ(selected()->Rect, rect);
  const Bitmap& filled = *selected()->Bitmap;
  EXPECT_GE(filled.width(), rect.width());
  EXPECT_GE(filled.height(), rect.height());
  EXPECT_LE(std::min(filled.width() - rect.width(), filled.height() - rect.height()), 1);
  EXPECT_LE(filled.width(), rect.width() * 1.05 + 3);
  EXPECT_LE(filled.height(), rect.height() * 1.05 + 3);
  EXPECT_EQ(selected()->Text,
            "Gr\xC3\xBC\xC3\x9F"
            "e aus K\xC3\xB6ln");
  expectShowsRecomposition();
}

// glyphon-render --text renders an item again as Modify does: a design saved
// with one item, then Modify with a new text in the window, gives the
// pixels the program gives for the saved design and that text.
TEST_F(EditCommandsTest, ModifyGivesThePixelsOfGlyphonRenderText) {
  testing::registerStyleKind(10001, QStringLiteral("Glyphon Script"),
                             QStringLiteral(GLYPHON_SAMPLE_STYLE_DIR),
                             QStringLiteral(GLYPHON_SAMPLE_STYLE_FILE));
  QTest::mouseClick(styleFontImage(2), Qt::LeftButton);
  fontSizes()->setCurrentIndex(4);
  memo()->setPlainText(QStringLiteral("Sale"));
  button("ButtonAdd")->click();
  ASSERT_NE(selected(), nullptr);
  const QString design = folder.filePath(QStringLiteral("design.gyf"));
  window->SaveProjectToFile(design);

  memo()->setPlainText(QStringLiteral("Gr\u00fc\u00dfe,\nK\u00f6ln"));
  button("ButtonModify")->click();
  ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().front();
  const QString out = folder.filePath(QStringLiteral("out.bmp"));
  // The text in single quotes, its line break a real one, as a shell passes it.
  const std::string command = GLYPHON_BUILD_DIR "/glyphon-render --text '1=Gr\xC3\xBC\xC3\x9F"
                              "e,\nK\xC3\xB6ln' " +
                              design.toStdString() + " " + out.toStdString();
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  EXPECT_TRUE(loadBmpFile(out.toStdString()) == composition().CanvasBitmap());
}

TEST_F(EditCommandsTest, SizeTenRoundsExactHalvesToEven) {
  const QString text(45, QLatin1Char('W'));  // 45 x 5
  typeIntoMemo(text);
  fontSizes()->setCurrentIndex(0);
  button("ButtonAdd")->click();
  // 4.5 and 0.5 go to the even neighbours 4 and 0.
  EXPECT_EQ(selected()->Rect, (Rect{0, 0, 4, 0}));
  expectShowsRecomposition();

  // At an odd corner 1 + 4.5 = 5.5 goes to 6, and 3 + 0.5 to 4.
  window->composition().moveSelectedTo({1, 3, 5, 3});
  button("ButtonModify")->click();
  EXPECT_EQ(selected()->Rect, (Rect{1, 3, 6, 4}));
  expectShowsRecomposition();

  fontSizes()->setCurrentIndex(9);
  button("ButtonModify")->click();
  EXPECT_EQ(selected()->Rect, (Rect{1, 3, 46, 8}));
  expectShowsRecomposition();
}

TEST_F(EditCommandsTest, LongTextIsRenderedWholeButKeptToTwoHundredFiftyFive) {
  const QString text = QString(150, QLatin1Char('a')) + QString(150, QLatin1Char('b'));
  memo()->setPlainText(text);
  fontSizes()->setCurrentIndex(9);
  button("ButtonAdd")->click();
  ASSERT_NE(selected(), nullptr);
  EXPECT_EQ(selected()->Bitmap->width(), 300);
  EXPECT_EQ(selected()->Text, text.left(255).toStdString());
  EXPECT_EQ(selected()->Rect.width(), 300);
  expectShowsRecomposition();
}

TEST_F(EditCommandsTest, ChecksRunInOrderWithTheirMessagesAndFocus) {
  fontSizes()->setCurrentIndex(-1);
  colors()->setCurrentIndex(-1);
  memo()->clear();
  button("ButtonAdd")->click();
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Please select font size."});
  EXPECT_EQ(boxes.shown[0].request.caption, "Information");
  EXPECT_EQ(QApplication::focusWidget(), fontSizes());

  fontSizes()->setCurrentIndex(3);
  button("ButtonAdd")->click();
  EXPECT_EQ(boxes.texts().back(), "Please select font color.");
  EXPECT_EQ(QApplication::focusWidget(), colors());

  colors()->setSelected(rgb(1, 2, 3));
  memo()->setPlainText(QStringLiteral("  \n\t \n "));
  button("ButtonAdd")->click();
  EXPECT_EQ(boxes.texts().back(), "Please input text.");
  EXPECT_EQ(QApplication::focusWidget(), memo());
  EXPECT_EQ(boxes.shown.size(), 3u);
  EXPECT_EQ(queue().count(), 0u);
  EXPECT_EQ(window->statusText(2), "Unmodified");
}

TEST_F(EditCommandsTest, TheFilterEmptiesAMemoOfForeignCharacters) {
  memo()->setPlainText(QStringLiteral("\u00e9\u00fc\u20ac \u4e2d"));
  button("ButtonAdd")->click();
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Please input text."});
  EXPECT_EQ(memo()->toPlainText(), " ");
  EXPECT_EQ(queue().count(), 0u);

  // Kept characters survive in their order; the memo is rewritten.
  memo()->setPlainText(QStringLiteral("Gr\u00fc\u00dfe\nau\u00dfen~"));
  button("ButtonAdd")->click();
  EXPECT_EQ(memo()->toPlainText(), "Gre\nauen~");
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
  typeCharacter(memo(), Qt::Key_Eacute, QStringLiteral("\u00e9"));
  QTest::keyClicks(memo(), QStringLiteral("b"));
  typeCharacter(memo(), Qt::Key_unknown, QStringLiteral("\u20ac"));
  typeCharacter(memo(), Qt::Key_unknown, QStringLiteral("\U0001F600"));
  QTest::keyClicks(memo(), QStringLiteral("~"));
  QTest::keyClick(memo(), Qt::Key_Return);
  QTest::keyClicks(memo(), QStringLiteral("c"));
  EXPECT_EQ(memo()->toPlainText(), "ab~\nc");
  EXPECT_TRUE(TMainForm::MemoTextKeyPress(QStringLiteral("\x7e\x01\t")));
  EXPECT_FALSE(TMainForm::MemoTextKeyPress(QStringLiteral("\x7f")));

  // An input method's text loses the same characters.
  QInputMethodEvent composed;
  composed.setCommitString(QStringLiteral("x\u00f1y"));
  QApplication::sendEvent(memo(), &composed);
  EXPECT_EQ(memo()->toPlainText(), "ab~\ncxy");
}

TEST_F(EditCommandsTest, AStyleOfTheAsciiExportNamesWhatItCannotDraw) {
  ASSERT_FALSE(window->memoTakesAnyText());
  EXPECT_FALSE(statusNote()->isVisible());
  // A refused key is dropped without a word, as it always was.
  typeIntoMemo(QStringLiteral("a"));
  typeCharacter(memo(), Qt::Key_unknown, QStringLiteral("\u00fc"));
  EXPECT_EQ(memo()->toPlainText(), "a");
  EXPECT_FALSE(statusNote()->isVisible());

  // Add names every character the filter left out, once each.
  memo()->setPlainText(QStringLiteral("Gr\u00fc\u00dfe \u00fc\u65e5\U0001F600\t"));
  button("ButtonAdd")->click();
  ASSERT_NE(selected(), nullptr);
  EXPECT_EQ(selected()->Text, "Gre ");
  EXPECT_EQ(memo()->toPlainText(), "Gre ");
  EXPECT_TRUE(statusNote()->isVisible());
  EXPECT_TRUE(statusNote()->text().endsWith(QStringLiteral(": \u00fc \u00df \u65e5 \U0001F600")))
      << statusNote()->text().toStdString();

  // A text the style can draw whole says nothing, and the old note goes.
  memo()->setPlainText(QStringLiteral("plain"));
  button("ButtonAdd")->click();
  EXPECT_FALSE(statusNote()->isVisible());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(EditCommandsTest, AStyleOfTheTextExportTakesAndRendersAnyText) {
  installTextEchoStyle(10007);
  action("MenuGlyphonType10007")->trigger();
  ASSERT_TRUE(window->memoTakesAnyText());
  fontSizes()->setCurrentIndex(9);

  // Typed on a keyboard, composed by an input method, pasted.
  typeIntoMemo(QStringLiteral("Gr"));
  typeCharacter(memo(), Qt::Key_unknown, QStringLiteral("\u00fc"));
  typeCharacter(memo(), Qt::Key_unknown, QStringLiteral("\U0001F382"));
  QInputMethodEvent composed;
  composed.setCommitString(QStringLiteral("\u65e5\u672c\u8a9e"));
  QApplication::sendEvent(memo(), &composed);
  QTest::keyClick(memo(), Qt::Key_Return);
  QApplication::clipboard()->setText(QStringLiteral("\u0645\u0631\u062d\u0628\u0627"));
  memo()->paste();
  const QString typed =
      QStringLiteral("Gr\u00fc\U0001F382\u65e5\u672c\u8a9e\n\u0645\u0631\u062d\u0628\u0627");
  EXPECT_EQ(memo()->toPlainText(), typed);
  EXPECT_FALSE(statusNote()->isVisible());

  button("ButtonAdd")->click();
  ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().front();
  ASSERT_NE(selected(), nullptr);
  const std::string utf8 = itemTextOf(typed.toStdString());
  EXPECT_EQ(selected()->Text, utf8);
  // The text export got the UTF-8 bytes, at scale 1 for "100".
  EXPECT_EQ(echoRow(*selected()->Bitmap, 0, int32_t(utf8.size())), utf8);
  EXPECT_EQ(memo()->toPlainText(), typed);  // nothing rewritten
  EXPECT_FALSE(statusNote()->isVisible());
  expectShowsRecomposition();

  // A memo of nothing but foreign characters is text, not blank.
  memo()->setPlainText(QStringLiteral("\u05e9\u05dc\u05d5\u05dd"));
  button("ButtonModify")->click();
  ASSERT_TRUE(boxes.shown.empty());
  EXPECT_EQ(selected()->Text, "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D");

  // A long text is rendered whole; the item keeps 255 bytes of it, cut
  // between characters.
  const QString longText = QString(100, QChar(0x65e5));
  memo()->setPlainText(longText);
  button("ButtonAdd")->click();
  ASSERT_NE(selected(), nullptr);
  EXPECT_EQ(selected()->Text, longText.left(85).toStdString());
  EXPECT_EQ(selected()->WholeText, longText.toStdString());
  EXPECT_EQ(echoRow(*selected()->Bitmap, 0, 300), longText.toStdString());
  EXPECT_EQ(memo()->toPlainText(), longText);

  // Back to a style of the ASCII export, the key filter refuses again.
  action("MenuGlyphonType10001")->trigger();
  EXPECT_FALSE(window->memoTakesAnyText());
  typeIntoMemo(QStringLiteral("x"));
  typeCharacter(memo(), Qt::Key_unknown, QStringLiteral("\u00fc"));
  EXPECT_EQ(memo()->toPlainText(), "x");
}

TEST_F(EditCommandsTest, AddPlacesTheItemAtTheVisibleCornerOfAScrolledCanvas) {
  newCanvas(1600, 1200);
  action("MenuActualSize")->trigger();  // a canvas this large opens fitted
  scrollBox()->horizontalScrollBar()->setValue(300);
  scrollBox()->verticalScrollBar()->setValue(200);
  QApplication::processEvents();
  ASSERT_EQ(canvasView()->pos(), QPoint(-300, -200));
  typeIntoMemo(QStringLiteral("scrolled"));
  button("ButtonAdd")->click();
  ASSERT_NE(selected(), nullptr);
  EXPECT_EQ(selected()->Rect.Left, 300);
  EXPECT_EQ(selected()->Rect.Top, 200);
  expectShowsRecomposition();

  // A canvas smaller than the view is not scrolled: its own corner.
  newCanvas(200, 100);
  button("ButtonAdd")->click();
  EXPECT_EQ(selected()->Rect.Left, 0);
  EXPECT_EQ(selected()->Rect.Top, 0);
  expectShowsRecomposition();
}

TEST_F(EditCommandsTest, AMissingStyleAddsNothingAndModifyKeepsTheItem) {
  typeIntoMemo(QStringLiteral("kept"));
  button("ButtonAdd")->click();
  const TTextItem* item = selected();
  ASSERT_NE(item, nullptr);
  const Rect rect = item->Rect;

  // The style's plug-in goes missing.
  ASSERT_TRUE(QFile::remove(echoPlugin()));
  window->composition().setModified(false);
  button("ButtonAdd")->click();
  EXPECT_EQ(queue().count(), 1u);
  typeIntoMemo(QStringLiteral("replacement"));
  button("ButtonModify")->click();
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
  action("MenuDelete")->trigger();  // the other item stays, not selected
  memo()->clear();
  window->composition().setModified(false);
  const Bitmap before = composition().CanvasBitmap();
  button("ButtonModify")->click();
  action("MenuModifyText")->trigger();
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
  fontSizes()->setCurrentIndex(9);
  typeIntoMemo(QStringLiteral("fresh text"));
  button("ButtonModify")->click();
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
  // The echo style's sample is grey 128.
  ASSERT_EQ(window->sampleBitmap(), testing::echoSample());
  addItem({20, 20, 120, 80}, 6);
  const Bitmap canvas = composition().CanvasBitmap();
  colors()->setFocus();
  // The standard entries follow the custom one: Silver, then Red.
  colors()->setCurrentIndex(9);
  QTest::keyClick(colors(), Qt::Key_Down);
  EXPECT_EQ(colors()->selected(), rgb(255, 0, 0));
  EXPECT_TRUE(testing::closeColors(previewImage()->picture().pixel(5, 5), rgb(255, 0, 0), 1));
  EXPECT_EQ(composition().CanvasBitmap(), canvas);
  EXPECT_NE(selected()->Color, rgb(255, 0, 0));
}

TEST_F(EditCommandsTest, DeleteButtonAndMenuRemoveTheSelectedItem) {
  addItem({20, 20, 120, 80}, 7);
  addItem({60, 50, 200, 150}, 8);
  button("ButtonDel")->click();
  EXPECT_EQ(queue().count(), 1u);
  EXPECT_EQ(selected(), nullptr);
  expectShowsRecomposition();
  button("ButtonDel")->click();  // nothing selected: nothing happens
  EXPECT_EQ(queue().count(), 1u);

  press(30, 30);
  release(30, 30);
  action("MenuDelete")->trigger();
  EXPECT_EQ(queue().count(), 0u);
  EXPECT_EQ(composition().CanvasBitmap(), composition().BackdropBitmap());
  expectShowsRecomposition();
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(EditCommandsTest, PasteBeforeCopyDoesNothingAndTwoPastesLandTogether) {
  action("MenuPaste")->trigger();
  EXPECT_EQ(queue().count(), 0u);
  EXPECT_EQ(window->statusText(2), "Unmodified");

  TTextItem* original = addItem({40, 30, 140, 90}, 9, 70);
  action("MenuCopy")->trigger();
  window->composition().moveSelectedTo({200, 200, 300, 260});  // after the copy
  action("MenuPaste")->trigger();
  expectShowsRecomposition();
  action("MenuPaste")->trigger();
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
  action("MenuCut")->trigger();
  EXPECT_EQ(queue().count(), 1u);
  EXPECT_EQ(selected(), nullptr);
  expectShowsRecomposition();
  action("MenuPaste")->trigger();
  ASSERT_EQ(queue().count(), 2u);
  EXPECT_EQ(selected(), queue().topItem());
  EXPECT_EQ(selected()->Rect, (Rect{40, 40, 140, 90}));
  EXPECT_EQ(selected()->Opacity, 55);
  expectShowsRecomposition();
}

TEST_F(EditCommandsTest, CopyNewPasteOntoASmallerCanvas) {
  addItem({300, 40, 380, 100}, 12);
  action("MenuCopy")->trigger();
  newCanvas(150, 200);
  EXPECT_EQ(queue().count(), 0u);
  action("MenuPaste")->trigger();
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
  QTest::keyClick(memo(), Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(memo()->textCursor().selectedText(), "first");
  EXPECT_EQ(queue().count(), 0u);

  // With the focus on the canvas Ctrl+A adds.
  QTest::mouseClick(canvasView(), Qt::LeftButton, Qt::NoModifier, viewPoint(390, 290));
  ASSERT_EQ(QApplication::focusWidget(), canvasView());
  QTest::keyClick(canvasView(), Qt::Key_A, Qt::ControlModifier);
  ASSERT_EQ(queue().count(), 1u);
  TTextItem* item = selected();

  QTest::keyClick(canvasView(), Qt::Key_C, Qt::ControlModifier);
  ASSERT_NE(composition().ClipItem(), nullptr);
  QTest::keyClick(canvasView(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(queue().count(), 2u);
  QTest::keyClick(canvasView(), Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(queue().count(), 1u);
  press(1, 1);
  release(1, 1);
  ASSERT_EQ(selected(), item);
  QTest::keyClick(canvasView(), Qt::Key_Delete);
  EXPECT_EQ(queue().count(), 0u);
  expectShowsRecomposition();

  // In the memo Del deletes a character and Ctrl+C / Ctrl+V copy text.
  typeIntoMemo(QStringLiteral("second"));
  button("ButtonAdd")->click();
  memo()->setFocus();
  memo()->moveCursor(QTextCursor::Start);
  QTest::keyClick(memo(), Qt::Key_Delete);
  EXPECT_EQ(memo()->toPlainText(), "econd");
  EXPECT_EQ(queue().count(), 1u);
  QTest::keyClick(memo(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(memo(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "econd");
  QTest::keyClick(memo(), Qt::Key_V, Qt::ControlModifier);
  QTest::keyClick(memo(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(memo()->toPlainText(), "econdecond");
  EXPECT_EQ(queue().count(), 1u);

  // Ctrl+M from the memo modifies the selected item with the memo's text.
  QTest::keyClick(memo(), Qt::Key_M, Qt::ControlModifier);
  ASSERT_EQ(queue().count(), 1u);
  EXPECT_EQ(selected()->Text, "econdecond");
  EXPECT_EQ(QApplication::focusWidget(), memo());
  expectShowsRecomposition();

  // Alt+A, the Add button's key, adds from the memo.
  typeIntoMemo(QStringLiteral("third"));
  QTest::keyClick(memo(), Qt::Key_A, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return queue().count() == 2u; }));
  EXPECT_EQ(selected()->Text, "third");
}

}  // namespace
}  // namespace glyphon
