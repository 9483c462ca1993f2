#include "engine/core/PluginFailure.h"

#include <csignal>
#include <cstring>

namespace glyphon {

std::string signalDescription(int signal) {
  switch (signal) {
    case SIGSEGV:
      return "segmentation fault";
    case SIGBUS:
      return "bus error";
    case SIGFPE:
      return "arithmetic error";
    case SIGILL:
      return "illegal instruction";
    case SIGABRT:
      return "aborted";
    case SIGKILL:
      return "killed";
    case SIGTERM:
      return "terminated";
    case SIGXCPU:
      return "processor time limit reached";
    case SIGSYS:
      return "forbidden system call";
    case SIGTRAP:
      return "trap";
    default:
      return "signal " + std::to_string(signal);
  }
}

namespace {

// "10 seconds", "1 second", "0.3 seconds" for a time in milliseconds.
std::string secondsText(int milliseconds) {
  if (milliseconds == 1000) return "1 second";
  if (milliseconds % 1000 == 0) return std::to_string(milliseconds / 1000) + " seconds";
  const int tenths = (milliseconds + 50) / 100;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " seconds";
}

}  // namespace

std::string pluginFailureMessage(const std::string& styleName, PluginFault fault, int detail,
                                 const std::string& helperProgram) {
  const std::string style = "The style \u201C" + styleName + "\u201D";
  switch (fault) {
    case PluginFault::Crashed:
      return style + " stopped unexpectedly (" + signalDescription(detail) +
             ") while drawing the text.";
    case PluginFault::Exited:
      return style + " ended its own process (exit status " + std::to_string(detail) +
             ") while drawing the text.";
    case PluginFault::TimedOut:
      return style + " did not finish drawing the text within " + secondsText(detail) +
             " and was stopped.";
    case PluginFault::WroteOutside:
      return style + " wrote outside the picture it was given while drawing the text.";
    case PluginFault::BrokeContract:
      return style +
             " changed the size or the address of the picture it was given instead of asking "
             "for a new size; its drawing was thrown away.";
    case PluginFault::BadAnswer:
      return style + " returned a picture that cannot be used (its size is beyond the limits).";
    case PluginFault::HelperMissing:
      return style + " cannot be drawn: the program that runs styles, " +
             (helperProgram.empty() ? std::string("glyphon-style-host") : helperProgram) +
             ", is missing or cannot start. Reinstalling Glyphon Editor brings it back.";
  }
  return style + " failed while drawing the text.";
}

PluginFailure::PluginFailure(PluginFault fault, int detail, const std::string& library,
                             const std::string& helperProgram)
    : Error(pluginFailureMessage(library, fault, detail, helperProgram)),
      m_fault(fault),
      m_detail(detail),
      m_helperProgram(helperProgram) {}

}  // namespace glyphon
