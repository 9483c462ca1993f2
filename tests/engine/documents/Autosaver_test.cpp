// The autosave writer: snapshots that share the composition's pictures,
// copies written on a thread of its own, the newest state winning, copies
// of editors that are gone taken over, and a full disk.
#include "engine/documents/Autosaver.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/core/FileIO.h"
#include "tests/engine/documents/RecoveryTestSupport.h"

namespace glyphon {
namespace {

namespace fs = std::filesystem;
using testing::expectCopyHolds;
using testing::inAProcessThatIsKilled;
using testing::noiseComposition;

class AutosaverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_root = fs::temp_directory_path() / ("glyphon-autosaver-" + std::to_string(::getpid()));
    fs::remove_all(m_root);
    fs::create_directories(m_root);
  }
  void TearDown() override { fs::remove_all(m_root); }
  std::string folder() const { return (m_root / "Glyphon").string(); }
  size_t fileCount() const {
    if (!fs::exists(folder())) return 0;
    return size_t(std::distance(fs::directory_iterator(folder()), fs::directory_iterator()));
  }

  fs::path m_root;
};

TEST(ProjectSnapshotTest, SharesThePicturesAndKeepsTheMoment) {
  auto composition = noiseComposition(80, 60, 3);
  TTextItem* top = composition->Queue().items().back().get();
  composition->SelectItem(top);
  const ProjectSnapshot s = takeSnapshot(*composition, testing::someSettings(), "/a.gyf");
  EXPECT_EQ(s.Backdrop, composition->sharedBackdrop());
  ASSERT_EQ(s.Items.size(), 3u);
  EXPECT_EQ(s.Items[2]->Bitmap, top->Bitmap);
  EXPECT_EQ(s.ProjectPath, "/a.gyf");

  // What the composition does next leaves the snapshot as it was.
  const Rect before = top->Rect;
  const Bitmap oldBackdrop = composition->BackdropBitmap();
  composition->moveSelectedTo({0, 0, 9, 9});
  const Bitmap handedBack = composition->exchangeBackdrop(testing::noise(80, 60, 7));
  EXPECT_EQ(s.Items[2]->Rect, before);
  EXPECT_TRUE(*s.Backdrop == oldBackdrop);
  EXPECT_TRUE(handedBack == oldBackdrop);
  EXPECT_NE(s.Backdrop, composition->sharedBackdrop());
}

TEST_F(AutosaverTest, WritesOnItsOwnThreadAndRemovesTheCopyWhenDone) {
  std::mutex mutex;
  std::vector<std::thread::id> writers;
  std::vector<Autosaver::Result> results;
  auto composition = noiseComposition(50, 40, 2);
  const ProjectSnapshot expected = takeSnapshot(*composition, {}, "");
  {
    Autosaver saver(folder(), [&](const Autosaver::Result& r) {
      std::lock_guard lock(mutex);
      writers.push_back(std::this_thread::get_id());
      results.push_back(r);
    });
    EXPECT_EQ(saver.copyPath(), "");
    saver.save(takeSnapshot(*composition, {}, ""));
    saver.waitUntilIdle();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].written) << results[0].error;
    EXPECT_NE(writers[0], std::this_thread::get_id());
    expectCopyHolds(saver.copyPath(), expected);

    saver.remove();
    saver.waitUntilIdle();
    EXPECT_FALSE(fs::exists(saver.copyPath()));
    EXPECT_EQ(fileCount(), 1u);  // the lock, while the editor runs

    saver.save(takeSnapshot(*composition, {}, ""));
    saver.waitUntilIdle();
    EXPECT_EQ(fileCount(), 3u);
  }
  EXPECT_EQ(fileCount(), 0u);
}

TEST_F(AutosaverTest, TheNewestSnapshotWins) {
  auto composition = noiseComposition(400, 300, 1);
  Autosaver saver(folder(), {});
  for (int i = 0; i < 20; ++i) {
    composition->addItem(testing::textItem({i, i, i + 20, i + 20}, unsigned(i + 5)));
    saver.save(takeSnapshot(*composition, {}, "/p" + std::to_string(i) + ".gyf"));
  }
  saver.waitUntilIdle();
  expectCopyHolds(saver.copyPath(), takeSnapshot(*composition, {}, "/p19.gyf"));
}

TEST_F(AutosaverTest, TheCopyOfAnEditorThatIsGoneGoesOnceItsWorkIsWritten) {
  auto composition = noiseComposition(50, 40, 2);
  inAProcessThatIsKilled(
      [&] { (new RecoveryCopy(folder()))->write(takeSnapshot(*composition, {}, "")); });
  std::vector<AbandonedCopy> found = findAbandonedCopies(folder());
  ASSERT_EQ(found.size(), 1u);
  const std::string old = found[0].copyPath();
  {
    Autosaver saver(folder(), {});
    saver.save(takeSnapshot(*composition, {}, ""), std::move(found));
    saver.waitUntilIdle();
    EXPECT_FALSE(fs::exists(old));
    EXPECT_EQ(fileCount(), 3u);
  }
  EXPECT_EQ(fileCount(), 0u);
}

// A full disk: the copy that failed leaves the previous one whole and no
// temporary file, and the writer goes on.
TEST_F(AutosaverTest, AFullDiskLeavesThePreviousCopyWhole) {
  const std::string report = testing::onASmallDisk(m_root.string(), 192 * 1024, [&]() {
    std::string problems;
    auto small = noiseComposition(60, 40, 1);
    // 120 KB: two such copies do not fit side by side.
    auto large = noiseComposition(200, 200, 2);
    std::vector<Autosaver::Result> results;
    std::mutex mutex;
    Autosaver saver(folder(), [&](const Autosaver::Result& r) {
      std::lock_guard lock(mutex);
      results.push_back(r);
    });
    saver.save(takeSnapshot(*large, {}, "/first.gyf"));
    saver.waitUntilIdle();
    const std::string path = saver.copyPath();
    const std::vector<uint8_t> first = readWholeFile(path);
    large->addItem(testing::textItem({1, 1, 90, 90}, 3));
    saver.save(takeSnapshot(*large, {}, "/second.gyf"));
    saver.waitUntilIdle();
    if (results.size() != 2 || !results[0].written) return std::string("first copy not written");
    if (results[1].written) return std::string("the second copy fitted");
    if (results[1].error.find("No space left on device") == std::string::npos)
      problems += "error: " + results[1].error + "; ";
    if (readWholeFile(path) != first) problems += "the first copy changed; ";
    if (fs::directory_iterator(folder()) == fs::directory_iterator()) problems += "no files; ";
    for (const auto& e : fs::directory_iterator(folder()))
      if (e.path().filename().string().find(".tmp") != std::string::npos)
        problems += "left " + e.path().filename().string() + "; ";
    // Room again: the next one is written.
    saver.save(takeSnapshot(*small, {}, "/third.gyf"));
    saver.waitUntilIdle();
    if (results.size() != 3 || !results[2].written) problems += "no third copy; ";
    return problems;
  });
  if (report.rfind("SKIP: ", 0) == 0) GTEST_SKIP() << report;
  EXPECT_EQ(report, "");
}

}  // namespace
}  // namespace glyphon
