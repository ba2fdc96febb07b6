// Running a child process as an unprivileged user. File-permission checks mean
// nothing to root, and the tests often run as root: a test then starts the
// program under test (or a probe) as nobody through setpriv.
#pragma once

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "run_process.h"

namespace brisvel::testing {

constexpr uid_t kNobody = 65534;

struct ChildRun {
  int status = -1;     // exit status, -1 when it did not exit normally
  std::string output;  // standard output and standard error
};

// Empty when commands can run unprivileged here; otherwise why not.
inline std::string UnprivilegedUnavailable() {
  if (::geteuid() != 0) return {};
  if (::access("/usr/bin/setpriv", X_OK) != 0) return "setpriv is not installed, so root cannot drop its privileges";
  return {};
}

// Runs a shell command line; as nobody when this process is root.
inline ChildRun RunUnprivileged(const std::string& environment, const std::string& command) {
  std::string line = environment + " ";
  if (::geteuid() == 0) line += "/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups -- ";
  line += command;
  const ProcessRun ran = RunCommand(line);
  return ChildRun{ran.status, ran.output};
}

// Gives a folder to the user the child runs as, so the child may create files
// in it (as a user's own data folder); a no-op when not root.
inline bool GiveToChildUser(const std::filesystem::path& folder) {
  if (::geteuid() != 0) return true;
  return ::chown(folder.c_str(), kNobody, kNobody) == 0;
}

// The owner of a file: a file replaced by another user changes owner.
inline uid_t OwnerOf(const std::filesystem::path& file) {
  struct stat st {};
  return ::stat(file.c_str(), &st) == 0 ? st.st_uid : static_cast<uid_t>(-1);
}

}  // namespace brisvel::testing
