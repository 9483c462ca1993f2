#include "engine/core/ByteStream.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/core/Error.h"
#include "engine/core/FileIO.h"

namespace glyphon {

namespace {

// Reads smaller than this go through the buffer, larger ones straight to
// their destination.
constexpr size_t kBufferBytes = size_t(256) << 10;

}  // namespace

ByteStream::ByteStream(std::span<const uint8_t> data) : m_data(data), m_size(data.size()) {}

ByteStream::ByteStream(const std::string& path) : m_path(path) {
  m_buffer.resize(kBufferBytes);
  m_fd = openReadableFile(path, m_size);
  // The file is read once, front to back.
  (void)::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

ByteStream::~ByteStream() {
  if (m_fd >= 0) ::close(m_fd);
}

void ByteStream::readFile(uint8_t* out, size_t count) {
  while (count > 0) {
    size_t got = 0;
    try {
      got = readSome(m_fd, out, count, m_path);
    } catch (const Error&) {
      m_failed = true;
      throw;
    }
    if (got == 0) {
      m_failed = true;
      throw Error("Cannot read file \"" + m_path + "\". It became shorter while it was read");
    }
    out += got;
    count -= got;
  }
}

void ByteStream::fill(size_t count) {
  if (buffered() >= count) return;
  // Keep what is left at the front, then read as much as fits and the file
  // still holds, at least count bytes.
  std::memmove(m_buffer.data(), m_buffer.data() + m_bufferAt, buffered());
  m_bufferEnd = buffered();
  m_bufferAt = 0;
  const uint64_t fileLeft = left() - m_bufferEnd;
  const size_t want = size_t(std::min<uint64_t>(m_buffer.size() - m_bufferEnd, fileLeft));
  size_t got = 0;
  while (m_bufferEnd + got < count) {
    size_t n = 0;
    try {
      n = readSome(m_fd, m_buffer.data() + m_bufferEnd + got, want - got, m_path);
    } catch (const Error&) {
      m_failed = true;
      throw;
    }
    if (n == 0) {
      m_failed = true;
      throw Error("Cannot read file \"" + m_path + "\". It became shorter while it was read");
    }
    got += n;
  }
  m_bufferEnd += got;
}

std::span<const uint8_t> ByteStream::peek(size_t count) {
  count = size_t(std::min<uint64_t>(count, left()));
  if (m_fd < 0) return m_data.subspan(size_t(m_position), count);
  fill(count);
  return {m_buffer.data() + m_bufferAt, count};
}

void ByteStream::read(void* out, size_t count) {
  if (m_fd < 0) {
    if (count > 0) std::memcpy(out, m_data.data() + m_position, count);
    m_position += count;
    return;
  }
  auto* to = static_cast<uint8_t*>(out);
  const size_t fromBuffer = std::min(count, buffered());
  if (fromBuffer > 0) std::memcpy(to, m_buffer.data() + m_bufferAt, fromBuffer);
  m_bufferAt += fromBuffer;
  m_position += fromBuffer;
  to += fromBuffer;
  count -= fromBuffer;
  if (count == 0) return;
  if (count >= kBufferBytes / 2) {
    readFile(to, count);
  } else {
    fill(count);
    std::memcpy(to, m_buffer.data() + m_bufferAt, count);
    m_bufferAt += count;
  }
  m_position += count;
}

void ByteStream::skip(uint64_t count) {
  if (m_fd >= 0) {
    if (count <= buffered()) {
      m_bufferAt += size_t(count);
    } else {
      const uint64_t past = count - buffered();
      m_bufferAt = m_bufferEnd = 0;
      if (::lseek(m_fd, off_t(past), SEEK_CUR) < 0) {
        m_failed = true;
        throw Error("Cannot read file \"" + m_path + "\". " + std::strerror(errno));
      }
    }
  }
  m_position += count;
}

std::span<const uint8_t> ByteStream::take(size_t count, PixelBytes& scratch) {
  if (m_fd < 0) {
    const std::span<const uint8_t> bytes = m_data.subspan(size_t(m_position), count);
    m_position += count;
    return bytes;
  }
  scratch.resize(count);
  read(scratch.data(), count);
  return scratch;
}

}  // namespace glyphon
