// Tests of filter-set exchange: export and import round trips, the files other
// tools write, the report of every adjustment and every filter not taken, and
// files that are refused.
#include "core/filter_set.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace brisvel {
namespace {

bool Mentions(const std::vector<std::string>& lines, const std::string& words) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(words) != std::string::npos; });
}

ChannelBands SomeBands() {
  ChannelBands b = BandsFromBlock(FactoryBlock(), 2);
  b[0] = {48, 300, -700};
  b[5] = {95, 400, 500};
  b[17] = {1234, 140, -456};
  b[30] = {20000, 12800, 2000};
  return b;
}

TEST(FilterSet, ExportThenImportGivesTheSameBlock) {
  for (bool csv : {false, true}) {
    EffectBlock block = FactoryBlock();
    WriteBands(block, 3, SomeBands());
    const ChannelBands bands = BandsFromBlock(block, 3);
    const std::string text = csv ? FilterSetCsv(bands) : FilterSetText(bands);
    const FilterSetImport in = ImportFilterSet(text, BandsFromBlock(FactoryBlock(), 3), -20, 20);
    ASSERT_TRUE(in.ok) << in.error;
    EXPECT_TRUE(in.changes.empty()) << in.changes.front();
    EXPECT_TRUE(in.skipped.empty());
    EXPECT_EQ(in.filtersTaken, 31);
    EffectBlock back = FactoryBlock();
    WriteBands(back, 3, in.bands);
    EXPECT_EQ(back, block);
  }
  const std::string text = FilterSetText(SomeBands());
  EXPECT_NE(text.find("Preamp: 0.0 dB\nFilter 1: ON PK Fc 48 Hz Gain -7.00 dB Q 3.00\n"), std::string::npos);
  EXPECT_NE(FilterSetCsv(SomeBands()).find("band,frequency,gain,q\n1,48,-7.00,3.00\n"), std::string::npos);
}

TEST(FilterSet, ImportReportsEveryChangeAndEveryFilterNotTaken) {
  const char* text =
      "Filter Settings file\n\nNotes:\n"
      "Preamp: -7.0 dB\n"
      "Filter  1: ON  PK       Fc    48.4 Hz  Gain  -7.00 dB  Q  3.000\n"
      "Filter  2: ON  PK       Fc    95.0 Hz  Gain  25.00 dB  Q  1.41\n"
      "Filter  3: ON  LSC      Fc    35 Hz  Gain  4.0 dB  Q  0.71\n"
      "Filter  4: OFF PK       Fc  1000 Hz  Gain  0.0 dB  Q  1.00\n"
      "Filter  5: ON  PK       Fc 30000 Hz  Gain  -2.345 dB  Q  2.0\n"
      "Filter  6: ON  None\n";
  ChannelBands current = BandsFromBlock(FactoryBlock(), 0);
  current[20].gain = 300;
  const FilterSetImport in = ImportFilterSet(text, current, -20, 20);
  ASSERT_TRUE(in.ok) << in.error;
  EXPECT_EQ(in.filtersTaken, 3);
  EXPECT_EQ(in.bands[0], (BandRaw{48, 300, -700}));
  EXPECT_EQ(in.bands[1], (BandRaw{95, 140, 2000}));
  EXPECT_EQ(in.bands[2], (BandRaw{20000, 200, -235}));
  EXPECT_EQ(in.bands[20].gain, 0);
  EXPECT_EQ(in.bands[20].freq, current[20].freq);
  EXPECT_TRUE(Mentions(in.changes, "Filter 1: frequency 48.4 Hz rounded to 48 Hz"));
  EXPECT_TRUE(Mentions(in.changes, "Filter 2: gain 25 dB clamped to 20.00 dB"));
  EXPECT_TRUE(Mentions(in.changes, "Filter 2: Q 1.41 taken as the nearest step 1.40"));
  EXPECT_TRUE(Mentions(in.changes, "Filter 5: frequency 30000 Hz limited to 20000 Hz"));
  EXPECT_TRUE(Mentions(in.changes, "Filter 5: gain -2.345 dB rounded"));
  EXPECT_TRUE(Mentions(in.changes, "bands 4 to 31 set to 0 dB"));
  EXPECT_TRUE(Mentions(in.skipped, "Preamp -7.0 dB not taken"));
  EXPECT_TRUE(Mentions(in.skipped, "Filter 3 not taken: the bands are peaking filters, not LSC"));
  EXPECT_TRUE(Mentions(in.skipped, "Filter 4 not taken: switched off"));
  EXPECT_EQ(in.skipped.size(), 3u);
}

TEST(FilterSet, MoreFiltersThanBandsAndSemicolonCsv) {
  std::string text;
  for (int i = 1; i <= 33; ++i) text += "Filter " + std::to_string(i) + ": ON PK Fc 100 Hz Gain 1 dB Q 1\n";
  const FilterSetImport in = ImportFilterSet(text, BandsFromBlock(FactoryBlock(), 0), -20, 20);
  ASSERT_TRUE(in.ok);
  EXPECT_EQ(in.filtersTaken, 31);
  EXPECT_TRUE(Mentions(in.skipped, "Filter 32 not taken: the channel has 31 bands"));
  EXPECT_TRUE(Mentions(in.skipped, "Filter 33 not taken"));
  const FilterSetImport csv = ImportFilterSet("Band;Freq;Gain;Q\n1;63,5;-3,5;0,71\n", BandsFromBlock(FactoryBlock(), 0), -20, 20);
  ASSERT_TRUE(csv.ok) << csv.error;
  EXPECT_EQ(csv.bands[0].gain, -350);
  EXPECT_EQ(csv.bands[0].freq, 64);
}

TEST(FilterSet, RefusesFilesItCannotReadNamingTheLine) {
  const ChannelBands cur = BandsFromBlock(FactoryBlock(), 0);
  struct Case {
    const char* text;
    const char* words;
  };
  const Case cases[] = {
      {"", "line 1: no filters found"},
      {"Filter 1: ON PK Fc abc Hz Gain 1 dB Q 1\n", "line 1: Filter 1 has no frequency"},
      {"Preamp: 0 dB\nFilter 1: ON PK Fc 100 Hz Gain x dB Q 1\n", "line 2: Filter 1 has no gain"},
      {"Filter 1: MAYBE PK Fc 100 Hz\n", "line 1: \"MAYBE\""},
      {"band,frequency,gain,q\n1,100,2\n", "line 2: a row needs"},
      {"band,frequency,gain,q\n1,100,2,1\n2,1x0,2,1\n", "line 3:"},
      {"1,-100,2,1\n", "line 1: frequency and Q must be above 0"},
  };
  for (const Case& c : cases) {
    const FilterSetImport in = ImportFilterSet(c.text, cur, -20, 20);
    EXPECT_FALSE(in.ok) << c.text;
    EXPECT_NE(in.error.find(c.words), std::string::npos) << c.text << " -> " << in.error;
  }
}

}  // namespace
}  // namespace brisvel
