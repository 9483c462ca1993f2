#include "engine/core/TextRules.h"

#include <algorithm>

namespace glyphon {

namespace {

// Trimming treats spaces and every control character as blank; bytes above
// 127 are text.
bool isBlankByte(char c) { return static_cast<unsigned char>(c) <= 32; }

bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Length of the well-formed UTF-8 sequence at the start of text, or 0 when
// it starts with an ill-formed one (the ranges of Unicode's table 3-7).
size_t wellFormedLength(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i)
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  return length;
}

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

std::string wellFormedUtf8(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  while (!text.empty()) {
    const size_t length = wellFormedLength(text);
    if (length == 0) {
      // One replacement per bad byte: a reader then never loses more than
      // the bytes that were wrong.
      result += kReplacementCharacter;
      text.remove_prefix(1);
      continue;
    }
    if (text[0] != '\0') result.append(text.substr(0, length));
    text.remove_prefix(length);
  }
  return result;
}

std::string charactersFilteredOut(std::string_view utf8Text) {
  const std::string text = wellFormedUtf8(utf8Text);
  std::string leftOut;
  for (size_t i = 0; i < text.size();) {
    const size_t length = wellFormedLength(std::string_view(text).substr(i));
    const std::string_view character = std::string_view(text).substr(i, length);
    i += length;
    if (length == 1 && filterMemoText(character).size() == 1) continue;
    if (length == 1 && (static_cast<unsigned char>(character[0]) < 32 || character[0] == 127))
      continue;
    if (leftOut.find(character) == std::string::npos) leftOut.append(character);
  }
  return leftOut;
}

bool keyPassesFilter(uint32_t code) { return code <= 126; }

bool isBlankText(std::string_view text) {
  return std::all_of(text.begin(), text.end(), isBlankByte);
}

std::string cutItemText(std::string_view text) {
  if (text.size() <= kMaxItemTextLength) return std::string(text);
  // Back from the limit to the first byte that is not a continuation byte:
  // the character starting there does not fit whole, so the cut goes before
  // it. A character has at most three continuation bytes; ill-formed text
  // is cut no further back than that.
  size_t end = kMaxItemTextLength;
  while (end > kMaxItemTextLength - 3 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
    --end;
  return std::string(text.substr(0, end));
}

std::string itemTextFromFile(std::string_view bytes) {
  // Well-formed UTF-8 (zero bytes included, which files may hold) is kept
  // as it is, so that a text read, written and read again stays the same.
  bool utf8 = true;
  for (std::string_view rest = bytes; utf8 && !rest.empty();) {
    const size_t length = wellFormedLength(rest);
    utf8 = length > 0;
    rest.remove_prefix(length);
  }
  if (utf8) return std::string(bytes);
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 0x80) {
      text += c;
    } else {
      text += char(0xC0 | (code >> 6));
      text += char(0x80 | (code & 0x3F));
    }
  }
  return cutItemText(text);
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
