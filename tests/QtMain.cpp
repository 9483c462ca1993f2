// Entry point of the tests that need a QApplication. The offscreen platform
// is chosen here, before the application exists, because ctest also runs the
// binary to list its tests and there is no display.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
