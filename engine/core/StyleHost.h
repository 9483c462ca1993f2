// The editor's side of the style helper glyphon-style-host, which runs every
// style plug-in in a process of its own (StyleHostMain.cpp): a plug-in that
// crashes, hangs, ends its process or scribbles over memory takes only the
// helper with it. The helper is started at the first call and kept for the
// next ones; a helper that died, was stopped at the time limit or cancelled
// is replaced at the next call. Plain POSIX: posix_spawn, a socket pair, a
// memfd for the pictures and poll.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>

#include "engine/core/Bitmap.h"
#include "engine/core/PluginCall.h"
#include "engine/core/PluginFailure.h"
#include "engine/core/RenderWait.h"

namespace glyphon {

namespace style_host {
struct Answer;
}

// What a call brought back: NotAPlugin (the library does not load or lacks its export) or
// Done, with the picture for a rendering.
struct PluginAnswer {
  PluginCallStatus Status = PluginCallStatus::NotAPlugin;
  PluginContract Contract = PluginContract::Ascii;
  double Scale = 1.0;
  Bitmap Picture;
};

// Where the helper program is: $GLYPHON_STYLE_HOST when set; else glyphon-style-host beside
// the running program (the build tree), else <prefix>/libexec/glyphon-editor/ for a program in
// <prefix>/bin (an installed tree), else one folder up (the build tree's tools). When none
// exists, the first place looked at.
[[nodiscard]] std::string styleHostProgram();

class StyleHost {
 public:
  static constexpr std::chrono::milliseconds kDefaultTimeLimit{10000};

  explicit StyleHost(std::string program);
  // Stops the helper.
  ~StyleHost();
  StyleHost(const StyleHost&) = delete;
  StyleHost& operator=(const StyleHost&) = delete;

  // The one helper of this process, running styleHostProgram().
  [[nodiscard]] static StyleHost& shared();

  // How long one call may take before the helper is stopped.
  void setTimeLimit(std::chrono::milliseconds limit) { m_timeLimit = limit; }
  [[nodiscard]] std::chrono::milliseconds timeLimit() const { return m_timeLimit; }

  // Makes call and waits for its answer through wait. Throws PluginFailure when the plug-in or
  // the helper fails (the helper is then replaced at the next call) and RenderingCancelled when
  // the wait says the user cancelled (the helper is stopped).
  [[nodiscard]] PluginAnswer call(const PluginCall& call, RenderWait& wait);

  // The same in steps, for a caller that runs its own loop: begin sends the call; waitFd()
  // becomes readable when there is news; finish() returns the answer once it is there and
  // nothing while the call runs, and throws as call() does, also when the time limit has
  // passed; cancel() stops the helper and the call with it.
  void begin(const PluginCall& call);
  [[nodiscard]] int waitFd() const { return m_channel; }
  [[nodiscard]] std::optional<PluginAnswer> finish();
  void cancel();
  [[nodiscard]] bool busy() const { return m_busy; }

  // The running helper's process, 0 when none runs.
  [[nodiscard]] pid_t pid() const { return m_pid; }
  // Stops the helper; the next call starts another.
  void stop();

 private:
  void start();
  // Kills the helper (when killFirst) and reaps it, closes the channel and
  // the memfd and removes its temporary folder; returns its wait status.
  int reap(bool killFirst);
  // Ends the call: the helper is gone or must go, and the failure is thrown.
  [[noreturn]] void failOnDeath();
  [[noreturn]] void failAndStop(PluginFault fault, int detail);
  PluginAnswer readPicture(const style_host::Answer& answer);

  std::string m_program;
  std::chrono::milliseconds m_timeLimit = kDefaultTimeLimit;
  pid_t m_pid = 0;
  int m_channel = -1;
  int m_pictures = -1;
  std::string m_tempFolder;
  bool m_busy = false;
  std::string m_library;  // of the call under way
  std::chrono::steady_clock::time_point m_deadline;
};

}  // namespace glyphon
