// The full-screen preview: the picture of the canvas view alone on a black
// screen, shrunk to fit when larger than the screen, until the user presses
// Esc or a mouse button. It shows a copy and changes nothing.
#pragma once

#include <QDialog>

#include "engine/core/Bitmap.h"

class QLabel;

namespace glyphon {

class TPreviewForm : public QDialog {
  Q_OBJECT

 public:
  explicit TPreviewForm(QWidget* owner);

  // The picture to show; the caller fills it before the window is shown.
  Bitmap PreviewBitmap;

  // The fitted picture, drawn transparently: pixels of the colour of its
  // bottom-left pixel let the black window show through.
  QLabel* ImagePreview = nullptr;
  // The hint, white (Label2) over a grey shadow one pixel to the right and
  // below (Label1). Mouse presses on them do nothing.
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Fits PreviewBitmap to the primary screen and centres it.
  void FormShow();
};

}  // namespace glyphon
