// brisvelctl and the user's data: PC modes that cannot be read are listed and
// kept, parallel runs lose no change, a run killed at any moment leaves files
// that read back, and what comes from files is printed so that it cannot act
// on the terminal.
#include <gtest/gtest.h>
#include <signal.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "cli_test_support.h"
#include "core/hex_text.h"
#include "core/pcmode_record.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

using brisvel::testing::CtlRun;

std::string Hex(uint8_t fill) {
  brisvel::EffectBlock block{};
  block.fill(fill);
  return brisvel::EncodeHexWithCheck(block);
}

class DataSafety : public brisvel::testing::CliFolderTest {
 protected:
  DataSafety() : CliFolderTest("brisvelctl_safety_") {}
  void SetUp() override {
    CliFolderTest::SetUp();
    config_ = (dir / "config.ini").string();
    block_ = (dir / "factory.bin").string();
    ASSERT_EQ(Ctl("block factory -o " + block_).status, 0);
  }
  std::string Env() const { return "XDG_DATA_HOME='" + (dir / "data").string() + "'"; }
  CtlRun Ctl(const std::string& args, bool keepErrors = true) const {
    return brisvel::testing::RunCtl(args, Env(), keepErrors);
  }
  CtlRun Pc(const std::string& args, bool keepErrors = true) const {
    return Ctl("pcmode --config " + config_ + " " + args, keepErrors);
  }
  // Lines of `pcmode list` that name a readable PC mode.
  size_t Readable() const {
    const std::string out = Pc("list", false).out;
    size_t n = 0;
    for (size_t at = 0; (at = out.find('\n', at)) != std::string::npos; ++at) ++n;
    return n - Unreadable();
  }
  size_t Unreadable() const {
    const std::string out = Pc("list", false).out;
    size_t n = 0;
    for (size_t at = 0; (at = out.find("unreadable ", at)) != std::string::npos; ++at) ++n;
    return n;
  }
  // Runs brisvelctl with args (split at blanks) and kills it after delay.
  int RunAndKill(const std::vector<std::string>& args, std::chrono::microseconds delay) const {
    std::vector<std::string> env = {"XDG_DATA_HOME=" + (dir / "data").string()};
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    std::vector<char*> argv = {const_cast<char*>(BRISVELCTL_PATH)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, BRISVELCTL_PATH, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    std::this_thread::sleep_for(delay);
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
  }
  std::vector<fs::path> Temporaries(const fs::path& folder) const {
    std::vector<fs::path> found;
    for (const auto& e : fs::directory_iterator(folder)) {
      if (e.path().filename().string().find(".tmp-") != std::string::npos) found.push_back(e.path());
    }
    return found;
  }

  std::string config_, block_;
};

TEST_F(DataSafety, PCModesThatCannotBeReadAreListedNamedAndKept) {
  std::string bad = Hex(2);
  bad[50] = bad[50] == 'A' ? 'B' : 'A';
  const std::string original = "[PCMode]\nCount = 3\n0 = " + Hex(1) + "\n1 = " + bad + "\n2 = " + Hex(3) +
                               "\n01 = " + Hex(4) + "\n[PCModeName]\n0 = first\n1 = Damaged\n2 = third\n01 = Odd\n";
  std::ofstream(config_, std::ios::binary) << original;
  const CtlRun list = Pc("list", false);
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(list.out,
            "1 first\n2 third\nunreadable key 1 \"Damaged\": its block text does not match its check byte\n"
            "unreadable key 01 \"Odd\": the key is not a plain index (0, 1, ...)\n");

  const CtlRun add = Pc("add New --from " + block_);
  EXPECT_EQ(add.status, 0) << add.out;
  EXPECT_NE(add.out.find("a PC mode cannot be read and is kept as it is: key 1 \"Damaged\""), std::string::npos)
      << add.out;
  EXPECT_NE(add.out.find("3 New\n"), std::string::npos) << add.out;
  const std::string saved = brisvel::testing::ReadAll(config_);
  EXPECT_NE(saved.find(bad), std::string::npos);
  EXPECT_NE(saved.find("01 = " + Hex(4)), std::string::npos);
  EXPECT_NE(saved.find("Damaged"), std::string::npos);
  EXPECT_EQ(Pc("delete 1").status, 0);
  EXPECT_NE(brisvel::testing::ReadAll(config_).find(bad), std::string::npos);
  EXPECT_EQ(Readable(), 2u);
  EXPECT_EQ(Unreadable(), 2u);
}

TEST_F(DataSafety, AFreshAccountGetsItsDataFolder) {
  const CtlRun add = Ctl("pcmode add First --from " + block_);
  EXPECT_EQ(add.status, 0) << add.out;
  EXPECT_TRUE(fs::exists(dir / "data" / "RezUriruBrisvel" / "config.ini"));
  EXPECT_EQ(Ctl("pcmode list").out, "1 First\n");
}

TEST_F(DataSafety, NamesFromFilesCannotActOnTheTerminal) {
  brisvel::PCModeRecord record;
  record.SetName("Red\x1b[31m\r\\x");
  const std::string cae = (dir / "red.cae").string();
  std::ofstream(cae, std::ios::binary) << "[CAEConfig]\r\ndata=" << brisvel::EncodeProfileStruct(record.Encode())
                                       << "\r\n";
  const CtlRun show = Ctl("scene show " + cae);
  EXPECT_EQ(show.status, 0);
  EXPECT_NE(show.out.find("data: \"Red\\x1B[31m\\x0D\\\\x\""), std::string::npos) << show.out;
  EXPECT_EQ(show.out.find('\x1b'), std::string::npos);
  ASSERT_EQ(Pc("import " + cae).status, 0);
  const CtlRun list = Pc("list");
  EXPECT_EQ(list.out, "1 Red\\x1B[31m \\\\x\n");  // config.ini keeps a name on one line
  // Names written into config.ini by hand, and messages that quote them.
  std::ofstream(config_, std::ios::binary) << "[PCMode]\nCount = 1\n0 = " + Hex(1) + "\n[PCModeName]\n0 = \xC2\x9B" "2J\n";
  EXPECT_EQ(Pc("list").out, "1 \\u009B2J\n");
  const CtlRun dup = Pc("add '\xC2\x9B" "2J' --from " + block_);
  EXPECT_EQ(dup.status, 1);
  EXPECT_EQ(dup.out.find("\xC2\x9B"), std::string::npos) << dup.out;
}

TEST_F(DataSafety, OutputOntoALinkToNothingIsRefused) {
  const fs::path link = dir / "out.bin";
  fs::create_symlink(dir / "gone" / "out.bin", link);
  const CtlRun run = Ctl("block factory -o " + link.string());
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("does not exist"), std::string::npos) << run.out;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_FALSE(fs::exists(dir / "gone"));
}

TEST_F(DataSafety, ASaveThatCouldNotBeReadBackIsRefused) {
  // A file just below the largest one that is read (16 MiB): one more PC
  // mode would take it beyond.
  std::string modes = "[PCMode]\nCount = 3\n", names = "[PCModeName]\n";
  for (int i = 0; i < 3; ++i) {
    modes += std::to_string(i) + " = " + Hex(9) + "\n";
    names += std::to_string(i) + " = m" + std::to_string(i) + "\n";
  }
  const std::string head = "[Other]\nPad = ";
  const size_t pad = (16u << 20) - 1000 - head.size() - 1 - modes.size() - names.size();
  const std::string text = head + std::string(pad, 'p') + "\n" + modes + names;
  std::ofstream(config_, std::ios::binary) << text;
  ASSERT_EQ(Readable(), 3u);
  const CtlRun add = Pc("add Last --from " + block_);
  EXPECT_EQ(add.status, 1);
  EXPECT_NE(add.out.find("may hold to be read again; nothing was written"), std::string::npos)
      << add.out.substr(0, 300);
  EXPECT_TRUE(brisvel::testing::ReadAll(config_) == text);
  EXPECT_EQ(Readable(), 3u);
}

TEST_F(DataSafety, ParallelRunsLoseNoChange) {
  // 30 PC modes added at once.
  std::vector<std::thread> runs;
  std::vector<int> status(30, -1);
  for (int i = 0; i < 30; ++i) {
    runs.emplace_back([&, i] { status[i] = Pc("add mode" + std::to_string(i) + " --from " + block_).status; });
  }
  for (auto& t : runs) t.join();
  for (int i = 0; i < 30; ++i) EXPECT_EQ(status[i], 0) << i;
  EXPECT_EQ(Readable(), 30u);

  // 50 parameters of the simulated processor set at once, each by its own run.
  runs.clear();
  status.assign(50, -1);
  auto name = [](int i) { return "Box" + std::to_string(i % 6) + "_EQ" + std::to_string(i / 6) + "_Gain"; };
  for (int i = 0; i < 50; ++i) {
    runs.emplace_back([&, i] { status[i] = Ctl("--sim set " + name(i) + "=" + std::to_string(1 + i % 9)).status; });
  }
  for (auto& t : runs) t.join();
  for (int i = 0; i < 50; ++i) EXPECT_EQ(status[i], 0) << i;
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(Ctl("--sim get " + name(i)).out, std::to_string(1 + i % 9) + ".0\n") << name(i);
  }
}

TEST_F(DataSafety, ARunKilledAtAnyMomentLeavesFilesThatReadBack) {
  std::mt19937 random(static_cast<unsigned>(::testing::UnitTest::GetInstance()->random_seed()));
  // A config.ini large enough that its save takes a while.
  std::string modes = "[PCMode]\nCount = 1500\n", names = "[PCModeName]\n";
  for (int i = 0; i < 1500; ++i) {
    modes += std::to_string(i) + " = " + Hex(static_cast<uint8_t>(i)) + "\n";
    names += std::to_string(i) + " = base" + std::to_string(i) + "\n";
  }
  std::ofstream(config_, std::ios::binary) << modes + names;
  // The kills aim at the save, which ends each run: one run unkilled shows
  // how long a run takes here.
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(Pc("add timed --from " + block_).status, 0);
  const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
  size_t n = 1501;
  for (int run = 0; run < 16; ++run) {
    const auto delay = std::chrono::microseconds(
        std::uniform_int_distribution<long>(took.count() / 3, took.count() + took.count() / 5)(random));
    RunAndKill({"pcmode", "--config", config_, "add", "k" + std::to_string(run), "--from", block_}, delay);
    const size_t now = Readable();
    EXPECT_TRUE(now == n || now == n + 1) << "run " << run << ": " << now << " after " << n;
    EXPECT_EQ(Unreadable(), 0u);
    n = now;
  }
  // The next save removes what killed saves left.
  ASSERT_EQ(Pc("add after --from " + block_).status, 0);
  EXPECT_EQ(Temporaries(dir), std::vector<fs::path>{});
  EXPECT_EQ(Readable(), n + 1);

  // Batch imports into the simulated processor, killed part way: its state
  // file reads back, each mode old or from the file.
  const std::string bae = (dir / "all.bae").string();
  ASSERT_EQ(Ctl("--sim batch export " + bae).status, 0);
  for (int run = 0; run < 5; ++run) {
    const auto delay = std::chrono::microseconds(std::uniform_int_distribution<int>(0, 9000000)(random));
    RunAndKill({"--sim", "batch", "import", bae}, delay);
    const CtlRun info = Ctl("--sim info");
    EXPECT_EQ(info.status, 0) << info.out;
    EXPECT_EQ(info.out.find("unreadable"), std::string::npos) << info.out;
  }
  ASSERT_EQ(Ctl("--sim set MainVol=-3").status, 0);
  EXPECT_EQ(Temporaries(dir / "data" / "RezUriruBrisvel"), std::vector<fs::path>{});
}

}  // namespace
