// Entry point of the tests that need a QApplication. The offscreen platform
// is chosen here, before the application exists, because ctest also runs the
// binary to list its tests and there is no display.
#include <gtest/gtest.h>
#include <QApplication>
#include <QTemporaryDir>
#include <memory>

namespace {

// Gives every test its own empty configuration, data and state folders: the main
// window reads and writes its configuration file there, so no test sees
// what another wrote, and the user's own files are never touched.
class PrivateUserFolders final : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo&) override {
    m_folder = std::make_unique<QTemporaryDir>();
    // The system-wide style catalogue of an installed package stays unseen.
    qputenv("XDG_CONFIG_DIRS", m_folder->filePath(QStringLiteral("xdg")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", m_folder->filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", m_folder->filePath(QStringLiteral("data")).toLocal8Bit());
    // The recovery copies of the windows a test makes.
    qputenv("XDG_STATE_HOME", m_folder->filePath(QStringLiteral("state")).toLocal8Bit());
  }
  // Runs after the test's fixture is gone, windows included.
  void OnTestEnd(const ::testing::TestInfo&) override { m_folder.reset(); }

 private:
  std::unique_ptr<QTemporaryDir> m_folder;
};

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new PrivateUserFolders);
  return RUN_ALL_TESTS();
}
