// Undo and redo of every step through the real main window: the restored
// picture, item list and selection, the Edit menu's entries, gestures
// folded into one step, and the history's bounds.
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/StepMemory.h"
#include "engine/core/UndoHistory.h"
#include "tests/windows/mainform/EditWindowSupport.h"

namespace glyphon {
namespace {

// One item of the picture as undo must bring it back: the same object with
// the same fields and rendering.
struct ItemState {
  const TTextItem* item;
  Rect rect;
  int32_t opacity;
  const Bitmap* rendering;
  std::string text;
  friend bool operator==(const ItemState&, const ItemState&) = default;
};

struct Snapshot {
  std::vector<ItemState> items;  // bottom to top
  const TTextItem* selected = nullptr;
  bool handlesShown = false;
  Bitmap backdrop;
  Bitmap canvas;
  QString sourceText;
};

class UndoTest : public testing::EditWindowTest {
 protected:
  const UndoHistory& history() const { return window->history(); }

  Snapshot snapshot() const {
    Snapshot s;
    for (const auto& item : queue().items())
      s.items.push_back({item.get(), item->Rect, item->Opacity, item->Bitmap.get(), item->Text});
    s.selected = queue().Selected;
    s.handlesShown = queue().HandlesShown;
    s.backdrop = composition().BackdropBitmap();
    s.canvas = composition().CanvasBitmap();
    s.sourceText = window->statusText(0);
    return s;
  }

  // The window shows exactly the items and backdrop of expected, with
  // selected selected, and everything equals a full recomposition.
  void expectRestored(const Snapshot& expected, const TTextItem* selected) const {
    const Snapshot now = snapshot();
    EXPECT_TRUE(now.items == expected.items) << "the item list differs";
    EXPECT_EQ(now.selected, selected);
    if (selected) {
      EXPECT_EQ(queue().topItem(), selected);
    }
    EXPECT_TRUE(now.backdrop == expected.backdrop) << "the backdrop differs";
    EXPECT_EQ(now.sourceText, expected.sourceText);
    // With the same selection and handles, the very same pixels.
    if (now.selected == expected.selected && now.handlesShown == expected.handlesShown) {
      EXPECT_TRUE(now.canvas == expected.canvas) << "the canvas differs";
    }
    if (selected) {
      Bitmap underlay = composition().BackdropBitmap();
      for (const auto& item : queue().items())
        if (item.get() != selected) DrawItem(*item, underlay);
      EXPECT_TRUE(composition().UnderlayBitmap() == underlay) << "the underlay differs";
    }
    expectShowsRecomposition();
  }

  void undo() {
    action("MenuUndo")->trigger();
    QApplication::processEvents();
  }
  void redo() {
    action("MenuRedo")->trigger();
    QApplication::processEvents();
  }

  // Runs step, which must make one step named caption, then undoes and
  // redoes it twice. undoneSelection: what is selected after the undo.
  // Returns the state after the step.
  Snapshot undoAndRedo(const QString& caption, const std::function<void()>& step,
                       const std::function<const TTextItem*()>& undoneSelection) {
    const size_t steps = history().count();
    const Snapshot before = snapshot();
    step();
    QApplication::processEvents();
    EXPECT_EQ(history().count(), steps + 1) << caption.toStdString();
    EXPECT_EQ(action("MenuUndo")->text(), QStringLiteral("&Undo ") + caption);
    EXPECT_TRUE(action("MenuUndo")->isEnabled());
    EXPECT_FALSE(action("MenuRedo")->isEnabled());
    const Snapshot after = snapshot();
    for (int round = 0; round < 2; ++round) {
      SCOPED_TRACE(caption.toStdString() + " round " + std::to_string(round));
      undo();
      expectRestored(before, undoneSelection());
      EXPECT_EQ(action("MenuRedo")->text(), QStringLiteral("&Redo ") + caption);
      EXPECT_TRUE(action("MenuRedo")->isEnabled());
      redo();
      expectRestored(after, after.selected);
      EXPECT_FALSE(action("MenuRedo")->isEnabled());
    }
    return after;
  }

  // Selects the item at a point of it by a click, as the user would before
  // dragging it.
  void click(int32_t x, int32_t y) {
    moveTo(x, y);
    press(x, y);
    release(x, y);
  }

  // A fade gesture: the slider pressed, moved through positions and let go.
  void slide(std::initializer_list<int> positions) {
    QSlider* slider = testing::namedChild<QSlider>(*window, "TrackBarTrans");
    slider->setSliderDown(true);
    for (const int position : positions) slider->setValue(position);
    slider->setSliderDown(false);
    QApplication::processEvents();
  }

  void add(const QString& text) {
    typeIntoMemo(text);
    button("ButtonAdd")->click();
  }
};

TEST_F(UndoTest, EveryStepIsUndoneAndRedoneExactly) {
  addItem({90, 60, 260, 170}, 2, 70);
  TTextItem* low = addItem({20, 30, 180, 120}, 1);
  const Snapshot start = snapshot();
  const auto none = []() -> const TTextItem* { return nullptr; };
  const auto lowItem = [low]() -> const TTextItem* { return low; };

  // Move the selected item by dragging its body, then resize it by its
  // bottom-right corner, the height following the width.
  undoAndRedo(
      "Move Text", [this] { drag(100, 75, 140, 95); }, lowItem);
  EXPECT_EQ(low->Rect, (Rect{60, 50, 220, 140}));
  undoAndRedo(
      "Resize Text", [this] { drag(218, 138, 258, 158); }, lowItem);
  EXPECT_EQ(low->Rect, (Rect{60, 50, 260, 162}));

  // Fade it with one gesture of the slider.
  button("ButtonTrans")->click();
  undoAndRedo(
      "Fade Text",
      [this] {
        slide({10, 25, 40});
      },
      lowItem);
  EXPECT_EQ(low->Opacity, 60);

  // Modify it: the replacement is opaque and on top.
  fontSizes()->setCurrentIndex(9);
  undoAndRedo(
      "Modify Text", [this] { button("ButtonModify")->click(); }, lowItem);
  TTextItem* modified = selected();
  ASSERT_NE(modified, low);

  // Copy and paste it, delete the copy and cut the first.
  action("MenuCopy")->trigger();
  EXPECT_EQ(history().count(), 4u) << "Copy is no step";
  undoAndRedo(
      "Paste Text", [this] { action("MenuPaste")->trigger(); }, none);
  TTextItem* pasted = selected();
  undoAndRedo(
      "Delete Text", [this] { action("MenuDelete")->trigger(); }, [pasted] { return pasted; });
  click(modified->Rect.Left, modified->Rect.Top);
  ASSERT_EQ(selected(), modified);
  undoAndRedo(
      "Cut Text", [this] { action("MenuCut")->trigger(); }, [modified] { return modified; });

  // Add, and a new backdrop with the source size shown before it.
  undoAndRedo(
      "Add Text", [this] { add(QStringLiteral("Hello")); }, none);
  const QString picture = folder.filePath(QStringLiteral("other.bmp"));
  testing::writeBmp(picture, testing::flatPicture(200, 100, rgb(200, 10, 90)));
  testing::ScriptedFileDialogs dialogs;
  dialogs.answers = {picture};
  const Snapshot end = undoAndRedo(
      "Import Backdrop", [this] { window->ButtonBackdropClick(); }, none);
  EXPECT_EQ(window->statusText(0), "Source picture size: 200 x 100");
  EXPECT_EQ(history().count(), 9u);

  // All the way back to the start, and forward again.
  while (history().canUndo()) undo();
  expectRestored(start, low);
  while (history().canRedo()) redo();
  expectRestored(end, nullptr);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(UndoTest, SelectionsAreNoStepsAndStayWhenStepsAreUndone) {
  TTextItem* low = addItem({20, 30, 180, 120}, 1);
  TTextItem* high = addItem({90, 60, 260, 170}, 2);
  add(QStringLiteral("Hello"));
  // A press on the lower item brings it up; undoing the Add leaves it there.
  click(30, 40);
  ASSERT_EQ(selected(), low);
  undo();
  EXPECT_EQ(queue().count(), 2u);
  EXPECT_EQ(queue().bottomItem(), high);
  EXPECT_EQ(queue().topItem(), low);
  EXPECT_EQ(selected(), nullptr);
  expectShowsRecomposition();
}

TEST_F(UndoTest, ADragOfTenMovementsIsOneStep) {
  TTextItem* item = addItem({40, 40, 140, 100}, 3);
  const Rect before = item->Rect;
  drag(90, 70, 190, 170, 10);
  EXPECT_EQ(item->Rect, (Rect{140, 140, 240, 200}));
  EXPECT_EQ(history().count(), 1u);
  EXPECT_EQ(action("MenuUndo")->text(), "&Undo Move Text");
  undo();
  EXPECT_EQ(item->Rect, before);
  EXPECT_FALSE(history().canUndo());
  expectShowsRecomposition();

  // A drag that ends where it began is no step at all.
  drag(90, 70, 90, 70, 10);
  EXPECT_EQ(history().count(), 1u);
  EXPECT_TRUE(history().canRedo());
}

TEST_F(UndoTest, ASliderGestureIsOneStepAndAKeyIsOneOfItsOwn) {
  TTextItem* item = addItem({40, 40, 140, 100}, 4);
  button("ButtonTrans")->click();
  QSlider* slider = testing::namedChild<QSlider>(*window, "TrackBarTrans");

  slide({5, 17, 33, 60, 41});
  EXPECT_EQ(item->Opacity, 59);
  EXPECT_EQ(history().count(), 1u);
  // A second gesture is a second step.
  slide({50});
  EXPECT_EQ(history().count(), 2u);
  // A gesture that ends where it began leaves no step.
  slide({70, 20, 50});
  EXPECT_EQ(history().count(), 2u);
  EXPECT_EQ(item->Opacity, 50);

  // Keys move the slider one step each.
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_Down);
  QTest::keyClick(slider, Qt::Key_Down);
  EXPECT_EQ(item->Opacity, 48);
  EXPECT_EQ(history().count(), 4u);

  undo();
  undo();
  undo();
  EXPECT_EQ(item->Opacity, 59);
  // The open slider follows the item.
  EXPECT_EQ(slider->value(), 41);
  EXPECT_EQ(testing::namedChild<QLineEdit>(*window, "EditTrans")->text(), "41");
  undo();
  EXPECT_EQ(item->Opacity, 100);
  EXPECT_EQ(slider->value(), 0);
  EXPECT_FALSE(history().canUndo());
  expectShowsRecomposition();
  redo();
  EXPECT_EQ(item->Opacity, 59);
  EXPECT_EQ(slider->value(), 41);
  // Following the item made no step.
  EXPECT_EQ(history().count(), 4u);
  EXPECT_TRUE(history().canRedo());
}

TEST_F(UndoTest, AnUndoSelectsTheItemTheStepActedOnOrNothing) {
  TTextItem* first = addItem({20, 20, 120, 80}, 5);
  TTextItem* second = addItem({60, 50, 200, 140}, 6);
  // Move the second, then select the first, which goes on top.
  drag(130, 95, 150, 115);
  click(30, 30);
  ASSERT_EQ(queue().topItem(), first);
  undo();
  EXPECT_EQ(selected(), second);
  EXPECT_EQ(queue().topItem(), second);
  EXPECT_EQ(second->Rect, (Rect{60, 50, 200, 140}));
  expectShowsRecomposition();

  // An added item that is undone leaves nothing selected, even when
  // another item was selected since.
  window->clearHistory();
  add(QStringLiteral("gone"));
  click(30, 30);
  ASSERT_EQ(selected(), first);
  undo();
  EXPECT_EQ(selected(), nullptr);
  EXPECT_EQ(queue().count(), 2u);
  expectShowsRecomposition();
}

TEST_F(UndoTest, TheMenuNamesTheStepAndOffersOnlyWhatCanBeDone) {
  EXPECT_EQ(action("MenuUndo")->text(), "&Undo");
  EXPECT_EQ(action("MenuRedo")->text(), "&Redo");
  EXPECT_FALSE(action("MenuUndo")->isEnabled());
  EXPECT_FALSE(action("MenuRedo")->isEnabled());
  EXPECT_EQ(action("MenuUndo")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
  EXPECT_EQ(action("MenuRedo")->shortcuts(),
            (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Y),
                                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}));
  // Undo and Redo stand above the entries the Edit menu had.
  const QList<QAction*> entries = testing::namedChild<QMenu>(*window, "MenuEdit")->actions();
  ASSERT_GE(entries.size(), 4);
  EXPECT_EQ(entries[0], action("MenuUndo"));
  EXPECT_EQ(entries[1], action("MenuRedo"));
  EXPECT_TRUE(entries[2]->isSeparator());
  EXPECT_EQ(entries[3], action("MenuAddText"));

  add(QStringLiteral("keys"));
  EXPECT_EQ(action("MenuUndo")->text(), "&Undo Add Text");
  // The keys reach the commands through the window.
  scrollBox()->setFocus();
  QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(queue().count(), 0u);
  EXPECT_EQ(action("MenuUndo")->text(), "&Undo");
  EXPECT_EQ(action("MenuRedo")->text(), "&Redo Add Text");
  QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(queue().count(), 1u);
  QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
  QTest::keyClick(window.get(), Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(queue().count(), 1u);
  EXPECT_FALSE(action("MenuRedo")->isEnabled());
}

TEST_F(UndoTest, UndoAndRedoMarkThePictureModified) {
  addItem({20, 20, 120, 80}, 7);
  action("MenuDelete")->trigger();
  window->composition().setModified(false);  // as a save would
  ASSERT_EQ(window->statusText(2), "Unmodified");
  undo();
  EXPECT_TRUE(composition().Modified());
  EXPECT_EQ(window->statusText(2), "Modified");
  window->composition().setModified(false);
  redo();
  EXPECT_EQ(window->statusText(2), "Modified");
}

TEST_F(UndoTest, ANewStepClearsWhatCouldBeRedone) {
  add(QStringLiteral("a"));
  add(QStringLiteral("b"));
  undo();
  EXPECT_TRUE(history().canRedo());
  add(QStringLiteral("c"));
  EXPECT_FALSE(history().canRedo());
  EXPECT_FALSE(action("MenuRedo")->isEnabled());
  EXPECT_EQ(history().count(), 2u);
  undo();
  undo();
  EXPECT_EQ(queue().count(), 0u);
  expectShowsRecomposition();
}

TEST_F(UndoTest, NewAndOpenProjectForgetTheHistory) {
  add(QStringLiteral("before new"));
  action("MenuDelete")->trigger();
  ASSERT_TRUE(history().canUndo());
  newCanvas(300, 200);
  EXPECT_EQ(history().count(), 0u);
  EXPECT_FALSE(action("MenuUndo")->isEnabled());
  EXPECT_EQ(action("MenuUndo")->text(), "&Undo");
  undo();  // nothing to undo: nothing happens
  EXPECT_EQ(queue().count(), 0u);
  EXPECT_EQ(window->statusText(2), "Unmodified");

  // A saved project opened again starts with no history either.
  add(QStringLiteral("saved"));
  const QString project = folder.filePath(QStringLiteral("undo.gyf"));
  window->SaveProjectToFile(project);
  add(QStringLiteral("after the save"));
  window->composition().setModified(false);
  window->OpenProject(project);
  ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().front();
  EXPECT_EQ(queue().count(), 1u);
  EXPECT_EQ(history().count(), 0u);
  EXPECT_FALSE(action("MenuRedo")->isEnabled());
}

TEST_F(UndoTest, TheMemoryBoundDropsTheOldestStepsWhole) {
  // Three items with renderings of 51 x 31 pixels (4743 bytes each).
  std::vector<TTextItem*> items;
  for (unsigned seed = 10; seed < 13; ++seed)
    items.push_back(addItem({int32_t(seed) * 10, 20, int32_t(seed) * 10 + 100, 80}, seed));
  const size_t rendering = bitmapBytes(*items[0]->Bitmap);
  ASSERT_EQ(rendering, 51u * 31u * 3u);
  // The recovery copy of the first change shares the renderings while it
  // is written, and they are not the history's alone until it is done.
  window->waitForAutosave();
  // Room for two deleted items.
  window->setHistoryLimit(2 * rendering + rendering / 2);
  for (TTextItem* item : items) {
    window->composition().SelectItem(item);
    action("MenuDelete")->trigger();
  }
  EXPECT_EQ(queue().count(), 0u);
  EXPECT_EQ(history().count(), 2u);
  EXPECT_EQ(window->historyBytes(), 2 * rendering);
  // The two kept steps come back; the dropped one stays done.
  undo();
  undo();
  EXPECT_FALSE(history().canUndo());
  EXPECT_EQ(queue().count(), 2u);
  EXPECT_EQ(queue().indexOf(items[0]), -1);
  EXPECT_EQ(selected(), items[1]);
  expectShowsRecomposition();
  redo();
  redo();
  EXPECT_EQ(queue().count(), 0u);
  expectShowsRecomposition();

  // A rendering the clipboard shares costs the history nothing: a copied
  // and deleted item keeps no step out.
  window->setHistoryLimit(rendering / 2);
  EXPECT_EQ(history().count(), 0u);
  TTextItem* copied = addItem({10, 10, 60, 40}, 20);
  action("MenuCopy")->trigger();
  action("MenuDelete")->trigger();
  EXPECT_EQ(history().count(), 1u);
  EXPECT_EQ(window->historyBytes(), 0u);
  undo();
  EXPECT_EQ(selected(), copied);
  expectShowsRecomposition();
}

TEST_F(UndoTest, ImportBackdropIsUndoneWithItsSourceSize) {
  TTextItem* item = addItem({20, 20, 120, 80}, 8, 50);
  const Bitmap backdrop = composition().BackdropBitmap();
  const QString source = window->statusText(0);
  const QString picture = folder.filePath(QStringLiteral("import.bmp"));
  testing::writeBmp(picture, testing::patternPicture(100, 50));
  testing::ScriptedFileDialogs dialogs;
  dialogs.answers = {picture};
  window->ButtonBackdropClick();
  EXPECT_EQ(window->statusText(0), "Source picture size: 100 x 50");
  EXPECT_EQ(composition().BackdropBitmap().width(), 400);  // the canvas keeps its size
  undo();
  EXPECT_TRUE(composition().BackdropBitmap() == backdrop);
  EXPECT_EQ(window->statusText(0), source);
  EXPECT_EQ(selected(), nullptr);
  EXPECT_EQ(queue().topItem(), item);
  expectShowsRecomposition();
  // A cancelled import is no step.
  dialogs.answers = {QString()};
  window->ButtonBackdropClick();
  EXPECT_TRUE(history().canRedo());
}

}  // namespace
}  // namespace glyphon
