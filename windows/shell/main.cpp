// The editor's entry: builds the application and its main window and runs
// the event loop until the window closes.
#include <QApplication>
#include <QIcon>

#include "services/shell/AppPaths.h"
#include "windows/mainform/MainForm.h"
#include "windows/shell/MessageBoxes.h"
#include "windows/shell/QuitWhenIdle.h"
#include "windows/shell/TestScript.h"

int main(int argc, char** argv) {
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
