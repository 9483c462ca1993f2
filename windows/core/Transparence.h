// The transparency window: a small borderless panel beside the left tool
// panel with a vertical slider for the transparency of the selected item in
// percent (0 opaque, 100 invisible) and a read-only box showing the number.
// It only reports the slider; the main window applies it to the item.
#pragma once

#include <QWidget>

class QFrame;
class QLineEdit;
class QSlider;

namespace glyphon {

class TTransForm : public QWidget {
  Q_OBJECT

 public:
  // Created hidden. With a parent it floats over the parent's content, so it
  // can be placed beside a button on every desktop (Wayland places no
  // top-level window where a program asks).
  explicit TTransForm(QWidget* parent = nullptr);

  // The slider position, 0..100.
  [[nodiscard]] int position() const;
  // Moves the slider (clamped to 0..100) and shows its position in
  // EditTrans. A position that changes is reported like a move by hand.
  void setPosition(int position);

  QFrame* Panel = nullptr;
  QSlider* TrackBarTrans = nullptr;
  // Always shows the slider position in decimal.
  QLineEdit* EditTrans = nullptr;

 signals:
  // The slider moved, by hand or by setPosition.
  void positionChanged(int position);
};

}  // namespace glyphon
