#include "engine/core/FileIO.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "engine/core/Error.h"

namespace glyphon {

namespace {

std::string systemReason(int err) { return std::strerror(err); }

[[noreturn]] void failOpen(const std::string& path, const std::string& reason) {
  throw Error("Cannot open file \"" + path + "\". " + reason);
}

std::string tooLargeReason() {
  return "The file is larger than the limit of " + std::to_string(kMaxReadFileSize >> 20) + " MiB";
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
  // Hands the descriptor over; the guard no longer closes it.
  [[nodiscard]] int release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
  }
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

// What a file that is not a regular one is, for the message refusing it.
std::string kindOfNonRegular(mode_t mode) {
  if (S_ISFIFO(mode)) return "a named pipe (FIFO)";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a plain file";
}

[[noreturn]] void failNotRegular(const std::string& path, mode_t mode) {
  if (S_ISDIR(mode)) failOpen(path, systemReason(EISDIR));
  throw Error("Cannot open file \"" + path + "\". It is " + kindOfNonRegular(mode) +
              ", not a regular file");
}

// The name of a temporary file of ours beside target: "." + its name +
// ".tmp" + our process id + "-" + a number.
std::string tempStemFor(const std::string& target) {
  return folderOf(target) + "/." + baseNameOf(target) + ".tmp";
}

std::string nextTempName(const std::string& stem) {
  static std::atomic<uint64_t> counter{0};
  const uint64_t tick =
      uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^ counter++;
  return stem + std::to_string(::getpid()) + "-" + std::to_string(tick % 1000000007u);
}

// Creates a new, empty temporary file beside target; returns its descriptor
// and sets tempPath. Returns -1 with errno set on failure.
int createTempBeside(const std::string& target, std::string& tempPath) {
  const std::string stem = tempStemFor(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = nextTempName(stem);
    int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

std::atomic<bool> g_unnamedTempAllowed{true};

// An unnamed file in the folder of target (O_TMPFILE): it has no name until
// it is linked, so a crash before that leaves nothing behind. -1 when the
// file system or the kernel cannot make one, or when /proc, through which
// it is linked, is missing.
int createUnnamedTempBeside(const std::string& target) {
  if (!g_unnamedTempAllowed.load()) return -1;
  if (::access("/proc/self/fd", X_OK) != 0) return -1;
  return ::open(folderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
}

// Gives the unnamed file fd a name beside target, without replacing
// anything. Returns 0 or the errno.
int linkUnnamed(int fd, const std::string& target, std::string& tempPath) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  const std::string stem = tempStemFor(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = nextTempName(stem);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, tempPath.c_str(), AT_SYMLINK_FOLLOW) == 0)
      return 0;
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

// Whether the process pid is gone. One we may not signal still exists.
bool processIsGone(long pid) {
  if (pid <= 0) return false;
  return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

// The process id in name when name is a temporary file of ours:
// "." + a name + ".tmp" + digits + "-" + digits. 0 otherwise.
long leftoverOwner(const std::string& name) {
  if (name.size() < 2 || name[0] != '.') return 0;
  const size_t tmp = name.rfind(".tmp");
  if (tmp == std::string::npos || tmp < 2) return 0;
  const size_t dash = name.find('-', tmp + 4);
  if (dash == std::string::npos || dash == tmp + 4 || dash + 1 == name.size()) return 0;
  auto digits = [&](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i)
      if (name[i] < '0' || name[i] > '9') return false;
    return to - from <= 9;
  };
  if (!digits(tmp + 4, dash) || !digits(dash + 1, name.size())) return 0;
  return std::strtol(name.c_str() + tmp + 4, nullptr, 10);
}

}  // namespace

int openRegularFileForReading(const std::string& path) {
  // Without O_NONBLOCK, opening a named pipe waits for a writer, for ever.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    struct stat st {};
    // A socket cannot be opened at all; say what it is.
    if (err == ENXIO && ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
      failNotRegular(path, st.st_mode);
    failOpen(path, systemReason(err));
  }
  FdGuard guard(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0) failOpen(path, systemReason(errno));
  if (!S_ISREG(st.st_mode)) failNotRegular(path, st.st_mode);
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
    failOpen(path, systemReason(errno));
  const int result = guard.get();
  (void)guard.release();
  return result;
}

int openReadableFile(const std::string& path, uint64_t& size) {
  FdGuard guard(openRegularFileForReading(path));
  struct stat st {};
  if (::fstat(guard.get(), &st) != 0) failOpen(path, systemReason(errno));
  if (uint64_t(st.st_size) > kMaxReadFileSize) failOpen(path, tooLargeReason());
  size = uint64_t(st.st_size);
  return guard.release();
}

size_t readSome(int fd, void* out, size_t count, const std::string& path) {
  for (;;) {
    const ssize_t got = ::read(fd, out, count);
    if (got >= 0) return size_t(got);
    if (errno != EINTR) throw Error("Cannot read file \"" + path + "\". " + systemReason(errno));
  }
}

int removeStaleTemporaryFiles(const std::string& folder, std::chrono::seconds minimumAge) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  const time_t now = std::time(nullptr);
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    const long owner = leftoverOwner(name);
    if (owner == 0 || owner == long(::getpid()) || !processIsGone(owner)) continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    // A writer on another machine sharing the folder has a process id we
    // cannot see; its file is still growing.
    if (!S_ISREG(st.st_mode) || now - st.st_mtime < minimumAge.count()) continue;
    if (::unlinkat(::dirfd(dir), name.c_str(), 0) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}

void allowUnnamedTemporaryFiles(bool allowed) { g_unnamedTempAllowed.store(allowed); }

namespace {

// Reads the whole file into a container of bytes (see readWholeFile).
template <class Bytes>
Bytes readWholeFileInto(const std::string& path) {
  uint64_t fileSize = 0;
  FdGuard guard(openReadableFile(path, fileSize));
  const int fd = guard.get();

  // Read to the end rather than trusting the size: the file may change while
  // it is read. The bytes go straight into the container, which grows when
  // the file outgrows it.
  Bytes data;
  size_t size = 0;
  data.resize(size_t(fileSize) + 1);
  for (;;) {
    if (size == data.size()) {
      if (size >= kMaxReadFileSize + 1) failOpen(path, tooLargeReason());
      data.resize(size_t(std::min<uint64_t>(uint64_t(size) * 2, kMaxReadFileSize + 1)));
    }
    const size_t got = readSome(fd, data.data() + size, data.size() - size, path);
    if (got == 0) break;
    size += got;
    if (size > kMaxReadFileSize) failOpen(path, tooLargeReason());
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

namespace {

// Writes data to a new file beside target and renames it over target.
// With unnamedFirst, the file is made unnamed where the folder allows it;
// returns false, having changed nothing, when such a file cannot be given
// a name (a sandbox may forbid the link), so that the caller can write
// again through a named file.
bool writeAndReplace(const std::string& path, const std::string& target, const FileContent& content,
                     bool unnamedFirst) {
  std::string tempPath;
  int fd = unnamedFirst ? createUnnamedTempBeside(target) : -1;
  const bool unnamed = fd >= 0;
  if (!unnamed) fd = createTempBeside(target, tempPath);
  if (fd < 0) failCreate(path, systemReason(errno));
  FdGuard guard(fd);

  auto fail = [&](int err) {
    if (guard.get() >= 0) guard.closeNow();
    if (!tempPath.empty()) ::unlink(tempPath.c_str());
    failCreate(path, systemReason(err));
  };

  // An existing file keeps its permission bits.
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    if (::fchmod(fd, st.st_mode & 07777) != 0) fail(errno);
  }

  // What the content's producer throws ends the write like a failure of
  // the system: the temporary file goes, the target stays as it was.
  // Large files are handed to the disk while the rest is still produced,
  // so the fsync below waits for the last few megabytes only. It is a hint:
  // the fsync alone decides that the bytes are safe.
  constexpr off_t kWritebackEvery = off_t(8) << 20;
  off_t written = 0, handedOver = 0;
  try {
    content([&](std::span<const uint8_t> data) {
      size_t done = 0;
      while (done < data.size()) {
        ssize_t put = ::write(fd, data.data() + done, data.size() - done);
        if (put < 0) {
          if (errno == EINTR) continue;
          fail(errno);
        }
        done += size_t(put);
      }
      written += off_t(data.size());
      if (written - handedOver >= kWritebackEvery) {
        (void)::sync_file_range(fd, handedOver, written - handedOver, SYNC_FILE_RANGE_WRITE);
        handedOver = written;
      }
    });
  } catch (...) {
    if (guard.get() >= 0) guard.closeNow();
    if (!tempPath.empty()) ::unlink(tempPath.c_str());
    throw;
  }
  // The bytes must be on the disk before the rename makes them the file.
  if (::fsync(fd) != 0) fail(errno);
  // The unnamed file gets its name only now, complete, for the moment
  // until the rename.
  if (unnamed) {
    const int err = linkUnnamed(fd, target, tempPath);
    if (err == EPERM || err == EACCES || err == ENOENT || err == EOPNOTSUPP || err == EXDEV)
      return false;
    if (err != 0) {
      tempPath.clear();
      fail(err);
    }
  }
  if (int err = guard.closeNow(); err != 0) fail(err);
  if (::rename(tempPath.c_str(), target.c_str()) != 0) fail(errno);
  return true;
}

}  // namespace

void writeWholeFile(const std::string& path, std::span<const uint8_t> data) {
  writeWholeFileInChunks(path, [data](const FileChunkSink& put) { put(data); });
}

void writeWholeFileInChunks(const std::string& path, const FileContent& content) {
  const std::string target = resolveTarget(path);
  // Leftovers of our saves that were killed half-way; nothing else.
  (void)removeStaleTemporaryFiles(folderOf(target), kStaleTemporaryAge);
  if (!writeAndReplace(path, target, content, true)) writeAndReplace(path, target, content, false);

  // Make the rename itself durable; a failure here loses nothing.
  int dirFd = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

}  // namespace glyphon
