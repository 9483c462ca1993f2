#include "engine/core/StyleSandbox.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <linux/landlock.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdint>

namespace glyphon {

namespace {

// Limits of one helper: room for the largest picture (384 MiB) and a
// style's working planes, temporary files up to the largest picture, and
// enough descriptors for a style's font files.
constexpr rlim_t kAddressSpaceBytes = rlim_t(4) << 30;
constexpr rlim_t kFileBytes = rlim_t(512) << 20;
constexpr rlim_t kOpenFiles = 256;

bool setLimit(int resource, rlim_t value) {
  const rlimit limit{value, value};
  return setrlimit(resource, &limit) == 0;
}

bool limitResources() {
  // A file grown past its limit then fails with EFBIG instead of ending the
  // helper.
  std::signal(SIGXFSZ, SIG_IGN);
  return setLimit(RLIMIT_AS, kAddressSpaceBytes) &
         setLimit(RLIMIT_CPU, rlim_t(kHelperProcessorSeconds)) &
         setLimit(RLIMIT_FSIZE, kFileBytes) & setLimit(RLIMIT_NOFILE, kOpenFiles) &
         setLimit(RLIMIT_CORE, 0);
}

bool dropCapabilities() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  return syscall(SYS_capset, &header, data) == 0;
}

// The Landlock ABI as the running kernel has it, with the fields of later
// versions than the system headers may know.
struct RulesetAttr {
  uint64_t handledAccessFs = 0;
  uint64_t handledAccessNet = 0;  // ABI 4
  uint64_t scoped = 0;            // ABI 6
};
struct PathBeneathAttr {
  uint64_t allowedAccess;
  int32_t parentFd;
} __attribute__((packed));

constexpr uint64_t kFsWriteFile = 1ULL << 1;
constexpr uint64_t kFsWrites = kFsWriteFile | (1ULL << 4) | (1ULL << 5) | (1ULL << 6) |
                               (1ULL << 7) | (1ULL << 8) | (1ULL << 9) | (1ULL << 10) |
                               (1ULL << 11) | (1ULL << 12);
constexpr uint64_t kFsRefer = 1ULL << 13;                // ABI 2
constexpr uint64_t kFsTruncate = 1ULL << 14;             // ABI 3
constexpr uint64_t kFsIoctlDev = 1ULL << 15;             // ABI 5
constexpr uint64_t kNetTcp = (1ULL << 0) | (1ULL << 1);  // bind, connect
constexpr uint64_t kScopeAbstractUnixAndSignals = (1ULL << 0) | (1ULL << 1);

bool allowBeneath(int ruleset, const char* path, uint64_t access) {
  const int fd = open(path, O_PATH | O_CLOEXEC);
  if (fd < 0) return false;
  PathBeneathAttr rule{access, fd};
  const bool added =
      syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &rule, 0) == 0;
  close(fd);
  return added;
}

// Allows writing files only beneath folder (and to /dev/null); reading
// stays allowed, as styles read fonts and their configuration from many
// places. Where the kernel scopes them, abstract Unix sockets and signals
// to processes outside the sandbox are refused, and with network rules
// every TCP bind and connect. Returns the ABI used, 0 without Landlock.
int restrictWrites(const std::string& folder) {
  const long abi =
      syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
  if (abi <= 0) return 0;
  RulesetAttr attr;
  attr.handledAccessFs = kFsWrites;
  if (abi >= 2) attr.handledAccessFs |= kFsRefer;
  if (abi >= 3) attr.handledAccessFs |= kFsTruncate;
  if (abi >= 5) attr.handledAccessFs |= kFsIoctlDev;
  size_t size = sizeof attr.handledAccessFs;
  if (abi >= 4) {
    attr.handledAccessNet = kNetTcp;
    size = offsetof(RulesetAttr, scoped);
  }
  if (abi >= 6) {
    attr.scoped = kScopeAbstractUnixAndSignals;
    size = sizeof attr;
  }
  const int ruleset = int(syscall(SYS_landlock_create_ruleset, &attr, size, 0));
  if (ruleset < 0) return 0;
  const uint64_t fileRights = kFsWriteFile | (abi >= 3 ? kFsTruncate : 0);
  bool ok = allowBeneath(ruleset, folder.c_str(), attr.handledAccessFs);
  (void)allowBeneath(ruleset, "/dev/null", fileRights);
  ok = ok && syscall(SYS_landlock_restrict_self, ruleset, 0) == 0;
  close(ruleset);
  return ok ? int(abi) : 0;
}

// Refuses, with EPERM, what a style has no business doing: any socket but an
// unnamed pair (the session bus, the X server and the network all lie
// behind one), new processes and programs, debugging or reading other
// processes, signals to any process but itself, raising its limits, and the
// kernel's administration. Threads stay allowed.
bool filterSystemCalls() {
  scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
  if (filter == nullptr) return false;
  const uint32_t refuse = SCMP_ACT_ERRNO(EPERM);
  const auto self = scmp_datum_t(getpid());
  int failed = 0;
  const auto rule = [&](uint32_t action, int call, unsigned count = 0,
                        const scmp_arg_cmp* args = nullptr) {
    failed |= seccomp_rule_add_array(filter, action, call, count, args) != 0;
  };
  for (const int call : {SCMP_SYS(socket),
                         SCMP_SYS(ptrace),
                         SCMP_SYS(process_vm_readv),
                         SCMP_SYS(process_vm_writev),
                         SCMP_SYS(execve),
                         SCMP_SYS(execveat),
                         SCMP_SYS(fork),
                         SCMP_SYS(vfork),
                         SCMP_SYS(tkill),
                         SCMP_SYS(pidfd_open),
                         SCMP_SYS(pidfd_send_signal),
                         SCMP_SYS(pidfd_getfd),
                         SCMP_SYS(setrlimit),
                         SCMP_SYS(mount),
                         SCMP_SYS(umount2),
                         SCMP_SYS(pivot_root),
                         SCMP_SYS(chroot),
                         SCMP_SYS(unshare),
                         SCMP_SYS(setns),
                         SCMP_SYS(bpf),
                         SCMP_SYS(perf_event_open),
                         SCMP_SYS(userfaultfd),
                         SCMP_SYS(keyctl),
                         SCMP_SYS(add_key),
                         SCMP_SYS(request_key),
                         SCMP_SYS(io_uring_setup),
                         SCMP_SYS(io_uring_enter),
                         SCMP_SYS(io_uring_register),
                         SCMP_SYS(kexec_load),
                         SCMP_SYS(kexec_file_load),
                         SCMP_SYS(reboot),
                         SCMP_SYS(init_module),
                         SCMP_SYS(finit_module),
                         SCMP_SYS(delete_module),
                         SCMP_SYS(swapon),
                         SCMP_SYS(swapoff),
                         SCMP_SYS(acct),
                         SCMP_SYS(quotactl),
                         SCMP_SYS(open_by_handle_at),
                         SCMP_SYS(iopl),
                         SCMP_SYS(ioperm),
                         SCMP_SYS(setsid),
                         SCMP_SYS(setpgid)})
    rule(refuse, call);
  // glibc falls back to clone when clone3 is missing; clone is then
  // allowed for threads only.
  rule(SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3));
  const scmp_arg_cmp notThread[] = {SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, 0)};
  rule(refuse, SCMP_SYS(clone), 1, notThread);
  const scmp_arg_cmp unnamedPairOnly[] = {SCMP_A0(SCMP_CMP_NE, AF_UNIX)};
  rule(refuse, SCMP_SYS(socketpair), 1, unnamedPairOnly);
  // Reading a limit passes no new one.
  const scmp_arg_cmp newLimit[] = {SCMP_A2(SCMP_CMP_NE, 0)};
  rule(refuse, SCMP_SYS(prlimit64), 1, newLimit);
  const scmp_arg_cmp otherProcess[] = {SCMP_A0(SCMP_CMP_NE, self)};
  for (const int call :
       {SCMP_SYS(kill), SCMP_SYS(tgkill), SCMP_SYS(rt_sigqueueinfo), SCMP_SYS(rt_tgsigqueueinfo)})
    rule(refuse, call, 1, otherProcess);
  const bool loaded = failed == 0 && seccomp_load(filter) == 0;
  seccomp_release(filter);
  return loaded;
}

}  // namespace

std::string SandboxReport::describe() const {
  const auto yesNo = [](bool b) { return b ? std::string("yes") : std::string("no"); };
  return "resource limits: " + yesNo(ResourceLimits) + "\n" +
         "no new privileges: " + yesNo(NoNewPrivileges) + "\n" +
         "capabilities dropped: " + yesNo(CapabilitiesDropped) + "\n" +
         "landlock: " + (LandlockAbi > 0 ? "ABI " + std::to_string(LandlockAbi) : "no") + "\n" +
         "system call filter: " + yesNo(SystemCallFilter) + "\n";
}

SandboxReport enterStyleSandbox(const std::string& writableFolder) {
  SandboxReport report;
  report.ResourceLimits = limitResources();
  report.NoNewPrivileges = prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0;
  report.CapabilitiesDropped = dropCapabilities();
  if (report.NoNewPrivileges) report.LandlockAbi = restrictWrites(writableFolder);
  report.SystemCallFilter = report.NoNewPrivileges && filterSystemCalls();
  return report;
}

}  // namespace glyphon
