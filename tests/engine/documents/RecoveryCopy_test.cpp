// Recovery copies: what one editor writes and locks, and how the copies of
// editors that are gone are found, offered to one editor only, and
// discarded.
#include "engine/documents/RecoveryCopy.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "engine/core/Error.h"
#include "engine/core/FileIO.h"
#include "engine/core/IniFile.h"
#include "engine/documents/AbandonedCopy.h"
#include "tests/engine/documents/RecoveryTestSupport.h"

namespace glyphon {
namespace {

namespace fs = std::filesystem;
using testing::inAProcessThatIsKilled;
using testing::noiseComposition;

class RecoveryCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_root = fs::temp_directory_path() / ("glyphon-recovery-" + std::to_string(::getpid()));
    fs::remove_all(m_root);
  }
  void TearDown() override { fs::remove_all(m_root); }

  // The state folder; created by the first copy.
  std::string folder() const { return (m_root / "state/Glyphon").string(); }
  std::set<std::string> names() const {
    std::set<std::string> result;
    for (const auto& e : fs::directory_iterator(folder())) result.insert(e.path().filename());
    return result;
  }
  ProjectSnapshot snapshot(const std::string& projectPath, int items = 3) const {
    const auto composition = noiseComposition(60, 40, items);
    ProjectSnapshot s = takeSnapshot(*composition, testing::someSettings(), projectPath);
    return s;
  }

  fs::path m_root;
};

TEST_F(RecoveryCopyTest, ACopyIsAProjectWithItsInformationBesideIt) {
  const ProjectSnapshot s = snapshot("/home/me/Cards/birthday.gyf");
  {
    RecoveryCopy copy(folder());
    struct stat st {};
    ASSERT_EQ(::stat(folder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(names(), std::set<std::string>{copy.files().base + ".lock"});

    copy.write(s);
    testing::expectCopyHolds(copy.files().copyPath(), s);
    const IniFile info = IniFile::load(copy.files().infoPath());
    EXPECT_EQ(info.readString("Recovery", "ProjectPath", "?"), "/home/me/Cards/birthday.gyf");
    EXPECT_EQ(info.readString("Recovery", "SavedAt", "?"), std::to_string(s.TakenAt));
    EXPECT_EQ(copy.files().base.rfind("recovery-" + std::to_string(::getpid()) + "-", 0), 0u);

    copy.remove();
    EXPECT_EQ(names(), std::set<std::string>{copy.files().base + ".lock"});
    copy.write(s);
    EXPECT_EQ(names().size(), 3u);
  }
  // Closed normally: nothing is left.
  EXPECT_TRUE(names().empty());
}

TEST_F(RecoveryCopyTest, TheCopyOfAnEditorThatIsGoneIsOfferedToOneEditorOnly) {
  const ProjectSnapshot s = snapshot("/home/me/card.gyf");
  inAProcessThatIsKilled([&] { (new RecoveryCopy(folder()))->write(s); });
  ASSERT_EQ(names().size(), 3u);

  std::vector<AbandonedCopy> found = findAbandonedCopies(folder());
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].projectPath(), "/home/me/card.gyf");
  EXPECT_EQ(found[0].savedAt(), s.TakenAt);
  testing::expectCopyHolds(found[0].copyPath(), s);
  // While one editor holds it, no other sees it (a lock of its own, as a
  // second editor in another process has).
  EXPECT_TRUE(findAbandonedCopies(folder()).empty());

  // Later: let go, and it is offered again.
  found.clear();
  found = findAbandonedCopies(folder());
  ASSERT_EQ(found.size(), 1u);
  found[0].discard();
  EXPECT_TRUE(names().empty());
  EXPECT_TRUE(findAbandonedCopies(folder()).empty());
}

TEST_F(RecoveryCopyTest, CopiesOfRunningEditorsAreNeverOffered) {
  RecoveryCopy mine(folder());
  mine.write(snapshot(""));
  // Another editor, running in a process of its own until it is killed.
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t other = ::fork();
  if (other == 0) {
    RecoveryCopy copy(folder());
    copy.write(snapshot("/other.gyf", 1));
    (void)!::write(ready[1], "x", 1);
    ::pause();
  }
  char x = 0;
  ASSERT_EQ(::read(ready[0], &x, 1), 1);
  EXPECT_TRUE(findAbandonedCopies(folder()).empty());

  ::kill(other, SIGKILL);
  ::waitpid(other, nullptr, 0);
  const std::vector<AbandonedCopy> found = findAbandonedCopies(folder());
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].projectPath(), "/other.gyf");
  EXPECT_NE(found[0].copyPath(), mine.files().copyPath());
  ::close(ready[0]);
  ::close(ready[1]);
}

TEST_F(RecoveryCopyTest, NewestFirstAndLeftoversOfCopiesThatAreGoneRemoved) {
  const ProjectSnapshot older = snapshot("/older.gyf");
  ProjectSnapshot newer = snapshot("");
  newer.TakenAt = older.TakenAt + 60;
  inAProcessThatIsKilled([&] { (new RecoveryCopy(folder()))->write(older); });
  inAProcessThatIsKilled([&] { (new RecoveryCopy(folder()))->write(newer); });
  // Killed before its first copy, or half-way through a discard.
  inAProcessThatIsKilled([&] { (void)new RecoveryCopy(folder()); });
  writeWholeFile(folder() + "/recovery-1-2.ini", std::vector<uint8_t>{'x'});
  // Not ours.
  writeWholeFile(folder() + "/notes.txt", std::vector<uint8_t>{'y'});
  // A running editor before its first copy.
  RecoveryCopy running(folder());

  const std::vector<AbandonedCopy> found = findAbandonedCopies(folder());
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].projectPath(), "");
  EXPECT_EQ(found[0].savedAt(), newer.TakenAt);
  EXPECT_EQ(found[1].projectPath(), "/older.gyf");
  // Two copies with their information and locks, the running editor's
  // lock and the stranger remain.
  EXPECT_EQ(names().size(), 2u * 3u + 2u);
  EXPECT_TRUE(names().count("notes.txt"));
  EXPECT_TRUE(names().count(running.files().base + ".lock"));
}

TEST_F(RecoveryCopyTest, WithoutItsInformationACopyTakesTheTimeOfItsFile) {
  inAProcessThatIsKilled([&] {
    auto* copy = new RecoveryCopy(folder());
    copy->write(snapshot("/lost.gyf"));
    fs::remove(copy->files().infoPath());
  });
  const std::vector<AbandonedCopy> found = findAbandonedCopies(folder());
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].projectPath(), "");
  struct stat st {};
  ASSERT_EQ(::stat(found[0].copyPath().c_str(), &st), 0);
  EXPECT_EQ(found[0].savedAt(), st.st_mtime);
}

TEST_F(RecoveryCopyTest, AFolderThatCannotBeMadeIsReported) {
  fs::create_directories(m_root);
  writeWholeFile((m_root / "state").string(), std::vector<uint8_t>{1});
  try {
    RecoveryCopy copy(folder());
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(
        std::string(e.what()).rfind("Cannot keep a recovery copy in \"" + folder() + "\".", 0), 0u)
        << e.what();
  }
}

}  // namespace
}  // namespace glyphon
