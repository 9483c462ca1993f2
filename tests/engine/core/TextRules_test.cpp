#include "engine/core/TextRules.h"

#include <gtest/gtest.h>

#include <string>

namespace glyphon {
namespace {

TEST(TextRulesTest, DateDigits) {
  struct Case {
    std::string date;
    std::string digits;
  };
  const Case cases[] = {
      {"08/12/2026", "0881282026"},  // '/' 47 -> 8
      {"12.08.2026", "1270872026"},  // '.' 46 -> 7
      {"2026-08-12", "2026608612"},  // '-' 45 -> 6
      {" 8/12/26", "38812826"},      // a leading space (32) is replaced, not trimmed
      {"12\xE9"
       "08",
       "12408"},           // 233 as an unsigned byte -> 4
      {"\xC3\xA9", "60"},  // UTF-8 bytes 195 and 169
      {"0123456789", "0123456789"},
      {"", "0"},
      {" \t\r\n", "0"},
  };
  for (const Case& c : cases) EXPECT_EQ(dateDigits(c.date), c.digits) << c.date;
}

TEST(TextRulesTest, MemoFilterKeepsLineBreaksAndPrintableAscii) {
  EXPECT_EQ(filterMemoText("Hello\r\nWorld ~"), "Hello\r\nWorld ~");
  EXPECT_EQ(filterMemoText(std::string("a\tb\x1F"
                                       "c\x7F"
                                       "d\x80\xFF"
                                       "e\0f",
                                       12)),
            "abcdef");
  EXPECT_EQ(filterMemoText("caf\xC3\xA9"), "caf");
  EXPECT_EQ(filterMemoText("\xC3\xA9\xE2\x82\xAC"), "");
  EXPECT_EQ(filterMemoText(""), "");
}

TEST(TextRulesTest, WellFormedUtf8ReplacesEveryBadByte) {
  struct Case {
    std::string in, out;
  };
  const std::string fffd = "\xEF\xBF\xBD";
  const Case cases[] = {
      {"", ""},
      {"Gr\xC3\xBC\xC3\x9F"
       "e \xE6\x97\xA5 \xF0\x9F\x98\x80",
       "Gr\xC3\xBC\xC3\x9F"
       "e \xE6\x97\xA5 \xF0\x9F\x98\x80"},
      {"a\x80"
       "b",
       "a" + fffd + "b"},  // stray continuation byte
      {"\xC3", fffd},      // cut short at the end
      {"\xE6\x97"
       "x",
       fffd + fffd + "x"},                              // cut short before ASCII
      {"\xC0\xAF", fffd + fffd},                        // overlong "/"
      {"\xE0\x80\xAF", fffd + fffd + fffd},             // overlong, three bytes
      {"\xED\xA0\x80", fffd + fffd + fffd},             // a surrogate
      {"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd},  // above U+10FFFF
      {"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},         // U+10FFFF itself
      {"\xFF", fffd},
      {std::string("a\0b", 3), "ab"},  // zero bytes dropped
      {"\r\n\t", "\r\n\t"},
  };
  for (const Case& c : cases) EXPECT_EQ(wellFormedUtf8(c.in), c.out) << c.in;
}

TEST(TextRulesTest, CharactersFilteredOutAreNamedOnce) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"Hello\r\nWorld ~", ""},
      {"Gr\xC3\xBC\xC3\x9F"
       "e aus K\xC3\xB6ln",
       "\xC3\xBC\xC3\x9F\xC3\xB6"},
      {"caf\xC3\xA9 caf\xC3\xA9", "\xC3\xA9"},
      {"\xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7", "\xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7"},
      {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE6\x97\xA5", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
      {"a\tb\x7F"
       "c",
       ""},  // invisible controls unnamed
      {"x\x80y", "\xEF\xBF\xBD"},
  };
  for (const Case& c : cases) EXPECT_EQ(charactersFilteredOut(c.in), c.out) << c.in;
}

TEST(TextRulesTest, KeyFilter) {
  EXPECT_TRUE(keyPassesFilter(0));
  EXPECT_TRUE(keyPassesFilter(8));   // backspace
  EXPECT_TRUE(keyPassesFilter(22));  // Ctrl+V
  EXPECT_TRUE(keyPassesFilter(126));
  EXPECT_FALSE(keyPassesFilter(127));
  EXPECT_FALSE(keyPassesFilter(0xE9));
  EXPECT_FALSE(keyPassesFilter(0x20AC));
}

TEST(TextRulesTest, BlankText) {
  EXPECT_TRUE(isBlankText(""));
  EXPECT_TRUE(isBlankText("   \r\n\t \r\n"));
  EXPECT_TRUE(isBlankText(std::string("\0\x1F ", 3)));
  EXPECT_FALSE(isBlankText(" \r\nx\r\n "));
  EXPECT_FALSE(isBlankText("\x7F"));
  EXPECT_FALSE(isBlankText("\xA0"));  // a byte above 127 is text, not blank
  // A memo of characters the filter drops only is blank once filtered.
  EXPECT_TRUE(isBlankText(filterMemoText(" \xC3\xA9\r\n\xE2\x82\xAC ")));
}

TEST(TextRulesTest, ItemTextIsCutTo255Characters) {
  EXPECT_EQ(cutItemText("short"), "short");
  EXPECT_EQ(cutItemText(std::string(255, 'a')), std::string(255, 'a'));
  const std::string longText = std::string(255, 'a') + "bcd";
  EXPECT_EQ(cutItemText(longText), std::string(255, 'a'));
}

TEST(TextRulesTest, TheCutAt255BytesNeverSplitsACharacter) {
  const std::string two = "\xC3\xBC";           // u with diaeresis
  const std::string three = "\xE6\x97\xA5";     // a CJK ideograph
  const std::string four = "\xF0\x9F\x98\x80";  // an emoji
  struct Case {
    const char* what;
    std::string text;
    size_t kept;  // bytes kept
  };
  const Case cases[] = {
      {"a 2-byte character ending at the limit", std::string(253, 'a') + two + "z", 255},
      {"a 2-byte character across the limit", std::string(254, 'a') + two, 254},
      {"a 3-byte character ending at the limit", std::string(252, 'a') + three + "z", 255},
      {"a 3-byte character one byte past", std::string(253, 'a') + three, 253},
      {"a 3-byte character two bytes past", std::string(254, 'a') + three, 254},
      {"a 4-byte character ending at the limit", std::string(251, 'a') + four + "z", 255},
      {"a 4-byte character one byte past", std::string(252, 'a') + four, 252},
      {"a 4-byte character two bytes past", std::string(253, 'a') + four, 253},
      {"a 4-byte character three bytes past", std::string(254, 'a') + four, 254},
      {"nothing but 3-byte characters",
       [&] {
         std::string t;
         for (int i = 0; i < 100; ++i) t += three;
         return t;
       }(),
       255},
      {"nothing but 4-byte characters",
       [&] {
         std::string t;
         for (int i = 0; i < 70; ++i) t += four;
         return t;
       }(),
       252},
      {"a short text is kept whole",
       "Gr\xC3\xBC\xC3\x9F"
       "e " +
           three,
       11},
  };
  for (const Case& c : cases) {
    const std::string cut = cutItemText(c.text);
    EXPECT_EQ(cut, c.text.substr(0, c.kept)) << c.what;
    EXPECT_EQ(wellFormedUtf8(cut), cut) << c.what;
  }
  // Ill-formed text (a run of continuation bytes) is cut no further back than
  // a character could reach.
  EXPECT_EQ(cutItemText(std::string(300, '\x80')).size(), 252u);
}

TEST(TextRulesTest, TextsOfProjectFilesAreReadAsUtf8OrElseLatin1) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string text;
  };
  const Case cases[] = {
      {"ASCII", "Hello\r\nworld", "Hello\r\nworld"},
      {"empty", "", ""},
      {"UTF-8 stays", "caf\xC3\xA9 \xE6\x97\xA5", "caf\xC3\xA9 \xE6\x97\xA5"},
      {"Latin-1 of an older writer", "caf\xE9 \xDF\xFF", "caf\xC3\xA9 \xC3\x9F\xC3\xBF"},
      {"one stray byte makes the whole text Latin-1", "\xC3\xA9\xE9", "\xC3\x83\xC2\xA9\xC3\xA9"},
      {"Latin-1 that grows past the limit is cut", std::string(200, 'a') + std::string(55, '\xE9'),
       std::string(200, 'a') +
           [] {
             std::string t;
             for (int i = 0; i < 27; ++i) t += "\xC3\xA9";
             return t;
           }()},
  };
  for (const Case& c : cases) EXPECT_EQ(itemTextFromFile(c.bytes), c.text) << c.what;
  // Read twice, as a project opened, saved and opened again: the same text,
  // zero bytes included (found by fuzzing).
  for (const std::string& bytes : {std::string("x\xb4y\0\0", 5), std::string("caf\xc3\xa9\0", 6)}) {
    const std::string once = itemTextFromFile(bytes);
    EXPECT_EQ(itemTextFromFile(once), once) << bytes;
  }
}

TEST(TextRulesTest, LineBreaksBetweenMemoAndItem) {
  struct Case {
    const char* memo;
    const char* item;
  };
  // Memo to item: every "\n" gains its CR.
  for (const Case& c : {Case{"", ""}, Case{"one", "one"}, Case{"a\nb", "a\r\nb"},
                        Case{"\n\n", "\r\n\r\n"}, Case{"end\n", "end\r\n"}})
    EXPECT_EQ(itemTextOf(c.memo), c.item) << c.memo;
  // Item to memo: CR LF and a lone CR both become "\n"; a lone LF stays.
  for (const Case& c : {Case{"a\nb", "a\r\nb"}, Case{"a\nb", "a\rb"}, Case{"a\nb", "a\nb"},
                        Case{"\n\n", "\r\r"}, Case{"\n\n", "\r\n\n"}, Case{"x\n", "x\r"}})
    EXPECT_EQ(memoTextOf(c.item), c.memo) << c.item;
}

}  // namespace
}  // namespace glyphon
