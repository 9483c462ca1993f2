#include "engine/core/StyleHost.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <utility>
#include <vector>

#include "engine/core/ScopedOverride.h"
#include "engine/core/StyleHostProtocol.h"
#include "engine/core/StyleSandbox.h"

#include "glyphon/style_plugin.h"

extern char** environ;

namespace glyphon {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A memfd that held a picture larger than this is given back to the system
// after the call, with the helper that maps it.
constexpr off_t kKeptPictureBytes = off_t(64) << 20;

class BlockingWait final : public RenderWait {
 public:
  bool waitReadable(int fd, std::chrono::milliseconds timeout) override {
    pollfd p{fd, POLLIN, 0};
    const int ms = int(std::clamp<int64_t>(timeout.count(), 0, 1 << 30));
    while (::poll(&p, 1, ms) < 0 && errno == EINTR) {
    }
    return true;
  }
};

// Moves fd above the descriptors the helper is given, so that placing
// those cannot overwrite it.
int lifted(int fd) {
  if (fd < 0 || fd > style_host::kPicturesFd) return fd;
  const int moved = fcntl(fd, F_DUPFD_CLOEXEC, style_host::kPicturesFd + 1);
  close(fd);
  return moved;
}

void closeIfOpen(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

std::string temporaryRoot() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

}  // namespace

RenderWait& renderWait() {
  static BlockingWait blocking;
  return ScopedOverride<RenderWait>::currentOr(blocking);
}

std::string styleHostProgram() {
  if (const char* set = std::getenv("GLYPHON_STYLE_HOST"); set != nullptr && *set != '\0')
    return set;
  constexpr const char* kName = "glyphon-style-host";
  std::error_code error;
  const fs::path folder = fs::read_symlink("/proc/self/exe", error).parent_path();
  if (error) return kName;
  const fs::path beside = folder / kName;
  const fs::path installed = folder.parent_path() / "libexec" / "glyphon-editor" / kName;
  const fs::path oneUp = folder.parent_path() / kName;
  for (const fs::path& place : {beside, installed, oneUp})
    if (access(place.c_str(), X_OK) == 0) return place.string();
  return (folder.filename() == "bin" ? installed : beside).string();
}

StyleHost::StyleHost(std::string program) : m_program(std::move(program)) {}

StyleHost::~StyleHost() { stop(); }

StyleHost& StyleHost::shared() {
  static StyleHost host(styleHostProgram());
  return host;
}

void StyleHost::start() {
  const auto missing = [this] {
    throw PluginFailure(PluginFault::HelperMissing, 0, m_library, m_program);
  };
  if (access(m_program.c_str(), X_OK) != 0) missing();

  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) missing();
  int mine = lifted(pair[0]);
  int theirs = lifted(pair[1]);
  // The editor maps the pictures while the helper may still hold the memfd:
  // sealed against shrinking, it can never leave the editor's mapping
  // without pages behind it.
  int pictures = lifted(memfd_create("glyphon-style-pictures", MFD_CLOEXEC | MFD_ALLOW_SEALING));
  std::string temp = temporaryRoot() + "/glyphon-style-XXXXXX";
  const bool made = pictures >= 0 && mine >= 0 && theirs >= 0 &&
                    fcntl(pictures, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_SEAL) == 0 &&
                    mkdtemp(temp.data()) != nullptr;

  pid_t pid = 0;
  int spawned = -1;
  if (made) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, theirs, style_host::kChannelFd);
    posix_spawn_file_actions_adddup2(&actions, pictures, style_host::kPicturesFd);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    // The helper starts with every signal unblocked and at its default,
    // whatever the editor's thread has set.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigfillset(&defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const std::string parent = std::to_string(getpid());
    std::vector<char*> argv{m_program.data(),
                            const_cast<char*>("--parent"),
                            const_cast<char*>(parent.c_str()),
                            const_cast<char*>("--temp"),
                            temp.data(),
                            nullptr};
    spawned = posix_spawn(&pid, m_program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
  }
  closeIfOpen(theirs);
  if (spawned != 0) {
    closeIfOpen(mine);
    closeIfOpen(pictures);
    if (made) rmdir(temp.c_str());
    missing();
  }
  m_pid = pid;
  m_channel = mine;
  m_pictures = pictures;
  m_tempFolder = temp;
}

int StyleHost::reap(bool killFirst) {
  int status = 0;
  if (m_pid > 0) {
    if (killFirst) ::kill(m_pid, SIGKILL);
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  m_pid = 0;
  m_busy = false;
  closeIfOpen(m_channel);
  closeIfOpen(m_pictures);
  if (!m_tempFolder.empty()) {
    std::error_code ignored;
    fs::remove_all(m_tempFolder, ignored);
    m_tempFolder.clear();
  }
  return status;
}

void StyleHost::stop() { (void)reap(true); }

void StyleHost::cancel() {
  if (m_busy) stop();
}

void StyleHost::failAndStop(PluginFault fault, int detail) {
  stop();
  throw PluginFailure(fault, detail, m_library);
}

void StyleHost::failOnDeath() {
  // The channel closed: the helper is ending. It closes the channel as it
  // exits, so its status follows at once; one that closed the channel and
  // goes on is stopped.
  int status = 0;
  pid_t done = 0;
  for (int i = 0; i < 500 && done == 0; ++i) {
    done = waitpid(m_pid, &status, WNOHANG);
    if (done == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (done != m_pid) failAndStop(PluginFault::BadAnswer, 0);
  m_pid = 0;
  stop();
  if (WIFSIGNALED(status)) throw PluginFailure(PluginFault::Crashed, WTERMSIG(status), m_library);
  throw PluginFailure(PluginFault::Exited, WIFEXITED(status) ? WEXITSTATUS(status) : 0, m_library);
}

void StyleHost::begin(const PluginCall& call) {
  cancel();
  m_library = call.LibraryPath;
  if (call.Text.size() > style_host::kMaxTextBytes ||
      call.LibraryPath.size() > style_host::kMaxPathBytes)
    throw Error("The text is too long to be drawn");
  if (m_pid == 0) start();
  if (!style_host::sendCall(m_channel, call)) {
    // The helper ended while it waited for work (it was killed, say): one
    // fresh try.
    stop();
    start();
    if (!style_host::sendCall(m_channel, call)) failOnDeath();
  }
  m_busy = true;
  m_deadline = Clock::now() + m_timeLimit;
}

std::optional<PluginAnswer> StyleHost::finish() {
  if (!m_busy) return std::nullopt;
  pollfd p{m_channel, POLLIN, 0};
  if (::poll(&p, 1, 0) > 0) {
    style_host::Answer answer;
    if (!style_host::receiveAll(m_channel, &answer, sizeof answer)) failOnDeath();
    if (answer.Magic != style_host::kAnswerMagic) failAndStop(PluginFault::BadAnswer, 0);
    m_busy = false;
    PluginAnswer result;
    switch (style_host::AnswerStatus(answer.Status)) {
      case style_host::AnswerStatus::NotAPlugin:
        result.Status = PluginCallStatus::NotAPlugin;
        break;
      case style_host::AnswerStatus::Done:
        result = readPicture(answer);
        break;
      case style_host::AnswerStatus::BrokeContract:
        throw PluginFailure(PluginFault::BrokeContract, 0, m_library);
      case style_host::AnswerStatus::WroteOutside:
        failAndStop(PluginFault::WroteOutside, 0);
      default:
        failAndStop(PluginFault::BadAnswer, 0);
    }
    // A helper well into its processor time is replaced before its limit
    // can end a call.
    if (answer.ProcessorSeconds > kHelperProcessorSeconds / 2.0) stop();
    return result;
  }
  if (Clock::now() >= m_deadline) failAndStop(PluginFault::TimedOut, int(m_timeLimit.count()));
  return std::nullopt;
}

PluginAnswer StyleHost::readPicture(const style_host::Answer& answer) {
  PluginAnswer result;
  result.Status = PluginCallStatus::Done;
  result.Contract = answer.Contract == uint8_t(PluginContract::Text) ? PluginContract::Text
                                                                     : PluginContract::Ascii;
  // What the helper says is checked like everything else it says.
  result.Scale = std::isfinite(answer.Scale)
                     ? std::clamp(answer.Scale, GLYPHON_TEXT_SCALE_MIN, GLYPHON_TEXT_SCALE_MAX)
                     : 1.0;
  const int64_t width = answer.Width, height = answer.Height;
  if (width < 0 || height < 0 || width > Bitmap::kMaxSide || height > Bitmap::kMaxSide ||
      width * height > Bitmap::kMaxPixels)
    failAndStop(PluginFault::BadAnswer, 0);
  const size_t bytes = size_t(width * height) * Bitmap::kBytesPerPixel;
  struct stat file {};
  if (fstat(m_pictures, &file) != 0 || answer.Offset > uint64_t(file.st_size) ||
      bytes > uint64_t(file.st_size) - answer.Offset)
    failAndStop(PluginFault::BadAnswer, 0);
  result.Picture = Bitmap(int32_t(width), int32_t(height));
  if (bytes > 0) {
    const size_t mapped = size_t(answer.Offset) + bytes;
    void* base = mmap(nullptr, mapped, PROT_READ, MAP_SHARED | MAP_POPULATE, m_pictures, 0);
    if (base == MAP_FAILED) throw Error("No memory for the style's picture");
    std::memcpy(result.Picture.data(), static_cast<const uint8_t*>(base) + answer.Offset, bytes);
    munmap(base, mapped);
  }
  if (file.st_size > kKeptPictureBytes) stop();
  return result;
}

PluginAnswer StyleHost::call(const PluginCall& call, RenderWait& wait) {
  begin(call);
  for (;;) {
    if (std::optional<PluginAnswer> answer = finish()) return std::move(*answer);
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_deadline - Clock::now());
    if (!wait.waitReadable(m_channel, std::max(left, std::chrono::milliseconds(0)))) {
      cancel();
      throw RenderingCancelled();
    }
  }
}

}  // namespace glyphon
