#include "services/shell/StyleCatalogue.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QThread>

namespace glyphon {
namespace {

// Each test runs with a configuration folder of its own (tests/QtMain.cpp),
// so the user's catalogue is never read or written here.
class StyleCatalogueTest : public ::testing::Test {
 protected:
  static void write(const QByteArray& ini) {
    const QString file = StyleCatalogue::userStoreFile();
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(ini);
  }
};

TEST_F(StyleCatalogueTest, TheStoreIsTheOneQSettingsUsesForVantryGlyphon) {
  EXPECT_EQ(StyleCatalogue::userStoreFile(),
            qEnvironmentVariable("XDG_CONFIG_HOME") + "/Vantry/Glyphon.conf");
  EXPECT_EQ(StyleCatalogue().fileName(), StyleCatalogue::userStoreFile());
}

TEST_F(StyleCatalogueTest, OnlyKindsWithANameAreListedTrimmedInTheStoresOrder) {
  write(
      "[10002]\nPath=/styles\ndata=lib2.so\n"
      "[10001]\nname=  Script  \n"
      "[9]\nname=Nine\n"
      "[ 10003 ]\nName=Upper-case key\n"
      "[fancy]\nname=Not a number\n"
      "[99999999999]\nname=Too large\n"
      "[10004]\nname=Commas, too, stay\n");
  const std::vector<StyleKindEntry> entries = StyleCatalogue().templateEntries();
  EXPECT_EQ(entries, (std::vector<StyleKindEntry>{{10001, "Script"},
                                                  {10003, "Upper-case key"},
                                                  {10004, "Commas, too, stay"},
                                                  {9, "Nine"}}));
}

TEST_F(StyleCatalogueTest, AnEntryGivesItsFolderAndPlugin) {
  write(
      "[10001]\nname=Script\nPath=/usr/lib/styles\ndata=libscript.so\n"
      "[10002]\nname=No folder\ndata=lib2.so\n"
      "[10003]\npath=/lower/case\nDATA=lib3.so\n");
  const StyleCatalogue catalogue;
  EXPECT_EQ(catalogue.location(10001), (StyleLocation{"/usr/lib/styles", "libscript.so"}));
  EXPECT_EQ(catalogue.location(10002), (StyleLocation{"", "lib2.so"}));
  EXPECT_EQ(catalogue.location(10003), (StyleLocation{"/lower/case", "lib3.so"}));
  EXPECT_EQ(catalogue.location(10004), StyleLocation{});
}

TEST_F(StyleCatalogueTest, AMissingStoreIsCreatedEmptyByTheMenuAlone) {
  const QString file = StyleCatalogue::userStoreFile();
  ASSERT_FALSE(QFileInfo::exists(file));
  EXPECT_EQ(StyleCatalogue().location(10001), StyleLocation{});
  EXPECT_FALSE(QFileInfo::exists(file));
  EXPECT_TRUE(StyleCatalogue().templateEntries().empty());
  EXPECT_TRUE(QFileInfo::exists(file));
  EXPECT_EQ(QFileInfo(file).size(), 0);
}

TEST_F(StyleCatalogueTest, ChangesToTheStoreCountFromTheNextRead) {
  write("[10001]\nname=Script\nPath=/old\ndata=old.so\n");
  const StyleCatalogue catalogue;
  ASSERT_EQ(catalogue.location(10001).folder, "/old");
  // A store's time stamp has a resolution of its own; make the change show.
  QThread::msleep(20);
  write("[10001]\nname=Script\nPath=/new/place\ndata=new.so\n[10002]\nname=Added\n");
  EXPECT_EQ(catalogue.location(10001), (StyleLocation{"/new/place", "new.so"}));
  EXPECT_EQ(catalogue.templateEntries().size(), 2u);
}

TEST_F(StyleCatalogueTest, ValuesWrittenByQSettingsReadBackAsTheyWere) {
  {
    QSettings store(StyleCatalogue::userStoreFile(), QSettings::IniFormat);
    store.setValue("10001/name", " A, B & C ");
    store.setValue("10001/Path", "/with,comma/and space");
    store.setValue("10001/data", "lib.so");
  }
  const StyleCatalogue catalogue;
  EXPECT_EQ(catalogue.templateEntries(), (std::vector<StyleKindEntry>{{10001, "A, B & C"}}));
  EXPECT_EQ(catalogue.location(10001).folder, "/with,comma/and space");
}

TEST(StyleKindIdTest, ReadsDecimalIdsThatFit32Bits) {
  EXPECT_EQ(styleKindId("10001"), 10001);
  EXPECT_EQ(styleKindId(" 42 "), 42);
  EXPECT_EQ(styleKindId("-7"), -7);
  EXPECT_EQ(styleKindId("2147483647"), 2147483647);
  for (const char* bad : {"", " ", "abc", "12a", "0x10", "1 2", "2147483648", "1.5"})
    EXPECT_FALSE(styleKindId(QString::fromLatin1(bad)).has_value()) << bad;
}

}  // namespace
}  // namespace glyphon
