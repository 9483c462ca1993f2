// Recovery copies whose editor is gone (a crash, a kill, a power cut): the
// ones whose lock nobody holds. Finding one takes its lock, so that no
// other editor starting at the same time offers it as well.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "engine/documents/RecoveryCopy.h"

namespace glyphon {

class AbandonedCopy {
 public:
  AbandonedCopy(RecoveryFiles files, int lockFd, std::string projectPath, std::time_t savedAt);
  // Lets the lock go and leaves the files: the copy is offered again later.
  ~AbandonedCopy();
  AbandonedCopy(AbandonedCopy&& other) noexcept;
  AbandonedCopy& operator=(AbandonedCopy&& other) noexcept;
  AbandonedCopy(const AbandonedCopy&) = delete;
  AbandonedCopy& operator=(const AbandonedCopy&) = delete;

  // The copy, a project file.
  [[nodiscard]] std::string copyPath() const { return m_files.copyPath(); }
  // The project file the composition belonged to; empty when it was never
  // saved.
  [[nodiscard]] const std::string& projectPath() const { return m_projectPath; }
  // When the copy was written, seconds since 1970 UTC.
  [[nodiscard]] std::time_t savedAt() const { return m_savedAt; }

  // Deletes the copy, its information and its lock.
  void discard();

 private:
  void release();

  RecoveryFiles m_files;
  int m_lockFd = -1;
  std::string m_projectPath;
  std::time_t m_savedAt = 0;
};

// The abandoned copies in folder, newest first, each locked until it is
// destroyed or discarded. Copies of running editors are left alone, and so
// is everything that is not a copy; leftovers of a copy that is gone (an
// information or lock file alone) are removed.
[[nodiscard]] std::vector<AbandonedCopy> findAbandonedCopies(const std::string& folder);

}  // namespace glyphon
