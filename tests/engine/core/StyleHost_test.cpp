#include "engine/core/StyleHost.h"

#include <gtest/gtest.h>
#include <linux/landlock.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/core/PluginFailure.h"
#include "engine/core/PluginHost.h"

namespace glyphon {
namespace {

using namespace std::chrono_literals;

const std::string kPluginDir = GLYPHON_TEST_PLUGIN_DIR;

PluginCall renderCall(const std::string& plugin, const std::string& text = "abc") {
  PluginCall call;
  call.Kind = PluginCallKind::Render;
  call.LibraryPath = kPluginDir + "/" + plugin;
  call.DateDigits = "20261208";
  call.Text = text;
  return call;
}

// The wait of a caller that never cancels, counting its turns.
class CountingWait final : public RenderWait {
 public:
  bool waitReadable(int fd, std::chrono::milliseconds timeout) override {
    ++turns;
    return blocking.waitReadable(fd, timeout);
  }
  int turns = 0;
  RenderWait& blocking = renderWait();
};

// A user who cancels at the first chance.
class CancellingWait final : public RenderWait {
 public:
  bool waitReadable(int, std::chrono::milliseconds) override { return false; }
};

// The fault of the failure call throws.
PluginFault faultOf(StyleHost& host, const PluginCall& call, int* detail = nullptr) {
  CountingWait wait;
  try {
    (void)host.call(call, wait);
  } catch (const PluginFailure& failure) {
    if (detail) *detail = failure.detail();
    return failure.fault();
  }
  ADD_FAILURE() << "the call did not fail";
  return PluginFault::BadAnswer;
}

// Whether the helper draws with the echo style, as after every failure.
void expectRendersAgain(StyleHost& host) {
  CountingWait wait;
  const PluginAnswer answer = host.call(renderCall(GLYPHON_TEST_ECHO_STYLE, "again"), wait);
  EXPECT_EQ(answer.Status, PluginCallStatus::Done);
  EXPECT_EQ(answer.Picture.width(), 5);
}

class StyleHostTest : public ::testing::Test {
 protected:
  StyleHost host{styleHostProgram()};
};

TEST_F(StyleHostTest, HelperIsStartedOnceAndKept) {
  EXPECT_EQ(host.pid(), 0);
  expectRendersAgain(host);
  const pid_t first = host.pid();
  EXPECT_GT(first, 0);
  expectRendersAgain(host);
  EXPECT_EQ(host.pid(), first);
}

TEST_F(StyleHostTest, EachFaultIsNamedAndTheNextCallWorks) {
  struct Case {
    const char* plugin;
    PluginFault fault;
    int detail;
    bool helperReplaced;
  };
  const Case cases[] = {
      {GLYPHON_TEST_CRASH_STYLE, PluginFault::Crashed, SIGSEGV, true},
      {GLYPHON_TEST_EXIT_STYLE, PluginFault::Exited, 7, true},
      {GLYPHON_TEST_OVERRUN_STYLE, PluginFault::WroteOutside, 0, true},
      // A contract broken inside the bitmap's fields costs only the
      // drawing: the helper itself is sound.
      {GLYPHON_TEST_ABSURD_STYLE, PluginFault::BrokeContract, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plugin);
    expectRendersAgain(host);
    const pid_t before = host.pid();
    int detail = -1;
    EXPECT_EQ(faultOf(host, renderCall(c.plugin), &detail), c.fault);
    EXPECT_EQ(detail, c.detail);
    EXPECT_EQ(host.pid() != before, c.helperReplaced);
    expectRendersAgain(host);
    // The same library renders when it is not asked to misbehave.
    CountingWait wait;
    const PluginAnswer fine = host.call(renderCall(c.plugin, "!fine"), wait);
    EXPECT_EQ(fine.Picture.width(), 2);
  }
}

TEST_F(StyleHostTest, HangIsCutOffAtTheTimeLimit) {
  host.setTimeLimit(300ms);
  const auto started = std::chrono::steady_clock::now();
  int detail = 0;
  EXPECT_EQ(faultOf(host, renderCall(GLYPHON_TEST_ENDLESS_STYLE), &detail), PluginFault::TimedOut);
  EXPECT_EQ(detail, 300);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
  EXPECT_EQ(host.pid(), 0);
  expectRendersAgain(host);
}

TEST_F(StyleHostTest, CancelStopsTheCallAndTheHelper) {
  CancellingWait cancel;
  EXPECT_THROW((void)host.call(renderCall(GLYPHON_TEST_ENDLESS_STYLE), cancel), RenderingCancelled);
  EXPECT_EQ(host.pid(), 0);
  expectRendersAgain(host);

  // The same through the steps a caller with its own loop takes.
  host.begin(renderCall(GLYPHON_TEST_ENDLESS_STYLE));
  EXPECT_TRUE(host.busy());
  EXPECT_GE(host.waitFd(), 0);
  EXPECT_FALSE(host.finish().has_value());
  const pid_t hung = host.pid();
  host.cancel();
  EXPECT_FALSE(host.busy());
  EXPECT_EQ(host.pid(), 0);
  // The cancelled helper is gone for good, not left spinning.
  EXPECT_NE(::kill(hung, 0), 0);
  expectRendersAgain(host);
}

TEST_F(StyleHostTest, AHelperKilledBetweenCallsIsReplaced) {
  expectRendersAgain(host);
  const pid_t first = host.pid();
  ASSERT_EQ(::kill(first, SIGKILL), 0);
  // Give the kill time to land, then the next call finds the helper gone.
  usleep(50000);
  expectRendersAgain(host);
  EXPECT_NE(host.pid(), first);
}

TEST_F(StyleHostTest, MissingHelperIsAClearFailure) {
  StyleHost missing("/nonexistent/glyphon-style-host");
  try {
    CountingWait wait;
    (void)missing.call(renderCall(GLYPHON_TEST_ECHO_STYLE), wait);
    FAIL() << "a missing helper rendered";
  } catch (const PluginFailure& failure) {
    EXPECT_EQ(failure.fault(), PluginFault::HelperMissing);
    EXPECT_EQ(failure.messageFor("Echo"),
              "The style \u201C"
              "Echo\u201D cannot be drawn: the program that runs styles, "
              "/nonexistent/glyphon-style-host, is missing or cannot start. Reinstalling Glyphon "
              "Editor brings it back.");
  }
}

// What the helper's --sandbox report says of one measure ("yes", "no", "ABI 7").
std::string sandboxMeasure(const std::string& measure) {
  const std::string command = "'" + styleHostProgram() + "' --sandbox";
  FILE* report = popen(command.c_str(), "r");
  if (report == nullptr) return {};
  std::string value;
  char line[256];
  while (std::fgets(line, sizeof line, report) != nullptr) {
    const std::string text = line;
    if (text.rfind(measure + ": ", 0) == 0) value = text.substr(measure.size() + 2);
  }
  pclose(report);
  while (!value.empty() && value.back() == '\n') value.pop_back();
  return value;
}

TEST_F(StyleHostTest, SandboxRefusesWhatAStyleHasNoBusinessDoing) {
  // Each measure holds where the kernel has it.
  std::ifstream status("/proc/self/status");
  const std::string statusText{std::istreambuf_iterator<char>(status), {}};
  const bool kernelFilters = statusText.find("\nSeccomp:") != std::string::npos;
  const bool kernelLandlock =
      syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION) > 0;
  if (!kernelFilters || !kernelLandlock) GTEST_SKIP() << "this kernel lacks seccomp or Landlock";
  EXPECT_EQ(sandboxMeasure("system call filter"), "yes");
  EXPECT_NE(sandboxMeasure("landlock"), "no");
  EXPECT_EQ(sandboxMeasure("no new privileges"), "yes");
  EXPECT_EQ(sandboxMeasure("resource limits"), "yes");
  const std::filesystem::path outside = std::filesystem::path(::testing::TempDir()) /
                                        ("glyphon_probe_" + std::to_string(getpid()) + ".txt");
  CountingWait wait;
  const PluginAnswer answer =
      host.call(renderCall(GLYPHON_TEST_PROBE_STYLE, outside.string()), wait);
  ASSERT_EQ(answer.Picture.width(), 8);
  const auto allowed = [&](int32_t x) { return redOf(answer.Picture.pixel(x, 0)) == 255; };
  EXPECT_FALSE(allowed(0)) << "a network socket";
  EXPECT_FALSE(allowed(1)) << "a Unix socket";
  EXPECT_FALSE(allowed(2)) << "a signal to the editor";
  EXPECT_FALSE(allowed(3)) << "reading the editor's memory";
  EXPECT_FALSE(allowed(4)) << "a new process";
  EXPECT_FALSE(allowed(5)) << "a file outside the helper's temporary folder";
  EXPECT_TRUE(allowed(6)) << "a file in the helper's temporary folder";
  EXPECT_TRUE(allowed(7)) << "a signal to itself";
  EXPECT_FALSE(std::filesystem::exists(outside));
}

TEST(PluginFailureTest, MessagesNameTheStyleAndWhatHappened) {
  struct Case {
    PluginFault fault;
    int detail;
    const char* message;
  };
  const Case cases[] = {
      {PluginFault::Crashed, SIGSEGV,
       "The style \u201CNeon\u201D stopped unexpectedly (segmentation fault) while drawing the "
       "text."},
      {PluginFault::Crashed, SIGABRT,
       "The style \u201CNeon\u201D stopped unexpectedly (aborted) while drawing the text."},
      {PluginFault::Exited, 7,
       "The style \u201CNeon\u201D ended its own process (exit status 7) while drawing the text."},
      {PluginFault::TimedOut, 10000,
       "The style \u201CNeon\u201D did not finish drawing the text within 10 seconds and was "
       "stopped."},
      {PluginFault::TimedOut, 250,
       "The style \u201CNeon\u201D did not finish drawing the text within 0.3 seconds and was "
       "stopped."},
      {PluginFault::WroteOutside, 0,
       "The style \u201CNeon\u201D wrote outside the picture it was given while drawing the "
       "text."},
  };
  for (const Case& c : cases) EXPECT_EQ(pluginFailureMessage("Neon", c.fault, c.detail), c.message);
}

}  // namespace
}  // namespace glyphon
