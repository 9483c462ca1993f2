// The wait of the main window while the style helper draws: the window
// stays painted, after about half a second the pointer shows that work is
// going on, and after about two seconds a dialog offers to cancel. Until
// that dialog shows, the user's input waits; the dialog is modal, so
// nothing else can change the composition while a rendering is under way.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>

#include "engine/core/RenderWait.h"

class QEventLoop;
class QProgressDialog;
class QWidget;

namespace glyphon {

class StyleWait final : public RenderWait {
 public:
  // When the busy pointer and the cancel dialog appear, measured from the start of the wait.
  struct Delays {
    std::chrono::milliseconds busyPointer{500};
    std::chrono::milliseconds cancelDialog{2000};
  };
  // The delays of every wait from now on (tests shorten them).
  static void setDelays(Delays delays);
  [[nodiscard]] static Delays delays();

  // styleName is asked for only when the dialog shows, to name the style in it.
  StyleWait(QWidget* owner, std::function<QString()> styleName);
  // Puts the pointer back and closes the dialog.
  ~StyleWait() override;
  StyleWait(const StyleWait&) = delete;
  StyleWait& operator=(const StyleWait&) = delete;

  bool waitReadable(int fd, std::chrono::milliseconds timeout) override;

  // Ends the wait's show at once (before a message box about the rendering, say).
  void end();

 private:
  void advance();

  QWidget* m_owner;
  std::function<QString()> m_styleName;
  QElapsedTimer m_clock;
  bool m_busyShown = false;
  bool m_cancelled = false;
  std::unique_ptr<QProgressDialog> m_dialog;
  QEventLoop* m_loop = nullptr;  // the loop running inside waitReadable
};

}  // namespace glyphon
