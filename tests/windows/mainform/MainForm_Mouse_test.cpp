// Selecting, moving and resizing items with the pointer on the real canvas
// view.
#include <QComboBox>
#include <QPlainTextEdit>

#include "tests/windows/mainform/EditWindowSupport.h"

namespace glyphon {
namespace {

using PointerTest = testing::EditWindowTest;

Qt::CursorShape cursorOf(const TMainForm& window) {
  return testing::namedChild<CanvasView>(window, QStringLiteral("ImageScreen"))->cursor().shape();
}

TEST_F(PointerTest, PressSelectsTheItemAndLoadsItsSettings) {
  auto made = testing::noiseItem({40, 30, 160, 90}, 3);
  made->Text = "two\r\nlines";
  made->SizeIndex = 7;
  made->Color = rgb(12, 34, 56);
  window->composition().addItem(std::move(made));
  TTextItem* item = selected();
  addItem({200, 100, 300, 200}, 4);
  // The echo style's sample is grey 128.
  ASSERT_EQ(window->sampleBitmap(), testing::echoSample());

  press(50, 40, Qt::RightButton);  // any button
  EXPECT_EQ(selected(), item);
  EXPECT_EQ(queue().topItem(), item);
  EXPECT_TRUE(queue().HandlesShown);
  EXPECT_EQ(memo()->toPlainText(), "two\nlines");
  EXPECT_EQ(fontSizes()->currentText(), "80");
  EXPECT_EQ(colors()->selected(), rgb(12, 34, 56));
  // The style sample is tinted with the item's colour.
  EXPECT_TRUE(testing::closeColors(previewImage()->picture().pixel(3, 3), rgb(12, 34, 56), 1));
  EXPECT_TRUE(window->dragState().Dragging);
  release(50, 40, Qt::RightButton);
  EXPECT_FALSE(window->dragState().Dragging);
  expectShowsRecomposition();
}

TEST_F(PointerTest, TheUpperOfTwoOverlappingItemsWinsThePress) {
  TTextItem* lower = addItem({20, 20, 120, 100}, 5);
  TTextItem* upper = addItem({80, 60, 200, 150}, 6);
  press(100, 80);
  release(100, 80);
  EXPECT_EQ(selected(), upper);
  press(30, 30);  // where only the lower one lies
  release(30, 30);
  EXPECT_EQ(selected(), lower);
  expectShowsRecomposition();
  press(100, 80);  // now on top, it wins the overlap
  release(100, 80);
  EXPECT_EQ(selected(), lower);
  expectShowsRecomposition();
}

TEST_F(PointerTest, PressOnEmptyCanvasHidesTheHandlesAndKeepsTheSelection) {
  TTextItem* item = addItem({40, 40, 140, 100}, 9);
  window->composition().setModified(false);
  press(300, 250);
  release(300, 250);
  EXPECT_FALSE(queue().HandlesShown);
  EXPECT_EQ(selected(), item);
  EXPECT_EQ(window->statusText(2), "Modified");
  expectShowsRecomposition();
  action("MenuDelete")->trigger();  // still the item Delete acts on
  EXPECT_EQ(queue().count(), 0u);
  expectShowsRecomposition();
}

TEST_F(PointerTest, CursorsFollowTheHandleZones) {
  addItem({100, 100, 300, 200}, 10);
  struct Case {
    int32_t x, y;
    Qt::CursorShape cursor;
  };
  const Case cases[] = {
      {200, 150, Qt::SizeAllCursor},   {100, 100, Qt::SizeFDiagCursor},
      {300, 200, Qt::SizeFDiagCursor}, {300, 100, Qt::SizeBDiagCursor},
      {100, 200, Qt::SizeBDiagCursor}, {105, 150, Qt::SizeHorCursor},
      {295, 150, Qt::SizeHorCursor},   {200, 105, Qt::SizeVerCursor},
      {200, 195, Qt::SizeVerCursor},   {50, 150, Qt::ArrowCursor},
      {105, 10, Qt::SizeHorCursor},  // the left band reaches far above
      {20, 195, Qt::SizeVerCursor},  // and the bottom band far to the left
  };
  for (const Case& c : cases) {
    moveTo(c.x, c.y);
    EXPECT_EQ(cursorOf(*window), c.cursor) << c.x << "," << c.y;
  }
  press(390, 10);  // the handles go: no zones any more
  release(390, 10);
  moveTo(200, 150);
  EXPECT_EQ(cursorOf(*window), Qt::ArrowCursor);
  EXPECT_EQ(window->dragState().DragMode, 0);
}

TEST_F(PointerTest, OnlyTheFrameMovesUntilTheRelease) {
  addItem({0, 0, 400, 300}, 11);
  TTextItem* item = addItem({50, 60, 150, 120}, 12);
  const Bitmap before = composition().CanvasBitmap();
  moveTo(100, 90);
  press(100, 90);
  moveTo(130, 100);
  moveTo(160, 140);
  // The item and the picture wait for the release; the outline follows.
  EXPECT_EQ(item->Rect, (Rect{50, 60, 150, 120}));
  EXPECT_EQ(composition().CanvasBitmap(), before);
  const Rect p = placement();
  ASSERT_TRUE(canvasView()->dragFrame().has_value());
  EXPECT_EQ(*canvasView()->dragFrame(), (Rect{110, 110, 210, 170}));
  // The outline shows along the frame's top edge (the view is not
  // scrolled, so view and screen image coordinates agree).
  const QPoint viewAt = canvasView()->mapTo(scrollBox()->viewport(), QPoint());
  ASSERT_TRUE(viewAt.x() >= 0 && viewAt.y() >= 0);
  const QImage shown = shownView();
  const Bitmap screen = screenImage();
  int outlined = 0;
  for (int32_t x = 110; x <= 210; ++x) {
    const QRgb s = shown.pixel(x + p.Left, 110 + p.Top);
    const Color beneath = screen.pixel(x + p.Left, 110 + p.Top);
    if (rgb(uint8_t(qRed(s)), uint8_t(qGreen(s)), uint8_t(qBlue(s))) != beneath) ++outlined;
  }
  EXPECT_GT(outlined, 90);
  expectShowsRecomposition(true);

  release(160, 140);
  EXPECT_FALSE(canvasView()->dragFrame().has_value());
  EXPECT_EQ(item->Rect, (Rect{110, 110, 210, 170}));
  expectShowsRecomposition();  // no trace of the frame either
}

TEST_F(PointerTest, ADragThatEndsWhereItBeganChangesNothing) {
  addItem({50, 60, 150, 120}, 13);
  window->composition().setModified(false);
  drag(100, 90, 180, 150);
  moveTo(180, 150);
  press(180, 150);
  moveTo(120, 10);
  moveTo(180, 150);
  window->composition().setModified(false);
  release(180, 150);
  EXPECT_EQ(selected()->Rect, (Rect{130, 120, 230, 180}));
  EXPECT_EQ(window->statusText(2), "Unmodified");
}

TEST_F(PointerTest, EdgesStopTenShortAndCornersKeepTheShape) {
  TTextItem* item = addItem({100, 100, 300, 150}, 14);
  drag(100, 125, 380, 125);  // left edge past the right
  EXPECT_EQ(item->Rect, (Rect{290, 100, 300, 150}));
  expectShowsRecomposition();

  window->composition().moveSelectedTo({50, 100, 250, 150});  // 200 x 50
  drag(250, 150, 350, 150);  // bottom-right corner to a width of 300
  EXPECT_EQ(item->Rect, (Rect{50, 100, 350, 175}));
  expectShowsRecomposition();

  drag(50, 100, 380, 100);  // top-left corner past the right: lower than 10
  EXPECT_EQ(item->Rect.width(), 10);
  EXPECT_EQ(item->Rect, (Rect{340, 173, 350, 175}));
  expectShowsRecomposition();
}

TEST_F(PointerTest, AResizedItemOfATextStyleIsRenderedAgainInOneStep) {
  testing::registerStyleKind(10001, QStringLiteral("Glyphon Script"),
                             QStringLiteral(GLYPHON_SAMPLE_STYLE_DIR),
                             QStringLiteral(GLYPHON_SAMPLE_STYLE_FILE));
  QTest::mouseClick(styleFontImage(3), Qt::LeftButton);
  ASSERT_TRUE(window->memoTakesAnyText());
  fontSizes()->setCurrentIndex(4);  // "50"
  typeIntoMemo(QStringLiteral("Hi"));
  button("ButtonAdd")->click();
  ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().front();
  TTextItem* item = selected();
  ASSERT_NE(item, nullptr);
  const Rect added = item->Rect;
  const std::shared_ptr<const Bitmap> rendered = item->Bitmap;

  // The bottom-right corner pulled to three times the width.
  const size_t steps = window->history().count();
  drag(added.Right, added.Bottom, added.Right + 2 * added.width(), added.Bottom);
  ASSERT_EQ(item->Rect.width(), 3 * added.width());
  const Rect pulled = item->Rect;
  EXPECT_EQ(window->history().count(), steps + 1);
  EXPECT_EQ(window->history().undoName(), "Resize Text");
  ASSERT_NE(item->Bitmap, rendered);
  EXPECT_GE(item->Bitmap->width(), pulled.width());
  EXPECT_GE(item->Bitmap->height(), pulled.height());
  // A pixel or two past it where the plug-in's sizes go in steps.
  EXPECT_LE(
      std::min(item->Bitmap->width() - pulled.width(), item->Bitmap->height() - pulled.height()),
      2);
  EXPECT_LE(item->Bitmap->width(), pulled.width() * 1.02 + 3);
  EXPECT_LE(item->Bitmap->height(), pulled.height() * 1.02 + 3);
  expectShowsRecomposition();

  // One undo gives back both the rectangle and the rendering.
  const std::shared_ptr<const Bitmap> fresh = item->Bitmap;
  action("MenuUndo")->trigger();
  EXPECT_EQ(item->Rect, added);
  EXPECT_EQ(item->Bitmap, rendered);
  expectShowsRecomposition();
  action("MenuRedo")->trigger();
  EXPECT_EQ(item->Rect, pulled);
  EXPECT_EQ(item->Bitmap, fresh);
  expectShowsRecomposition();

  // A move keeps the rendering.
  drag(pulled.Left + pulled.width() / 2, pulled.Top + pulled.height() / 2,
       pulled.Left + pulled.width() / 2 + 7, pulled.Top + pulled.height() / 2 + 5);
  EXPECT_EQ(item->Rect, pulled.translated(7, 5));
  EXPECT_EQ(item->Bitmap, fresh);
}

TEST_F(PointerTest, AResizedItemOfAnAsciiStyleIsStretched) {
  typeIntoMemo(QStringLiteral("Hello"));
  button("ButtonAdd")->click();
  TTextItem* item = selected();
  ASSERT_NE(item, nullptr);
  const std::shared_ptr<const Bitmap> rendered = item->Bitmap;
  window->composition().moveSelectedTo({40, 40, 90, 60});
  drag(90, 60, 140, 60);
  EXPECT_EQ(item->Rect, (Rect{40, 40, 140, 80}));
  EXPECT_EQ(item->Bitmap, rendered);
  expectShowsRecomposition();
}

TEST_F(PointerTest, ACornerOfAZeroWidthItemChangesOnlyTheWidth) {
  TTextItem* item = addItem({100, 100, 100, 140}, 15);
  // At x = 100 both side bands hold the pointer, with the bottom band: the
  // left edge stops 10 short of the right one, the right edge follows, and
  // the height stays.
  drag(100, 140, 160, 200);
  EXPECT_EQ(item->Rect, (Rect{135, 100, 160, 140}));
  expectShowsRecomposition();
}

TEST_F(PointerTest, TheLeftBandArmsADragOfTheNextItemPressed) {
  TTextItem* below = addItem({100, 150, 200, 250}, 16);
  TTextItem* above = addItem({60, 20, 160, 80}, 17);
  press(150, 200);  // select the lower item, handles shown
  release(150, 200);
  ASSERT_EQ(selected(), below);
  moveTo(105, 40);  // far above it, in its left band, over the other item
  EXPECT_EQ(cursorOf(*window), Qt::SizeHorCursor);
  press(105, 40);
  EXPECT_EQ(selected(), above);
  moveTo(85, 45);
  release(85, 45);
  // The drag pulled the newly selected item's left edge.
  EXPECT_EQ(above->Rect, (Rect{40, 20, 160, 80}));
  expectShowsRecomposition();
}

TEST_F(PointerTest, AnItemDraggedOffTheCanvasStaysAndIsHitInTheMargin) {
  TTextItem* item = addItem({20, 100, 120, 160}, 18);
  drag(70, 130, -130, 130);
  EXPECT_EQ(item->Rect, (Rect{-180, 100, -80, 160}));
  EXPECT_EQ(queue().count(), 1u);
  EXPECT_EQ(composition().CanvasBitmap(), composition().BackdropBitmap());
  expectShowsRecomposition();
  press(390, 290);
  release(390, 290);
  ASSERT_GE(placement().Left, 100);
  press(-100, 120);
  release(-100, 120);
  EXPECT_EQ(selected(), item);
}

TEST_F(PointerTest, EveryStepOfAMixedSessionShowsARecomposition) {
  addItem({0, 0, 200, 150}, 19, 80);
  addItem({120, 90, 330, 260}, 20);
  addItem({260, 10, 390, 70}, 21, 45);
  addItem({30, 200, 90, 215}, 22);
  const struct {
    int32_t fromX, fromY, toX, toY;
  } drags[] = {
      {150, 120, 100, 60},  // select the middle one (mode from the last hover)
      {150, 120, 100, 60},  // move it
      {50, 10, 60, 20},    {300, 30, 320, 40},  {60, 207, 10, 200},
      {320, 50, 250, 80},  {200, 80, 350, 100},
  };
  for (const auto& d : drags) {
    drag(d.fromX, d.fromY, d.toX, d.toY);
    expectShowsRecomposition();
  }
}

}  // namespace
}  // namespace glyphon
