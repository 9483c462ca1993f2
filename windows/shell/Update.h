// The update dialog: a two-picture animation with a progress text while one
// request asks the update server for the newest version, then the answer in
// a message box. The request runs in the background of the dialog's event
// loop: the animation goes on and Cancel stops the request at any moment.
#pragma once

#include <QDialog>
#include <QString>

#include "services/shell/UpdateRequest.h"

class QLabel;
class QPushButton;
class QTimer;

namespace glyphon {

class Language;

class TUpdateForm : public QDialog {
  Q_OBJECT

 public:
  // The animation and the one-second start timer run from here on; the
  // check asks source once TimerStart fires.
  TUpdateForm(QWidget* owner, UpdateSource source);
  ~TUpdateForm() override;

  // Puts the texts of language on the widgets and into the messages.
  void LoadTexts(const Language& language);

  // One step of the animation: the other picture, the progress text with
  // the current number of dots, then one dot more (none after six).
  void TimerUpdateTimer();
  // Starts the check; later calls do nothing.
  void TimerStartTimer();
  // Stops the animation and the request and closes the dialog.
  void ButtonCancelClick();

  // The two frames of the animation, one of them shown.
  QLabel* Image1 = nullptr;
  QLabel* Image2 = nullptr;
  // The progress text, and the line naming the update server.
  QLabel* LabelUpdate = nullptr;
  QLabel* LabelInfo = nullptr;
  QPushButton* ButtonCancel = nullptr;
  // Every 500 ms: one animation step.
  QTimer* TimerUpdate = nullptr;
  // Once, a second after creation: starts the check.
  QTimer* TimerStart = nullptr;
  UpdateRequest* IdHTTPUpdate = nullptr;

 public slots:
  // Every way of closing (Cancel, Esc, the title bar, the end of the check)
  // stops the timers and the request first.
  void done(int result) override;

 private:
  void requestFinished(bool answered, const QByteArray& body);
  void showAnswer(const QByteArray& body);
  // Makes the dialog wide enough for the longest progress text.
  void fitWidth();

  UpdateSource m_source;
  int m_dots = 0;
  bool m_checkStarted = false;

  // The texts of the language, English by default.
  QString m_progressText;
  QString m_latestVersion;
  QString m_thanks;
  QString m_newVersionIs;
  QString m_downloadQuestion;
  QString m_newVersionCaption;
  QString m_connectFailed;
  QString m_tryLater;
  QString m_answerUnreadable;
};

}  // namespace glyphon
