// The main window's autosave: recovery copies written on another thread
// while the composition is modified, and the offer to recover the copy of
// an editor that did not close normally.
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QTimer>
#include <utility>

#include "engine/documents/AbandonedCopy.h"
#include "engine/documents/Autosaver.h"
#include "engine/documents/ProjectFile.h"
#include "engine/documents/ProjectSnapshot.h"
#include "services/shell/AppPaths.h"
#include "windows/mainform/MainForm.h"
#include "windows/shell/MessageBoxes.h"

namespace glyphon {

namespace {

// How often a modified composition is copied.
constexpr int kAutosaveIntervalMs = 60 * 1000;

// The interval the environment asks for (GLYPHON_AUTOSAVE_INTERVAL_MS, at
// least 10 ms), else a minute.
int autosaveInterval() {
  bool ok = false;
  const int asked = qEnvironmentVariableIntValue("GLYPHON_AUTOSAVE_INTERVAL_MS", &ok);
  return ok && asked >= 10 ? asked : kAutosaveIntervalMs;
}

QString sizeText(const QString& label, const Bitmap& bitmap) {
  return label + QString::number(bitmap.width()) + QStringLiteral(" x ") +
         QString::number(bitmap.height());
}

// The question for one abandoned copy: whose work it holds and from when.
MessageAnswer askRecover(QWidget* owner, const AbandonedCopy& copy) {
  const QString project =
      copy.projectPath().empty()
          ? QCoreApplication::translate("TMainForm", "Untitled")
          : QStringLiteral("\"%1\"").arg(
                QFileInfo(QString::fromStdString(copy.projectPath())).fileName());
  const QString when = QLocale().toString(QDateTime::fromSecsSinceEpoch(qint64(copy.savedAt())),
                                          QLocale::ShortFormat);
  return messageBoxes().show(
      owner,
      {MessageIcon::Question,
       QString::fromUtf8(kApplicationTitle),
       QCoreApplication::translate("TMainForm",
                                   "Glyphon Editor did not close normally. Unsaved work of the "
                                   "project %1 was kept at %2.\r\rRecover opens it as an unsaved "
                                   "project, Discard deletes it, Later asks again at the next "
                                   "start.")
           .arg(project, when),
       MessageButtons::YesNoCancel,
       {QCoreApplication::translate("TMainForm", "Recover"),
        QCoreApplication::translate("TMainForm", "Discard"),
        QCoreApplication::translate("TMainForm", "Later")}});
}

}  // namespace

void TMainForm::setUpAutosave() {
  // The writer tells of each copy from its own thread; the window hears of
  // it in its own.
  m_autosaver = std::make_unique<Autosaver>(
      userStateFolder().toStdString(), [this](const Autosaver::Result& result) {
        QMetaObject::invokeMethod(
            this,
            [this, ticket = result.ticket, written = result.written,
             error = QString::fromStdString(result.error)] {
              autosaveFinished(ticket, written, error);
            },
            Qt::QueuedConnection);
      });
  m_autosaveTimer = new QTimer(this);
  m_autosaveTimer->setObjectName(QStringLiteral("TimerAutosave"));
  connect(m_autosaveTimer, &QTimer::timeout, this, &TMainForm::autosaveTick);
  m_autosaveTimer->start(autosaveInterval());
  // A change ends with the command that made it; one copy follows at once.
  m_autosaveSoon = new QTimer(this);
  m_autosaveSoon->setSingleShot(true);
  m_autosaveSoon->setInterval(0);
  connect(m_autosaveSoon, &QTimer::timeout, this, &TMainForm::autosaveTick);
}

void TMainForm::setAutosaveInterval(int milliseconds) {
  m_autosaveTimer->start(std::max(10, milliseconds));
}

void TMainForm::autosaveModifiedChanged(bool modified) {
  if (!m_autosaver) return;
  if (!modified) {
    // Saved, new or opened: the copy has nothing left to keep.
    m_changedSinceCopy = false;
    m_autosaveSoon->stop();
    if (m_copyKept) m_autosaver->remove();
    m_copyKept = false;
    return;
  }
  if (m_changedSinceCopy) return;
  m_changedSinceCopy = true;
  if (!m_copyKept) m_autosaveSoon->start();
}

void TMainForm::autosaveTick() {
  if (m_composition.Modified() && m_changedSinceCopy) writeRecoveryCopy({});
}

void TMainForm::writeRecoveryCopy(std::vector<AbandonedCopy> replaced) {
  // A composition without a backdrop cannot be stored as a project.
  if (!m_autosaver || m_composition.BackdropBitmap().isEmpty()) return;
  m_copyHandedOver = m_autosaver->save(
      takeSnapshot(m_composition, Settings, ProjectPath.toStdString()), std::move(replaced));
  m_changedSinceCopy = false;
  m_copyKept = true;
}

bool TMainForm::recoveryCopyCurrent() const {
  return m_composition.Modified() && !m_changedSinceCopy && m_copyKept &&
         m_copyDone == m_copyHandedOver && m_copyDoneWritten;
}

void TMainForm::autosaveFinished(uint64_t ticket, bool written, const QString& error) {
  if (m_destroyed) return;
  m_copyDone = ticket;
  m_copyDoneWritten = written;
  if (written) {
    ++m_autosaveCounts.written;
    if (m_autosaveNoteShown) setStatusNote(QString());
    m_autosaveNoteShown = false;
    return;
  }
  ++m_autosaveCounts.failed;
  // The work is untouched and the previous copy stays; the next interval
  // tries again.
  if (m_composition.Modified()) m_changedSinceCopy = true;
  setStatusNote(tr("The recovery copy could not be written: %1").arg(error));
  m_autosaveNoteShown = true;
}

void TMainForm::waitForAutosave() {
  if (!m_autosaver) return;
  m_autosaver->waitUntilIdle();
  QCoreApplication::sendPostedEvents(this);
}

void TMainForm::offerRecovery() {
  if (m_destroyed) return;
  runCommand(this, [this] {
    std::vector<AbandonedCopy> copies = findAbandonedCopies(userStateFolder().toStdString());
    for (AbandonedCopy& copy : copies) {
      switch (askRecover(this, copy)) {
        case MessageAnswer::Yes:
          recoverFrom(std::move(copy));
          return;  // the others stay for the next start
        case MessageAnswer::No:
          copy.discard();
          break;
        case MessageAnswer::Ok:
        case MessageAnswer::Cancel:
          return;
      }
    }
  });
}

void TMainForm::recoverFrom(AbandonedCopy copy) {
  if (m_composition.Modified() && !confirmDiscard()) return;
  // A copy that cannot be read ends here, through its error, and stays.
  ProjectData project = loadProjectFile(copy.copyPath());
  Settings = project.Settings;
  cancelDrag();
  clearHistory();
  // The copy holds the backdrop as it was, at the canvas size of its day.
  m_composition.setBackdropAndItems(std::move(project.Backdrop), std::move(project.Items));
  setStatusText(0, sizeText(tr("Source picture size: "), m_composition.BackdropBitmap()));
  setStatusText(1, sizeText(tr("Object picture size: "), m_composition.CanvasBitmap()));
  // Save writes to the project the work belongs to.
  ProjectPath = QString::fromStdString(copy.projectPath());
  setStatusText(3, ProjectPath);
  updateTitle();
  m_composition.setModified(true);
  // This editor's own copy takes over; the old one goes once it is written.
  m_autosaveSoon->stop();
  std::vector<AbandonedCopy> replaced;
  replaced.push_back(std::move(copy));
  writeRecoveryCopy(std::move(replaced));
}

}  // namespace glyphon
