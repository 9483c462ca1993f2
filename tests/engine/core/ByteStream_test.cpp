// The byte stream: a file gives what the same bytes in memory give, through
// every mix of peeks, reads, skips and takes across its buffer, and a file
// that fails is reported as such.
#include "engine/core/ByteStream.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/core/Error.h"

namespace glyphon {
namespace {

namespace fs = std::filesystem;

class ByteStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() / ("glyphon-bytestream-" + std::to_string(::getpid()));
    fs::create_directories(m_dir);
  }
  void TearDown() override { fs::remove_all(m_dir); }
  std::string write(const std::vector<uint8_t>& bytes) const {
    const std::string path = (m_dir / "data").string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
  }
  fs::path m_dir;
};

// Bytes that differ from their neighbours, so that any shift shows.
std::vector<uint8_t> numbered(size_t count) {
  std::vector<uint8_t> bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = uint8_t((i * 131) ^ (i >> 9));
  return bytes;
}

TEST_F(ByteStreamTest, AFileGivesTheBytesMemoryGivesThroughEveryKindOfStep) {
  const std::vector<uint8_t> bytes = numbered(1500000);
  const std::string path = write(bytes);
  ByteStream memory(bytes);
  ByteStream file(path);
  EXPECT_EQ(file.left(), bytes.size());

  enum Kind { kPeek, kRead, kSkip, kTake };
  // Small steps inside the buffer, steps across its end, reads past it that
  // go straight to their destination, and long skips.
  const std::vector<std::pair<Kind, size_t>> steps = {
      {kPeek, 26},     {kRead, 3},      {kPeek, 4096},   {kRead, 200000}, {kSkip, 2},
      {kRead, 300000}, {kPeek, 1},      {kSkip, 300000}, {kTake, 5000},   {kTake, 400000},
      {kRead, 1},      {kSkip, 100000}, {kPeek, 4096},   {kRead, 4000},   {kSkip, 90000},
  };
  for (const auto& [kind, count] : steps) {
    SCOPED_TRACE(testing::Message() << "at " << memory.position() << ", step of " << count);
    std::vector<uint8_t> a(count), b(count);
    PixelBytes scratchA, scratchB;
    switch (kind) {
      case kPeek: {
        const auto pa = memory.peek(count), pb = file.peek(count);
        ASSERT_EQ(std::vector<uint8_t>(pa.begin(), pa.end()),
                  std::vector<uint8_t>(pb.begin(), pb.end()));
        break;
      }
      case kRead:
        memory.read(a.data(), count);
        file.read(b.data(), count);
        ASSERT_EQ(a, b);
        break;
      case kSkip:
        memory.skip(count);
        file.skip(count);
        break;
      case kTake: {
        const auto ta = memory.take(count, scratchA), tb = file.take(count, scratchB);
        ASSERT_EQ(std::vector<uint8_t>(ta.begin(), ta.end()),
                  std::vector<uint8_t>(tb.begin(), tb.end()));
        break;
      }
    }
    ASSERT_EQ(file.position(), memory.position());
  }
  // The rest, and a peek at the end gives what is left.
  const size_t rest = size_t(memory.left());
  ASSERT_EQ(file.left(), rest);
  EXPECT_EQ(file.peek(4096).size(), std::min<size_t>(rest, 4096));
  std::vector<uint8_t> a(rest), b(rest);
  memory.read(a.data(), rest);
  file.read(b.data(), rest);
  EXPECT_EQ(a, b);
  EXPECT_TRUE(file.atEnd());
  EXPECT_TRUE(file.peek(10).empty());
  EXPECT_FALSE(file.failed());
}

TEST_F(ByteStreamTest, AFileThatShrinksOrCannotBeOpenedIsRefusedClearly) {
  const std::string path = write(numbered(600000));
  ByteStream file(path);
  std::vector<uint8_t> out(300000);
  file.read(out.data(), 1000);
  fs::resize_file(path, 200000);
  try {
    file.read(out.data(), out.size());
    ADD_FAILURE() << "read past the end of the file";
  } catch (const Error& e) {
    EXPECT_EQ(e.what(), "Cannot read file \"" + path + "\". It became shorter while it was read");
  }
  EXPECT_TRUE(file.failed());

  const std::string missing = (m_dir / "missing").string();
  try {
    ByteStream none(missing);
    ADD_FAILURE() << "a missing file opened";
  } catch (const Error& e) {
    EXPECT_EQ(e.what(), "Cannot open file \"" + missing + "\". No such file or directory");
  }
}

}  // namespace
}  // namespace glyphon
