// The main window's commands that show the finished picture outside the
// editor: Set Wallpaper and the full-screen Preview.
#include <QDir>
#include <QString>

#include "engine/documents/BmpCodec.h"
#include "windows/documents/DesktopOpt.h"
#include "windows/documents/Preview.h"
#include "services/documents/Wallpaper.h"
#include "services/shell/AppPaths.h"
#include "windows/mainform/CanvasView.h"
#include "windows/mainform/MainForm.h"
#include "windows/shell/MessageBoxes.h"

namespace glyphon {

namespace {

// The wallpaper picture, replaced on every use and never deleted: the
// desktop keeps reading it for as long as it is the wallpaper.
constexpr const char* kWallpaperFileName = "KWDesktop.bmp";

}  // namespace

void TMainForm::ButtonWallpaperClick() {
  runCommand(this, [this] { setWallpaper(); });
}

void TMainForm::MenuPreviewClick() {
  runCommand(this, [this] { showPreview(); });
}

QString TMainForm::wallpaperPath() {
  return userDataFolder() + QChar('/') + QString::fromLatin1(kWallpaperFileName);
}

void TMainForm::setWallpaper() {
  TWallpaperOptForm dialog(this);
  dialog.exec();
  if (!dialog.Accepted) return;

  // The picture goes out without the selection's handles; taking them off
  // marks the picture modified, as every change of the canvas does.
  m_composition.HideHandles();
  const QString path = wallpaperPath();
  // A folder that cannot be made shows as the file that cannot be created.
  QDir().mkpath(userDataFolder());
  saveBmpFile(path.toStdString(), m_composition.CanvasBitmap());

  const WallpaperResult result = wallpaperSetter().set(path, dialog.style());
  if (!result.Message.isEmpty()) informationBox(this, result.Message);
}

void TMainForm::showPreview() {
  TPreviewForm preview(this);
  // The whole picture of the canvas view as it shows it: grey surround,
  // frame, canvas and the handles when they are shown.
  preview.PreviewBitmap = ImageScreen->picture();
  preview.exec();
}

}  // namespace glyphon
