#include "engine/core/FileIO.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/core/Error.h"

namespace glyphon {
namespace {

namespace fs = std::filesystem;

class FileIOTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() / ("glyphon-fileio-" + std::to_string(::getpid()));
    fs::create_directories(m_dir);
  }
  void TearDown() override { fs::remove_all(m_dir); }
  std::string path(const std::string& name) const { return (m_dir / name).string(); }
  // Names in the folder, to see that no temporary file is left behind.
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(m_dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  static std::string errorOf(auto&& action) {
    try {
      action();
    } catch (const Error& e) {
      return e.what();
    }
    return "(no error)";
  }
  fs::path m_dir;
};

const std::vector<uint8_t> kData = {1, 2, 3, 0, 255};

TEST_F(FileIOTest, WriteThenReadBack) {
  writeWholeFile(path("a.bin"), kData);
  EXPECT_EQ(readWholeFile(path("a.bin")), kData);
  writeWholeFile(path("a.bin"), std::vector<uint8_t>{9});
  EXPECT_EQ(readWholeFile(path("a.bin")), std::vector<uint8_t>{9});
  writeWholeFile(path("empty"), {});
  EXPECT_TRUE(readWholeFile(path("empty")).empty());
  EXPECT_EQ(entries(), (std::vector<std::string>{"a.bin", "empty"}));
}

TEST_F(FileIOTest, PermissionsAreKeptOrFollowTheUmask) {
  writeWholeFile(path("old"), kData);
  ::chmod(path("old").c_str(), 0640);
  writeWholeFile(path("old"), kData);
  struct stat st {};
  ASSERT_EQ(::stat(path("old").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  const mode_t mask = ::umask(022);
  ::umask(mask);
  writeWholeFile(path("new"), kData);
  ASSERT_EQ(::stat(path("new").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0666u & ~mask);
}

TEST_F(FileIOTest, SymbolicLinkSurvivesAndItsTargetIsReplaced) {
  writeWholeFile(path("real"), kData);
  fs::create_symlink(path("real"), path("link"));
  writeWholeFile(path("link"), std::vector<uint8_t>{7, 7});
  EXPECT_TRUE(fs::is_symlink(path("link")));
  EXPECT_EQ(readWholeFile(path("real")), (std::vector<uint8_t>{7, 7}));
}

TEST_F(FileIOTest, FailedWritesLeaveNothingBehind) {
  const std::string missing = path("no-folder/x.bin");
  EXPECT_EQ(errorOf([&] { writeWholeFile(missing, kData); }),
            "Cannot create file \"" + missing + "\". No such file or directory");
  // The rename fails after the data was written: the temporary file goes.
  fs::create_directories(path("folder/inside"));
  EXPECT_EQ(errorOf([&] { writeWholeFile(path("folder"), kData); }),
            "Cannot create file \"" + path("folder") + "\". Is a directory");
  EXPECT_EQ(entries(), std::vector<std::string>{"folder"});
  EXPECT_TRUE(fs::exists(path("folder/inside")));
}

TEST_F(FileIOTest, ReadErrors) {
  EXPECT_EQ(errorOf([&] { (void)readWholeFile(path("none")); }),
            "Cannot open file \"" + path("none") + "\". No such file or directory");
  EXPECT_EQ(errorOf([&] { (void)readWholeFile(m_dir.string()); }),
            "Cannot open file \"" + m_dir.string() + "\". Is a directory");
  // A sparse file one byte over the limit costs no disk space.
  fs::resize_file((writeWholeFile(path("big"), {}), path("big")), kMaxReadFileSize + 1);
  EXPECT_EQ(
      errorOf([&] { (void)readWholeFile(path("big")); }),
      "Cannot open file \"" + path("big") + "\". The file is larger than the limit of 1024 MiB");
}

// Both readers read straight into their memory: a large file, a pipe that
// outgrows the first guess, and a file whose size says 0 while it has bytes.
TEST_F(FileIOTest, BothReadersGiveEveryByteOfFilesPipesAndProcFiles) {
  std::vector<uint8_t> large(5u << 20);
  for (size_t i = 0; i < large.size(); ++i) large[i] = uint8_t(i * 7 + i / 4096);
  writeWholeFile(path("large"), large);
  EXPECT_EQ(readWholeFile(path("large")), large);
  const PixelBytes held = readWholeFileBytes(path("large"));
  EXPECT_TRUE(std::equal(held.begin(), held.end(), large.begin(), large.end()));

  ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
  const std::vector<uint8_t> piped(large.begin(), large.begin() + 300000);
  std::thread writer([&] {
    FILE* f = std::fopen(path("pipe").c_str(), "wb");
    if (!f) return;
    std::fwrite(piped.data(), 1, piped.size(), f);
    std::fclose(f);
  });
  const PixelBytes fromPipe = readWholeFileBytes(path("pipe"));
  writer.join();
  EXPECT_TRUE(std::equal(fromPipe.begin(), fromPipe.end(), piped.begin(), piped.end()));

  EXPECT_EQ(fs::file_size("/proc/self/status"), 0u);
  EXPECT_FALSE(readWholeFile("/proc/self/status").empty());
  const PixelBytes status = readWholeFileBytes("/proc/self/status");
  EXPECT_EQ(std::string(status.begin(), status.begin() + 5), "Name:");
}

}  // namespace
}  // namespace glyphon
