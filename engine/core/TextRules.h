// Rules for the text of the editing panel: what the memo may hold, when it
// counts as blank, how much of it an item keeps, and the date digits handed
// to the style plug-ins with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace glyphon {

// The most bytes of UTF-8 a text item keeps (and a project file stores); the plug-in renders the
// whole memo.
inline constexpr size_t kMaxItemTextLength = 255;

// The formatted date with every character that is not an ASCII digit replaced by the digit
// (code + 21) mod 10, the code read as an unsigned byte; "0" when the date is blank.
[[nodiscard]] std::string dateDigits(std::string_view formattedDate);

// The text with only CR, LF and the codes 32..126 kept, in their order.
[[nodiscard]] std::string filterMemoText(std::string_view text);

// The text as well-formed UTF-8 without zero bytes: every ill-formed sequence (a stray
// continuation byte, a truncated or overlong sequence, a surrogate, a code above U+10FFFF)
// becomes U+FFFD and every zero byte is dropped. This is what plug-ins of the text export get.
[[nodiscard]] std::string wellFormedUtf8(std::string_view text);

// The distinct characters of a UTF-8 text that filterMemoText drops, in the order they first
// appear, as UTF-8; control characters other than CR and LF are not listed (nobody sees them).
// Names what a plug-in of the ASCII export cannot draw.
[[nodiscard]] std::string charactersFilteredOut(std::string_view utf8Text);

// Whether a key typed into the memo is accepted: codes 0..126 are, control keys included.
[[nodiscard]] bool keyPassesFilter(uint32_t code);

// Whether the text is empty once leading and trailing spaces and control characters
// (codes 0..32) are trimmed.
[[nodiscard]] bool isBlankText(std::string_view text);

// The item form of the memo's text: the memo breaks lines with "\n", items keep CR LF (and
// plug-ins receive it so).
[[nodiscard]] std::string itemTextOf(std::string_view memoText);

// The memo form of an item's text: every CR LF, and a lone CR, becomes "\n".
[[nodiscard]] std::string memoTextOf(std::string_view itemText);

// The part of the text an item keeps: at most its first kMaxItemTextLength bytes, ending at a
// character boundary, so that a character is kept whole or not at all.
[[nodiscard]] std::string cutItemText(std::string_view text);

// An item text as read from a project file, as UTF-8: well-formed UTF-8 stays as it is; anything
// else was written in an 8-bit code page and is read as Latin-1, each byte one character, then
// cut by cutItemText.
[[nodiscard]] std::string itemTextFromFile(std::string_view bytes);

}  // namespace glyphon
