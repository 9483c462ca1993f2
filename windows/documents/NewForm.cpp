#include "windows/documents/NewForm.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "engine/documents/Canvas.h"
#include "windows/shell/ColorBox.h"
#include "windows/shell/FileDialogs.h"
#include "windows/shell/MessageBoxes.h"

namespace glyphon {

namespace {

// A disabled edit is painted in the colour of the dialog's face, an enabled
// one in the window colour, so that the user sees at once what is editable.
void paintDisabledLikeFace(QLineEdit* edit) {
  QPalette palette = edit->palette();
  palette.setColor(QPalette::Disabled, QPalette::Base, palette.color(QPalette::Window));
  edit->setPalette(palette);
}

QString sizeLimitText() {
  return QStringLiteral(
             "The canvas is too large: at most %1 pixels on a side and %2 pixels in all!")
      .arg(Bitmap::kMaxSide)
      .arg(Bitmap::kMaxPixels);
}

}  // namespace

TNewForm::TNewForm(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("NewForm"));
  setWindowTitle(tr("New Picture"));

  CheckBoxDefaultBKPic = new QCheckBox(tr("Use default background picture"), this);
  CheckBoxDefaultBKPic->setObjectName(QStringLiteral("CheckBoxDefaultBKPic"));

  GroupBox2 = new QGroupBox(tr("Custom Background Picture"), this);
  EditBKPicPath = new QLineEdit(GroupBox2);
  EditBKPicPath->setObjectName(QStringLiteral("EditBKPicPath"));
  EditBKPicPath->setReadOnly(true);
  EditBKPicPath->setMinimumWidth(300);
  paintDisabledLikeFace(EditBKPicPath);
  ButtonBrowse = new QPushButton(QStringLiteral("..."), GroupBox2);
  ButtonBrowse->setObjectName(QStringLiteral("ButtonBrowse"));
  ButtonBrowse->setFixedWidth(ButtonBrowse->fontMetrics().horizontalAdvance(QStringLiteral("...")) +
                              24);
  auto* pathRow = new QHBoxLayout(GroupBox2);
  pathRow->addWidget(EditBKPicPath, 1);
  pathRow->addWidget(ButtonBrowse);

  CheckBoxSameSize = new QCheckBox(tr("Same size as background picture"), this);
  CheckBoxSameSize->setObjectName(QStringLiteral("CheckBoxSameSize"));

  GroupBox1 = new QGroupBox(tr("Size"), this);
  EditWidth = new QLineEdit(GroupBox1);
  EditWidth->setObjectName(QStringLiteral("EditWidth"));
  EditHeight = new QLineEdit(GroupBox1);
  EditHeight->setObjectName(QStringLiteral("EditHeight"));
  for (QLineEdit* edit : {EditWidth, EditHeight}) {
    edit->setMaximumWidth(120);
    paintDisabledLikeFace(edit);
  }
  LabelColor = new QLabel(tr("Color"), GroupBox1);
  ColorBoxColor = new ColorBox(GroupBox1);
  ColorBoxColor->setObjectName(QStringLiteral("ColorBoxColor"));
  // The colour travels with the settings but colours nothing, so the user
  // is not offered it.
  LabelColor->hide();
  ColorBoxColor->hide();
  auto* sizeGrid = new QGridLayout(GroupBox1);
  sizeGrid->addWidget(new QLabel(tr("Width"), GroupBox1), 0, 0);
  sizeGrid->addWidget(EditWidth, 0, 1);
  sizeGrid->addWidget(new QLabel(tr("Pixels"), GroupBox1), 0, 2);
  sizeGrid->addWidget(new QLabel(tr("Height"), GroupBox1), 1, 0);
  sizeGrid->addWidget(EditHeight, 1, 1);
  sizeGrid->addWidget(new QLabel(tr("Pixels"), GroupBox1), 1, 2);
  sizeGrid->addWidget(LabelColor, 2, 0);
  sizeGrid->addWidget(ColorBoxColor, 2, 1);
  sizeGrid->setColumnStretch(3, 1);

  BitBtnOK = new QPushButton(tr("&OK"), this);
  BitBtnOK->setObjectName(QStringLiteral("BitBtnOK"));
  BitBtnOK->setDefault(true);
  BitBtnCancel = new QPushButton(tr("&Cancel"), this);
  BitBtnCancel->setObjectName(QStringLiteral("BitBtnCancel"));
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(BitBtnOK, QDialogButtonBox::AcceptRole);
  buttons->addButton(BitBtnCancel, QDialogButtonBox::RejectRole);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CheckBoxDefaultBKPic);
  layout->addWidget(GroupBox2);
  layout->addSpacing(6);
  layout->addWidget(CheckBoxSameSize);
  layout->addWidget(GroupBox1);
  layout->addStretch(1);
  layout->addWidget(buttons);
  // A fixed dialog that still fits its contents at any font and scale.
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(CheckBoxDefaultBKPic, &QCheckBox::clicked, this, &TNewForm::CheckBoxDefaultBKPicClick);
  connect(CheckBoxSameSize, &QCheckBox::clicked, this, &TNewForm::CheckBoxSameSizeClick);
  connect(ButtonBrowse, &QPushButton::clicked, this, &TNewForm::ButtonBrowseClick);
  connect(BitBtnOK, &QPushButton::clicked, this, &TNewForm::BitBtnOKClick);
  connect(BitBtnCancel, &QPushButton::clicked, this, &TNewForm::BitBtnCancelClick);
}

void TNewForm::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) FormShow();
  QDialog::showEvent(event);
}

void TNewForm::FormShow() {
  Accepted = false;
  CheckBoxDefaultBKPic->setChecked(Values.DefaultBKPic);
  CheckBoxSameSize->setChecked(Values.SameAsBKPic);
  EditBKPicPath->setText(QString::fromStdString(Values.BKPicPath));
  ColorBoxColor->setSelected(Values.Color);
  EditWidth->setText(QString::number(Values.Width));
  EditHeight->setText(QString::number(Values.Height));
  CheckBoxDefaultBKPicClick();
  CheckBoxSameSizeClick();
}

void TNewForm::CheckBoxDefaultBKPicClick() {
  const bool custom = !CheckBoxDefaultBKPic->isChecked();
  EditBKPicPath->setEnabled(custom);
  ButtonBrowse->setEnabled(custom);
}

void TNewForm::CheckBoxSameSizeClick() {
  const bool ownSize = !CheckBoxSameSize->isChecked();
  EditWidth->setEnabled(ownSize);
  EditHeight->setEnabled(ownSize);
  ColorBoxColor->setEnabled(ownSize);
}

void TNewForm::ButtonBrowseClick() {
  runCommand(this, [this] {
    const QString chosen = openPictureFileName(this);
    if (!chosen.isEmpty()) EditBKPicPath->setText(chosen);
  });
}

void TNewForm::refuse(const QString& message, QWidget* focus) {
  errorBox(this, message);
  focus->setFocus(Qt::OtherFocusReason);
}

void TNewForm::BitBtnOKClick() {
  CanvasSettings values = Values;
  values.DefaultBKPic = CheckBoxDefaultBKPic->isChecked();
  const QString path = EditBKPicPath->text().trimmed();
  if (!values.DefaultBKPic && !QFileInfo(path).isFile()) {
    refuse(tr("Background picture do not exists"), EditBKPicPath);
    return;
  }
  values.BKPicPath = path.toStdString();
  values.SameAsBKPic = CheckBoxSameSize->isChecked();
  if (!values.SameAsBKPic) {
    const std::optional<int32_t> width = parseInt32(EditWidth->text().trimmed().toStdString());
    if (!width) {
      refuse(tr("Width must be integer!"), EditWidth);
      return;
    }
    const std::optional<int32_t> height = parseInt32(EditHeight->text().trimmed().toStdString());
    if (!height) {
      refuse(tr("Height must be integer!"), EditHeight);
      return;
    }
    // A canvas that cannot be built is refused here, where the user can
    // still correct it.
    switch (canvasSizeProblem(*width, *height)) {
      case CanvasSizeProblem::None:
        break;
      case CanvasSizeProblem::WidthNotPositive:
        refuse(tr("Width must be greater than 0!"), EditWidth);
        return;
      case CanvasSizeProblem::HeightNotPositive:
        refuse(tr("Height must be greater than 0!"), EditHeight);
        return;
      case CanvasSizeProblem::TooLarge:
        refuse(sizeLimitText(), EditWidth);
        return;
    }
    values.Width = *width;
    values.Height = *height;
    values.Color = ColorBoxColor->selected();
  }
  Values = values;
  Accepted = true;
  accept();
}

void TNewForm::BitBtnCancelClick() { reject(); }

}  // namespace glyphon
