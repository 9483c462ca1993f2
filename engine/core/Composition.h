// The composition: backdrop, item list and the working canvas, with the
// operations that keep them in step. Plain C++, usable with no display;
// views learn about changes through a CompositionListener, in canvas
// coordinates. Zoom, scrolling, the surround and the selection's handles
// are the view's.
//
// Invariants after every operation:
// - CanvasBitmap is BackdropBitmap with every item composited from the
//   bottom up;
// - while an item is selected, the underlay holds, over the selected item's
//   rectangle, what BackdropBitmap with every item but the selected one
//   shows there; elsewhere the canvas shows exactly that already, since
//   the selected item is the topmost. Only that rectangle is kept, so an
//   edit of the selected item costs its area, never the canvas's.
#pragma once

#include <memory>
#include <vector>

#include "engine/core/Bitmap.h"
#include "engine/core/Geometry.h"
#include "engine/core/Queue.h"
#include "engine/core/TextItem.h"

namespace glyphon {

// Told about every change a view must show. Calls arrive synchronously from
// inside the composition's operations.
class CompositionListener {
 public:
  virtual ~CompositionListener() = default;
  // A rectangle of CanvasBitmap (within it, never empty) has new pixels, or
  // the handles of the selection changed over it.
  virtual void canvasChanged(const Rect& canvasRect) = 0;
  // CanvasBitmap was rebuilt whole, possibly at another size.
  virtual void canvasReplaced() = 0;
  // Sent by every refresh (which always marks the picture modified) and by
  // setModified; the selection or its handles may have changed with it.
  virtual void modifiedChanged(bool modified) = 0;
};

class Composition {
 public:
  Composition() = default;
  Composition(const Composition&) = delete;
  Composition& operator=(const Composition&) = delete;

  // Not owned; may be null. It must outlive the composition or be replaced.
  void setListener(CompositionListener* listener) { m_listener = listener; }

  [[nodiscard]] const Bitmap& BackdropBitmap() const { return *m_backdrop; }
  // The backdrop, shared: it is never changed in place, only replaced, so
  // another thread may read it (an autosave) while the composition goes on.
  [[nodiscard]] std::shared_ptr<const Bitmap> sharedBackdrop() const { return m_backdrop; }
  [[nodiscard]] const Bitmap& CanvasBitmap() const { return m_canvas; }
  // The canvas without the selected item, put together from the canvas and
  // the underlay (a copy of the whole canvas, for checks); empty without a
  // selection.
  [[nodiscard]] Bitmap UnderlayBitmap() const;
  [[nodiscard]] bool Modified() const { return m_modified; }
  // The internal clipboard; null until something is copied.
  [[nodiscard]] const TTextItem* ClipItem() const { return m_clip.get(); }
  [[nodiscard]] const TQueueData& Queue() const { return m_queue; }
  // How often the canvas or the underlay was composed whole, from the
  // backdrop up: what tests and benchmarks count to see no work is redone.
  [[nodiscard]] uint64_t wholeCompositions() const { return m_wholeCompositions; }

  // Selects item (which must be in the list; anything else is ignored),
  // moves it to the top and shows its handles. Re-selecting the selected
  // item only shows handles that were hidden.
  void SelectItem(TTextItem* item);
  // Hides the selection's handles; the selection stays.
  void HideHandles();
  // Tells the view that canvasRect (clipped to the canvas) changed and
  // marks the picture modified, also when the clipped rectangle is empty.
  void RefreshRegion(const Rect& canvasRect);

  // Makes backdrop (already at the canvas size it defines) the new backdrop:
  // the canvas is rebuilt from it with every item and the selection is
  // dropped. Modified is left alone.
  void setBackdrop(Bitmap backdrop);
  // Replaces backdrop and items at once (opening a project): items are
  // stacked in the given order, bottom first; nothing is selected.
  void setBackdropAndItems(Bitmap backdrop, std::vector<std::unique_ptr<TTextItem>> items);
  // Drops the selection and destroys every item; the canvas shows the bare
  // backdrop. Modified is left alone.
  void clearItems();
  // Puts item on top and selects it. Null is ignored.
  void addItem(std::unique_ptr<TTextItem> item);
  // Replaces the clipboard with a copy of item (sharing its rendering).
  void setClipItem(const TTextItem& item);
  // Adds a copy of the clipboard item, offset by 30 pixels, and selects it.
  // Nothing without a clipboard item.
  void pasteClipItem();

  // The edit operations on the selected item. Each is one step of the user
  // and does nothing without a selected item (a selected item whose handles
  // are hidden counts). They repaint only the rectangles they change, from
  // the underlay, which holds everything but the selected item.

  // Takes the selected item out of the picture and hands it back; nothing
  // is selected afterwards. Null without a selection.
  std::unique_ptr<TTextItem> deleteSelected();
  // Copies the selected item into the clipboard.
  void copySelected();
  // Copy, then delete.
  void cutSelected();
  // Deletes the selected item and adds item in its place, on top and
  // selected (Modify), handing the replaced item back. Nothing (and null)
  // for a null item or without a selection.
  std::unique_ptr<TTextItem> replaceSelected(std::unique_ptr<TTextItem> item);
  // Moves or resizes the selected item to newRect (the end of a drag):
  // its old and new areas are repainted, its handles follow when shown.
  // Nothing when newRect is its rectangle already.
  void moveSelectedTo(const Rect& newRect);
  // Gives the selected item a new opacity (percent) and repaints it over
  // what lies beneath; fading is never cumulative.
  void setSelectedOpacity(int32_t opacity);
  void setModified(bool modified);

  // What undoing a step needs beyond the operations above. Each leaves the
  // canvas and the underlay as a full recomposition of the
  // resulting item list would, and marks the picture modified.

  // Puts item into the stack at position (0 is the bottom; a position past
  // the top puts it on top) and returns it; null is ignored. The selected
  // item must stay the topmost, so an item put above it drops the selection
  // and its handles. Only its own area is painted: on top it is drawn over
  // the canvas, lower down its area is composed again (and the selected
  // item's underlay where they meet).
  TTextItem* insertItem(std::unique_ptr<TTextItem> item, size_t position);
  // setBackdrop that hands back the backdrop it replaces; backdrop must have
  // the canvas size (a step that is undone puts the old one back).
  Bitmap exchangeBackdrop(Bitmap backdrop);

 private:
  // Whether an area can be composed alone, as DrawAll would leave it: the
  // canvas has the backdrop's size and every item can be shifted into a
  // patch. Otherwise whole compositions are the fallback.
  [[nodiscard]] bool composableByArea() const;
  // Makes the underlay for item, which is about to go on top: its area of
  // everything but item, composed from the backdrop.
  void setUnderlayFor(const TTextItem* item);
  // Composes area of the picture afresh from the backdrop and every item
  // but skip, as DrawAll would leave it, into a bitmap of the area's size
  // (area is clipped to the backdrop).
  [[nodiscard]] Bitmap composeArea(const Rect& area, const TTextItem* skip) const;
  // A copy of r (within from) of from.
  [[nodiscard]] static Bitmap cutOut(const Bitmap& from, const Rect& r);
  // Puts the underlay back onto the canvas: the selected item's pixels go.
  void restoreUnderlay();
  // Takes the underlay of the selected item's rectangle from the canvas,
  // which must not show the selected item.
  void takeUnderlay();
  void forgetUnderlay();
  // Draws the selected item onto the canvas over an area already restored
  // from the underlay.
  void redrawSelected();
  // Takes the handles off and drops the selection.
  void dropSelection();
  // Rebuilds the underlay (for the selected item) and the canvas from the
  // backdrop and every item, and marks the picture modified.
  void recompose();
  // Tells the view the whole canvas is new, without marking the picture
  // modified.
  void notifyReplaced();

  TQueueData m_queue;
  // Never null; replaced whole, never changed in place (sharedBackdrop).
  std::shared_ptr<Bitmap> m_backdrop = std::make_shared<Bitmap>();
  Bitmap m_canvas;
  // What lies under the selected item, over m_underlayRect (the selected
  // item's rectangle within the canvas); empty without a selection.
  Bitmap m_underlay;
  Rect m_underlayRect;
  bool m_modified = false;
  uint64_t m_wholeCompositions = 0;
  std::unique_ptr<TTextItem> m_clip;
  CompositionListener* m_listener = nullptr;
};

}  // namespace glyphon
