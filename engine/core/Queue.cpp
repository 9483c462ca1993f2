#include "engine/core/Queue.h"

#include <algorithm>
#include <array>

#include "engine/core/Arith.h"
#include "engine/core/Compositor.h"

namespace glyphon {
namespace {

constexpr Color kHandleBrush = rgb(233, 29, 23);
constexpr Color kHandlePen = rgb(10, 10, 200);
constexpr int64_t kHandleSize = 10;
constexpr int64_t kPasteOffset = 30;

// A rectangle from edges computed in 64 bits.
Rect rect64(int64_t left, int64_t top, int64_t right, int64_t bottom) {
  return {saturateToInt32(left), saturateToInt32(top), saturateToInt32(right),
          saturateToInt32(bottom)};
}

bool contains(const Rect& r, int64_t x, int64_t y) {
  return r.Left <= x && x <= r.Right && r.Top <= y && y <= r.Bottom;
}

}  // namespace

std::array<Rect, 8> handleSquares(const Rect& rect, int32_t size) {
  const int64_t left = rect.Left, top = rect.Top, right = rect.Right, bottom = rect.Bottom;
  const int64_t cx = (left + right) / 2, cy = (top + bottom) / 2, s = size, h = size / 2;
  return {
      rect64(cx - h, top, cx - h + s, top + s),   rect64(cx - h, bottom - s, cx - h + s, bottom),
      rect64(left, cy - h, left + s, cy - h + s), rect64(right - s, cy - h, right, cy - h + s),
      rect64(left, top, left + s, top + s),       rect64(left, bottom - s, left + s, bottom),
      rect64(right - s, top, right, top + s),     rect64(right - s, bottom - s, right, bottom),
  };
}

int handleZone(const Rect& r, int64_t x, int64_t y, int64_t band) {
  const int64_t left = r.Left, top = r.Top, right = r.Right, bottom = r.Bottom;
  int mask = 0;
  if (left <= x && x <= left + band) mask += TQueueData::kLeftBand;
  if (right - band <= x && x <= right) mask += TQueueData::kRightBand;
  if (top <= y && y <= top + band) mask += TQueueData::kTopBand;
  if (bottom - band <= y && y <= bottom) mask += TQueueData::kBottomBand;
  if (mask == 0 && contains(r, x, y)) mask = TQueueData::kBody;
  return mask;
}

TTextItem* TQueueData::PushTop(std::unique_ptr<TTextItem> item) {
  if (!item) return nullptr;
  m_items.push_back(std::move(item));
  return admit(m_items.back().get());
}

TTextItem* TQueueData::InsertAt(std::unique_ptr<TTextItem> item, size_t position) {
  if (!item) return nullptr;
  position = std::min(position, m_items.size());
  return admit(m_items.insert(m_items.begin() + ptrdiff_t(position), std::move(item))->get());
}

TTextItem* TQueueData::admit(TTextItem* item) {
  if (item->Id == 0 || m_byId.count(item->Id) != 0) item->Id = m_lastId + 1;
  // An Id another list gave stays, and the list counts on from it.
  m_lastId = std::max(m_lastId, item->Id);
  m_byId.emplace(item->Id, item);
  return item;
}

std::unique_ptr<TTextItem> TQueueData::Unlink(TTextItem* item) {
  const ptrdiff_t i = indexOf(item);
  if (i < 0) return nullptr;
  std::unique_ptr<TTextItem> owned = std::move(m_items[size_t(i)]);
  m_items.erase(m_items.begin() + i);
  m_byId.erase(owned->Id);
  if (Selected == item) {
    Selected = nullptr;
    HandlesShown = false;
  }
  return owned;
}

void TQueueData::Clear() {
  m_items.clear();
  m_byId.clear();
}

TTextItem* TQueueData::ItemAt(int32_t x, int32_t y) const {
  for (auto it = m_items.rbegin(); it != m_items.rend(); ++it)
    if (contains((*it)->Rect, x, y)) return it->get();
  return nullptr;
}

bool TQueueData::HandleAt(int32_t x, int32_t y, int& mask) const {
  if (!Selected || !HandlesShown) return false;
  mask = handleZone(Selected->Rect, x, y, kHandleSize);
  return mask > 0;
}

void TQueueData::DrawItem(const TTextItem* item, Bitmap& target) {
  if (item) glyphon::DrawItem(*item, target);
}

void TQueueData::DrawAll(Bitmap& target) const {
  for (const auto& item : m_items) glyphon::DrawItem(*item, target);
}

void TQueueData::DrawHandles(const Rect& rect, Bitmap& target) {
  for (const Rect& square : handleSquares(rect, kHandleSize))
    drawRectangle(target, square, kHandleBrush, kHandlePen, 1);
  HandlesShown = true;
}

Rect TQueueData::paintedBounds(const Rect& rect) {
  Rect bounds = rect;
  for (const Rect& square : handleSquares(rect, kHandleSize)) bounds = unite(bounds, square);
  return bounds;
}

std::unique_ptr<TTextItem> TQueueData::CopyItem(const TTextItem& item) {
  auto copy = std::make_unique<TTextItem>(item);
  copy->Id = 0;
  return copy;
}

TTextItem* TQueueData::PasteFrom(const TTextItem& clip, const Rect& bounds) {
  auto item = CopyItem(clip);
  const Rect& c = clip.Rect;
  int64_t left = int64_t(c.Left) + kPasteOffset, right = int64_t(c.Right) + kPasteOffset;
  int64_t top = int64_t(c.Top) + kPasteOffset, bottom = int64_t(c.Bottom) + kPasteOffset;
  if (right < bounds.Left || left > bounds.Right) {
    left = kPasteOffset;
    right = kPasteOffset + (int64_t(c.Right) - c.Left);
  }
  if (bottom < bounds.Top || top > bounds.Bottom) {
    top = kPasteOffset;
    bottom = kPasteOffset + (int64_t(c.Bottom) - c.Top);
  }
  item->Rect = rect64(left, top, right, bottom);
  return PushTop(std::move(item));
}

TTextItem* TQueueData::topItem() const { return m_items.empty() ? nullptr : m_items.back().get(); }

TTextItem* TQueueData::bottomItem() const {
  return m_items.empty() ? nullptr : m_items.front().get();
}

TTextItem* TQueueData::find(uint64_t id) const {
  const auto it = m_byId.find(id);
  return it == m_byId.end() ? nullptr : it->second;
}

ptrdiff_t TQueueData::indexOf(const TTextItem* item) const {
  if (!item) return -1;
  auto it = std::find_if(m_items.begin(), m_items.end(),
                         [item](const auto& p) { return p.get() == item; });
  return it == m_items.end() ? -1 : it - m_items.begin();
}

}  // namespace glyphon
