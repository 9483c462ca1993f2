// Start-up measurement: with GLYPHON_QUIT_WHEN_IDLE=1 in the environment the
// editor quits as soon as its main window is shown and the event queue has
// run dry, so that the time of a whole start-up can be taken from outside.
#pragma once

class QWidget;

namespace glyphon {

// Arranges the quit when the environment asks for it; otherwise does
// nothing. Call after window has been shown.
void quitWhenIdleIfAsked(QWidget& window);

}  // namespace glyphon
