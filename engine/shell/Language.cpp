#include "engine/shell/Language.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace glyphon {

namespace {

constexpr std::string_view kExtension = ".ini";

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool lessIgnoringCase(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const char la = lowerAscii(a[i]), lb = lowerAscii(b[i]);
    if (la != lb) return la < lb;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;  // names that differ only in case keep a fixed order
}

bool hasIniExtension(std::string_view name) {
  return name.size() > kExtension.size() &&
         equalsIgnoringCase(name.substr(name.size() - kExtension.size()), kExtension);
}

std::string languagesFolder(const std::string& programFolder) {
  return programFolder + "/" + std::string(kLanguagesFolder);
}

}  // namespace

Language Language::load(const std::string& path) { return Language(IniFile::load(path)); }

std::string Language::text(std::string_view english) const {
  return m_file.readString(kLanguageSection, english, english);
}

std::vector<std::string> languageFileNames(const std::string& programFolder) {
  std::vector<std::string> names;
  std::error_code error;
  std::filesystem::directory_iterator it(languagesFolder(programFolder), error);
  for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    std::error_code ignored;
    if (!it->is_regular_file(ignored)) continue;
    std::string name = it->path().filename().string();
    if (hasIniExtension(name)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end(), lessIgnoringCase);
  return names;
}

int32_t languageIndexOf(const std::vector<std::string>& names, std::string_view name) {
  if (name.empty()) return -1;
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string_view file = names[i];
    const std::string_view stem = file.substr(0, file.size() - kExtension.size());
    if (equalsIgnoringCase(file, name) || equalsIgnoringCase(stem, name)) return int32_t(i);
  }
  return -1;
}

Language loadLanguage(const std::string& programFolder, int32_t index) {
  if (index < 0) return {};
  const std::vector<std::string> names = languageFileNames(programFolder);
  if (size_t(index) >= names.size()) return {};
  return Language::load(languagesFolder(programFolder) + "/" + names[size_t(index)]);
}

}  // namespace glyphon
