#include "engine/core/UndoHistory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace glyphon {
namespace {

// What the test steps act on: a number, and a log of every call.
struct Ledger {
  int value = 0;
  std::vector<std::string> log;
};

// Adds delta on apply and takes it off on revert. A step with a merge key
// folds in newer steps with the same key (and becomes obsolete when the sum
// is 0); a step with delta 0 is obsolete at once.
class CountStep final : public UndoStep {
 public:
  struct Options {
    int mergeKey = 0;
    size_t bytes = 0;  // reported as its own bytes
    bool throwOnApply = false;
    bool throwOnRevert = false;
  };

  CountStep(Ledger& ledger, std::string name, int delta, Options options)
      : UndoStep(std::move(name)), m_ledger(ledger), m_delta(delta), m_options(options) {}
  CountStep(Ledger& ledger, std::string name, int delta)
      : CountStep(ledger, std::move(name), delta, Options{}) {}
  ~CountStep() override { m_ledger.log.push_back("gone " + name()); }

  void apply() override {
    m_ledger.log.push_back("apply " + name());
    if (m_options.throwOnApply) throw std::runtime_error("apply failed");
    m_ledger.value += m_delta;
    if (m_delta == 0) setObsolete(true);
  }
  void revert() override {
    m_ledger.log.push_back("revert " + name());
    if (m_options.throwOnRevert) throw std::runtime_error("revert failed");
    m_ledger.value -= m_delta;
  }
  [[nodiscard]] StepHoldings holdings() const override { return {{}, m_options.bytes}; }
  bool mergeWith(const UndoStep& next) override {
    const auto& other = static_cast<const CountStep&>(next);
    if (m_options.mergeKey == 0 || other.m_options.mergeKey != m_options.mergeKey) return false;
    m_delta += other.m_delta;
    setObsolete(m_delta == 0);
    return true;
  }

 private:
  Ledger& m_ledger;
  int m_delta;
  Options m_options;
};

class UndoHistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    history.setChangeListener([this] { ++changes; });
  }

  bool push(const std::string& name, int delta, CountStep::Options options = {}) {
    return history.push(std::make_unique<CountStep>(ledger, name, delta, options));
  }
  // The log since the last call.
  std::vector<std::string> calls() {
    std::vector<std::string> since;
    since.swap(ledger.log);
    return since;
  }
  // The same, in no particular order: steps forgotten together go in any.
  std::vector<std::string> sortedCalls() {
    std::vector<std::string> since = calls();
    std::sort(since.begin(), since.end());
    return since;
  }

  Ledger ledger;
  UndoHistory history;
  int changes = 0;
};

using Calls = std::vector<std::string>;

TEST_F(UndoHistoryTest, StepsAreAppliedOnceAndUndoneAndRedoneInTurn) {
  EXPECT_FALSE(history.canUndo());
  EXPECT_FALSE(history.canRedo());
  EXPECT_EQ(history.undoName(), "");
  EXPECT_EQ(history.redoName(), "");
  EXPECT_FALSE(history.undo());
  EXPECT_FALSE(history.redo());
  EXPECT_EQ(changes, 0) << "nothing to undo is no change";
  EXPECT_FALSE(history.push(nullptr));

  EXPECT_TRUE(push("a", 1));
  EXPECT_TRUE(push("b", 10));
  EXPECT_EQ(calls(), (Calls{"apply a", "apply b"}));
  EXPECT_EQ(ledger.value, 11);
  EXPECT_EQ(history.count(), 2u);
  EXPECT_EQ(history.doneCount(), 2u);
  EXPECT_EQ(history.undoName(), "b");
  EXPECT_EQ(history.redoName(), "");
  EXPECT_EQ(changes, 2);

  EXPECT_TRUE(history.undo());
  EXPECT_EQ(ledger.value, 1);
  EXPECT_EQ(history.undoName(), "a");
  EXPECT_EQ(history.redoName(), "b");
  EXPECT_TRUE(history.undo());
  EXPECT_FALSE(history.undo());
  EXPECT_EQ(ledger.value, 0);
  EXPECT_FALSE(history.canUndo());
  EXPECT_TRUE(history.canRedo());
  EXPECT_EQ(history.redoName(), "a");
  EXPECT_TRUE(history.redo());
  EXPECT_TRUE(history.redo());
  EXPECT_FALSE(history.redo());
  EXPECT_EQ(ledger.value, 11);
  EXPECT_EQ(calls(), (Calls{"revert b", "revert a", "apply a", "apply b"}));
  EXPECT_EQ(changes, 6);
  EXPECT_EQ(history.count(), 2u);

  history.clear();
  EXPECT_EQ(history.count(), 0u);
  EXPECT_FALSE(history.canUndo());
  EXPECT_EQ(sortedCalls(), (Calls{"gone a", "gone b"}));
  EXPECT_EQ(ledger.value, 11) << "clearing keeps the picture as it is";
  EXPECT_EQ(changes, 7);
}

TEST_F(UndoHistoryTest, ANewStepForgetsWhatCouldBeRedone) {
  push("a", 1);
  push("b", 2);
  push("c", 4);
  history.undo();
  history.undo();
  calls();
  push("d", 8);
  EXPECT_EQ(sortedCalls(), (Calls{"apply d", "gone b", "gone c"}));
  EXPECT_EQ(ledger.value, 9);
  EXPECT_EQ(history.count(), 2u);
  EXPECT_FALSE(history.canRedo());
  EXPECT_EQ(history.undoName(), "d");
  history.undo();
  history.undo();
  EXPECT_EQ(ledger.value, 0);
}

TEST_F(UndoHistoryTest, AStepThatChangesNothingLeavesTheHistoryAsItWas) {
  push("a", 1);
  push("b", 2);
  history.undo();
  const int changesBefore = changes;
  calls();
  EXPECT_FALSE(push("nothing", 0));
  EXPECT_EQ(calls(), (Calls{"apply nothing", "gone nothing"}));
  EXPECT_EQ(history.count(), 2u);
  EXPECT_EQ(history.redoName(), "b") << "the redo tail stays";
  EXPECT_EQ(changes, changesBefore);
}

TEST_F(UndoHistoryTest, AStepThatThrowsClearsTheHistory) {
  struct Case {
    const char* what;
    CountStep::Options failing;
    bool failOnUndo;  // else on push or redo
    bool viaRedo;
  };
  const Case cases[] = {
      {"push", {.throwOnApply = true}, false, false},
      {"undo", {.throwOnRevert = true}, true, false},
      {"redo", {}, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Ledger local;
    UndoHistory h;
    int told = 0;
    h.setChangeListener([&told] { ++told; });
    h.push(std::make_unique<CountStep>(local, "old", 1));
    if (c.viaRedo) {
      // A redo that fails: the step must first be done and undone, so it
      // fails only on its second apply.
      struct SecondApplyFails final : UndoStep {
        explicit SecondApplyFails(Ledger& l) : UndoStep("flaky"), ledger(l) {}
        void apply() override {
          if (++applies == 2) throw std::runtime_error("redo failed");
          ledger.value += 100;
        }
        void revert() override { ledger.value -= 100; }
        Ledger& ledger;
        int applies = 0;
      };
      h.push(std::make_unique<SecondApplyFails>(local));
      h.undo();
      told = 0;
      EXPECT_THROW(h.redo(), std::runtime_error);
    } else if (c.failOnUndo) {
      h.push(std::make_unique<CountStep>(local, "fails", 10, c.failing));
      told = 0;
      EXPECT_THROW(h.undo(), std::runtime_error);
    } else {
      told = 0;
      EXPECT_THROW(h.push(std::make_unique<CountStep>(local, "fails", 10, c.failing)),
                   std::runtime_error);
    }
    EXPECT_EQ(h.count(), 0u);
    EXPECT_FALSE(h.canUndo());
    EXPECT_FALSE(h.canRedo());
    EXPECT_EQ(told, 1) << "the window hears of the cleared history";
    // The history goes on working.
    h.push(std::make_unique<CountStep>(local, "after", 1000));
    EXPECT_EQ(h.count(), 1u);
    EXPECT_EQ(h.undoName(), "after");
  }
}

TEST_F(UndoHistoryTest, StepsOfOneGestureFoldIntoTheNewest) {
  const CountStep::Options gesture1{.mergeKey = 1}, gesture2{.mergeKey = 2};
  push("before", 100);
  push("fade", 1, gesture1);
  push("fade", 2, gesture1);
  push("fade", 4, gesture1);
  EXPECT_EQ(ledger.value, 107);
  EXPECT_EQ(history.count(), 2u);
  // Another gesture is a step of its own.
  push("fade", 8, gesture2);
  EXPECT_EQ(history.count(), 3u);
  history.undo();
  EXPECT_EQ(ledger.value, 107);
  history.undo();
  EXPECT_EQ(ledger.value, 100) << "the gesture goes back in one undo";
  history.redo();
  EXPECT_EQ(ledger.value, 107);

  // A fold only joins the newest done step, never an undone one.
  calls();
  EXPECT_TRUE(push("fade", 16, gesture2));
  EXPECT_EQ(calls(), (Calls{"apply fade", "gone fade"}));
  EXPECT_EQ(history.count(), 3u);
  EXPECT_EQ(ledger.value, 123);
  history.undo();
  EXPECT_EQ(ledger.value, 107);
  history.redo();

  // A gesture that comes back to where it began leaves no step.
  push("fade", -6, gesture2);
  EXPECT_EQ(history.count(), 3u);
  push("fade", -10, gesture2);
  EXPECT_EQ(history.count(), 2u);
  EXPECT_EQ(ledger.value, 107);
  EXPECT_EQ(history.undoName(), "fade");
  history.undo();
  EXPECT_EQ(ledger.value, 100);
  EXPECT_EQ(history.undoName(), "before");
}

TEST_F(UndoHistoryTest, TheByteBoundDropsTheOldestStepsAndLeavesTheRestAlone) {
  EXPECT_EQ(history.limit(), size_t(256) << 20);
  history.setLimit(1000);
  push("a", 1, {.bytes = 400});
  push("b", 2, {.bytes = 300});
  push("c", 4, {.bytes = 200});
  EXPECT_EQ(history.bytes(), 900u);
  calls();
  push("d", 8, {.bytes = 200});
  // The oldest goes whole; the others are neither applied nor reverted.
  EXPECT_EQ(calls(), (Calls{"apply d", "gone a"}));
  EXPECT_EQ(history.count(), 3u);
  EXPECT_EQ(history.bytes(), 700u);
  EXPECT_EQ(ledger.value, 15) << "a dropped step stays done";
  // What remains undoes as before.
  history.undo();
  history.undo();
  history.undo();
  EXPECT_FALSE(history.canUndo());
  EXPECT_EQ(ledger.value, 1);
  EXPECT_EQ(calls(), (Calls{"revert d", "revert c", "revert b"}));

  // With steps waiting for a redo, only done steps may go: b waits, and
  // dropping it would leave c and d to be redone without it.
  history.redo();  // b
  history.setLimit(100);
  EXPECT_EQ(history.count(), 2u);
  EXPECT_EQ(history.redoName(), "c");
  EXPECT_FALSE(history.canUndo());
  EXPECT_EQ(calls(), (Calls{"apply b", "gone b"}));
  // The next step forgets them and the bound holds again; a step larger
  // than the bound goes itself and stays done.
  push("e", 16, {.bytes = 150});
  EXPECT_EQ(history.count(), 0u);
  EXPECT_EQ(history.bytes(), 0u);
  EXPECT_EQ(ledger.value, 1 + 2 + 16);
  push("f", 32, {.bytes = 100});
  EXPECT_EQ(history.count(), 1u);
  EXPECT_EQ(history.bytes(), 100u);
}

TEST_F(UndoHistoryTest, TheListenerHearsEveryChangeButNotTheEnd) {
  {
    UndoHistory h;
    int told = 0;
    h.setChangeListener([&told] { ++told; });
    h.push(std::make_unique<CountStep>(ledger, "a", 1));
    h.undo();
    h.redo();
    h.setLimit(10);
    h.clear();
    h.push(std::make_unique<CountStep>(ledger, "b", 1));
    EXPECT_EQ(told, 6);
    h.setChangeListener([] { FAIL() << "a history on its way out tells nobody"; });
  }
  // Without a listener the history works all the same.
  UndoHistory quiet;
  quiet.push(std::make_unique<CountStep>(ledger, "c", 1));
  EXPECT_TRUE(quiet.undo());
}

}  // namespace
}  // namespace glyphon
