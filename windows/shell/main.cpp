// The editor's entry: builds the application and its main window and runs
// the event loop until the window closes.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstring>

#include "engine/shell/ProgramInfo.h"
#include "services/shell/AppPaths.h"
#include "windows/mainform/MainForm.h"
#include "windows/shell/MessageBoxes.h"
#include "windows/shell/QuitWhenIdle.h"
#include "windows/shell/TestScript.h"

namespace {

constexpr const char* kHelp =
    "usage: glyphon-editor [QT-OPTION...] [PROJECT.gyf]\n"
    "\n"
    "Glyphon Editor sets decorative text over a picture. Given a project file,\n"
    "it opens that project at start-up; further arguments are ignored.\n"
    "\n"
    "  -h, --help     show this text and exit\n"
    "  --version      show the version and exit\n"
    "\n"
    "The options of every Qt program (-platform NAME, -style NAME, ...) apply.\n"
    "The sample style kinds and the catalogue are managed with glyphon-styles(1);\n"
    "projects are rendered without a window by glyphon-render(1).\n";

// Answers --help and --version before any window system is needed, so both
// work with no display. Returns the exit status, or -1 to start the editor.
int answerInformationOptions(int argc, char** argv) {
  for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kHelp, stdout);
      std::fputs(glyphon::helpFooter().c_str(), stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::fputs(glyphon::versionText("glyphon-editor").c_str(), stdout);
      return 0;
    }
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (const int status = answerInformationOptions(argc, argv); status >= 0) return status;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("glyphon-editor"));
  QApplication::setApplicationDisplayName(QString::fromUtf8(glyphon::kApplicationTitle));
  // Lets the desktop match the window to glyphon-editor.desktop and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("glyphon-editor"));
  QApplication::setWindowIcon(QIcon::fromTheme(
      QStringLiteral("glyphon-editor"), QIcon(QStringLiteral(":/icons/glyphon-editor-256.png"))));

  glyphon::TMainForm window(glyphon::programDataFolder(), QApplication::arguments().mid(1));
  // The window creates the transparency window, hidden, as its own child.
  window.showMaximized();
  glyphon::quitWhenIdleIfAsked(window);
  glyphon::runTestScriptIfAsked(window);
  return app.exec();
}
