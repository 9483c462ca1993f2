// Bytes read in order, from memory or straight from a file, for readers of
// large nested formats (the project file) that would otherwise hold a whole
// file in memory beside the pictures decoded from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "engine/core/PixelAllocator.h"

namespace glyphon {

class ByteStream {
 public:
  // Most bytes peek may be asked for.
  static constexpr size_t kMaxPeek = 4096;

  // The bytes of data, which must outlive the stream.
  explicit ByteStream(std::span<const uint8_t> data);
  // The regular file at path, opened at once: throws readWholeFile's errors
  // ("Cannot open file ...", a file past kMaxReadFileSize). Its size is
  // taken now; bytes written past it later are not read.
  explicit ByteStream(const std::string& path);
  ~ByteStream();
  ByteStream(const ByteStream&) = delete;
  ByteStream& operator=(const ByteStream&) = delete;

  // Bytes not yet read.
  [[nodiscard]] uint64_t left() const { return m_size - m_position; }
  [[nodiscard]] bool atEnd() const { return m_position >= m_size; }
  // Bytes read or skipped so far.
  [[nodiscard]] uint64_t position() const { return m_position; }

  // The next min(count, left()) bytes, still unread; valid until the next
  // call. Precondition: count <= kMaxPeek.
  [[nodiscard]] std::span<const uint8_t> peek(size_t count);
  // Copies the next count bytes to out. Precondition: count <= left().
  void read(void* out, size_t count);
  // Moves past the next count bytes. Precondition: count <= left().
  void skip(uint64_t count);
  // The next count bytes, moved past: a view of the data in memory, or the
  // file's bytes read into scratch. Precondition: count <= left().
  [[nodiscard]] std::span<const uint8_t> take(size_t count, PixelBytes& scratch);

  // Whether reading the file failed (an error of the system, or the file
  // became shorter than it was when opened). The Error thrown then says
  // "Cannot read file "<path>". <reason>"; callers that put a message of
  // their own around format errors pass this one on as it is.
  [[nodiscard]] bool failed() const { return m_failed; }

 private:
  [[nodiscard]] size_t buffered() const { return m_bufferEnd - m_bufferAt; }
  // Reads into the buffer until it holds count bytes (count <= left()).
  void fill(size_t count);
  // Reads exactly count bytes of the file to out, past the buffer.
  void readFile(uint8_t* out, size_t count);

  // In memory: the data. From a file: the buffer, of which
  // [m_bufferAt, m_bufferEnd) is read but not handed out.
  std::span<const uint8_t> m_data;
  PixelBytes m_buffer;
  size_t m_bufferAt = 0;
  size_t m_bufferEnd = 0;
  int m_fd = -1;
  std::string m_path;
  uint64_t m_size = 0;
  uint64_t m_position = 0;
  bool m_failed = false;
};

}  // namespace glyphon
