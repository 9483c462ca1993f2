#include "services/documents/Wallpaper.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include "services/documents/WallpaperBackends.h"

namespace glyphon {
namespace {

TEST(DesktopFamily, FirstKnownEntryOfTheListCounts) {
  const struct {
    const char* value;
    DesktopFamily family;
  } cases[] = {
      {"GNOME", DesktopFamily::Gnome},
      {"ubuntu:GNOME", DesktopFamily::Gnome},
      {"Budgie:GNOME", DesktopFamily::Gnome},
      {"GNOME-Flashback:GNOME", DesktopFamily::Gnome},
      {"Unity", DesktopFamily::Gnome},
      {"Pantheon", DesktopFamily::Gnome},
      {"X-Cinnamon", DesktopFamily::Cinnamon},
      {"MATE", DesktopFamily::Mate},
      {"KDE", DesktopFamily::Plasma},
      {"XFCE", DesktopFamily::Xfce},
      {"xfce", DesktopFamily::Xfce},
      {"LXQt", DesktopFamily::Other},
      {"sway", DesktopFamily::Other},
      {"Foo:KDE", DesktopFamily::Plasma},
      {"", DesktopFamily::Other},
      {"::", DesktopFamily::Other},
  };
  for (const auto& c : cases) EXPECT_EQ(desktopFamily(c.value), c.family) << c.value;
}

// The GNOME backend against the real gsettings tool and the schemas of the
// system, with the settings kept in a key file of a temporary folder.
class GnomeWallpaperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QStandardPaths::findExecutable(QStringLiteral("gsettings")).isEmpty())
      GTEST_SKIP() << "gsettings is not installed";
    ASSERT_TRUE(home.isValid());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("GSETTINGS_BACKEND", "keyfile");
    // No session bus: the portal can do nothing, and nothing reaches the
    // desktop of whoever runs the tests.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/glyphon-test-bus");
    if (!run({"list-keys", "org.gnome.desktop.background"}))
      GTEST_SKIP() << "the GNOME background schema is not installed";
  }
  void TearDown() override {
    qunsetenv("GSETTINGS_BACKEND");
    qunsetenv("XDG_CURRENT_DESKTOP");
  }

  // Runs gsettings; returns its output, trimmed, or nothing when it fails.
  static std::optional<QString> run(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("gsettings"), arguments);
    if (!process.waitForFinished(10000) || process.exitCode() != 0) return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
  }

  static QString get(const char* key) {
    return run({"get", "org.gnome.desktop.background", key}).value_or(QStringLiteral("(failed)"));
  }

  QString picture(const QString& name) const {
    const QString path = home.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BM");
    return path;
  }

  QTemporaryDir home;
};

TEST_F(GnomeWallpaperTest, SetsThePictureAndEachPlacement) {
  const QString path = picture(QStringLiteral("data/Glyphon/KWDesktop.bmp"));
  const QString uri = QStringLiteral("'") + QUrl::fromLocalFile(path).toString() + "'";
  const std::unique_ptr<WallpaperBackend> gnome = makeGSettingsWallpaper(DesktopFamily::Gnome);
  const struct {
    WallpaperStyle style;
    const char* options;
  } cases[] = {{WallpaperStyle::Tile, "'wallpaper'"},
               {WallpaperStyle::Stretch, "'stretched'"},
               {WallpaperStyle::Center, "'centered'"}};
  for (const auto& c : cases) {
    const WallpaperResult result = gnome->apply(path, c.style);
    EXPECT_TRUE(result.Set) << result.Message.toStdString();
    EXPECT_TRUE(result.Message.isEmpty());
    EXPECT_EQ(get("picture-uri"), uri);
    EXPECT_EQ(get("picture-options"), QString::fromLatin1(c.options));
    if (run({"list-keys", "org.gnome.desktop.background"})->contains("picture-uri-dark")) {
      EXPECT_EQ(get("picture-uri-dark"), uri);
    }
  }
  EXPECT_TRUE(QFileInfo::exists(home.filePath(QStringLiteral("config/glib-2.0/settings/keyfile"))));
}

TEST_F(GnomeWallpaperTest, PathsWithQuotesBlanksAndAccentsArriveIntact) {
  const QString path = picture(QStringLiteral("it's a \"test\" \\ café/KWDesktop.bmp"));
  const WallpaperResult result =
      makeGSettingsWallpaper(DesktopFamily::Gnome)->apply(path, WallpaperStyle::Center);
  ASSERT_TRUE(result.Set) << result.Message.toStdString();
  const QString printed = get("picture-uri");
  EXPECT_EQ(QUrl(printed.mid(1, printed.size() - 2)).toLocalFile(), path);
}

TEST_F(GnomeWallpaperTest, ASettingsStoreThatKeepsNothingIsNoSuccess) {
  // Each gsettings process has a memory store of its own, like dconf
  // without a session bus: the value set is gone when it is read back.
  qputenv("GSETTINGS_BACKEND", "memory");
  const QString path = picture(QStringLiteral("KWDesktop.bmp"));
  const WallpaperResult result =
      makeGSettingsWallpaper(DesktopFamily::Gnome)->apply(path, WallpaperStyle::Tile);
  EXPECT_FALSE(result.Set);
  EXPECT_TRUE(result.Message.contains(QLatin1String("kept their old values")))
      << result.Message.toStdString();
}

TEST_F(GnomeWallpaperTest, WhenNoBackendCanSetItTheUserIsToldWhyAndWhereThePictureIs) {
  qputenv("XDG_CURRENT_DESKTOP", "GNOME");
  qputenv("GSETTINGS_BACKEND", "memory");
  const QString path = picture(QStringLiteral("KWDesktop.bmp"));
  DesktopWallpaperSetter setter;
  const WallpaperResult result = setter.set(path, WallpaperStyle::Center);
  EXPECT_FALSE(result.Set);
  const QStringList lines = result.Message.split(QChar('\r'));
  ASSERT_EQ(lines.size(), 4) << result.Message.toStdString();
  EXPECT_EQ(lines[0], "The wallpaper could not be set on this desktop (GNOME).");
  EXPECT_TRUE(lines[1].startsWith(QLatin1String("GNOME (gsettings): "))) << lines[1].toStdString();
  EXPECT_TRUE(lines[2].startsWith(QLatin1String("Desktop portal: "))) << lines[2].toStdString();
  EXPECT_TRUE(lines[3].contains(path));
}

}  // namespace
}  // namespace glyphon
