#include "engine/core/IniFile.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <span>
#include <system_error>

#include "engine/core/Error.h"
#include "engine/core/FileIO.h"

namespace glyphon {

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view trimmed(std::string_view s) {
  const size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const size_t last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

bool isQuote(char c) { return c == '"' || c == '\''; }

// A value as it reads: trimmed, and without one pair of enclosing quotes.
std::string_view unquoted(std::string_view value) {
  value = trimmed(value);
  if (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return value;
}

// A value as it is written: quoted when reading it back would otherwise
// lose blanks at its ends or a pair of quotes around it.
std::string quotedIfNeeded(std::string_view value) {
  const bool needsQuotes =
      !value.empty() &&
      (kBlanks.find(value.front()) != std::string_view::npos ||
       kBlanks.find(value.back()) != std::string_view::npos ||
       (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front()));
  if (!needsQuotes) return std::string(value);
  std::string quoted;
  quoted.reserve(value.size() + 2);
  quoted += '"';
  quoted += value;
  quoted += '"';
  return quoted;
}

bool holdsLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string::npos; }

void checkName(std::string_view what, std::string_view name, std::string_view forbidden) {
  if (trimmed(name).empty()) throw Error("An INI " + std::string(what) + " name cannot be empty");
  if (holdsLineBreak(name) || name.find_first_of(forbidden) != std::string_view::npos ||
      trimmed(name) != name)
    throw Error("\"" + std::string(name) + "\" cannot be written as an INI " + std::string(what) +
                " name");
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The value of a hexadecimal digit, or -1.
int hexDigit(char c) {
  if (isDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

IniFile IniFile::parse(std::string_view text) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());

  IniFile file;
  Section* current = nullptr;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    line = trimmed(line);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;

    if (line.front() == '[') {
      const size_t close = line.find(']');
      if (close == std::string_view::npos) continue;
      file.m_sections.push_back({std::string(trimmed(line.substr(1, close - 1))), {}});
      current = &file.m_sections.back();
      continue;
    }
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos || current == nullptr) continue;
    const std::string_view key = trimmed(line.substr(0, equals));
    if (key.empty()) continue;
    current->entries.push_back({std::string(key), std::string(unquoted(line.substr(equals + 1)))});
  }
  return file;
}

IniFile IniFile::load(const std::string& path) {
  std::vector<uint8_t> bytes;
  try {
    bytes = readWholeFile(path);
  } catch (const Error&) {
    return {};
  }
  return parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

const IniFile::Section* IniFile::findSection(std::string_view name) const {
  for (const Section& s : m_sections)
    if (equalsIgnoringCase(s.name, name)) return &s;
  return nullptr;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
  const Section* s = findSection(section);
  if (s == nullptr) return std::nullopt;
  for (const Entry& e : s->entries)
    if (equalsIgnoringCase(e.key, key)) return e.value;
  return std::nullopt;
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
  std::optional<std::string> v = value(section, key);
  return v ? std::move(*v) : std::string(fallback);
}

int32_t IniFile::readInteger(std::string_view section, std::string_view key,
                             int32_t fallback) const {
  const std::optional<std::string> v = value(section, key);
  if (!v) return fallback;
  return parseIniInteger(*v).value_or(fallback);
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool fallback) const {
  return readInteger(section, key, fallback ? 1 : 0) != 0;
}

double IniFile::readFloat(std::string_view section, std::string_view key, double fallback,
                          std::string_view decimalSeparator) const {
  const std::optional<std::string> v = value(section, key);
  if (!v) return fallback;
  return parseDecimal(*v, decimalSeparator).value_or(fallback);
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
  checkName("section", section, "[]");
  checkName("key", key, "=");
  if (key.front() == '[' || key.front() == ';' || key.front() == '#')
    throw Error("\"" + std::string(key) + "\" cannot be written as an INI key name");
  if (holdsLineBreak(value))
    throw Error("The value of \"" + std::string(key) +
                "\" holds a line break and cannot be written to an INI file");

  Section* target = nullptr;
  for (Section& s : m_sections)
    if (equalsIgnoringCase(s.name, section)) {
      target = &s;
      break;
    }
  if (target == nullptr) {
    m_sections.push_back({std::string(section), {}});
    target = &m_sections.back();
  }
  for (Entry& e : target->entries)
    if (equalsIgnoringCase(e.key, key)) {
      e.value = std::string(value);
      return;
    }
  target->entries.push_back({std::string(key), std::string(value)});
}

void IniFile::writeInteger(std::string_view section, std::string_view key, int32_t value) {
  writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
  writeString(section, key, value ? "1" : "0");
}

void IniFile::writeFloat(std::string_view section, std::string_view key, double value,
                         std::string_view decimalSeparator) {
  writeString(section, key, formatGeneral(value, decimalSeparator));
}

std::string IniFile::text() const {
  std::string out;
  for (const Section& s : m_sections) {
    if (!out.empty()) out += '\n';
    out += '[' + s.name + "]\n";
    for (const Entry& e : s.entries) out += e.key + '=' + quotedIfNeeded(e.value) + '\n';
  }
  return out;
}

void IniFile::save(const std::string& path) const {
  const std::string content = text();
  writeWholeFile(path, std::span(reinterpret_cast<const uint8_t*>(content.data()), content.size()));
}

std::optional<int32_t> parseIniInteger(std::string_view text) {
  text = trimmed(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int64_t magnitude = 0;
  if (text.starts_with('$') || text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(text.front() == '$' ? 1 : 2);
    if (text.empty() || text.size() > 8) {
      // Leading zeros may make a long text of a small value.
      while (text.size() > 8 && text.front() == '0') text.remove_prefix(1);
      if (text.empty() || text.size() > 8) return std::nullopt;
    }
    for (const char c : text) {
      const int d = hexDigit(c);
      if (d < 0) return std::nullopt;
      magnitude = magnitude * 16 + d;
    }
    // All 32 bits are the value's bits.
    const uint32_t bits = uint32_t(negative ? -magnitude : magnitude);
    return int32_t(bits);
  }
  if (text.empty()) return std::nullopt;
  for (const char c : text) {
    if (!isDigit(c)) return std::nullopt;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > int64_t(INT32_MAX) + 1) return std::nullopt;
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value > INT32_MAX) return std::nullopt;
  return int32_t(value);
}

std::optional<double> parseDecimal(std::string_view text, std::string_view decimalSeparator) {
  if (decimalSeparator.empty()) decimalSeparator = ".";
  text = trimmed(text);
  // Rewritten with a point for from_chars, which never looks at the locale.
  std::string plain;
  size_t pos = 0;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    if (text[pos] == '-') plain += '-';
    ++pos;
  }
  size_t digits = 0;
  while (pos < text.size() && isDigit(text[pos])) plain += text[pos++], ++digits;
  if (text.substr(pos).starts_with(decimalSeparator)) {
    pos += decimalSeparator.size();
    plain += '.';
    while (pos < text.size() && isDigit(text[pos])) plain += text[pos++], ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    plain += 'e';
    ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) plain += text[pos++];
    size_t exponentDigits = 0;
    while (pos < text.size() && isDigit(text[pos])) plain += text[pos++], ++exponentDigits;
    if (exponentDigits == 0) return std::nullopt;
  }
  if (pos != text.size()) return std::nullopt;

  double value = 0;
  const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  // Out of range means an exponent beyond what a double holds.
  if (ec != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::string formatGeneral(double value, std::string_view decimalSeparator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";

  // 15 significant digits, rounded, as "d.dddddddddddddde[+-]xx".
  char buffer[40];
  const auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
  if (ec != std::errc()) return "0";
  std::string_view scientific(buffer, size_t(end - buffer));
  std::string sign;
  if (scientific.front() == '-') {
    sign = "-";
    scientific.remove_prefix(1);
  }
  const size_t e = scientific.find('e');
  std::string digits;
  for (const char c : scientific.substr(0, e))
    if (isDigit(c)) digits += c;
  const int exponent = std::atoi(std::string(scientific.substr(e + 1)).c_str());
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out = sign;
  if (exponent < -5 || exponent >= 15) {
    out += digits.front();
    if (digits.size() > 1) out += std::string(decimalSeparator) + digits.substr(1);
    out += 'E';
    out += std::to_string(exponent);
    return out;
  }
  if (exponent < 0)
    return out + "0" + std::string(decimalSeparator) + std::string(size_t(-exponent - 1), '0') +
           digits;
  const size_t integerDigits = size_t(exponent) + 1;
  if (digits.size() <= integerDigits)
    return out + digits + std::string(integerDigits - digits.size(), '0');
  return out + digits.substr(0, integerDigits) + std::string(decimalSeparator) +
         digits.substr(integerDigits);
}

}  // namespace glyphon
