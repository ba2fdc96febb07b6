// Files that several programs change, and saves that must read back: every
// change is made to what the file holds under its lock, temporary files of a
// killed save go at the next save, a link to nothing is refused, and a save
// never writes more than its own reader takes.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/hex_text.h"
#include "settings/config_ini.h"
#include "settings/file_safety.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "settings/temp_folder.h"

namespace brisvel::settings {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;
namespace fs = std::filesystem;

PCModeRecord Mode(const std::string& name, uint8_t fill) {
  PCModeRecord r;
  r.SetName(name);
  r.block.fill(fill);
  return r;
}

std::vector<std::string> Names(const std::vector<PCModeRecord>& list) {
  std::vector<std::string> names;
  for (const auto& r : list) names.push_back(r.Name());
  return names;
}

ConfigIni Opened(const fs::path& file) {
  ConfigIni c(file);
  c.Load();
  return c;
}

TEST(SharedConfig, EachWriterChangesWhatTheFileHoldsNow) {
  TempFolder dir;
  const fs::path file = dir / "config.ini";
  WriteFile(file, "[Config]\nLang = 0\n[Other]\nForeign = kept\n");
  ConfigIni console = Opened(file);  // read once, long ago
  ConfigIni tool = Opened(file);
  std::vector<PCModeRecord> list;
  ASSERT_EQ(tool.AppendPCMode(Mode("from the tool", 1), list), 0);

  // The console's language change keeps the tool's PC mode ...
  ASSERT_TRUE(console.SetLang(1));
  EXPECT_EQ(Names(Opened(file).LoadPCModes()), std::vector<std::string>{"from the tool"});
  // ... and its own PC mode goes after it; the console's list follows the file.
  ASSERT_EQ(console.AppendPCMode(Mode("from the console", 2), list), 1);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"from the tool", "from the console"}));
  ASSERT_TRUE(tool.SetCarDelay(CarDelaySettings{}));
  const ConfigIni last = Opened(file);
  EXPECT_EQ(last.Lang(), 1);
  EXPECT_EQ(last.LoadPCModes().size(), 2u);
  EXPECT_EQ(last.Store().ReadString("Other", "Foreign"), "kept");

  // Refresh reads the file again only when another program changed it.
  EXPECT_TRUE(console.Refresh());
  EXPECT_FALSE(console.Refresh());
  EXPECT_EQ(console.Store().ReadString(kSectionConfig, kKeyDelay), last.Store().ReadString(kSectionConfig, kKeyDelay));
}

TEST(SharedConfig, ParallelWritersLoseNoPCMode) {
  TempFolder dir;
  const fs::path file = dir / "config.ini";
  constexpr int kWriters = 8, kEach = 12;
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&, w] {
      for (int i = 0; i < kEach; ++i) {
        // A fresh reader each time, as separate runs of brisvelctl are.
        ConfigIni config = Opened(file);
        std::vector<PCModeRecord> list;
        config.AppendPCMode(Mode("w" + std::to_string(w) + "-" + std::to_string(i), static_cast<uint8_t>(w)), list);
      }
    });
  }
  for (auto& t : writers) t.join();
  EXPECT_EQ(Opened(file).LoadPCModes().size(), static_cast<size_t>(kWriters * kEach));
}

TEST(SharedConfig, ALockHeldElsewhereEndsInAMessageAndTheChangeStaysInMemory) {
  TempFolder dir;
  const fs::path file = dir / "config.ini";
  WriteFile(file, "[Config]\nLang = 0\n");
  FileLock other;
  ASSERT_TRUE(other.Acquire(file));
  FileLock second;
  std::string why;
  EXPECT_FALSE(second.Acquire(file, &why, std::chrono::milliseconds(50)));
  EXPECT_NE(why.find("config.ini.lock"), std::string::npos) << why;
  other.Release();
  EXPECT_TRUE(second.Acquire(file, &why, std::chrono::milliseconds(50))) << why;
}

#ifndef _WIN32
// Held temporaries, symbolic links and folder modes as POSIX systems have them.
TEST(SaveSafety, TemporariesOfAKilledSaveGoAtTheNextSaveAndOnesInUseStay) {
  TempFolder dir;
  const fs::path file = dir / "config.ini";
  WriteFile(file, "[Config]\nLang = 0\n");
  const fs::path stale = dir / "config.ini.tmp-AbC123";
  const fs::path inUse = dir / "config.ini.tmp-XyZ789";
  const fs::path foreign = dir / "other.ini.tmp-AbC123";
  WriteFile(stale, "half a save");
  WriteFile(inUse, "a save in progress");
  WriteFile(foreign, "another file's");
  const int held = ::open(inUse.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);  // its writer still runs

  ASSERT_TRUE(Opened(file).SetLang(1));
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(inUse));
  EXPECT_TRUE(fs::exists(foreign));
  ::close(held);
  ASSERT_TRUE(WriteFileAtomically(file, "[Config]\nLang = 1\n"));
  EXPECT_FALSE(fs::exists(inUse));
}

TEST(SaveSafety, ALinkToNothingIsRefusedAndStaysALink) {
  TempFolder dir;
  const fs::path link = dir / "out.bin";
  fs::create_symlink(dir / "missing" / "target.bin", link);
  std::string why;
  EXPECT_FALSE(WriteFileAtomically(link, "x", &why));
  EXPECT_NE(why.find("does not exist"), std::string::npos) << why;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_FALSE(fs::exists(dir / "missing"));
  fs::create_symlink("nowhere.bin", dir / "near.bin");
  EXPECT_FALSE(WriteFileAtomically(dir / "near.bin", "x", &why));
  EXPECT_FALSE(fs::exists(dir / "nowhere.bin"));
}

#endif

TEST(SaveSafety, NoSaveWritesMoreThanItsReaderTakes) {
  TempFolder dir;
  const fs::path file = dir / "config.ini";
  // A file just below the limit: one more PC mode would cross it.
  const std::string block = EncodeHexWithCheck(Mode("", 7).block);
  SettingsStore store;
  store.WriteInteger("Config", "Lang", 0);
  const int count = static_cast<int>(kMaxSettingsFileBytes / (block.size() + 24)) - 1;
  std::vector<PCModeRecord> modes;
  for (int i = 0; i < count; ++i) modes.push_back(Mode("m" + std::to_string(i), 7));
  WritePCModeSections(store, modes, {});
  const size_t size = store.ToText().size();
  ASSERT_LT(size, kMaxSettingsFileBytes - 100);
  store.WriteString("Config", "Pad", std::string(kMaxSettingsFileBytes - 100 - size, 'p'));
  WriteFile(file, store.ToText());
  ASSERT_LE(fs::file_size(file), kMaxSettingsFileBytes);
  const std::string before = ReadFile(file);
  ConfigIni config = Opened(file);
  ASSERT_EQ(config.LoadPCModes().size(), static_cast<size_t>(count));
  std::string told;
  config.SetSaveFailureHandler([&](const std::string& why) { told = why; });
  std::vector<PCModeRecord> list;
  config.AppendPCMode(Mode("one too many", 1), list);
  EXPECT_NE(told.find("more than the 16777216"), std::string::npos) << told;
  EXPECT_EQ(ReadFile(file), before);
  // The refused change is not kept for later saves, which still work.
  EXPECT_EQ(config.LoadPCModes().size(), static_cast<size_t>(count));
  EXPECT_TRUE(config.SetLang(1));
  EXPECT_EQ(Opened(file).LoadPCModes().size(), static_cast<size_t>(count));
  EXPECT_EQ(Opened(file).Lang(), 1);
}

#ifndef _WIN32
TEST(PrivateFolders, OnlyAFolderOfThisUserAloneIsFit) {
  TempFolder dir;
  const fs::path mine = dir / "run";
  std::string why;
  ASSERT_TRUE(EnsurePrivateFolder(mine / "deeper", &why)) << why;
  struct stat st {};
  ASSERT_EQ(::stat((mine / "deeper").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  EXPECT_EQ(PrivateFolderProblem(mine / "deeper"), "");

  ASSERT_EQ(::chmod((mine / "deeper").c_str(), 0755), 0);
  EXPECT_NE(PrivateFolderProblem(mine / "deeper").find("open to other users"), std::string::npos);
  EXPECT_FALSE(EnsurePrivateFolder(mine / "deeper", &why));
  fs::create_directory_symlink(mine, dir / "link");
  EXPECT_NE(PrivateFolderProblem(dir / "link").find("symbolic link"), std::string::npos);
  WriteFile(dir / "plain", "");
  EXPECT_NE(PrivateFolderProblem(dir / "plain").find("not a folder"), std::string::npos);
  if (::geteuid() == 0) {
    fs::create_directory(dir / "theirs");
    ASSERT_EQ(::chmod((dir / "theirs").c_str(), 0700), 0);
    ASSERT_EQ(::chown((dir / "theirs").c_str(), 65534, 65534), 0);
    EXPECT_NE(PrivateFolderProblem(dir / "theirs").find("belongs to user 65534"), std::string::npos);
  }

  int pair[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  EXPECT_EQ(LocalPeerUserId(pair[0]), CurrentUserId());
  ::close(pair[0]);
  ::close(pair[1]);
  EXPECT_FALSE(LocalPeerUserId(-1).has_value());
}
#endif

}  // namespace
}  // namespace brisvel::settings
