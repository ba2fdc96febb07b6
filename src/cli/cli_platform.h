// What brisvelctl needs of the operating system beyond files: the folder of
// its own executable and the wait for an interrupt (Ctrl-C).
#pragma once

#include <filesystem>
#include <string>

namespace brisvel::cli {

// The folder the running executable lies in; empty when unknown.
std::filesystem::path ExecutableFolder();

// The first command-line argument that did not reach the program as typed;
// empty when there is none. On Windows the C runtime hands a program its
// arguments in the system's code page and replaces characters that code page
// lacks with look-alikes (U+2212 MINUS SIGN with "-", say): such an argument
// is refused rather than taken for another value or another file.
std::string AlteredArgument();

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
