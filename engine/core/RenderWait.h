// How a caller waits while the style helper draws. The engine's own wait
// blocks in poll(); the editor's windows install one (ScopedOverride) that
// keeps the window painted, shows the busy pointer and offers to cancel.
#pragma once

#include <chrono>

namespace glyphon {

class RenderWait {
 public:
  virtual ~RenderWait() = default;
  // Returns once fd is readable or timeout has passed, true; false when the user cancelled the
  // rendering instead.
  virtual bool waitReadable(int fd, std::chrono::milliseconds timeout) = 0;
};

// The wait in force: the innermost ScopedOverride<RenderWait>, else one that blocks.
[[nodiscard]] RenderWait& renderWait();

}  // namespace glyphon
