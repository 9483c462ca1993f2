// What the recovery tests share: a composition to copy, a check that a copy
// holds it, and child processes (one that holds a copy until it is killed,
// one whose folder is a small file system of its own).
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/Composition.h"
#include "engine/documents/ProjectFile.h"
#include "engine/documents/ProjectSnapshot.h"
#include "tests/engine/core/ItemTestSupport.h"

namespace glyphon::testing {

// A composition with a noise backdrop and count noise items.
inline std::unique_ptr<Composition> noiseComposition(int32_t width, int32_t height, int count) {
  auto composition = std::make_unique<Composition>();
  std::vector<std::unique_ptr<TTextItem>> items;
  for (int i = 0; i < count; ++i)
    items.push_back(textItem({10 * i, 5 * i, 10 * i + 40, 5 * i + 30}, unsigned(i + 1)));
  composition->setBackdropAndItems(noise(width, height, 99), std::move(items));
  return composition;
}

inline CanvasSettings someSettings() {
  CanvasSettings settings;
  settings.BKPicPath = "/pictures/sea.jpg";
  settings.DefaultBKPic = false;
  settings.Width = 321;
  return settings;
}

// The project file at path holds what snapshot holds.
inline void expectCopyHolds(const std::string& path, const ProjectSnapshot& snapshot) {
  const ProjectData read = loadProjectFile(path);
  EXPECT_EQ(read.Settings, snapshot.Settings);
  EXPECT_TRUE(read.Backdrop == *snapshot.Backdrop);
  ASSERT_EQ(read.Items.size(), snapshot.Items.size());
  for (size_t i = 0; i < read.Items.size(); ++i) {
    const TTextItem& a = *read.Items[i];
    const TTextItem& b = *snapshot.Items[i];
    EXPECT_EQ(a.Rect, b.Rect);
    EXPECT_EQ(a.Text, b.Text);
    EXPECT_EQ(a.Color, b.Color);
    EXPECT_EQ(a.Opacity, b.Opacity);
    EXPECT_TRUE(*a.Bitmap == *b.Bitmap);
  }
}

// Runs body in a child process that then dies by SIGKILL, as a crashed
// editor does; returns when it is gone. What body makes with new is never
// destroyed, as in a crash (its locals are, when it returns).
inline void inAProcessThatIsKilled(const std::function<void()>& body) {
  const pid_t child = ::fork();
  if (child == 0) {
    body();
    ::raise(SIGKILL);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
}

// Makes folder, in this process only, a new tmpfs of the given size (a
// private mount namespace; a user namespace first where we are not root).
// Returns why it cannot, or an empty text.
inline std::string mountPrivateTmpfs(const std::string& folder, size_t bytes) {
  if (::geteuid() != 0) {
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
      return std::string("no user namespace: ") + std::strerror(errno);
    auto put = [](const char* file, const std::string& text) {
      const int fd = ::open(file, O_WRONLY);
      if (fd < 0) return false;
      const bool ok = ::write(fd, text.data(), text.size()) == ssize_t(text.size());
      ::close(fd);
      return ok;
    };
    put("/proc/self/setgroups", "deny");
    if (!put("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
        !put("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
      return "cannot map the user";
  } else if (::unshare(CLONE_NEWNS) != 0) {
    return std::string("no mount namespace: ") + std::strerror(errno);
  }
  if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
    return std::string("cannot make mounts private: ") + std::strerror(errno);
  const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
  if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0)
    return std::string("cannot mount a tmpfs: ") + std::strerror(errno);
  return {};
}

// Runs body in a child process whose folder is a tmpfs of the given size
// and returns what it reports: "SKIP: ..." when no such file system could
// be made, otherwise body's text (empty when all went as expected).
inline std::string onASmallDisk(const std::string& folder, size_t bytes,
                                const std::function<std::string()>& body) {
  int out[2];
  if (::pipe(out) != 0) return "no pipe";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(out[0]);
    const std::string why = mountPrivateTmpfs(folder, bytes);
    const std::string report = why.empty() ? body() : "SKIP: " + why;
    (void)!::write(out[1], report.data(), report.size());
    ::_exit(0);
  }
  ::close(out[1]);
  std::string report;
  char buffer[4096];
  for (ssize_t got; (got = ::read(out[0], buffer, sizeof buffer)) > 0;)
    report.append(buffer, size_t(got));
  ::close(out[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status)) return "the child ended by signal " + std::to_string(WTERMSIG(status));
  return report;
}

}  // namespace glyphon::testing
