// The installer's files beside the executable: tuning data with per-key
// defaults, and the optional frequency-caption layout fragment.
#include <gtest/gtest.h>

#include "settings/cae_data.h"
#include "settings/freq_style.h"
#include "settings/temp_folder.h"

namespace brisvel::settings {
namespace {

using testing::TempFolder;
using testing::WriteFile;

TEST(CaeDataTest, MissingFileGivesAllDefaults) {
  TempFolder dir;
  const CaeData d = LoadCaeData(dir / kCaeDataFileName);
  EXPECT_EQ(d.scale, 0.0);
  EXPECT_FALSE(d.CompensationOn());
  EXPECT_EQ(d.maxVol, 20);
  EXPECT_EQ(d.minVol, -20);
  EXPECT_EQ(d.GainGridStep(), 10);
  EXPECT_EQ(d.showFreqId, 1);
  EXPECT_EQ(d.id1, 0);
  EXPECT_EQ(d.id2, 0);
  EXPECT_EQ(d.alertEnable, 0);
  EXPECT_EQ(d.alertDelayMs, 8000);
  EXPECT_EQ(d.alertMsg, "EQ增益调得太大，可能会爆音！");
}

TEST(CaeDataTest, ReadsEveryKeyAndKeepsDefaultsForBadValues) {
  TempFolder dir;
  WriteFile(dir / kCaeDataFileName,
            "\xEF\xBB\xBF[PARAM]\nmaxvol = 12\nminvol = -12\nscale = 150\nShowFreqID = 0\nID1 = 0x2B53\nid2 = 19\n"
            "[alert]\nenable = 1\ndelay = 3000ms\nmsg = 注意\n");
  const CaeData d = LoadCaeData(dir / kCaeDataFileName);
  EXPECT_EQ(d.maxVol, 12);
  EXPECT_EQ(d.minVol, -12);
  EXPECT_EQ(d.GainGridStep(), 6);
  EXPECT_DOUBLE_EQ(d.scale, 1.5);
  EXPECT_TRUE(d.CompensationOn());
  EXPECT_EQ(d.showFreqId, 0);
  EXPECT_EQ(d.id1, 0x2B53);
  EXPECT_EQ(d.id2, 19);
  EXPECT_EQ(d.alertEnable, 1);
  EXPECT_EQ(d.alertDelayMs, 8000);  // trailing characters: default
  EXPECT_EQ(d.alertMsg, "注意");
}

TEST(CaeDataTest, UnusableGainRangeFallsBackToTheDefaults) {
  TempFolder dir;
  // Each of these would leave the EQ graph without a range or a grid step.
  for (const char* range : {"maxvol = 1\nminvol = -1\n", "maxvol = -5\nminvol = 5\n", "maxvol = 6\nminvol = 6\n",
                            "maxvol = 400\nminvol = -20\n", "maxvol = 20\nminvol = -100000\n"}) {
    WriteFile(dir / kCaeDataFileName, std::string("[param]\n") + range + "id1 = 7\n");
    const CaeData d = LoadCaeData(dir / kCaeDataFileName);
    EXPECT_EQ(d.maxVol, 20) << range;
    EXPECT_EQ(d.minVol, -20) << range;
    EXPECT_EQ(d.id1, 7) << range;  // the other keys still count
  }
  WriteFile(dir / kCaeDataFileName, "[param]\nmaxvol = 3\nminvol = 0\n");
  EXPECT_EQ(LoadCaeData(dir / kCaeDataFileName).maxVol, 3);
}

TEST(FreqStyleTest, MissingOrMalformedFileIsIgnored) {
  TempFolder dir;
  EXPECT_EQ(LoadFreqStyle(dir.path()), nullptr);
  WriteFile(FreqStylePath(dir.path()), "<window><text>bass</window>");
  EXPECT_EQ(LoadFreqStyle(dir.path()), nullptr);
  WriteFile(FreqStylePath(dir.path()), "");
  EXPECT_EQ(LoadFreqStyle(dir.path()), nullptr);
}

TEST(FreqStyleTest, WellFormedFileGivesItsRootElement) {
  TempFolder dir;
  WriteFile(FreqStylePath(dir.path()),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<window layout=\"hbox\"><text>低音</text><text>高音</text></window>");
  const auto doc = LoadFreqStyle(dir.path());
  ASSERT_NE(doc, nullptr);
  const pugi::xml_node root = doc->document_element();
  EXPECT_STREQ(root.name(), "window");
  EXPECT_STREQ(root.attribute("layout").value(), "hbox");
  EXPECT_STREQ(root.first_child().child_value(), "低音");
}

}  // namespace
}  // namespace brisvel::settings
