// The main window's commands that make a canvas: New, New Format and Import
// Backdrop, and the question they ask before discarding a modified
// composition.
#include <QFileInfo>
#include <string>
#include <utility>

#include "engine/core/EditSteps.h"
#include "engine/documents/Canvas.h"
#include "engine/documents/PictureLoader.h"
#include "windows/documents/NewForm.h"
#include "windows/mainform/MainForm.h"
#include "windows/shell/FileDialogs.h"
#include "windows/shell/MessageBoxes.h"

namespace glyphon {

namespace {

// True when path names something that is not a folder.
bool fileExists(const QString& path) {
  const QFileInfo info(path);
  return info.exists() && !info.isDir();
}

QString sizeText(const QString& label, int32_t width, int32_t height) {
  return label + QString::number(width) + QStringLiteral(" x ") + QString::number(height);
}

// Clears a flag for as long as it lives, whatever way the scope is left.
class ClearedFlag {
 public:
  explicit ClearedFlag(bool& flag) : m_flag(flag) { m_flag = false; }
  ~ClearedFlag() { m_flag = true; }
  ClearedFlag(const ClearedFlag&) = delete;
  ClearedFlag& operator=(const ClearedFlag&) = delete;

 private:
  bool& m_flag;
};

}  // namespace

void TMainForm::ButtonNewClick() {
  runCommand(this, [this] { newCanvas(); });
}

void TMainForm::MenuNewFormatClick() {
  runCommand(this, [this] { newFormat(); });
}

void TMainForm::ButtonBackdropClick() {
  runCommand(this, [this] { importBackdrop(); });
}

bool TMainForm::confirmDiscard() {
  switch (askSaveChanges(this)) {
    case MessageAnswer::Yes:
      return saveProjectBeforeDiscard();
    case MessageAnswer::No:
      return true;
    case MessageAnswer::Ok:
    case MessageAnswer::Cancel:
      break;
  }
  return false;
}

bool TMainForm::saveProjectBeforeDiscard() {
  // Saves to ProjectPath, or asks for a name when there is none; cancelling
  // that dialog ends the command with nothing changed, and a failed save
  // ends it through its error.
  return saveProject(false);
}

std::optional<TMainForm::NewCanvasPlan> TMainForm::planNewCanvas() {
  const QString path =
      Settings.DefaultBKPic ? defaultPicturePath() : QString::fromStdString(Settings.BKPicPath);
  if (!fileExists(path)) {
    errorBox(this, tr("Picture does not exists!\r") + path);
    return std::nullopt;
  }
  const std::string file = path.toStdString();
  if (!pictureFormatOfName(file)) {
    errorBox(this, tr("Background picture format must be %1!")
                       .arg(QString::fromUtf8(acceptedPictureExtensions())));
    return std::nullopt;
  }
  PictureLoadResult loaded = loadPicture(file, Settings.Color);
  if (!loaded.picture) {  // the file went away since it was looked for
    errorBox(this, QString::fromStdString(loaded.message));
    return std::nullopt;
  }
  NewCanvasPlan plan;
  plan.picture = std::move(*loaded.picture);
  plan.width = Settings.SameAsBKPic ? plan.picture.width() : Settings.Width;
  plan.height = Settings.SameAsBKPic ? plan.picture.height() : Settings.Height;
  // The settings may come from a file the dialog never checked.
  checkCanvasSize(plan.width, plan.height);
  return plan;
}

void TMainForm::showNewCanvasSizes(const NewCanvasPlan& plan) {
  setStatusText(0,
                sizeText(tr("Source picture size: "), plan.picture.width(), plan.picture.height()));
  setStatusText(1, sizeText(tr("Object picture size: "), plan.width, plan.height));
}

bool TMainForm::newCanvas() {
  if (AskBeforeDiscard && m_composition.Modified() && !confirmDiscard()) return false;

  std::optional<NewCanvasPlan> plan = planNewCanvas();
  if (!plan) return false;
  showNewCanvasSizes(*plan);
  Bitmap backdrop = stretchPicture(std::move(plan->picture), plan->width, plan->height);

  // The steps refer to items that are about to go.
  clearHistory();
  m_composition.clearItems();
  m_composition.setBackdrop(std::move(backdrop));
  setStatusText(3, QString());
  ProjectPath.clear();
  updateTitle();
  m_composition.setModified(false);
  return true;
}

void TMainForm::newFormat() {
  if (m_composition.Modified() && !confirmDiscard()) return;

  TNewForm dialog(this);
  dialog.Values = Settings;
  dialog.exec();
  if (!dialog.Accepted) return;
  // The new settings stay even when New then fails.
  Settings = dialog.Values;
  const ClearedFlag noQuestion(AskBeforeDiscard);
  newCanvas();
}

void TMainForm::importBackdrop() {
  const QString path = openPictureFileName(this);
  if (path.isEmpty()) return;
  PictureLoadResult loaded = loadPicture(path.toStdString(), Settings.Color);
  if (!loaded.picture) {
    errorBox(this, QString::fromStdString(loaded.message));
    return;
  }
  const int32_t pictureWidth = loaded.picture->width();
  const int32_t pictureHeight = loaded.picture->height();
  // The canvas keeps its size and its items; only the backdrop changes.
  // An undoable step, which also puts the source size shown before back.
  const Bitmap& canvas = m_composition.CanvasBitmap();
  pushStep(std::make_unique<ImportBackdropStep>(
      m_composition, stretchPicture(std::move(*loaded.picture), canvas.width(), canvas.height()),
      sizeText(tr("Source picture size: "), pictureWidth, pictureHeight).toStdString(),
      statusText(0).toStdString(),
      [this](const std::string& text) { setStatusText(0, QString::fromStdString(text)); }));
}

}  // namespace glyphon
