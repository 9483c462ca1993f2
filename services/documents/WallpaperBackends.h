// One wallpaper backend per desktop family. Each sets the picture and its
// placement through the desktop's own settings and reports success only
// once they hold the new values (or, where they cannot be read back, once
// the desktop has accepted the request without an error).
#pragma once

#include <QString>
#include <memory>

#include "services/documents/Wallpaper.h"

namespace glyphon {

class WallpaperBackend {
 public:
  virtual ~WallpaperBackend() = default;
  // The backend's name as the user reads it in a failure message.
  [[nodiscard]] virtual QString name() const = 0;
  // Sets path (absolute, existing) as the wallpaper with style. On failure
  // Message says why, in one short sentence without the backend's name.
  virtual WallpaperResult apply(const QString& path, WallpaperStyle style) = 0;
};

// GNOME and its relatives, Cinnamon and MATE, through the gsettings tool:
// the picture key (picture-uri, and picture-uri-dark where the schema has
// it; MATE's picture-filename) and picture-options ("centered", "wallpaper",
// "stretched"), read back with "gsettings get" before success is reported.
// family must be Gnome, Cinnamon or Mate.
[[nodiscard]] std::unique_ptr<WallpaperBackend> makeGSettingsWallpaper(DesktopFamily family);

// KDE Plasma, through plasmashell's scripting interface on the session bus
// (org.kde.plasmashell /PlasmaShell evaluateScript): every desktop gets the
// image wallpaper plug-in with the picture and its fill mode.
[[nodiscard]] std::unique_ptr<WallpaperBackend> makePlasmaWallpaper();

// Xfce, through xfconf-query on the channel xfce4-desktop: every backdrop's
// last-image and image-style, read back before success is reported.
[[nodiscard]] std::unique_ptr<WallpaperBackend> makeXfceWallpaper();

// The XDG desktop portal (org.freedesktop.portal.Wallpaper SetWallpaperURI),
// which any desktop may offer. It takes no placement: the desktop keeps its
// own, and a success says so in Message.
[[nodiscard]] std::unique_ptr<WallpaperBackend> makePortalWallpaper();

// The backend of family, or null for Other.
[[nodiscard]] std::unique_ptr<WallpaperBackend> makeFamilyWallpaper(DesktopFamily family);

}  // namespace glyphon
