// brisvelctl's device commands as separate processes on the simulated
// processor: state kept between calls, failures named with exit status 1.
// Skipped when the tool was not built beside this test program.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <sstream>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "run_process.h"
#include "settings/scene_files.h"
#ifndef _WIN32
#include "unprivileged.h"
#endif

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& p) {
  std::string text;
  brisvel::scene::ReadSceneText(p, text);
  return text;
}

struct ToolRun {
  int status;
  std::string output;  // standard output and standard error
};

class DeviceCommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    tool_ = brisvel::testing::TestProgramFolder() / "src" / "cli" / "brisvelctl.exe";
#else
    tool_ = brisvel::testing::TestProgramFolder() / "src" / "cli" / "brisvelctl";
#endif
    if (!fs::exists(tool_)) GTEST_SKIP() << "brisvelctl not built here";
    data_ = fs::temp_directory_path() / ("brisvel-cli-" + std::to_string(std::random_device()()));
    fs::remove_all(data_);
    fs::create_directories(data_);
  }
  void TearDown() override {
    if (!data_.empty()) fs::remove_all(data_);
  }
  ToolRun Brisvelctl(const std::string& arguments) {
    const auto ran = brisvel::testing::RunCommand(
        brisvel::testing::DataFolderEnvironment(data_) + " '" + tool_.string() + "' " + arguments);
    return ToolRun{ran.status, ran.output};
  }
  fs::path tool_;
  fs::path data_;
};

TEST_F(DeviceCommandLine, SimulatedProcessorKeepsItsStateBetweenCalls) {
  ToolRun info = Brisvelctl("--sim info");
  EXPECT_EQ(info.status, 0) << info.output;
  EXPECT_NE(info.output.find("handshake: accepted (0)"), std::string::npos) << info.output;
  EXPECT_NE(info.output.find("current mode: 1 (A)"), std::string::npos) << info.output;

  EXPECT_EQ(Brisvelctl("--sim set MainVol=-3 Volume_0=-10").status, 0);
  ToolRun get = Brisvelctl("--sim get MainVol");
  EXPECT_EQ(get.status, 0);
  EXPECT_EQ(get.output, "-3dB\n");
  EXPECT_TRUE(fs::exists(data_ / "RezUriruBrisvel" / "simulated-processor.bin"));

  EXPECT_EQ(Brisvelctl("--sim save 2").status, 0);
  EXPECT_EQ(Brisvelctl("--sim set MainVol=-20").status, 0);
  ToolRun recall = Brisvelctl("--sim recall 2");
  EXPECT_EQ(recall.status, 0);
  EXPECT_EQ(recall.output, "current mode: 2 (B)\n");
  EXPECT_EQ(Brisvelctl("--sim get MainVol").output, "-3dB\n");

  EXPECT_EQ(Brisvelctl("--sim input-mode 4").status, 0);
  EXPECT_NE(Brisvelctl("--sim info").output.find("input mode: 4 inputs"), std::string::npos);

  const fs::path block = data_ / "block.bin";
  EXPECT_EQ(Brisvelctl("--sim read -o '" + block.string() + "'").status, 0);
  EXPECT_EQ(fs::file_size(block), 1206u);
  EXPECT_EQ(Brisvelctl("--sim write '" + block.string() + "'").status, 0);
}

TEST_F(DeviceCommandLine, DiffComparesABlockFileWithTheProcessor) {
  const fs::path block = data_ / "diff.bin";
  ASSERT_EQ(Brisvelctl("--sim read -o '" + block.string() + "'").status, 0);
  EXPECT_EQ(Brisvelctl("--sim diff '" + block.string() + "'").status, 0);
  ASSERT_EQ(Brisvelctl("--sim set Volume_2=-12").status, 0);
  ToolRun diff = Brisvelctl("--sim diff '" + block.string() + "'");
  EXPECT_EQ(diff.status, 1);
  EXPECT_NE(diff.output.find("CH1:\n  Volume_2: "), std::string::npos) << diff.output;
  EXPECT_NE(diff.output.find(" -> -12dB\n"), std::string::npos) << diff.output;
}

TEST_F(DeviceCommandLine, FailuresNameTheStep) {
  ToolRun recall = Brisvelctl("--sim recall 12");
  EXPECT_EQ(recall.status, 1);
  EXPECT_EQ(recall.output, "brisvelctl: recall takes a device mode 1 to 11 (1 to 8 are A to H)\n");
  ToolRun set = Brisvelctl("--sim set NoSuchParam=1");
  EXPECT_EQ(set.status, 1);
  EXPECT_NE(set.output.find("unknown parameter"), std::string::npos);
  ToolRun list = Brisvelctl("--sim list");
  EXPECT_EQ(list.output, "sim:0 2b53:0019\n");
  ToolRun absent = Brisvelctl("--path /dev/hidraw-absent info");
  EXPECT_EQ(absent.status, 1);
  EXPECT_NE(absent.output.find("brisvelctl: cannot open /dev/hidraw-absent"), std::string::npos) << absent.output;
}

// A fault written beside the simulated processor's state file reaches
// brisvelctl; what failed is told from the link's typed result: the same line
// whether the log is shown (-v) or not, and none of the log's own words.
TEST_F(DeviceCommandLine, AnInjectedTimeoutIsToldFromTheResultNotTheLog) {
  const fs::path folder = data_ / "RezUriruBrisvel";
  fs::create_directories(folder);
  // Link key, handshake, device information, mode query, chunks 0 to 2; then nothing.
  std::ofstream(folder / "simulated-faults.txt") << "# every reply from chunk 3 on is lost\ndrop-replies 1000 after 7\n";
  const std::string said =
      "brisvelctl: reading the parameter block failed: timeout on read block chunk (0x96), frame 3\n";
  const fs::path out = data_ / "out.bin";
  ToolRun quiet = Brisvelctl("--sim read -o '" + out.string() + "'");
  EXPECT_EQ(quiet.status, 1);
  EXPECT_EQ(quiet.output, said);
  ToolRun verbose = Brisvelctl("-v --sim read -o '" + out.string() + "'");
  EXPECT_EQ(verbose.status, 1);
  EXPECT_NE(verbose.output.find("WaitTimeout. cmd=0x96"), std::string::npos) << verbose.output;
  ASSERT_GE(verbose.output.size(), said.size());
  EXPECT_EQ(verbose.output.substr(verbose.output.size() - said.size()), said);
  EXPECT_FALSE(fs::exists(out));

  // A fault file that is not understood is named, and the processor works without it.
  std::ofstream(folder / "simulated-faults.txt", std::ios::trunc) << "silent\ndrop-replies many\n";
  ToolRun info = Brisvelctl("--sim info");
  EXPECT_EQ(info.status, 0) << info.output;
  EXPECT_NE(info.output.find("simulated-faults.txt is not used: line 2 is not a fault: drop-replies many"),
            std::string::npos)
      << info.output;
  EXPECT_NE(info.output.find("handshake: accepted (0)"), std::string::npos) << info.output;
}

TEST_F(DeviceCommandLine, PathThatIsNoProcessorFailsPromptly) {
  // Opening fails and no receive loop ever ran, so nothing is waited for
  // (formerly a 3000 ms wait for that loop).
  const auto start = std::chrono::steady_clock::now();
  ToolRun info = Brisvelctl("--path /dev/null info");
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(info.status, 1);
  EXPECT_NE(info.output.find("brisvelctl: cannot open /dev/null"), std::string::npos) << info.output;
  EXPECT_LT(elapsed, std::chrono::milliseconds(2000));
}

TEST_F(DeviceCommandLine, AStateTheSimulatedProcessorCannotKeepFailsTheCommand) {
  ASSERT_EQ(Brisvelctl("--sim set MainVol=-3").status, 0);
  const fs::path state = data_ / "RezUriruBrisvel" / "simulated-processor.bin";
  ASSERT_TRUE(fs::exists(state));

  // A state file without write permission is read-only, for root too.
  fs::permissions(state, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  ToolRun set = Brisvelctl("--sim set MainVol=-20");
  EXPECT_EQ(set.status, 1) << set.output;
  EXPECT_NE(set.output.find("state could not be saved"), std::string::npos) << set.output;
  EXPECT_NE(set.output.find("read-only"), std::string::npos) << set.output;
  EXPECT_EQ(set.output.find("MainVol = "), std::string::npos) << set.output;  // no success printed
  EXPECT_EQ(Brisvelctl("--sim get MainVol").output, "-3dB\n");
  EXPECT_EQ(Brisvelctl("--sim save 3").status, 1);

  // A data folder the user may not write: run as an unprivileged user, since
  // root writes anywhere.
  fs::permissions(state, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                             fs::perms::others_read);
#ifndef _WIN32
  const std::string unavailable = brisvel::testing::UnprivilegedUnavailable();
  if (!unavailable.empty()) GTEST_SKIP() << unavailable;
  if (::geteuid() != 0) fs::permissions(data_ / "RezUriruBrisvel", fs::perms::owner_read | fs::perms::owner_exec);
  const auto run = brisvel::testing::RunUnprivileged("XDG_DATA_HOME='" + data_.string() + "'",
                                                     "'" + tool_.string() + "' --sim set MainVol=-20");
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("state could not be saved"), std::string::npos) << run.output;
  if (::geteuid() != 0) fs::permissions(data_ / "RezUriruBrisvel", fs::perms::owner_all);
  EXPECT_EQ(Brisvelctl("--sim get MainVol").output, "-3dB\n");
#endif
}

}  // namespace

namespace {

TEST_F(DeviceCommandLine, PCModesComeFromAndGoToTheProcessor) {
  const std::string config = "--config '" + (data_ / "config.ini").string() + "'";
  ASSERT_EQ(Brisvelctl("--sim set MainVol=-7").status, 0);
  ToolRun add = Brisvelctl("--sim pcmode " + config + " add Live");
  EXPECT_EQ(add.status, 0) << add.output;
  EXPECT_EQ(add.output, "1 Live\n");
  ASSERT_EQ(Brisvelctl("--sim set MainVol=-20").status, 0);
  ToolRun recall = Brisvelctl("--sim pcmode " + config + " recall 1");
  EXPECT_EQ(recall.status, 0) << recall.output;
  EXPECT_EQ(Brisvelctl("--sim get MainVol").output, "-7dB\n");
  ToolRun absent = Brisvelctl("--path /dev/hidraw-absent pcmode " + config + " recall 1");
  EXPECT_EQ(absent.status, 1);
  EXPECT_NE(absent.output.find("cannot open /dev/hidraw-absent"), std::string::npos) << absent.output;
}

TEST_F(DeviceCommandLine, BatchExportAndImportRoundTripTheEightUserModes) {
  // Distinct volumes in modes 3 and 8.
  ASSERT_EQ(Brisvelctl("--sim set Volume_0=-3").status, 0);
  ASSERT_EQ(Brisvelctl("--sim save 3").status, 0);
  ASSERT_EQ(Brisvelctl("--sim set Volume_0=-12").status, 0);
  ASSERT_EQ(Brisvelctl("--sim save 8").status, 0);
  ASSERT_EQ(Brisvelctl("--sim recall 2").status, 0);

  const fs::path bae = data_ / "all.bae";
  ToolRun exp = Brisvelctl("--sim batch export '" + bae.string() + "'");
  ASSERT_EQ(exp.status, 0) << exp.output;
  EXPECT_NE(exp.output.find("device mode 1 (A): read\n"), std::string::npos) << exp.output;
  EXPECT_NE(exp.output.find("device mode 8 (H): read\nExporting the scene successfully\n"), std::string::npos);
  EXPECT_NE(Brisvelctl("--sim info").output.find("current mode: 2 (B)"), std::string::npos);
  ToolRun show = Brisvelctl("scene show '" + bae.string() + "'");
  EXPECT_EQ(show.status, 0);
  EXPECT_NE(show.output.find("batch scene file, count 8\n"), std::string::npos) << show.output;
  EXPECT_NE(show.output.find("data 2: \"2\" MainVol="), std::string::npos) << show.output;
  EXPECT_NE(show.output.find("Volume_0=-3dB"), std::string::npos) << show.output;
  EXPECT_NE(show.output.find("data 7: \"7\""), std::string::npos) << show.output;

  // Overwrite mode 3, then bring it back from the file.
  ASSERT_EQ(Brisvelctl("--sim set Volume_0=-30").status, 0);
  ASSERT_EQ(Brisvelctl("--sim save 3").status, 0);
  ToolRun imp = Brisvelctl("--sim batch import '" + bae.string() + "'");
  ASSERT_EQ(imp.status, 0) << imp.output;
  EXPECT_NE(imp.output.find("device mode 8 (H): written\nBatch import success\n"), std::string::npos);
  ASSERT_EQ(Brisvelctl("--sim recall 3").status, 0);
  EXPECT_EQ(Brisvelctl("--sim get Volume_0").output, "-3dB\n");

  // A damaged fourth record, and a ninth one: found before anything is
  // written, so mode 1 keeps what it holds and nothing is reported written.
  ASSERT_EQ(Brisvelctl("--sim set Volume_0=-30").status, 0);
  ASSERT_EQ(Brisvelctl("--sim save 1").status, 0);
  const std::string whole = ReadText(bae);
  std::string damaged = whole;
  const size_t at = damaged.find("data 3=") + 50;
  damaged[at] = damaged[at] == '0' ? '1' : '0';
  { std::ofstream(bae, std::ios::binary) << damaged; }
  ToolRun fourth = Brisvelctl("--sim batch import '" + bae.string() + "'");
  EXPECT_EQ(fourth.status, 1);
  EXPECT_EQ(fourth.output.find("): written"), std::string::npos) << fourth.output;
  EXPECT_NE(fourth.output.find("\"data 3\"; nothing was written"), std::string::npos) << fourth.output;
  { std::ofstream(bae, std::ios::binary) << whole; }
  const auto record = brisvel::scene::ParseBatchRecord(ReadText(bae), 7);
  ASSERT_TRUE(record);
  ASSERT_EQ(brisvel::scene::WriteBatchCount(bae, 9), brisvel::scene::SceneError::kNone);
  ASSERT_EQ(brisvel::scene::WriteBatchRecord(bae, 8, *record), brisvel::scene::SceneError::kNone);
  ToolRun nine = Brisvelctl("--sim batch import '" + bae.string() + "'");
  EXPECT_EQ(nine.status, 1);
  EXPECT_EQ(nine.output.find("): written"), std::string::npos) << nine.output;
  EXPECT_NE(nine.output.find("batch import failure: "), std::string::npos) << nine.output;
  EXPECT_NE(nine.output.find("the count is 9, not 1 to 8"), std::string::npos) << nine.output;
  ASSERT_EQ(Brisvelctl("--sim recall 1").status, 0);
  EXPECT_EQ(Brisvelctl("--sim get Volume_0").output, "-30dB\n");
}

}  // namespace

namespace {

// The file's bytes as they are.
std::string ReadBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(DeviceCommandLine, AReportOfTheProcessorTellsItsInformationModeAndBlock) {
  ASSERT_EQ(Brisvelctl("--sim set MainVol=-3").status, 0);
  const fs::path csv = data_ / "car.csv";
  const ToolRun run = Brisvelctl("--sim report -o '" + csv.string() + "'");
  ASSERT_EQ(run.status, 0) << run.output;
  const std::string text = ReadBytes(csv);
  EXPECT_NE(text.find("info,,Processor,,\"Processor "), std::string::npos) << text.substr(0, 300);
  EXPECT_NE(text.find("info,,Device mode,,USER-1 (A),\r\n"), std::string::npos) << text.substr(0, 300);
  EXPECT_NE(text.find("info,,Master volume,MainVol,-3dB,57\r\n"), std::string::npos);

  // A block file given beside the processor is the one reported; the information stays the processor's.
  const fs::path block = data_ / "factory.bin";
  ASSERT_EQ(Brisvelctl("block factory -o '" + block.string() + "'").status, 0);
  ASSERT_EQ(Brisvelctl("--sim report '" + block.string() + "' -o '" + csv.string() + "'").status, 0);
  const std::string again = ReadBytes(csv);
  EXPECT_NE(again.find("info,,Master volume,MainVol,6dB,66\r\n"), std::string::npos);
  EXPECT_NE(again.find("info,,Processor,,\"Processor "), std::string::npos);
}

}  // namespace

#ifndef _WIN32
namespace {

// The arrivals a measurement wrote, in samples, by channel label.
std::map<std::string, double> Arrivals(const fs::path& dir) {
  std::map<std::string, double> out;
  std::istringstream in(ReadBytes(dir / "arrivals.txt"));
  std::string label;
  double arrival = 0;
  int delay = 0;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream(line) >> label >> arrival >> delay;
    out[label] = arrival;
  }
  return out;
}

TEST_F(DeviceCommandLine, MeasuringTheSimulatedCarThenAligningMakesEveryChannelArriveTogether) {
  ASSERT_EQ(Brisvelctl("--sim set MuteCtrl=16").status, 0);  // CH3 (Box 4) muted by the installer
  ToolRun run = Brisvelctl("--sim measure --channels 1,2,3 --out '" + (data_ / "refused").string() + "'");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("CH3 is muted; unmute it to measure it"), std::string::npos) << run.output;
  ASSERT_EQ(Brisvelctl("--sim set MuteCtrl=0").status, 0);

  const fs::path first = data_ / "first", second = data_ / "second";
  run = Brisvelctl("--sim measure --channels 1,2,3,4,5,6 --seconds 1 --out '" + first.string() + "'");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("CH6: arrival "), std::string::npos) << run.output;
  EXPECT_EQ(Brisvelctl("--sim get MuteCtrl").output, "0\n") << "the mutes are put back";
  EXPECT_TRUE(fs::exists(first / "CH4.txt"));
  // What it wrote reads back as a measurement with a phase.
  const ToolRun check = Brisvelctl("eq check '" + (first / "CH4.txt").string() + "'");
  EXPECT_EQ(check.status, 0) << check.output;
  EXPECT_NE(check.output.find("phase from column 3"), std::string::npos) << check.output;

  const std::map<std::string, double> before = Arrivals(first);
  ASSERT_EQ(before.size(), 6u);
  run = Brisvelctl("--sim align '" + first.string() + "'");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find(": delay 0 samples"), std::string::npos) << run.output;
  ASSERT_EQ(Brisvelctl("--sim measure --channels 1,2,3,4,5,6 --seconds 1 --out '" + second.string() + "'").status, 0);
  double lo = 1e9, hi = -1e9;
  for (const auto& [label, arrival] : Arrivals(second)) {
    lo = std::min(lo, arrival);
    hi = std::max(hi, arrival);
  }
  EXPECT_LE(hi - lo, 1.0);
  EXPECT_NEAR(hi, std::max_element(before.begin(), before.end(), [](auto& a, auto& b) { return a.second < b.second; })->second,
              1.0) << "the latest channel got no delay";

  // A second microphone position 10 dB louder everywhere: the power average lies 7.4 dB above the first.
  const fs::path louder = data_ / "louder", averaged = data_ / "averaged";
  fs::create_directories(louder);
  {
    std::istringstream in(ReadBytes(first / "CH1.txt"));
    std::ofstream out(louder / "CH1.txt");
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '*') continue;
      double hz = 0, db = 0, phase = 0;
      std::istringstream(line) >> hz >> db >> phase;
      out << hz << " " << db + 10 << " " << phase << "\n";
    }
  }
  run = Brisvelctl("average '" + first.string() + "' '" + louder.string() + "' --out '" + averaged.string() + "'");
  ASSERT_EQ(run.status, 1) << "CH2 ... CH6 are missing at the second position: " << run.output;
  for (int label = 2; label <= 6; ++label) fs::copy_file(first / ("CH" + std::to_string(label) + ".txt"), louder / ("CH" + std::to_string(label) + ".txt"));
  run = Brisvelctl("average '" + first.string() + "' '" + louder.string() + "' --out '" + averaged.string() + "'");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(ReadBytes(averaged / "arrivals.txt"), ReadBytes(first / "arrivals.txt")) << "arrivals from the main position";
  const auto level = [&](const fs::path& file, double at) {
    std::istringstream in(ReadBytes(file));
    std::string line;
    double best = 1e9, level = 0;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '*') continue;
      double hz = 0, db = 0;
      std::istringstream(line) >> hz >> db;
      if (std::fabs(std::log(hz / at)) < best) best = std::fabs(std::log(hz / at)), level = db;
    }
    return level;
  };
  EXPECT_NEAR(level(averaged / "CH1.txt", 1000) - level(first / "CH1.txt", 1000), 10 * std::log10(5.5), 0.01);
  EXPECT_NEAR(level(averaged / "CH2.txt", 1000), level(first / "CH2.txt", 1000), 0.01);
}

}  // namespace
#endif
