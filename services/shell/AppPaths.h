// Where the editor finds its data and keeps the user's files.
#pragma once

#include <QString>

namespace glyphon {

// The program's data folder (default picture, language files, help page),
// without a trailing separator: the executable's folder in a build tree,
// <prefix>/share/glyphon-editor in an installed tree. Read-only at run time.
[[nodiscard]] QString programDataFolder();

// The user's configuration folder of the editor: $XDG_CONFIG_HOME/Glyphon
// (default ~/.config/Glyphon). Not created here.
[[nodiscard]] QString userConfigFolder();

// The user's data folder of the editor, for files the program writes (the
// wallpaper picture): $XDG_DATA_HOME/Glyphon (default ~/.local/share/Glyphon).
// Not created here.
[[nodiscard]] QString userDataFolder();

// The user's state folder of the editor, for what a crash must not lose
// (the recovery copies): $XDG_STATE_HOME/Glyphon (default
// ~/.local/state/Glyphon). Not created here.
[[nodiscard]] QString userStateFolder();

}  // namespace glyphon
