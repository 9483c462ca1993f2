#include "core/Composition.h"

#include <algorithm>
#include <utility>

#include "core/Compositor.h"

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
  std::unique_ptr<TTextItem> owned = m_queue.Unlink(item);
  m_underlay = m_backdrop;
  m_queue.DrawAll(m_underlay);
  m_queue.PushTop(std::move(owned));

  if (previous) restoreRegion(m_canvas, m_underlay, TQueueData::paintedBounds(previous->Rect));
  restoreRegion(m_canvas, m_underlay, item->Rect);
  if (previous) RefreshRegion(TQueueData::paintedBounds(previous->Rect));
  DrawItem(*item, m_canvas);
  m_queue.DrawHandles(item->Rect, m_canvas);
  RefreshRegion(TQueueData::paintedBounds(item->Rect));
  m_queue.Selected = item;
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
