#include "services/shell/RecentProjects.h"

#include <QDir>
#include <QSettings>

#include "services/shell/AppPaths.h"

namespace glyphon {

namespace {

const char* const kRecentFileName = "recent.ini";
const char* const kRecentKey = "Recent/Projects";

QString recentFile() {
  return userConfigFolder() + QLatin1Char('/') + QLatin1String(kRecentFileName);
}

}  // namespace

QStringList recentWith(QStringList list, const QString& path) {
  if (path.trimmed().isEmpty()) return list;
  list = recentWithout(std::move(list), path);
  list.prepend(path);
  while (list.size() > kRecentProjectCount) list.removeLast();
  return list;
}

QStringList recentWithout(QStringList list, const QString& path) {
  list.removeAll(path);
  return list;
}

QStringList loadRecentProjects() {
  const QSettings store(recentFile(), QSettings::IniFormat);
  QStringList list;
  for (const QString& entry : store.value(QLatin1String(kRecentKey)).toStringList())
    if (!entry.trimmed().isEmpty() && list.size() < kRecentProjectCount && !list.contains(entry))
      list.append(entry);
  return list;
}

void saveRecentProjects(const QStringList& list) {
  QDir().mkpath(userConfigFolder());
  QSettings store(recentFile(), QSettings::IniFormat);
  store.setValue(QLatin1String(kRecentKey), list);
}

}  // namespace glyphon
