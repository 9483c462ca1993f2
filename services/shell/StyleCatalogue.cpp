#include "services/shell/StyleCatalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <limits>
#include <utility>

namespace glyphon {

std::optional<int32_t> styleKindId(const QString& groupName) {
  const QString digits = groupName.trimmed();
  bool ok = false;
  const qlonglong id = digits.toLongLong(&ok, 10);
  if (!ok || id < std::numeric_limits<int32_t>::min() || id > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return int32_t(id);
}

std::optional<QString> catalogueValue(const QSettings& settings, const QString& key) {
  QString found;
  if (settings.contains(key)) {
    found = key;
  } else {
    for (const QString& candidate : settings.childKeys())
      if (candidate.compare(key, Qt::CaseInsensitive) == 0) {
        found = candidate;
        break;
      }
    if (found.isEmpty()) return std::nullopt;
  }
  const QVariant value = settings.value(found);
  // An unquoted value with commas comes back as a list of its parts.
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(", ");
  return value.toString();
}

StyleCatalogue::StyleCatalogue() = default;

StyleCatalogue::StyleCatalogue(QString iniFile) : m_iniFile(std::move(iniFile)) {}

QString StyleCatalogue::userStoreFile() {
  // Where QSettings keeps organisation "Vantry", application "Glyphon" for
  // the user, worked out afresh on every call: QSettings itself fixes the
  // folder the first time it is asked, which would leave a change of
  // $XDG_CONFIG_HOME unseen.
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QLatin1Char('/') + QString::fromLatin1(kStyleCatalogueOrganization) + QLatin1Char('/') +
         QString::fromLatin1(kStyleCatalogueApplication) + QStringLiteral(".conf");
}

std::unique_ptr<QSettings> StyleCatalogue::openUserStore() {
  return std::make_unique<QSettings>(userStoreFile(), QSettings::IniFormat);
}

std::unique_ptr<QSettings> StyleCatalogue::open() const {
  if (m_iniFile.isEmpty()) return openUserStore();
  return std::make_unique<QSettings>(m_iniFile, QSettings::IniFormat);
}

QString StyleCatalogue::fileName() const { return open()->fileName(); }

std::vector<StyleKindEntry> StyleCatalogue::templateEntries() const {
  std::unique_ptr<QSettings> settings = open();
  // The store is created, empty, when it is missing; the settings object
  // itself never writes a file that holds nothing.
  const QFileInfo store(settings->fileName());
  if (!store.exists() && QDir().mkpath(store.absolutePath())) {
    QFile empty(store.absoluteFilePath());
    if (empty.open(QIODevice::WriteOnly | QIODevice::NewOnly)) empty.close();
  }

  std::vector<StyleKindEntry> entries;
  if (settings->status() != QSettings::NoError) return entries;
  for (const QString& group : settings->childGroups()) {
    const std::optional<int32_t> id = styleKindId(group);
    if (!id) continue;
    settings->beginGroup(group);
    const std::optional<QString> name =
        catalogueValue(*settings, QString::fromLatin1(kStyleKindNameKey));
    settings->endGroup();
    if (name) entries.push_back({*id, name->trimmed()});
  }
  return entries;
}

StyleLocation StyleCatalogue::location(int32_t id) const {
  std::unique_ptr<QSettings> settings = open();
  StyleLocation location;
  if (settings->status() != QSettings::NoError) return location;
  // The group whose name reads as id; groups are matched by their id, so
  // " 10001" serves 10001 as it does in the template menu.
  for (const QString& group : settings->childGroups()) {
    if (styleKindId(group) != id) continue;
    settings->beginGroup(group);
    location.folder =
        catalogueValue(*settings, QString::fromLatin1(kStyleKindPathKey)).value_or(QString());
    location.pluginFileName =
        catalogueValue(*settings, QString::fromLatin1(kStyleKindDataKey)).value_or(QString());
    settings->endGroup();
    break;
  }
  return location;
}

}  // namespace glyphon
