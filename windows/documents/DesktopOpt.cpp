#include "windows/documents/DesktopOpt.h"

#include <QButtonGroup>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>

#include "windows/shell/MessageBoxes.h"

namespace glyphon {

namespace {

// The dialog is laid out at fixed places, like the illustrations it shows.
constexpr QSize kInnerSize(420, 314);
constexpr QPoint kIllustrationPlace(200, 49);
constexpr QSize kButtonSize(75, 25);

QRadioButton* addRadio(QWidget* parent, const char* objectName, const QString& caption, int top) {
  auto* radio = new QRadioButton(caption, parent);
  radio->setObjectName(QString::fromLatin1(objectName));
  radio->move(48, top);
  radio->adjustSize();
  return radio;
}

QLabel* addIllustration(QWidget* parent, const char* objectName, const char* resource) {
  auto* image = new QLabel(parent);
  image->setObjectName(QString::fromLatin1(objectName));
  const QPixmap picture(QString::fromLatin1(resource));
  image->setPixmap(picture);
  image->setGeometry(QRect(kIllustrationPlace, picture.size()));
  image->hide();
  return image;
}

QPushButton* addButton(QWidget* parent, const char* objectName, const QString& caption, int left) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(objectName));
  button->setGeometry(QRect(QPoint(left, 256), kButtonSize));
  return button;
}

}  // namespace

TWallpaperOptForm::TWallpaperOptForm(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("WallpaperOptForm"));
  setWindowTitle(tr("Desktop Wallpaper Option"));
  setFixedSize(kInnerSize);

  RadioButtonCenter = addRadio(this, "RadioButtonCenter", tr("Center"), 80);
  RadioButtonTile = addRadio(this, "RadioButtonTile", tr("Tile"), 116);
  RadioButtonStretch = addRadio(this, "RadioButtonStretch", tr("Stretch"), 152);
  RadioGroup = new QButtonGroup(this);
  for (QRadioButton* radio : {RadioButtonCenter, RadioButtonTile, RadioButtonStretch})
    RadioGroup->addButton(radio);

  ImageCenter = addIllustration(this, "ImageCenter", ":/wallpaper/center.png");
  ImageTile = addIllustration(this, "ImageTile", ":/wallpaper/tile.png");
  ImageStretch = addIllustration(this, "ImageStretch", ":/wallpaper/stretch.png");

  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setGeometry(16, 232, kInnerSize.width() - 32, 4);

  BitBtnOK = addButton(this, "BitBtnOK", tr("&OK"), 102);
  BitBtnOK->setDefault(true);
  BitBtnCancel = addButton(this, "BitBtnCancel", tr("&Cancel"), 246);

  // Toggled rather than clicked, so that choosing with the arrow keys shows
  // the illustration too.
  connect(RadioGroup, &QButtonGroup::buttonToggled, this,
          [this](QAbstractButton* radio, bool checked) {
            if (checked) showIllustrationOf(qobject_cast<QRadioButton*>(radio));
          });
  connect(BitBtnOK, &QPushButton::clicked, this, &TWallpaperOptForm::BitBtnOKClick);
  connect(BitBtnCancel, &QPushButton::clicked, this, &TWallpaperOptForm::BitBtnCancelClick);

  // Every opening starts from "Center", whatever was chosen before.
  RadioButtonCenter->setChecked(true);
  showIllustrationOf(RadioButtonCenter);
}

WallpaperStyle TWallpaperOptForm::style() const {
  if (RadioButtonCenter->isChecked()) return WallpaperStyle::Center;
  if (RadioButtonTile->isChecked()) return WallpaperStyle::Tile;
  return WallpaperStyle::Stretch;
}

void TWallpaperOptForm::showIllustrationOf(const QRadioButton* radio) {
  ImageCenter->setVisible(radio == RadioButtonCenter);
  ImageTile->setVisible(radio == RadioButtonTile);
  ImageStretch->setVisible(radio == RadioButtonStretch);
}

void TWallpaperOptForm::BitBtnOKClick() {
  if (!RadioButtonCenter->isChecked() && !RadioButtonTile->isChecked() &&
      !RadioButtonStretch->isChecked()) {
    informationBox(this, tr("Please select an option for wallpaper!"));
    return;
  }
  Accepted = true;
  accept();
}

void TWallpaperOptForm::BitBtnCancelClick() { reject(); }

}  // namespace glyphon
