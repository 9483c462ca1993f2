// glyphon-styles: registers style kinds in the style catalogue, so that the
// editor lists them, and takes them out again.
//
//   glyphon-styles [--system] register STYLE_FOLDER    entries already there stay
//   glyphon-styles [--system] unregister STYLE_FOLDER  only entries pointing at STYLE_FOLDER go
//   glyphon-styles [--system] list                     the catalogue's style kinds
//
// Without --system the tool writes the user's catalogue; with it, the first
// system-wide one ($XDG_CONFIG_DIRS, default /etc/xdg), which serves every
// user who has no entry of their own for a kind.
#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <cstdio>
#include <exception>
#include <memory>

#include "engine/shell/ProgramInfo.h"
#include "services/shell/StyleCatalogue.h"
#include "tools/StyleRegistration.h"

namespace {

constexpr const char* kUsage =
    "usage: glyphon-styles [--system] register STYLE_FOLDER\n"
    "       glyphon-styles [--system] unregister STYLE_FOLDER\n"
    "       glyphon-styles [--system] list\n";

constexpr const char* kHelp =
    "\n"
    "Writes the style kinds of a style folder into Glyphon Editor's style\n"
    "catalogue, takes them out again, or lists the catalogue.\n"
    "\n"
    "  register STYLE_FOLDER    add every kind of STYLE_FOLDER (a folder named by\n"
    "                           the kind's id holding a style.ini); an entry the\n"
    "                           catalogue already has for an id stays as it is\n"
    "  unregister STYLE_FOLDER  remove the entries that point at STYLE_FOLDER\n"
    "  list                     list the style kinds the editor shows: the user's\n"
    "                           entries first, then the system-wide ones\n"
    "  --system                 work on the system-wide catalogue\n"
    "                           (first folder of $XDG_CONFIG_DIRS, default\n"
    "                           /etc/xdg, + /Vantry/Glyphon.conf) in place of the\n"
    "                           user's ($XDG_CONFIG_HOME/Vantry/Glyphon.conf)\n"
    "  -h, --help               show this text and exit\n"
    "  --version                show the version and exit\n"
    "\n"
    "Exit status: 0 on success, 1 on failure, 2 for a wrong command line.\n";

void printIds(const char* what, const QStringList& ids) {
  if (!ids.isEmpty())
    std::printf("%s %s\n", what, ids.join(QStringLiteral(", ")).toLocal8Bit().constData());
}

int usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

void list(const glyphon::StyleCatalogue& reader) {
  std::printf("%s\n", reader.fileName().toLocal8Bit().constData());
  for (const glyphon::StyleKindEntry& entry : reader.templateEntries()) {
    const glyphon::StyleLocation where = reader.location(entry.id);
    std::printf("%d  %s  %s/%s\n", entry.id, entry.caption.toLocal8Bit().constData(),
                where.folder.toLocal8Bit().constData(),
                where.pluginFileName.toLocal8Bit().constData());
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments().mid(1);
  if (args.size() == 1 && (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"))) {
    std::fputs(kUsage, stdout);
    std::fputs(kHelp, stdout);
    std::fputs(glyphon::helpFooter().c_str(), stdout);
    return 0;
  }
  if (args.size() == 1 && args[0] == QLatin1String("--version")) {
    std::fputs(glyphon::versionText("glyphon-styles").c_str(), stdout);
    return 0;
  }
  const bool system = !args.isEmpty() && args[0] == QLatin1String("--system");
  if (system) args.removeFirst();
  try {
    if (args.size() == 2 && args[0] == QLatin1String("register")) {
      const std::unique_ptr<QSettings> catalogue = system
                                                       ? glyphon::StyleCatalogue::openSystemStore()
                                                       : glyphon::StyleCatalogue::openUserStore();
      const glyphon::RegistrationReport report = glyphon::registerStyleKinds(*catalogue, args[1]);
      printIds("Registered style kinds", report.registered);
      printIds("Kept the entries the catalogue already had for", report.kept);
    } else if (args.size() == 2 && args[0] == QLatin1String("unregister")) {
      const std::unique_ptr<QSettings> catalogue = system
                                                       ? glyphon::StyleCatalogue::openSystemStore()
                                                       : glyphon::StyleCatalogue::openUserStore();
      const glyphon::RegistrationReport report = glyphon::unregisterStyleKinds(*catalogue, args[1]);
      printIds("Unregistered style kinds", report.removed);
    } else if (args.size() == 1 && args[0] == QLatin1String("list")) {
      const QString systemStore = glyphon::StyleCatalogue::systemStoreFiles().front();
      // Listing never creates the system-wide store.
      if (system && !QFileInfo::exists(systemStore))
        std::printf("%s\n", systemStore.toLocal8Bit().constData());
      else if (system)
        list(glyphon::StyleCatalogue(systemStore));
      else
        list(glyphon::StyleCatalogue());
    } else {
      return usage();
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "glyphon-styles: %s\n", e.what());
    return 1;
  }
  return 0;
}
