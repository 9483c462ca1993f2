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
  static void write(const QByteArray& ini) { writeTo(StyleCatalogue::userStoreFile(), ini); }
  static void writeTo(const QString& file, const QByteArray& ini) {
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

TEST_F(StyleCatalogueTest, TheSystemStoresAreTheAbsoluteFoldersOfXdgConfigDirs) {
  qputenv("XDG_CONFIG_DIRS", "/opt/site/xdg:relative/xdg::/etc/xdg/");
  EXPECT_EQ(StyleCatalogue::systemStoreFiles(),
            (QStringList{"/opt/site/xdg/Vantry/Glyphon.conf", "/etc/xdg/Vantry/Glyphon.conf"}));
  for (const char* none : {"", "relative:also/relative"}) {
    qputenv("XDG_CONFIG_DIRS", none);
    EXPECT_EQ(StyleCatalogue::systemStoreFiles(), QStringList{"/etc/xdg/Vantry/Glyphon.conf"})
        << none;
  }
  // The user's store is the one a catalogue names and writes.
  EXPECT_EQ(StyleCatalogue().fileName(), StyleCatalogue::userStoreFile());
}

// Kinds a package registered for every user: the user's own entries win id
// by id, listed or not, and the first system-wide store holding an id wins
// over later ones.
TEST_F(StyleCatalogueTest, SystemEntriesServeTheIdsTheUserHasNoEntryFor) {
  const QString site = QDir::cleanPath(qEnvironmentVariable("XDG_CONFIG_HOME") + "/../site");
  const QString vendor = QDir::cleanPath(qEnvironmentVariable("XDG_CONFIG_HOME") + "/../vendor");
  qputenv("XDG_CONFIG_DIRS", (site + ":" + vendor).toLocal8Bit());
  writeTo(site + "/Vantry/Glyphon.conf",
          "[10001]\nname=Script\nPath=/usr/lib/styles\ndata=lib1.so\n"
          "[10002]\nname=Headline\nPath=/usr/lib/styles\ndata=lib2.so\n");
  writeTo(vendor + "/Vantry/Glyphon.conf",
          "[10002]\nname=Vendor headline\nPath=/vendor\ndata=v2.so\n"
          "[10003]\nname=Classic\nPath=/vendor\ndata=v3.so\n");
  // A new user: no store of their own yet.
  EXPECT_EQ(
      StyleCatalogue().templateEntries(),
      (std::vector<StyleKindEntry>{{10001, "Script"}, {10002, "Headline"}, {10003, "Classic"}}));
  EXPECT_EQ(StyleCatalogue().location(10003), (StyleLocation{"/vendor", "v3.so"}));

  write("[10001]\nPath=/home/me/styles\n[10004]\nname=Mine\nPath=/home/me/styles\ndata=m.so\n");
  const StyleCatalogue catalogue;
  EXPECT_EQ(
      catalogue.templateEntries(),
      (std::vector<StyleKindEntry>{{10002, "Headline"}, {10003, "Classic"}, {10004, "Mine"}}));
  EXPECT_EQ(catalogue.location(10001), (StyleLocation{"/home/me/styles", ""}));
  EXPECT_EQ(catalogue.location(10002), (StyleLocation{"/usr/lib/styles", "lib2.so"}));
  EXPECT_EQ(catalogue.location(10005), StyleLocation{});
  // A catalogue of one file reads that file alone.
  EXPECT_EQ(StyleCatalogue(StyleCatalogue::userStoreFile()).templateEntries(),
            (std::vector<StyleKindEntry>{{10004, "Mine"}}));
}

TEST_F(StyleCatalogueTest, TheSystemStoreIsWrittenInTheFirstFolder) {
  const QString site = QDir::cleanPath(qEnvironmentVariable("XDG_CONFIG_HOME") + "/../site");
  qputenv("XDG_CONFIG_DIRS", (site + ":/etc/xdg").toLocal8Bit());
  {
    const std::unique_ptr<QSettings> store = StyleCatalogue::openSystemStore();
    store->setValue("10001/name", "Script");
    store->sync();
    EXPECT_EQ(store->status(), QSettings::NoError);
  }
  EXPECT_TRUE(QFileInfo::exists(site + "/Vantry/Glyphon.conf"));
  EXPECT_EQ(StyleCatalogue().templateEntries(), (std::vector<StyleKindEntry>{{10001, "Script"}}));
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
