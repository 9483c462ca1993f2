#include "windows/shell/QuitWhenIdle.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QWidget>
#include <QWindow>

namespace glyphon {

void quitWhenIdleIfAsked(QWidget& window) {
  if (qEnvironmentVariable("GLYPHON_QUIT_WHEN_IDLE") != QLatin1String("1")) return;
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  if (dispatcher == nullptr) return;
  // The dispatcher is about to block only when nothing is left to do; once
  // the window is on the screen by then, it has been shown and painted.
  QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &window, [&window] {
    const QWindow* handle = window.windowHandle();
    if (window.isVisible() && handle != nullptr && handle->isExposed()) QCoreApplication::quit();
  });
}

}  // namespace glyphon
