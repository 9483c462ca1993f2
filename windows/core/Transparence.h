// The transparency window: a small borderless panel beside the left tool
// panel with a vertical slider for the transparency of the selected item in
// percent (0 opaque, 100 invisible) and a read-only box showing the number.
// It only reports the slider; the main window applies it to the item. Its
// controls are its own: other windows use the signals and setPosition.
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
  // Whether the user holds the slider's thumb: the changes reported
  // meanwhile belong to the gesture gestureStarted announced.
  [[nodiscard]] bool isGestureUnderway() const;

 signals:
  // The slider moved, by hand or by setPosition.
  void positionChanged(int position);
  // The user took hold of the slider's thumb; every change until it is let
  // go is one gesture.
  void gestureStarted();

 private:
  QFrame* Panel = nullptr;
  QSlider* TrackBarTrans = nullptr;
  // Always shows the slider position in decimal.
  QLineEdit* EditTrans = nullptr;
};

}  // namespace glyphon
