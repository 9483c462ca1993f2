#include "engine/core/FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "engine/core/Error.h"

namespace glyphon {

namespace {

std::string systemReason(int err) { return std::strerror(err); }

[[noreturn]] void failOpen(const std::string& path, const std::string& reason) {
  throw Error("Cannot open file \"" + path + "\". " + reason);
}

[[noreturn]] void failCreate(const std::string& path, const std::string& reason) {
  throw Error("Cannot create file \"" + path + "\". " + reason);
}

// Closes the descriptor when the scope ends, unless released.
class FdGuard {
 public:
  explicit FdGuard(int fd) : m_fd(fd) {}
  FdGuard(const FdGuard&) = delete;
  FdGuard& operator=(const FdGuard&) = delete;
  ~FdGuard() {
    if (m_fd >= 0) ::close(m_fd);
  }
  [[nodiscard]] int get() const { return m_fd; }
  // Closes now and reports the error close gives (0 when none).
  int closeNow() {
    int fd = m_fd;
    m_fd = -1;
    return ::close(fd) == 0 ? 0 : errno;
  }

 private:
  int m_fd;
};

std::string folderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a write to path replaces: the target of a symbolic link, so that
// the link itself survives; path unchanged otherwise.
std::string resolveTarget(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) return path;
  return resolved;
}

// Creates a new, empty temporary file beside target; returns its descriptor
// and sets tempPath. Returns -1 with errno set on failure.
int createTempBeside(const std::string& target, std::string& tempPath) {
  static std::atomic<uint64_t> counter{0};
  const std::string stem = folderOf(target) + "/." + baseNameOf(target) + ".tmp";
  for (int attempt = 0; attempt < 100; ++attempt) {
    const uint64_t tick =
        uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^ counter++;
    tempPath = stem + std::to_string(::getpid()) + "-" + std::to_string(tick % 1000000007u);
    int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// Reads the whole file into a container of bytes (see readWholeFile).
template <class Bytes>
Bytes readWholeFileInto(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) failOpen(path, systemReason(errno));
  FdGuard guard(fd);

  struct stat st {};
  if (::fstat(fd, &st) != 0) failOpen(path, systemReason(errno));
  if (S_ISDIR(st.st_mode)) failOpen(path, systemReason(EISDIR));
  const std::string tooLarge =
      "The file is larger than the limit of " + std::to_string(kMaxReadFileSize >> 20) + " MiB";
  if (S_ISREG(st.st_mode) && uint64_t(st.st_size) > kMaxReadFileSize) failOpen(path, tooLarge);

  // Read to the end rather than trusting the size: the file may change while
  // it is read, and pipes or devices have no size at all. The bytes go
  // straight into the container, which grows when the file outgrows it.
  Bytes data;
  size_t size = 0;
  data.resize(S_ISREG(st.st_mode) ? size_t(st.st_size) + 1 : 65536);
  for (;;) {
    if (size == data.size()) {
      if (size >= kMaxReadFileSize + 1) failOpen(path, tooLarge);
      data.resize(size_t(std::min<uint64_t>(uint64_t(size) * 2, kMaxReadFileSize + 1)));
    }
    ssize_t got = ::read(fd, data.data() + size, data.size() - size);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw Error("Cannot read file \"" + path + "\". " + systemReason(errno));
    }
    if (got == 0) break;
    size += size_t(got);
    if (size > kMaxReadFileSize) failOpen(path, tooLarge);
  }
  data.resize(size);
  return data;
}

}  // namespace

std::vector<uint8_t> readWholeFile(const std::string& path) {
  return readWholeFileInto<std::vector<uint8_t>>(path);
}

PixelBytes readWholeFileBytes(const std::string& path) {
  return readWholeFileInto<PixelBytes>(path);
}

void writeWholeFile(const std::string& path, std::span<const uint8_t> data) {
  const std::string target = resolveTarget(path);
  std::string tempPath;
  int fd = createTempBeside(target, tempPath);
  if (fd < 0) failCreate(path, systemReason(errno));
  FdGuard guard(fd);

  auto fail = [&](int err) {
    if (guard.get() >= 0) guard.closeNow();
    ::unlink(tempPath.c_str());
    failCreate(path, systemReason(err));
  };

  // An existing file keeps its permission bits.
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    if (::fchmod(fd, st.st_mode & 07777) != 0) fail(errno);
  }

  size_t done = 0;
  while (done < data.size()) {
    ssize_t put = ::write(fd, data.data() + done, data.size() - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      fail(errno);
    }
    done += size_t(put);
  }
  // The bytes must be on the disk before the rename makes them the file.
  if (::fsync(fd) != 0) fail(errno);
  if (int err = guard.closeNow(); err != 0) fail(err);
  if (::rename(tempPath.c_str(), target.c_str()) != 0) fail(errno);

  // Make the rename itself durable; a failure here loses nothing.
  int dirFd = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

}  // namespace glyphon
