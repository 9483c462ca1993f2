// glyphon-styles: registers style kinds in the user's style catalogue, so
// that the editor lists them, and takes them out again.
//
//   glyphon-styles register STYLE_FOLDER     entries the user already has stay
//   glyphon-styles unregister STYLE_FOLDER   only entries pointing at STYLE_FOLDER go
//   glyphon-styles list                      the catalogue's style kinds
#include <QCoreApplication>
#include <QSettings>
#include <cstdio>
#include <exception>
#include <memory>

#include "services/shell/StyleCatalogue.h"
#include "tools/StyleRegistration.h"

namespace {

void printIds(const char* what, const QStringList& ids) {
  if (!ids.isEmpty())
    std::printf("%s %s\n", what, ids.join(QStringLiteral(", ")).toLocal8Bit().constData());
}

int usage() {
  std::fputs(
      "usage: glyphon-styles register STYLE_FOLDER\n"
      "       glyphon-styles unregister STYLE_FOLDER\n"
      "       glyphon-styles list\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments().mid(1);
  try {
    const std::unique_ptr<QSettings> catalogue = glyphon::StyleCatalogue::openUserStore();
    if (args.size() == 2 && args[0] == QLatin1String("register")) {
      const glyphon::RegistrationReport report = glyphon::registerStyleKinds(*catalogue, args[1]);
      printIds("Registered style kinds", report.registered);
      printIds("Kept the entries the catalogue already had for", report.kept);
    } else if (args.size() == 2 && args[0] == QLatin1String("unregister")) {
      const glyphon::RegistrationReport report = glyphon::unregisterStyleKinds(*catalogue, args[1]);
      printIds("Unregistered style kinds", report.removed);
    } else if (args.size() == 1 && args[0] == QLatin1String("list")) {
      const glyphon::StyleCatalogue reader;
      std::printf("%s\n", reader.fileName().toLocal8Bit().constData());
      for (const glyphon::StyleKindEntry& entry : reader.templateEntries()) {
        const glyphon::StyleLocation where = reader.location(entry.id);
        std::printf("%d  %s  %s/%s\n", entry.id, entry.caption.toLocal8Bit().constData(),
                    where.folder.toLocal8Bit().constData(),
                    where.pluginFileName.toLocal8Bit().constData());
      }
    } else {
      return usage();
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "glyphon-styles: %s\n", e.what());
    return 1;
  }
  return 0;
}
