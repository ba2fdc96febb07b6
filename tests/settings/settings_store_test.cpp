// The INI settings store: integer reading rules, name matching, preservation
// of foreign content, the byte-order mark, and saves that never truncate.
#include "settings/settings_store.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include "settings/temp_folder.h"

namespace brisvel::settings {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

size_t FileCount(const std::filesystem::path& folder) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

TEST(ParseIniIntegerTest, DecimalAndHexadecimal) {
  EXPECT_EQ(ParseIniInteger("5"), 5);
  EXPECT_EQ(ParseIniInteger("-20"), -20);
  EXPECT_EQ(ParseIniInteger("+7"), 7);
  EXPECT_EQ(ParseIniInteger("0"), 0);
  EXPECT_EQ(ParseIniInteger("0x1F"), 31);
  EXPECT_EQ(ParseIniInteger("0XfF"), 255);
  EXPECT_EQ(ParseIniInteger("007"), 7);
}

TEST(ParseIniIntegerTest, LeftoversAndEmptyTextAreRefused) {
  for (const char* bad : {"", "-", "+", "0x", "12abc", "1.5", " 5", "5 ", "0x1G", "-0x10", "x10", "--1"}) {
    EXPECT_FALSE(ParseIniInteger(bad)) << '"' << bad << '"';
  }
}

TEST(ParseIniIntegerTest, OutOfRangeIsLimited) {
  EXPECT_EQ(ParseIniInteger("99999999999999999999"), INT32_MAX);
  EXPECT_EQ(ParseIniInteger("-99999999999999999999"), INT32_MIN);
  EXPECT_EQ(ParseIniInteger("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseIniInteger("0xFFFFFFFF"), INT32_MAX);
}

TEST(SettingsStoreTest, ReadsIntegersWithDefaults) {
  SettingsStore s;
  ASSERT_TRUE(s.LoadFromBytes("[Config]\nLang = 5\nEmpty =\nBad = 3x\nHex=0x10\n"));
  EXPECT_EQ(s.ReadInteger("Config", "Lang", 0), 5);
  EXPECT_EQ(s.ReadInteger("Config", "Empty", 9), 9);
  EXPECT_EQ(s.ReadInteger("Config", "Bad", 9), 9);
  EXPECT_EQ(s.ReadInteger("Config", "Hex", 9), 16);
  EXPECT_EQ(s.ReadInteger("Config", "Missing", -4), -4);
  EXPECT_EQ(s.ReadInteger("Other", "Lang", 7), 7);
}

TEST(SettingsStoreTest, NamesIgnoreLetterCaseAndLaterDuplicatesWin) {
  SettingsStore s;
  ASSERT_TRUE(s.LoadFromBytes("[config]\nLANG = 1\nlang = 2\n[CONFIG]\nDelay = AB\n"));
  EXPECT_EQ(s.ReadInteger("Config", "Lang", 0), 2);
  EXPECT_EQ(s.ReadString("Config", "delay"), "AB");
  EXPECT_EQ(s.Sections().size(), 1u);
  s.WriteInteger("CONFIG", "Lang", 3);
  EXPECT_EQ(s.ReadInteger("config", "lang", 0), 3);
  EXPECT_EQ(s.Keys("Config").size(), 2u);
}

TEST(SettingsStoreTest, StringsMayBeAbsentOrEmpty) {
  SettingsStore s;
  ASSERT_TRUE(s.LoadFromBytes("[a]\nempty =\nname = 低音 炮\n"));
  EXPECT_EQ(s.ReadString("a", "empty"), "");
  EXPECT_EQ(s.ReadString("a", "name"), "低音 炮");
  EXPECT_FALSE(s.ReadString("a", "none"));
  EXPECT_FALSE(s.ReadString("b", "name"));
}

TEST(SettingsStoreTest, ByteOrderMarkAcceptedOnReadAndWrittenOnSave) {
  SettingsStore s;
  ASSERT_TRUE(s.LoadFromBytes("\xEF\xBB\xBF[Config]\nLang = 1\n"));
  EXPECT_EQ(s.ReadInteger("Config", "Lang", 0), 1);
  const std::string text = s.ToText();
  ASSERT_GE(text.size(), 3u);
  EXPECT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_NE(text.find("[Config]"), std::string::npos);
  EXPECT_NE(text.find("Lang = 1"), std::string::npos);

  TempFolder dir;
  SettingsStore fresh;
  fresh.WriteInteger("Config", "Lang", 0);
  ASSERT_TRUE(fresh.SaveToPath(dir / "config.ini"));
  EXPECT_EQ(ReadFile(dir / "config.ini").substr(0, 3), "\xEF\xBB\xBF");
}

TEST(SettingsStoreTest, CommentsAndForeignKeysSurviveARewrite) {
  TempFolder dir;
  const auto file = dir / "config.ini";
  WriteFile(file,
            "; written by hand\n[Config]\nLang=0\n; the other tool's key\nOtherTool = keep me\n\n"
            "[Vendor]\nx = 1\n# closing remark\r\n\n");
  SettingsStore s;
  ASSERT_TRUE(s.LoadFromFile(file));
  s.WriteInteger("Config", "Lang", 1);
  ASSERT_TRUE(s.SaveToPath(file));
  const std::string text = ReadFile(file);
  EXPECT_NE(text.find("; written by hand"), std::string::npos);
  EXPECT_NE(text.find("; the other tool's key"), std::string::npos);
  EXPECT_NE(text.find("OtherTool = keep me"), std::string::npos);
  EXPECT_NE(text.find("[Vendor]"), std::string::npos);
  EXPECT_NE(text.find("Lang = 1"), std::string::npos);
  EXPECT_LT(text.find("[Config]"), text.find("[Vendor]"));
  EXPECT_LT(text.find("x = 1"), text.find("# closing remark\n"));
  // A second rewrite neither loses nor repeats the closing comment.
  ASSERT_TRUE(s.LoadFromFile(file));
  ASSERT_TRUE(s.SaveToPath(file));
  const std::string again = ReadFile(file);
  EXPECT_EQ(again.find("# closing remark"), again.rfind("# closing remark"));
  EXPECT_NE(again.find("# closing remark"), std::string::npos);
}

TEST(SettingsStoreTest, LineBreaksInAValueCannotAddKeysOrSections) {
  SettingsStore s;
  s.WriteString("PCModeName", "0", "evil\n[PCMode]\r\nCount = 99");
  SettingsStore back;
  ASSERT_TRUE(back.LoadFromBytes(s.ToText()));
  EXPECT_EQ(back.Sections().size(), 1u);
  EXPECT_EQ(back.ReadString("PCModeName", "0"), "evil [PCMode]  Count = 99");
}

TEST(SettingsStoreTest, DeleteSectionRemovesAllItsKeys) {
  SettingsStore s;
  ASSERT_TRUE(s.LoadFromBytes("[A]\nk=1\n[B]\nk=2\n"));
  EXPECT_TRUE(s.DeleteSection("a"));
  EXPECT_FALSE(s.HasSection("A"));
  EXPECT_FALSE(s.ReadString("A", "k"));
  EXPECT_EQ(s.ReadString("B", "k"), "2");
  EXPECT_FALSE(s.DeleteSection("missing"));
}

TEST(SettingsStoreTest, MissingFileIsAnEmptyStore) {
  TempFolder dir;
  SettingsStore s;
  ASSERT_TRUE(s.LoadFromBytes("[A]\nk=1\n"));
  EXPECT_FALSE(s.LoadFromFile(dir / "none.ini"));
  EXPECT_TRUE(s.Sections().empty());
  EXPECT_FALSE(s.LastError().empty());
}

class AtomicSaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = dir_ / "config.ini";
    WriteFile(file_, kOld);
    ASSERT_TRUE(store_.LoadFromFile(file_));
    store_.WriteString("Config", "Delay", std::string(5000, 'A'));
  }
  static constexpr const char* kOld = "[Config]\nLang = 1\n";
  TempFolder dir_;
  std::filesystem::path file_;
  SettingsStore store_;
};

// File modes and the file-size limit are POSIX's; the Windows replacement has its own tests.
#ifndef _WIN32
TEST_F(AtomicSaveTest, ReplacesTheFileAndKeepsItsPermissions) {
  ASSERT_EQ(::chmod(file_.c_str(), 0600), 0);
  ASSERT_TRUE(store_.SaveToPath(file_)) << store_.LastError();
  SettingsStore back;
  ASSERT_TRUE(back.LoadFromFile(file_));
  EXPECT_EQ(back.ReadString("Config", "Delay")->size(), 5000u);
  struct stat st {};
  ASSERT_EQ(::stat(file_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(FileCount(dir_.path()), 1u);  // no temporary left behind
}

TEST_F(AtomicSaveTest, AFullDiskLeavesTheOldFileWhole) {
  // A file-size limit makes writes fail as a full disk would, even for root.
  struct sigaction ignore {}, previous {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previous), 0);
  rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit small = old;
  small.rlim_cur = 1000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool saved = store_.SaveToPath(file_);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &old), 0);
  ::sigaction(SIGXFSZ, &previous, nullptr);

  EXPECT_FALSE(saved);
  EXPECT_FALSE(store_.LastError().empty());
  EXPECT_EQ(ReadFile(file_), kOld);
  EXPECT_EQ(FileCount(dir_.path()), 1u);
  EXPECT_EQ(store_.ReadString("Config", "Delay")->size(), 5000u);  // the store keeps the change
}
#endif

TEST_F(AtomicSaveTest, AnUnreplaceableTargetIsReportedAndLeftAlone) {
  const auto folderTarget = dir_ / "taken";
  std::filesystem::create_directory(folderTarget);
  WriteFile(folderTarget / "inside", "x");
  EXPECT_FALSE(store_.SaveToPath(folderTarget));
  EXPECT_TRUE(std::filesystem::is_directory(folderTarget));
  EXPECT_EQ(ReadFile(folderTarget / "inside"), "x");
  EXPECT_EQ(FileCount(dir_.path()), 2u);

  EXPECT_FALSE(store_.SaveToPath(dir_ / "no-such-folder" / "config.ini"));
  EXPECT_FALSE(store_.LastError().empty());
  EXPECT_EQ(ReadFile(file_), kOld);
}

#ifndef _WIN32  // symbolic links need a privilege on Windows
TEST_F(AtomicSaveTest, ALinkedFileIsReplacedWhereItLives) {
  const auto link = dir_ / "link.ini";
  std::filesystem::create_symlink(file_, link);
  ASSERT_TRUE(store_.SaveToPath(link)) << store_.LastError();
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_NE(ReadFile(file_).find("Delay = AAAA"), std::string::npos);
}
#endif

}  // namespace
}  // namespace brisvel::settings
