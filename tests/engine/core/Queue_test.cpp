#include "engine/core/Queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/core/Compositor.h"

namespace glyphon {
namespace {

std::unique_ptr<TTextItem> itemAt(Rect r, Color color = rgb(200, 0, 0)) {
  auto item = std::make_unique<TTextItem>();
  item->Rect = r;
  item->Color = color;
  Bitmap rendering(2, 2);
  fillRect(rendering, rendering.bounds(), rgb(128, 128, 128));  // full coverage
  item->Bitmap = std::make_shared<const Bitmap>(std::move(rendering));
  return item;
}

std::vector<TTextItem*> order(const TQueueData& q) {
  std::vector<TTextItem*> v;
  for (const auto& item : q.items()) v.push_back(item.get());
  return v;
}

TEST(TQueueData, PushUnlinkAndClearKeepTopAndBottom) {
  TQueueData q;
  EXPECT_EQ(q.PushTop(nullptr), nullptr);
  EXPECT_EQ(q.Unlink(nullptr), nullptr);
  TTextItem* a = q.PushTop(itemAt({0, 0, 10, 10}));
  EXPECT_EQ(q.topItem(), a);
  EXPECT_EQ(q.bottomItem(), a);
  std::unique_ptr<TTextItem> back = q.Unlink(a);  // the only item
  EXPECT_EQ(back.get(), a);
  EXPECT_EQ(q.count(), 0u);
  EXPECT_EQ(q.topItem(), nullptr);
  EXPECT_EQ(q.bottomItem(), nullptr);
  EXPECT_EQ(q.Unlink(a), nullptr);  // no longer in the list

  a = q.PushTop(std::move(back));
  TTextItem* b = q.PushTop(itemAt({0, 0, 10, 10}));
  TTextItem* c = q.PushTop(itemAt({0, 0, 10, 10}));
  EXPECT_EQ(order(q), (std::vector<TTextItem*>{a, b, c}));
  EXPECT_EQ(q.indexOf(b), 1);
  auto middle = q.Unlink(b);
  EXPECT_EQ(order(q), (std::vector<TTextItem*>{a, c}));
  EXPECT_EQ(q.indexOf(b), -1);

  q.Clear();
  EXPECT_EQ(q.count(), 0u);
  TTextItem* d = q.PushTop(std::move(middle));
  EXPECT_EQ(q.topItem(), d);
  EXPECT_EQ(q.bottomItem(), d);
}

TEST(TQueueData, ItemsKeepTheirIdsThroughUnlinkAndInsert) {
  TQueueData q;
  TTextItem* a = q.PushTop(itemAt({0, 0, 10, 10}));
  TTextItem* b = q.PushTop(itemAt({0, 0, 10, 10}));
  TTextItem* c = q.InsertAt(itemAt({0, 0, 10, 10}), 0);
  const uint64_t idA = a->Id, idB = b->Id, idC = c->Id;
  EXPECT_NE(idA, 0u);
  EXPECT_NE(idB, idA);
  EXPECT_NE(idC, idA);
  EXPECT_NE(idC, idB);
  EXPECT_EQ(q.find(idA), a);
  EXPECT_EQ(q.find(idB), b);
  EXPECT_EQ(q.find(idC), c);
  EXPECT_EQ(q.find(0), nullptr);
  EXPECT_EQ(q.find(idA + idB + idC), nullptr);

  // Taken out, the item is no longer found but keeps its Id; put back at
  // another place, it is found under the same Id.
  std::unique_ptr<TTextItem> out = q.Unlink(b);
  EXPECT_EQ(out->Id, idB);
  EXPECT_EQ(q.find(idB), nullptr);
  TTextItem* back = q.InsertAt(std::move(out), 0);
  EXPECT_EQ(back->Id, idB);
  EXPECT_EQ(q.find(idB), back);
  EXPECT_EQ(q.find(idA), a);

  // Clear forgets the items; their Ids are never handed out again.
  q.Clear();
  EXPECT_EQ(q.find(idA), nullptr);
  TTextItem* d = q.PushTop(itemAt({0, 0, 10, 10}));
  EXPECT_GT(d->Id, std::max({idA, idB, idC}));
}

TEST(TQueueData, CopiesAndClashingIdsGetIdsOfTheirOwn) {
  TQueueData q;
  TTextItem* a = q.PushTop(itemAt({0, 0, 10, 10}));
  EXPECT_EQ(TQueueData::CopyItem(*a)->Id, 0u);
  TTextItem* pasted = q.PasteFrom(*a, Rect{0, 0, 100, 100});
  EXPECT_NE(pasted->Id, 0u);
  EXPECT_NE(pasted->Id, a->Id);

  // An item carrying the Id of an item in the list gets a new one; the
  // item already there keeps its own.
  auto twin = std::make_unique<TTextItem>(*a);
  TTextItem* second = q.PushTop(std::move(twin));
  EXPECT_NE(second->Id, a->Id);
  EXPECT_EQ(q.find(a->Id), a);
  EXPECT_EQ(q.find(second->Id), second);

  // An Id from elsewhere that no item here holds stays, and new Ids come
  // after it.
  auto stranger = itemAt({0, 0, 10, 10});
  stranger->Id = 1000;
  EXPECT_EQ(q.PushTop(std::move(stranger))->Id, 1000u);
  EXPECT_EQ(q.PushTop(itemAt({0, 0, 10, 10}))->Id, 1001u);
  EXPECT_EQ(q.count(), 5u);
}

TEST(TQueueData, UnlinkingTheSelectedItemDropsTheSelection) {
  TQueueData q;
  TTextItem* a = q.PushTop(itemAt({0, 0, 10, 10}));
  TTextItem* b = q.PushTop(itemAt({0, 0, 10, 10}));
  q.Selected = b;
  q.HandlesShown = true;
  auto unlinkedA = q.Unlink(a);
  EXPECT_EQ(q.Selected, b);
  EXPECT_TRUE(q.HandlesShown);
  auto unlinkedB = q.Unlink(b);
  EXPECT_EQ(q.Selected, nullptr);
  EXPECT_FALSE(q.HandlesShown);
}

TEST(TQueueData, ItemAtIncludesAllEdgesAndTheTopmostWins) {
  TQueueData q;
  EXPECT_EQ(q.ItemAt(0, 0), nullptr);
  TTextItem* lower = q.PushTop(itemAt({10, 10, 50, 40}));
  TTextItem* upper = q.PushTop(itemAt({30, 20, 80, 60}));
  upper->Opacity = 0;  // invisible, still hit
  EXPECT_EQ(q.ItemAt(10, 10), lower);
  EXPECT_EQ(q.ItemAt(29, 40), lower);  // bottom edge
  EXPECT_EQ(q.ItemAt(50, 15), lower);  // right edge
  EXPECT_EQ(q.ItemAt(9, 10), nullptr);
  EXPECT_EQ(q.ItemAt(10, 41), nullptr);
  EXPECT_EQ(q.ItemAt(40, 30), upper);  // overlap
  EXPECT_EQ(q.ItemAt(80, 60), upper);  // bottom-right corner
  EXPECT_EQ(q.ItemAt(81, 60), nullptr);
  // Edges at the ends of the 32-bit range.
  TTextItem* huge = q.PushTop(itemAt({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}));
  EXPECT_EQ(q.ItemAt(INT32_MAX, INT32_MIN), huge);
}

TEST(TQueueData, HandleAtBands) {
  TQueueData q;
  int mask = -7;
  EXPECT_FALSE(q.HandleAt(0, 0, mask));
  EXPECT_EQ(mask, -7);
  TTextItem* item = q.PushTop(itemAt({100, 200, 300, 260}));
  q.Selected = item;
  EXPECT_FALSE(q.HandleAt(100, 200, mask));  // handles hidden
  EXPECT_EQ(mask, -7);
  q.HandlesShown = true;

  struct Case {
    int32_t x, y;
    int mask;
  };
  const Case cases[] = {
      {100, 200, 1 + 4}, {110, 210, 1 + 4}, {111, 211, 16}, {300, 260, 2 + 8},
      {290, 230, 2},     {289, 250, 8},     {200, 230, 16}, {105, -5000, 1},
      {105, 9000, 1},    {-400, 205, 4},    {5000, 255, 8}, {99, 230, 0},
      {301, 230, 0},     {200, 199, 0},     {200, 261, 0},  {89, 230, 0},
  };
  for (const Case& c : cases) {
    mask = -7;
    EXPECT_EQ(q.HandleAt(c.x, c.y, mask), c.mask > 0) << c.x << "," << c.y;
    EXPECT_EQ(mask, c.mask) << c.x << "," << c.y;
  }
  // A narrow, low item lies in both side bands and both end bands.
  item->Rect = {0, 0, 8, 6};
  EXPECT_TRUE(q.HandleAt(4, 3, mask));
  EXPECT_EQ(mask, 1 + 2 + 4 + 8);
  // Far-off edges must not overflow.
  item->Rect = {INT32_MAX - 5, INT32_MIN, INT32_MAX, INT32_MIN + 5};
  EXPECT_TRUE(q.HandleAt(INT32_MAX, INT32_MIN, mask));
  EXPECT_EQ(mask, 1 + 2 + 4 + 8);
}

TEST(TQueueData, DrawHandlesPaintsEightFramedSquaresInsideTheRectangle) {
  const Color pen = rgb(10, 10, 200), brush = rgb(233, 29, 23), none = rgb(0, 0, 0);
  TQueueData q;
  Bitmap target(70, 50);
  const Rect r{5, 3, 66, 44};  // cx = 35, cy = 23
  q.DrawHandles(r, target);
  EXPECT_TRUE(q.HandlesShown);
  struct Corner {
    int32_t x, y;
  };
  const Corner squares[] = {{30, 3}, {30, 34}, {5, 18}, {56, 18},
                            {5, 3},  {5, 34},  {56, 3}, {56, 34}};
  for (const Corner& s : squares) {
    EXPECT_EQ(target.pixel(s.x, s.y), pen) << s.x << "," << s.y;
    EXPECT_EQ(target.pixel(s.x + 9, s.y + 9), pen) << s.x << "," << s.y;
    EXPECT_EQ(target.pixel(s.x + 1, s.y + 1), brush) << s.x << "," << s.y;
    EXPECT_EQ(target.pixel(s.x + 8, s.y + 8), brush) << s.x << "," << s.y;
  }
  EXPECT_EQ(target.pixel(29, 3), none);
  EXPECT_EQ(target.pixel(40, 3), none);
  EXPECT_EQ(target.pixel(35, 13), none);
  EXPECT_EQ(target.pixel(35, 23), none);
  EXPECT_EQ(target.pixel(65, 17), none);
  EXPECT_EQ(TQueueData::paintedBounds(r), r);

  // Corners are painted after the middles: in a 20 x 20 item the top corners
  // frame over the top middle square.
  Bitmap small(20, 20);
  q.DrawHandles({0, 0, 20, 20}, small);
  EXPECT_EQ(small.pixel(9, 5), pen);
  EXPECT_EQ(small.pixel(10, 5), pen);

  // An odd negative sum truncates toward zero: cx = (-47 + 40) / 2 = -3, so
  // the top middle square spans x -8..1.
  Bitmap edge(45, 60);
  q.DrawHandles({-47, 0, 40, 60}, edge);
  EXPECT_EQ(edge.pixel(0, 5), brush);
  EXPECT_EQ(edge.pixel(1, 5), pen);
  EXPECT_EQ(edge.pixel(2, 5), none);

  // Handles of a tiny item reach beyond it.
  EXPECT_EQ(TQueueData::paintedBounds({0, 0, 4, 4}), (Rect{-6, -6, 10, 10}));
  // Extreme rectangles draw only what is visible and do not overflow.
  Bitmap far(10, 10);
  q.DrawHandles({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, far);
  EXPECT_EQ(far, Bitmap(10, 10));
}

TEST(TQueueData, DrawAllGoesFromTheBottomUpAndCopiesShareTheRendering) {
  TQueueData q;
  TTextItem* lower = q.PushTop(itemAt({0, 0, 4, 4}, rgb(0, 0, 200)));
  q.PushTop(itemAt({2, 0, 6, 4}, rgb(0, 200, 0)));
  Bitmap all(6, 4);
  q.DrawAll(all);
  EXPECT_EQ(all.pixel(1, 1), rgb(1, 1, 200));  // grey 128 tinted
  EXPECT_EQ(all.pixel(3, 1), rgb(1, 200, 1));  // the upper item wins
  TQueueData::DrawItem(nullptr, all);          // nothing for no item

  const auto copy = TQueueData::CopyItem(*lower);
  EXPECT_EQ(copy->Rect, lower->Rect);
  EXPECT_EQ(copy->Bitmap, lower->Bitmap);
  EXPECT_EQ(q.indexOf(copy.get()), -1);
}

TEST(TQueueData, PasteFromOffsetsAndBringsBackWhatLiesBeyondTheCanvas) {
  const Rect bounds{0, 0, 800, 600};
  struct Case {
    Rect clip, pasted;
  };
  const Case cases[] = {
      {{100, 50, 300, 120}, {130, 80, 330, 150}},
      {{780, 50, 980, 120}, {30, 80, 230, 150}},       // starts past the right edge
      {{770, 50, 970, 120}, {800, 80, 1000, 150}},     // Left == bounds Right still stays
      {{100, 590, 300, 660}, {130, 30, 330, 100}},     // past the bottom edge
      {{-500, -400, -250, -300}, {30, 30, 280, 130}},  // wholly before both edges
      {{-240, 50, -31, 120}, {30, 80, 239, 150}},      // moved Right -1 lies before 0
      {{-240, 50, -30, 120}, {-210, 80, 0, 150}},      // moved Right 0 touches the canvas
      {{INT32_MAX - 10, 0, INT32_MAX, 20}, {30, 30, 40, 50}},
  };
  for (const Case& c : cases) {
    TQueueData q;
    TTextItem clip = *itemAt(c.clip);
    TTextItem* pasted = q.PasteFrom(clip, bounds);
    EXPECT_EQ(q.topItem(), pasted);
    EXPECT_EQ(pasted->Rect, c.pasted) << c.clip.Left << "," << c.clip.Top;
    EXPECT_EQ(pasted->Bitmap, clip.Bitmap);
  }
}

}  // namespace
}  // namespace glyphon

namespace glyphon {
namespace {

// The view draws and hit-tests handles at screen size with these; at size
// 10 they are the canvas's own.
TEST(HandleGeometry, SquaresAndZonesScaleWithTheHandleSize) {
  const Rect r{0, 0, 100, 60};  // cx = 50, cy = 30
  const auto ten = handleSquares(r, 10);
  EXPECT_EQ(ten[0], (Rect{45, 0, 55, 10}));
  EXPECT_EQ(ten[3], (Rect{90, 25, 100, 35}));
  const auto twenty = handleSquares(r, 20);
  EXPECT_EQ(twenty[0], (Rect{40, 0, 60, 20}));  // still centred
  EXPECT_EQ(twenty[7], (Rect{80, 40, 100, 60}));
  const auto odd = handleSquares(r, 7);
  EXPECT_EQ(odd[2], (Rect{0, 27, 7, 34}));

  struct Case {
    int64_t x, y, band;
    int zone;
  };
  const Case cases[] = {
      {10, 30, 10, TQueueData::kLeftBand},
      {11, 30, 10, TQueueData::kBody},
      {11, 30, 20, TQueueData::kLeftBand},
      {80, 41, 20, TQueueData::kRightBand | TQueueData::kBottomBand},
      {50, -500, 20, 0},
      {5, -500, 20, TQueueData::kLeftBand},
      {50, 30, 60, 1 + 2 + 4 + 8},
      {101, 30, 1, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(handleZone(r, c.x, c.y, c.band), c.zone) << c.x << "," << c.y << " band " << c.band;
}

}  // namespace
}  // namespace glyphon
