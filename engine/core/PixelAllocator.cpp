#include "engine/core/PixelAllocator.h"

#include <sys/mman.h>

#include <cstdint>

namespace glyphon::pixel_memory {

namespace {

constexpr size_t kHugePage = size_t(2) << 20;

size_t roundedUp(size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

void* allocate(size_t bytes) {
  if (bytes < kMappedFrom) return ::operator new(bytes);
  const size_t size = roundedUp(bytes);
  // Map one huge page more than needed and give back what lies before the
  // first 2 MiB boundary and after the block.
  void* mapped =
      mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<uintptr_t>(mapped);
  const uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
  if (aligned > start) munmap(mapped, aligned - start);
  const uintptr_t end = start + size + kHugePage;
  if (end > aligned + size) munmap(reinterpret_cast<void*>(aligned + size), end - aligned - size);
  void* block = reinterpret_cast<void*>(aligned);
  // Advice only: where the kernel has no huge pages to give, the block
  // works as ordinary memory.
  madvise(block, size, MADV_HUGEPAGE);
  return block;
}

void deallocate(void* p, size_t bytes) noexcept {
  if (!p) return;
  if (bytes < kMappedFrom) {
    ::operator delete(p);
    return;
  }
  munmap(p, roundedUp(bytes));
}

}  // namespace glyphon::pixel_memory
