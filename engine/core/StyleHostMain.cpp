// glyphon-style-host: runs style plug-ins for Glyphon Editor, away from the
// editor's own process, with the least it needs (StyleSandbox.h). The
// editor starts it (StyleHost.h) and hands it calls one at a time; for each
// the plug-in's library is loaded, called and unloaded again, so nothing of
// a library survives from one call to the next, and the picture it drew
// goes back through memory both processes share.
//
//   glyphon-style-host --parent PID --temp FOLDER   as the editor starts it
//   glyphon-style-host --sandbox                     prints which measures
//                                                    this system allows
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/PluginCall.h"
#include "engine/core/SharedPixelStore.h"
#include "engine/core/StyleHostProtocol.h"
#include "engine/core/StyleSandbox.h"

namespace glyphon::style_host {
namespace {

// The store the fault handler looks at; set for the helper's whole life.
SharedPixelStore* g_store = nullptr;

// A fault next to the picture is a plug-in that went past its picture: the
// editor is told so before the helper ends. Any other fault ends the helper
// with the signal, which the editor reads from its exit status.
void onFault(int signal, siginfo_t* info, void*) {
  if (g_store != nullptr && g_store->outsidePicture(info->si_addr)) {
    Answer answer;
    answer.Status = uint8_t(AnswerStatus::WroteOutside);
    (void)::send(kChannelFd, &answer, sizeof answer, MSG_NOSIGNAL);
    _exit(3);
  }
  // SA_RESETHAND has put the default action back: the fault repeats.
  (void)signal;
}

void installFaultHandler() {
  static std::vector<char> altStack(size_t(256) * 1024);
  stack_t stack{};
  stack.ss_sp = altStack.data();
  stack.ss_size = altStack.size();
  sigaltstack(&stack, nullptr);
  struct sigaction action {};
  action.sa_sigaction = &onFault;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  sigaction(SIGSEGV, &action, nullptr);
  sigaction(SIGBUS, &action, nullptr);
}

double processorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int serve() {
  SharedPixelStore store(kPicturesFd);
  g_store = &store;
  installFaultHandler();
  for (;;) {
    const std::optional<PluginCall> call = receiveCall(kChannelFd);
    Answer answer;
    if (!call) {
      // The editor closed the channel (it stopped or restarts the helper),
      // or sent something that is not a call.
      answer.Status = uint8_t(AnswerStatus::BadCall);
      (void)sendAll(kChannelFd, &answer, sizeof answer);
      return 0;
    }
    const PluginCallResult result = callPlugin(*call, store);
    switch (result.Status) {
      case PluginCallStatus::NotAPlugin:
        answer.Status = uint8_t(AnswerStatus::NotAPlugin);
        break;
      case PluginCallStatus::Done:
        answer.Status = uint8_t(AnswerStatus::Done);
        break;
      case PluginCallStatus::BrokeContract:
        answer.Status = uint8_t(AnswerStatus::BrokeContract);
        break;
    }
    answer.Contract = uint8_t(result.Contract);
    answer.Scale = result.Scale;
    answer.Width = result.Width;
    answer.Height = result.Height;
    answer.Offset = result.Status == PluginCallStatus::Done ? store.offset() : 0;
    answer.ProcessorSeconds = processorSeconds();
    if (!sendAll(kChannelFd, &answer, sizeof answer)) return 0;
  }
}

bool isOpen(int fd) { return fcntl(fd, F_GETFD) != -1; }

int run(int argc, char** argv) {
  std::string parent, temp;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--sandbox") {
      const SandboxReport report = enterStyleSandbox(argc > i + 1 ? argv[i + 1] : "/tmp");
      std::fputs(report.describe().c_str(), stdout);
      return 0;
    }
    if (arg == "--parent" && i + 1 < argc)
      parent = argv[++i];
    else if (arg == "--temp" && i + 1 < argc)
      temp = argv[++i];
  }
  if (parent.empty() || temp.empty() || !isOpen(kChannelFd) || !isOpen(kPicturesFd)) {
    std::fputs("glyphon-style-host runs style plug-ins for Glyphon Editor, which starts it.\n",
               stderr);
    return 2;
  }
  // Ends with the editor, also when the editor is killed in the middle of a
  // plug-in that never returns.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (std::to_string(getppid()) != parent) return 0;
  close_range(kPicturesFd + 1, ~0U, 0);
  setenv("TMPDIR", temp.c_str(), 1);
  (void)enterStyleSandbox(temp);
  return serve();
}

}  // namespace
}  // namespace glyphon::style_host

int main(int argc, char** argv) {
  try {
    return glyphon::style_host::run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "glyphon-style-host: %s\n", e.what());
    return 1;
  }
}
