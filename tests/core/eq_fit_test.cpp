// Tests of the band fitter on synthetic measurements: room modes of known
// frequency, gain and width on a tilted response, fitted in GEQ and PEQ mode;
// a door woofer behind a high-pass and a low-pass, whose roll-off is never
// boosted; the summed boost limit on every grid point; edge bands; the band
// count limit; and a comparison with a plain bounded least-squares solve.
#include "core/eq_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/eq_response.h"
#include "core/scales.h"

namespace brisvel {
namespace {

struct Mode {
  double hz, db, widthOct;
};

// A speaker in a car: 75 dB with a tilt and room modes as bumps in log
// frequency, optionally rolling off below lowCorner (second order) like a
// small woofer, from loHz to hiHz.
FrequencyCurve RoomMeasurement(const std::vector<Mode>& modes, double tiltPerOct, double lowCorner = 0,
                               double loHz = 10, double hiHz = 24000) {
  FrequencyCurve c;
  for (double f = loHz; f <= hiHz * 1.0001; f *= std::pow(2.0, 1.0 / 48)) {
    double db = 75.0 + tiltPerOct * std::log2(f / 100.0);
    for (const Mode& m : modes) {
      const double x = std::log2(f / m.hz) / m.widthOct;
      db += m.db * std::exp(-x * x);
    }
    if (lowCorner > 0) db -= 10 * std::log10(1 + std::pow(lowCorner / f, 4));
    c.hz.push_back(f);
    c.db.push_back(db);
  }
  return c;
}

const std::vector<Mode> kModes = {{45, 7, 0.2}, {90, -4, 0.15}, {160, 6, 0.25}, {300, -3, 0.3}, {420, 4, 0.15}};

struct Case {
  FrequencyCurve m;
  double lo = 20, hi = 500, boost = 6.0;
  int maxBands = kBandCount;
  EffectBlock block = FactoryBlock();
};

FitResult Fit(FitMode mode, const Case& c, FitProblem* out = nullptr) {
  FitProblem p = MakeFitProblem(c.m, TargetCurve{}, c.block, 2, c.lo, c.hi);
  FitSettings s;
  s.mode = mode;
  s.maxBoostDb = c.boost;
  s.maxBands = c.maxBands;
  if (out) *out = p;
  return FitBands(p, BandsFromBlock(c.block, 2), s);
}

FitResult Fit(FitMode mode, const FrequencyCurve& m, FitProblem* out = nullptr, double boost = 6.0) {
  Case c;
  c.m = m;
  c.boost = boost;
  return Fit(mode, c, out);
}

// The values the block can hold.
void ExpectHoldable(const ChannelBands& bands) {
  const auto& table = QStepTable();
  for (const BandRaw& b : bands) {
    EXPECT_GE(b.gain, -2000);
    EXPECT_LE(b.gain, 2000);
    EXPECT_EQ(b.gain % 10, 0) << "gains in 0.1 dB steps";
    EXPECT_GE(b.freq, 20);
    EXPECT_LE(b.freq, 20000);
    EXPECT_NE(std::find(table.begin(), table.end(), b.q), table.end()) << b.q;
  }
}

// The summed response of the bands on every point of the response model's
// grid from 20 Hz to 20 kHz: never above the boost limit, and not above 0 dB
// outside the passband.
void ExpectWithinLimits(const FitResult& r, double boost) {
  EqFrequencyGrid grid;
  grid.Build(20);
  for (int k = 0; k < kGridPoints; ++k) {
    const double hz = grid.FrequencyHz(k);
    if (hz < 20 || hz > 20000) continue;
    const double sum = SummedBandsDb(r.bands, hz);
    const bool inPass = hz >= r.passLowHz && hz <= r.passHighHz;
    EXPECT_LE(sum, (inPass ? boost : 0.0) + 0.01) << hz << " Hz, passband " << r.passLowHz << "-" << r.passHighHz;
    EXPECT_GE(sum, -20.01) << hz;
  }
  EXPECT_LE(r.summedBoostDb, boost + 1e-9);
}

int BandsWithGain(const ChannelBands& bands) {
  return static_cast<int>(std::count_if(bands.begin(), bands.end(), [](const BandRaw& b) { return b.gain != 0; }));
}

TEST(EqFit, GeqReachesTheTargetWithFixedFrequencies) {
  const FitResult r = Fit(FitMode::kGeq, RoomMeasurement(kModes, -1.0));
  EXPECT_TRUE(r.improved);
  EXPECT_GT(r.before.rms, 2.5);
  EXPECT_LE(r.after.rms, 1.0) << r.before.rms;
  EXPECT_LT(r.after.max, r.before.max);
  ExpectHoldable(r.bands);
  ExpectWithinLimits(r, 6.0);
  const auto start = BandsFromBlock(FactoryBlock(), 2);
  for (int i = 0; i < kBandCount; ++i) {
    EXPECT_EQ(r.bands[i].freq, start[i].freq);
    EXPECT_EQ(r.bands[i].q, start[i].q);
    if (start[i].freq > 1000) {
      EXPECT_EQ(r.bands[i].gain, 0) << "a band that does not reach the range";
    }
  }
  EXPECT_EQ(static_cast<int>(r.bandsUsed.size()), BandsWithGain(r.bands));
}

TEST(EqFit, PeqMovesFrequencyQAndGainCloser) {
  FitProblem p;
  const FitResult r = Fit(FitMode::kPeq, RoomMeasurement(kModes, -1.0), &p);
  EXPECT_TRUE(r.improved);
  EXPECT_LE(r.after.rms, 0.5);
  ExpectHoldable(r.bands);
  ExpectWithinLimits(r, 6.0);
  // The judged error is that of the quantised bands.
  EXPECT_DOUBLE_EQ(ResidualOf(p, r.bands).rms, r.after.rms);
}

TEST(EqFit, TheRollOffOfTheChannelsFiltersIsNeverBoosted) {
  // A door woofer that falls off below 70 Hz, behind a high-pass at 80 Hz and
  // a low-pass at 3 kHz (24 dB/octave each), with a dip and a peak in its band.
  Case c;
  c.m = RoomMeasurement({{200, -8, 0.3}, {1000, 5, 0.3}, {6000, -6, 0.5}}, -0.5, 70);
  c.lo = 20;
  c.hi = 20000;
  WriteParam(c.block, param::HpFreq(2), 80);
  WriteParam(c.block, param::HpType(2), WithSlope(0, 3));
  WriteParam(c.block, param::LpFreq(2), 3000);
  WriteParam(c.block, param::LpType(2), WithSlope(0, 3));
  for (FitMode mode : {FitMode::kGeq, FitMode::kPeq}) {
    FitProblem p;
    const FitResult r = Fit(mode, c, &p);
    EXPECT_TRUE(r.improved);
    EXPECT_NEAR(r.passLowHz, 80, 6);
    EXPECT_NEAR(r.passHighHz, 3000, 200);
    EXPECT_GE(p.hz.front(), r.passLowHz - 1e-9) << "the target is fitted only inside the passband";
    EXPECT_LE(p.hz.back(), r.passHighHz + 1e-9);
    ExpectHoldable(r.bands);
    ExpectWithinLimits(r, 6.0);
    // The dip at 200 Hz is filled as far as the limits allow (no band tail may
    // boost below 80 Hz).
    EXPECT_GT(SummedBandsDb(r.bands, 200), 1.5);
    EXPECT_LT(r.after.rms, 0.7 * r.before.rms);
  }
  // Whatever the boost limit, no boost below the high-pass or above the low-pass.
  c.boost = 20;
  const FitResult wide = Fit(FitMode::kGeq, c);
  ExpectWithinLimits(wide, 20.0);
  for (double hz : {20.0, 30.0, 50.0, 5000.0, 10000.0}) EXPECT_LE(SummedBandsDb(wide.bands, hz), 0.01) << hz;
}

TEST(EqFit, TheBoostLimitHoldsForTheSumNotEachBand) {
  // A wide deep dip: neighbouring bands would add up far beyond the limit.
  const auto m = RoomMeasurement({{100, -15, 0.8}}, 0);
  for (FitMode mode : {FitMode::kGeq, FitMode::kPeq}) {
    for (double boost : {3.0, 6.0}) {
      const FitResult r = Fit(mode, m, nullptr, boost);
      ExpectHoldable(r.bands);
      ExpectWithinLimits(r, boost);
      EXPECT_GT(r.summedBoostDb, boost - 0.5) << "the limit is used";
      EXPECT_LE(r.after.rms, r.before.rms);
    }
  }
  // A measurement that already meets the target is left as it is.
  const FitResult flat = Fit(FitMode::kPeq, RoomMeasurement({}, 0));
  EXPECT_FALSE(flat.improved);
  EXPECT_EQ(flat.bands, BandsFromBlock(FactoryBlock(), 2));
  // A start that is already good is not made worse, in either mode.
  const auto modes = RoomMeasurement(kModes, -1.0);
  const FitProblem problem = MakeFitProblem(modes, TargetCurve{}, FactoryBlock(), 2, 20, 500);
  const FitResult first = Fit(FitMode::kGeq, modes);
  for (FitMode mode : {FitMode::kGeq, FitMode::kPeq}) {
    FitSettings s;
    s.mode = mode;
    const FitResult again = FitBands(problem, first.bands, s);
    EXPECT_LE(again.after.rms, first.after.rms + 1e-12);
  }
}

TEST(EqFit, EdgeBandsTakePartWhenTheDataEndsJustInsideTheRange) {
  // Data from 20.14 Hz to 19,955 Hz with a rise at both ends: the 20 Hz and
  // 20 kHz bands reach into it and are used.
  Case c;
  c.m = RoomMeasurement({{20, 5, 0.4}, {20000, 5, 0.4}}, 0, 0, 20.14, 19955);
  c.lo = 20;
  c.hi = 20000;
  for (FitMode mode : {FitMode::kGeq, FitMode::kPeq}) {
    const FitResult r = Fit(mode, c);
    ASSERT_TRUE(r.improved);
    EXPECT_LT(r.bands.front().gain, -100) << "20 Hz";
    EXPECT_LT(r.bands.back().gain, -100) << "20 kHz";
    EXPECT_LT(r.after.rms, 0.5 * r.before.rms);
  }
}

TEST(EqFit, PeqIsNeverWorseThanGeqAndKeepsAddingBandsWhileTheErrorFalls) {
  // Many narrow modes, as headphone and room measurements have them.
  const std::vector<Mode> many = {{32, 5, 0.1},  {48, -6, 0.12}, {71, 7, 0.1},   {105, -5, 0.1},
                                  {150, 6, 0.08}, {220, -4, 0.1}, {330, 5, 0.12}, {470, -3, 0.1},
                                  {2500, 4, 0.2}, {7000, -5, 0.15}};
  std::vector<Case> cases;
  for (double tilt : {0.0, -1.0}) {
    Case c;
    c.m = RoomMeasurement(many, tilt);
    cases.push_back(c);
    c.hi = 20000;
    cases.push_back(c);
    c.maxBands = 6;
    cases.push_back(c);
  }
  Case filtered;
  filtered.m = RoomMeasurement(kModes, -1.0, 60);
  WriteParam(filtered.block, param::HpFreq(2), 80);
  WriteParam(filtered.block, param::HpType(2), WithSlope(0, 3));
  cases.push_back(filtered);
  for (size_t i = 0; i < cases.size(); ++i) {
    const FitResult geq = Fit(FitMode::kGeq, cases[i]);
    const FitResult peq = Fit(FitMode::kPeq, cases[i]);
    EXPECT_LE(peq.after.rms, geq.after.rms + 1e-9) << "case " << i;
    ExpectWithinLimits(peq, 6.0);
    EXPECT_LE(static_cast<int>(peq.bandsUsed.size()), cases[i].maxBands) << "case " << i;
    EXPECT_LE(static_cast<int>(geq.bandsUsed.size()), cases[i].maxBands) << "case " << i;
  }
  // The narrow modes take more than a handful of bands.
  const FitResult peq = Fit(FitMode::kPeq, cases[0]);
  EXPECT_GT(peq.bandsUsed.size(), 6u);
  EXPECT_LT(peq.after.rms, 0.6 * peq.before.rms);
}

TEST(EqFit, ABandLimitIsKept) {
  Case c;
  c.m = RoomMeasurement(kModes, -1.0);
  for (int n : {1, 3, 5}) {
    c.maxBands = n;
    for (FitMode mode : {FitMode::kGeq, FitMode::kPeq}) {
      const FitResult r = Fit(mode, c);
      EXPECT_TRUE(r.improved) << n;
      EXPECT_LE(BandsWithGain(r.bands), n) << n;
    }
  }
}

TEST(EqFit, ProblemFollowsRangeMeasurementAndFilters) {
  const auto m = RoomMeasurement({}, 0);
  EffectBlock block = FactoryBlock();
  const FitProblem all = MakeFitProblem(m, TargetCurve{}, block, 2, 20, 500);
  EXPECT_DOUBLE_EQ(all.hz.front(), 20);
  EXPECT_DOUBLE_EQ(all.hz.back(), 500);
  // High-pass at 80 Hz, 24 dB/oct: the points start at its -3 dB point, the
  // target follows the filter there, so the crossover is no error.
  WriteParam(block, param::HpFreq(2), 80);
  WriteParam(block, param::HpType(2), WithSlope(0, 3));
  const FitProblem p = MakeFitProblem(m, TargetCurve{}, block, 2, 20, 500);
  ASSERT_FALSE(p.hz.empty());
  EXPECT_NEAR(p.hz.front(), 80, 6);
  EXPECT_NEAR(p.target.front() - p.target.back(), p.base.front() - p.base.back(), 1e-9);
  EXPECT_LT(ResidualOf(p, BandsFromBlock(block, 2)).max, 1e-9);
  // No overlap between the measurement and the range: nothing to fit.
  const FrequencyCurve tweeter{{3000, 20000}, {80, 80}, {}};
  EXPECT_TRUE(MakeFitProblem(tweeter, TargetCurve{}, block, 2, 20, 500).hz.empty());
  const FitResult none = FitBands(FitProblem{}, BandsFromBlock(block, 2), FitSettings{});
  EXPECT_FALSE(none.improved);
}

// A plain bounded least-squares solve of the gains of all bands, each band's
// response taken as linear in its gain (its shape at +1 dB): the normal
// equations solved with the bands at a bound held there, until none leaves
// its bounds.
TEST(EqFit, GeqIsWithinFivePercentOfAPlainBoundedLeastSquaresSolve) {
  Case c;
  c.m = RoomMeasurement({{50, 3, 0.3}, {120, -2.5, 0.3}, {250, 2, 0.4}, {2000, 2, 0.5}, {8000, -3, 0.4}}, -0.5);
  c.lo = 20;
  c.hi = 20000;
  c.boost = 20;
  FitProblem p;
  const FitResult r = Fit(FitMode::kGeq, c, &p);
  const auto start = BandsFromBlock(FactoryBlock(), 2);
  const size_t n = kBandCount, pts = p.hz.size();
  std::vector<std::vector<double>> basis(n, std::vector<double>(pts));
  for (size_t j = 0; j < n; ++j) {
    BandRaw unit = start[j];
    unit.gain = 100;
    for (size_t i = 0; i < pts; ++i) basis[j][i] = BandDb(unit, p.hz[i]);
  }
  const double lo = -20, hi = 6;
  std::vector<double> g(n, 0.0);
  std::vector<bool> held(n, false);
  for (int round = 0; round < 40; ++round) {
    std::vector<size_t> freeIdx;
    for (size_t j = 0; j < n; ++j)
      if (!held[j]) freeIdx.push_back(j);
    const size_t m = freeIdx.size();
    std::vector<double> a(m * m), rhs(m);
    for (size_t x = 0; x < m; ++x) {
      for (size_t i = 0; i < pts; ++i) {
        double residual = p.target[i] - p.base[i];
        for (size_t j = 0; j < n; ++j)
          if (held[j]) residual -= g[j] * basis[j][i];
        rhs[x] += basis[freeIdx[x]][i] * residual;
      }
      for (size_t y = 0; y < m; ++y)
        for (size_t i = 0; i < pts; ++i) a[x * m + y] += basis[freeIdx[x]][i] * basis[freeIdx[y]][i];
    }
    for (size_t col = 0; col < m; ++col) {  // Gauss-Jordan, the matrix is positive definite
      for (size_t row = 0; row < m; ++row) {
        if (row == col) continue;
        const double f = a[row * m + col] / a[col * m + col];
        for (size_t k = 0; k < m; ++k) a[row * m + k] -= f * a[col * m + k];
        rhs[row] -= f * rhs[col];
      }
    }
    bool clamped = false;
    for (size_t x = 0; x < m; ++x) {
      const double v = rhs[x] / a[x * m + x];
      g[freeIdx[x]] = std::clamp(v, lo, hi);
      if (v < lo || v > hi) held[freeIdx[x]] = clamped = true;
    }
    if (!clamped) break;
  }
  ChannelBands ls = start;
  for (size_t j = 0; j < n; ++j) ls[j].gain = static_cast<int>(std::lround(g[j] * 100));
  const Residual lsResidual = ResidualOf(p, ls);
  EXPECT_LE(r.after.rms, 1.05 * lsResidual.rms) << "least squares " << lsResidual.rms;
}

TEST(EqFit, BlockRoundTripOfBands) {
  EffectBlock block = FactoryBlock();
  ChannelBands bands = BandsFromBlock(block, 4);
  bands[3] = {63, 1400, -456};
  bands[30] = {19999, 40, 2000};
  WriteBands(block, 4, bands);
  EXPECT_EQ(BandsFromBlock(block, 4), bands);
  EXPECT_EQ(BandsFromBlock(block, 3), BandsFromBlock(FactoryBlock(), 3));
  // The model's shape: +12 dB at the centre of a band.
  EXPECT_NEAR(BandDb({1000, 760, 1200}, 1000), 12.0, 1e-6);
  EXPECT_DOUBLE_EQ(BandDb({1000, 760, 0}, 1000), 0.0);
}

}  // namespace
}  // namespace brisvel
