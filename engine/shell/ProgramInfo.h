// What every program of the editor says about itself on --version.
#pragma once

#include <string>
#include <string_view>

namespace glyphon {

// The package the programs belong to, as --version names it.
inline constexpr std::string_view kPackageTitle = "Glyphon Editor";

// The text of --version for program, in the form GNU programs use: the
// first line "program (Glyphon Editor) 1.23", then the copyright line; it
// ends in a line break.
[[nodiscard]] std::string versionText(std::string_view program);

// The lines every --help ends with, as GNU programs have them: where to
// report bugs and the package's home page. Starts with a blank line.
[[nodiscard]] std::string helpFooter();

}  // namespace glyphon
