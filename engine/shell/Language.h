// The language files: texts of the print dialog and the update dialog looked
// up by their English wording. A language file is an INI file in the
// "Languages" folder of the program's data folder whose section "String"
// maps each English text (with its "&" marks, colons and full stops) to the
// text to show instead. Keys match without regard to letter case; a missing
// file, section or key leaves the English text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/core/IniFile.h"

namespace glyphon {

inline constexpr std::string_view kLanguagesFolder = "Languages";
inline constexpr std::string_view kLanguageSection = "String";

class Language {
 public:
  // No language file: every text stays English.
  Language() = default;
  explicit Language(IniFile file) : m_file(std::move(file)) {}

  // The language file at path; a missing or unreadable one gives English.
  [[nodiscard]] static Language load(const std::string& path);

  // The text to show for english.
  [[nodiscard]] std::string text(std::string_view english) const;

 private:
  IniFile m_file;
};

// The names of the language files ("*.ini", any case of the extension) in
// the Languages folder of programFolder, sorted by name without regard to
// letter case. Empty when the folder is missing or unreadable.
[[nodiscard]] std::vector<std::string> languageFileNames(const std::string& programFolder);

// The position in names of the file of language name, given as the file's
// name with or without ".ini", in any letter case; -1 when there is none.
[[nodiscard]] int32_t languageIndexOf(const std::vector<std::string>& names, std::string_view name);

// The texts of entry index of languageFileNames(programFolder); English for
// a negative index or one past the end of the list.
[[nodiscard]] Language loadLanguage(const std::string& programFolder, int32_t index);

}  // namespace glyphon
