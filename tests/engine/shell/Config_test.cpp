#include "engine/shell/Config.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/core/Error.h"

namespace glyphon {
namespace {

namespace fs = std::filesystem;

// The file the defaults make: both sections, every key, in this order.
constexpr const char* kDefaultFile =
    "[System]\n"
    "BKPicPath=pic/default.jpg\n"
    "DefaultBKPic=1\n"
    "SameAsBKPic=1\n"
    "Width=800\n"
    "Height=600\n"
    "Color=16777215\n"
    "\n"
    "[PrintPrew]\n"
    "Top=20\n"
    "Left=20\n"
    "TopUnit=1\n"
    "LeftUnit=1\n"
    "Center=1\n"
    "Scale=100\n"
    "FitPage=1\n"
    "WidthUnit=1\n"
    "HeightUnit=1\n"
    "BorderBox=1\n";

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() /
           ("glyphon-config-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(root);
    fs::create_directories(root);
    folder = (root / "config" / "Glyphon").string();
  }
  void TearDown() override { fs::remove_all(root); }

  std::string file() const { return folder + "/cfg.ini"; }

  void writeFile(const std::string& text) const {
    fs::create_directories(folder);
    std::ofstream(file(), std::ios::binary) << text;
  }

  std::string readFile() const {
    std::ifstream in(file(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path root;
  std::string folder;
};

TEST_F(ConfigTest, FirstRunMakesTheFolderAndWritesEveryKeyAtExit) {
  const Configuration read = loadConfiguration(folder, ".");
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_FALSE(fs::exists(file()));
  EXPECT_EQ(read, Configuration());

  saveConfiguration(folder, read, ".");
  EXPECT_EQ(readFile(), kDefaultFile);
}

TEST_F(ConfigTest, ValuesSurviveARestart) {
  Configuration c;
  c.Canvas = {"/home/me/Pictures/sea view.jpg", false, false, 1024, 768, 0x123456};
  c.Print.Top = 1.25;
  c.Print.Left = 0.395833333333333;
  c.Print.TopUnit = PrintUnit::Centimeter;
  c.Print.LeftUnit = PrintUnit(9);
  c.Print.Center = false;
  c.Print.Scale = 33.5;
  c.Print.FitPage = false;
  c.Print.WidthUnit = PrintUnit::Pixel;
  c.Print.HeightUnit = PrintUnit::Millimeter;
  c.Print.BorderBox = false;
  c.Print.Width = 4;  // not stored
  saveConfiguration(folder, c, ",");

  Configuration expected = c;
  expected.Print.Width = 0;
  EXPECT_EQ(loadConfiguration(folder, ","), expected);
  EXPECT_NE(readFile().find("Top=1,25\n"), std::string::npos);
}

TEST_F(ConfigTest, NumbersReadInTheirFormsAndFallBackWhenTheyDoNotParse) {
  writeFile(
      "[system]\n"
      "width=0x400\n"
      "Height=abc\n"
      "DefaultBKPic=2\n"
      "SameAsBKPic=yes\n"
      "Color=$FF\n"
      "[PRINTPREW]\n"
      "TopUnit=9\n"
      "Scale=\n"
      "Left=-7,5e1\n");
  const Configuration c = loadConfiguration(folder, ",");
  EXPECT_EQ(c.Canvas.Width, 1024);
  EXPECT_EQ(c.Canvas.Height, 600);
  EXPECT_TRUE(c.Canvas.DefaultBKPic);
  EXPECT_TRUE(c.Canvas.SameAsBKPic);
  EXPECT_EQ(c.Canvas.Color, 0xFFu);
  EXPECT_EQ(c.Print.TopUnit, PrintUnit(9));  // kept as read; it measures nothing
  EXPECT_EQ(c.Print.Scale, 100);
  EXPECT_EQ(c.Print.Left, -75);

  saveConfiguration(folder, c, ",");
  const std::string written = readFile();
  EXPECT_NE(written.find("DefaultBKPic=1\n"), std::string::npos);
  EXPECT_NE(written.find("Width=1024\n"), std::string::npos);
  EXPECT_NE(written.find("Color=255\n"), std::string::npos);
}

TEST_F(ConfigTest, TheDecimalSeparatorIsTheUsersOwn) {
  writeFile("[PrintPrew]\nTop=12,5\n");
  EXPECT_EQ(loadConfiguration(folder, ",").Print.Top, 12.5);
  EXPECT_EQ(loadConfiguration(folder, ".").Print.Top, 20);
}

TEST_F(ConfigTest, AnythingElseTheFileHeldIsLostAtTheNextExit) {
  writeFile(
      "[Extra]\nKeep=me\n"
      "[System]\nWidth=640\nUnknownKey=1\n");
  const Configuration c = loadConfiguration(folder, ".");
  EXPECT_EQ(c.Canvas.Width, 640);
  saveConfiguration(folder, c, ".");
  const std::string written = readFile();
  EXPECT_EQ(written.find("Extra"), std::string::npos);
  EXPECT_EQ(written.find("UnknownKey"), std::string::npos);
  EXPECT_EQ(written.rfind("[System]\nBKPicPath=pic/default.jpg\n", 0), 0u);
}

TEST_F(ConfigTest, AFolderThatCannotBeMadeGivesTheDefaultsAndAClearWriteError) {
  // A regular file where the folder's parent should be stops even root.
  std::ofstream(root / "config") << "not a folder";
  EXPECT_EQ(loadConfiguration(folder, "."), Configuration());
  try {
    saveConfiguration(folder, Configuration(), ".");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + file());
  }
}

TEST_F(ConfigTest, AFailedWriteKeepsTheOldFile) {
  Configuration old;
  old.Canvas.Width = 333;
  saveConfiguration(folder, old, ".");
  const std::string before = readFile();

  // A file size limit makes the write fail as a full disk would, for root
  // as well; the signal it raises is ignored so that write reports EFBIG.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto* previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit tiny = saved;
  tiny.rlim_cur = 16;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
  Configuration changed;
  changed.Canvas.Width = 444;
  bool failed = false;
  try {
    saveConfiguration(folder, changed, ".");
  } catch (const Error& e) {
    failed = std::string(e.what()) == "Unable to write to " + file();
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);

  EXPECT_TRUE(failed);
  EXPECT_EQ(readFile(), before);
  EXPECT_EQ(loadConfiguration(folder, ".").Canvas.Width, 333);
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(ConfigTest, APicturePathWithALineBreakIsRefusedNotWrittenHalf) {
  saveConfiguration(folder, Configuration(), ".");
  Configuration c;
  c.Canvas.BKPicPath = "/tmp/odd\nname.jpg";
  EXPECT_THROW(saveConfiguration(folder, c, "."), Error);
  EXPECT_EQ(readFile(), kDefaultFile);
}

}  // namespace
}  // namespace glyphon
