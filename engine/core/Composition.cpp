#include "engine/core/Composition.h"

#include <algorithm>
#include <utility>

#include "engine/core/Compositor.h"

namespace glyphon {
namespace {

constexpr Color kSurroundGrey = rgb(128, 128, 128);
constexpr Color kFrameFill = rgb(255, 255, 255);
constexpr Color kFramePen = rgb(0, 0, 0);
constexpr int32_t kFrameWidth = 2;

}  // namespace

void Composition::SelectItem(TTextItem* item) {
  if (m_queue.indexOf(item) < 0) return;
  TTextItem* previous = m_queue.Selected;
  if (item == previous) {
    if (m_queue.HandlesShown) return;
    m_queue.DrawHandles(item->Rect, m_canvas);
    RefreshRegion(TQueueData::paintedBounds(item->Rect));
    return;
  }
  // The underlay holds everything but the item being selected.
  rebuildUnderlayFor(item, previous);
  m_queue.PushTop(m_queue.Unlink(item));

  if (previous) restoreRegion(m_canvas, m_underlay, TQueueData::paintedBounds(previous->Rect));
  restoreRegion(m_canvas, m_underlay, item->Rect);
  if (previous) RefreshRegion(TQueueData::paintedBounds(previous->Rect));
  DrawItem(*item, m_canvas);
  m_queue.DrawHandles(item->Rect, m_canvas);
  RefreshRegion(TQueueData::paintedBounds(item->Rect));
  m_queue.Selected = item;
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

void Composition::rebuildUnderlayFor(TTextItem* item, const TTextItem* previous) {
  const bool canvasIsClean = m_canvas.width() == m_backdrop.width() &&
                             m_canvas.height() == m_backdrop.height() &&
                             std::all_of(m_queue.items().begin(), m_queue.items().end(),
                                         [](const auto& i) { return shiftable(i->Rect); });
  if (!canvasIsClean) {
    std::unique_ptr<TTextItem> owned = m_queue.Unlink(item);
    m_underlay = m_backdrop;
    m_queue.DrawAll(m_underlay);
    m_queue.PushTop(std::move(owned));
    return;
  }
  m_underlay = m_canvas;
  if (previous && m_queue.HandlesShown)
    recompose(m_underlay, TQueueData::paintedBounds(previous->Rect), item);
  recompose(m_underlay, item->Rect, item);
}

void Composition::recompose(Bitmap& target, const Rect& area, const TTextItem* skip) const {
  const Rect r = intersect(area, m_backdrop.bounds());
  if (r.isEmpty()) return;
  Bitmap patch(r.width(), r.height());
  bitBlt(patch, 0, 0, r.width(), r.height(), m_backdrop, r.Left, r.Top);
  for (const auto& each : m_queue.items()) {
    if (each.get() == skip || intersect(each->Rect, r).isEmpty()) continue;
    // The nearest-pixel mapping is relative to the item's own rectangle, so
    // drawing it shifted into the patch gives the very same pixels.
    TTextItem shifted = *each;
    shifted.Rect = each->Rect.translated(-r.Left, -r.Top);
    DrawItem(shifted, patch);
  }
  bitBlt(target, r.Left, r.Top, r.width(), r.height(), patch, 0, 0);
}

void Composition::HideHandles() {
  TTextItem* selected = m_queue.Selected;
  if (!m_queue.HandlesShown || !selected) return;
  const Rect area = TQueueData::paintedBounds(selected->Rect);
  restoreRegion(m_canvas, m_underlay, area);
  DrawItem(*selected, m_canvas);
  RefreshRegion(area);
  m_queue.HandlesShown = false;
}

void Composition::RefreshRegion(const Rect& canvasRect) {
  const Rect r = intersect(canvasRect, m_canvas.bounds());
  if (!r.isEmpty()) {
    const Rect onScreen = r.translated(m_placement.Left, m_placement.Top);
    bitBlt(m_screen, onScreen.Left, onScreen.Top, r.width(), r.height(), m_canvas, r.Left, r.Top);
    notifyScreen(onScreen);
  }
  setModified(true);
}

void Composition::LayoutScreen(int32_t clientWidth, int32_t clientHeight, int32_t scrollBarExtent) {
  m_clientWidth = clientWidth;
  m_clientHeight = clientHeight;
  m_scrollBarExtent = scrollBarExtent;
  Bitmap screen;
  Rect placement;
  if (!m_canvas.isEmpty()) {
    const int64_t cw = m_canvas.width(), ch = m_canvas.height();
    const int64_t iw = std::max(cw, int64_t(clientWidth) - scrollBarExtent);
    const int64_t ih = std::max(ch, int64_t(clientHeight) - scrollBarExtent);
    Bitmap::checkSize(iw, ih);
    screen.resize(int32_t(iw), int32_t(ih));
    // The image is never smaller than the canvas, so these need no clamping.
    placement = {int32_t((iw - cw) / 2), int32_t((ih - ch) / 2), int32_t((cw + iw) / 2),
                 int32_t((ch + ih) / 2)};
    fillRect(screen, screen.bounds(), kSurroundGrey);
    const Rect frame{placement.Left - kFrameWidth, placement.Top - kFrameWidth,
                     placement.Right + kFrameWidth, placement.Bottom + kFrameWidth};
    drawRectangle(screen, frame, kFrameFill, kFramePen, kFrameWidth);
    bitBlt(screen, placement.Left, placement.Top, m_canvas.width(), m_canvas.height(), m_canvas, 0,
           0);
  }
  m_screen = std::move(screen);
  m_placement = placement;
  if (m_listener) m_listener->screenLaidOut();
}

void Composition::setBackdrop(Bitmap backdrop) {
  m_backdrop = std::move(backdrop);
  m_canvas = m_backdrop;
  m_queue.DrawAll(m_canvas);
  m_queue.Selected = nullptr;
  m_queue.HandlesShown = false;
  m_underlay = Bitmap();
  LayoutScreen(m_clientWidth, m_clientHeight, m_scrollBarExtent);
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
  m_canvas = m_backdrop;
  m_underlay = Bitmap();
  showCanvas();
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
  // Unlink drops the selection and the handles with the item.
  std::unique_ptr<TTextItem> item = m_queue.Unlink(selected);
  const Rect area = TQueueData::paintedBounds(item->Rect);
  restoreRegion(m_canvas, m_underlay, area);
  RefreshRegion(area);
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
  restoreRegion(m_canvas, m_underlay, oldArea);
  selected->Rect = newRect;
  redrawSelected();
  RefreshRegion(oldArea);
  RefreshRegion(TQueueData::paintedBounds(newRect));
}

void Composition::setSelectedOpacity(int32_t opacity) {
  TTextItem* selected = m_queue.Selected;
  if (!selected) return;
  selected->Opacity = opacity;
  const Rect area = TQueueData::paintedBounds(selected->Rect);
  restoreRegion(m_canvas, m_underlay, area);
  redrawSelected();
  RefreshRegion(area);
}

void Composition::redrawSelected() {
  TTextItem* selected = m_queue.Selected;
  DrawItem(*selected, m_canvas);
  if (m_queue.HandlesShown) m_queue.DrawHandles(selected->Rect, m_canvas);
}

TTextItem* Composition::insertItem(std::unique_ptr<TTextItem> item, size_t position) {
  if (!item) return nullptr;
  if (position < m_queue.count()) {
    // Below the topmost item, which keeps any selection; everything above
    // the new item must be blended again over it.
    TTextItem* inserted = m_queue.InsertAt(std::move(item), position);
    recompose();
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
  Bitmap previous = std::move(m_backdrop);
  setBackdrop(std::move(backdrop));
  setModified(true);
  return previous;
}

void Composition::dropSelection() {
  HideHandles();
  m_queue.Selected = nullptr;
  m_queue.HandlesShown = false;
  m_underlay = Bitmap();
}

void Composition::recompose() {
  const TTextItem* selected = m_queue.Selected;
  if (selected) {
    m_underlay = m_backdrop;
    for (const auto& item : m_queue.items())
      if (item.get() != selected) DrawItem(*item, m_underlay);
    m_canvas = m_underlay;
    redrawSelected();
  } else {
    m_canvas = m_backdrop;
    m_queue.DrawAll(m_canvas);
  }
  showCanvas();
  setModified(true);
}

void Composition::setModified(bool modified) {
  m_modified = modified;
  if (m_listener) m_listener->modifiedChanged(modified);
}

void Composition::restoreRegion(Bitmap& to, const Bitmap& from, const Rect& rect) {
  const Rect r = intersect(rect, from.bounds());
  if (!r.isEmpty()) bitBlt(to, r.Left, r.Top, r.width(), r.height(), from, r.Left, r.Top);
}

void Composition::showCanvas() {
  if (m_canvas.isEmpty() || m_screen.isEmpty()) return;
  bitBlt(m_screen, m_placement.Left, m_placement.Top, m_canvas.width(), m_canvas.height(), m_canvas,
         0, 0);
  notifyScreen(m_placement);
}

void Composition::notifyScreen(const Rect& screenRect) {
  if (m_listener) m_listener->screenChanged(screenRect);
}

}  // namespace glyphon
