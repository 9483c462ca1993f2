#include "engine/shell/ProgramInfo.h"

#include "engine/shell/UpdateRules.h"

namespace glyphon {

std::string versionText(std::string_view program) {
  std::string text(program);
  text += " (";
  text += kPackageTitle;
  text += ") ";
  text += kProgramVersion;
  text += "\nCopyright (C) 2026 Vantry.\n";
  return text;
}

std::string helpFooter() {
  std::string text = "\nReport bugs to: support@glyphon.example\n";
  text += kPackageTitle;
  text += " home page: <https://glyphon.example/>\n";
  return text;
}

}  // namespace glyphon
