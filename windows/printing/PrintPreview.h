// The "Print" dialog: the user places and sizes the picture on the page in
// pixels, inches, centimetres or millimetres and sees the result in a small
// page preview. It edits its own copy of the print layout and hands it back
// only when closed with OK; from it the user can also choose the paper and
// print with the values on screen.
//
// Only what the user types or picks runs the change handlers: values the
// dialog computes are written without setting off further computation.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/core/Bitmap.h"
#include "engine/printing/PrintLayout.h"
#include "engine/printing/PrintUnits.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;

namespace glyphon {

class ImageBox;
class Language;

class TPrintPreviewForm : public QDialog {
  Q_OBJECT

 public:
  // Builds the controls and takes the English texts.
  explicit TPrintPreviewForm(QWidget* owner);

  // Puts the texts of language on the controls and into the messages, and
  // refills the Height and Width unit lists with its unit names.
  void LoadCaptions(const Language& language);

  // Handed in by the opener before the dialog is shown: the picture and its
  // size, the layout, and the page in screen pixels.
  Bitmap PrintPicture;
  int32_t PictureWidth = 0;
  int32_t PictureHeight = 0;
  PrintLayout Layout;
  int32_t PagePixelWidth = 0;
  int32_t PagePixelHeight = 0;
  // The screen resolution lengths are reckoned at, and the decimal
  // separator of the numbers shown and typed: the user's own unless a test
  // sets others before the dialog is shown.
  int32_t ScreenResolution = 96;
  std::string DecimalSeparator = ".";

  // Handed back: set by OK once every field was collected into Layout.
  // Layout.Scale is never written.
  bool Accepted = false;

  // The unit each length field shows its value in.
  int32_t LastTopUnit = 1;
  int32_t LastLeftUnit = 1;
  int32_t LastHeightUnit = 1;
  int32_t LastWidthUnit = 1;
  // The fields are filled; until then the preview is not drawn.
  bool LayoutReady = false;

  // Draws the page with its outline and the picture placed on it.
  void RedrawPreview();
  // Parses the fields into Layout; shows the first failure's message and
  // returns false (the fields before it stay written).
  bool CollectLayout();

  // The controls, for tests that drive the dialog as a user would.
  QFrame* PanelPreview = nullptr;
  ImageBox* ImagePreview = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* EditTop = nullptr;
  QComboBox* ComboBoxTopUnit = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* EditLeft = nullptr;
  QComboBox* ComboBoxLeftUnit = nullptr;
  QCheckBox* CheckBoxCenter = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* EditScale = nullptr;
  QLabel* Label6 = nullptr;
  QCheckBox* CheckBoxFitPage = nullptr;
  QLabel* Label4 = nullptr;
  QLineEdit* EditHeight = nullptr;
  QComboBox* ComboBoxHeightUnit = nullptr;
  QLabel* Label5 = nullptr;
  QLineEdit* EditWidth = nullptr;
  QComboBox* ComboBoxWidthUnit = nullptr;
  QCheckBox* CheckBoxBorderBox = nullptr;
  QPushButton* ButtonPrint = nullptr;
  QPushButton* ButtonCancel = nullptr;
  QPushButton* ButtonOK = nullptr;
  QPushButton* ButtonPageSet = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void buildControls();
  void FormShow();

  // The steps the check boxes run, also run on opening and after Page
  // Settings.
  void CheckBoxFitPageClick();
  void CheckBoxCenterClick();
  // Puts Left and Top where they centre the current width and height; does
  // nothing while either does not parse.
  void recentre();

  void EditTopChange();
  void EditLeftChange();
  void EditHeightChange();
  void EditWidthChange();
  void EditScaleChange();
  void ComboBoxTopUnitChange();
  void ComboBoxLeftUnitChange();
  void ComboBoxHeightUnitChange();
  void ComboBoxWidthUnitChange();
  // A unit list's new choice: the field's value re-expressed in it, or the
  // message and the old unit back when the field does not parse.
  void unitChange(QComboBox* list, QLineEdit* field, int32_t& lastUnit, const QString& message);

  void ButtonOKClick();
  void ButtonCancelClick();
  void ButtonPageSetClick();
  void ButtonPrintClick();

  // The field's number, or empty when its text does not parse.
  [[nodiscard]] std::optional<double> fieldValue(const QLineEdit* field) const;
  // The field's number in whole screen pixels in unit, or empty.
  [[nodiscard]] std::optional<int32_t> fieldPixels(const QLineEdit* field, int32_t unit) const;
  // Writes text into field; no change handler runs.
  static void writeField(QLineEdit* field, const std::string& text);
  // Writes pixels expressed in unit in the form "0.000".
  void showPixels(QLineEdit* field, int32_t unit, int32_t pixels);
  [[nodiscard]] PixelSize pictureSize() const { return {PictureWidth, PictureHeight}; }
  [[nodiscard]] PixelSize pageSize() const { return {PagePixelWidth, PagePixelHeight}; }
  // The text of the general form or of fixed decimals in the user's format.
  [[nodiscard]] std::string general(double value) const;
  [[nodiscard]] std::string fixed(double value, int decimals) const;

  // The messages and unit names LoadCaptions looked up.
  QString m_noPrinterMessage;
  QString m_heightMessage;
  QString m_leftMessage;
  QString m_topMessage;
  QString m_widthMessage;
  QString m_scaleMessage;
  QString m_valueMessage;  // held for translators; no check shows it
  QString m_unitNames[4];
};

}  // namespace glyphon
