#include "engine/core/EditSteps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/core/Compositor.h"
#include "engine/core/UndoHistory.h"
#include "tests/engine/core/ItemTestSupport.h"

namespace glyphon {
namespace {

using testing::noise;
using testing::textItem;

// One item as undo must bring it back: the same object under the same Id,
// with the same place, opacity and rendering.
struct ItemState {
  const TTextItem* item;
  uint64_t id;
  Rect rect;
  int32_t opacity;
  const Bitmap* rendering;
  friend bool operator==(const ItemState&, const ItemState&) = default;
};

struct Snapshot {
  std::vector<ItemState> items;  // bottom to top
  const TTextItem* selected;
  Bitmap backdrop;
};

class EditStepsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    comp.setListener(&mirror);
    comp.setBackdrop(noise(160, 120, 1));
  }

  TTextItem* add(Rect r, unsigned seed, int32_t opacity = 100) {
    comp.addItem(textItem(r, seed, opacity));
    return comp.Queue().Selected;
  }

  Snapshot snapshot() const {
    Snapshot s{{}, comp.Queue().Selected, comp.BackdropBitmap()};
    for (const auto& item : comp.Queue().items())
      s.items.push_back({item.get(), item->Id, item->Rect, item->Opacity, item->Bitmap.get()});
    return s;
  }

  // The composition holds exactly expected's items and backdrop, with
  // selected selected on top, and shows a full recomposition of them.
  void expectState(const Snapshot& expected, const TTextItem* selected) const {
    const Snapshot now = snapshot();
    EXPECT_TRUE(now.items == expected.items) << "the item list differs";
    EXPECT_EQ(now.selected, selected);
    EXPECT_TRUE(now.backdrop == expected.backdrop) << "the backdrop differs";
    const TQueueData& q = comp.Queue();
    Bitmap canvas = comp.BackdropBitmap();
    q.DrawAll(canvas);
    EXPECT_TRUE(comp.CanvasBitmap() == canvas) << "the canvas differs from a recomposition";
    if (q.Selected) {
      EXPECT_EQ(q.topItem(), q.Selected);
      Bitmap underlay = comp.BackdropBitmap();
      for (const auto& item : q.items())
        if (item.get() != q.Selected) DrawItem(*item, underlay);
      EXPECT_TRUE(comp.UnderlayBitmap() == underlay) << "the underlay differs";
    }
    EXPECT_TRUE(mirror.shown == comp.CanvasBitmap()) << "the view was not told of a change";
  }

  // Pushes step, which must be recorded under name, then undoes and redoes
  // it twice, checking the state each time. undone: what is selected after
  // the undo (null: nothing). Returns the state after the step.
  Snapshot undoAndRedo(std::unique_ptr<UndoStep> step, const std::string& name,
                       const TTextItem* undone) {
    const Snapshot before = snapshot();
    const size_t steps = history.count();
    EXPECT_TRUE(history.push(std::move(step)));
    EXPECT_EQ(history.count(), steps + 1);
    EXPECT_EQ(history.undoName(), name);
    const Snapshot after = snapshot();
    for (int round = 0; round < 2; ++round) {
      SCOPED_TRACE(name + " round " + std::to_string(round));
      EXPECT_TRUE(history.undo());
      expectState(before, undone);
      EXPECT_TRUE(history.redo());
      expectState(after, after.selected);
    }
    return after;
  }

  Composition comp;
  testing::CanvasMirror mirror{comp};
  UndoHistory history;
};

TEST_F(EditStepsTest, AddPutsTheItemOnTopAndUndoTakesTheSameItemOut) {
  TTextItem* below = add({10, 10, 60, 40}, 2);
  auto item = textItem({20, 20, 80, 60}, 3);
  const TTextItem* added = item.get();
  const Snapshot after =
      undoAndRedo(std::make_unique<AddTextStep>(comp, std::move(item)), "Add Text", nullptr);
  EXPECT_EQ(after.selected, added);
  EXPECT_NE(added->Id, 0u);
  EXPECT_NE(added->Id, below->Id);
  // Undone, the step holds the item; with the rendering its alone.
  history.undo();
  EXPECT_EQ(history.bytes(), bitmapBytes(*added->Bitmap));
  EXPECT_EQ(comp.Queue().find(added->Id), nullptr);

  // Nothing to add is no step.
  EXPECT_FALSE(history.push(std::make_unique<AddTextStep>(comp, nullptr)));
}

TEST_F(EditStepsTest, PasteAddsACopyWithAnIdOfItsOwn) {
  TTextItem* source = add({10, 10, 60, 40}, 4);
  const Snapshot before = snapshot();
  EXPECT_FALSE(history.push(std::make_unique<PasteTextStep>(comp))) << "no clipboard item";
  expectState(before, source);

  comp.copySelected();
  const Snapshot after = undoAndRedo(std::make_unique<PasteTextStep>(comp), "Paste Text", nullptr);
  const TTextItem* pasted = after.selected;
  ASSERT_NE(pasted, nullptr);
  EXPECT_NE(pasted->Id, source->Id);
  EXPECT_EQ(pasted->Rect, (Rect{40, 40, 90, 70}));
  EXPECT_EQ(pasted->Bitmap, source->Bitmap);
  // The rendering is the clipboard's too: the undone paste costs nothing.
  history.undo();
  EXPECT_EQ(history.bytes(), 0u);
}

TEST_F(EditStepsTest, DeleteAndCutPutTheItemBackWhereItStood) {
  TTextItem* low = add({10, 10, 60, 40}, 5);
  TTextItem* high = add({30, 20, 90, 70}, 6);
  const uint64_t lowId = low->Id;
  EXPECT_EQ(comp.Queue().indexOf(high), 1);
  undoAndRedo(std::make_unique<DeleteTextStep>(comp, DeleteTextStep::Kind::Delete), "Delete Text",
              high);
  EXPECT_EQ(comp.Queue().count(), 1u);

  // Cut copies when done and again when redone, whatever was copied since.
  comp.SelectItem(low);
  undoAndRedo(std::make_unique<DeleteTextStep>(comp, DeleteTextStep::Kind::Cut), "Cut Text", low);
  ASSERT_NE(comp.ClipItem(), nullptr);
  EXPECT_EQ(comp.ClipItem()->Rect, low->Rect);
  history.undo();
  EXPECT_EQ(comp.Queue().find(lowId), low);
  EXPECT_EQ(comp.Queue().Selected, low);
  comp.setClipItem(*textItem({0, 0, 5, 5}, 7));
  history.redo();
  EXPECT_EQ(comp.ClipItem()->Rect, low->Rect);
  EXPECT_EQ(comp.Queue().find(lowId), nullptr);

  // Without a selection there is nothing to delete.
  ASSERT_EQ(comp.Queue().Selected, nullptr);
  EXPECT_FALSE(history.push(std::make_unique<DeleteTextStep>(comp, DeleteTextStep::Kind::Delete)));
}

TEST_F(EditStepsTest, ModifySwapsTheItemsAndKeepsBothIds) {
  add({10, 10, 60, 40}, 8);
  TTextItem* old = add({30, 20, 90, 70}, 9, 40);
  auto replacement = textItem({30, 20, 130, 90}, 10);
  const TTextItem* fresh = replacement.get();
  const Snapshot after = undoAndRedo(std::make_unique<ModifyTextStep>(comp, std::move(replacement)),
                                     "Modify Text", old);
  EXPECT_EQ(after.selected, fresh);
  EXPECT_NE(fresh->Id, 0u);
  EXPECT_NE(fresh->Id, old->Id);
  EXPECT_EQ(comp.Queue().find(old->Id), nullptr);
  // Done, the step holds the old item; undone, the new one.
  EXPECT_EQ(history.bytes(), bitmapBytes(*old->Bitmap));
  history.undo();
  EXPECT_EQ(comp.Queue().find(old->Id), old);
  EXPECT_EQ(comp.Queue().find(fresh->Id), nullptr);

  // Nothing selected: nothing to modify.
  Composition bare;
  UndoHistory bareHistory;
  EXPECT_FALSE(
      bareHistory.push(std::make_unique<ModifyTextStep>(bare, textItem({0, 0, 9, 9}, 11))));
  EXPECT_EQ(bare.Queue().count(), 0u);
}

TEST_F(EditStepsTest, MoveAndResizeFindTheirItemByIdAndSelectIt) {
  TTextItem* moved = add({10, 10, 60, 40}, 12);
  TTextItem* other = add({70, 50, 120, 90}, 13);
  // Another item was selected since the press: undo selects the moved one.
  struct Case {
    Rect to;
    const char* name;
  };
  for (const Case& c :
       {Case{{20, 30, 70, 60}, "Move Text"}, Case{{20, 30, 90, 80}, "Resize Text"}}) {
    SCOPED_TRACE(c.name);
    comp.SelectItem(moved);
    const Rect from = moved->Rect;
    auto step = std::make_unique<MoveTextStep>(comp, moved->Id, from, c.to);
    comp.SelectItem(other);
    EXPECT_TRUE(history.push(std::move(step)));
    EXPECT_EQ(history.undoName(), c.name);
    EXPECT_EQ(moved->Rect, c.to);
    EXPECT_EQ(comp.Queue().Selected, moved);
    const Snapshot after = snapshot();
    comp.SelectItem(other);
    history.undo();
    EXPECT_EQ(moved->Rect, from);
    EXPECT_EQ(comp.Queue().Selected, moved);
    expectState(snapshot(), moved);
    history.redo();
    expectState(after, moved);
  }

  // A move that goes nowhere, or of an item not in the picture, is no step
  // and leaves the selection alone.
  comp.SelectItem(other);
  const Snapshot before = snapshot();
  EXPECT_FALSE(
      history.push(std::make_unique<MoveTextStep>(comp, moved->Id, moved->Rect, moved->Rect)));
  const uint64_t unknown = moved->Id + other->Id + 100;
  EXPECT_FALSE(history.push(
      std::make_unique<MoveTextStep>(comp, unknown, Rect{0, 0, 5, 5}, Rect{5, 5, 10, 10})));
  expectState(before, other);
  EXPECT_EQ(history.count(), 2u);
}

TEST_F(EditStepsTest, AResizeWithAFreshRenderingIsOneStepThatSwapsTheRenderings) {
  TTextItem* resized = add({10, 10, 36, 24}, 21);
  add({30, 20, 90, 70}, 22);
  comp.SelectItem(resized);  // as the press did
  std::shared_ptr<const Bitmap> old = resized->Bitmap;
  auto fresh = std::make_shared<const Bitmap>(noise(78, 42, 23));
  const Rect from = resized->Rect;
  const Snapshot after = undoAndRedo(
      std::make_unique<MoveTextStep>(comp, resized->Id, from, Rect{4, 6, 82, 48}, fresh),
      "Resize Text", resized);
  ASSERT_EQ(after.items.back().item, resized);
  EXPECT_EQ(after.items.back().rendering, fresh.get());
  EXPECT_EQ(after.items.back().rect, (Rect{4, 6, 82, 48}));
  EXPECT_EQ(after.items.back().id, resized->Id);

  // While done, the step holds the old rendering: it costs the history its
  // bytes once nothing else shares it.
  EXPECT_EQ(history.bytes(), 0u);
  const size_t oldBytes = bitmapBytes(*old);
  old.reset();
  fresh.reset();
  EXPECT_EQ(history.bytes(), oldBytes);
  // Undone, the step holds the fresh one instead.
  history.undo();
  EXPECT_EQ(resized->Rect, from);
  EXPECT_EQ(history.bytes(), bitmapBytes(Bitmap(78, 42)));
}

TEST_F(EditStepsTest, MovesOfOneBurstAndItemAreOneStep) {
  TTextItem* a = add({10, 10, 60, 40}, 30);
  TTextItem* b = add({80, 50, 120, 90}, 31);
  const Snapshot start = snapshot();
  // Gesture 0 never folds: a drag is a step of its own.
  ASSERT_TRUE(
      history.push(std::make_unique<MoveTextStep>(comp, b->Id, b->Rect, Rect{81, 50, 121, 90})));
  ASSERT_TRUE(
      history.push(std::make_unique<MoveTextStep>(comp, b->Id, b->Rect, Rect{82, 50, 122, 90})));
  EXPECT_EQ(history.count(), 2u);
  // A burst: three presses, one step.
  for (const int dx : {1, 1, 10})
    ASSERT_TRUE(history.push(
        std::make_unique<MoveTextStep>(comp, b->Id, b->Rect, b->Rect.translated(dx, 0),
                                       nullptr, 7)));
  EXPECT_EQ(history.count(), 3u);
  EXPECT_EQ(b->Rect, (Rect{94, 50, 134, 90}));
  // Another item, or another burst, starts a step of its own.
  ASSERT_TRUE(history.push(
      std::make_unique<MoveTextStep>(comp, a->Id, a->Rect, a->Rect.translated(0, 1), nullptr, 7)));
  ASSERT_TRUE(history.push(
      std::make_unique<MoveTextStep>(comp, a->Id, a->Rect, a->Rect.translated(0, 1), nullptr, 8)));
  EXPECT_EQ(history.count(), 5u);
  // A burst that comes back where it began leaves no step.
  ASSERT_TRUE(history.push(
      std::make_unique<MoveTextStep>(comp, a->Id, a->Rect, a->Rect.translated(0, -1), nullptr, 8)));
  EXPECT_EQ(history.count(), 4u);
  while (history.undo()) {
  }
  EXPECT_EQ(b->Rect, (Rect{80, 50, 120, 90}));
  EXPECT_EQ(a->Rect, (Rect{10, 10, 60, 40}));
  expectState(start, comp.Queue().Selected);
}

TEST_F(EditStepsTest, FadesOfOneGestureAndItemAreOneStep) {
  TTextItem* faded = add({10, 10, 60, 40}, 14);
  TTextItem* other = add({30, 20, 90, 70}, 15);
  comp.SelectItem(faded);
  const Snapshot start = snapshot();
  const auto fade = [&](const TTextItem* item, int32_t to, int gesture) {
    return history.push(std::make_unique<FadeTextStep>(comp, item->Id, item->Opacity, to, gesture));
  };
  EXPECT_TRUE(fade(faded, 90, 1));
  EXPECT_TRUE(fade(faded, 70, 1));
  EXPECT_TRUE(fade(faded, 55, 1));
  EXPECT_EQ(history.count(), 1u);
  EXPECT_EQ(history.undoName(), "Fade Text");
  EXPECT_EQ(faded->Opacity, 55);
  // Another gesture, or another item in the same gesture, is a new step.
  EXPECT_TRUE(fade(faded, 50, 2));
  comp.SelectItem(other);
  EXPECT_TRUE(fade(other, 20, 2));
  EXPECT_EQ(history.count(), 3u);

  history.undo();
  EXPECT_EQ(other->Opacity, 100);
  history.undo();
  EXPECT_EQ(faded->Opacity, 55);
  history.undo();
  EXPECT_EQ(faded->Opacity, 100);
  expectState(start, faded);
  history.redo();
  EXPECT_EQ(faded->Opacity, 55);
  expectState(snapshot(), faded);

  // A gesture back to where it began leaves no step; no change is none.
  EXPECT_TRUE(fade(faded, 30, 3));
  EXPECT_TRUE(fade(faded, 55, 3));
  EXPECT_EQ(history.count(), 1u);
  EXPECT_FALSE(history.canRedo());
  EXPECT_FALSE(fade(faded, 55, 4));
  EXPECT_EQ(history.count(), 1u);
}

TEST_F(EditStepsTest, ImportBackdropSwapsBackdropsAndStatusTexts) {
  TTextItem* item = add({10, 10, 60, 40}, 16, 60);
  std::vector<std::string> shown;
  const Bitmap old = comp.BackdropBitmap();
  undoAndRedo(std::make_unique<ImportBackdropStep>(
                  comp, noise(160, 120, 17), "Source picture size: 3 x 2", "before",
                  [&shown](const std::string& text) { shown.push_back(text); }),
              "Import Backdrop", nullptr);
  EXPECT_EQ(shown, (std::vector<std::string>{"Source picture size: 3 x 2", "before",
                                             "Source picture size: 3 x 2", "before",
                                             "Source picture size: 3 x 2"}));
  EXPECT_EQ(comp.Queue().topItem(), item);
  // The step keeps the backdrop not shown.
  EXPECT_EQ(history.bytes(), bitmapBytes(old));
  history.undo();
  EXPECT_TRUE(comp.BackdropBitmap() == old);
  // Without a status writer only the backdrop changes.
  EXPECT_TRUE(history.push(
      std::make_unique<ImportBackdropStep>(comp, noise(160, 120, 18), "a", "b", nullptr)));
  EXPECT_EQ(shown.size(), 6u);
}

// The items of a snapshot ordered by Id: selections, which are no steps,
// change the stacking order, and undo leaves it so.
std::vector<ItemState> byId(std::vector<ItemState> items) {
  std::sort(items.begin(), items.end(),
            [](const ItemState& a, const ItemState& b) { return a.id < b.id; });
  return items;
}

TEST_F(EditStepsTest, AChainOfStepsGoesBackToTheVerySameItems) {
  TTextItem* a = add({10, 10, 60, 40}, 19);
  add({40, 30, 100, 80}, 20);
  const Snapshot start = snapshot();

  ASSERT_TRUE(history.push(std::make_unique<AddTextStep>(comp, textItem({5, 50, 50, 90}, 21))));
  comp.SelectItem(a);
  ASSERT_TRUE(
      history.push(std::make_unique<MoveTextStep>(comp, a->Id, a->Rect, Rect{20, 60, 70, 90})));
  ASSERT_TRUE(history.push(std::make_unique<FadeTextStep>(comp, a->Id, 100, 35, 1)));
  ASSERT_TRUE(
      history.push(std::make_unique<ModifyTextStep>(comp, textItem({20, 60, 90, 110}, 22))));
  comp.copySelected();
  ASSERT_TRUE(history.push(std::make_unique<DeleteTextStep>(comp, DeleteTextStep::Kind::Cut)));
  ASSERT_TRUE(history.push(std::make_unique<PasteTextStep>(comp)));
  comp.SelectItem(comp.Queue().bottomItem());
  ASSERT_TRUE(history.push(std::make_unique<DeleteTextStep>(comp, DeleteTextStep::Kind::Delete)));
  const Snapshot end = snapshot();
  EXPECT_EQ(history.count(), 7u);

  while (history.canUndo()) history.undo();
  // The items are the very objects of the start, under the same Ids; the
  // Add, undone last, leaves nothing selected.
  Snapshot now = snapshot();
  EXPECT_TRUE(byId(now.items) == byId(start.items));
  expectState(now, nullptr);
  while (history.canRedo()) history.redo();
  now = snapshot();
  EXPECT_TRUE(byId(now.items) == byId(end.items));
  expectState(now, nullptr);
}

// A long random session of what the window does (presses, drags, resizes
// with fresh renderings, nudges, slider gestures, Add, Paste, Cut, Delete,
// Modify, Escape, Undo and Redo) over overlapping, faded, tiny and
// overhanging items. The canvas is kept by rectangles and the underlay by
// the selected item's area only; after every step both must equal a
// composition from scratch, and the view must have been told every change.
TEST_F(EditStepsTest, RandomEditSessionsEqualAFullRecomposition) {
  std::mt19937 rng(2024);
  const auto randomRect = [&rng] {
    const int32_t x = int32_t(rng() % 220) - 40, y = int32_t(rng() % 160) - 30;
    const int32_t w = int32_t(rng() % 80) + (rng() % 6 == 0 ? 1 : 6);
    const int32_t h = int32_t(rng() % 60) + (rng() % 6 == 0 ? 1 : 4);
    return Rect{x, y, x + w, y + h};
  };
  unsigned seed = 100;
  for (int i = 0; i < 8; ++i) add(randomRect(), ++seed, int32_t(rng() % 101));
  int gesture = 1;
  for (int step = 0; step < 250; ++step) {
    const TQueueData& q = comp.Queue();
    const TTextItem* selected = q.Selected;
    const unsigned kind = rng() % 13;
    SCOPED_TRACE(::testing::Message() << "step " << step << " kind " << kind);
    switch (kind) {
      case 0:
      case 1:
        if (q.count() > 0) comp.SelectItem(q.items()[rng() % q.count()].get());
        break;
      case 2:
        if (selected)
          history.push(
              std::make_unique<MoveTextStep>(comp, selected->Id, selected->Rect, randomRect()));
        break;
      case 3:
        if (selected)
          history.push(
              std::make_unique<MoveTextStep>(comp, selected->Id, selected->Rect, randomRect(),
                                             std::make_shared<const Bitmap>(noise(17, 9, ++seed))));
        break;
      case 4:
        if (selected)
          history.push(std::make_unique<MoveTextStep>(
              comp, selected->Id, selected->Rect,
              selected->Rect.translated(int32_t(rng() % 3) - 1, int32_t(rng() % 3) - 1), nullptr,
              gesture));
        break;
      case 5:
        if (selected)
          history.push(std::make_unique<FadeTextStep>(comp, selected->Id, selected->Opacity,
                                                      int32_t(rng() % 101), gesture));
        break;
      case 6:
        history.push(std::make_unique<AddTextStep>(
            comp, textItem(randomRect(), ++seed, int32_t(rng() % 101))));
        break;
      case 7:
        if (selected) comp.copySelected();
        history.push(std::make_unique<PasteTextStep>(comp));
        break;
      case 8:
        history.push(std::make_unique<DeleteTextStep>(
            comp, rng() % 2 ? DeleteTextStep::Kind::Cut : DeleteTextStep::Kind::Delete));
        break;
      case 9:
        history.push(std::make_unique<ModifyTextStep>(
            comp, textItem(randomRect(), ++seed, int32_t(rng() % 101))));
        break;
      case 10:
        comp.HideHandles();
        ++gesture;
        break;
      case 11:
        if (history.canUndo()) history.undo();
        break;
      default:
        if (history.canRedo()) history.redo();
        break;
    }
    Bitmap canvas = comp.BackdropBitmap();
    q.DrawAll(canvas);
    ASSERT_TRUE(comp.CanvasBitmap() == canvas) << "the canvas differs from a recomposition";
    ASSERT_TRUE(mirror.shown == comp.CanvasBitmap()) << "the view was not told of a change";
    if (q.Selected) {
      ASSERT_EQ(q.topItem(), q.Selected);
      Bitmap underlay = comp.BackdropBitmap();
      for (const auto& item : q.items())
        if (item.get() != q.Selected) DrawItem(*item, underlay);
      ASSERT_TRUE(comp.UnderlayBitmap() == underlay) << "the underlay differs";
    } else {
      ASSERT_TRUE(comp.UnderlayBitmap().isEmpty());
    }
  }
  // The session reached every kind of state it means to test.
  EXPECT_GT(history.count(), 10u);
}

}  // namespace
}  // namespace glyphon
