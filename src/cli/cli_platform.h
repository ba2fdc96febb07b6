// What brisvelctl needs of the operating system beyond files: the folder of
// its own executable and the wait for an interrupt (Ctrl-C).
#pragma once

#include <filesystem>

namespace brisvel::cli {

// The folder the running executable lies in; empty when unknown.
std::filesystem::path ExecutableFolder();

// Ctrl-C and termination requests for a command that runs until it is
// interrupted. Construct it before any other thread starts: on POSIX systems
// the signals are blocked for the constructing thread and the threads it
// starts afterwards, so that only Wait takes them.
class InterruptWait {
 public:
  InterruptWait();
  ~InterruptWait();
  InterruptWait(const InterruptWait&) = delete;
  InterruptWait& operator=(const InterruptWait&) = delete;
  // Blocks until an interrupt arrives.
  void Wait();
};

}  // namespace brisvel::cli
