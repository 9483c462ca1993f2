// The "New Picture" dialog: edits the canvas settings a new canvas is made
// from. It takes the values in, checks what the user typed and hands the
// values back; it never touches the composition.
#pragma once

#include <QDialog>

#include "engine/documents/CanvasSettings.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace glyphon {

class ColorBox;

class TNewForm : public QDialog {
  Q_OBJECT

 public:
  explicit TNewForm(QWidget* owner);

  // Set by OK once every check has passed; false after Cancel or closing.
  bool Accepted = false;
  // The values shown when the dialog opens (BKPicPath is the custom picture
  // path). Read them back only when Accepted.
  CanvasSettings Values;

  // The controls, for tests that drive the dialog as a user would.
  QCheckBox* CheckBoxDefaultBKPic = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QLineEdit* EditBKPicPath = nullptr;
  QPushButton* ButtonBrowse = nullptr;
  QCheckBox* CheckBoxSameSize = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QLineEdit* EditWidth = nullptr;
  QLineEdit* EditHeight = nullptr;
  QLabel* LabelColor = nullptr;
  ColorBox* ColorBoxColor = nullptr;
  QPushButton* BitBtnOK = nullptr;
  QPushButton* BitBtnCancel = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  void CheckBoxDefaultBKPicClick();
  void CheckBoxSameSizeClick();
  void ButtonBrowseClick();
  void BitBtnOKClick();
  void BitBtnCancelClick();

  // Shows message in an error box owned by the dialog and moves the focus to
  // the control the user has to correct.
  void refuse(const QString& message, QWidget* focus);
};

}  // namespace glyphon
