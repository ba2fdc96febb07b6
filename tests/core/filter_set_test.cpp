// Tests of filter-set exchange: export and import round trips, the files other
// tools write in the shapes seen in the field, the Q the files and the
// response model share, the report of every adjustment and every filter not
// taken, and files that are refused.
#include "core/filter_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "core/eq_response.h"

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
  // The files' Q is the model's: raw / 300.
  EXPECT_NE(text.find("Preamp: 0.0 dB\nFilter 1: ON PK Fc 48 Hz Gain -7.00 dB Q 1.0000\n"), std::string::npos);
  EXPECT_NE(text.find("Filter 31: ON PK Fc 20000 Hz Gain 20.00 dB Q 42.6667\n"), std::string::npos);
  EXPECT_NE(FilterSetCsv(SomeBands()).find("band,frequency,gain,q\n1,48,-7.00,1.0000\n"), std::string::npos);
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
  EXPECT_EQ(in.bands[0], (BandRaw{48, 900, -700}));
  EXPECT_EQ(in.bands[1], (BandRaw{95, 420, 2000}));
  EXPECT_EQ(in.bands[2], (BandRaw{20000, 600, -235}));
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
  EXPECT_EQ(csv.bands[0].q, 210);  // 0.71 x 300 = 213, nearest step 210
}

// The independent evaluation: the peaking biquad of the audio EQ cookbook at
// 48 kHz with the file's own Q, evaluated on the unit circle.
double CookbookPeakDb(double fc, double gainDb, double q, double hz) {
  const double w0 = 2 * std::numbers::pi * fc / 48000.0, a = std::pow(10.0, gainDb / 40.0);
  const double alpha = std::sin(w0) / (2 * q);
  const std::complex<double> z = std::polar(1.0, -2 * std::numbers::pi * hz / 48000.0);
  const auto num = (1 + alpha * a) - 2 * std::cos(w0) * z + (1 - alpha * a) * z * z;
  const auto den = (1 + alpha / a) - 2 * std::cos(w0) * z + (1 - alpha / a) * z * z;
  return 20 * std::log10(std::abs(num) / std::abs(den));
}

TEST(FilterSet, ImportedFiltersAreDrawnAsTheProgramThatWroteThemComputesThem) {
  struct F {
    double fc, gain, q;
  };
  // Q values that are steps of the table (Q x 300), so the block holds them
  // exactly, and one that is rounded to the step 1.40.
  const F file[] = {{63, -6.5, 4.0}, {250, 4.0, 1.0}, {1000, -3.0, 2.0}, {4000, 2.5, 0.5}, {8000, -4.0, 1.41}};
  std::string text = "Preamp: -6.5 dB\n";
  for (size_t i = 0; i < std::size(file); ++i) {
    char line[128];
    std::snprintf(line, sizeof line, "Filter %zu: ON PK Fc %g Hz Gain %g dB Q %g\n", i + 1, file[i].fc, file[i].gain,
                  file[i].q);
    text += line;
  }
  const FilterSetImport in = ImportFilterSet(text, BandsFromBlock(FactoryBlock(), 2), -20, 20);
  ASSERT_TRUE(in.ok) << in.error;
  // The console's model of the imported bands, as the effect store feeds it.
  std::array<EqBandValue, 31> values{};
  for (int b = 0; b < kBandCount; ++b)
    values[b] = {static_cast<double>(in.bands[b].freq), in.bands[b].gain / 100.0, in.bands[b].q / 300.0};
  CEqResponse model;
  ASSERT_TRUE(model.Init(values));
  model.Recompute(20);
  const EqFrequencyGrid& grid = *model.Grid();
  double worst = 0;
  for (int k = 0; k < kGridPoints; ++k) {
    const double hz = grid.FrequencyHz(k);
    if (hz < 20 || hz > 20000) continue;
    double expected = 0;
    for (const F& f : file) expected += CookbookPeakDb(f.fc, f.gain, f.q, hz);
    // Beyond the block's rounding: Q 1.41 is held as 1.40, which the same
    // evaluation with the held Q accounts for.
    const double rounding = CookbookPeakDb(8000, -4.0, 1.40, hz) - CookbookPeakDb(8000, -4.0, 1.41, hz);
    worst = std::max(worst, std::fabs(model.Summed()[k] - (expected + rounding)));
  }
  EXPECT_LT(worst, 0.3);
  // Q x 100, as the band table counts, would draw every filter three times wider.
  EXPECT_EQ(in.bands[0].q, 1200);
  EXPECT_EQ(FileQText(1200), "4.00");
}

std::string Utf16Le(const std::string& ascii) {
  std::string out = "\xFF\xFE";
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

TEST(FilterSet, ReadsTheShapesWrittenInTheField) {
  const ChannelBands cur = BandsFromBlock(FactoryBlock(), 0);
  // A decimal-comma locale: Latin-1, CR LF, a no-break space between thousands, unused rows.
  const FilterSetImport comma = ImportFilterSet(
      "Filter Settings file\r\n\r\nNotes:T\xFCr links\r\n"
      "Filter  1: ON  PK       Fc    91,9 Hz  Gain  10,4 dB  Q  2,00\r\n"
      "Filter  2: ON  PK       Fc   1\xA0" "840 Hz  Gain  -3,5 dB  Q  4,10\r\n"
      "Filter  3: ON  None\r\n",
      cur, -20, 20);
  ASSERT_TRUE(comma.ok) << comma.error;
  EXPECT_EQ(comma.filtersTaken, 2);
  EXPECT_EQ(comma.bands[0], (BandRaw{92, 600, 1040}));
  EXPECT_EQ(comma.bands[1].freq, 1840);
  EXPECT_EQ(comma.bands[1].gain, -350);
  EXPECT_TRUE(Mentions(comma.notes, "read as Latin-1"));
  // Bandwidths in octaves: Q = sqrt(2^N) / (2^N - 1); one filter switched off.
  const FilterSetImport oct = ImportFilterSet(
      "Equaliser: Octave bandwidth equaliser\n"
      "Filter  1: ON  PEQ      Fc    38,0 Hz  Gain  -7,0 dB  BW Oct 1,000\n"
      "Filter  2: ON  PEQ      Fc    57,5 Hz  Gain  -4,5 dB  BW Oct 0,333\n"
      "Filter  3: OFF PEQ      Fc     120 Hz  Gain  -2,0 dB  BW Oct 0,250\n",
      cur, -20, 20);
  ASSERT_TRUE(oct.ok) << oct.error;
  EXPECT_EQ(oct.filtersTaken, 2);
  EXPECT_EQ(oct.bands[0].q, RawQFromFileQ(std::sqrt(2.0)));
  EXPECT_NEAR(oct.taken[1].q, std::sqrt(std::pow(2, 0.333)) / (std::pow(2, 0.333) - 1), 1e-9);  // 4.32
  EXPECT_TRUE(Mentions(oct.skipped, "Filter 3 not taken: switched off"));
  // The filter table, blank separated and comma separated, with a section after it.
  for (const char* sep : {" ", ","}) {
    std::string table = "Notes:\nGeneric\nNumber Enabled Control Type Frequency(Hz) Gain(dB) Q Bandwidth(Hz) TargetT60(ms) \n"
                        "1 True Auto PK 62.5 -8.40 4.100 15.2 \n2 True Auto None \n"
                        "3 False Auto PK 900.0 -4.00 3.000 300.0 \n4 True Manual PK 2480.0 -2.20 1.900 1305.3 \n"
                        "Crossover_filters\n1 True Manual None \n";
    if (*sep == ',') std::replace(table.begin(), table.end(), ' ', ',');
    const FilterSetImport t = ImportFilterSet(table, cur, -20, 20);
    ASSERT_TRUE(t.ok) << t.error;
    EXPECT_EQ(t.filtersTaken, 2) << sep;
    EXPECT_EQ(t.bands[0].freq, 63);
    EXPECT_EQ(t.bands[0].gain, -840);
    EXPECT_EQ(t.bands[1].freq, 2480);
    EXPECT_TRUE(Mentions(t.skipped, "Filter 3 not taken: switched off"));
    EXPECT_TRUE(Mentions(t.notes, "lines 8 to 9 (\"Crossover_filters\") follow the table and are not read"));
  }
  // A system-wide equaliser's configuration in UTF-16 with a byte-order mark:
  // unnumbered filters labelled by position, the first channel's filters taken.
  const FilterSetImport cfg = ImportFilterSet(
      Utf16Le("# system-wide equaliser\r\nDevice: Speakers\r\nChannel: L\r\nPreamp: -4.5 dB\r\n"
              "Filter: ON PK Fc 63 Hz Gain -5.5 dB Q 2.50\r\nFilter: ON LSC Fc 105 Hz Gain 3.0 dB\r\n"
              "Filter: ON PK Fc 180 Hz Gain 2.0 dB Q 1.10\r\nChannel: R\r\nFilter: ON PK Fc 66 Hz Gain -5 dB Q 2.7\r\n"
              "Channel: all\r\nFilter: ON PK Fc 3000 Hz Gain -2 dB Q 2\r\nInclude: loudness.txt\r\n"),
      cur, -20, 20);
  ASSERT_TRUE(cfg.ok) << cfg.error;
  EXPECT_EQ(cfg.filtersTaken, 3);
  EXPECT_EQ(cfg.bands[0].freq, 63);
  EXPECT_EQ(cfg.bands[1].freq, 180);
  EXPECT_EQ(cfg.bands[2].freq, 3000);
  EXPECT_TRUE(Mentions(cfg.notes, "read as UTF-16LE"));
  EXPECT_TRUE(Mentions(cfg.notes, "the device Speakers"));
  EXPECT_TRUE(Mentions(cfg.skipped, "Filter 2 (line 6) not taken: the bands are peaking filters, not LSC"));
  EXPECT_TRUE(Mentions(cfg.skipped, "Filter 4 (line 9) not taken: it is for channel r"));
  EXPECT_TRUE(Mentions(cfg.skipped, "Include: loudness.txt (line 12) not followed"));
  EXPECT_TRUE(Mentions(cfg.skipped, "Preamp -4.5 dB not taken"));
  // CR-only line ends count lines as the file has them.
  const FilterSetImport cr = ImportFilterSet("Preamp: 0 dB\rFilter 1: ON PK Fc 100 Hz Gain 1 dB Q 1\rFilter 2: ON PK Fc x Hz\r",
                                             cur, -20, 20);
  EXPECT_FALSE(cr.ok);
  EXPECT_EQ(cr.error.rfind("line 3: Filter 2: \"x\" where a frequency", 0), 0u) << cr.error;
}

TEST(FilterSet, RefusesFilesItCannotReadNamingTheLine) {
  const ChannelBands cur = BandsFromBlock(FactoryBlock(), 0);
  struct Case {
    const char* text;
    const char* words;
  };
  const Case cases[] = {
      {"", "line 1: no filters found"},
      {"Filter 1: ON PK Fc abc Hz Gain 1 dB Q 1\n", "line 1: Filter 1: \"abc\" where a frequency (Fc ... Hz) was expected"},
      {"Preamp: 0 dB\nFilter 1: ON PK Fc 100 Hz Gain x dB Q 1\n", "line 2: Filter 1: \"x\" where a gain"},
      {"Filter 1: MAYBE PK Fc 100 Hz\n", "line 1: \"MAYBE\" where ON or OFF was expected"},
      {"Filter 1: ON PK Fc 1\x01" "0 Hz Gain 1 dB Q 1\n", "line 1: Filter 1: \"1\\x010\""},  // printable
      {"band,frequency,gain,q\n1,100,2\n", "line 2: a row of band, frequency, gain and Q was expected"},
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
