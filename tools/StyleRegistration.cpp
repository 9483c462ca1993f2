#include "tools/StyleRegistration.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <optional>

#include "engine/core/Error.h"
#include "services/shell/StyleCatalogue.h"

namespace glyphon {

namespace {

QString absoluteFolder(const QString& folder) {
  return QDir::cleanPath(QDir(folder).absolutePath());
}

// A kind found in a style folder.
struct FoundKind {
  QString id;
  QString name;
  QString data;
};

std::vector<FoundKind> kindsIn(const QString& folder) {
  std::vector<FoundKind> kinds;
  const QDir dir(folder);
  for (const QString& sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
    const std::optional<int32_t> id = styleKindId(sub);
    if (!id || QString::number(*id) != sub) continue;
    const QString manifest = dir.filePath(sub + QStringLiteral("/style.ini"));
    if (!QFileInfo::exists(manifest)) continue;
    QSettings ini(manifest, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Style"));
    const std::optional<QString> name = catalogueValue(ini, QStringLiteral("name"));
    const std::optional<QString> data = catalogueValue(ini, QStringLiteral("data"));
    if (!name || !data || name->trimmed().isEmpty() || data->isEmpty())
      throw Error(("The style kind description \"" + manifest +
                   "\" lacks its name or its data (the plug-in's file name)")
                      .toStdString());
    kinds.push_back({sub, name->trimmed(), *data});
  }
  return kinds;
}

void syncOrThrow(QSettings& catalogue) {
  catalogue.sync();
  if (catalogue.status() != QSettings::NoError)
    throw Error(
        ("Cannot write the style catalogue \"" + catalogue.fileName() + "\"").toStdString());
}

// The entry's value of key, or empty.
QString valueOf(QSettings& catalogue, const QString& group, const char* key) {
  catalogue.beginGroup(group);
  const QString value = catalogueValue(catalogue, QString::fromLatin1(key)).value_or(QString());
  catalogue.endGroup();
  return value;
}

}  // namespace

RegistrationReport registerStyleKinds(QSettings& catalogue, const QString& styleFolder) {
  const QString folder = absoluteFolder(styleFolder);
  const std::vector<FoundKind> kinds = kindsIn(folder);
  if (kinds.empty())
    throw Error(("No style kinds in \"" + folder +
                 "\": a style kind is a folder named by its id holding a style.ini")
                    .toStdString());
  RegistrationReport report;
  const QStringList groups = catalogue.childGroups();
  for (const FoundKind& kind : kinds) {
    if (groups.contains(kind.id)) {
      const QString path = valueOf(catalogue, kind.id, kStyleKindPathKey);
      const QString data = valueOf(catalogue, kind.id, kStyleKindDataKey);
      const bool ours = valueOf(catalogue, kind.id, kRegisteredByKey) == kRegisteredByValue;
      const bool gone = !QFileInfo::exists(path + QLatin1Char('/') + data);
      if (!(ours && gone)) {
        report.kept.push_back(kind.id);
        continue;
      }
      catalogue.remove(kind.id);
    }
    catalogue.beginGroup(kind.id);
    catalogue.setValue(QString::fromLatin1(kStyleKindNameKey), kind.name);
    catalogue.setValue(QString::fromLatin1(kStyleKindPathKey), folder);
    catalogue.setValue(QString::fromLatin1(kStyleKindDataKey), kind.data);
    catalogue.setValue(QString::fromLatin1(kRegisteredByKey),
                       QString::fromLatin1(kRegisteredByValue));
    catalogue.endGroup();
    report.registered.push_back(kind.id);
  }
  syncOrThrow(catalogue);
  return report;
}

RegistrationReport unregisterStyleKinds(QSettings& catalogue, const QString& styleFolder) {
  const QString folder = absoluteFolder(styleFolder);
  RegistrationReport report;
  for (const QString& group : catalogue.childGroups()) {
    const QString path = valueOf(catalogue, group, kStyleKindPathKey);
    if (path.isEmpty() || absoluteFolder(path) != folder) continue;
    catalogue.remove(group);
    report.removed.push_back(group);
  }
  syncOrThrow(catalogue);
  return report;
}

}  // namespace glyphon
