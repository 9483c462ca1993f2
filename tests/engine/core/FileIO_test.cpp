#include "engine/core/FileIO.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/core/Error.h"
#include "engine/core/IniFile.h"
#include "engine/documents/PictureLoader.h"
#include "engine/documents/ProjectFile.h"
#include "engine/documents/StylePicture.h"

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

// Content made piece by piece: the chunks end up in order, once, even
// when the write runs twice (named after an unnamed file); a producer that
// fails leaves the old file and no temporary one.
TEST_F(FileIOTest, ContentWrittenInChunksArrivesWholeAndAFailedProducerChangesNothing) {
  const std::vector<uint8_t> big(700000, 0x5A);
  // Over 8 MB in all, so the disk is handed early parts while later ones
  // are still being written.
  std::vector<uint8_t> counting(700001);
  for (size_t i = 0; i < counting.size(); ++i) counting[i] = uint8_t(i % 251);
  const FileContent chunks = [&](const FileChunkSink& put) {
    put(kData);
    put({});
    put(big);
    for (int i = 0; i < 12; ++i) put(counting);
    put(std::vector<uint8_t>{42});
  };
  std::vector<uint8_t> expected = kData;
  expected.insert(expected.end(), big.begin(), big.end());
  for (int i = 0; i < 12; ++i) expected.insert(expected.end(), counting.begin(), counting.end());
  expected.push_back(42);
  for (bool unnamed : {true, false}) {
    allowUnnamedTemporaryFiles(unnamed);
    writeWholeFileInChunks(path("c.bin"), chunks);
    EXPECT_EQ(readWholeFile(path("c.bin")), expected);
  }
  allowUnnamedTemporaryFiles(true);

  EXPECT_EQ(errorOf([&] {
              writeWholeFileInChunks(path("c.bin"), [&big](const FileChunkSink& put) {
                put(big);
                throw Error("the picture went away");
              });
            }),
            "the picture went away");
  EXPECT_EQ(readWholeFile(path("c.bin")), expected);
  EXPECT_EQ(entries(), std::vector<std::string>{"c.bin"});
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

// Runs action in a child process and returns the text of the Error it
// throws ("(no error)" when none), or nothing when it has not finished
// within the time limit: the child is then killed, so that a hang fails
// the test instead of holding up the suite.
std::optional<std::string> errorWithin(std::chrono::milliseconds limit,
                                       const std::function<void()>& action) {
  int out[2];
  if (::pipe(out) != 0) return std::string("(no pipe)");
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(out[0]);
    std::string message = "(no error)";
    try {
      action();
    } catch (const Error& e) {
      message = e.what();
    }
    (void)!::write(out[1], message.data(), message.size());
    ::_exit(0);
  }
  ::close(out[1]);
  std::string message;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p{out[0], POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, int(left.count())) <= 0) {
      ::kill(child, SIGKILL);
      ::waitpid(child, nullptr, 0);
      ::close(out[0]);
      return std::nullopt;
    }
    char buffer[4096];
    const ssize_t got = ::read(out[0], buffer, sizeof buffer);
    if (got <= 0) break;
    message.append(buffer, size_t(got));
  }
  ::close(out[0]);
  ::waitpid(child, nullptr, 0);
  return message;
}

constexpr std::chrono::seconds kNoHang{10};

// A named pipe with no writer, a device that never ends, a folder and a
// socket are refused at once, by every reader of the user's files, with a
// message naming the file and what it is.
TEST_F(FileIOTest, FilesThatAreNotRegularAreRefusedAtOnce) {
  for (const char* name : {"pipe.bmp", "pipe.gyf", "pipe.ini"})
    ASSERT_EQ(::mkfifo(path(name).c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", path("zero.bmp"));
  const std::string folder = path("folder.bmp");
  fs::create_directories(folder);
  const std::string socketPath = path("socket.gyf");
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

  auto notRegular = [](const std::string& file, const std::string& what) {
    return "Cannot open file \"" + file + "\". It is " + what + ", not a regular file";
  };
  const std::string fifo = "a named pipe (FIFO)";
  struct Case {
    std::function<void()> read;
    std::string message;
  };
  const std::vector<Case> cases = {
      {[&] { (void)readWholeFile(path("pipe.bmp")); }, notRegular(path("pipe.bmp"), fifo)},
      {[] { (void)readWholeFile("/dev/zero"); }, notRegular("/dev/zero", "a character device")},
      {[&] { (void)readWholeFile(folder); }, "Cannot open file \"" + folder + "\". Is a directory"},
      {[&] { (void)readWholeFile(socketPath); }, notRegular(socketPath, "a socket")},
      {[&] { (void)loadPicture(path("pipe.bmp"), 0); },
       "'pipe.bmp': " + notRegular(path("pipe.bmp"), fifo)},
      {[&] { (void)loadPicture(path("zero.bmp"), 0); },
       "'zero.bmp': " + notRegular(path("zero.bmp"), "a character device")},
      {[&] { (void)loadProjectFile(path("pipe.gyf")); }, notRegular(path("pipe.gyf"), fifo)},
      {[] { (void)loadProjectFile("/dev/zero"); }, notRegular("/dev/zero", "a character device")},
      {[&] { (void)loadStylePicture(path("pipe.bmp")); }, notRegular(path("pipe.bmp"), fifo)},
      // Unreadable INI files read as empty, at once.
      {[&] { (void)IniFile::load(path("pipe.ini")); }, "(no error)"},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::optional<std::string> error = errorWithin(kNoHang, cases[i].read);
    ASSERT_TRUE(error.has_value()) << "case " << i << " still reads after 10 s";
    EXPECT_EQ(error->substr(0, cases[i].message.size()), cases[i].message) << "case " << i;
  }
  ::close(sock);
}

TEST_F(FileIOTest, RegularFilesOpenForBlockingReads) {
  writeWholeFile(path("plain"), kData);
  const int fd = openRegularFileForReading(path("plain"));
  ASSERT_GE(fd, 0);
  EXPECT_EQ(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
  EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
  ::close(fd);
}

// The id of a process that has ended.
pid_t deadProcessId() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

// Kills a child in the middle of writeWholeFile: the file size limit stops
// its write after 4 KiB, by SIGXFSZ, as a crash would.
void killedWhileWriting(const std::string& target, bool unnamedAllowed) {
  const pid_t child = ::fork();
  if (child == 0) {
    allowUnnamedTemporaryFiles(unnamedAllowed);
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    const rlimit small{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &small);
    writeWholeFile(target, std::vector<uint8_t>(1 << 20, 7));
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ);
}

void backdate(const std::string& file, std::chrono::seconds age) {
  const timespec times[2] = {{::time(nullptr) - age.count(), 0},
                             {::time(nullptr) - age.count(), 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

TEST_F(FileIOTest, AWriteKilledHalfWayLeavesNothingWhereFilesCanBeUnnamed) {
  const int probe = ::open(m_dir.c_str(), O_TMPFILE | O_WRONLY, 0600);
  if (probe < 0) GTEST_SKIP() << "this file system makes no unnamed files: " << strerror(errno);
  ::close(probe);
  writeWholeFile(path("work.gyf"), kData);
  killedWhileWriting(path("work.gyf"), true);
  EXPECT_EQ(entries(), std::vector<std::string>{"work.gyf"});
  EXPECT_EQ(readWholeFile(path("work.gyf")), kData);
}

TEST_F(FileIOTest, TheNextWriteRemovesWhatAKilledNamedWriteLeft) {
  writeWholeFile(path("work.gyf"), kData);
  killedWhileWriting(path("work.gyf"), false);
  const std::vector<std::string> left = entries();
  ASSERT_EQ(left.size(), 2u);
  const std::string leftover = left.front();
  EXPECT_EQ(leftover.rfind(".work.gyf.tmp", 0), 0u) << leftover;
  EXPECT_EQ(fs::file_size(path(leftover)), 4096u);
  EXPECT_EQ(readWholeFile(path("work.gyf")), kData);

  // Fresh, it might be a writer's on another machine; older, it goes.
  writeWholeFile(path("other"), kData);
  EXPECT_TRUE(fs::exists(path(leftover)));
  backdate(path(leftover), kStaleTemporaryAge + std::chrono::seconds(5));
  writeWholeFile(path("work.gyf"), std::vector<uint8_t>{4});
  EXPECT_EQ(entries(), (std::vector<std::string>{"other", "work.gyf"}));
}

TEST_F(FileIOTest, OnlyOurLeftoversOfEndedProcessesAreRemoved) {
  const std::string dead = std::to_string(deadProcessId());
  const std::string ours = std::to_string(::getpid());
  struct Case {
    std::string name;
    bool removed;
  };
  const std::vector<Case> cases = {
      {".a.gyf.tmp" + dead + "-12", true},
      {".my notes.txt.tmp" + dead + "-0", true},
      {".a.gyf.tmp" + ours + "-12", false},  // a write of this process under way
      {".a.gyf.tmp1-12", false},             // a running process
      {"a.gyf.tmp" + dead + "-12", false},   // not hidden
      {".a.gyf.tmp" + dead + "-", false},
      {".a.gyf.tmp" + dead, false},
      {".a.gyf.tmpx" + dead + "-3", false},
      {".a.gyf.tmp" + dead + "-3.bak", false},
      {".tmp" + dead + "-3", false},
  };
  // Made by hand: writeWholeFile would clear the leftovers up itself.
  auto make = [&](const std::string& name) {
    const int fd = ::open(path(name).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0) << name;
    ::close(fd);
  };
  for (const Case& c : cases) {
    make(c.name);
    backdate(path(c.name), kStaleTemporaryAge + std::chrono::seconds(5));
  }
  fs::create_directories(path(".d.tmp" + dead + "-1"));
  backdate(path(".d.tmp" + dead + "-1"), kStaleTemporaryAge + std::chrono::seconds(5));
  make(".fresh.tmp" + dead + "-1");

  EXPECT_EQ(removeStaleTemporaryFiles(m_dir.string(), kStaleTemporaryAge), 2);
  for (const Case& c : cases) EXPECT_EQ(fs::exists(path(c.name)), !c.removed) << c.name;
  EXPECT_TRUE(fs::is_directory(path(".d.tmp" + dead + "-1")));
  EXPECT_TRUE(fs::exists(path(".fresh.tmp" + dead + "-1")));
}

// Both readers read straight into their memory: a large file, and a file
// whose size says 0 while it has bytes.
TEST_F(FileIOTest, BothReadersGiveEveryByteOfLargeFilesAndProcFiles) {
  std::vector<uint8_t> large(5u << 20);
  for (size_t i = 0; i < large.size(); ++i) large[i] = uint8_t(i * 7 + i / 4096);
  writeWholeFile(path("large"), large);
  EXPECT_EQ(readWholeFile(path("large")), large);
  const PixelBytes held = readWholeFileBytes(path("large"));
  EXPECT_TRUE(std::equal(held.begin(), held.end(), large.begin(), large.end()));

  EXPECT_EQ(fs::file_size("/proc/self/status"), 0u);
  EXPECT_FALSE(readWholeFile("/proc/self/status").empty());
  const PixelBytes status = readWholeFileBytes("/proc/self/status");
  EXPECT_EQ(std::string(status.begin(), status.begin() + 5), "Name:");
}

}  // namespace
}  // namespace glyphon
