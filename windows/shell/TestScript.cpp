#include "windows/shell/TestScript.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "windows/mainform/MainForm.h"

namespace glyphon {

namespace {

constexpr int kStepTimeoutMs = 30000;
constexpr int kPollMs = 10;

void say(const QString& line) {
  std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
  std::fflush(stdout);
}

// Runs the steps from a timer of the event loop, which modal boxes keep
// running as well.
class TestScript : public QObject {
 public:
  TestScript(TMainForm& window, QStringList steps)
      : QObject(&window), m_window(window), m_steps(std::move(steps)) {
    connect(&m_timer, &QTimer::timeout, this, &TestScript::poll);
    m_timer.start(kPollMs);
    m_clock.start();
  }

 private:
  enum class Outcome { Done, NotYet, Failed };

  void poll() {
    if (m_next >= m_steps.size()) {
      m_timer.stop();
      say(QStringLiteral("script done"));
      return;
    }
    const QString& line = m_steps[m_next];
    QString why;
    const Outcome outcome = run(line, why);
    if (outcome == Outcome::NotYet && m_clock.elapsed() < kStepTimeoutMs) return;
    if (outcome != Outcome::Done) {
      m_timer.stop();
      say(QStringLiteral("step %1 failed: %2: %3")
              .arg(m_next + 1)
              .arg(line, why.isEmpty() ? QStringLiteral("timed out") : why));
      return;
    }
    say(QStringLiteral("step %1 done: %2").arg(m_next + 1).arg(line));
    ++m_next;
    m_clock.restart();
  }

  Outcome run(const QString& line, QString& why) {
    const qsizetype blank = line.indexOf(QLatin1Char(' '));
    const QString verb = line.left(blank);
    const QString argument = blank < 0 ? QString() : line.mid(blank + 1);
    QWidget* modal = QApplication::activeModalWidget();
    if (verb == QLatin1String("answer")) return answer(modal, argument);
    if (verb == QLatin1String("no-box")) {
      if (modal == nullptr) return Outcome::Done;
      why = QStringLiteral("a box is open: ") + modal->windowTitle();
      return Outcome::Failed;
    }
    if (modal != nullptr) return Outcome::NotYet;
    if (verb == QLatin1String("type")) {
      auto* memo = m_window.findChild<QPlainTextEdit*>(QStringLiteral("MemoText"));
      if (memo == nullptr) {
        why = QStringLiteral("no memo");
        return Outcome::Failed;
      }
      memo->setPlainText(argument);
      return Outcome::Done;
    }
    if (verb == QLatin1String("click")) {
      // Clicked from the event loop, not from inside this step: a box the
      // click opens runs a loop of its own, in which the next steps run.
      if (auto* button = m_window.findChild<QAbstractButton*>(argument)) {
        QTimer::singleShot(0, button, &QAbstractButton::click);
        return Outcome::Done;
      }
      if (auto* action = m_window.findChild<QAction*>(argument)) {
        QTimer::singleShot(0, action, &QAction::trigger);
        return Outcome::Done;
      }
      why = QStringLiteral("nothing is named so");
      return Outcome::Failed;
    }
    if (verb == QLatin1String("wait-autosaves")) {
      const TMainForm::AutosaveCounts counts = m_window.autosaveCounts();
      return counts.written + counts.failed >= argument.toInt() ? Outcome::Done : Outcome::NotYet;
    }
    if (verb == QLatin1String("wait-copy"))
      return m_window.recoveryCopyCurrent() ? Outcome::Done : Outcome::NotYet;
    if (verb == QLatin1String("wait-file"))
      return QFileInfo::exists(argument) ? Outcome::Done : Outcome::NotYet;
    if (verb == QLatin1String("print-note")) {
      auto* note = m_window.findChild<QLabel*>(QStringLiteral("StatusNote"));
      say(QStringLiteral("note: ") + (note != nullptr ? note->text() : QString()));
      return Outcome::Done;
    }
    why = QStringLiteral("unknown step");
    return Outcome::Failed;
  }

  static Outcome answer(QWidget* modal, const QString& caption) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box == nullptr) return Outcome::NotYet;
    for (QAbstractButton* button : box->buttons()) {
      // Standard buttons carry a mnemonic ("&No").
      if (QString(button->text()).remove(QLatin1Char('&')) == caption) {
        say(QStringLiteral("box: ") + box->text().replace(QLatin1Char('\n'), QLatin1Char(' ')));
        // Pressed once the box's own event loop runs again.
        QTimer::singleShot(0, button, &QAbstractButton::click);
        return Outcome::Done;
      }
    }
    return Outcome::NotYet;
  }

  TMainForm& m_window;
  QStringList m_steps;
  int m_next = 0;
  QTimer m_timer;
  QElapsedTimer m_clock;
};

}  // namespace

void runTestScriptIfAsked(TMainForm& window) {
  const QString script = qEnvironmentVariable("GLYPHON_TEST_SCRIPT");
  if (script.isEmpty()) return;
  new TestScript(window, script.split(QLatin1Char('\n'), Qt::SkipEmptyParts));
}

}  // namespace glyphon
