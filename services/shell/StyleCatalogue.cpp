#include "services/shell/StyleCatalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>
#include <limits>
#include <set>
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

QStringList StyleCatalogue::systemStoreFiles() {
  QStringList files;
  const QString name = QLatin1Char('/') + QString::fromLatin1(kStyleCatalogueOrganization) +
                       QLatin1Char('/') + QString::fromLatin1(kStyleCatalogueApplication) +
                       QStringLiteral(".conf");
  // Relative entries are not meant for anyone under the XDG base directory
  // rules; they are left out.
  for (const QString& folder :
       qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts))
    if (QDir::isAbsolutePath(folder)) files.push_back(QDir::cleanPath(folder) + name);
  if (files.isEmpty()) files.push_back(QStringLiteral("/etc/xdg") + name);
  return files;
}

std::unique_ptr<QSettings> StyleCatalogue::openUserStore() {
  return std::make_unique<QSettings>(userStoreFile(), QSettings::IniFormat);
}

std::unique_ptr<QSettings> StyleCatalogue::openSystemStore() {
  return std::make_unique<QSettings>(systemStoreFiles().front(), QSettings::IniFormat);
}

QStringList StyleCatalogue::storeFiles() const {
  if (!m_iniFile.isEmpty()) return {m_iniFile};
  return QStringList{userStoreFile()} + systemStoreFiles();
}

QString StyleCatalogue::fileName() const { return storeFiles().front(); }

std::vector<StyleKindEntry> StyleCatalogue::templateEntries() const {
  const QStringList files = storeFiles();
  // The user's store is created, empty, when it is missing; the settings
  // object itself never writes a file that holds nothing.
  const QFileInfo store(files.front());
  if (!store.exists() && QDir().mkpath(store.absolutePath())) {
    QFile empty(store.absoluteFilePath());
    if (empty.open(QIODevice::WriteOnly | QIODevice::NewOnly)) empty.close();
  }

  // Entries with the group names they stand under, for the order.
  std::vector<std::pair<QString, StyleKindEntry>> listed;
  std::set<int32_t> taken;  // ids a store read earlier holds
  for (qsizetype i = 0; i < files.size(); ++i) {
    // A system-wide store that is not there holds nothing; only the user's
    // store must be readable.
    if (i > 0 && !QFileInfo::exists(files[i])) continue;
    QSettings settings(files[i], QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
      if (i == 0) return {};
      continue;
    }
    std::set<int32_t> held;
    for (const QString& group : settings.childGroups()) {
      const std::optional<int32_t> id = styleKindId(group);
      if (!id || taken.contains(*id)) continue;
      held.insert(*id);
      settings.beginGroup(group);
      const std::optional<QString> name =
          catalogueValue(settings, QString::fromLatin1(kStyleKindNameKey));
      settings.endGroup();
      if (name) listed.emplace_back(group, StyleKindEntry{*id, name->trimmed()});
    }
    taken.merge(held);
  }
  std::stable_sort(listed.begin(), listed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<StyleKindEntry> entries;
  entries.reserve(listed.size());
  for (auto& [group, entry] : listed) entries.push_back(std::move(entry));
  return entries;
}

StyleLocation StyleCatalogue::location(int32_t id) const {
  StyleLocation location;
  for (const QString& file : storeFiles()) {
    if (!QFileInfo::exists(file)) continue;
    QSettings settings(file, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) continue;
    // The group whose name reads as id; groups are matched by their id, so
    // " 10001" serves 10001 as it does in the template menu.
    for (const QString& group : settings.childGroups()) {
      if (styleKindId(group) != id) continue;
      settings.beginGroup(group);
      location.folder =
          catalogueValue(settings, QString::fromLatin1(kStyleKindPathKey)).value_or(QString());
      location.pluginFileName =
          catalogueValue(settings, QString::fromLatin1(kStyleKindDataKey)).value_or(QString());
      settings.endGroup();
      return location;
    }
  }
  return location;
}

}  // namespace glyphon
