// brisvelctl run as a process by the command-line tests, and the per-test
// folder they work in.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "../run_process.h"

namespace brisvel::testing {

struct CtlRun {
  int status = -1;
  std::string out;  // standard output, and standard error unless dropped
};

// Runs `[env] brisvelctl args`; standard error is folded into the output, or
// dropped when keepErrors is false.
inline CtlRun RunCtl(const std::string& args, const std::string& env = {}, bool keepErrors = true) {
#ifdef _WIN32
  // Beside this test program (the build's own path is the build machine's, not Windows').
  const std::string tool = "'" + (TestProgramFolder() / "brisvelctl.exe").string() + "'";
#else
  const std::string tool = BRISVELCTL_PATH;
#endif
  const ProcessRun ran = RunCommand((env.empty() ? "" : env + " ") + tool + " " + args, keepErrors);
  return CtlRun{ran.status, ran.output};
}

inline CtlRun Ctl(const std::string& args) { return RunCtl(args); }

inline std::string ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// A fresh folder per test, removed afterwards.
class CliFolderTest : public ::testing::Test {
 protected:
  explicit CliFolderTest(const char* prefix) : prefix_(prefix) {}
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          (prefix_ + std::to_string(std::random_device()()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string Write(const std::string& name, const std::string& text) {
    const std::filesystem::path p = dir / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }

  std::filesystem::path dir;

 private:
  std::string prefix_;
};

}  // namespace brisvel::testing
