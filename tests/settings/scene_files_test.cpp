// .cae scene files: the INI text other readers must accept, lenient reading
// of hand-edited files, and writes that keep what else the file holds.
#include "settings/scene_files.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/hex_text.h"
#include "settings/temp_folder.h"

namespace brisvel::scene {
namespace {

class SceneFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = settings::testing::MakeTempFolder("brisvel-scene-");
    ASSERT_FALSE(dir_.empty());
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  static PCModeRecord Sample(const std::string& name) {
    PCModeRecord r;
    r.SetName(name);
    for (size_t i = 0; i < r.block.size(); ++i) r.block[i] = static_cast<uint8_t>(i * 7);
    return r;
  }
  static std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void Put(const std::filesystem::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
  }

  std::filesystem::path dir_;
};

TEST_F(SceneFileTest, WrittenFileIsOneCrLfSectionWithA2542CharacterValue) {
  const auto file = dir_ / "Hall.cae";
  ASSERT_EQ(WriteSceneFile(file, Sample("Hall")), SceneError::kNone);
  const std::string text = Slurp(file);
  const std::string value = EncodeProfileStruct(Sample("Hall").Encode());
  EXPECT_EQ(text, "[CAEConfig]\r\ndata=" + value + "\r\n");
  EXPECT_EQ(value.size(), 2542u);

  const SceneReadResult back = ReadSceneFile(file);
  ASSERT_TRUE(back.record);
  EXPECT_EQ(back.record->Name(), "Hall");
  EXPECT_EQ(back.record->block, Sample("Hall").block);
}

TEST_F(SceneFileTest, ChannelNamesTravelInASectionOfTheirOwn) {
  const auto file = dir_ / "Named.cae";
  PCModeRecord named = Sample("Named");
  named.channelNames = {"Tweeter L", "Tweeter R", "", "", "低音", "Sub"};
  ASSERT_EQ(WriteSceneFile(file, named), SceneError::kNone);
  const std::string text = Slurp(file);
  // The record's section is as a reader of the record alone expects it.
  const std::string value = EncodeProfileStruct(named.Encode());
  EXPECT_EQ(text.rfind("[CAEConfig]\r\ndata=" + value + "\r\n", 0), 0u) << text.substr(0, 40);
  EXPECT_NE(text.find("[ChannelNames]\r\nnames=Tweeter L|Tweeter R|||低音|Sub\r\n"), std::string::npos);
  const SceneReadResult back = ReadSceneFile(file);
  ASSERT_TRUE(back.record);
  EXPECT_EQ(back.record->channelNames, named.channelNames);
  EXPECT_EQ(back.record->block, named.block);

  // A record without names written over the file leaves no stale names.
  ASSERT_EQ(WriteSceneFile(file, Sample("Plain")), SceneError::kNone);
  EXPECT_EQ(ReadSceneFile(file).record->channelNames, ChannelNames{});
  ASSERT_EQ(WriteSceneFile(dir_ / "Plain.cae", Sample("Plain")), SceneError::kNone);
  EXPECT_EQ(Slurp(dir_ / "Plain.cae").find("ChannelNames"), std::string::npos);

  // Each record of a batch file has its own names.
  const auto batch = dir_ / "All.bae";
  PCModeRecord second = Sample("Second");
  second.channelNames = {"", "B", "", "", "", ""};
  ASSERT_EQ(WriteBatchCount(batch, 3), SceneError::kNone);
  ASSERT_EQ(WriteBatchRecord(batch, 0, named), SceneError::kNone);
  ASSERT_EQ(WriteBatchRecord(batch, 1, Sample("Unnamed")), SceneError::kNone);
  ASSERT_EQ(WriteBatchRecord(batch, 2, second), SceneError::kNone);
  const BatchContent all = ParseBatchFile(Slurp(batch));
  ASSERT_EQ(all.records.size(), 3u) << all.error;
  EXPECT_EQ(all.records[0].channelNames, named.channelNames);
  EXPECT_EQ(all.records[1].channelNames, ChannelNames{});
  EXPECT_EQ(all.records[2].channelNames, second.channelNames);
}

TEST_F(SceneFileTest, HandEditedFilesStillRead) {
  std::string value = EncodeProfileStruct(Sample("Club").Encode());
  for (char& c : value) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  // LF line ends, other sections first, blanks and a different letter case in names.
  const std::string text = "; exported\n[Other]\ndata=00\n\n[caeconfig]\n  DATA = " + value + "  \n";
  const auto record = ParseSceneText(text);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->Name(), "Club");
}

TEST_F(SceneFileTest, BrokenRecordsAreRefused) {
  std::string value = EncodeProfileStruct(Sample("X").Encode());
  EXPECT_FALSE(ParseSceneText("[CAEConfig]\r\n"));                                  // no key
  EXPECT_FALSE(ParseSceneText("[Other]\r\ndata=" + value + "\r\n"));               // wrong section
  EXPECT_FALSE(ParseSceneText("[CAEConfig]\r\ndata=" + value.substr(2) + "\r\n"));  // short
  std::string badSum = value;
  badSum.back() = badSum.back() == '0' ? '1' : '0';
  EXPECT_FALSE(ParseSceneText("[CAEConfig]\r\ndata=" + badSum + "\r\n"));
  std::string badDigit = value;
  badDigit[10] = 'G';
  EXPECT_FALSE(ParseSceneText("[CAEConfig]\r\ndata=" + badDigit + "\r\n"));

  const auto file = dir_ / "bad.cae";
  Put(file, "[CAEConfig]\r\ndata=" + badSum + "\r\n");
  EXPECT_EQ(ReadSceneFile(file).error, SceneError::kNotScene);
  EXPECT_EQ(ReadSceneFile(dir_ / "missing.cae").error, SceneError::kUnreadable);
  EXPECT_EQ(ReadSceneFile(dir_).error, SceneError::kUnreadable);  // a folder
  const auto big = dir_ / "big.cae";
  Put(big, std::string(kMaxFileBytes + 1, 'A'));
  EXPECT_EQ(ReadSceneFile(big).error, SceneError::kTooLarge);
}

TEST_F(SceneFileTest, WritingKeepsOtherKeysAndSections) {
  const auto file = dir_ / "keep.cae";
  Put(file, "[Notes]\nauthor=me\n[CAEConfig]\ncomment=kept\ndata=00\n\n[Tail]\nx=1\n");
  ASSERT_EQ(WriteSceneFile(file, Sample("Keep")), SceneError::kNone);
  const std::string text = Slurp(file);
  EXPECT_EQ(ReadProfileValue(text, "Notes", "author"), "me");
  EXPECT_EQ(ReadProfileValue(text, "CAEConfig", "comment"), "kept");
  EXPECT_EQ(ReadProfileValue(text, "Tail", "x"), "1");
  EXPECT_EQ(text.find("data=00"), std::string::npos);
  ASSERT_TRUE(ReadSceneFile(file).record);

  // A key missing from an existing section goes at the end of that section.
  const std::string added = WriteProfileValue("[CAEConfig]\r\na=1\r\n\r\n[B]\r\nb=2\r\n", "CAEConfig", "data", "X");
  EXPECT_EQ(added, "[CAEConfig]\r\na=1\r\ndata=X\r\n\r\n[B]\r\nb=2\r\n");
}

TEST_F(SceneFileTest, AnExistingFileTooLargeToReadIsNotOverwritten) {
  const auto file = dir_ / "huge.cae";
  const std::string content(kMaxFileBytes + 10, 'z');
  Put(file, content);
  EXPECT_EQ(WriteSceneFile(file, Sample("H")), SceneError::kTooLarge);
  EXPECT_EQ(Slurp(file), content);
  EXPECT_EQ(WriteSceneFile(dir_ / "no-such-folder" / "a.cae", Sample("H")), SceneError::kUnwritable);

  // Nor is one that would grow beyond what is read: every file written reads back.
  const std::string near = "[Notes]\r\nfill=" + std::string(kMaxFileBytes - 100, 'n') + "\r\n";
  Put(file, near);
  EXPECT_EQ(WriteSceneFile(file, Sample("H")), SceneError::kTooLarge);
  EXPECT_EQ(Slurp(file), near);
}

}  // namespace
}  // namespace brisvel::scene
