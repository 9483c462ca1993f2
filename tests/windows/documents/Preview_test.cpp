#include "windows/documents/Preview.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include "tests/windows/shell/WindowTestSupport.h"

namespace glyphon {
namespace {

class PreviewFormTest : public ::testing::Test {
 protected:
  void open(Bitmap picture) {
    form.PreviewBitmap = std::move(picture);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  }

  QSize screen() const { return QGuiApplication::primaryScreen()->geometry().size(); }

  TPreviewForm form{nullptr};
};

TEST_F(PreviewFormTest, FillsTheScreenInBlackWithoutFrame) {
  open(testing::flatPicture(40, 30, rgb(1, 2, 3)));
  EXPECT_EQ(form.windowTitle(), "Preview");
  EXPECT_TRUE(form.windowState() & Qt::WindowFullScreen);
  EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
  // Around the picture the window is black.
  EXPECT_EQ(form.grab().toImage().pixel(form.width() - 1, form.height() - 1), qRgb(0, 0, 0));
}

TEST_F(PreviewFormTest, ShrinksAWidePictureToTheScreenAndCentresIt) {
  const QSize s = screen();  // 800 x 800 offscreen
  open(testing::patternPicture(2 * s.width(), s.height() / 2));
  const int b = s.width() * (s.height() / 2) / (2 * s.width());
  EXPECT_EQ(form.ImagePreview->geometry(), QRect(0, (s.height() - b) / 2, s.width(), b));
  // Nearest pixel: shown pixel x samples picture pixel 2x.
  const QImage shown = form.ImagePreview->pixmap().toImage();
  ASSERT_EQ(shown.size(), QSize(s.width(), b));
  EXPECT_EQ(shown.pixel(5, 3), qRgb(10, 6, 16));
}

TEST_F(PreviewFormTest, TheBottomLeftColourIsLeftOut) {
  // A grey surround (the bottom-left pixel) around a canvas of two colours,
  // one of them the same grey.
  Bitmap view = testing::flatPicture(60, 40, rgb(128, 128, 128));
  fillRect(view, {10, 10, 50, 30}, rgb(200, 20, 20));
  fillRect(view, {20, 15, 30, 25}, rgb(128, 128, 128));
  open(std::move(view));
  const QImage shown = form.ImagePreview->pixmap().toImage();
  EXPECT_EQ(qAlpha(shown.pixel(0, 39)), 0);
  EXPECT_EQ(qAlpha(shown.pixel(25, 20)), 0);
  EXPECT_EQ(shown.pixel(12, 12), qRgba(200, 20, 20, 255));
}

TEST_F(PreviewFormTest, EscClosesOtherKeysDoNot) {
  open(testing::flatPicture(40, 30, rgb(1, 2, 3)));
  QTest::keyClick(&form, Qt::Key_Return);
  QTest::keyClick(&form, Qt::Key_A);
  EXPECT_TRUE(form.isVisible());
  QTest::keyClick(&form, Qt::Key_Escape);
  EXPECT_FALSE(form.isVisible());
}

TEST_F(PreviewFormTest, AnyMouseButtonOnTheWindowOrThePictureCloses) {
  open(testing::flatPicture(40, 30, rgb(1, 2, 3)));
  QTest::mouseClick(&form, Qt::RightButton, {}, QPoint(2, screen().height() - 2));
  EXPECT_FALSE(form.isVisible());

  TPreviewForm second(nullptr);
  second.PreviewBitmap = testing::flatPicture(40, 30, rgb(1, 2, 3));
  second.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&second));
  QTest::mouseClick(second.ImagePreview, Qt::MiddleButton, {}, QPoint(20, 15));
  EXPECT_FALSE(second.isVisible());
}

TEST_F(PreviewFormTest, PressesOnTheHintDoNothing) {
  open(testing::flatPicture(40, 30, rgb(1, 2, 3)));
  QTest::mouseClick(form.Label2, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseDClick(form.Label1, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_TRUE(form.isVisible());
}

}  // namespace
}  // namespace glyphon
