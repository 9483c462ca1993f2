// INI text files: the configuration file, the language files and the update
// answer. A line "[Name]" opens a section, a line "key=value" gives a value;
// section and key names match without regard to ASCII letter case.
//
// Reading never fails on content: lines that are neither a section header
// nor a key=value pair (comments, blank lines, stray text) are skipped, keys
// before the first section belong to no section and are never found, and
// when a section or a key appears twice the first one counts. Names and
// values are trimmed of blanks, and a value enclosed in a pair of matching
// quotes (" or ') loses them, so a value with blanks at its ends survives
// a round trip through the writer, which quotes it.
//
// Numbers are written and read in fixed, locale-free forms; the one
// locale-dependent part, the decimal separator of floating-point values, is
// a parameter.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace glyphon {

class IniFile {
 public:
  struct Entry {
    std::string key;
    std::string value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };

  IniFile() = default;

  // Parses UTF-8 text (a leading byte-order mark is skipped; lines may end
  // in "\n" or "\r\n").
  [[nodiscard]] static IniFile parse(std::string_view text);
  // Reads the file at path. A file that is missing or cannot be read reads
  // as empty: every lookup then gives its default.
  [[nodiscard]] static IniFile load(const std::string& path);

  // The value of key in section, or nothing when either is missing.
  [[nodiscard]] std::optional<std::string> value(std::string_view section,
                                                 std::string_view key) const;

  // The typed readers give fallback for a missing key and, for numbers, for
  // text that is not a number of the form parseIniInteger / parseDecimal
  // accept. A boolean is an integer; any value but 0 is true.
  [[nodiscard]] std::string readString(std::string_view section, std::string_view key,
                                       std::string_view fallback) const;
  [[nodiscard]] int32_t readInteger(std::string_view section, std::string_view key,
                                    int32_t fallback) const;
  [[nodiscard]] bool readBool(std::string_view section, std::string_view key, bool fallback) const;
  [[nodiscard]] double readFloat(std::string_view section, std::string_view key, double fallback,
                                 std::string_view decimalSeparator) const;

  // Sets key in section, replacing its first occurrence or appending it (and
  // the section) at the end. Throws Error when a name is empty, a name or
  // value holds a line break, a key holds "=" or a section name holds "]":
  // such a file would read back differently.
  void writeString(std::string_view section, std::string_view key, std::string_view value);
  // Written as decimal digits with "-" when negative.
  void writeInteger(std::string_view section, std::string_view key, int32_t value);
  // Written as "1" or "0".
  void writeBool(std::string_view section, std::string_view key, bool value);
  // Written in the general form of formatGeneral.
  void writeFloat(std::string_view section, std::string_view key, double value,
                  std::string_view decimalSeparator);

  [[nodiscard]] const std::vector<Section>& sections() const { return m_sections; }

  // The file's text: every section in order, "[Name]" and its "key=value"
  // lines, lines ending in "\n", a blank line between sections.
  [[nodiscard]] std::string text() const;
  // Replaces the file at path with text() through writeWholeFile: a failure
  // leaves the old file as it was. Throws what writeWholeFile throws.
  void save(const std::string& path) const;

 private:
  [[nodiscard]] const Section* findSection(std::string_view name) const;

  std::vector<Section> m_sections;
};

// ASCII letters compared without regard to case; other bytes must be equal.
[[nodiscard]] bool equalsIgnoringCase(std::string_view a, std::string_view b);

// A signed 32-bit integer as the INI readers take it: an optional sign, then
// decimal digits, or hexadecimal digits after "$" or "0x"/"0X". Blanks around
// it are allowed. Decimal values must fit the signed 32-bit range;
// hexadecimal ones may use all 32 bits ($FFFFFFFF is -1), as colour values
// are written so. Empty for anything else.
[[nodiscard]] std::optional<int32_t> parseIniInteger(std::string_view text);

// A finite decimal number written with decimalSeparator: blanks around it,
// an optional sign, digits with at most one separator (at least one digit),
// then an optional exponent "E" or "e" with an optional sign and digits.
// Empty for anything else, for an empty text, and for "." when the separator
// is another character.
[[nodiscard]] std::optional<double> parseDecimal(std::string_view text,
                                                 std::string_view decimalSeparator);

// The shortest general decimal form of value with at most 15 significant
// digits and no trailing zeros (20 -> "20", 2.5 -> "2.5", 1/3 ->
// "0.333333333333333"), using decimalSeparator; exponent notation ("1E-6",
// "1.5E20") only for magnitudes below 0.00001 or with more than 15 digits
// before the separator. Not-a-number and infinities give "NAN", "INF",
// "-INF", which parseDecimal refuses.
[[nodiscard]] std::string formatGeneral(double value, std::string_view decimalSeparator);

}  // namespace glyphon
