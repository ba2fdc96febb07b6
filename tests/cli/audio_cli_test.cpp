// Measuring through a real audio server: the test starts a sound server of
// its own (JACK with its dummy driver, no sound card needed), wires the
// measurement's output straight back into its input once its ports appear,
// and measures that loop through brisvelctl: the delay of the loop is the
// server's period and the stream's buffer, and a wire is flat. Where no server can be started
// the test says so and skips.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <sstream>
#include <thread>

#include "cli_test_support.h"

namespace fs = std::filesystem;

namespace {

using brisvel::testing::ReadAll;
using brisvel::testing::RunCtl;

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

class RealAudio : public brisvel::testing::CliFolderTest {
 protected:
  RealAudio() : CliFolderTest("real_audio_") {}
  void SetUp() override {
    CliFolderTest::SetUp();
    if (!Shell("command -v jackd >/dev/null 2>&1 && command -v jack_connect >/dev/null 2>&1"))
      GTEST_SKIP() << "no audio server can be started here: jackd (Debian jackd2) is not installed";
    static int tests = 0;
    prefix = "brisvel-test-" + std::to_string(getpid()) + "-" + std::to_string(++tests);
  }
  void TearDown() override {
    if (!prefix.empty()) Shell("pkill -f 'jackd -n " + prefix + "-' >/dev/null 2>&1");
    CliFolderTest::TearDown();
  }
  // A server of its own name with the dummy driver at 48 kHz and this period;
  // false when it does not come up.
  bool StartServer(int period) {
    server = prefix + "-" + std::to_string(period);
    env = "XDG_DATA_HOME='" + (dir / "data").string() + "' JACK_DEFAULT_SERVER=" + server;
    Shell("JACK_NO_AUDIO_RESERVATION=1 timeout 300 jackd -n " + server + " -d dummy -r 48000 -p " +
          std::to_string(period) + " >'" + (dir / "jackd.log").string() + "' 2>&1 &");
    for (int i = 0; i < 200; ++i) {
      if (Shell("JACK_DEFAULT_SERVER=" + server + " jack_lsp >/dev/null 2>&1")) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }
  // Measures CH1 of the simulated processor through the server, with the
  // measurement's output wired to its input as soon as both are there.
  brisvel::testing::CtlRun MeasureLoop(const fs::path& out) {
    std::atomic<bool> done{false};
    std::thread wire([&] {
      const std::string lsp = "JACK_DEFAULT_SERVER=" + server + " jack_lsp 2>/dev/null | grep -q 'PortAudio:out_0'";
      while (!done.load()) {
        if (Shell(lsp)) {
          Shell("JACK_DEFAULT_SERVER=" + server + " jack_connect PortAudio:out_0 PortAudio:in_0 >/dev/null 2>&1");
          return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    });
    const auto run = RunCtl("--sim measure --channels 1 --seconds 1 --pre-roll 2 --audio-out system --audio-in system --out '" +
                                out.string() + "'",
                            env);
    done = true;
    wire.join();
    return run;
  }
  static double Arrival(const fs::path& out) {
    std::istringstream in(ReadAll(out / "arrivals.txt"));
    std::string line, label;
    double arrival = -1;
    while (std::getline(in, line))
      if (!line.empty() && line[0] != '#') std::istringstream(line) >> label >> arrival;
    return arrival;
  }
  std::string prefix, server, env;
};

TEST_F(RealAudio, ASweepThroughTheServerComesBackWithTheLoopsDelayAndFlat) {
  std::map<int, double> arrivals;
  for (int period : {128, 256}) {
    if (!StartServer(period)) GTEST_SKIP() << "the audio server (jackd, dummy driver) did not start: " << ReadAll(dir / "jackd.log");
    const auto list = RunCtl("audio list", env);
    ASSERT_EQ(list.status, 0) << list.out;
    ASSERT_NE(list.out.find("JACK"), std::string::npos) << list.out;
    const fs::path out = dir / ("loop" + std::to_string(period));
    const auto run = MeasureLoop(out);
    ASSERT_EQ(run.status, 0) << run.out;
    arrivals[period] = Arrival(out);
    // One period of the server and the 256 frames the stream hands over at a time.
    EXPECT_NEAR(arrivals[period], period + 256.0, 1.0) << run.out;
    // A wire: flat from 100 Hz to 10 kHz.
    const auto curve = RunCtl("eq check '" + (out / "CH1.txt").string() + "'", env);
    EXPECT_EQ(curve.status, 0) << curve.out;
    std::istringstream in(ReadAll(out / "CH1.txt"));
    std::string line;
    double lo = 1e9, hi = -1e9;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '*') continue;
      double hz = 0, db = 0;
      std::istringstream(line) >> hz >> db;
      if (hz < 100 || hz > 10000) continue;
      lo = std::min(lo, db);
      hi = std::max(hi, db);
    }
    EXPECT_LT(hi - lo, 0.5);
    EXPECT_NEAR(hi, 0.0, 0.5) << "the wire neither gains nor loses";
  }
  EXPECT_NEAR(arrivals[256] - arrivals[128], 128.0, 1.0) << "the known difference of the two loops";
}

TEST_F(RealAudio, ALoopThatIsNotWiredHearsNothingAndSaysSo) {
  if (!StartServer(256)) GTEST_SKIP() << "the audio server (jackd, dummy driver) did not start";
  const auto run = RunCtl("--sim measure --channels 1 --seconds 1 --audio-out system --audio-in system --out '" +
                              (dir / "silent").string() + "'",
                          env);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("nothing was heard while measuring CH1"), std::string::npos) << run.out;
  EXPECT_EQ(RunCtl("--sim get MuteCtrl", env).out, "0\n") << "the mutes are put back";
}

}  // namespace
#endif
