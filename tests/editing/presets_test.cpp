// PC-mode list operations, scene-file import with its duplicate question and
// summary, the next device-mode slot, and the batch workers over a processor
// double that can refuse single steps.
#include "editing/presets.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <set>
#include <sstream>

#include "core/hex_text.h"
#include "settings/scene_files.h"
#include "settings/temp_folder.h"

namespace brisvel::editing {
namespace {

namespace fs = std::filesystem;

EffectBlock Filled(uint8_t v) {
  EffectBlock b{};
  b.fill(v);
  return b;
}

PCModeRecord Record(const std::string& name, uint8_t fill) {
  PCModeRecord r;
  r.SetName(name);
  r.block = Filled(fill);
  return r;
}

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class TempDir {
 public:
  TempDir() {
    path_ = settings::testing::MakeTempFolder("brisvel-presets-");
  }
  ~TempDir() { fs::remove_all(path_); }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// A processor with eight user slots; each step can be made to fail.
class FakePresetLink final : public IPresetLink, public IEffectDeviceLink {
 public:
  explicit FakePresetLink(CEffectStore& store) : store_(store) {
    store_.SetDeviceLink(this);
    store_.SetConnectedFlag(true);
    for (int i = 0; i < 9; ++i) slots[i] = Filled(static_cast<uint8_t>(0x10 + i));
  }
  ~FakePresetLink() override { store_.SetDeviceLink(nullptr); }

  bool HasProtocol() const override { return true; }
  void ScheduleSend() override {}
  bool WriteAllParam() override {
    if (failLoads.count(loads++)) {
      active[0] ^= 0xFF;  // part of the block arrived
      return false;
    }
    active = store_.Block();
    return true;
  }

  bool RecallDeviceMode(int slot) override {
    recalls.push_back(slot);
    if (failRecalls.count(slot)) return false;
    active = slots[slot];
    store_.SetCurrentDeviceMode(slot);
    return true;
  }
  bool ReadCurrentParam() override {
    if (failReadsOf.count(store_.CurrentDeviceMode())) return false;
    store_.ReplaceBlock(active);
    return true;
  }
  bool SaveDeviceMode(int slot) override {
    if (slot < 0 || slot > 7 || failSaves.count(slot)) return false;
    slots[slot] = active;
    saved.push_back(slot);
    return true;
  }
  bool LoadBlock(const EffectBlock& block) override { return store_.LoadBlock(block); }
  bool SendPending() override {
    if (pendingUnsendable) return store_.PendingParams().empty();
    for (const auto& [index, value] : store_.PendingParams()) WriteParam(active, index, store_.GetParam(index));
    store_.ClearPendingParams();
    return true;
  }

  bool pendingUnsendable = false;  // the processor takes no parameter transfer
  std::array<EffectBlock, 9> slots{};
  EffectBlock active{};
  std::vector<int> recalls, saved;
  std::set<int> failRecalls, failReadsOf, failSaves, failLoads;
  int loads = 0;

 private:
  CEffectStore& store_;
};

struct Recorded {
  std::vector<std::pair<BatchMessage, std::string>> messages;
  std::vector<int> progress;
  int waited = 0;
  BatchHooks Hooks() {
    return {[this](int ms) { waited += ms; }, [this](int v) { progress.push_back(v); },
            [this](BatchMessage m, const std::string& d) { messages.emplace_back(m, d); }, nullptr};
  }
};

TEST(PCModeNames, TrimmedCutToTwentyAndComparedWithoutLetterCase) {
  EXPECT_EQ(CleanPCModeName("  Rock  "), "Rock");
  EXPECT_EQ(CleanPCModeName("\r\n\t Jazz Club \t\n"), "Jazz Club");
  EXPECT_EQ(CleanPCModeName("ABCDEFGHIJKLMNOPQRSTUVWXY"), "ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(CleanPCModeName("低音低音低音低音低音低音低音低音低音低音低音"), "低音低音低音低音低音低音低音低音低音低音");
  EXPECT_EQ(CleanPCModeName(" \t \t"), "");
  EXPECT_TRUE(SamePCModeName("Rock", "rOCK"));
  EXPECT_FALSE(SamePCModeName("Rock", "Rocks"));
}

TEST(PCModeList, AddDeleteAndTheConfigFileFollowAtOnce) {
  TempDir dir;
  settings::ConfigIni config(dir.Path() / "config.ini");
  std::vector<PCModeRecord> list;

  EXPECT_EQ(AddPCMode(config, list, " \t ", Filled(1)).status, AddPCModeStatus::kEmptyName);
  auto added = AddPCMode(config, list, "  Rock  ", Filled(1));
  ASSERT_EQ(added.status, AddPCModeStatus::kAdded);
  EXPECT_EQ(added.index, 0);
  EXPECT_TRUE(added.save.saved);
  EXPECT_EQ(AddPCMode(config, list, "ROCK", Filled(2)).status, AddPCModeStatus::kDuplicate);
  EXPECT_EQ(AddPCMode(config, list, "Jazz", Filled(3)).index, 1);

  settings::ConfigIni reread(config.Path());
  reread.Load();
  ASSERT_EQ(reread.LoadPCModes().size(), 2u);
  EXPECT_EQ(reread.LoadPCModes()[0].Name(), "Rock");

  EXPECT_EQ(DeletePCMode(config, list, 5).status, DeletePCModeStatus::kNoSelection);
  EXPECT_EQ(DeletePCMode(config, list, 0).status, DeletePCModeStatus::kDeleted);
  EXPECT_EQ(DeletePCMode(config, list, 0).status, DeletePCModeStatus::kDeleted);
  const std::string text = settings::testing::ReadText(config.Path());
  EXPECT_NE(text.find("[PCMode]\nCount = 0"), std::string::npos);
  EXPECT_EQ(text.find("[PCModeName]"), std::string::npos);
}

TEST(PCModeList, AnUnwritableConfigIsReportedWithFileAndReasonAndTheListKept) {
  TempDir dir;
  // A folder stands where the file would be replaced.
  const fs::path file = dir.Path() / "config.ini";
  fs::create_directory(file);
  settings::ConfigIni config(file);
  std::vector<PCModeRecord> list;
  const auto added = AddPCMode(config, list, "Mine", Filled(4));
  EXPECT_EQ(added.status, AddPCModeStatus::kAdded);
  EXPECT_FALSE(added.save.saved);
  EXPECT_NE(added.save.error.find(file.string()), std::string::npos);
  EXPECT_EQ(list.size(), 1u);
  EXPECT_TRUE(fs::is_directory(file));
}

TEST(PCModeRecall, LoadsTheBlockWithOrWithoutAProcessor) {
  CEffectStore store;
  const std::vector<PCModeRecord> list = {Record("A", 7)};
  store.SetLinkFlags({1, 2, 3, 4});
  EXPECT_EQ(RecallPCMode(store, list, -1), RecallPCModeStatus::kNoSelection);
  EXPECT_EQ(RecallPCMode(store, list, 0), RecallPCModeStatus::kNotConnected);
  EXPECT_EQ(store.Block(), Filled(7));
  EXPECT_EQ(store.LinkFlags(), (std::array<int32_t, 4>{}));

  FakePresetLink link(store);
  EXPECT_EQ(RecallPCMode(store, list, 0), RecallPCModeStatus::kReceived);
  EXPECT_EQ(link.active, Filled(7));
  link.failLoads = {link.loads};
  EXPECT_EQ(RecallPCMode(store, list, 0), RecallPCModeStatus::kSendFailed);
}

TEST(PCModeRecall, ChannelNamesComeWithTheModeUnlessItHasNone) {
  CEffectStore store;
  const ChannelNames console = {"Tw L", "Tw R", "", "", "Sub", ""};
  store.SetNames(console);
  std::vector<PCModeRecord> list = {Record("Old", 1), Record("Named", 2)};
  list[1].channelNames = {"", "", "Mid L", "Mid R", "", ""};
  EXPECT_EQ(RecallPCMode(store, list, 0), RecallPCModeStatus::kNotConnected);
  EXPECT_EQ(store.Names(), console);  // saved before names existed: they stay
  RecallPCMode(store, list, 1);
  EXPECT_EQ(store.Names(), list[1].channelNames);

  TempDir dir;
  settings::ConfigIni config(dir.Path() / "config.ini");
  std::vector<PCModeRecord> saved;
  ASSERT_EQ(AddPCMode(config, saved, "Kept", Filled(3), console).status, AddPCModeStatus::kAdded);
  EXPECT_EQ(config.LoadPCModes().at(0).channelNames, console);
}

TEST(DeviceModes, SaveChecksAndTheNextSlotWalksAndWraps) {
  CEffectStore store;
  EXPECT_EQ(CheckSaveDeviceMode(store, -1), SaveDeviceModeCheck::kNoSelection);
  EXPECT_EQ(CheckSaveDeviceMode(store, kFactorySlot), SaveDeviceModeCheck::kFactory);
  EXPECT_EQ(CheckSaveDeviceMode(store, 2), SaveDeviceModeCheck::kNotConnected);
  FakePresetLink link(store);
  EXPECT_EQ(CheckSaveDeviceMode(store, 2), SaveDeviceModeCheck::kAllowed);

  SetNextDeviceModeSlot(0);
  ASSERT_EQ(SaveDeviceModeAndAdvance(link, 2), SaveDeviceModeResult::kSaved);
  EXPECT_EQ(NextDeviceModeSlot(), 3);
  ASSERT_EQ(SaveDeviceModeAndAdvance(link, 7), SaveDeviceModeResult::kSaved);
  EXPECT_EQ(NextDeviceModeSlot(), 0);
  link.failSaves = {4};
  EXPECT_EQ(SaveDeviceModeAndAdvance(link, 4), SaveDeviceModeResult::kRefused);
  EXPECT_EQ(NextDeviceModeSlot(), 0);
  SetNextDeviceModeSlot(0);
}

TEST(DeviceModes, APendingEditGoesOutBeforeTheSaveOrNothingIsSaved) {
  CEffectStore store;
  FakePresetLink link(store);
  link.active = store.Block();
  store.SetParam(param::kMainVol, 40);  // pending: the processor does not hold it yet
  ASSERT_TRUE(store.HasPendingParams());
  ASSERT_EQ(SaveDeviceModeAndAdvance(link, 1), SaveDeviceModeResult::kSaved);
  EXPECT_EQ(ReadParam(link.slots[1], param::kMainVol), 40);  // the slot has what the window shows

  store.SetParam(param::kMainVol, 30);
  link.pendingUnsendable = true;
  EXPECT_EQ(SaveDeviceModeAndAdvance(link, 3), SaveDeviceModeResult::kChangesNotSent);
  EXPECT_TRUE(link.saved == std::vector<int>({1}));  // slot 4 was not written
  EXPECT_EQ(NextDeviceModeSlot(), 2);
  // The batch export stops before it recalls any mode (which would replace the block).
  Recorded r;
  TempDir dir;
  const BatchResult result = RunBatchExport(store, link, dir.Path() / "all.bae", r.Hooks());
  EXPECT_TRUE(link.recalls.empty());
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0].first, BatchMessage::kExportChangesNotSent);
  EXPECT_FALSE(fs::exists(dir.Path() / "all.bae"));
  EXPECT_EQ(store.GetParam(param::kMainVol), 30);
  EXPECT_FALSE(result.restored);
  SetNextDeviceModeSlot(0);
}

class SceneImportTest : public ::testing::Test {
 protected:
  fs::path Write(const std::string& file, const PCModeRecord& r) {
    const fs::path p = dir_.Path() / file;
    EXPECT_EQ(scene::WriteSceneFile(p, r), scene::SceneError::kNone);
    return p;
  }
  TempDir dir_;
  settings::ConfigIni config_{dir_.Path() / "config.ini"};
};

TEST_F(SceneImportTest, BrokenAndDuplicateFilesAreCountedAndSummarised) {
  std::vector<PCModeRecord> list = {Record("Hall", 1)};
  ASSERT_TRUE(config_.SavePCModes(list));
  const fs::path good = Write("good.cae", Record("Club", 2));
  const fs::path dup = Write("dup.cae", Record("HALL", 3));
  const fs::path broken = dir_.Path() / "broken.cae";
  std::string value = EncodeProfileStruct(Record("X", 4).Encode());
  value.back() = value.back() == '0' ? '1' : '0';
  std::ofstream(broken, std::ios::binary) << "[CAEConfig]\r\ndata=" << value << "\r\n";

  std::vector<std::string> asked;
  SceneImport run(config_, list, [&](const std::string& existing) {
    asked.push_back(existing);
    return DuplicateChoice::kSkip;
  });
  EXPECT_EQ(run.ImportFile(broken, "broken.cae"), -1);
  EXPECT_EQ(run.ImportFile(dup, "dup.cae"), -1);
  EXPECT_EQ(run.ImportFile(good, "good.cae"), 1);
  EXPECT_EQ(run.ImportFile(dup, "dup.cae"), -1);
  EXPECT_EQ(asked, (std::vector<std::string>{"Hall", "Hall"}));  // each duplicate, naming the mode it meets
  EXPECT_EQ(run.Added(), 1);
  EXPECT_EQ(list.size(), 2u);
  EXPECT_EQ(ImportSummary(run, nullptr),
            "1 scene files imported successfully.\n1 scene file reads failed:broken.cae \n"
            "2 scenes have already existed：dup.cae dup.cae ");
  EXPECT_EQ(ImportSummary(run, [](const char* s) { return std::string(s) == kImportAddedLine ? "%d个\n" : s; })
                .substr(0, 6),
            "1个\n1");
}

TEST_F(SceneImportTest, EachDuplicateIsReplacedKeptBesideOrSkippedAsAnswered) {
  std::vector<PCModeRecord> list = {Record("Hall", 1), Record("Rock", 2)};
  ASSERT_TRUE(config_.SavePCModes(list));
  const fs::path a = Write("a.cae", Record("hall", 3));
  const fs::path rock = Write("rock.cae", Record("ROCK", 4));
  // Block texts written in lower case are read as well.
  const fs::path lower = dir_.Path() / "lower.cae";
  std::string value = EncodeProfileStruct(Record("Rock", 5).Encode());
  for (char& c : value) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::ofstream(lower, std::ios::binary) << "[CAEConfig]\r\ndata=" << value << "\r\n";

  std::vector<DuplicateChoice> answers = {DuplicateChoice::kReplace, DuplicateChoice::kKeepBoth,
                                          DuplicateChoice::kKeepBoth, DuplicateChoice::kSkip};
  SceneImport run(config_, list, [&](const std::string&) {
    const DuplicateChoice next = answers.front();
    answers.erase(answers.begin());
    return next;
  });
  EXPECT_EQ(run.ImportFile(a, "a.cae"), 0);  // Hall replaced in its place, under the file's name
  EXPECT_EQ(run.ImportFile(rock, "rock.cae"), 2);
  EXPECT_EQ(run.ImportFile(lower, "lower.cae"), 3);
  EXPECT_EQ(run.ImportFile(rock, "rock.cae"), -1);
  EXPECT_TRUE(answers.empty());
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].Name(), "hall");
  EXPECT_EQ(list[0].block, Filled(3));
  EXPECT_EQ(list[1].block, Filled(2));
  EXPECT_EQ(list[2].Name(), "ROCK (2)");
  EXPECT_EQ(list[3].Name(), "Rock (3)");
  EXPECT_EQ(list[3].block, Filled(5));
  EXPECT_EQ(run.Added(), 3);
  EXPECT_EQ(run.Existing(), (std::vector<std::string>{"rock.cae"}));
  settings::ConfigIni reread(config_.Path());
  reread.Load();
  EXPECT_EQ(reread.LoadPCModes().size(), 4u);
}

TEST_F(SceneImportTest, AModeTheOtherProgramRemovedOrAddedMeanwhileLosesNothing) {
  std::vector<PCModeRecord> list = {Record("Hall", 1)};
  ASSERT_TRUE(config_.SavePCModes(list));
  const fs::path hall = Write("hall.cae", Record("Hall", 2));
  // While the question is open, brisvelctl deletes Hall: "replace" adds the scene.
  SceneImport run(config_, list, [&](const std::string&) {
    settings::ConfigIni other(config_.Path());
    other.Load();
    EXPECT_TRUE(other.SavePCModes({}));
    return DuplicateChoice::kReplace;
  });
  EXPECT_EQ(run.ImportFile(hall, "hall.cae"), 0);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].block, Filled(2));

  // A mode of the name that came after the file was read is kept beside it.
  std::vector<PCModeRecord> modes = {Record("Club", 1)};
  EXPECT_EQ(PlacePCMode(modes, Record("club", 2), DuplicateChoice::kKeepBoth), 1);
  EXPECT_EQ(modes[1].Name(), "club (2)");
  EXPECT_EQ(PlacePCMode(modes, Record("Club", 3), DuplicateChoice::kAddAsIs), 2);
  EXPECT_EQ(modes[2].Name(), "Club");
  EXPECT_EQ(PlacePCMode(modes, Record("Club", 4), DuplicateChoice::kSkip), -1);
  EXPECT_EQ(modes.size(), 3u);
}

TEST(PCModeNames, AKeptNameTakesTheNextFreeNumberWithinTheNameLength) {
  const std::vector<PCModeRecord> list = {Record("Rock", 1), Record("rock (2)", 2), Record("Jazz (2)", 3)};
  EXPECT_EQ(FreePCModeName(list, "Rock"), "Rock (3)");
  EXPECT_EQ(FreePCModeName(list, "Rock (2)"), "Rock (3)");  // not "Rock (2) (2)"
  EXPECT_EQ(FreePCModeName(list, "Jazz"), "Jazz (3)");
  EXPECT_EQ(FreePCModeName(list, "Pop (x)"), "Pop (x) (2)");
  // Twenty characters at most: the name gives way to the number, never inside a character.
  EXPECT_EQ(FreePCModeName(list, "ABCDEFGHIJKLMNOPQRST"), "ABCDEFGHIJKLMNOP (2)");
  EXPECT_EQ(FreePCModeName(list, "低音低音低音低音低音低音低音低音低音低音"), "低音低音低音低音低音低音低音低音 (2)");
  EXPECT_EQ(FreePCModeName(list, "ABCDEFGHIJKLMNO QRST"), "ABCDEFGHIJKLMNO (2)");  // no blank before the number
}

class BatchTest : public ::testing::Test {
 protected:
  TempDir dir_;
  fs::path file_ = dir_.Path() / "all.bae";
  CEffectStore store_;
  FakePresetLink link_{store_};
  Recorded rec_;
};

TEST_F(BatchTest, ExportWritesEightNamedRecordsKeepsOtherKeysAndRestoresTheMode) {
  std::ofstream(file_, std::ios::binary) << "[Notes]\r\nby=me\r\n[CAEConfig]\r\nextra=1\r\n";
  store_.SetCurrentDeviceMode(2);
  const BatchResult r = RunBatchExport(store_, link_, file_, rec_.Hooks());
  EXPECT_TRUE(r.completed);
  EXPECT_TRUE(r.restored);
  const std::string text = Slurp(file_);
  EXPECT_EQ(scene::ParseBatchCount(text), 8);
  EXPECT_NE(text.find("count=0800000008\r\n"), std::string::npos);
  for (int i = 0; i < 8; ++i) {
    const auto record = scene::ParseBatchRecord(text, i);
    ASSERT_TRUE(record) << i;
    EXPECT_EQ(record->Name(), std::to_string(i));
    EXPECT_EQ(record->block, Filled(static_cast<uint8_t>(0x10 + i)));
  }
  EXPECT_EQ(scene::ReadProfileValue(text, "Notes", "by"), "me");
  EXPECT_EQ(scene::ReadProfileValue(text, "CAEConfig", "extra"), "1");
  EXPECT_EQ(link_.recalls.back(), 2);
  EXPECT_EQ(store_.Block(), Filled(0x12));
  EXPECT_EQ(rec_.progress, (std::vector<int>{0, 15, 30, 45, 60, 75, 90, 105}));
  EXPECT_EQ(rec_.waited, 8 * (800 + 200) + 500);
  ASSERT_EQ(rec_.messages.size(), 1u);
  EXPECT_EQ(rec_.messages[0].first, BatchMessage::kExportSucceeded);
}

TEST_F(BatchTest, ExportSkipsSlotsItCannotReadAndNeverReportsSuccessThen) {
  store_.SetCurrentDeviceMode(0);
  link_.failRecalls = {3};
  link_.failReadsOf = {5};
  const BatchResult r = RunBatchExport(store_, link_, file_, rec_.Hooks());
  EXPECT_FALSE(r.completed);
  EXPECT_TRUE(r.restored);
  const std::string text = Slurp(file_);
  EXPECT_FALSE(scene::ParseBatchRecord(text, 3));
  EXPECT_FALSE(scene::ParseBatchRecord(text, 5));  // the stale block of slot 4 is not stored as 5
  EXPECT_EQ(scene::ParseBatchRecord(text, 6)->block, Filled(0x16));
  ASSERT_EQ(rec_.messages.size(), 3u);
  EXPECT_EQ(rec_.messages[0].first, BatchMessage::kExportFailed);
  EXPECT_EQ(rec_.messages[2].first, BatchMessage::kExportFailedNoOwner);
  EXPECT_EQ(rec_.progress.back(), 105);

  // Without a known mode to return to the run ends with the failure, unowned.
  Recorded again;
  store_.SetCurrentDeviceMode(-1);
  link_.failRecalls.clear();
  link_.failReadsOf.clear();
  EXPECT_FALSE(RunBatchExport(store_, link_, file_, again.Hooks()).restored);
  EXPECT_EQ(again.messages.back().first, BatchMessage::kExportFailedNoOwner);
}

TEST_F(BatchTest, ExportIntoAnUnwritablePlaceStopsAtOnce) {
  const BatchResult r = RunBatchExport(store_, link_, dir_.Path() / "no-such" / "x.bae", rec_.Hooks());
  EXPECT_FALSE(r.completed);
  ASSERT_EQ(rec_.messages.size(), 1u);
  EXPECT_EQ(rec_.messages[0].first, BatchMessage::kExportWriteFailed);
  EXPECT_TRUE(link_.recalls.empty());
}

TEST_F(BatchTest, ImportRoundTripsAndAFileThatIsNotWholeWritesNothing) {
  store_.SetCurrentDeviceMode(0);
  ASSERT_TRUE(RunBatchExport(store_, link_, file_, rec_.Hooks()).completed);
  for (auto& s : link_.slots) s = Filled(0);

  Recorded imp;
  const BatchResult r = RunBatchImport(store_, link_, file_, imp.Hooks());
  EXPECT_TRUE(r.completed);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(link_.slots[i], Filled(static_cast<uint8_t>(0x10 + i))) << i;
  EXPECT_EQ(imp.waited, 8 * (1000 + 200) + 100);
  EXPECT_EQ(imp.messages.back().first, BatchMessage::kImportSucceeded);

  // A damaged fourth record, a count of 9 (with a ninth record), 0 and -1:
  // found before anything reaches the processor.
  const std::string whole = Slurp(file_);
  std::string damaged = whole;
  const size_t at = damaged.find("data 3=") + 100;
  damaged[at] = damaged[at] == '0' ? '1' : '0';
  struct Case {
    std::string text;
    const char* why;
  };
  std::vector<Case> cases = {{damaged, "data 3"}};
  for (const int count : {9, 0, -1}) {
    std::ofstream(file_, std::ios::binary) << whole;
    ASSERT_EQ(scene::WriteBatchCount(file_, count), scene::SceneError::kNone);
    ASSERT_EQ(scene::WriteBatchRecord(file_, 8, Record("8", 0x77)), scene::SceneError::kNone);
    cases.push_back({Slurp(file_), "not 1 to 8"});
  }
  for (const Case& c : cases) {
    std::ofstream(file_, std::ios::binary) << c.text;
    const EffectBlock before = store_.Block();
    link_.saved.clear();
    link_.loads = 0;
    Recorded bad;
    const BatchResult refused = RunBatchImport(store_, link_, file_, bad.Hooks());
    EXPECT_FALSE(refused.completed) << c.why;
    EXPECT_TRUE(link_.saved.empty()) << c.why;
    EXPECT_EQ(link_.loads, 0) << c.why;  // the active block was not touched either
    EXPECT_EQ(store_.Block(), before) << c.why;
    ASSERT_EQ(bad.messages.size(), 1u) << c.why;
    EXPECT_EQ(bad.messages[0].first, BatchMessage::kImportFailed);
    EXPECT_NE(bad.messages[0].second.find(c.why), std::string::npos) << bad.messages[0].second;
    EXPECT_NE(bad.messages[0].second.find("nothing was written"), std::string::npos) << bad.messages[0].second;
  }
}

TEST_F(BatchTest, ImportStopsBeforeSavingABlockThatDidNotArrive) {
  store_.SetCurrentDeviceMode(0);
  ASSERT_TRUE(RunBatchExport(store_, link_, file_, rec_.Hooks()).completed);
  for (auto& s : link_.slots) s = Filled(0);
  link_.failLoads = {link_.loads + 3};
  link_.saved.clear();
  Recorded imp;
  EXPECT_FALSE(RunBatchImport(store_, link_, file_, imp.Hooks()).completed);
  EXPECT_EQ(link_.saved, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(link_.slots[3], Filled(0));
  EXPECT_EQ(imp.messages.back().first, BatchMessage::kImportFailed);
  // The failure says which device modes the processor now holds from the file.
  EXPECT_NE(imp.messages.back().second.find("device modes 1 to 3 were written"), std::string::npos)
      << imp.messages.back().second;

  // Unreadable files and a missing count end with the failure too.
  Recorded missing;
  EXPECT_FALSE(RunBatchImport(store_, link_, dir_.Path() / "none.bae", missing.Hooks()).completed);
  EXPECT_EQ(missing.messages.back().first, BatchMessage::kImportFailed);
  const fs::path noCount = dir_.Path() / "nocount.bae";
  std::ofstream(noCount, std::ios::binary) << "[CAEConfig]\r\ncount=08000000FF\r\n";
  Recorded bad;
  EXPECT_FALSE(RunBatchImport(store_, link_, noCount, bad.Hooks()).completed);
  EXPECT_NE(bad.messages.back().second.find("count"), std::string::npos);
}

}  // namespace
}  // namespace brisvel::editing
