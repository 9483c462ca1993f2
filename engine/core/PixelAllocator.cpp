#include "engine/core/PixelAllocator.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <vector>

namespace glyphon::pixel_memory {

namespace {

constexpr size_t kHugePage = size_t(2) << 20;

size_t roundedUp(size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

// Maps size bytes (a multiple of kHugePage) aligned to a huge page and
// offered for huge pages; null when the system has no memory to give.
void* mapAligned(size_t size) {
  // Map one huge page more than needed and give back what lies before the
  // first 2 MiB boundary and after the block.
  void* mapped =
      mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
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

// Blocks from kPooledFrom up to kMappedFrom (item renderings, rows of
// large pictures) are cut one after the other from shared chunks on huge
// pages: on virtual machines a first touch of 4 KiB pages costs about 12 ms
// per MB, of huge pages under 1 ms. A chunk is given back when its last
// block is; the newest chunk is kept and refilled from its start then.
class Pool {
 public:
  static constexpr size_t kChunkBytes = size_t(8) << 20;

  void* allocate(size_t bytes) {
    const size_t size = (bytes + 63) / 64 * 64;
    std::lock_guard lock(m_mutex);
    if (m_chunks.empty() || m_chunks.back().used + size > kChunkBytes) {
      void* base = mapAligned(kChunkBytes);
      if (!base) throw std::bad_alloc();
      m_chunks.push_back({static_cast<uint8_t*>(base), 0, 0});
    }
    Chunk& chunk = m_chunks.back();
    void* block = chunk.base + chunk.used;
    chunk.used += size;
    ++chunk.live;
    return block;
  }

  void deallocate(void* p) noexcept {
    std::lock_guard lock(m_mutex);
    const auto at = std::find_if(m_chunks.begin(), m_chunks.end(), [p](const Chunk& c) {
      return p >= c.base && p < c.base + kChunkBytes;
    });
    if (at == m_chunks.end() || --at->live > 0) return;
    if (at + 1 == m_chunks.end()) {
      at->used = 0;
      return;
    }
    munmap(at->base, kChunkBytes);
    m_chunks.erase(at);
  }

 private:
  struct Chunk {
    uint8_t* base;
    size_t used;
    size_t live;
  };
  std::mutex m_mutex;
  std::vector<Chunk> m_chunks;
};

Pool& pool() {
  static Pool* const instance = new Pool;  // never destroyed: blocks may outlive main
  return *instance;
}

}  // namespace

void* allocate(size_t bytes) {
  if (bytes < kPooledFrom) return ::operator new(bytes);
  if (bytes < kMappedFrom) return pool().allocate(bytes);
  void* block = mapAligned(roundedUp(bytes));
  if (!block) throw std::bad_alloc();
  return block;
}

void deallocate(void* p, size_t bytes) noexcept {
  if (!p) return;
  if (bytes < kPooledFrom) {
    ::operator delete(p);
  } else if (bytes < kMappedFrom) {
    pool().deallocate(p);
  } else {
    munmap(p, roundedUp(bytes));
  }
}

}  // namespace glyphon::pixel_memory
