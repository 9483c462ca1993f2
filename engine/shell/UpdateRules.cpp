#include "engine/shell/UpdateRules.h"

#include <algorithm>

#include "engine/core/IniFile.h"

namespace glyphon {

namespace {

constexpr std::string_view kUpdateSection = "Update";

bool isBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; }

std::string_view trimmedBlanks(std::string_view s) {
  while (!s.empty() && isBlankOrControl(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlankOrControl(s.back())) s.remove_suffix(1);
  return s;
}

// A TCP port written in decimal digits, blanks around it allowed; empty for
// anything else and for 0.
std::optional<uint16_t> parsePort(std::string_view text) {
  text = trimmedBlanks(text);
  if (text.empty() || text.size() > 5) return std::nullopt;
  uint32_t port = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    port = port * 10 + uint32_t(c - '0');
  }
  if (port == 0 || port > 65535) return std::nullopt;
  return uint16_t(port);
}

std::optional<ProxyAddress> makeProxy(std::string_view host, std::string_view port) {
  host = trimmedBlanks(host);
  const std::optional<uint16_t> number = parsePort(port);
  if (host.empty() || !number) return std::nullopt;
  return ProxyAddress{std::string(host), *number};
}

// Whether bytes is well-formed UTF-8: no stray continuation bytes, no
// overlong forms, no surrogates, nothing above U+10FFFF.
bool isUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    if (b0 < 0x80) {
      ++i;
      continue;
    }
    size_t length = 0;
    uint32_t lowest = 0;
    uint32_t code = 0;
    if ((b0 & 0xE0) == 0xC0) {
      length = 2, lowest = 0x80, code = b0 & 0x1Fu;
    } else if ((b0 & 0xF0) == 0xE0) {
      length = 3, lowest = 0x800, code = b0 & 0x0Fu;
    } else if ((b0 & 0xF8) == 0xF0) {
      length = 4, lowest = 0x10000, code = b0 & 0x07u;
    } else {
      return false;
    }
    if (bytes.size() - i < length) return false;
    for (size_t k = 1; k < length; ++k) {
      const auto b = static_cast<unsigned char>(bytes[i + k]);
      if ((b & 0xC0) != 0x80) return false;
      code = (code << 6) | (b & 0x3Fu);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

bool isNewerVersion(std::string_view version, std::string_view current) {
  // std::string_view compares through char_traits<char>, which orders bytes
  // as unsigned char, and a proper prefix before the longer text.
  return version.compare(current) > 0;
}

std::optional<ProxyAddress> proxyFromList(std::string_view list) {
  constexpr std::string_view kHttpEntry = "http=";
  if (const size_t entry = list.find(kHttpEntry); entry != std::string_view::npos) {
    list.remove_prefix(entry + kHttpEntry.size());
    list = list.substr(0, list.find(';'));
  }
  const size_t colon = list.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  return makeProxy(list.substr(0, colon), list.substr(colon + 1));
}

std::optional<ProxyAddress> proxyFromEnvironment(std::string_view value) {
  value = trimmedBlanks(value);
  const size_t scheme = value.find("://");
  if (scheme == std::string_view::npos) return proxyFromList(value);
  value.remove_prefix(scheme + 3);
  value = value.substr(0, value.find_first_of("/?#"));
  if (const size_t user = value.rfind('@'); user != std::string_view::npos)
    value.remove_prefix(user + 1);
  if (value.starts_with('[')) {
    const size_t close = value.find(']');
    if (close == std::string_view::npos || close + 1 >= value.size() || value[close + 1] != ':')
      return std::nullopt;
    return makeProxy(value.substr(1, close - 1), value.substr(close + 2));
  }
  return proxyFromList(value);
}

std::optional<UpdateAnswer> parseUpdateAnswer(std::string_view bytes) {
  if (bytes.size() > kMaxUpdateAnswerBytes) return std::nullopt;
  if (bytes.find('\0') != std::string_view::npos || !isUtf8(bytes)) return std::nullopt;
  const IniFile file = IniFile::parse(bytes);
  return UpdateAnswer{file.readString(kUpdateSection, "version", ""),
                      file.readString(kUpdateSection, "URL", "")};
}

std::string downloadAddress(std::string_view url) {
  url = trimmedBlanks(url);
  if (std::any_of(url.begin(), url.end(), isBlankOrControl)) return {};
  size_t schemeLength = 0;
  if (startsWithIgnoringCase(url, "http://"))
    schemeLength = 7;
  else if (startsWithIgnoringCase(url, "https://"))
    schemeLength = 8;
  else
    return {};
  std::string_view authority = url.substr(schemeLength);
  authority = authority.substr(0, authority.find_first_of("/?#"));
  if (const size_t user = authority.rfind('@'); user != std::string_view::npos)
    authority.remove_prefix(user + 1);
  if (authority.empty() || authority.front() == ':') return {};
  return std::string(url);
}

std::string progressText(std::string_view base, int dots) {
  return std::string(base) + std::string(size_t(std::clamp(dots, 0, kMaxProgressDots)), '.');
}

int nextProgressDots(int dots) { return dots >= 0 && dots < kMaxProgressDots ? dots + 1 : 0; }

}  // namespace glyphon
