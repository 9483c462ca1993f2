#include "tools/StyleRegistration.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "engine/core/Error.h"
#include "services/shell/StyleCatalogue.h"

namespace glyphon {
namespace {

class StyleRegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp.isValid());
    styles = QDir::cleanPath(temp.filePath(QStringLiteral("styles")));
    addKind(styles, QStringLiteral("10001"), QStringLiteral("Glyphon Script"));
    addKind(styles, QStringLiteral("10002"), QStringLiteral("Glyphon Headline"));
  }

  // A kind in folder: its description and an (empty) plug-in file.
  static void addKind(const QString& folder, const QString& id, const QString& name) {
    QDir().mkpath(folder + "/" + id);
    const QString plugin = QStringLiteral("libglyphon-style-%1.so").arg(id);
    QFile ini(folder + "/" + id + "/style.ini");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(("[Style]\nname=" + name + "\ndata=" + plugin + "\n").toUtf8());
    ini.close();
    QFile library(folder + "/" + plugin);
    ASSERT_TRUE(library.open(QIODevice::WriteOnly));
  }

  QString entry(const QString& id, const char* key) {
    return catalogue.value(id + "/" + QString::fromLatin1(key)).toString();
  }

  QTemporaryDir temp;
  QString styles;
  QSettings catalogue{temp.filePath(QStringLiteral("Glyphon.conf")), QSettings::IniFormat};
};

TEST_F(StyleRegistrationTest, RegistersEveryKindOfTheFolder) {
  // A folder given relative to the working folder is written absolute.
  const QString previous = QDir::currentPath();
  QDir::setCurrent(temp.path());
  const RegistrationReport report = registerStyleKinds(catalogue, QStringLiteral("styles/"));
  QDir::setCurrent(previous);
  EXPECT_EQ(report.registered, QStringList({"10001", "10002"}));
  EXPECT_TRUE(report.kept.isEmpty());
  EXPECT_EQ(entry("10001", "name"), "Glyphon Script");
  EXPECT_EQ(entry("10001", "Path"), styles);
  EXPECT_EQ(entry("10002", "data"), "libglyphon-style-10002.so");

  // What the editor reads back.
  catalogue.sync();
  const StyleCatalogue reader(catalogue.fileName());
  EXPECT_EQ(reader.templateEntries(),
            (std::vector<StyleKindEntry>{{10001, "Glyphon Script"}, {10002, "Glyphon Headline"}}));
  EXPECT_EQ(reader.location(10002), (StyleLocation{styles, "libglyphon-style-10002.so"}));
}

TEST_F(StyleRegistrationTest, KeepsTheEntriesTheUserHas) {
  catalogue.setValue("10001/name", "My own script");
  catalogue.setValue("10001/Path", "/opt/mystyles");
  catalogue.setValue("10001/data", "mine.so");
  const RegistrationReport report = registerStyleKinds(catalogue, styles);
  EXPECT_EQ(report.registered, QStringList({"10002"}));
  EXPECT_EQ(report.kept, QStringList({"10001"}));
  EXPECT_EQ(entry("10001", "name"), "My own script");
  EXPECT_EQ(entry("10001", "Path"), "/opt/mystyles");

  // Registering again changes nothing.
  const RegistrationReport again = registerStyleKinds(catalogue, styles);
  EXPECT_TRUE(again.registered.isEmpty());
  EXPECT_EQ(again.kept, QStringList({"10001", "10002"}));
}

TEST_F(StyleRegistrationTest, ReplacesItsOwnEntriesWhosePluginIsGone) {
  // Registered from a build tree that was removed since.
  const QString oldTree = QDir::cleanPath(temp.filePath(QStringLiteral("old/styles")));
  addKind(oldTree, QStringLiteral("10001"), QStringLiteral("Glyphon Script"));
  registerStyleKinds(catalogue, oldTree);
  QDir(temp.filePath(QStringLiteral("old"))).removeRecursively();

  const RegistrationReport report = registerStyleKinds(catalogue, styles);
  EXPECT_EQ(report.registered, QStringList({"10001", "10002"}));
  EXPECT_EQ(entry("10001", "Path"), styles);
}

TEST_F(StyleRegistrationTest, UnregisterTakesOutOnlyTheFoldersEntries) {
  catalogue.setValue("10003/name", "Someone else's");
  catalogue.setValue("10003/Path", "/opt/other");
  registerStyleKinds(catalogue, styles);
  const RegistrationReport report = unregisterStyleKinds(catalogue, styles + "/");
  EXPECT_EQ(report.removed, QStringList({"10001", "10002"}));
  EXPECT_EQ(catalogue.childGroups(), QStringList({"10003"}));
}

TEST_F(StyleRegistrationTest, AFolderWithoutKindsOrWithABrokenDescriptionIsRefused) {
  EXPECT_THROW(registerStyleKinds(catalogue, temp.filePath(QStringLiteral("nothing"))), Error);
  QFile ini(styles + "/10001/style.ini");
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ini.write("[Style]\nname=No plug-in named\n");
  ini.close();
  EXPECT_THROW(registerStyleKinds(catalogue, styles), Error);
  EXPECT_TRUE(catalogue.childGroups().isEmpty());
}

}  // namespace
}  // namespace glyphon
