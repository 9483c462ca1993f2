#include "engine/documents/AbandonedCopy.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <system_error>
#include <utility>

#include "engine/core/IniFile.h"

namespace glyphon {

namespace {

namespace fs = std::filesystem;

// Locks the lock file of files when nobody holds it; -1 when a running
// editor does (or it cannot be opened). The lock taken must be on the file
// that still bears the name: one discarded meanwhile is unlinked.
int lockIfFree(const RecoveryFiles& files) {
  const std::string path = files.lockPath();
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  struct stat held {
  }, named{};
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &held) != 0 ||
      ::stat(path.c_str(), &named) != 0 || held.st_ino != named.st_ino ||
      held.st_dev != named.st_dev) {
    ::close(fd);
    return -1;
  }
  return fd;
}

std::optional<std::string> baseOf(const std::string& name, const std::string& extension) {
  if (name.rfind(kRecoveryPrefix, 0) != 0 || name.size() <= extension.size()) return std::nullopt;
  if (name.compare(name.size() - extension.size(), extension.size(), extension) != 0)
    return std::nullopt;
  return name.substr(0, name.size() - extension.size());
}

}  // namespace

AbandonedCopy::AbandonedCopy(RecoveryFiles files, int lockFd, std::string projectPath,
                             std::time_t savedAt)
    : m_files(std::move(files)),
      m_lockFd(lockFd),
      m_projectPath(std::move(projectPath)),
      m_savedAt(savedAt) {}

AbandonedCopy::~AbandonedCopy() { release(); }

AbandonedCopy::AbandonedCopy(AbandonedCopy&& other) noexcept
    : m_files(std::move(other.m_files)),
      m_lockFd(std::exchange(other.m_lockFd, -1)),
      m_projectPath(std::move(other.m_projectPath)),
      m_savedAt(other.m_savedAt) {}

AbandonedCopy& AbandonedCopy::operator=(AbandonedCopy&& other) noexcept {
  if (this != &other) {
    release();
    m_files = std::move(other.m_files);
    m_lockFd = std::exchange(other.m_lockFd, -1);
    m_projectPath = std::move(other.m_projectPath);
    m_savedAt = other.m_savedAt;
  }
  return *this;
}

void AbandonedCopy::release() {
  if (m_lockFd >= 0) ::close(m_lockFd);
  m_lockFd = -1;
}

void AbandonedCopy::discard() {
  if (m_lockFd < 0) return;
  ::unlink(m_files.copyPath().c_str());
  ::unlink(m_files.infoPath().c_str());
  // Unlinked while still held: an editor that opened it meanwhile finds
  // that its lock is on a file without a name and leaves it.
  ::unlink(m_files.lockPath().c_str());
  release();
}

std::vector<AbandonedCopy> findAbandonedCopies(const std::string& folder) {
  std::set<std::string> copies, others;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (auto base = baseOf(name, ".gyf"))
      copies.insert(*base);
    else if (auto info = baseOf(name, ".ini"))
      others.insert(*info);
    else if (auto lock = baseOf(name, ".lock"))
      others.insert(*lock);
  }

  std::vector<AbandonedCopy> found;
  for (const std::string& base : copies) {
    RecoveryFiles files{folder, base};
    const int fd = lockIfFree(files);
    if (fd < 0) continue;
    struct stat st {};
    if (::stat(files.copyPath().c_str(), &st) != 0) {  // discarded meanwhile
      AbandonedCopy(files, fd, {}, 0).discard();
      continue;
    }
    const IniFile info = IniFile::load(files.infoPath());
    const std::time_t modified = st.st_mtime;
    const std::string saved = info.readString("Recovery", "SavedAt", "");
    std::time_t savedAt = modified;
    if (!saved.empty() && saved.find_first_not_of("0123456789") == std::string::npos &&
        saved.size() < 19)
      savedAt = std::time_t(std::stoll(saved));
    found.emplace_back(files, fd, info.readString("Recovery", "ProjectPath", ""), savedAt);
  }
  // An information or lock file without its copy: what an editor leaves
  // that was killed before its first copy, or while discarding one.
  for (const std::string& base : others) {
    if (copies.count(base) != 0) continue;
    RecoveryFiles files{folder, base};
    const int fd = lockIfFree(files);
    if (fd >= 0) AbandonedCopy(files, fd, {}, 0).discard();
  }
  std::stable_sort(found.begin(), found.end(), [](const AbandonedCopy& a, const AbandonedCopy& b) {
    return a.savedAt() > b.savedAt();
  });
  return found;
}

}  // namespace glyphon
