// An image component: shows one picture stretched over the whole widget,
// pixel by pixel without smoothing, and reports clicks. The style-font
// toolbar and the style preview are made of these.
#pragma once

#include <QWidget>

#include "engine/core/Bitmap.h"

namespace glyphon {

class ImageBox : public QWidget {
  Q_OBJECT

 public:
  explicit ImageBox(QWidget* parent = nullptr);

  // The picture shown; empty shows the widget's background.
  [[nodiscard]] const Bitmap& picture() const { return m_picture; }
  void setPicture(Bitmap picture);

 signals:
  // The left mouse button was pressed and released over the image.
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  Bitmap m_picture;
  bool m_pressed = false;
};

}  // namespace glyphon
