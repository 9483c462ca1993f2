// The allocator of picture memory. Pictures of several megabytes are mapped
// on their own, aligned to 2 MiB and offered to the kernel for transparent
// huge pages: the first write to fresh memory then faults once per 2 MiB
// instead of once per 4 KiB page, which on virtual machines is what a new
// 24-megapixel picture mostly costs. Blocks from 64 KiB (item renderings)
// share 8 MiB chunks on huge pages; smaller ones come from the heap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace glyphon {

namespace pixel_memory {

// Blocks of at least this many bytes are mapped on their own.
inline constexpr size_t kMappedFrom = size_t(4) << 20;
// Blocks from this size up to kMappedFrom share chunks on huge pages.
// Sanitizer and fuzzing builds leave them to the heap, whose guard zones
// find a write past the end of a picture that a shared chunk would hide.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define GLYPHON_PIXEL_POOL_OFF 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION)
#define GLYPHON_PIXEL_POOL_OFF 1
#endif
#ifdef GLYPHON_PIXEL_POOL_OFF
inline constexpr size_t kPooledFrom = size_t(4) << 20;
#else
inline constexpr size_t kPooledFrom = size_t(64) << 10;
#endif

// Mapped blocks come from the kernel filled with zero bytes; heap blocks
// hold whatever was there.
[[nodiscard]] inline bool arrivesZeroed(size_t bytes) { return bytes >= kMappedFrom; }

[[nodiscard]] void* allocate(size_t bytes);
void deallocate(void* p, size_t bytes) noexcept;

}  // namespace pixel_memory

template <class T>
struct PixelAllocator {
  using value_type = T;

  PixelAllocator() = default;
  template <class U>
  PixelAllocator(const PixelAllocator<U>&) noexcept {}  // NOLINT: rebinding converts implicitly

  [[nodiscard]] T* allocate(size_t n) {
    if (n > size_t(-1) / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(pixel_memory::allocate(n * sizeof(T)));
  }
  void deallocate(T* p, size_t n) noexcept { pixel_memory::deallocate(p, n * sizeof(T)); }

  // A vector of pixels that is only sized is left as the memory came:
  // bitmaps that are filled whole anyway need not be cleared first.
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }

  friend bool operator==(const PixelAllocator&, const PixelAllocator&) { return true; }
};

// Bytes held in picture memory: large blocks on huge pages, and never
// cleared before they are written (see construct above).
using PixelBytes = std::vector<uint8_t, PixelAllocator<uint8_t>>;

}  // namespace glyphon
