#include "engine/core/TextRules.h"

#include <algorithm>

namespace glyphon {

namespace {

// Trimming treats spaces and every control character as blank; bytes above
// 127 are text.
bool isBlankByte(char c) { return static_cast<unsigned char>(c) <= 32; }

bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string dateDigits(std::string_view formattedDate) {
  if (isBlankText(formattedDate)) return "0";
  std::string digits(formattedDate);
  for (char& c : digits) {
    if (!isAsciiDigit(c)) c = char('0' + (static_cast<unsigned char>(c) + 21) % 10);
  }
  return digits;
}

std::string filterMemoText(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  for (char c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (code == 10 || code == 13 || (code >= 32 && code <= 126)) kept.push_back(c);
  }
  return kept;
}

bool keyPassesFilter(uint32_t code) { return code <= 126; }

bool isBlankText(std::string_view text) {
  return std::all_of(text.begin(), text.end(), isBlankByte);
}

std::string cutItemText(std::string_view text) {
  return std::string(text.substr(0, kMaxItemTextLength));
}

std::string itemTextOf(std::string_view memoText) {
  std::string text;
  text.reserve(memoText.size());
  for (const char c : memoText) {
    if (c == '\n') text += '\r';
    text += c;
  }
  return text;
}

std::string memoTextOf(std::string_view itemText) {
  std::string text;
  text.reserve(itemText.size());
  for (size_t i = 0; i < itemText.size(); ++i) {
    if (itemText[i] != '\r') {
      text += itemText[i];
      continue;
    }
    text += '\n';
    if (i + 1 < itemText.size() && itemText[i + 1] == '\n') ++i;
  }
  return text;
}

}  // namespace glyphon
