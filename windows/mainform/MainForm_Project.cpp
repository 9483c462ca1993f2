// The main window's commands for project files (Open Project, Save Project,
// Save Project As) and picture export (Save Picture), and the question
// asked before a modified picture is closed.
#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <iterator>
#include <string>
#include <utility>

#include "engine/documents/PictureExport.h"
#include "engine/documents/ProjectFile.h"
#include "engine/documents/ProjectRender.h"
#include "services/shell/RecentProjects.h"
#include "windows/mainform/MainForm.h"
#include "windows/shell/FileDialogs.h"
#include "windows/shell/MessageBoxes.h"

namespace glyphon {

namespace {

// Linux file names are case-sensitive, so the upper-case spelling is
// listed as well.
const char* const kProjectFilter = "Glyphon Files (*.gyf *.GYF)";
const char* const kProjectSuffix = "gyf";
// The entries of the picture save dialog, in this order; a typed extension
// of one of these formats wins over the chosen entry (see pictureSaveTarget).
const char* const kPictureFilter =
    "JPG Format (small file size) (*.jpg *.JPG);;BMP Format (high quality) (*.bmp *.BMP);;"
    "PNG Format (lossless) (*.png *.PNG);;WebP Format (small file size) (*.webp *.WEBP)";
constexpr PictureFormat kPictureFilterFormats[] = {PictureFormat::Jpeg, PictureFormat::Bmp,
                                                   PictureFormat::Png, PictureFormat::Webp};

FileDialogRequest projectDialog(FileDialogRequest::Kind kind, const QString& caption) {
  return {kind, caption, QString::fromUtf8(kProjectFilter), QString::fromUtf8(kProjectSuffix)};
}

QString sizeText(const QString& label, const Bitmap& bitmap) {
  return label + QString::number(bitmap.width()) + QStringLiteral(" x ") +
         QString::number(bitmap.height());
}

}  // namespace

void TMainForm::setUpProjects() {
  connect(MenuOpenProject, &QAction::triggered, this, &TMainForm::MenuOpenProjectClick);
  connect(MenuSaveProject, &QAction::triggered, this, &TMainForm::MenuSaveProjectClick);
  connect(SaveProjectAs1, &QAction::triggered, this, &TMainForm::SaveProjectAs1Click);
  connect(MenuSavePicture, &QAction::triggered, this, &TMainForm::ButtonSaveClick);
  connect(ButtonSave, &QPushButton::clicked, this, &TMainForm::ButtonSaveClick);
  m_recentProjects = loadRecentProjects();
  buildRecentMenu();
  setAcceptDrops(true);
  updateTitle();
}

void TMainForm::buildRecentMenu() {
  MenuOpenRecent->clear();
  for (int i = 0; i < m_recentProjects.size(); ++i) {
    const QString path = m_recentProjects[i];
    QAction* entry = MenuOpenRecent->addAction(
        QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
    entry->setObjectName(QStringLiteral("MenuRecent%1").arg(i + 1));
    entry->setData(path);
    entry->setToolTip(path);
    connect(entry, &QAction::triggered, this, [this, path] { MenuOpenRecentClick(path); });
  }
  MenuOpenRecent->setEnabled(!m_recentProjects.isEmpty());
}

void TMainForm::rememberProject(const QString& path) {
  m_recentProjects = recentWith(m_recentProjects, QFileInfo(path).absoluteFilePath());
  saveRecentProjects(m_recentProjects);
  buildRecentMenu();
}

void TMainForm::MenuOpenRecentClick(const QString& path) {
  runCommand(this, [this, path] {
    if (!QFileInfo::exists(path)) {
      m_recentProjects = recentWithout(m_recentProjects, path);
      saveRecentProjects(m_recentProjects);
      buildRecentMenu();
      informationBox(this, tr("The project %1 no longer exists; it was taken off the list of "
                              "recent projects.")
                               .arg(path));
      return;
    }
    openProject(path);
  });
}

void TMainForm::updateTitle() {
  setWindowFilePath(ProjectPath);
  const QString program = QString::fromUtf8(kApplicationTitle);
  setWindowTitle(ProjectPath.isEmpty()
                     ? program + QStringLiteral("[*]")
                     : QFileInfo(ProjectPath).fileName() + QStringLiteral("[*] - ") + program);
}

namespace {

// The first local file of a drop, or empty.
QString droppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) return url.toLocalFile();
  return {};
}

}  // namespace

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (!droppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  const QString path = droppedFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  openDroppedFile(path);
}

void TMainForm::openDroppedFile(const QString& path) {
  runCommand(this, [this, path] {
    if (QFileInfo(path).suffix().compare(QString::fromUtf8(kProjectSuffix), Qt::CaseInsensitive) ==
        0) {
      openProject(path);
      return;
    }
    if (m_composition.Modified() && !confirmDiscard()) return;
    // New Format's settings for the picture; a file New refuses leaves the
    // user's settings as they were.
    const CanvasSettings before = Settings;
    Settings.DefaultBKPic = false;
    Settings.BKPicPath = path.toStdString();
    Settings.SameAsBKPic = true;
    bool made = false;
    AskBeforeDiscard = false;  // asked above already
    runCommand(this, [this, &made] { made = newCanvas(); });
    AskBeforeDiscard = true;
    if (!made) Settings = before;
  });
}

void TMainForm::MenuOpenProjectClick() { OpenProject(QString()); }

void TMainForm::MenuSaveProjectClick() {
  runCommand(this, [this] { saveProject(false); });
}

void TMainForm::SaveProjectAs1Click() {
  runCommand(this, [this] { saveProject(true); });
}

void TMainForm::ButtonSaveClick() {
  runCommand(this, [this] { saveCanvasPicture(); });
}

void TMainForm::OpenProject(const QString& path) {
  runCommand(this, [this, path] { openProject(path); });
}

void TMainForm::SaveProjectToFile(const QString& path) {
  saveProjectFile(path.toStdString(), Settings, m_composition.BackdropBitmap(),
                  m_composition.Queue().items());
  m_composition.setModified(false);
  setStatusText(3, path);
  updateTitle();
  rememberProject(path);
}

bool TMainForm::saveProject(bool askForName) {
  // Refused before a name is asked for.
  checkProjectBackdrop(m_composition.BackdropBitmap());
  if (askForName || ProjectPath.trimmed().isEmpty()) {
    const QString chosen = fileDialogs().choose(
        this, projectDialog(FileDialogRequest::Kind::Save, tr("Save Project As")));
    if (chosen.isEmpty()) return false;
    // Set before writing: a failed write leaves the new name for the next try.
    ProjectPath = chosen;
  }
  SaveProjectToFile(ProjectPath);
  return true;
}

void TMainForm::openProject(QString path) {
  if (m_composition.Modified() && !confirmDiscard()) return;
  if (path.trimmed().isEmpty()) {
    path = fileDialogs().choose(this,
                                projectDialog(FileDialogRequest::Kind::Open, tr("Open Project")));
    if (path.isEmpty()) return;
  }
  // The whole file is read and checked before anything changes: a damaged
  // file ends the command here, through its error, with nothing lost.
  ProjectData project = loadProjectFile(path.toStdString());

  // The project's settings replace the user's; New's checks then decide the
  // canvas they describe from the picture they name. New's own picture is
  // not needed: the stored backdrop, stretched to that canvas, takes its
  // place, so the composition is built once, from the project.
  Settings = project.Settings;
  std::optional<NewCanvasPlan> plan;
  // New reports its own failures (a missing picture is named in its box).
  runCommand(this, [this, &plan] { plan = planNewCanvas(); });
  if (plan) {
    showNewCanvasSizes(*plan);
    plan->picture = Bitmap();
  }

  // Without a new canvas the stored backdrop keeps the size it was saved
  // with, and the project opens all the same.
  Bitmap backdrop = plan ? openedBackdrop(std::move(project.Backdrop), plan->width, plan->height)
                         : std::move(project.Backdrop);
  // The steps refer to items that are about to go.
  clearHistory();
  m_composition.setBackdropAndItems(std::move(backdrop), std::move(project.Items));
  if (!plan) {
    setStatusText(0, sizeText(tr("Source picture size: "), m_composition.BackdropBitmap()));
    setStatusText(1, sizeText(tr("Object picture size: "), m_composition.CanvasBitmap()));
  }
  m_composition.setModified(false);
  ProjectPath = path;
  setStatusText(3, path);
  updateTitle();
  rememberProject(path);
}

void TMainForm::saveCanvasPicture() {
  FileDialogRequest request{FileDialogRequest::Kind::Save, tr("Save Picture"),
                            QString::fromUtf8(kPictureFilter), QStringLiteral("jpg")};
  request.suffixFollowsFilter = true;
  const FileDialogChoice choice = fileDialogs().chooseWithFilter(this, request);
  if (choice.path.isEmpty()) return;
  const PictureFormat entryFormat =
      choice.filterIndex > 0 && choice.filterIndex < int(std::size(kPictureFilterFormats))
          ? kPictureFilterFormats[choice.filterIndex]
          : PictureFormat::Jpeg;
  // Decided before the handles come off, so that a refused name changes
  // nothing.
  const PictureSaveTarget target = pictureSaveTarget(choice.path.toStdString(), entryFormat);

  // The picture goes out without the selection's handles; taking them off
  // marks the picture modified, as every change of the canvas does.
  m_composition.HideHandles();
  writePictureFile(target.path, m_composition.CanvasBitmap(), target.format);
}

bool TMainForm::confirmClose() {
  bool mayClose = false;
  // A save that fails shows its error and keeps the window open.
  runCommand(this, [this, &mayClose] { mayClose = confirmDiscard(); });
  return mayClose;
}

}  // namespace glyphon
