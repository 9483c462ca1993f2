#include "windows/mainform/StyleWait.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>

namespace glyphon {

namespace {

StyleWait::Delays s_delays;

}  // namespace

void StyleWait::setDelays(Delays delays) { s_delays = delays; }

StyleWait::Delays StyleWait::delays() { return s_delays; }

StyleWait::StyleWait(QWidget* owner, std::function<QString()> styleName)
    : m_owner(owner), m_styleName(std::move(styleName)) {
  m_clock.start();
}

StyleWait::~StyleWait() { end(); }

void StyleWait::end() {
  if (m_busyShown) QApplication::restoreOverrideCursor();
  m_busyShown = false;
  m_dialog.reset();
}

void StyleWait::advance() {
  const auto elapsed = std::chrono::milliseconds(m_clock.elapsed());
  if (!m_busyShown && elapsed >= s_delays.busyPointer) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_busyShown = true;
  }
  if (!m_dialog && elapsed >= s_delays.cancelDialog) {
    const QString name = m_styleName ? m_styleName() : QString();
    m_dialog = std::make_unique<QProgressDialog>(
        QObject::tr("Drawing the text with the style \u201C%1\u201D\u2026").arg(name),
        QObject::tr("Cancel"), 0, 0, m_owner);
    m_dialog->setObjectName(QStringLiteral("StyleWaitDialog"));
    m_dialog->setWindowTitle(QObject::tr("Drawing"));
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setMinimumDuration(0);
    QObject::connect(m_dialog.get(), &QProgressDialog::canceled, [this] {
      m_cancelled = true;
      if (m_loop) m_loop->quit();
    });
    m_dialog->show();
    // The pointer over the dialog is the dialog's own.
    if (m_busyShown) QApplication::changeOverrideCursor(Qt::BusyCursor);
  }
}

bool StyleWait::waitReadable(int fd, std::chrono::milliseconds timeout) {
  advance();
  if (m_cancelled) return false;
  QEventLoop loop;
  QSocketNotifier ready(qintptr(fd), QSocketNotifier::Read);
  QObject::connect(&ready, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
  // Back out at the deadline, and at the next step of the show.
  const auto elapsed = std::chrono::milliseconds(m_clock.elapsed());
  auto wake = timeout;
  if (!m_busyShown) wake = std::min(wake, s_delays.busyPointer - elapsed);
  if (!m_dialog) wake = std::min(wake, s_delays.cancelDialog - elapsed);
  QTimer::singleShot(std::max(wake, std::chrono::milliseconds(0)), &loop, &QEventLoop::quit);
  m_loop = &loop;
  loop.exec(m_dialog ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
  m_loop = nullptr;
  advance();
  return !m_cancelled;
}

}  // namespace glyphon
