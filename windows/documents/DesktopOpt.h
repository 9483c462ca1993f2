// The "Desktop Wallpaper Option" dialog: the user picks how the wallpaper is
// placed (centred, tiled, stretched) and sees it illustrated. The dialog only
// hands the choice back; it writes no file and touches no desktop.
#pragma once

#include <QDialog>

#include "services/documents/Wallpaper.h"

class QButtonGroup;
class QLabel;
class QPushButton;
class QRadioButton;

namespace glyphon {

class TWallpaperOptForm : public QDialog {
  Q_OBJECT

 public:
  // Opens with "Center" selected and its illustration shown.
  explicit TWallpaperOptForm(QWidget* owner);

  // Set by OK when a placement is selected; false after Cancel or closing.
  bool Accepted = false;
  // The selected placement: Center, Tile, and otherwise Stretch.
  [[nodiscard]] WallpaperStyle style() const;

  // The controls, for tests that drive the dialog as a user would.
  QRadioButton* RadioButtonCenter = nullptr;
  QRadioButton* RadioButtonTile = nullptr;
  QRadioButton* RadioButtonStretch = nullptr;
  // Keeps the three radio buttons exclusive.
  QButtonGroup* RadioGroup = nullptr;
  QLabel* ImageCenter = nullptr;
  QLabel* ImageTile = nullptr;
  QLabel* ImageStretch = nullptr;
  QPushButton* BitBtnOK = nullptr;
  QPushButton* BitBtnCancel = nullptr;

 private:
  // Shows the illustration of radio and hides the other two.
  void showIllustrationOf(const QRadioButton* radio);
  void BitBtnOKClick();
  void BitBtnCancelClick();
};

}  // namespace glyphon
