// The least the style helper needs, taken away from it before it loads any
// plug-in. Each measure is applied where the kernel has it and skipped
// where it does not; the report says which are in force.
#pragma once

#include <string>

namespace glyphon {

struct SandboxReport {
  bool ResourceLimits = false;  // address space, processor time, file size, open files, no core
  bool NoNewPrivileges = false;
  bool CapabilitiesDropped = false;
  int LandlockAbi = 0;  // 0: no Landlock; else writes are allowed only under the folder
  bool SystemCallFilter = false;

  // One line per measure, for `glyphon-style-host --sandbox`.
  [[nodiscard]] std::string describe() const;
};

// The processor time the helper may use in all before it is stopped; the
// editor starts a fresh helper well before that.
inline constexpr int kHelperProcessorSeconds = 600;

// Applies every measure to the calling process, for good. writableFolder is the only place
// files may be written (or made, removed, renamed) where Landlock is there.
[[nodiscard]] SandboxReport enterStyleSandbox(const std::string& writableFolder);

}  // namespace glyphon
