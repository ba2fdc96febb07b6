// brisvelctl's system view as a process: the sum of channels where they meet,
// and the tuning report, whose CSV reads back to the block's values and whose
// PDF carries every channel's values in both languages.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

#include "cli_test_support.h"
#include "core/param_table.h"

namespace fs = std::filesystem;

namespace {

using brisvel::testing::Ctl;
using brisvel::testing::ReadAll;

class SystemViewCli : public brisvel::testing::CliFolderTest {
 protected:
  SystemViewCli() : CliFolderTest("system_view_cli_") {}
  void SetUp() override {
    CliFolderTest::SetUp();
    block = (dir / "block.bin").string();
  }
  void WriteBlock(const brisvel::EffectBlock& b) {
    std::ofstream(block, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
  }
  std::string block;
};

// A front woofer (CH1, Box 2) high-passed and a sub (CH5, Box 0) low-passed at 80 Hz, LR 24.
brisvel::EffectBlock CrossoverPair() {
  using namespace brisvel;
  EffectBlock b = FactoryBlock();
  const uint8_t lr24 = FilterTypeByte{2, 3}.Encode(), off = FilterTypeByte{2, 8}.Encode();
  WriteParam(b, param::HpType(2), lr24);
  WriteParam(b, param::HpFreq(2), 80);
  WriteParam(b, param::LpType(2), off);
  WriteParam(b, param::LpType(0), lr24);
  WriteParam(b, param::LpFreq(0), 80);
  WriteParam(b, param::HpType(0), off);
  return b;
}

std::vector<std::pair<double, double>> Curve(const std::string& csv) {
  std::vector<std::pair<double, double>> points;
  std::istringstream in(csv);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("peak,", 0) == 0) continue;
    const size_t comma = line.find(',');
    points.emplace_back(std::stod(line.substr(0, comma)), std::stod(line.substr(comma + 1)));
  }
  return points;
}

TEST_F(SystemViewCli, TheSumOfACrossoverPairIsFlatAndAFlippedPolarityNotchesIt) {
  brisvel::EffectBlock b = CrossoverPair();
  WriteBlock(b);
  auto r = Ctl("response " + block + " --sum CH1,CH5");
  ASSERT_EQ(r.status, 0) << r.out;
  auto points = Curve(r.out);
  ASSERT_EQ(points.size(), 1024u);
  double lo = 1e9, hi = -1e9;
  for (const auto& [hz, db] : points) {
    if (hz < 20 || hz > 20000) continue;
    lo = std::min(lo, db);
    hi = std::max(hi, db);
  }
  EXPECT_LT(hi - lo, 0.5);
  EXPECT_NEAR(hi, 6.0, 0.5);  // both at the factory +6 dB, in phase: the pair adds up to one channel

  brisvel::WriteParam(b, brisvel::param::kPhaseCtrl, 1);  // CH5 inverted
  WriteBlock(b);
  r = Ctl("response " + block + " --sum 'ch5, CH1'");
  ASSERT_EQ(r.status, 0) << r.out;
  points = Curve(r.out);
  double atCrossover = 0, nearest = 1e9;
  for (const auto& [hz, db] : points)
    if (std::fabs(std::log(hz / 80.0)) < nearest) nearest = std::fabs(std::log(hz / 80.0)), atCrossover = db;
  EXPECT_LT(atCrossover, 6.0 - 20.0);

  for (const char* bad : {"--sum CH7", "--sum CH1,,CH5", "--sum ''", "--sum CH1 --channel 2"})
    EXPECT_NE(Ctl("response " + block + " " + bad).status, 0) << bad;
}

// The CSV's fields, quotes taken off.
std::vector<std::vector<std::string>> CsvRows(const std::string& text) {
  std::vector<std::vector<std::string>> rows(1);
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += '"', ++i;
      else if (c == '"') quoted = false;
      else field += c;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      rows.back().push_back(field), field.clear();
    } else if (c == '\r') {
    } else if (c == '\n') {
      rows.back().push_back(field), field.clear();
      rows.emplace_back();
    } else {
      field += c;
    }
  }
  if (rows.back().empty()) rows.pop_back();
  return rows;
}

#ifndef _WIN32
bool HasTool(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0; }
#endif

TEST_F(SystemViewCli, TheReportsCsvReadsBackToTheBlockAndItsPdfCarriesEveryChannel) {
  using namespace brisvel;
  EffectBlock b = CrossoverPair();
  const int volumes[] = {61, 55, 58, 50, 63, 40};  // Box 0 … 5: +1, -5, -2, -10, +3, -20 dB
  for (int box = 0; box < kChannelCount; ++box) {
    WriteParam(b, param::Volume(box), static_cast<uint16_t>(volumes[box]));
    WriteParam(b, param::Delay(box), static_cast<uint16_t>(48 * box + 7));
    WriteParam(b, param::EqGain(box, 5 + box), static_cast<uint16_t>(static_cast<int16_t>(-250 * (box + 1))));
  }
  WriteParam(b, param::kMuteCtrl, 1 << 5);
  WriteBlock(b);
#ifdef _WIN32
  const std::string out = (dir / "report.csv").string();
#else
  const std::string out = (dir / "report.pdf").string();
#endif
  const auto r = Ctl("report " + block + " -o '" + out + "' --sum CH1,CH5 --names 'Woofer L|Woofer R|Mid \"L\"|Woofer, R|Sub|Sub 2'");
  ASSERT_EQ(r.status, 0) << r.out;

  // Every value row names its parameter and holds its raw value, as block show does.
  std::map<std::string, std::string> shown;
  {
    std::istringstream in(Ctl("block show " + block).out);
    std::string line;
    while (std::getline(in, line)) shown[line.substr(0, line.find(" = "))] = line.substr(line.find(" = ") + 3);
  }
  const auto rows = CsvRows(ReadAll(dir / "report.csv"));
  ASSERT_GT(rows.size(), 600u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"kind", "channel", "item", "parameter", "value", "raw"}));
  std::map<std::string, int> seen;
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 6u);
    if (row[3].empty() || row[0] == "kind") continue;
    EXPECT_EQ(row[5], shown[row[3]]) << row[3];
    ++seen[row[3]];
  }
  for (const ParamDef& def : ParamTable())
    if (std::string(def.name) != "ResetCtrl") EXPECT_TRUE(seen.count(def.name)) << def.name;
  const auto has = [&rows](std::vector<std::string> want) {
    return std::find(rows.begin(), rows.end(), want) != rows.end();
  };
  EXPECT_TRUE(has({"channel", "CH4", "Name", "", "Woofer, R", ""}));
  EXPECT_TRUE(has({"channel", "CH4", "Mute", "MuteCtrl", "muted", "32"}));  // Box 5
  EXPECT_TRUE(has({"channel", "CH6", "Mute", "MuteCtrl", "not muted", "32"}));
  EXPECT_TRUE(has({"channel", "CH1", "Delay", "Delay_2", "2.146ms 74.25cm", "103"}));
  EXPECT_TRUE(has({"channel", "CH1", "High-pass", "Box2_HFliter_Type_Xoct", "Linkwitz 24dB/Oct", "131"}));
  const size_t sums = std::count_if(rows.begin(), rows.end(), [](const auto& row) { return row[0] == "sum dB"; });
  EXPECT_EQ(sums, 121u);  // 20 Hz … 20 kHz at 12 points per octave

#ifndef _WIN32
  if (!HasTool("pdftotext") || !HasTool("pdftoppm")) GTEST_SKIP() << "poppler-utils (pdftotext, pdftoppm) is not installed";
  const std::string text = brisvel::testing::RunCommand("pdftotext -layout '" + out + "' -", false).output;
  for (const char* wanted : {"Tuning report", "No processor is connected", "CH1 Woofer L", "CH2 Woofer R",
                             "CH3 Mid \"L\"", "CH4 Woofer, R", "CH5 Sub", "CH6 Sub 2", "LR 24dB/Oct 80Hz",
                             "Sum CH1 Woofer L + CH5 Sub", "Band"})
    EXPECT_NE(text.find(wanted), std::string::npos) << wanted;
  // Each channel's volume, delay and its lowered band, on its page.
  for (int box = 0; box < kChannelCount; ++box) {
    char volume[16], gain[16], delay[32];
    std::snprintf(volume, sizeof volume, "%ddB", volumes[box] - 60);
    std::snprintf(gain, sizeof gain, "%.1f dB", -2.5 * (box + 1));
    std::snprintf(delay, sizeof delay, "%.3fms", (48 * box + 7) / 48.0);
    for (const char* v : {volume, gain, delay}) EXPECT_NE(text.find(v), std::string::npos) << box << ": " << v;
  }
  // One page of every channel besides the first and the sums', all rendered.
  ASSERT_EQ(brisvel::testing::RunCommand("pdftoppm -r 30 -png '" + out + "' '" + (dir / "page").string() + "'", true).status, 0);
  int pages = 0;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.path().extension() == ".png") ++pages;
  EXPECT_EQ(pages, 8);

  // The same report in Chinese.
  const std::string cn = (dir / "cn.pdf").string();
  ASSERT_EQ(Ctl("report " + block + " -o '" + cn + "' --language cn").status, 0);
  const std::string cnText = brisvel::testing::RunCommand("pdftotext '" + cn + "' -", false).output;
  // (The PDF maps some glyphs back to their radical's code point, so the
  // test looks for characters that have none.)
  EXPECT_NE(cnText.find("报告"), std::string::npos) << cnText.substr(0, 200);
  EXPECT_NE(cnText.find("CH1"), std::string::npos);
#endif
}

TEST_F(SystemViewCli, AReportThatCannotBeWrittenSaysWhyAndLeavesNothing) {
  WriteBlock(brisvel::FactoryBlock());
  EXPECT_NE(Ctl("report " + block + " -o '" + (dir / "r.txt").string() + "'").status, 0);
  EXPECT_NE(Ctl("report " + block + " -o '" + (dir / "r.csv").string() + "' --sum CH0").status, 0);
  EXPECT_NE(Ctl("report " + block + " -o '" + (dir / "r.csv").string() + "' --language fr").status, 0);
  EXPECT_NE(Ctl("report -o '" + (dir / "r.csv").string() + "'").status, 0);
  const auto r = Ctl("report " + block + " -o '" + (dir / "missing" / "r.csv").string() + "'");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.out.find("could not be written"), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(dir / "missing"));
  EXPECT_FALSE(fs::exists(dir / "r.csv"));
}

}  // namespace
