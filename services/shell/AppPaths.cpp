#include "services/shell/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace glyphon {

namespace {

// $VAR when it names an absolute folder, else the home-relative default.
QString xdgFolder(const char* variable, const char* homeRelativeDefault) {
  const QString value = qEnvironmentVariable(variable);
  if (!value.isEmpty() && QDir::isAbsolutePath(value)) return QDir::cleanPath(value);
  return QDir::cleanPath(QDir::homePath() + "/" + homeRelativeDefault);
}

}  // namespace

QString programDataFolder() {
  const QString exeFolder = QCoreApplication::applicationDirPath();
  // A build tree keeps the data beside the executable.
  if (QFileInfo::exists(exeFolder + "/pic/default.jpg")) return exeFolder;
  const QString installed = QDir::cleanPath(exeFolder + "/../share/glyphon-editor");
  if (QFileInfo::exists(installed)) return installed;
  return exeFolder;
}

QString userConfigFolder() { return xdgFolder("XDG_CONFIG_HOME", ".config") + "/Glyphon"; }

QString userDataFolder() { return xdgFolder("XDG_DATA_HOME", ".local/share") + "/Glyphon"; }

QString userStateFolder() { return xdgFolder("XDG_STATE_HOME", ".local/state") + "/Glyphon"; }

}  // namespace glyphon
