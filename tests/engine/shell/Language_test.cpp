#include "engine/shell/Language.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace glyphon {
namespace {

namespace fs = std::filesystem;

// Every text the two translated dialogs look up: the print dialog's and the
// update dialog's ("&Cancel" serves both).
const char* const kDialogTexts[] = {"Print",
                                    "Position",
                                    "Top:",
                                    "Left:",
                                    "Center Image",
                                    "Print Size",
                                    "Scale:",
                                    "Scale to Fit Page",
                                    "Height:",
                                    "Width:",
                                    "&Print...",
                                    "&Cancel",
                                    "&OK",
                                    "&Page Settings",
                                    "Can not find any printer.",
                                    "Height must be float.",
                                    "Left must be float.",
                                    "Top must be float.",
                                    "Width must be float.",
                                    "Scale value must be float.",
                                    "Value must be float.",
                                    "Pixel",
                                    "Inch",
                                    "centimeter",
                                    "millimeter",
                                    "Checking for new version",
                                    "Update",
                                    "This is the lastest version!",
                                    "Thank you for your support!",
                                    "The lastest version is",
                                    "do you want to download it?",
                                    "Find a new version",
                                    "Fail to connect Internet.",
                                    "Please try later!",
                                    "Fail to get update informate"};

class LanguageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    programFolder = fs::temp_directory_path() /
                    ("glyphon-language-" +
                     std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(programFolder);
    fs::create_directories(programFolder / "Languages");
  }
  void TearDown() override { fs::remove_all(programFolder); }

  void writeLanguage(const std::string& name, const std::string& text) const {
    std::ofstream(programFolder / "Languages" / name, std::ios::binary) << text;
  }

  std::string folder() const { return programFolder.string(); }

  fs::path programFolder;
};

TEST_F(LanguageTest, NoFileSectionOrKeyLeavesTheEnglishText) {
  EXPECT_EQ(Language().text("&Cancel"), "&Cancel");
  EXPECT_EQ(Language::load(folder() + "/Languages/Absent.ini").text("Top:"), "Top:");
  writeLanguage("NoSection.ini", "[Other]\n&Cancel=Abbrechen\n");
  EXPECT_EQ(Language::load(folder() + "/Languages/NoSection.ini").text("&Cancel"), "&Cancel");
  writeLanguage("NoKey.ini", "[String]\n&OK=Gut\n");
  EXPECT_EQ(Language::load(folder() + "/Languages/NoKey.ini").text("&Cancel"), "&Cancel");
}

TEST_F(LanguageTest, KeysMatchInAnyLetterCase) {
  writeLanguage("Lower.ini", "[string]\n&cancel=&Abbrechen\ncan not find any printer.=Kein\n");
  const Language lower = Language::load(folder() + "/Languages/Lower.ini");
  EXPECT_EQ(lower.text("&Cancel"), "&Abbrechen");
  EXPECT_EQ(lower.text("Can not find any printer."), "Kein");
}

TEST_F(LanguageTest, TheListIsTheIniFilesSortedByName) {
  writeLanguage("français.ini", "");
  writeLanguage("Deutsch.ini", "");
  writeLanguage("Zulu.INI", "");
  writeLanguage("readme.txt", "");
  writeLanguage(".ini", "");
  fs::create_directories(programFolder / "Languages" / "Folder.ini");
  const std::vector<std::string> names = languageFileNames(folder());
  EXPECT_EQ(names, (std::vector<std::string>{"Deutsch.ini", "français.ini", "Zulu.INI"}));
  EXPECT_EQ(languageIndexOf(names, "deutsch"), 0);
  EXPECT_EQ(languageIndexOf(names, "Zulu.ini"), 2);
  EXPECT_EQ(languageIndexOf(names, "zulu"), 2);
  EXPECT_EQ(languageIndexOf(names, "Klingon"), -1);
  EXPECT_EQ(languageIndexOf(names, ""), -1);
  EXPECT_TRUE(languageFileNames(folder() + "/absent").empty());
}

// Both translated dialogs load their texts this way, each when it is
// created, so one "&Cancel" entry changes the cancel button of both.
TEST_F(LanguageTest, TheChosenEntryTranslatesTheCancelButtonOfBothDialogs) {
  writeLanguage("A.ini", "[String]\n&Cancel=first\n");
  writeLanguage("B.ini", "[String]\n&Cancel=Abbruch\n");
  const int32_t index = languageIndexOf(languageFileNames(folder()), "B");
  ASSERT_EQ(index, 1);
  const Language printDialog = loadLanguage(folder(), index);
  const Language updateDialog = loadLanguage(folder(), index);
  EXPECT_EQ(printDialog.text("&Cancel"), "Abbruch");
  EXPECT_EQ(updateDialog.text("&Cancel"), "Abbruch");
  EXPECT_EQ(loadLanguage(folder(), -1).text("&Cancel"), "&Cancel");
  EXPECT_EQ(loadLanguage(folder(), 2).text("&Cancel"), "&Cancel");
}

TEST(ShippedLanguage, TranslatesEveryTextOfBothDialogs) {
  const std::string programFolder = GLYPHON_BUILD_DIR;
  const int32_t index = languageIndexOf(languageFileNames(programFolder), "Deutsch");
  ASSERT_GE(index, 0) << "Languages/Deutsch.ini is not beside the program";
  const IniFile file = IniFile::load(programFolder + "/Languages/Deutsch.ini");
  for (const char* english : kDialogTexts)
    EXPECT_TRUE(file.value("String", english).has_value()) << english;
  EXPECT_EQ(file.sections().size(), 1u);
  EXPECT_EQ(file.sections().front().entries.size(), std::size(kDialogTexts));
  const Language german = loadLanguage(programFolder, index);
  EXPECT_EQ(german.text("&Cancel"), "&Abbrechen");
  EXPECT_EQ(german.text("Height:"), "Höhe:");
}

}  // namespace
}  // namespace glyphon
