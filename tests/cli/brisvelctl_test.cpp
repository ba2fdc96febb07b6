// brisvelctl's file commands, run as a process: output, exit codes, and files
// that are either fully written or untouched.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/param_table.h"

namespace fs = std::filesystem;

namespace {

struct CtlResult {
  int status;
  std::string out;
};

// Runs brisvelctl with the given arguments; standard error is folded into the output.
CtlResult Ctl(const std::string& args) {
  const std::string cmd = std::string(BRISVELCTL_PATH) + " " + args + " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return CtlResult{-1, {}};
  std::string out;
  std::array<char, 4096> buf{};
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  const int rc = pclose(p);
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, out};
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class BrisvelctlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("brisvelctl_test_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    block = (dir / "block.bin").string();
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
  std::string block;
};

TEST_F(BrisvelctlTest, ParamsListsTheTable) {
  const CtlResult r = Ctl("params");
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 618);
  EXPECT_EQ(r.out.rfind("0 0 1 MuteCtrl\n", 0), 0u);
  EXPECT_NE(r.out.find("\n244 465 2 Box2_EQ5_Gain\n"), std::string::npos);
  EXPECT_NE(r.out.find("\n617 1205 1 NoiseGate\n"), std::string::npos);
}

TEST_F(BrisvelctlTest, FactoryBlockShowGetSet) {
  ASSERT_EQ(Ctl("block factory -o " + block).status, 0);
  const std::string bytes = ReadAll(block);
  ASSERT_EQ(bytes.size(), 1206u);
  EXPECT_EQ(0, std::memcmp(bytes.data(), brisvel::FactoryBlock().data(), 1206));

  const CtlResult show = Ctl("block show " + block);
  ASSERT_EQ(show.status, 0);
  EXPECT_NE(show.out.find("MainVol = 66\n"), std::string::npos);
  EXPECT_NE(show.out.find("Box0_EQ0_Q = 760\n"), std::string::npos);

  EXPECT_EQ(Ctl("get " + block + " Box0_EQ17_Freq").out, "1000\n");
  EXPECT_EQ(Ctl("get " + block + " Box0_EQ17_Q").out, "7.60\n");
  EXPECT_EQ(Ctl("get " + block + " Box0_HFliter_Freq").out, "OFF\n");

  const CtlResult set = Ctl("set " + block + " Volume_0=-3 Box2_EQ5_Gain=+30 Box1_HFliter_Type_Xoct=Bessel,24dB/Oct");
  ASSERT_EQ(set.status, 0) << set.out;
  EXPECT_EQ(Ctl("get " + block + " Volume_0").out, "-3dB\n");
  EXPECT_EQ(Ctl("get " + block + " Box2_EQ5_Gain").out, "20.0\n");  // limited to the gain range
  EXPECT_EQ(Ctl("get " + block + " Box1_HFliter_Type_Xoct").out, "Bessel,24dB/Oct\n");
  EXPECT_EQ(Ctl("set " + block + " Volume_1=off").status, 0);
  EXPECT_EQ(Ctl("get " + block + " Volume_1").out, "OFF\n");
}

TEST_F(BrisvelctlTest, ErrorsAreOneLineAndLeaveFilesAlone) {
  ASSERT_EQ(Ctl("block factory -o " + block).status, 0);
  const std::string before = ReadAll(block);

  CtlResult r = Ctl("get " + (dir / "missing.bin").string() + " MainVol");
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.out.rfind("brisvelctl: ", 0), 0u);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);

  r = Ctl("get " + block + " NoSuchThing");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.out.find("unknown parameter"), std::string::npos);

  // One bad assignment: nothing is written, not even the good ones.
  r = Ctl("set " + block + " Volume_0=-3 Box0_Param_Release=Atk*3");
  EXPECT_NE(r.status, 0);
  EXPECT_TRUE(ReadAll(block) == before);
  EXPECT_NE(Ctl("set " + block + " NoiseGate=21").status, 0);
  EXPECT_EQ(Ctl("set " + block + " NoiseGate=20 Box0_Param_Release=atk*32").status, 0);
  EXPECT_EQ(Ctl("get " + block + " Box0_Param_Release").out, "Atk*32\n");

  std::ofstream(dir / "short.bin") << "too short";
  r = Ctl("block show " + (dir / "short.bin").string());
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.out.find("1206"), std::string::npos);

  // Writing into a folder that does not exist fails cleanly.
  r = Ctl("block factory -o " + (dir / "nope" / "x.bin").string());
  EXPECT_NE(r.status, 0);
  EXPECT_FALSE(fs::exists(dir / "nope"));
}

TEST_F(BrisvelctlTest, ResponseCsv) {
  ASSERT_EQ(Ctl("block factory -o " + block).status, 0);
  ASSERT_EQ(Ctl("set " + block + " Box2_EQ17_Gain=12").status, 0);
  const CtlResult r = Ctl("response " + block + " --channel 2 --start 5");
  ASSERT_EQ(r.status, 0) << r.out;
  std::istringstream in(r.out);
  std::string line;
  int rows = 0;
  double firstHz = 0, peak = -1;
  while (std::getline(in, line)) {
    if (line.rfind("peak,", 0) == 0) {
      peak = std::stod(line.substr(5));
      continue;
    }
    if (rows == 0) firstHz = std::stod(line.substr(0, line.find(',')));
    ++rows;
  }
  EXPECT_EQ(rows, 1024);
  EXPECT_NEAR(firstHz, 10.0, 1e-6);  // start frequency limited to 10-20 Hz
  EXPECT_NEAR(peak, 12.0, 0.3);
  EXPECT_NE(Ctl("response " + block + " --channel 6").status, 0);
}

}  // namespace
