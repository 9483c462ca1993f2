// The test seams of the program: an interface with one process-wide
// implementation, reached through an accessor such as messageBoxes() or
// printers(), which a test replaces for a while to record what would happen
// and to answer in the user's stead.
//
// The accessor returns ScopedOverride<Interface>::currentOr(its default
// implementation); a test holds a ScopedOverride<Interface> on its own one.
#pragma once

#include <utility>

namespace glyphon {

// Installs replacement as the implementation of Interface for its own
// lifetime and restores the previous one afterwards. Overrides nest and must
// end in the reverse order of their start, as scopes do. replacement must
// outlive this object. Seams are used from the thread that runs the windows.
template <typename Interface>
class ScopedOverride {
 public:
  explicit ScopedOverride(Interface& replacement)
      : m_previous(std::exchange(s_current, &replacement)) {}
  ~ScopedOverride() { s_current = m_previous; }
  ScopedOverride(const ScopedOverride&) = delete;
  ScopedOverride& operator=(const ScopedOverride&) = delete;

  // The innermost installed replacement, or fallback while none is installed.
  [[nodiscard]] static Interface& currentOr(Interface& fallback) {
    return s_current != nullptr ? *s_current : fallback;
  }

 private:
  inline static Interface* s_current = nullptr;
  Interface* m_previous;
};

}  // namespace glyphon
