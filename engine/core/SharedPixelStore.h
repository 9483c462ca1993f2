// The picture a plug-in draws into inside the style helper: pages of a memfd
// the editor maps too, so the drawn pixels reach the editor without being
// sent. The pages lie in a reserved area between two inaccessible guard
// zones, and a picture always ends where the upper guard begins: a plug-in
// that writes past the end of its picture faults at once instead of
// scribbling over the helper's memory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/core/PluginCall.h"

namespace glyphon {

class SharedPixelStore final : public PixelStore {
 public:
  // Reserves the area over memfd. Throws Error when the address space cannot be had.
  explicit SharedPixelStore(int memfd);
  ~SharedPixelStore() override;
  SharedPixelStore(const SharedPixelStore&) = delete;
  SharedPixelStore& operator=(const SharedPixelStore&) = delete;

  bool resize(int32_t width, int32_t height) override;
  uint8_t* pixels() override { return m_pixels; }

  // Where the picture starts in the memfd.
  [[nodiscard]] uint64_t offset() const { return m_offset; }
  // Whether address lies in the reserved area but outside the pages of the picture: where a
  // plug-in that runs past its picture ends up. Safe to call from a signal handler.
  [[nodiscard]] bool outsidePicture(const void* address) const noexcept;

  // Bytes of each guard zone: a few rows of the widest picture.
  static constexpr size_t kGuardBytes = size_t(1) << 20;

 private:
  void unmapPicture() noexcept;

  int m_fd;
  uint8_t* m_area = nullptr;  // guard, body, guard
  size_t m_areaBytes = 0;
  uint8_t* m_bodyEnd = nullptr;  // where the upper guard begins
  size_t m_mapped = 0;           // bytes of the memfd mapped just below m_bodyEnd
  uint8_t* m_pixels = nullptr;
  uint64_t m_offset = 0;
};

}  // namespace glyphon
