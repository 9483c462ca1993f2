#include "engine/core/IniFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "engine/core/Error.h"

namespace glyphon {
namespace {

namespace fs = std::filesystem;

TEST(IniFileParse, FindsSectionsAndKeysWithoutRegardToCase) {
  const IniFile ini = IniFile::parse(
      "\xEF\xBB\xBF"  // byte-order mark
      "orphan=never found\r\n"
      "[System]\r\n"
      "  Width = 1024 \r\n"
      "; Width=comment\n"
      "stray text without equals\n"
      "width=second occurrence\n"
      "Path=\"  padded  \"\n"
      "Quote='a'\n"
      "Half=\"a\n"
      "Empty=\n"
      "[system]\n"
      "Height=duplicate section, never read\n"
      "[ PrintPrew ]\n"
      "Top=12,5");
  EXPECT_EQ(ini.value("SYSTEM", "WIDTH"), "1024");
  EXPECT_EQ(ini.value("system", "path"), "  padded  ");
  EXPECT_EQ(ini.value("System", "Quote"), "a");
  EXPECT_EQ(ini.value("System", "Half"), "\"a");
  EXPECT_EQ(ini.value("System", "Empty"), "");
  EXPECT_EQ(ini.value("System", "Height"), std::nullopt);
  EXPECT_EQ(ini.value("System", "orphan"), std::nullopt);
  EXPECT_EQ(ini.value("printprew", "top"), "12,5");
  EXPECT_EQ(ini.value("Missing", "Top"), std::nullopt);
  EXPECT_EQ(ini.value("PrintPrew", "Missing"), std::nullopt);
}

TEST(IniFileRead, TypedValuesFallBackWhenMissingOrNotNumbers) {
  const IniFile ini =
      IniFile::parse("[S]\nhex=0x400\nword=abc\nflag=2\nzero=0\nneg=-1\nf=12,5\nempty=\nname=x\n");
  EXPECT_EQ(ini.readInteger("S", "hex", 800), 1024);
  EXPECT_EQ(ini.readInteger("S", "word", 800), 800);
  EXPECT_EQ(ini.readInteger("S", "missing", 800), 800);
  EXPECT_TRUE(ini.readBool("S", "flag", false));
  EXPECT_TRUE(ini.readBool("S", "neg", false));
  EXPECT_FALSE(ini.readBool("S", "zero", true));
  EXPECT_TRUE(ini.readBool("S", "word", true));
  EXPECT_FALSE(ini.readBool("S", "word", false));
  EXPECT_EQ(ini.readFloat("S", "f", 20, ","), 12.5);
  EXPECT_EQ(ini.readFloat("S", "f", 20, "."), 20);
  EXPECT_EQ(ini.readFloat("S", "empty", 20, "."), 20);
  EXPECT_EQ(ini.readString("S", "name", "d"), "x");
  EXPECT_EQ(ini.readString("S", "empty", "d"), "");
  EXPECT_EQ(ini.readString("S", "missing", "d"), "d");
}

TEST(IniFileWrite, KeepsOrderReplacesInPlaceAndReadsBackWhatWasWritten) {
  IniFile ini;
  ini.writeString("System", "BKPicPath", " lead and trail ");
  ini.writeInteger("System", "Width", -5);
  ini.writeBool("PrintPrew", "Center", true);
  ini.writeFloat("PrintPrew", "Top", 2.5, ",");
  ini.writeString("system", "WIDTH", "7");  // replaces, keeps the first spelling
  ini.writeString("System", "Quoted", "'q'");
  EXPECT_EQ(ini.text(),
            "[System]\n"
            "BKPicPath=\" lead and trail \"\n"
            "Width=7\n"
            "Quoted=\"'q'\"\n"
            "\n"
            "[PrintPrew]\n"
            "Center=1\n"
            "Top=2,5\n");
  const IniFile back = IniFile::parse(ini.text());
  EXPECT_EQ(back.value("System", "BKPicPath"), " lead and trail ");
  EXPECT_EQ(back.value("System", "Quoted"), "'q'");
  EXPECT_EQ(back.readFloat("PrintPrew", "Top", 0, ","), 2.5);
}

TEST(IniFileWrite, RefusesWhatWouldReadBackDifferently) {
  IniFile ini;
  EXPECT_THROW(ini.writeString("S", "Path", "two\nlines"), Error);
  EXPECT_THROW(ini.writeString("S", "Path", "carriage\rreturn"), Error);
  EXPECT_THROW(ini.writeString("S", "a=b", "v"), Error);
  EXPECT_THROW(ini.writeString("S", "", "v"), Error);
  EXPECT_THROW(ini.writeString("S", " padded", "v"), Error);
  EXPECT_THROW(ini.writeString("S", ";comment", "v"), Error);
  EXPECT_THROW(ini.writeString("S]", "k", "v"), Error);
  EXPECT_THROW(ini.writeString("", "k", "v"), Error);
  EXPECT_TRUE(ini.sections().empty());
}

struct IntegerCase {
  const char* text;
  std::optional<int32_t> value;
};

TEST(ParseIniInteger, DecimalAndBothHexadecimalForms) {
  const IntegerCase cases[] = {
      {"1024", 1024},
      {"0x400", 1024},
      {"0X400", 1024},
      {"$400", 1024},
      {"$ff", 255},
      {"-12", -12},
      {"+12", 12},
      {"-$10", -16},
      {" 7 ", 7},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"$FFFFFFFF", -1},
      {"0x0000000000FF", 255},
      {"0x100000000", std::nullopt},
      {"0x", std::nullopt},
      {"$", std::nullopt},
      {"$G", std::nullopt},
      {"abc", std::nullopt},
      {"12abc", std::nullopt},
      {"1.5", std::nullopt},
      {"1 2", std::nullopt},
      {"", std::nullopt},
      {"-", std::nullopt},
  };
  for (const IntegerCase& c : cases) EXPECT_EQ(parseIniInteger(c.text), c.value) << c.text;
}

struct DecimalCase {
  const char* text;
  const char* separator;
  std::optional<double> value;
};

TEST(ParseDecimal, OnlyTheGivenSeparator) {
  const DecimalCase cases[] = {
      {"12,5", ",", 12.5},
      {"12,5", ".", std::nullopt},
      {"12.5", ",", std::nullopt},
      {"12.5", ".", 12.5},
      {" 20 ", ".", 20.0},
      {"-0.25", ".", -0.25},
      {"+3", ".", 3.0},
      {"1.", ".", 1.0},
      {".5", ".", 0.5},
      {"1E3", ".", 1000.0},
      {"1e-6", ".", 1e-6},
      {"2,5E+2", ",", 250.0},
      {"12\xD9\xAB"
       "5",
       "\xD9\xAB", 12.5},  // Arabic decimal separator
      {".", ".", std::nullopt},
      {",", ",", std::nullopt},
      {"", ".", std::nullopt},
      {"1e", ".", std::nullopt},
      {"1e+", ".", std::nullopt},
      {"1e400", ".", std::nullopt},
      {"1,000.5", ".", std::nullopt},
      {"1.2.3", ".", std::nullopt},
      {"nan", ".", std::nullopt},
      {"INF", ".", std::nullopt},
      {"0x10", ".", std::nullopt},
      {"--1", ".", std::nullopt},
  };
  for (const DecimalCase& c : cases)
    EXPECT_EQ(parseDecimal(c.text, c.separator), c.value) << c.text << " with " << c.separator;
}

struct FormatCase {
  double value;
  const char* text;
};

TEST(FormatGeneral, ShortestFormWithFifteenDigits) {
  const FormatCase cases[] = {
      {0, "0"},
      {20, "20"},
      {-20, "-20"},
      {100, "100"},
      {2.5, "2.5"},
      {12.5, "12.5"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {38.0 / 96, "0.395833333333333"},
      {0.1 + 0.2, "0.3"},
      {0.00001, "0.00001"},
      {0.000015, "0.000015"},
      {0.000001, "1E-6"},
      {-0.0000025, "-2.5E-6"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E15"},
      {1.5e20, "1.5E20"},
      {9.999999999999998, "10"},  // rounding to 15 digits carries into a new digit
      {std::nan(""), "NAN"},
      {INFINITY, "INF"},
      {-INFINITY, "-INF"},
  };
  for (const FormatCase& c : cases) EXPECT_EQ(formatGeneral(c.value, "."), c.text) << c.value;
  EXPECT_EQ(formatGeneral(2.5, ","), "2,5");
  EXPECT_EQ(formatGeneral(1.5e-7, ","), "1,5E-7");
}

TEST(FormatGeneral, ReadsBackThroughParseDecimal) {
  for (const char* separator : {".", ","})
    for (const double v : {20.0, 0.395833333333333, -1234.5, 1e-6, 2.54e17, 0.00001}) {
      const std::string text = formatGeneral(v, separator);
      const std::optional<double> back = parseDecimal(text, separator);
      ASSERT_TRUE(back.has_value()) << text;
      EXPECT_EQ(formatGeneral(*back, separator), text);
    }
}

class IniFileOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("glyphon-ini-" +
              std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }

  static std::string contentOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path folder;
};

TEST_F(IniFileOnDisk, SavesAndLoads) {
  IniFile ini;
  ini.writeString("Update", "version", "1.24");
  const std::string path = (folder / "update.ini").string();
  ini.save(path);
  EXPECT_EQ(contentOf(path), "[Update]\nversion=1.24\n");
  EXPECT_EQ(IniFile::load(path).value("update", "VERSION"), "1.24");
}

TEST_F(IniFileOnDisk, MissingOrUnreadableFilesReadAsEmpty) {
  EXPECT_TRUE(IniFile::load((folder / "absent.ini").string()).sections().empty());
  EXPECT_TRUE(IniFile::load(folder.string()).sections().empty());  // a folder
}

}  // namespace
}  // namespace glyphon
