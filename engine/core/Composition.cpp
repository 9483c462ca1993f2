#include "engine/core/Composition.h"

#include <algorithm>
#include <utility>

#include "engine/core/Compositor.h"

namespace glyphon {

void Composition::SelectItem(TTextItem* item) {
  if (m_queue.indexOf(item) < 0) return;
  TTextItem* previous = m_queue.Selected;
  if (item == previous) {
    if (m_queue.HandlesShown) return;
    m_queue.HandlesShown = true;
    RefreshRegion(TQueueData::paintedBounds(item->Rect));
    return;
  }
  // The underlay holds everything but the item being selected, over its
  // rectangle; the previous selection's underlay is no longer needed, as
  // the canvas holds every item.
  setUnderlayFor(item);
  m_queue.PushTop(m_queue.Unlink(item));

  restoreUnderlay();
  // The previous selection's pixels stay; only its handles go.
  m_queue.Selected = item;
  m_queue.HandlesShown = true;
  if (previous) RefreshRegion(TQueueData::paintedBounds(previous->Rect));
  DrawItem(*item, m_canvas);
  RefreshRegion(TQueueData::paintedBounds(item->Rect));
}

namespace {

// Rectangles this far from the origin can be shifted by a canvas offset
// without leaving the 32-bit range.
constexpr int32_t kShiftSafe = int32_t(1) << 30;

[[nodiscard]] bool shiftable(const Rect& r) {
  return r.Left > -kShiftSafe && r.Left < kShiftSafe && r.Right > -kShiftSafe &&
         r.Right < kShiftSafe && r.Top > -kShiftSafe && r.Top < kShiftSafe &&
         r.Bottom > -kShiftSafe && r.Bottom < kShiftSafe;
}

}  // namespace

bool Composition::composableByArea() const {
  return m_canvas.width() == m_backdrop->width() && m_canvas.height() == m_backdrop->height() &&
         std::all_of(m_queue.items().begin(), m_queue.items().end(),
                     [](const auto& i) { return shiftable(i->Rect); });
}

void Composition::setUnderlayFor(const TTextItem* item) {
  m_underlayRect = intersect(intersect(item->Rect, m_canvas.bounds()), m_backdrop->bounds());
  if (composableByArea()) {
    m_underlay = composeArea(m_underlayRect, item);
    return;
  }
  // The fallback: everything but item composed whole, of which only its
  // rectangle is kept.
  Bitmap whole = *m_backdrop;
  for (const auto& each : m_queue.items())
    if (each.get() != item) DrawItem(*each, whole);
  ++m_wholeCompositions;
  m_underlay = cutOut(whole, m_underlayRect);
}

Bitmap Composition::composeArea(const Rect& area, const TTextItem* skip) const {
  const Rect r = intersect(area, m_backdrop->bounds());
  if (r.isEmpty()) return Bitmap();
  Bitmap patch = cutOut(*m_backdrop, r);
  for (const auto& each : m_queue.items()) {
    if (each.get() == skip || intersect(each->Rect, r).isEmpty()) continue;
    // The nearest-pixel mapping is relative to the item's own rectangle, so
    // drawing it shifted into the patch gives the very same pixels.
    TTextItem shifted = *each;
    shifted.Rect = each->Rect.translated(-r.Left, -r.Top);
    DrawItem(shifted, patch);
  }
  return patch;
}

Bitmap Composition::cutOut(const Bitmap& from, const Rect& r) {
  if (r.isEmpty()) return Bitmap();
  Bitmap part = Bitmap::uninitialized(r.width(), r.height());
  bitBlt(part, 0, 0, r.width(), r.height(), from, r.Left, r.Top);
  return part;
}

void Composition::restoreUnderlay() {
  const Rect& r = m_underlayRect;
  if (!r.isEmpty()) bitBlt(m_canvas, r.Left, r.Top, r.width(), r.height(), m_underlay, 0, 0);
}

void Composition::takeUnderlay() {
  const Rect& r = m_underlayRect = intersect(m_queue.Selected->Rect, m_canvas.bounds());
  // A move keeps the size: the buffer is reused.
  if (!r.isEmpty() && m_underlay.width() == r.width() && m_underlay.height() == r.height())
    bitBlt(m_underlay, 0, 0, r.width(), r.height(), m_canvas, r.Left, r.Top);
  else
    m_underlay = cutOut(m_canvas, r);
}

void Composition::forgetUnderlay() {
  m_underlay = Bitmap();
  m_underlayRect = Rect();
}

Bitmap Composition::UnderlayBitmap() const {
  if (!m_queue.Selected) return Bitmap();
  Bitmap underlay = m_canvas;
  const Rect& r = m_underlayRect;
  if (!r.isEmpty()) bitBlt(underlay, r.Left, r.Top, r.width(), r.height(), m_underlay, 0, 0);
  return underlay;
}

void Composition::HideHandles() {
  TTextItem* selected = m_queue.Selected;
  if (!m_queue.HandlesShown || !selected) return;
  // The canvas holds no handles; the refresh tells the view to take its
  // handles off (and marks the picture modified, as every refresh does).
  m_queue.HandlesShown = false;
  RefreshRegion(TQueueData::paintedBounds(selected->Rect));
}

void Composition::RefreshRegion(const Rect& canvasRect) {
  const Rect r = intersect(canvasRect, m_canvas.bounds());
  if (!r.isEmpty() && m_listener) m_listener->canvasChanged(r);
  setModified(true);
}

void Composition::setBackdrop(Bitmap backdrop) {
  m_backdrop = std::make_shared<Bitmap>(std::move(backdrop));
  m_canvas = *m_backdrop;
  m_queue.DrawAll(m_canvas);
  ++m_wholeCompositions;
  m_queue.Selected = nullptr;
  m_queue.HandlesShown = false;
  forgetUnderlay();
  notifyReplaced();
}

void Composition::setBackdropAndItems(Bitmap backdrop,
                                      std::vector<std::unique_ptr<TTextItem>> items) {
  m_queue.Selected = nullptr;
  m_queue.HandlesShown = false;
  m_queue.Clear();
  for (auto& item : items) m_queue.PushTop(std::move(item));
  setBackdrop(std::move(backdrop));
}

void Composition::clearItems() {
  m_queue.Selected = nullptr;
  m_queue.HandlesShown = false;
  m_queue.Clear();
  m_canvas = *m_backdrop;
  forgetUnderlay();
  notifyReplaced();
}

void Composition::addItem(std::unique_ptr<TTextItem> item) {
  SelectItem(m_queue.PushTop(std::move(item)));
}

void Composition::setClipItem(const TTextItem& item) { m_clip = TQueueData::CopyItem(item); }

void Composition::pasteClipItem() {
  if (m_clip) SelectItem(m_queue.PasteFrom(*m_clip, m_canvas.bounds()));
}

std::unique_ptr<TTextItem> Composition::deleteSelected() {
  TTextItem* selected = m_queue.Selected;
  if (!selected) return nullptr;
  restoreUnderlay();
  forgetUnderlay();
  // Unlink drops the selection and the handles with the item.
  std::unique_ptr<TTextItem> item = m_queue.Unlink(selected);
  RefreshRegion(TQueueData::paintedBounds(item->Rect));
  return item;
}

void Composition::copySelected() {
  if (m_queue.Selected) setClipItem(*m_queue.Selected);
}

void Composition::cutSelected() {
  copySelected();
  (void)deleteSelected();
}

std::unique_ptr<TTextItem> Composition::replaceSelected(std::unique_ptr<TTextItem> item) {
  if (!item || !m_queue.Selected) return nullptr;
  std::unique_ptr<TTextItem> replaced = deleteSelected();
  addItem(std::move(item));
  return replaced;
}

void Composition::moveSelectedTo(const Rect& newRect) {
  TTextItem* selected = m_queue.Selected;
  if (!selected || selected->Rect == newRect) return;
  const Rect oldArea = TQueueData::paintedBounds(selected->Rect);
  restoreUnderlay();
  // Beside the selected item the canvas holds everything else: what lies
  // under its new place is there to take.
  selected->Rect = newRect;
  takeUnderlay();
  redrawSelected();
  RefreshRegion(oldArea);
  RefreshRegion(TQueueData::paintedBounds(newRect));
}

void Composition::setSelectedOpacity(int32_t opacity) {
  TTextItem* selected = m_queue.Selected;
  if (!selected) return;
  selected->Opacity = opacity;
  restoreUnderlay();
  redrawSelected();
  RefreshRegion(TQueueData::paintedBounds(selected->Rect));
}

void Composition::redrawSelected() { DrawItem(*m_queue.Selected, m_canvas); }

TTextItem* Composition::insertItem(std::unique_ptr<TTextItem> item, size_t position) {
  if (!item) return nullptr;
  if (position < m_queue.count()) {
    // Below the topmost item, which keeps any selection; everything above
    // the new item must be blended again over it, within its rectangle.
    TTextItem* inserted = m_queue.InsertAt(std::move(item), position);
    if (!composableByArea()) {
      recompose();
      return inserted;
    }
    const Rect area = intersect(inserted->Rect, m_canvas.bounds());
    if (const TTextItem* selected = m_queue.Selected) {
      const Rect under = intersect(area, m_underlayRect);
      if (!under.isEmpty()) {
        const Bitmap patch = composeArea(under, selected);
        bitBlt(m_underlay, under.Left - m_underlayRect.Left, under.Top - m_underlayRect.Top,
               under.width(), under.height(), patch, 0, 0);
      }
    }
    if (!area.isEmpty()) {
      const Bitmap patch = composeArea(area, nullptr);
      bitBlt(m_canvas, area.Left, area.Top, area.width(), area.height(), patch, 0, 0);
    }
    RefreshRegion(area);
    return inserted;
  }
  // On top: the canvas without handles already holds everything beneath.
  dropSelection();
  TTextItem* inserted = m_queue.PushTop(std::move(item));
  DrawItem(*inserted, m_canvas);
  RefreshRegion(inserted->Rect);
  return inserted;
}

Bitmap Composition::exchangeBackdrop(Bitmap backdrop) {
  // Shared with an autosave under way, the old backdrop must stay whole.
  Bitmap previous = m_backdrop.use_count() == 1 ? std::move(*m_backdrop) : *m_backdrop;
  setBackdrop(std::move(backdrop));
  setModified(true);
  return previous;
}

void Composition::dropSelection() {
  HideHandles();
  m_queue.Selected = nullptr;
  m_queue.HandlesShown = false;
  forgetUnderlay();
}

void Composition::recompose() {
  ++m_wholeCompositions;
  const TTextItem* selected = m_queue.Selected;
  m_canvas = *m_backdrop;
  m_queue.DrawAll(m_canvas);
  if (selected) {
    setUnderlayFor(selected);
  }
  notifyReplaced();
  setModified(true);
}

void Composition::setModified(bool modified) {
  m_modified = modified;
  if (m_listener) m_listener->modifiedChanged(modified);
}

void Composition::notifyReplaced() {
  if (m_listener) m_listener->canvasReplaced();
}

}  // namespace glyphon
