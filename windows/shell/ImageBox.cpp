#include "windows/shell/ImageBox.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <utility>

namespace glyphon {

ImageBox::ImageBox(QWidget* parent) : QWidget(parent) {}

void ImageBox::setPicture(Bitmap picture) {
  m_picture = std::move(picture);
  update();
}

void ImageBox::paintEvent(QPaintEvent*) {
  if (m_picture.isEmpty()) return;
  // A view over the picture's own pixels for the length of this paint.
  const QImage image(m_picture.data(), m_picture.width(), m_picture.height(),
                     qsizetype(m_picture.stride()), QImage::Format_BGR888);
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(rect(), image);
}

void ImageBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) m_pressed = true;
  QWidget::mousePressEvent(event);
}

void ImageBox::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = m_pressed && event->button() == Qt::LeftButton &&
                     rect().contains(event->position().toPoint());
  m_pressed = false;
  QWidget::mouseReleaseEvent(event);
  if (click) emit clicked();
}

}  // namespace glyphon
