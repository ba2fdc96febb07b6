// Tests of the band fitter on synthetic measurements: room modes of known
// frequency, gain and width on a tilted response, fitted in GEQ and PEQ mode,
// and a comparison with a plain least-squares solve of the band gains.
#include "core/eq_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/scales.h"

namespace brisvel {
namespace {

struct Mode {
  double hz, db, widthOct;
};

// A speaker in a car: 75 dB with a tilt and room modes as bumps in log frequency.
FrequencyCurve RoomMeasurement(const std::vector<Mode>& modes, double tiltPerOct) {
  FrequencyCurve c;
  for (double f = 10; f <= 24000; f *= std::pow(2.0, 1.0 / 48)) {
    double db = 75.0 + tiltPerOct * std::log2(f / 100.0);
    for (const Mode& m : modes) {
      const double x = std::log2(f / m.hz) / m.widthOct;
      db += m.db * std::exp(-x * x);
    }
    c.hz.push_back(f);
    c.db.push_back(db);
  }
  return c;
}

const std::vector<Mode> kModes = {{45, 7, 0.2}, {90, -4, 0.15}, {160, 6, 0.25}, {300, -3, 0.3}, {420, 4, 0.15}};

FitResult Fit(FitMode mode, const FrequencyCurve& m, FitProblem* out = nullptr, double boost = 6.0) {
  const EffectBlock& block = FactoryBlock();
  FitProblem p = MakeFitProblem(m, TargetCurve{}, block, 2, 20, 500);
  FitSettings s;
  s.mode = mode;
  s.maxBoostDb = boost;
  if (out) *out = p;
  return FitBands(p, BandsFromBlock(block, 2), s);
}

void ExpectHoldable(const ChannelBands& bands, double maxDb) {
  const auto& table = QStepTable();
  for (const BandRaw& b : bands) {
    EXPECT_LE(b.gain, maxDb * 100);
    EXPECT_GE(b.gain, -2000);
    EXPECT_EQ(b.gain % 10, 0) << "gains in 0.1 dB steps";
    EXPECT_GE(b.freq, 20);
    EXPECT_LE(b.freq, 20000);
    EXPECT_NE(std::find(table.begin(), table.end(), b.q), table.end()) << b.q;
  }
}

TEST(EqFit, GeqReachesTheTargetWithFixedFrequencies) {
  const FitResult r = Fit(FitMode::kGeq, RoomMeasurement(kModes, -1.0));
  EXPECT_TRUE(r.improved);
  EXPECT_GT(r.before.rms, 2.5);
  EXPECT_LE(r.after.rms, 1.0) << r.before.rms;
  EXPECT_LT(r.after.max, r.before.max);
  ExpectHoldable(r.bands, 6.0);
  const auto start = BandsFromBlock(FactoryBlock(), 2);
  for (int i = 0; i < kBandCount; ++i) {
    EXPECT_EQ(r.bands[i].freq, start[i].freq);
    EXPECT_EQ(r.bands[i].q, start[i].q);
    if (start[i].freq > 500) {
      EXPECT_EQ(r.bands[i].gain, 0) << "band outside the range";
    }
  }
}

TEST(EqFit, PeqMovesFrequencyQAndGainCloser) {
  FitProblem p;
  const FitResult r = Fit(FitMode::kPeq, RoomMeasurement(kModes, -1.0), &p);
  EXPECT_TRUE(r.improved);
  EXPECT_LE(r.after.rms, 0.5);
  ExpectHoldable(r.bands, 6.0);
  // The judged error is that of the quantised bands.
  EXPECT_DOUBLE_EQ(ResidualOf(p, r.bands).rms, r.after.rms);
  // Bands outside the range that were in use keep their values.
}

TEST(EqFit, BoostLimitAndNeverWorseThanTheStart) {
  // A deep dip cannot be filled with +3 dB; the fit stays within that.
  const auto m = RoomMeasurement({{100, -12, 0.3}}, 0);
  for (FitMode mode : {FitMode::kGeq, FitMode::kPeq}) {
    const FitResult r = Fit(mode, m, nullptr, 3.0);
    ExpectHoldable(r.bands, 3.0);
    EXPECT_LE(r.after.rms, r.before.rms);
  }
  // A measurement that already meets the target is left as it is.
  FitProblem p;
  const FitResult flat = Fit(FitMode::kPeq, RoomMeasurement({}, 0), &p);
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

TEST(EqFit, ProblemFollowsRangeMeasurementAndFilters) {
  const auto m = RoomMeasurement({}, 0);
  EffectBlock block = FactoryBlock();
  // High-pass at 80 Hz, 24 dB/oct: the base falls below it.
  WriteParam(block, param::HpFreq(2), 80);
  WriteParam(block, param::HpType(2), WithSlope(0, 3));
  const FitProblem p = MakeFitProblem(m, TargetCurve{}, block, 2, 20, 500);
  ASSERT_FALSE(p.hz.empty());
  EXPECT_DOUBLE_EQ(p.hz.front(), 20);
  EXPECT_DOUBLE_EQ(p.hz.back(), 500);
  EXPECT_LT(p.base.front(), p.base.back() - 20);
  // No overlap between the measurement and the range: nothing to fit.
  const FrequencyCurve tweeter{{3000, 20000}, {80, 80}};
  EXPECT_TRUE(MakeFitProblem(tweeter, TargetCurve{}, block, 2, 20, 500).hz.empty());
  const FitResult none = FitBands(FitProblem{}, BandsFromBlock(block, 2), FitSettings{});
  EXPECT_FALSE(none.improved);
}

// A plain least-squares solve of the gains of the bands in the range, each
// band's response taken as linear in its gain (its shape at +1 dB).
TEST(EqFit, GeqIsAsGoodAsAPlainLeastSquaresSolve) {
  const auto m = RoomMeasurement({{50, 3, 0.3}, {120, -2.5, 0.3}, {250, 2, 0.4}}, -0.5);
  FitProblem p;
  const FitResult r = Fit(FitMode::kGeq, m, &p, 20.0);
  const auto start = BandsFromBlock(FactoryBlock(), 2);
  std::vector<int> free;
  for (int i = 0; i < kBandCount; ++i)
    if (start[i].freq >= 20 && start[i].freq <= 500) free.push_back(i);
  const size_t n = free.size(), pts = p.hz.size();
  std::vector<std::vector<double>> basis(n, std::vector<double>(pts));
  for (size_t j = 0; j < n; ++j) {
    BandRaw unit = start[free[j]];
    unit.gain = 100;
    for (size_t i = 0; i < pts; ++i) basis[j][i] = BandDb(unit, p.hz[i]);
  }
  std::vector<double> a(n * n), rhs(n);
  for (size_t j = 0; j < n; ++j) {
    for (size_t i = 0; i < pts; ++i) rhs[j] += basis[j][i] * (p.target[i] - p.base[i]);
    for (size_t k = 0; k < n; ++k)
      for (size_t i = 0; i < pts; ++i) a[j * n + k] += basis[j][i] * basis[k][i];
  }
  for (size_t c = 0; c < n; ++c) {  // Gauss-Jordan, the matrix is positive definite
    for (size_t rr = 0; rr < n; ++rr) {
      if (rr == c) continue;
      const double f = a[rr * n + c] / a[c * n + c];
      for (size_t k = 0; k < n; ++k) a[rr * n + k] -= f * a[c * n + k];
      rhs[rr] -= f * rhs[c];
    }
  }
  ChannelBands ls = start;
  for (size_t j = 0; j < n; ++j) {
    const double g = rhs[j] / a[j * n + j];
    ASSERT_LT(std::fabs(g), 20.0) << "the comparison needs a solution within the limits";
    ls[free[j]].gain = static_cast<int>(std::lround(g * 100));
  }
  const Residual lsResidual = ResidualOf(p, ls);
  EXPECT_LE(r.after.rms, lsResidual.rms + 0.1) << "least squares " << lsResidual.rms;
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
