// brisvelctl's operating-system pieces on POSIX systems.
#include "cli/cli_platform.h"

#include <pthread.h>
#include <signal.h>

namespace brisvel::cli {
namespace {

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

std::filesystem::path ExecutableFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : exe.parent_path();
}

std::string AlteredArgument() { return {}; }  // arguments arrive as the bytes given

InterruptWait::InterruptWait() {
  const sigset_t set = StopSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

InterruptWait::~InterruptWait() = default;

void InterruptWait::Wait() {
  const sigset_t set = StopSignals();
  int signal = 0;
  sigwait(&set, &signal);
}

}  // namespace brisvel::cli
