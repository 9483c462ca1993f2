// Writes recovery copies on a thread of its own, so that the editor never
// waits for an encoder or a disk: the user-interface thread only takes a
// snapshot (ProjectSnapshot.h) and hands it over.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/documents/AbandonedCopy.h"
#include "engine/documents/ProjectSnapshot.h"
#include "engine/documents/RecoveryCopy.h"

namespace glyphon {

class Autosaver {
 public:
  // What became of one snapshot handed to save().
  struct Result {
    // The number save() gave the snapshot.
    uint64_t ticket = 0;
    bool written = false;
    // Why it was not written ("Cannot create file ... No space left on
    // device"); empty when written.
    std::string error;
  };
  // Told of every write, on the writing thread.
  using Listener = std::function<void(const Result&)>;

  // Copies go to folder, which is created with the first one. listener may
  // be empty.
  Autosaver(std::string folder, Listener listener);
  // Waits for a write under way, then removes the copy: the editor closes
  // normally. A snapshot not yet begun is dropped.
  ~Autosaver();
  Autosaver(const Autosaver&) = delete;
  Autosaver& operator=(const Autosaver&) = delete;

  // Writes snapshot as the copy, replacing a snapshot that waits and has
  // not begun (the newest state is all that counts, so the listener hears
  // of the newest only). Returns the snapshot's number, counting from 1. The copies in
  // replaced (of an editor that is gone, whose work snapshot now holds) are
  // deleted once it is written; a failed write lets them go untouched.
  uint64_t save(ProjectSnapshot snapshot, std::vector<AbandonedCopy> replaced = {});
  // Removes the copy, after a write under way; a waiting snapshot is
  // dropped. The composition was saved or given up.
  void remove();
  // Returns once nothing waits and nothing is under way.
  void waitUntilIdle();

  // Where the copy of this editor is written; empty before the first write.
  [[nodiscard]] std::string copyPath() const;

 private:
  void run();

  const std::string m_folder;
  const Listener m_listener;
  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  std::condition_variable m_idle;
  std::optional<ProjectSnapshot> m_pending;
  uint64_t m_lastTicket = 0;
  std::vector<AbandonedCopy> m_replaced;
  bool m_removePending = false;
  bool m_busy = false;
  bool m_stopping = false;
  // Made by the thread with the first write.
  std::unique_ptr<RecoveryCopy> m_copy;
  std::string m_copyPath;
  std::thread m_thread;
};

}  // namespace glyphon
