// The item list: the stack of text items over the backdrop, the selection
// and its handles, hit testing and the clipboard copy of an item.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "engine/core/Bitmap.h"
#include "engine/core/Geometry.h"
#include "engine/core/TextItem.h"

namespace glyphon {

// The eight handle squares of rect, `size` pixels on a side, in painting
// order (a later one covers an earlier one where they overlap): top, bottom,
// left and right middles, then the four corners. Each lies inside rect
// unless rect is narrower or lower than a handle.
[[nodiscard]] std::array<Rect, 8> handleSquares(const Rect& rect, int32_t size);
// The handle zone of rect that holds (x, y), with bands `band` pixels wide:
// the sum of the band bits of TQueueData whose band holds the coordinate it
// tests (each band tests one coordinate only), or the body bit inside rect
// when no band does, or 0.
[[nodiscard]] int handleZone(const Rect& rect, int64_t x, int64_t y, int64_t band);

class TQueueData {
 public:
  // Handle zone bits reported by HandleAt.
  static constexpr int kLeftBand = 1;
  static constexpr int kRightBand = 2;
  static constexpr int kTopBand = 4;
  static constexpr int kBottomBand = 8;
  static constexpr int kBody = 16;

  TQueueData() = default;
  TQueueData(const TQueueData&) = delete;
  TQueueData& operator=(const TQueueData&) = delete;

  // The selected item, always an item of this list or null, and whether its
  // eight handles are painted on the canvas. The list never changes them
  // except that Unlink of the selected item clears both, so Selected can
  // never point at an item the list no longer owns.
  TTextItem* Selected = nullptr;
  bool HandlesShown = false;

  // Identities: an item entering the list (PushTop, InsertAt) keeps its Id
  // unless it has none (0) or another item of the list holds it; then it
  // gets the next one of this list. The list never hands out an Id twice,
  // not even after Clear, so an Id that names no item of the list now never
  // will name another.

  // Takes ownership and makes the item the topmost. Returns it; null for
  // null.
  TTextItem* PushTop(std::unique_ptr<TTextItem> item);
  // Takes ownership and puts the item at stacking position (0 is the
  // bottom; a position past the top puts it on top). Returns it; null for
  // null.
  TTextItem* InsertAt(std::unique_ptr<TTextItem> item, size_t position);
  // Takes the item out of the list and hands ownership back to the caller.
  // Null for null or for an item not in the list.
  std::unique_ptr<TTextItem> Unlink(TTextItem* item);
  // Destroys every item. Selected and HandlesShown are left alone: callers
  // reset them before clearing.
  void Clear();

  // The topmost item whose rectangle holds (x, y), all four edges included,
  // in canvas coordinates; null when there is none.
  [[nodiscard]] TTextItem* ItemAt(int32_t x, int32_t y) const;
  // Which handle zone of the selected item holds (x, y): the sum of the band
  // bits whose band holds the coordinate it tests (each band tests one
  // coordinate only, whatever the other is), or kBody inside the rectangle
  // when no band does. Returns true when mask > 0. Without a selection or
  // with its handles hidden, returns false and leaves mask alone.
  bool HandleAt(int32_t x, int32_t y, int& mask) const;

  // Composites one item onto target; nothing for null.
  static void DrawItem(const TTextItem* item, Bitmap& target);
  // Composites every item from the bottom up.
  void DrawAll(Bitmap& target) const;
  // Paints the eight handles of rect onto target and sets HandlesShown.
  void DrawHandles(const Rect& rect, Bitmap& target);
  // The smallest rectangle holding rect and its handles. The handles lie
  // inside rect unless rect is narrower or lower than a handle; whoever takes
  // handles off the canvas restores this area.
  [[nodiscard]] static Rect paintedBounds(const Rect& rect);

  // A new item, not in any list, with every field of item but its Id (0, so
  // that the list it enters gives it its own); the rendering is shared,
  // since renderings never change.
  [[nodiscard]] static std::unique_ptr<TTextItem> CopyItem(const TTextItem& item);
  // Pushes a copy of clip placed 30 pixels right and down of clip's
  // rectangle, brought back to 30 on an axis on which it would lie wholly
  // beyond bounds. Returns the new topmost item; selecting it is the
  // caller's part.
  TTextItem* PasteFrom(const TTextItem& clip, const Rect& bounds);

  [[nodiscard]] TTextItem* topItem() const;     // null when empty
  [[nodiscard]] TTextItem* bottomItem() const;  // null when empty
  [[nodiscard]] size_t count() const { return m_items.size(); }
  // Bottom to top.
  [[nodiscard]] const std::vector<std::unique_ptr<TTextItem>>& items() const { return m_items; }
  // Stacking position from the bottom (0), or -1 when not in the list.
  [[nodiscard]] ptrdiff_t indexOf(const TTextItem* item) const;
  // The item of the list with Id id; null for 0 and for an Id no item of the
  // list holds.
  [[nodiscard]] TTextItem* find(uint64_t id) const;

 private:
  // Gives item, which has just entered m_items, its Id and indexes it.
  TTextItem* admit(TTextItem* item);

  std::vector<std::unique_ptr<TTextItem>> m_items;  // bottom to top
  std::unordered_map<uint64_t, TTextItem*> m_byId;  // every item of m_items
  uint64_t m_lastId = 0;                            // the highest Id seen
};

}  // namespace glyphon
