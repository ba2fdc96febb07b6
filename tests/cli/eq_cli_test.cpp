// brisvelctl eq export, import and fit, run as processes on block files and
// filter and measurement files written by the tests.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli_test_support.h"
#include "core/param_table.h"

namespace fs = std::filesystem;

namespace {

using brisvel::testing::Ctl;
using brisvel::testing::CtlRun;
using brisvel::testing::ReadAll;

class EqCli : public brisvel::testing::CliFolderTest {
 protected:
  EqCli() : CliFolderTest("eq_cli_test_") {}
  void SetUp() override {
    CliFolderTest::SetUp();
    block = (dir / "block.bin").string();
    ASSERT_EQ(Ctl("block factory -o " + block).status, 0);
  }
  std::string block;
};

TEST_F(EqCli, ExportImportRoundTripKeepsTheBlock) {
  ASSERT_EQ(Ctl("set " + block + " Box3_EQ4_Gain=-4.5 Box3_EQ4_Q=1.4 Box3_EQ20_Freq=2222").status, 0);
  const std::string before = ReadAll(block);
  for (const char* format : {"text", "csv"}) {
    const CtlRun ex = Ctl("eq export " + block + " --channel 3 --format " + format);
    ASSERT_EQ(ex.status, 0) << ex.out;
    const std::string file = Write(std::string("bands.") + format, ex.out);
    const CtlRun in = Ctl("eq import " + block + " " + file + " --channel 3");
    ASSERT_EQ(in.status, 0) << in.out;
    EXPECT_NE(in.out.find("31 filters taken"), std::string::npos);
    EXPECT_EQ(ReadAll(block), before) << format;
  }
  // The files' Q is the standard Q: the band table's 1.40 is 1.40 / 3.
  EXPECT_NE(Ctl("eq export " + block + " --channel 3").out.find("Filter 5: ON PK Fc 50 Hz Gain -4.50 dB Q 0.4667"),
            std::string::npos);
}

TEST_F(EqCli, ImportReportsAndRefusesWithoutTouchingTheBlock) {
  const std::string filters = Write("f.txt",
                                    "Preamp: -3 dB\nFilter 1: ON PK Fc 48 Hz Gain -7 dB Q 1.41\n"
                                    "Filter 2: ON HSC Fc 8000 Hz Gain 2 dB Q 0.7\n");
  const CtlRun in = Ctl("eq import " + block + " " + filters + " --channel 0");
  ASSERT_EQ(in.status, 0) << in.out;
  EXPECT_NE(in.out.find("changed: Filter 1: Q 1.41 taken as the nearest step 1.40"), std::string::npos) << in.out;
  EXPECT_EQ(Ctl("get " + block + " Box0_EQ0_Q").out, "4.20\n");  // 1.40 x 3 in the band table
  EXPECT_NE(in.out.find("Filter 2 not taken"), std::string::npos);
  EXPECT_EQ(Ctl("get " + block + " Box0_EQ0_Gain").out, "-7.0\n");
  const std::string before = ReadAll(block);
  const std::string bad = Write("bad.txt", "Filter 1: ON PK Fc 48 Hz Gain abc dB Q 1\n");
  const CtlRun refused = Ctl("eq import " + block + " " + bad + " --channel 0");
  EXPECT_NE(refused.status, 0);
  EXPECT_NE(refused.out.find("line 1:"), std::string::npos) << refused.out;
  EXPECT_NE(Ctl("eq import " + block + " " + filters + " --channel 6").status, 0);
  EXPECT_NE(Ctl("eq export " + block + " --channel 0 --format xml").status, 0);
  EXPECT_EQ(ReadAll(block), before);
}

TEST_F(EqCli, FitWritesBandsAndPrintsTheResidual) {
  // A bass peak of about +6 dB at 60 Hz on a flat response.
  std::string m = "* synthetic\n* Freq(Hz) SPL(dB)\n";
  for (double f = 10; f < 24000; f *= std::pow(2.0, 1.0 / 24)) {
    const double x = std::log2(f / 60) / 0.3;
    char line[64];
    std::snprintf(line, sizeof line, "%.4f\t%.3f\t0\n", f, 80 + 6 * std::exp(-x * x));
    m += line;
  }
  const std::string meas = Write("m.txt", m);
  for (const char* mode : {"geq", "peq"}) {
    ASSERT_EQ(Ctl("block factory -o " + block).status, 0);
    const CtlRun fit = Ctl("eq fit " + block + " --channel 2 --measurement " + meas + " --range 20-500 --mode " + mode +
                        " --max-boost 3");
    ASSERT_EQ(fit.status, 0) << fit.out;
    double before = 0, after = 0, maxBefore = 0, maxAfter = 0;
    ASSERT_EQ(std::sscanf(fit.out.c_str(), "before: rms %lf dB, max %lf dB\nafter: rms %lf dB, max %lf dB", &before,
                          &maxBefore, &after, &maxAfter),
              4)
        << fit.out;
    double boost = 99;
    const size_t at = fit.out.find("summed boost: max ");
    ASSERT_NE(at, std::string::npos) << fit.out;
    ASSERT_EQ(std::sscanf(fit.out.c_str() + at, "summed boost: max %lf dB", &boost), 1);
    EXPECT_LE(boost, 3.0);
    EXPECT_NE(fit.out.find("bands used: "), std::string::npos);
    EXPECT_GT(before, 1.0);
    EXPECT_LT(after, 0.5 * before) << mode;
    const auto bytes = ReadAll(block);
    brisvel::EffectBlock b{};
    ASSERT_EQ(bytes.size(), b.size());
    std::copy(bytes.begin(), bytes.end(), b.begin());
    for (int band = 0; band < brisvel::kBandCount; ++band) {
      EXPECT_LE(static_cast<int16_t>(brisvel::ReadParam(b, brisvel::param::EqGain(2, band))), 2000);
    }
  }
  // A band limit.
  ASSERT_EQ(Ctl("block factory -o " + block).status, 0);
  const CtlRun two = Ctl("eq fit " + block + " --channel 2 --measurement " + meas + " --mode peq --bands 2");
  ASSERT_EQ(two.status, 0) << two.out;
  EXPECT_NE(two.out.find("bands used: "), std::string::npos);
  const size_t used = two.out.find("bands used: ");
  int count = 99;
  ASSERT_EQ(std::sscanf(two.out.c_str() + used, "bands used: %d of 2", &count), 1) << two.out;
  EXPECT_LE(count, 2);
  EXPECT_NE(Ctl("eq fit " + block + " --channel 2 --measurement " + meas + " --bands 0").status, 0);
  const std::string target = Write("t.txt", "Frequency;Level\n20;3\n500;0\n");
  EXPECT_EQ(Ctl("eq fit " + block + " --channel 2 --measurement " + meas + " --target " + target).status, 0);
  // Refusals leave the block as it was.
  const std::string after = ReadAll(block);
  const std::string onePoint = Write("one.txt", "100 80\n");
  const CtlRun bad = Ctl("eq fit " + block + " --channel 2 --measurement " + onePoint);
  EXPECT_NE(bad.status, 0);
  EXPECT_NE(bad.out.find("line 1: only one frequency point"), std::string::npos) << bad.out;
  for (const char* args : {" --range 10-500", " --range 500-20", " --range abc", " --mode xyz", " --max-boost -1"}) {
    EXPECT_NE(Ctl("eq fit " + block + " --channel 2 --measurement " + meas + args).status, 0) << args;
  }
  EXPECT_EQ(ReadAll(block), after);
}

TEST_F(EqCli, CheckSaysWhatAFileIsUnderstoodToHold) {
  const CtlRun m = Ctl("eq check " + Write("a.csv", "\"Response\",,,\n\"Left\",,\"Right\",\nX,Y,X,Y\n"
                                                     "20,80,20,81\n200,82,200,83\n2000,84,2000,85\n\nSummary,,,\n"));
  ASSERT_EQ(m.status, 0) << m.out;
  EXPECT_NE(m.out.find("a measurement of 3 points from 20 Hz to 2000 Hz"), std::string::npos) << m.out;
  EXPECT_NE(m.out.find("channel 1 (Left) is read"), std::string::npos) << m.out;
  EXPECT_NE(m.out.find("frequency from column 1, level from column 2"), std::string::npos) << m.out;
  const CtlRun f = Ctl("eq check " + Write("f.txt", "Preamp: -3 dB\nFilter 1: ON PK Fc 91,9 Hz Gain 10,4 dB Q 2,00\n"
                                                     "Filter 2: ON PK Fc 200 Hz Gain -3 dB BW Oct 1\n"));
  ASSERT_EQ(f.status, 0) << f.out;
  EXPECT_NE(f.out.find("a filter set of 2 filters"), std::string::npos) << f.out;
  EXPECT_NE(f.out.find("Filter 1 (line 2): Fc 91.9 Hz, gain 10.4 dB, Q 2 -> band 1: 92 Hz, 10.40 dB, Q 2.00"),
            std::string::npos)
      << f.out;
  EXPECT_NE(f.out.find("changed: Filter 1: frequency 91.9 Hz rounded to 92 Hz"), std::string::npos) << f.out;
  EXPECT_NE(f.out.find("bandwidth 1 octave read as Q 1.414"), std::string::npos) << f.out;
  const CtlRun bad = Ctl("eq check " + Write("bad.txt", "Filter 1: ON PK Fc 100 Hz Gain 1\x01x dB Q 1\n"));
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.out.find("bad.txt: line 1: Filter 1: \"1\\x01x\" where a gain"), std::string::npos) << bad.out;
  EXPECT_NE(Ctl("eq check " + (dir / "missing.txt").string()).status, 0);
}

}  // namespace
