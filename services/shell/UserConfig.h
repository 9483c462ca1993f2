// The user's own choices kept outside the program: the configuration file in
// the user's configuration folder, read with the user's number format, and
// the language named in the environment.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "engine/shell/Config.h"

namespace glyphon {

// The environment variable that names the language of the translated
// dialogs: a file of the Languages folder, with or without ".ini".
inline const char* const kLanguageVariable = "GLYPHON_LANGUAGE";

// The decimal separator of the user's number format.
[[nodiscard]] std::string localeDecimalSeparator();

// The path of the configuration file in userConfigFolder().
[[nodiscard]] QString userConfigPath();

// Reads the configuration file (see loadConfiguration): defaults for
// whatever is missing or unreadable.
[[nodiscard]] Configuration loadUserConfiguration();

// Writes the configuration file (see saveConfiguration); throws Error
// "Unable to write to <path>" and keeps the old file when it cannot.
void saveUserConfiguration(const Configuration& config);

// The position of the language named by GLYPHON_LANGUAGE in the language
// list of programFolder, or -1 (English) when the variable is unset or
// names no file of the list; the latter is reported on the standard error
// stream with the languages there are.
[[nodiscard]] int32_t chosenLanguageIndex(const QString& programFolder);

}  // namespace glyphon
