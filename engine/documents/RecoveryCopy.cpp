#include "engine/documents/RecoveryCopy.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "engine/core/Error.h"
#include "engine/core/FileIO.h"
#include "engine/core/IniFile.h"
#include "engine/documents/ProjectFile.h"

namespace glyphon {

namespace {

[[noreturn]] void failFolder(const std::string& folder, const std::string& reason) {
  throw Error("Cannot keep a recovery copy in \"" + folder + "\". " + reason);
}

}  // namespace

RecoveryCopy::RecoveryCopy(const std::string& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) failFolder(folder, ec.message());
  // The copies hold the user's work: nobody else reads them.
  ::chmod(folder.c_str(), 0700);

  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto stamp = uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
  for (uint64_t n = 0; n < 100 && m_lockFd < 0; ++n) {
    m_files = {folder,
               kRecoveryPrefix + std::to_string(::getpid()) + "-" + std::to_string(stamp + n)};
    // A name of its own: a process that ran with our id before may have
    // left its copy behind.
    const int fd = ::open(m_files.lockPath().c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      failFolder(folder, std::strerror(errno));
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int err = errno;
      ::close(fd);
      ::unlink(m_files.lockPath().c_str());
      failFolder(folder, std::strerror(err));
    }
    // Between the creation and the lock, another editor may have taken the
    // lone lock file for a leftover and removed it; then take another name.
    struct stat held {
    }, named{};
    if (::fstat(fd, &held) == 0 && ::stat(m_files.lockPath().c_str(), &named) == 0 &&
        held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
      m_lockFd = fd;
    } else {
      ::close(fd);
    }
  }
  if (m_lockFd < 0) failFolder(folder, std::strerror(EEXIST));
}

RecoveryCopy::~RecoveryCopy() {
  remove();
  ::unlink(m_files.lockPath().c_str());
  ::close(m_lockFd);
}

void RecoveryCopy::write(const ProjectSnapshot& snapshot) {
  writeProject(m_bytes, snapshot.Settings, *snapshot.Backdrop, snapshot.Items);
  writeWholeFile(m_files.copyPath(), m_bytes);
  IniFile info;
  info.writeString("Recovery", "ProjectPath", snapshot.ProjectPath);
  info.writeString("Recovery", "SavedAt", std::to_string(int64_t(snapshot.TakenAt)));
  info.save(m_files.infoPath());
}

void RecoveryCopy::remove() {
  ::unlink(m_files.copyPath().c_str());
  ::unlink(m_files.infoPath().c_str());
  m_bytes = {};
}

}  // namespace glyphon
