// The user's settings are never lost: files that are not regular, too large,
// unreadable or only partly understood are read as far as safe and never saved
// over; read-only targets are not replaced; reads are bounded and never block.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <iterator>
#include <cstdio>
#include <filesystem>
#include <string>

#include "settings/cae_data.h"
#include "settings/config_ini.h"
#include "settings/file_safety.h"
#include "settings/settings_store.h"
#include "settings/temp_folder.h"
#include "unprivileged.h"

namespace brisvel::settings {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;
namespace fs = std::filesystem;

// The probe: with BRISVEL_CONFIG_PROBE=PATH set, this program loads config.ini
// at PATH, changes the language, saves, prints the outcome and exits before
// any test runs. The tests start it as an unprivileged user.
const bool kProbeRan = [] {
  const char* path = std::getenv("BRISVEL_CONFIG_PROBE");
  if (!path) return false;
  ConfigIni config{fs::path(path)};
  const bool loaded = config.Load();
  std::string told;
  config.SetSaveFailureHandler([&](const std::string& why) { told = why; });
  const bool saved = config.SetLang(1);
  std::printf("loaded=%d saved=%d refusal=[%s] told=[%s]\n", loaded ? 1 : 0, saved ? 1 : 0,
              config.SaveRefusal().c_str(), told.c_str());
  std::fflush(stdout);
  std::_Exit(0);
}();

brisvel::testing::ChildRun RunProbe(const fs::path& config) {
  return brisvel::testing::RunUnprivileged("BRISVEL_CONFIG_PROBE='" + config.string() + "'",
                                           "'" + fs::read_symlink("/proc/self/exe").string() + "'");
}

constexpr const char* kUserSettings =
    "[Config]\nLang = 0\n[Other]\nForeign = kept\n[PCMode]\nCount = 1\n0 = 00FF\n[PCModeName]\n0 = Mine\n";

class UserFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(brisvel::testing::GiveToChildUser(dir_.path()));
    file_ = dir_ / "config.ini";
  }
  TempFolder dir_;
  fs::path file_;
};

TEST_F(UserFileTest, AnUnreadableConfigIsNeverSavedOver) {
  const std::string unavailable = brisvel::testing::UnprivilegedUnavailable();
  if (!unavailable.empty()) GTEST_SKIP() << unavailable;
  WriteFile(file_, kUserSettings);
  ASSERT_EQ(::chmod(file_.c_str(), 0), 0);
  const auto run = RunProbe(file_);
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("loaded=0 saved=0"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("not saved over"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("Permission denied"), std::string::npos) << run.output;
  EXPECT_EQ(ReadFile(file_), kUserSettings);
  for (const auto& entry : fs::directory_iterator(dir_.path())) {  // no temporary left, only the lock file
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "config.ini" || name == "config.ini.lock") << name;
  }
}

TEST_F(UserFileTest, AReadOnlyConfigIsNotReplaced) {
  const std::string unavailable = brisvel::testing::UnprivilegedUnavailable();
  if (!unavailable.empty()) GTEST_SKIP() << unavailable;
  WriteFile(file_, kUserSettings);
  ASSERT_EQ(::chmod(file_.c_str(), 0444), 0);
  const uid_t owner = brisvel::testing::OwnerOf(file_);
  const auto run = RunProbe(file_);
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("loaded=1 saved=0 refusal=[]"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("read-only]"), std::string::npos) << run.output;
  EXPECT_EQ(ReadFile(file_), kUserSettings);
  EXPECT_EQ(brisvel::testing::OwnerOf(file_), owner);
}

TEST_F(UserFileTest, ReadOnlyAndOddTargetsAreRefusedInProcessToo) {
  WriteFile(file_, kUserSettings);
  ASSERT_EQ(::chmod(file_.c_str(), 0444), 0);  // no write permission for anyone: read-only even for root
  std::string why;
  EXPECT_FALSE(WriteFileAtomically(file_, "x", &why));
  EXPECT_NE(why.find("read-only"), std::string::npos) << why;
  EXPECT_EQ(ReadFile(file_), kUserSettings);

  const fs::path fifo = dir_ / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  EXPECT_FALSE(WriteFileAtomically(fifo, "x", &why));
  EXPECT_NE(why.find("FIFO"), std::string::npos) << why;
  EXPECT_TRUE(fs::is_fifo(fifo));
  const fs::path link = dir_ / "link";
  fs::create_symlink(fifo, link);
  EXPECT_FALSE(WriteFileAtomically(link, "x", &why));
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_TRUE(fs::is_symlink(link));
}

TEST_F(UserFileTest, ReadsAreBoundedAndOnlyOfRegularFiles) {
  const fs::path fifo = dir_ / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  EXPECT_EQ(ReadRegularFile(fifo, 100).status, ReadStatus::kNotRegular);  // returns at once: no writer needed
  const fs::path zero = dir_ / "zero";
  fs::create_symlink("/dev/zero", zero);
  const FileContent z = ReadRegularFile(zero, 100);
  EXPECT_EQ(z.status, ReadStatus::kNotRegular);
  EXPECT_NE(z.error.find("device"), std::string::npos) << z.error;
  EXPECT_EQ(ReadRegularFile(dir_.path(), 100).status, ReadStatus::kNotRegular);
  EXPECT_EQ(ReadRegularFile(dir_ / "none", 100).status, ReadStatus::kMissing);

  WriteFile(file_, std::string(100, 'a'));
  const FileContent exact = ReadRegularFile(file_, 100);
  EXPECT_EQ(exact.status, ReadStatus::kOk);
  EXPECT_EQ(exact.data.size(), 100u);
  EXPECT_EQ(ReadRegularFile(file_, 99).status, ReadStatus::kTooLarge);
  EXPECT_EQ(ReadRegularFile(file_, 99).size, 100u);
}

TEST_F(UserFileTest, ConfigThatIsNoRegularFileOrTooLargeIsRefusedAndKept) {
  // A link to /dev/zero and a FIFO neither abort nor block.
  fs::create_symlink("/dev/zero", file_);
  ConfigIni zero(file_);
  EXPECT_FALSE(zero.Load());
  EXPECT_FALSE(zero.SetLang(1));
  EXPECT_TRUE(fs::is_symlink(file_));
  fs::remove(file_);
  ASSERT_EQ(::mkfifo(file_.c_str(), 0644), 0);
  ConfigIni fifo(file_);
  EXPECT_FALSE(fifo.Load());
  EXPECT_FALSE(fifo.SetLang(1));
  EXPECT_TRUE(fs::is_fifo(file_));
  EXPECT_EQ(LoadCaeData(file_).maxVol, kDefaultMaxVol);  // the installer's file too
  fs::remove(file_);
  EXPECT_EQ(LoadCaeData(fs::path("/dev/zero")).maxVol, kDefaultMaxVol);

  // Over the limit (a sparse file: no disk space needed).
  WriteFile(file_, kUserSettings);
  fs::resize_file(file_, kMaxSettingsFileBytes + 1);
  ConfigIni big(file_);
  EXPECT_FALSE(big.Load());
  EXPECT_NE(big.SaveRefusal().find("larger than"), std::string::npos) << big.SaveRefusal();
  std::string told;
  big.SetSaveFailureHandler([&](const std::string& why) { told = why; });
  EXPECT_FALSE(big.SetLang(1));
  EXPECT_EQ(told, big.SaveRefusal());
  EXPECT_EQ(fs::file_size(file_), kMaxSettingsFileBytes + 1);
}

// ---- text the reader did not always take whole

TEST(PartlyUnderstoodText, AZeroByteNoLongerHidesTheRestAndTheFileIsKept) {
  TempFolder dir;
  const std::string text = std::string("[Config]\nLang = 1\nJunk = a") + '\0' + "b\n" + kUserSettings + "[Tail]\nT = 1\n";
  WriteFile(dir / "config.ini", text);
  ConfigIni config(dir / "config.ini");
  ASSERT_TRUE(config.Load());
  EXPECT_EQ(config.Store().ReadString("Other", "Foreign"), "kept");
  EXPECT_EQ(config.LoadPCModes().size(), 1u);
  EXPECT_EQ(config.Store().ReadString("Tail", "T"), "1");
  EXPECT_NE(config.SaveRefusal().find("line 3 holds a zero byte"), std::string::npos) << config.SaveRefusal();
  EXPECT_FALSE(config.SetLang(0));
  EXPECT_EQ(ReadFile(dir / "config.ini"), text);
}

TEST(PartlyUnderstoodText, AByteOrderMarkAtALineStartIsNothing) {
  // Two files joined: the second one's mark sits before its first header.
  SettingsStore store;
  ASSERT_TRUE(store.LoadFromBytes("\xEF\xBB\xBF[A]\nx = 1\n\xEF\xBB\xBF[B]\ny = 2\n  \xEF\xBB\xBFz = 3\n"));
  EXPECT_EQ(store.ReadString("B", "y"), "2");
  EXPECT_EQ(store.ReadString("B", "z"), "3");
  EXPECT_FALSE(store.ReadString("A", "y"));
  EXPECT_TRUE(store.SaveRefusal().empty()) << store.SaveRefusal();
  SettingsStore back;
  ASSERT_TRUE(back.LoadFromBytes(store.ToText()));
  EXPECT_EQ(back.Keys("B"), (std::vector<std::string>{"y", "z"}));
}

TEST(PartlyUnderstoodText, LinesARewriteWouldDropRefuseTheSave) {
  for (const char* line : {"just words", "[unclosed", "[]", "[A] trailing", " = no key"}) {
    SettingsStore store;
    ASSERT_TRUE(store.LoadFromBytes(std::string("[Config]\nLang = 1\n") + line + "\n[B]\nk = v\n")) << line;
    EXPECT_EQ(store.ReadString("Config", "Lang"), "1") << line;
    EXPECT_NE(store.SaveRefusal().find("line 3"), std::string::npos) << line << ": " << store.SaveRefusal();
    TempFolder dir;
    EXPECT_FALSE(store.SaveToPath(dir / "config.ini")) << line;
    EXPECT_FALSE(fs::exists(dir / "config.ini")) << line;
  }
  // The line named is the one an editor shows, whatever ends the lines.
  for (const char* end : {"\r\n", "\r", "\n"}) {
    const std::string e(end);
    SettingsStore store;
    ASSERT_TRUE(store.LoadFromBytes("[Config]" + e + "Lang = 1" + e + e + "; note" + e + "junk" + e + "[B]" + e));
    EXPECT_NE(store.SaveRefusal().find("line 5 "), std::string::npos) << store.SaveRefusal();
  }
  SettingsStore mixed;  // LF CR is two line ends, CR LF one
  ASSERT_TRUE(mixed.LoadFromBytes("[A]\n\rk = 1\r\njunk\r\n"));
  EXPECT_NE(mixed.SaveRefusal().find("line 4 "), std::string::npos) << mixed.SaveRefusal();
  // Comments, blank lines, keys before the first header and long lines are understood.
  SettingsStore fine;
  ASSERT_TRUE(fine.LoadFromBytes("top = 1\n; note\n\n# other\r\n[ A b ]  \nk=" + std::string(100000, 'v') + "\n"));
  EXPECT_TRUE(fine.SaveRefusal().empty()) << fine.SaveRefusal();
  // A later clean load lifts the refusal.
  SettingsStore again;
  ASSERT_TRUE(again.LoadFromBytes("junk\n"));
  ASSERT_TRUE(again.LoadFromBytes("[A]\nk = 1\n"));
  EXPECT_TRUE(again.SaveRefusal().empty());
}

}  // namespace
}  // namespace brisvel::settings
