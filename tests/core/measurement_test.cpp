// Tests of measurement and target curves: files as measurement programs write
// them, files that must be refused with the line named, interpolation,
// smoothing and the targets.
#include "core/measurement.h"

#include <gtest/gtest.h>

#include <cmath>

namespace brisvel {
namespace {

FrequencyCurve MustParse(const std::string& text) {
  const CurveParse p = ParseFrequencyCurve(text);
  EXPECT_TRUE(p.curve) << p.error;
  return p.curve.value_or(FrequencyCurve{});
}

TEST(MeasurementParse, ReadsTheShapesMeasurementProgramsWrite) {
  // Star comments and a column header as a comment, blank separated, phase column.
  const auto a = MustParse(
      "* Measurement data\n* Freq(Hz) SPL(dB) Phase(degrees)\n20.0 70.5 -12.0\n40.0  72.25 3.5\n\n80 71 0\n");
  EXPECT_EQ(a.hz, (std::vector<double>{20, 40, 80}));
  EXPECT_EQ(a.db, (std::vector<double>{70.5, 72.25, 71}));
  // .frd: hash comment, tabs, CRLF line ends.
  const auto b = MustParse("# tweeter\r\n300\t80.1\t0.0\r\n600\t81.2\t0.0\r\n");
  EXPECT_EQ(b.hz, (std::vector<double>{300, 600}));
  // A plain header line, semicolons and decimal commas.
  const auto c = MustParse("Frequency [Hz];Magnitude [dB]\n10,5;65,10\n20,000;66,5\n");
  EXPECT_EQ(c.hz, (std::vector<double>{10.5, 20.0}));
  EXPECT_DOUBLE_EQ(c.db[0], 65.1);
  // Comma separated with a header and a byte-order mark; exponent notation.
  const auto d = MustParse("\xEF\xBB\xBF" "freq,spl\n1e2,+3.0\n2e2,-4.5\n");
  EXPECT_EQ(d.hz, (std::vector<double>{100, 200}));
  EXPECT_EQ(d.db, (std::vector<double>{3.0, -4.5}));
}

TEST(MeasurementParse, RefusesBadFilesNamingTheLine) {
  struct Case {
    const char* text;
    int line;
    const char* words;
  };
  const Case cases[] = {
      {"", 0, "no frequency points"},
      {"* only comments\n# here\n", 0, "no frequency points"},
      {"* c\n100 80\n", 2, "only one frequency point"},
      {"100 80\n200 81\n150 82\n", 3, "does not rise"},
      {"100 80\n100 81\n", 2, "does not rise"},
      {"100 80\n200 nan\n", 2, "not a finite number"},
      {"100 80\n200 abc\n", 2, "\"abc\" where a level in dB was expected"},
      {"freq spl\n100 80\nxx 81\n", 3, "\"xx\" where a frequency in Hz was expected"},
      {"freq spl\n100 80\n\x01x\x7f 81\n120 82\n", 3, "\"\\x01x\\x7F\" where a frequency"},
      {"100 80\n200\n", 2, "without a level"},
      {"-5 80\n200 81\n", 1, "not a positive number"},
      {"100;80,5\n200;8x\n", 2, "where a level"},
  };
  for (const Case& c : cases) {
    const CurveParse p = ParseFrequencyCurve(c.text);
    EXPECT_FALSE(p.curve) << c.text;
    EXPECT_EQ(p.line, c.line) << c.text << " -> " << p.error;
    EXPECT_NE(p.error.find(c.words), std::string::npos) << p.error;
    if (c.line > 0) {
      EXPECT_EQ(p.error.rfind("line " + std::to_string(c.line) + ":", 0), size_t{0}) << p.error;
    }
  }
}

bool Mentions(const std::vector<std::string>& notes, const std::string& words) {
  for (const std::string& n : notes)
    if (n.find(words) != std::string::npos) return true;
  return false;
}

TEST(MeasurementParse, ReadsTheShapesAnalysersAndOtherLocalesWrite) {
  // An analyser's CSV: a title with commas in quotes, a channel line, X,Y,X,Y,
  // units, left/right column pairs and a summary block after the data.
  const std::string csv =
      "\"Frequency Response, door woofer left, 1 m\",,,\n\"Left\",,\"Right\",\nX,Y,X,Y\nHz,dBSPL,Hz,dBSPL\n"
      "20,88.0,20,87.3\n40,90.5,40,89.5\n19896.97,84.5,19896.97,83.6\n\n"
      "\"Summary: Acoustic Response\",,,\nChannel,\"Passed Lower Limit\",\"Passed Upper Limit\",\nCh1,N/A,N/A,\n";
  const CurveParse left = ParseFrequencyCurve(csv);
  ASSERT_TRUE(left.curve) << left.error;
  EXPECT_EQ(left.curve->hz, (std::vector<double>{20, 40, 19896.97}));
  EXPECT_EQ(left.curve->db, (std::vector<double>{88.0, 90.5, 84.5}));
  EXPECT_EQ(left.columnPairs, 2);
  EXPECT_TRUE(Mentions(left.notes, "lines 1 to 4 are a header")) << left.notes.front();
  EXPECT_TRUE(Mentions(left.notes, "2 channels as column pairs; channel 1 (Left) is read"));
  EXPECT_TRUE(Mentions(left.notes, "lines 9 to 11 after the data are not read"));
  const CurveParse right = ParseFrequencyCurve(csv, 1);
  ASSERT_TRUE(right.curve) << right.error;
  EXPECT_EQ(right.curve->db, (std::vector<double>{87.3, 89.5, 83.6}));
  EXPECT_TRUE(Mentions(right.notes, "channel 2 (Right) is read"));
  EXPECT_TRUE(Mentions(right.notes, "frequency from column 3, level from column 4"));
  EXPECT_NE(ParseFrequencyCurve(csv, 2).error.find("line 5: the file has 2 frequency/level column pairs"), std::string::npos);
  // UTF-16LE with a byte-order mark and CR-only line ends.
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("* exported\rFreq\tdB\r100\t80,5\r200\t81,25\r")) utf16 += std::string{c, '\0'};
  const CurveParse wide = ParseFrequencyCurve(utf16);
  ASSERT_TRUE(wide.curve) << wide.error;
  EXPECT_EQ(wide.curve->db, (std::vector<double>{80.5, 81.25}));
  EXPECT_TRUE(Mentions(wide.notes, "read as UTF-16LE"));
  // Latin-1 (no UTF-8) in a header; a bad row later still names its line in the file.
  const CurveParse latin = ParseFrequencyCurve("Fr\xE9quence;Niveau\r\n10,0;65,1\r\n20,0;6x\r\n");
  EXPECT_FALSE(latin.curve);
  EXPECT_EQ(latin.line, 3);
}

TEST(MeasurementCurve, InterpolatesInLogFrequencyAndHoldsTheEnds) {
  const FrequencyCurve c{{100, 400}, {0, 12}, {}};
  EXPECT_NEAR(CurveAt(c, 200), 6.0, 1e-12);  // half way in octaves
  EXPECT_DOUBLE_EQ(CurveAt(c, 50), 0.0);
  EXPECT_DOUBLE_EQ(CurveAt(c, 1000), 12.0);
  const auto pts = LogSpacedFrequencies(20, 20000, 3);
  EXPECT_DOUBLE_EQ(pts.front(), 20);
  EXPECT_DOUBLE_EQ(pts.back(), 20000);
  EXPECT_EQ(pts.size(), 31u);  // ten octaves, three points each, plus the end
}

TEST(MeasurementCurve, SmoothingAveragesOverTheFractionOfAnOctave) {
  // A narrow spike between flat levels: wider smoothing lowers it more, a
  // straight line in log frequency stays where it is.
  FrequencyCurve spike;
  for (double f = 20; f <= 20000; f *= std::pow(2.0, 1.0 / 48)) {
    spike.hz.push_back(f);
    spike.db.push_back(std::fabs(std::log2(f / 1000)) < 0.02 ? 10.0 : 0.0);
  }
  const auto at1k = [](const FrequencyCurve& c) { return CurveAt(c, 1000); };
  const double third = at1k(SmoothCurve(spike, 3));
  const double twelfth = at1k(SmoothCurve(spike, 12));
  EXPECT_GT(twelfth, third);
  EXPECT_LT(twelfth, 10.0);
  EXPECT_EQ(SmoothCurve(spike, 0), spike);
  FrequencyCurve slope;
  slope.hz = LogSpacedFrequencies(20, 20000, 12);
  for (double f : slope.hz) slope.db.push_back(3.0 * std::log2(f / 20));
  const auto smoothed = SmoothCurve(slope, 6);
  EXPECT_NEAR(CurveAt(smoothed, 1000), CurveAt(slope, 1000), 0.05);  // within the 1/96-octave sampling
}

TEST(Targets, FlatCarAndFileWithAlignment) {
  TargetCurve car;
  car.kind = TargetCurve::kCar;
  car.lfGainDb = 8;
  car.lfCornerHz = 100;
  car.tiltDbPerOctave = -1;
  EXPECT_NEAR(TargetDb(car, 100), 4.0, 1e-9);  // half the rise at the corner
  EXPECT_NEAR(TargetDb(car, 10), 8.0, 0.1);
  EXPECT_NEAR(TargetDb(car, 4000), -2.0, 0.01);  // two octaves of tilt
  EXPECT_DOUBLE_EQ(TargetDb(TargetCurve{}, 123), 0.0);
  TargetCurve file;
  file.kind = TargetCurve::kFile;
  file.file = FrequencyCurve{{100, 1000}, {3, -3}, {}};
  EXPECT_DOUBLE_EQ(TargetDb(file, 100), 3.0);
  EXPECT_DOUBLE_EQ(AlignmentOffset({80, 82}, {0, 2}), 80.0);
  EXPECT_DOUBLE_EQ(AlignmentOffset({}, {}), 0.0);
}

}  // namespace
}  // namespace brisvel

namespace brisvel {
namespace {

TEST(MeasurementParse, AThirdColumnIsThePhaseUnlessTheHeaderNamesItOtherwise) {
  const auto withPhase = MustParse("* Freq(Hz) SPL(dB) Phase(degrees)\n20 70 -170\n40 71 175\n80 72 160\n");
  EXPECT_EQ(withPhase.phase, (std::vector<double>{-170, 175, 160}));
  // A wrap of 360° between neighbours is taken out.
  EXPECT_EQ(UnwrappedPhase(withPhase), (std::vector<double>{-170, -185, -200}));
  EXPECT_EQ(MustParse("300\t80.1\t-12.5\r\n600\t81.2\t-30\r\n").phase, (std::vector<double>{-12.5, -30}));
  // Smoothing keeps the phase as read.
  EXPECT_EQ(SmoothCurve(withPhase, 3).phase, withPhase.phase);

  EXPECT_TRUE(MustParse("Freq;SPL;Coherence\n20;70;0,9\n40;71;0,95\n").phase.empty());
  EXPECT_TRUE(MustParse("20 70 1\n40 71\n80 72 3\n").phase.empty());  // not on every line
  EXPECT_TRUE(MustParse("20 70\n40 71\n").phase.empty());
  // Column pairs of an analyser carry no phase.
  EXPECT_TRUE(MustParse("20,70,20,60\n40,71,40,61\n").phase.empty());
  EXPECT_TRUE(UnwrappedPhase(MustParse("20 70\n40 71\n")).empty());
}

}  // namespace
}  // namespace brisvel
