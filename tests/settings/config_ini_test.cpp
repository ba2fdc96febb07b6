// config.ini: language, the stored car geometry and the PC-mode sections as
// they go through the file and back.
#include "settings/config_ini.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "core/hex_text.h"
#include "settings/settings_keys.h"
#include "settings/temp_folder.h"

namespace brisvel::settings {
namespace {

using testing::ReadFile;
using testing::ReadText;
using testing::TempFolder;
using testing::WriteFile;

PCModeRecord Mode(const std::string& name, uint8_t fill) {
  PCModeRecord r;
  r.SetName(name);
  for (size_t i = 0; i < r.block.size(); ++i) r.block[i] = static_cast<uint8_t>(fill + i);
  return r;
}

std::string BlockText(uint8_t fill) { return EncodeHexWithCheck(Mode("", fill).block); }

class ConfigIniTest : public ::testing::Test {
 protected:
  ConfigIni Open() {
    ConfigIni c(ConfigPath(dir_.path()));
    c.Load();
    return c;
  }
  std::filesystem::path File() const { return ConfigPath(dir_.path()); }
  TempFolder dir_;
};

TEST_F(ConfigIniTest, LanguageReadsAnyValueAndWritesBack) {
  WriteFile(File(), "[Config]\nLang = 5\nForeign = yes\n");
  ConfigIni c = Open();
  EXPECT_EQ(c.Lang(), 5);
  ASSERT_TRUE(c.SetLang(0));
  const std::string text = ReadFile(File());
  EXPECT_NE(text.find("Lang = 0"), std::string::npos);
  EXPECT_NE(text.find("Foreign = yes"), std::string::npos);
  EXPECT_EQ(Open().Lang(), 0);
}

TEST_F(ConfigIniTest, MissingFileGivesDefaults) {
  ConfigIni c = Open();
  EXPECT_EQ(c.Lang(), 0);
  EXPECT_EQ(c.CarDelay().Encode(), CarDelaySettings::Default().Encode());
  EXPECT_TRUE(c.LoadPCModes().empty());
}

TEST_F(ConfigIniTest, CarDelayRoundTripsThroughTheFile) {
  CarDelaySettings r = CarDelaySettings::Default();
  r.listener = {700, 1200};
  r.speakers[3] = {1825, 10};
  r.delays[2] = 123.456;
  r.positionsValid = 1;
  ASSERT_TRUE(Open().SetCarDelay(r));
  const std::string text = ReadFile(File());
  EXPECT_NE(text.find("Delay = " + EncodeCarDelayText(r)), std::string::npos);
  EXPECT_EQ(Open().CarDelay().Encode(), r.Encode());
}

TEST_F(ConfigIniTest, LowerCaseDelayGivesTheDefaultRecord) {
  CarDelaySettings r = CarDelaySettings::Default();
  r.carWidth = 1700;
  std::string text = EncodeCarDelayText(r);
  std::transform(text.begin(), text.end(), text.begin(), [](char c) { return std::tolower(c); });
  WriteFile(File(), "[Config]\nDelay = " + text + "\n");
  EXPECT_EQ(Open().CarDelay().Encode(), CarDelaySettings::Default().Encode());
}

TEST_F(ConfigIniTest, PCModesRoundTripWithChineseNames) {
  const std::vector<PCModeRecord> list = {Mode("我的低音", 1), Mode("Rock", 2), Mode("", 3)};
  ASSERT_TRUE(Open().SavePCModes(list));
  const std::string text = ReadFile(File());
  EXPECT_NE(text.find("0 = 我的低音"), std::string::npos);
  const auto back = Open().LoadPCModes();
  ASSERT_EQ(back.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(back[i].Name(), list[i].Name());
    EXPECT_EQ(back[i].Encode(), list[i].Encode()) << i;
  }
}

TEST_F(ConfigIniTest, PCModeSectionsComeLastCountFirst) {
  WriteFile(File(), "[PCMode]\nCount = 0\n[Zeta]\nz = 1\n[Config]\nLang = 1\n");
  ConfigIni c = Open();
  ASSERT_TRUE(c.SavePCModes(std::vector<PCModeRecord>{Mode("a", 1), Mode("b", 2)}));
  const std::string text = ReadText(File());
  const size_t zeta = text.find("[Zeta]"), config = text.find("[Config]");
  const size_t pc = text.find("[PCMode]"), names = text.find("[PCModeName]");
  ASSERT_NE(names, std::string::npos);
  EXPECT_LT(zeta, config);
  EXPECT_LT(config, pc);
  EXPECT_LT(pc, names);
  EXPECT_EQ(text.substr(pc, 23), "[PCMode]\nCount = 2\n0 = ");
  EXPECT_LT(text.find("\n1 = ", pc), names);
}

TEST_F(ConfigIniTest, ASectionAddedLaterStillPrecedesThePCModes) {
  ConfigIni c = Open();
  ASSERT_TRUE(c.SavePCModes(std::vector<PCModeRecord>{Mode("a", 1)}));
  ASSERT_TRUE(c.SetLang(1));  // creates [Config] after the PC-mode sections
  const std::string text = ReadFile(File());
  EXPECT_LT(text.find("[Config]"), text.find("[PCMode]"));
  EXPECT_LT(text.find("[PCMode]"), text.find("[PCModeName]"));
  const auto back = Open().LoadPCModes();
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].Encode(), Mode("a", 1).Encode());
}

// Every kind of entry the reader cannot take: named to the caller, and kept
// in the file, texts unchanged, when the PC modes are saved.
TEST_F(ConfigIniTest, EntriesThatCannotBeReadAreKeptAndNamed) {
  const std::string good = BlockText(10), other = BlockText(30);
  std::string lower = BlockText(20);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return std::tolower(c); });
  std::string digit = other;
  digit[100] = digit[100] == 'A' ? 'B' : 'A';
  std::string check = other;
  check.back() = check.back() == '0' ? '1' : '0';
  const std::string shortened = other.substr(0, other.size() - 3);
  struct Case {
    const char* what;
    std::string text;       // the PC-mode sections
    std::string kept;       // a text of the bad entry that must survive a save
    const char* reason;     // part of what the reader says
    size_t readableAfter;   // readable modes after adding one and reading again
  };
  auto two = [&](const std::string& second, const std::string& count = "Count = 2\n") {
    return "[PCMode]\n" + count + "0 = " + good + "\n1 = " + second + "\n[PCModeName]\n0 = first\n1 = second\n";
  };
  const Case cases[] = {
      {"one wrong digit", two(digit), digit, "check byte", 2},
      {"a wrong check byte", two(check), check, "check byte", 2},
      {"a shortened value", two(shortened), shortened, "odd number", 2},
      {"lower-case digits", two(lower), lower, "lower-case", 2},
      {"no Count", two(other, ""), other, "no Count", 3},
      {"a bad Count", two(other, "Count = many\n"), other, "not a count", 3},
      {"a key beyond Count", two(other, "Count = 1\n"), other, "beyond", 3},
      {"no name", "[PCMode]\nCount = 2\n0 = " + good + "\n1 = " + other + "\n[PCModeName]\n0 = first\n", other,
       "no name", 2},
      {"a key written 01", "[PCMode]\nCount = 2\n0 = " + good + "\n01 = " + other +
                               "\n[PCModeName]\n0 = first\n01 = second\n", other, "plain index", 2},
      {"a key written twice", "[PCMode]\nCount = 2\n0 = " + good + "\n1 = " + other + "\n1 = " + lower +
                                  "\n[PCModeName]\n0 = first\n1 = second\n", lower, "more than once", 3},
      // [PCMode]'s Count is no block of it: the count is written once.
      {"a name keyed Count", two(other) + "Count = stray\n", "Count = stray", "plain index", 3},
  };
  for (const Case& c : cases) {
    WriteFile(File(), "[Config]\nLang = 1\n" + c.text);
    ConfigIni config = Open();
    const PCModeSections read = config.ReadPCModes();
    ASSERT_FALSE(read.unreadable.empty()) << c.what;
    const std::string said = read.unreadable.front().Describe();
    EXPECT_NE(said.find(c.reason), std::string::npos) << c.what << ": " << said;
    EXPECT_NE(said.find("key "), std::string::npos) << said;

    std::vector<PCModeRecord> list;
    ASSERT_EQ(config.AppendPCMode(Mode("added", 7), list), static_cast<int>(read.readable.size())) << c.what;
    const std::string saved = ReadFile(File());
    EXPECT_NE(saved.find(c.kept), std::string::npos) << c.what << "\n" << saved;
    EXPECT_NE(saved.find("Lang = 1"), std::string::npos) << c.what;
    const PCModeSections again = Open().ReadPCModes();
    EXPECT_EQ(again.readable.size(), c.readableAfter) << c.what << "\n" << saved;
    EXPECT_EQ(again.readable.size() + again.unreadable.size(), read.readable.size() + 1 + read.unreadable.size() +
                                                                   (std::string(c.what) == "a key written twice"))
        << c.what << "\n" << saved;
    ASSERT_GT(again.readable.size(), read.readable.size()) << c.what;
    EXPECT_EQ(saved.find("Count = ", saved.find("Count = ") + 1), saved.find("Count = stray")) << c.what << "\n" << saved;
    EXPECT_EQ(again.readable[read.readable.size()].Name(), "added") << c.what;  // after the ones read before
    EXPECT_EQ(again.readable[read.readable.empty() ? 1 : 0].Name(), "first") << c.what;
  }
}

TEST_F(ConfigIniTest, EntryWithoutANameIsSkipped) {
  WriteFile(File(), "[PCMode]\nCount = 2\n0 = " + BlockText(1) + "\n1 = " + BlockText(2) +
                        "\n[PCModeName]\n1 = only\n");
  const auto list = Open().LoadPCModes();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].Name(), "only");
}

TEST_F(ConfigIniTest, ShortBlockTextLeavesTheRestZeroForEachEntry) {
  const std::vector<uint8_t> head = {9, 8, 7};
  WriteFile(File(), "[PCMode]\nCount = 2\n0 = " + BlockText(50) + "\n1 = " + EncodeHexWithCheck(head) +
                        "\n[PCModeName]\n0 = full\n1 = short\n");
  const auto list = Open().LoadPCModes();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].block[0], 9);
  EXPECT_EQ(list[1].block[2], 7);
  EXPECT_TRUE(std::all_of(list[1].block.begin() + 3, list[1].block.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(ConfigIniTest, CountLimitsTheEntriesAndHugeCountsAreCheap) {
  WriteFile(File(), "[PCMode]\nCount = 1\n0 = " + BlockText(1) + "\n1 = " + BlockText(2) +
                        "\n[PCModeName]\n0 = a\n1 = b\n");
  EXPECT_EQ(Open().LoadPCModes().size(), 1u);
  WriteFile(File(), "[PCMode]\nCount = 2147483647\n7 = " + BlockText(1) + "\n[PCModeName]\n7 = x\n");
  EXPECT_EQ(Open().LoadPCModes().size(), 1u);
  WriteFile(File(), "[PCMode]\nCount = -3\n0 = " + BlockText(1) + "\n[PCModeName]\n0 = x\n");
  EXPECT_TRUE(Open().LoadPCModes().empty());
}

TEST_F(ConfigIniTest, LongNamesAreCutToTheField) {
  WriteFile(File(), "[PCMode]\nCount = 1\n0 = " + BlockText(1) + "\n[PCModeName]\n0 = " + std::string(40, 'n') + "\n");
  const auto list = Open().LoadPCModes();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].Name(), std::string(31, 'n'));

  // A cut that ends in blanks: the name is held as the saved file reads back,
  // so the first save changes nothing.
  WriteFile(File(), "[PCMode]\nCount = 1\n0 = " + BlockText(1) + "\n[PCModeName]\n0 = " + std::string(29, 'n') +
                        "  \tx\n");
  ConfigIni config = Open();
  const auto cut = config.LoadPCModes();
  ASSERT_EQ(cut.size(), 1u);
  EXPECT_EQ(cut[0].Name(), std::string(29, 'n'));
  std::vector<PCModeRecord> list2;
  ASSERT_EQ(config.AppendPCMode(Mode("added", 7), list2), 1);
  const auto again = Open().LoadPCModes();
  ASSERT_EQ(again.size(), 2u);
  EXPECT_EQ(again[0].nameBytes, cut[0].nameBytes);
}

TEST_F(ConfigIniTest, ChannelNamesAreKeptForTheConsoleAndWithEachPCMode) {
  WriteFile(File(), "[Config]\nLang = 1\n");
  ConfigIni c = Open();
  EXPECT_EQ(c.ChannelNames(), ChannelNames{});
  const ChannelNames console = {"Tweeter L", "Tweeter R", "Mid L", "Mid R", "Sub", "左声道"};
  ASSERT_TRUE(c.SetChannelNames(console));
  EXPECT_EQ(Open().ChannelNames(), console);
  EXPECT_NE(ReadText(File()).find("ChannelNames = Tweeter L|Tweeter R|Mid L|Mid R|Sub|左声道"), std::string::npos);

  // Names go with their mode when the list is renumbered; a mode without
  // names writes nothing for them.
  PCModeRecord rock = Mode("Rock", 1), jazz = Mode("Jazz", 2), plain = Mode("Plain", 3);
  rock.channelNames = {"R1", "", "", "", "", "Rsub"};
  jazz.channelNames = {"J1", "J2", "", "", "", ""};
  ASSERT_TRUE(c.SavePCModes(std::vector<PCModeRecord>{rock, plain, jazz}));
  std::string text = ReadText(File());
  EXPECT_NE(text.find("[PCModeChannels]\n0 = R1|||||Rsub\n2 = J1|J2||||\n"), std::string::npos) << text;
  ASSERT_TRUE(c.ChangePCModes([](std::vector<PCModeRecord>& modes) {
    modes.erase(modes.begin());
    return true;
  }));
  const auto back = Open().LoadPCModes();
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].channelNames, ChannelNames{});
  EXPECT_EQ(back[1].Name(), "Jazz");
  EXPECT_EQ(back[1].channelNames, jazz.channelNames);
  EXPECT_EQ(Open().ChannelNames(), console);  // the console's own names stay

  // An entry that cannot be read keeps its names through a save.
  const std::string broken = BlockText(9).substr(0, 40);
  WriteFile(File(), "[PCMode]\nCount = 2\n0 = " + BlockText(1) + "\n1 = " + broken +
                        "\n[PCModeName]\n0 = good\n1 = broken\n[PCModeChannels]\n1 = B1||||B5|\n");
  ConfigIni kept = Open();
  std::vector<PCModeRecord> list;
  ASSERT_GE(kept.AppendPCMode(rock, list), 0);
  text = ReadText(File());
  EXPECT_NE(text.find(broken), std::string::npos) << text;
  EXPECT_NE(text.find("= B1||||B5|"), std::string::npos) << text;
  const PCModeSections again = Open().ReadPCModes();
  ASSERT_EQ(again.unreadable.size(), 1u);
  EXPECT_EQ(again.unreadable.front().channels, std::vector<std::string>{"B1||||B5|"});
  EXPECT_EQ(again.readable.back().channelNames, rock.channelNames);
}

TEST_F(ConfigIniTest, CrossoverPresetsAreChangedAsTheFileHoldsThemNow) {
  WriteFile(File(), "[Config]\nLang = 1\n[CrossoverPresets]\n0 = HP,2,3,63\n1 = junk\n2 = LP,0,1,2000\n3 = HP,2,3,63\n");
  ConfigIni mine = Open();
  EXPECT_EQ(mine.CrossoverPresets(), (std::vector<CrossoverPreset>{{true, 2, 3, 63}, {false, 0, 1, 2000}}));
  // Another console adds one; this one adds its own: both are kept.
  ConfigIni other = Open();
  ASSERT_TRUE(other.ChangeCrossoverPresets([](std::vector<CrossoverPreset>& p) {
    p.push_back({true, 1, 2, 45});
    return true;
  }));
  ASSERT_TRUE(mine.ChangeCrossoverPresets([](std::vector<CrossoverPreset>& p) {
    p.push_back({false, 2, 3, 3000});
    return true;
  }));
  EXPECT_EQ(Open().CrossoverPresets().size(), 4u);
  EXPECT_NE(ReadText(File()).find("Lang = 1"), std::string::npos);
}

TEST_F(ConfigIniTest, DeletingTheOnlyModeLeavesCountZero) {
  ConfigIni c = Open();
  std::vector<PCModeRecord> list;
  EXPECT_EQ(c.AppendPCMode(Mode("x", 1), list), 0);
  EXPECT_EQ(c.AppendPCMode(Mode("y", 2), list), 1);
  EXPECT_EQ(Open().LoadPCModes().size(), 2u);
  list.clear();
  ASSERT_TRUE(c.SavePCModes(list));
  const std::string text = ReadText(File());
  EXPECT_NE(text.find("[PCMode]\nCount = 0\n"), std::string::npos);
  EXPECT_EQ(text.find("[PCModeName]"), std::string::npos);
  EXPECT_EQ(text.find("0 = "), std::string::npos);
}

TEST_F(ConfigIniTest, DialogFoldersAreKeptPerKindAndAFolderThatIsGoneGivesHome) {
  const std::filesystem::path home = dir_.path() / "home", scenes = dir_.path() / "scènes & co", gone = dir_.path() / "gone";
  std::filesystem::create_directories(home);
  std::filesystem::create_directories(scenes);
  std::filesystem::create_directories(gone);
  ConfigIni c = Open();
  for (const char* kind : kFolderKinds) EXPECT_EQ(c.DialogFolder(kind, home), home) << kind;
  ASSERT_TRUE(c.SetDialogFolder(kFolderScene, scenes));
  ASSERT_TRUE(c.SetDialogFolder(kFolderFilters, gone));
  // Another writer keeps its own kind beside these.
  ASSERT_TRUE(Open().SetDialogFolder(kFolderMeasurement, home));
  ConfigIni back = Open();
  EXPECT_EQ(back.DialogFolder(kFolderScene, home), scenes);
  EXPECT_EQ(back.DialogFolder(kFolderMeasurement, home), home);
  EXPECT_EQ(back.DialogFolder(kFolderReport, home), home);
  std::filesystem::remove(gone);
  EXPECT_EQ(back.DialogFolder(kFolderFilters, home), home);
  // Neither a name with a line break nor a relative path is taken as a folder.
  EXPECT_FALSE(c.SetDialogFolder(kFolderScene, dir_.path() / "a\nb"));
  WriteFile(File(), "[Folders]\nscene = relative/dir\n");
  EXPECT_EQ(Open().DialogFolder(kFolderScene, home), home);
}

TEST_F(ConfigIniTest, RecentScenesKeepTheLatestEightOnceEachAcrossWriters) {
  ConfigIni c = Open();
  EXPECT_TRUE(c.RecentScenes().empty());
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(c.AddRecentScene("/scenes/" + std::to_string(i) + ".cae"));
  ASSERT_TRUE(c.AddRecentScene("/scenes/5.cae"));  // again: moves to the front
  ConfigIni other = Open();
  ASSERT_TRUE(other.AddRecentScene("/elsewhere/x.cae"));
  ASSERT_TRUE(c.AddRecentScene("/scenes/9.cae"));  // made on what the file holds, x.cae stays
  std::vector<std::string> files;
  for (const auto& f : Open().RecentScenes()) files.push_back(f.string());
  EXPECT_EQ(files, (std::vector<std::string>{"/scenes/9.cae", "/elsewhere/x.cae", "/scenes/5.cae", "/scenes/8.cae",
                                             "/scenes/7.cae", "/scenes/6.cae", "/scenes/4.cae", "/scenes/3.cae"}));
}

TEST_F(ConfigIniTest, FailedSaveKeepsTheOldFile) {
  WriteFile(File(), "[Config]\nLang = 1\n");
  ConfigIni c = Open();
  std::filesystem::remove(File());
  std::filesystem::create_directory(File());  // the target cannot be replaced
  EXPECT_FALSE(c.SetLang(0));
  EXPECT_FALSE(c.Store().LastError().empty());
  EXPECT_EQ(c.Lang(), 0);  // the change stays in memory
  EXPECT_TRUE(std::filesystem::is_directory(File()));
}

}  // namespace
}  // namespace brisvel::settings
