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
  EXPECT_NE(Ctl("eq export " + block + " --channel 3").out.find("Filter 5: ON PK Fc 50 Hz Gain -4.50 dB Q 1.40"),
            std::string::npos);
}

TEST_F(EqCli, ImportReportsAndRefusesWithoutTouchingTheBlock) {
  const std::string filters = Write("f.txt",
                                    "Preamp: -3 dB\nFilter 1: ON PK Fc 48 Hz Gain -7 dB Q 1.41\n"
                                    "Filter 2: ON HSC Fc 8000 Hz Gain 2 dB Q 0.7\n");
  const CtlRun in = Ctl("eq import " + block + " " + filters + " --channel 0");
  ASSERT_EQ(in.status, 0) << in.out;
  EXPECT_NE(in.out.find("changed: Filter 1: Q 1.41 taken as the nearest step 1.40"), std::string::npos) << in.out;
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
    EXPECT_GT(before, 1.0);
    EXPECT_LT(after, 0.5 * before) << mode;
    const auto bytes = ReadAll(block);
    brisvel::EffectBlock b{};
    ASSERT_EQ(bytes.size(), b.size());
    std::copy(bytes.begin(), bytes.end(), b.begin());
    for (int band = 0; band < brisvel::kBandCount; ++band) {
      EXPECT_LE(static_cast<int16_t>(brisvel::ReadParam(b, brisvel::param::EqGain(2, band))), 300);
    }
  }
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

}  // namespace
