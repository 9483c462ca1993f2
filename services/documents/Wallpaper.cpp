#include "services/documents/Wallpaper.h"

#include <QStringList>
#include <memory>

#include "services/documents/WallpaperBackends.h"

namespace glyphon {

namespace {

DesktopWallpaperSetter g_desktopSetter;

}  // namespace

DesktopFamily desktopFamily(const QString& xdgCurrentDesktop) {
  for (const QString& entry : xdgCurrentDesktop.split(QChar(':'), Qt::SkipEmptyParts)) {
    const QString name = entry.trimmed().toLower();
    if (name == QLatin1String("gnome") || name == QLatin1String("gnome-classic") ||
        name == QLatin1String("gnome-flashback") || name == QLatin1String("ubuntu") ||
        name == QLatin1String("unity") || name == QLatin1String("budgie") ||
        name == QLatin1String("budgie-desktop") || name == QLatin1String("pantheon"))
      return DesktopFamily::Gnome;
    if (name == QLatin1String("x-cinnamon") || name == QLatin1String("cinnamon"))
      return DesktopFamily::Cinnamon;
    if (name == QLatin1String("mate")) return DesktopFamily::Mate;
    if (name == QLatin1String("kde")) return DesktopFamily::Plasma;
    if (name == QLatin1String("xfce")) return DesktopFamily::Xfce;
  }
  return DesktopFamily::Other;
}

WallpaperSetter& wallpaperSetter() {
  return ScopedOverride<WallpaperSetter>::currentOr(g_desktopSetter);
}

WallpaperResult DesktopWallpaperSetter::set(const QString& path, WallpaperStyle style) {
  QStringList reasons;
  auto attempt = [&](std::unique_ptr<WallpaperBackend> backend) -> WallpaperResult {
    if (!backend) return {};
    WallpaperResult result = backend->apply(path, style);
    if (!result.Set) reasons << backend->name() + QStringLiteral(": ") + result.Message;
    return result;
  };

  const QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
  if (WallpaperResult r = attempt(makeFamilyWallpaper(desktopFamily(desktop))); r.Set) return r;
  if (WallpaperResult r = attempt(makePortalWallpaper()); r.Set) return r;

  const QString named = desktop.isEmpty() ? QStringLiteral("this desktop")
                                          : QStringLiteral("this desktop (%1)").arg(desktop);
  WallpaperResult failed;
  failed.Message = QStringLiteral("The wallpaper could not be set on %1.\r").arg(named) +
                   reasons.join(QChar('\r')) +
                   QStringLiteral(
                       "\rThe picture is saved as %1; the desktop's own settings "
                       "can make it the wallpaper.")
                       .arg(path);
  return failed;
}

}  // namespace glyphon
