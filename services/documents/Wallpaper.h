// The wallpaper setter: makes a picture file the desktop's wallpaper,
// centred, tiled or stretched, through the settings of the running desktop.
//
// Linux desktops keep their wallpaper each in their own place, so there is
// one backend per desktop family (WallpaperBackends.h). The running family is
// told by XDG_CURRENT_DESKTOP; its backend is tried first and the XDG desktop
// portal after it. A backend reports success only once the desktop holds the
// new values, so that a refused wallpaper is never reported as set.
//
// Every window sets wallpapers through wallpaperSetter(), one process-wide
// setter; tests install their own (ScopedWallpaperSetter).
#pragma once

#include <QString>
#include <cstdint>

#include "engine/core/ScopedOverride.h"

namespace glyphon {

// The placements of the wallpaper options dialog, with their stored values.
enum class WallpaperStyle : int32_t { Center = 0, Tile = 1, Stretch = 2 };

// What became of a request.
struct WallpaperResult {
  // The picture reached the desktop.
  bool Set = false;
  // For the user: why nothing was set, or what was set otherwise than asked
  // (a backend that cannot choose the placement). Empty after a plain
  // success. Lines are broken with "\r".
  QString Message;
};

// The desktop families the setter knows.
enum class DesktopFamily { Gnome, Cinnamon, Mate, Plasma, Xfce, Other };

// The family of the desktop named by an XDG_CURRENT_DESKTOP value: a list
// separated by ":" whose first entry that names a known family counts
// ("ubuntu:GNOME" and "Budgie:GNOME" are GNOME, "X-Cinnamon" Cinnamon),
// letter case ignored. Other for an empty or unknown value.
[[nodiscard]] DesktopFamily desktopFamily(const QString& xdgCurrentDesktop);

class WallpaperSetter {
 public:
  virtual ~WallpaperSetter() = default;
  // path: an absolute path of an existing picture file.
  virtual WallpaperResult set(const QString& path, WallpaperStyle style) = 0;
};

// The setter every window uses: the desktop one (below) unless a test has
// installed another.
[[nodiscard]] WallpaperSetter& wallpaperSetter();

// Tries the backend of the desktop family of XDG_CURRENT_DESKTOP, then the
// desktop portal. When neither sets the wallpaper, the result says so and
// gives each backend's reason.
class DesktopWallpaperSetter final : public WallpaperSetter {
 public:
  WallpaperResult set(const QString& path, WallpaperStyle style) override;
};

// Installs a replacement for its own lifetime (see ScopedOverride).
using ScopedWallpaperSetter = ScopedOverride<WallpaperSetter>;

}  // namespace glyphon
