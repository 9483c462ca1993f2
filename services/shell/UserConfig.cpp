#include "services/shell/UserConfig.h"

#include <QLocale>
#include <QStringList>
#include <QtGlobal>
#include <vector>

#include "services/shell/AppPaths.h"
#include "engine/shell/Language.h"

namespace glyphon {

std::string localeDecimalSeparator() { return QLocale::system().decimalPoint().toStdString(); }

QString userConfigPath() {
  return userConfigFolder() + QChar('/') + QString::fromLatin1(kConfigFileName);
}

Configuration loadUserConfiguration() {
  return loadConfiguration(userConfigFolder().toStdString(), localeDecimalSeparator());
}

void saveUserConfiguration(const Configuration& config) {
  saveConfiguration(userConfigFolder().toStdString(), config, localeDecimalSeparator());
}

int32_t chosenLanguageIndex(const QString& programFolder) {
  const QString chosen = qEnvironmentVariable(kLanguageVariable).trimmed();
  if (chosen.isEmpty()) return -1;
  const std::vector<std::string> names = languageFileNames(programFolder.toStdString());
  const int32_t index = languageIndexOf(names, chosen.toStdString());
  if (index < 0) {
    QStringList known;
    for (const std::string& name : names) known << QString::fromStdString(name);
    qWarning("%s=%s names no language file in %s/%s; the dialogs stay English. Languages: %s",
             kLanguageVariable, qUtf8Printable(chosen), qUtf8Printable(programFolder),
             kLanguagesFolder.data(),
             known.isEmpty() ? "none" : qUtf8Printable(known.join(QStringLiteral(", "))));
  }
  return index;
}

}  // namespace glyphon
