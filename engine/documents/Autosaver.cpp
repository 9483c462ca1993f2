#include "engine/documents/Autosaver.h"

#include <sys/resource.h>
#include <unistd.h>

#include <exception>
#include <new>
#include <utility>

#include "engine/core/Error.h"

namespace glyphon {

namespace {

// How much the writing thread gives way to the others: a thread at nice 10
// gets about a tenth of the processor when it competes with one at 0.
constexpr int kWriterNice = 10;

}  // namespace

Autosaver::Autosaver(std::string folder, Listener listener)
    : m_folder(std::move(folder)), m_listener(std::move(listener)) {
  m_thread = std::thread([this] { run(); });
}

Autosaver::~Autosaver() {
  {
    std::lock_guard lock(m_mutex);
    m_stopping = true;
    m_pending.reset();
  }
  m_wake.notify_all();
  m_thread.join();
  // The copy and its lock go with it, and so do copies of editors that
  // were gone whose work this one recovered: the user has closed it.
  m_copy.reset();
  for (AbandonedCopy& copy : m_replaced) copy.discard();
}

uint64_t Autosaver::save(ProjectSnapshot snapshot, std::vector<AbandonedCopy> replaced) {
  uint64_t ticket = 0;
  {
    std::lock_guard lock(m_mutex);
    ticket = ++m_lastTicket;
    m_pending = std::move(snapshot);
    m_removePending = false;
    for (AbandonedCopy& copy : replaced) m_replaced.push_back(std::move(copy));
  }
  m_wake.notify_all();
  return ticket;
}

void Autosaver::remove() {
  {
    std::lock_guard lock(m_mutex);
    m_pending.reset();
    m_removePending = true;
  }
  m_wake.notify_all();
}

void Autosaver::waitUntilIdle() {
  std::unique_lock lock(m_mutex);
  m_idle.wait(lock, [this] { return !m_busy && !m_pending && !m_removePending; });
}

std::string Autosaver::copyPath() const {
  std::lock_guard lock(m_mutex);
  return m_copyPath;
}

void Autosaver::run() {
  // The copy can wait; the editor's thread must not. On Linux the nice
  // value of a thread is its own.
  ::setpriority(PRIO_PROCESS, ::gettid(), kWriterNice);
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [this] { return m_stopping || m_pending || m_removePending; });
    if (m_stopping) break;
    std::optional<ProjectSnapshot> snapshot = std::exchange(m_pending, std::nullopt);
    const bool remove = std::exchange(m_removePending, false);
    const uint64_t ticket = m_lastTicket;
    // Written or given up, the work of the copies replaced is safe or
    // no longer wanted.
    std::vector<AbandonedCopy> replaced = std::exchange(m_replaced, {});
    m_busy = true;
    lock.unlock();

    Result result;
    result.ticket = ticket;
    if (snapshot) {
      try {
        if (!m_copy) m_copy = std::make_unique<RecoveryCopy>(m_folder);
        m_copy->write(*snapshot);
        result.written = true;
        for (AbandonedCopy& copy : replaced) copy.discard();
        replaced.clear();
      } catch (const Error& e) {
        result.error = e.what();
      } catch (const std::bad_alloc&) {
        result.error = "Out of memory";
      } catch (const std::exception& e) {
        result.error = e.what();
      }
      // The snapshot's items and backdrop go here, off the editor's thread.
      snapshot.reset();
      if (m_listener) m_listener(result);
    } else if (remove) {
      if (m_copy) m_copy->remove();
      for (AbandonedCopy& copy : replaced) copy.discard();
      replaced.clear();
    }

    lock.lock();
    // A failed write keeps them, locked, for the next one.
    for (AbandonedCopy& copy : replaced) m_replaced.push_back(std::move(copy));
    if (m_copy) m_copyPath = m_copy->files().copyPath();
    m_busy = false;
    m_idle.notify_all();
  }
  m_idle.notify_all();
}

}  // namespace glyphon
