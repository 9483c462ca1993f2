#include "engine/core/Composition.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <random>
#include <vector>

#include "engine/core/Compositor.h"
#include "tests/engine/core/ItemTestSupport.h"

namespace glyphon {
namespace {

// Records what a view is told, and keeps a copy of the canvas the way a
// view would: whole when it is replaced, the reported rectangles otherwise.
struct RecordingListener : CompositionListener {
  const Composition* composition = nullptr;
  Bitmap shown;
  std::vector<Rect> changed;
  int layouts = 0;
  std::vector<bool> modified;
  void canvasChanged(const Rect& r) override {
    changed.push_back(r);
    bitBlt(shown, r.Left, r.Top, r.width(), r.height(), composition->CanvasBitmap(), r.Left, r.Top);
  }
  void canvasReplaced() override {
    ++layouts;
    shown = composition->CanvasBitmap();
  }
  void modifiedChanged(bool m) override { modified.push_back(m); }
};

using testing::noise;
using testing::textItem;

// What the canvas must hold: the backdrop and every item from the bottom
// up. The selection's handles are the view's and never pixels of it.
Bitmap expectedCanvas(const Composition& c) {
  Bitmap canvas = c.BackdropBitmap();
  c.Queue().DrawAll(canvas);
  return canvas;
}

// A listener's copy of the canvas, which the composition must keep in step
// by the rectangles it reports.
const Bitmap* shownCopy = nullptr;

void expectConsistent(const Composition& c) {
  ASSERT_EQ(c.CanvasBitmap(), expectedCanvas(c));
  if (shownCopy) {
    ASSERT_EQ(*shownCopy, c.CanvasBitmap()) << "a change went unreported";
  }
  const TQueueData& q = c.Queue();
  if (q.Selected) {
    EXPECT_EQ(q.topItem(), q.Selected);
    Bitmap underlay = c.BackdropBitmap();
    for (const auto& item : q.items())
      if (item.get() != q.Selected) DrawItem(*item, underlay);
    EXPECT_EQ(c.UnderlayBitmap(), underlay);
  }
}

class CompositionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    listener.composition = &comp;
    shownCopy = &listener.shown;
    comp.setListener(&listener);
    comp.setBackdrop(noise(160, 120, 1));
  }
  void TearDown() override { shownCopy = nullptr; }
  Composition comp;
  RecordingListener listener;
};

TEST_F(CompositionTest, SelectingAnItemUnderAnotherBringsItToTheTop) {
  comp.addItem(textItem({10, 10, 90, 60}, 2));
  TTextItem* lower = comp.Queue().Selected;
  comp.addItem(textItem({40, 30, 140, 100}, 3, 60));
  TTextItem* upper = comp.Queue().Selected;
  expectConsistent(comp);
  EXPECT_EQ(comp.Queue().ItemAt(50, 40), upper);

  comp.SelectItem(lower);
  EXPECT_EQ(comp.Queue().topItem(), lower);
  EXPECT_EQ(comp.Queue().ItemAt(50, 40), lower);
  EXPECT_TRUE(comp.Queue().HandlesShown);
  expectConsistent(comp);
  comp.SelectItem(upper);
  expectConsistent(comp);
}

// Selecting rebuilds the underlay from the clean canvas, composing only the
// new selection's area and the old handles again; a long random session of
// presses over overlapping, faded, tiny and overhanging items must leave
// exactly what full recompositions give. An item far out of range makes the
// selection fall back to a full rebuild, which must agree too.
TEST_F(CompositionTest, RandomSelectionsKeepCanvasAndUnderlayExact) {
  std::mt19937 rng(77);
  for (int round = 0; round < 2; ++round) {
    comp.clearItems();
    for (unsigned i = 0; i < 14; ++i) {
      const int32_t x = int32_t(rng() % 260) - 30, y = int32_t(rng() % 180) - 30;
      const int32_t w = int32_t(rng() % 90) + (i % 5 == 0 ? 1 : 8);
      const int32_t h = int32_t(rng() % 60) + (i % 4 == 0 ? 1 : 6);
      comp.addItem(textItem({x, y, x + w, y + h}, i + 1, int32_t(rng() % 101)));
    }
    if (round == 1) comp.addItem(textItem({-2000000000, 10, 40, 50}, 99, 80));
    for (int step = 0; step < 60; ++step) {
      const auto& items = comp.Queue().items();
      if (rng() % 5 == 0)
        comp.HideHandles();
      else
        comp.SelectItem(items[rng() % items.size()].get());
      expectConsistent(comp);
      if (HasFatalFailure()) return;
    }
  }
}

TEST_F(CompositionTest, OpacityZeroIsInvisibleButSelectable) {
  comp.addItem(textItem({20, 20, 80, 70}, 4, 0));
  TTextItem* ghost = comp.Queue().Selected;
  comp.HideHandles();
  EXPECT_EQ(comp.CanvasBitmap(), comp.BackdropBitmap());
  comp.addItem(textItem({0, 0, 30, 30}, 5));
  EXPECT_EQ(comp.Queue().ItemAt(50, 50), ghost);
  comp.SelectItem(ghost);
  EXPECT_EQ(comp.Queue().Selected, ghost);
  expectConsistent(comp);
}

TEST_F(CompositionTest, HideHandlesThenReselectOnlyRepaintsHandles) {
  comp.addItem(textItem({30, 20, 100, 80}, 6));
  TTextItem* item = comp.Queue().Selected;
  comp.HideHandles();
  EXPECT_FALSE(comp.Queue().HandlesShown);
  EXPECT_EQ(comp.Queue().Selected, item);
  expectConsistent(comp);

  comp.setModified(false);
  listener.changed.clear();
  const Bitmap underlay = comp.UnderlayBitmap();
  comp.SelectItem(item);
  EXPECT_TRUE(comp.Queue().HandlesShown);
  EXPECT_EQ(comp.UnderlayBitmap(), underlay);
  EXPECT_TRUE(comp.Modified());
  EXPECT_EQ(listener.changed, (std::vector<Rect>{Rect{30, 20, 100, 80}}));
  expectConsistent(comp);

  // Selecting it again with its handles shown changes nothing.
  listener.changed.clear();
  listener.modified.clear();
  comp.SelectItem(item);
  EXPECT_TRUE(listener.changed.empty());
  EXPECT_TRUE(listener.modified.empty());
}

TEST_F(CompositionTest, RefreshThatOnlyRemovesHandlesMarksModified) {
  comp.addItem(textItem({30, 20, 100, 80}, 7));
  comp.setModified(false);
  listener.modified.clear();
  comp.HideHandles();
  EXPECT_TRUE(comp.Modified());
  EXPECT_EQ(listener.modified, std::vector<bool>{true});
  // Also a refresh of nothing visible.
  comp.setModified(false);
  comp.RefreshRegion({-50, -50, -10, -10});
  EXPECT_TRUE(comp.Modified());
}

TEST_F(CompositionTest, HandlesOfATinyItemAreRemovedCompletely) {
  comp.addItem(textItem({50, 50, 54, 53}, 8));
  comp.addItem(textItem({100, 10, 130, 40}, 9));  // the tiny item loses its handles
  expectConsistent(comp);
  comp.SelectItem(comp.Queue().bottomItem());
  comp.HideHandles();
  expectConsistent(comp);
}

TEST_F(CompositionTest, ItemsOutsideTheCanvasAndDamagedRectangles) {
  comp.addItem(textItem({-40, -30, 20, 15}, 10));
  comp.addItem(textItem({150, 110, 400, 300}, 11));
  comp.addItem(textItem({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, 12));
  comp.addItem(textItem({INT32_MAX - 5, 0, INT32_MAX, 20}, 13, 1000));
  expectConsistent(comp);
  comp.SelectItem(comp.Queue().bottomItem());
  expectConsistent(comp);
  comp.HideHandles();
  expectConsistent(comp);
}

TEST_F(CompositionTest, PastePastTheRightEdgeLandsAtThirty) {
  comp.pasteClipItem();  // nothing copied yet
  EXPECT_EQ(comp.Queue().count(), 0u);
  comp.addItem(textItem({140, 40, 200, 70}, 14, 55));
  comp.setClipItem(*comp.Queue().Selected);
  comp.pasteClipItem();
  comp.pasteClipItem();
  ASSERT_EQ(comp.Queue().count(), 3u);
  const TTextItem* pasted = comp.Queue().Selected;
  EXPECT_EQ(pasted, comp.Queue().topItem());
  EXPECT_EQ(pasted->Rect, (Rect{30, 70, 90, 100}));
  EXPECT_EQ(comp.Queue().items()[1]->Rect, pasted->Rect);
  EXPECT_EQ(pasted->Opacity, 55);
  EXPECT_EQ(pasted->Bitmap, comp.ClipItem()->Bitmap);
  expectConsistent(comp);
}

TEST_F(CompositionTest, NewBackdropKeepsItemsAndDropsTheSelection) {
  comp.addItem(textItem({10, 10, 60, 60}, 15));
  comp.addItem(textItem({30, 30, 90, 80}, 16));
  const int layouts = listener.layouts;
  comp.setBackdrop(noise(100, 90, 17));
  EXPECT_EQ(comp.Queue().Selected, nullptr);
  EXPECT_FALSE(comp.Queue().HandlesShown);
  EXPECT_EQ(comp.Queue().count(), 2u);
  EXPECT_EQ(listener.layouts, layouts + 1);
  expectConsistent(comp);

  comp.clearItems();
  EXPECT_EQ(comp.Queue().count(), 0u);
  EXPECT_EQ(comp.CanvasBitmap(), comp.BackdropBitmap());
  expectConsistent(comp);
  comp.addItem(textItem({0, 0, 10, 10}, 18));  // push after clear
  EXPECT_EQ(comp.Queue().bottomItem(), comp.Queue().topItem());
  expectConsistent(comp);
}

TEST_F(CompositionTest, LoadingKeepsTheStackingOrder) {
  std::vector<std::unique_ptr<TTextItem>> items;
  items.push_back(textItem({0, 0, 70, 50}, 19));
  items.push_back(textItem({20, 20, 90, 70}, 20));
  TTextItem* first = items[0].get();
  comp.setBackdropAndItems(noise(120, 80, 21), std::move(items));
  EXPECT_EQ(comp.Queue().bottomItem(), first);
  EXPECT_EQ(comp.Queue().Selected, nullptr);
  expectConsistent(comp);
}

// The rectangles a repaint of these canvas areas reports: clipped to the
// canvas.
std::vector<Rect> onScreen(const Composition& c, std::initializer_list<Rect> canvasAreas) {
  std::vector<Rect> rects;
  for (const Rect& r : canvasAreas) rects.push_back(intersect(r, c.CanvasBitmap().bounds()));
  return rects;
}

TEST_F(CompositionTest, EditOperationsWithoutASelectionDoNothing) {
  comp.addItem(textItem({10, 10, 60, 50}, 30));
  comp.addItem(textItem({20, 20, 70, 60}, 31));
  (void)comp.deleteSelected();  // leaves nothing selected
  comp.setModified(false);
  listener.changed.clear();
  const Bitmap canvas = comp.CanvasBitmap();
  EXPECT_EQ(comp.deleteSelected(), nullptr);
  comp.copySelected();
  comp.cutSelected();
  comp.moveSelectedTo({0, 0, 5, 5});
  comp.setSelectedOpacity(10);
  comp.replaceSelected(textItem({0, 0, 9, 9}, 32));
  EXPECT_EQ(comp.Queue().count(), 1u);
  EXPECT_EQ(comp.ClipItem(), nullptr);
  EXPECT_EQ(comp.CanvasBitmap(), canvas);
  EXPECT_TRUE(listener.changed.empty());
  EXPECT_FALSE(comp.Modified());
}

TEST_F(CompositionTest, DeleteShowsWhatLayBeneathAndDropsTheSelection) {
  comp.addItem(textItem({10, 10, 90, 60}, 33));
  comp.addItem(textItem({40, 30, 140, 100}, 34, 70));
  comp.setModified(false);
  listener.changed.clear();
  std::unique_ptr<TTextItem> gone = comp.deleteSelected();
  ASSERT_NE(gone, nullptr);
  EXPECT_EQ(gone->Rect, (Rect{40, 30, 140, 100}));
  EXPECT_EQ(comp.Queue().count(), 1u);
  EXPECT_EQ(comp.Queue().Selected, nullptr);
  EXPECT_FALSE(comp.Queue().HandlesShown);
  EXPECT_TRUE(comp.Modified());
  EXPECT_EQ(listener.changed, onScreen(comp, {{40, 30, 140, 100}}));
  expectConsistent(comp);

  // An item nobody overlaps leaves exactly the backdrop, handles and all.
  comp.SelectItem(comp.Queue().topItem());
  (void)comp.deleteSelected();
  EXPECT_EQ(comp.CanvasBitmap(), comp.BackdropBitmap());
  expectConsistent(comp);
}

TEST_F(CompositionTest, DeletingATinyItemTakesItsHandlesAlong) {
  comp.addItem(textItem({60, 60, 63, 62}, 35));
  (void)comp.deleteSelected();
  EXPECT_EQ(comp.CanvasBitmap(), comp.BackdropBitmap());
  expectConsistent(comp);
}

TEST_F(CompositionTest, PastesLandThirtyFromWhereTheCopyWasTaken) {
  comp.addItem(textItem({20, 10, 80, 40}, 36, 45));
  comp.copySelected();
  comp.moveSelectedTo({0, 70, 60, 100});  // moving after Copy changes nothing
  comp.pasteClipItem();
  expectConsistent(comp);
  comp.pasteClipItem();
  expectConsistent(comp);
  ASSERT_EQ(comp.Queue().count(), 3u);
  EXPECT_EQ(comp.Queue().items()[1]->Rect, (Rect{50, 40, 110, 70}));
  EXPECT_EQ(comp.Queue().items()[2]->Rect, (Rect{50, 40, 110, 70}));
  EXPECT_EQ(comp.Queue().Selected, comp.Queue().topItem());

  // Cut and paste brings the item back 30 further, on top, still faded.
  comp.SelectItem(comp.Queue().bottomItem());
  comp.cutSelected();
  EXPECT_EQ(comp.Queue().count(), 2u);
  expectConsistent(comp);
  comp.pasteClipItem();
  EXPECT_EQ(comp.Queue().Selected->Rect, (Rect{30, 100, 90, 130}));
  EXPECT_EQ(comp.Queue().Selected->Opacity, 45);
  expectConsistent(comp);
}

TEST_F(CompositionTest, MoveRepaintsOnlyTheOldAndNewAreas) {
  comp.addItem(textItem({0, 0, 160, 120}, 39));  // under everything
  comp.addItem(textItem({30, 20, 90, 60}, 40, 80));
  comp.setModified(false);
  listener.changed.clear();
  comp.moveSelectedTo({70, 50, 150, 110});
  EXPECT_EQ(comp.Queue().Selected->Rect, (Rect{70, 50, 150, 110}));
  EXPECT_EQ(listener.changed, onScreen(comp, {{30, 20, 90, 60}, {70, 50, 150, 110}}));
  EXPECT_TRUE(comp.Modified());
  expectConsistent(comp);

  // Where it already is: nothing happens.
  comp.setModified(false);
  listener.changed.clear();
  comp.moveSelectedTo({70, 50, 150, 110});
  EXPECT_TRUE(listener.changed.empty());
  EXPECT_FALSE(comp.Modified());

  // With the handles hidden they stay hidden.
  comp.HideHandles();
  comp.moveSelectedTo({10, 10, 40, 25});
  EXPECT_FALSE(comp.Queue().HandlesShown);
  expectConsistent(comp);

  // Smaller than its handles, and off the canvas: still in the list.
  comp.SelectItem(comp.Queue().Selected);
  comp.moveSelectedTo({2, 3, 5, 6});
  expectConsistent(comp);
  comp.moveSelectedTo({200, 150, 260, 190});
  EXPECT_EQ(comp.Queue().count(), 2u);
  expectConsistent(comp);
}

TEST_F(CompositionTest, OpacityRepaintsFromTheUnderlayEachTime) {
  comp.addItem(textItem({0, 0, 120, 90}, 42));
  comp.addItem(textItem({40, 30, 140, 100}, 43));
  comp.setSelectedOpacity(40);
  expectConsistent(comp);
  const Bitmap once = comp.CanvasBitmap();
  comp.setSelectedOpacity(40);  // not cumulative
  EXPECT_EQ(comp.CanvasBitmap(), once);

  comp.setSelectedOpacity(0);
  comp.HideHandles();
  EXPECT_EQ(comp.CanvasBitmap(), comp.UnderlayBitmap());
  EXPECT_EQ(comp.Queue().ItemAt(130, 95), comp.Queue().Selected);
  expectConsistent(comp);

  comp.setModified(false);
  listener.changed.clear();
  comp.setSelectedOpacity(100);
  EXPECT_EQ(comp.Queue().Selected->Opacity, 100);
  EXPECT_EQ(listener.changed, onScreen(comp, {{40, 30, 140, 100}}));
  EXPECT_TRUE(comp.Modified());
  expectConsistent(comp);
}

TEST_F(CompositionTest, ReplaceSelectedPutsTheNewItemOnTop) {
  comp.addItem(textItem({10, 10, 100, 80}, 44, 30));
  TTextItem* faded = comp.Queue().Selected;
  comp.addItem(textItem({50, 40, 150, 110}, 45));
  comp.SelectItem(faded);
  comp.addItem(textItem({0, 0, 20, 20}, 46));
  comp.SelectItem(faded);
  auto fresh = textItem({10, 10, 70, 50}, 47);
  TTextItem* replacement = fresh.get();
  const std::unique_ptr<TTextItem> replaced = comp.replaceSelected(std::move(fresh));
  EXPECT_EQ(replaced.get(), faded);  // handed back for undoing
  EXPECT_EQ(comp.Queue().count(), 3u);
  EXPECT_EQ(comp.Queue().Selected, replacement);
  EXPECT_EQ(comp.Queue().topItem(), replacement);
  EXPECT_EQ(comp.Queue().indexOf(faded), -1);
  expectConsistent(comp);
}

TEST(Composition, ANewCanvasIsReportedWhole) {
  Composition comp;
  RecordingListener listener;
  listener.composition = &comp;
  comp.setListener(&listener);
  comp.setBackdrop(noise(101, 51, 22));
  EXPECT_EQ(listener.layouts, 1);
  EXPECT_EQ(listener.shown, comp.CanvasBitmap());
  EXPECT_FALSE(comp.Modified());
  EXPECT_TRUE(listener.changed.empty());
}

TEST(Composition, RefreshReportsTheClippedRegion) {
  Composition comp;
  RecordingListener listener;
  listener.composition = &comp;
  comp.setListener(&listener);
  comp.setBackdrop(noise(50, 40, 23));
  comp.RefreshRegion({-10, 30, 20, 100});
  EXPECT_EQ(listener.changed, (std::vector<Rect>{{0, 30, 20, 40}}));
  EXPECT_EQ(listener.modified, std::vector<bool>{true});
  // Wholly outside: nothing to repaint, but the picture counts as modified.
  comp.RefreshRegion({60, 0, 90, 10});
  EXPECT_EQ(listener.changed.size(), 1u);
  EXPECT_EQ(listener.modified, (std::vector<bool>{true, true}));
}

// The operations undo uses leave everything equal to a full recomposition.

TEST_F(CompositionTest, AnItemPutBackAtEveryPositionIsBlendedInItsPlace) {
  enum class Selection { None, Shown, Hidden };
  for (const Selection selection : {Selection::None, Selection::Shown, Selection::Hidden}) {
    for (size_t position = 0; position <= 4; ++position) {
      comp.clearItems();
      comp.addItem(textItem({10, 10, 90, 60}, 50));
      comp.addItem(textItem({40, 30, 140, 100}, 51, 60));
      comp.addItem(textItem({60, 0, 150, 50}, 52));
      TTextItem* top = comp.Queue().Selected;
      if (selection == Selection::None) (void)comp.insertItem(comp.deleteSelected(), 2);
      top = comp.Queue().topItem();
      if (selection == Selection::Hidden) comp.HideHandles();
      const TTextItem* selected = comp.Queue().Selected;
      comp.setModified(false);

      auto fresh = textItem({20, 20, 120, 90}, 53, 80);
      TTextItem* expected = fresh.get();
      TTextItem* put = comp.insertItem(std::move(fresh), position);
      SCOPED_TRACE(::testing::Message()
                   << "position " << position << " selection " << int(selection));
      EXPECT_EQ(put, expected);
      EXPECT_EQ(comp.Queue().indexOf(put), ptrdiff_t(std::min<size_t>(position, 3)));
      if (position >= 3) {
        // Above the selected item: the selection goes, with its handles.
        EXPECT_EQ(comp.Queue().Selected, nullptr);
        EXPECT_FALSE(comp.Queue().HandlesShown);
      } else {
        EXPECT_EQ(comp.Queue().Selected, selected);
        EXPECT_EQ(comp.Queue().topItem(), top);
        EXPECT_EQ(comp.Queue().HandlesShown, selection == Selection::Shown);
      }
      EXPECT_TRUE(comp.Modified());
      expectConsistent(comp);
      // What follows works from the rebuilt underlay.
      if (comp.Queue().Selected) {
        comp.moveSelectedTo({5, 50, 95, 115});
        expectConsistent(comp);
      }
    }
  }
  EXPECT_EQ(comp.insertItem(nullptr, 0), nullptr);
}

// The edits of the selection and what undo uses cost the areas they touch:
// none composes the whole canvas again or has the view lay it out anew.
TEST_F(CompositionTest, EditsNeverRecomposeOrReplaceTheWholeCanvas) {
  comp.addItem(textItem({10, 10, 90, 60}, 60));
  comp.addItem(textItem({40, 30, 140, 100}, 61, 60));
  comp.addItem(textItem({60, 0, 150, 50}, 62));
  TTextItem* bottom = comp.Queue().bottomItem();
  const uint64_t compositions = comp.wholeCompositions();
  const int layouts = listener.layouts;

  comp.SelectItem(bottom);
  comp.moveSelectedTo({30, 40, 110, 90});
  comp.setSelectedOpacity(30);
  comp.HideHandles();
  comp.SelectItem(comp.Queue().bottomItem());
  std::unique_ptr<TTextItem> taken = comp.deleteSelected();
  comp.SelectItem(comp.insertItem(std::move(taken), 0));
  (void)comp.insertItem(textItem({0, 20, 70, 70}, 63, 80), 1);
  comp.SelectItem(comp.insertItem(textItem({20, 60, 100, 110}, 64), comp.Queue().count()));
  expectConsistent(comp);
  EXPECT_EQ(comp.wholeCompositions(), compositions);
  EXPECT_EQ(listener.layouts, layouts);
}

TEST_F(CompositionTest, DeleteThenPutBackRestoresThePicture) {
  comp.addItem(textItem({10, 10, 90, 60}, 54));
  comp.addItem(textItem({40, 30, 140, 100}, 55, 45));
  const Bitmap before = comp.CanvasBitmap();
  TTextItem* item = comp.Queue().Selected;
  std::unique_ptr<TTextItem> gone = comp.deleteSelected();
  listener.changed.clear();
  comp.insertItem(std::move(gone), 1);
  // On top, only its own area is repainted.
  EXPECT_EQ(listener.changed, onScreen(comp, {{40, 30, 140, 100}}));
  comp.SelectItem(item);
  EXPECT_EQ(comp.CanvasBitmap(), before);
  expectConsistent(comp);
}

TEST_F(CompositionTest, ExchangingTheBackdropHandsBackTheOldOne) {
  comp.addItem(textItem({10, 10, 90, 60}, 56));
  comp.addItem(textItem({40, 30, 140, 100}, 57, 70));
  const Bitmap first = comp.BackdropBitmap();
  const Bitmap second = noise(160, 120, 58);
  comp.setModified(false);
  EXPECT_EQ(comp.exchangeBackdrop(second), first);
  EXPECT_EQ(comp.BackdropBitmap(), second);
  EXPECT_EQ(comp.Queue().Selected, nullptr);
  EXPECT_EQ(comp.Queue().count(), 2u);
  EXPECT_TRUE(comp.Modified());
  expectConsistent(comp);
  EXPECT_EQ(comp.exchangeBackdrop(first), second);
  expectConsistent(comp);
}

}  // namespace
}  // namespace glyphon
