#include "services/shell/StyleSources.h"

#include <QDate>
#include <QFile>
#include <QLocale>

#include "engine/core/TextRules.h"
#include "services/shell/StyleCatalogue.h"

namespace glyphon {

std::string todaysDateDigits() {
  const QString date = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
  return dateDigits(date.toStdString());
}

StyleSource styleSource(const QString& folder, const QString& pluginFileName) {
  return {QFile::encodeName(folder).toStdString(), QFile::encodeName(pluginFileName).toStdString(),
          todaysDateDigits()};
}

std::optional<StyleSource> installedStyleSource(int32_t id) {
  const StyleLocation location = StyleCatalogue().location(id);
  if (location.folder.isEmpty() || location.pluginFileName.isEmpty()) return std::nullopt;
  return styleSource(location.folder, location.pluginFileName);
}

}  // namespace glyphon
