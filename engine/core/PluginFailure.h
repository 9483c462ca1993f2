// A style plug-in that went wrong while the style helper ran it: it crashed,
// hung, ended the helper, went outside its picture or broke the bitmap
// contract. The editor's work is untouched by any of these; the command
// that asked for the rendering ends and the user is told what happened.
#pragma once

#include <exception>
#include <string>

#include "engine/core/Error.h"

namespace glyphon {

enum class PluginFault {
  Crashed,        // the helper ended on a signal: Detail is its number
  Exited,         // the plug-in ended the helper's process: Detail is the exit status
  TimedOut,       // still drawing at the time limit: Detail is the limit in milliseconds
  WroteOutside,   // wrote past the picture it was given
  BrokeContract,  // overwrote a field of the bitmap it was handed
  BadAnswer,      // the helper's answer did not make sense (a size beyond the limits, say)
  HelperMissing,  // the helper program is not where it belongs or cannot start
};

// The user's words for signal: "segmentation fault", "aborted", ...
[[nodiscard]] std::string signalDescription(int signal);

// The message the user reads when the style styleName failed with fault; detail as above.
// For HelperMissing, helperProgram names the program that was looked for.
[[nodiscard]] std::string pluginFailureMessage(const std::string& styleName, PluginFault fault,
                                               int detail, const std::string& helperProgram = {});

class PluginFailure : public Error {
 public:
  // what() names the plug-in by library, its path as the call gave it.
  PluginFailure(PluginFault fault, int detail, const std::string& library,
                const std::string& helperProgram = {});

  [[nodiscard]] PluginFault fault() const { return m_fault; }
  [[nodiscard]] int detail() const { return m_detail; }
  // The message naming the style kind by its caption instead of its library.
  [[nodiscard]] std::string messageFor(const std::string& styleName) const {
    return pluginFailureMessage(styleName, m_fault, m_detail, m_helperProgram);
  }

 private:
  PluginFault m_fault;
  int m_detail;
  std::string m_helperProgram;
};

// The user cancelled the rendering; the command ends and changes nothing.
class RenderingCancelled : public std::exception {
 public:
  [[nodiscard]] const char* what() const noexcept override { return "The drawing was cancelled"; }
};

}  // namespace glyphon
