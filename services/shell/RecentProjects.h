// The projects the user opened or saved last, newest first, kept in the
// user's configuration folder (recent.ini) for File > Open Recent.
#pragma once

#include <QString>
#include <QStringList>

namespace glyphon {

// How many projects the list keeps.
inline constexpr int kRecentProjectCount = 8;

// The list after path was opened or saved: path first, its earlier entry
// gone, at most kRecentProjectCount entries. A blank path changes nothing.
[[nodiscard]] QStringList recentWith(QStringList list, const QString& path);
// The list without path.
[[nodiscard]] QStringList recentWithout(QStringList list, const QString& path);

// The stored list; empty when there is none. Blank entries and those past
// kRecentProjectCount are left out.
[[nodiscard]] QStringList loadRecentProjects();
// Stores list; a store that cannot be written keeps its old list, unreported
// (the list is a convenience, never worth a message).
void saveRecentProjects(const QStringList& list);

}  // namespace glyphon
