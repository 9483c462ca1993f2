// The recovery copy of one running editor: the composition as a project
// file, written while it is modified, so that a crash loses at most the
// last minute of work.
//
// In the state folder each running editor has its own three files, named
// "recovery-<process id>-<number>" and:
// - ".gyf": the copy, an ordinary project file (it opens as a project);
// - ".ini": section [Recovery] with ProjectPath (the project file the
//   composition belongs to, empty before its first save) and SavedAt (the
//   time of the copy, seconds since 1970 UTC);
// - ".lock": locked (flock) for as long as the editor runs. A copy whose
//   lock is free belongs to an editor that is gone (AbandonedCopy.h).
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "engine/documents/ProjectSnapshot.h"

namespace glyphon {

// What names the files of one copy: the folder and "recovery-...".
struct RecoveryFiles {
  std::string folder;
  std::string base;
  [[nodiscard]] std::string copyPath() const { return folder + "/" + base + ".gyf"; }
  [[nodiscard]] std::string infoPath() const { return folder + "/" + base + ".ini"; }
  [[nodiscard]] std::string lockPath() const { return folder + "/" + base + ".lock"; }
};

// The beginning every copy's name shares.
inline constexpr const char* kRecoveryPrefix = "recovery-";

class RecoveryCopy {
 public:
  // Creates the folder (and its parents, private to the user) when missing
  // and takes a name of its own there, locked. Throws Error when it cannot.
  explicit RecoveryCopy(const std::string& folder);
  // Removes the copy and its lock: the editor closes normally.
  ~RecoveryCopy();
  RecoveryCopy(const RecoveryCopy&) = delete;
  RecoveryCopy& operator=(const RecoveryCopy&) = delete;

  // Replaces the copy with snapshot, then its information file; each is
  // replaced whole or not at all (writeWholeFile), so a failure (a full
  // disk) leaves the previous copy as it was. Throws Error.
  void write(const ProjectSnapshot& snapshot);
  // Removes the copy and its information file and lets the memory of the
  // copy's bytes go; the lock stays.
  void remove();

  [[nodiscard]] const RecoveryFiles& files() const { return m_files; }

 private:
  RecoveryFiles m_files;
  int m_lockFd = -1;
  // The bytes of the copy, kept from one copy to the next: mapping fresh
  // memory for tens of megabytes, and giving it back, holds up the
  // editor's thread when it needs memory at that moment.
  std::vector<uint8_t> m_bytes;
};

}  // namespace glyphon
