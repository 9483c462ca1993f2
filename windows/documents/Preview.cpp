#include "windows/documents/Preview.h"

#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QShowEvent>
#include <cstdint>
#include <vector>

#include "engine/documents/PreviewFit.h"
#include "engine/documents/PreviewKey.h"

namespace glyphon {

namespace {

// The designed size of each hint label; a wider font widens it.
constexpr QSize kHintSize(303, 14);

QLabel* addHint(QWidget* parent, const char* objectName, const QColor& color, QPoint place) {
  auto* label =
      new QLabel(QObject::tr("Click left mouse button or press 'Esc' key to close"), parent);
  label->setObjectName(QString::fromLatin1(objectName));
  QFont font;
  font.setFamilies(
      {QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
  font.setPixelSize(12);
  font.setBold(true);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, color);
  label->setPalette(palette);
  // Drawn without background: the picture shows around the letters.
  label->setAutoFillBackground(false);
  label->setGeometry(QRect(place, kHintSize.expandedTo(label->sizeHint())));
  return label;
}

// picture as an image in which every pixel of the colour of the bottom-left
// pixel is fully transparent. The image owns the keyed pixels.
QImage withBottomLeftTransparent(const Bitmap& picture) {
  auto* argb = new std::vector<uint32_t>(bottomLeftKeyedArgb(picture));
  return QImage(
      reinterpret_cast<uchar*>(argb->data()), picture.width(), picture.height(),
      qsizetype(picture.width()) * 4, QImage::Format_ARGB32,
      [](void* pixels) { delete static_cast<std::vector<uint32_t>*>(pixels); }, argb);
}

}  // namespace

TPreviewForm::TPreviewForm(QWidget* owner) : QDialog(owner, Qt::Window | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("PreviewForm"));
  setWindowTitle(tr("Preview"));
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);
  setAutoFillBackground(true);

  ImagePreview = new QLabel(this);
  ImagePreview->setObjectName(QStringLiteral("ImagePreview"));
  // Label1 first, so that Label2 lies above it.
  Label1 = addHint(this, "Label1", QColor(0x80, 0x80, 0x80), QPoint(8, 8));
  Label2 = addHint(this, "Label2", Qt::white, QPoint(7, 7));
  Label1->installEventFilter(this);
  Label2->installEventFilter(this);

  setWindowState(Qt::WindowFullScreen);
}

void TPreviewForm::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) FormShow();
  QDialog::showEvent(event);
}

void TPreviewForm::FormShow() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect screenRect = screen != nullptr ? screen->geometry() : geometry();
  // Without a window manager a full-screen window keeps its size.
  setGeometry(screenRect);

  const Rect place = previewPlacement(PreviewBitmap.width(), PreviewBitmap.height(),
                                      screenRect.width(), screenRect.height());
  ImagePreview->setGeometry(place.Left, place.Top, place.width(), place.height());
  if (PreviewBitmap.isEmpty() || place.isEmpty()) {
    ImagePreview->clear();
    return;
  }
  Bitmap fitted(place.width(), place.height());
  stretchBlt(fitted, 0, 0, fitted.width(), fitted.height(), PreviewBitmap, 0, 0,
             PreviewBitmap.width(), PreviewBitmap.height());
  ImagePreview->setPixmap(QPixmap::fromImage(withBottomLeftTransparent(fitted)));
}

void TPreviewForm::keyPressEvent(QKeyEvent* event) {
  // Only Esc closes; no other key (Enter neither) does anything.
  if (event->key() == Qt::Key_Escape) close();
  event->accept();
}

void TPreviewForm::mousePressEvent(QMouseEvent* event) {
  // Presses on the picture reach the window too: the picture takes none.
  event->accept();
  close();
}

bool TPreviewForm::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == Label1 || watched == Label2) &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick))
    return true;
  return QDialog::eventFilter(watched, event);
}

}  // namespace glyphon
