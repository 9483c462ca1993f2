#include "windows/core/Transparence.h"

#include <QFrame>
#include <QLineEdit>
#include <QSlider>

namespace glyphon {

namespace {

constexpr QSize kClientSize(28, 206);
constexpr QRect kSliderPlace(5, 8, 18, 169);
constexpr QRect kEditPlace(1, 184, 25, 19);

}  // namespace

TTransForm::TTransForm(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TransForm"));
  setWindowTitle(tr("Transparence"));
  setFixedSize(kClientSize);
  hide();

  Panel = new QFrame(this);
  Panel->setObjectName(QStringLiteral("Panel1"));
  Panel->setGeometry(QRect(QPoint(), kClientSize));
  Panel->setFrameStyle(QFrame::Box | QFrame::Plain);
  QPalette white = Panel->palette();
  white.setColor(QPalette::Window, Qt::white);
  Panel->setPalette(white);
  Panel->setAutoFillBackground(true);

  TrackBarTrans = new QSlider(Qt::Vertical, Panel);
  TrackBarTrans->setObjectName(QStringLiteral("TrackBarTrans"));
  TrackBarTrans->setGeometry(kSliderPlace);
  TrackBarTrans->setRange(0, 100);
  TrackBarTrans->setValue(0);
  TrackBarTrans->setPageStep(2);
  TrackBarTrans->setSingleStep(1);
  TrackBarTrans->setTickPosition(QSlider::NoTicks);
  // 0 at the top, and the up key moves the thumb up, toward 0.
  TrackBarTrans->setInvertedAppearance(true);
  TrackBarTrans->setInvertedControls(true);

  EditTrans = new QLineEdit(Panel);
  EditTrans->setObjectName(QStringLiteral("EditTrans"));
  EditTrans->setGeometry(kEditPlace);
  EditTrans->setReadOnly(true);
  EditTrans->setMaxLength(3);
  EditTrans->setAlignment(Qt::AlignCenter);
  EditTrans->setTextMargins(0, 0, 0, 0);
  QFont small = EditTrans->font();
  small.setPixelSize(11);
  EditTrans->setFont(small);
  EditTrans->setText(QStringLiteral("0"));

  connect(TrackBarTrans, &QSlider::valueChanged, this, [this](int value) {
    EditTrans->setText(QString::number(value));
    emit positionChanged(value);
  });
  connect(TrackBarTrans, &QSlider::sliderPressed, this, &TTransForm::gestureStarted);
}

int TTransForm::position() const { return TrackBarTrans->value(); }

bool TTransForm::isGestureUnderway() const { return TrackBarTrans->isSliderDown(); }

void TTransForm::setPosition(int position) {
  // QSlider reports only a value that changes.
  TrackBarTrans->setValue(position);
  EditTrans->setText(QString::number(TrackBarTrans->value()));
}

}  // namespace glyphon
