#include "engine/core/SharedPixelStore.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <new>

#include "engine/core/Bitmap.h"
#include "engine/core/Error.h"

namespace glyphon {

namespace {

size_t pageSize() { return size_t(sysconf(_SC_PAGESIZE)); }

size_t roundUpToPage(size_t bytes) {
  const size_t page = pageSize();
  return (bytes + page - 1) / page * page;
}

// The largest picture a plug-in may ask for.
size_t largestPictureBytes() {
  return roundUpToPage(size_t(Bitmap::kMaxPixels) * Bitmap::kBytesPerPixel);
}

}  // namespace

SharedPixelStore::SharedPixelStore(int memfd) : m_fd(memfd) {
  m_areaBytes = 2 * kGuardBytes + largestPictureBytes();
  void* area =
      mmap(nullptr, m_areaBytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (area == MAP_FAILED) throw Error("No address space for the pictures of style plug-ins");
  m_area = static_cast<uint8_t*>(area);
  m_bodyEnd = m_area + m_areaBytes - kGuardBytes;
  m_pixels = m_bodyEnd;
}

SharedPixelStore::~SharedPixelStore() { munmap(m_area, m_areaBytes); }

bool SharedPixelStore::outsidePicture(const void* address) const noexcept {
  const auto* a = static_cast<const uint8_t*>(address);
  const bool inArea = a >= m_area && a < m_area + m_areaBytes;
  const bool inPicture = a >= m_bodyEnd - m_mapped && a < m_bodyEnd;
  return inArea && !inPicture;
}

void SharedPixelStore::unmapPicture() noexcept {
  if (m_mapped == 0) return;
  // Back to reserved, inaccessible address space.
  (void)mmap(m_bodyEnd - m_mapped, m_mapped, PROT_NONE,
             MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED, -1, 0);
  m_mapped = 0;
}

bool SharedPixelStore::resize(int32_t width, int32_t height) {
  try {
    Bitmap::checkSize(width, height);
  } catch (const Error&) {
    return false;
  }
  const size_t bytes = size_t(width) * size_t(height) * Bitmap::kBytesPerPixel;
  const size_t mapBytes = roundUpToPage(bytes);
  // The editor shrinks the memfd again after a large picture, so its size
  // is asked each time.
  struct stat file {};
  if (fstat(m_fd, &file) != 0) return false;
  if (mapBytes > uint64_t(file.st_size) && ftruncate(m_fd, off_t(mapBytes)) != 0) return false;
  unmapPicture();
  if (mapBytes > 0) {
    void* at = mmap(m_bodyEnd - mapBytes, mapBytes, PROT_READ | PROT_WRITE,
                    MAP_SHARED | MAP_FIXED | MAP_POPULATE, m_fd, 0);
    if (at == MAP_FAILED) {
      m_pixels = m_bodyEnd;
      m_offset = 0;
      return false;
    }
    m_mapped = mapBytes;
  }
  m_pixels = m_bodyEnd - bytes;
  m_offset = mapBytes - bytes;
  // Earlier calls left their pictures in these pages.
  std::memset(m_pixels, 0, bytes);
  return true;
}

}  // namespace glyphon
