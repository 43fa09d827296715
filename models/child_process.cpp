#include "models/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>

namespace qx {

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// Set by the sanitizers' runtime when one is linked in (weak: null otherwise).
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

// A child that fails ends quietly: the parent sees the failure and refuses
// the file. Handlers inherited from the parent would act in the child's name:
// a fuzzer's crash handler, for one, would report the parser's abort as a
// finding and write the input into the current folder.
void DropInheritedHandlers() {
  for (int sig : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGALRM, SIGINT, SIGTERM, SIGXCPU})
    signal(sig, SIG_DFL);
  if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(nullptr);
}

// The process's virtual size in bytes (VmSize), or 0 when it cannot be read.
uint64_t AddressSpaceInUse() {
  uint64_t kb = 0;
  if (std::FILE* f = std::fopen("/proc/self/status", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, f))
      if (std::sscanf(line, "VmSize: %" SCNu64 " kB", &kb) == 1) break;
    std::fclose(f);
  }
  return kb * 1024;
}

[[noreturn]] void RunChild(const std::function<std::vector<uint8_t>()>& work, int fd, uint64_t max_memory) {
  DropInheritedHandlers();
  // Under AddressSanitizer the process already holds terabytes of reserved
  // shadow and heap space; the child may take max_memory beyond that.
  const uint64_t limit_bytes = kAddressSanitizer ? AddressSpaceInUse() + max_memory : max_memory;
  const rlimit limit{limit_bytes, limit_bytes};
  setrlimit(RLIMIT_AS, &limit);
  const int null = open("/dev/null", O_WRONLY);
  if (null >= 0) {
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
  }
  std::vector<uint8_t> bytes;
  try {
    bytes = work();
  } catch (...) {
    _exit(2);
  }
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + sent, bytes.size() - sent);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) _exit(3);
    sent += static_cast<size_t>(n);
  }
  _exit(0);
}

}  // namespace

bool RunInChildProcess(const std::function<std::vector<uint8_t>()>& work, std::vector<uint8_t>& out,
                       int timeout_ms, size_t max_bytes, uint64_t max_memory) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  const pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    return false;
  }
  if (pid == 0) {
    close(fds[0]);
    RunChild(work, fds[1], max_memory);
  }
  close(fds[1]);

  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::vector<uint8_t> bytes;
  bool ok = true;
  uint8_t chunk[1 << 16];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      ok = false;
      break;
    }
    pollfd p{fds[0], POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      ok = false;
      break;
    }
    const ssize_t n = read(fds[0], chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ok = false;
      break;
    }
    if (n == 0) break;  // the child is done
    if (bytes.size() + static_cast<size_t>(n) > max_bytes) {
      ok = false;
      break;
    }
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  close(fds[0]);
  if (!ok) kill(pid, SIGKILL);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!ok || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
  out = std::move(bytes);
  return true;
}

}  // namespace qx
