// Tests of the equaliser response model: the shared frequency grid, the update
// rules of bands and filters, and agreement of the tabled evaluation with a
// direct complex evaluation of the biquads.
#include "core/eq_response.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <memory>
#include <numbers>
#include <random>

namespace brisvel {
namespace {

constexpr double kStartHz = 17.0;  // the console's start frequency

// The grid as the console builds it, shared by the models of these tests.
const std::shared_ptr<EqFrequencyGrid>& ConsoleGrid() {
  static const std::shared_ptr<EqFrequencyGrid> grid = [] {
    auto g = std::make_shared<EqFrequencyGrid>();
    g->Build(kStartHz);
    return g;
  }();
  return grid;
}

// Straight from the definition: N and D evaluated as complex numbers with four
// trigonometric calls per point, in double or in extended precision.
template <typename Real>
std::vector<double> ReferenceResponse(const EqSection& s) {
  std::vector<double> out(kGridPoints);
  const Real b0 = s.b0, b1 = s.b1, b2 = s.b2, a0 = s.a0, a1 = s.a1, a2 = s.a2;
  for (int k = 0; k < kGridPoints; ++k) {
    const Real w = ConsoleGrid()->Omega()[static_cast<size_t>(k)];
    const std::complex<Real> z1(std::cos(w), -std::sin(w));
    const std::complex<Real> z2(std::cos(2 * w), -std::sin(2 * w));
    const std::complex<Real> n = b0 + b1 * z1 + b2 * z2;
    const std::complex<Real> d = a0 + a1 * z1 + a2 * z2;
    Real db = 20 * std::log10(std::abs(n) / std::abs(d));
    if (s.kind != 0) db *= Real(s.gain) / -12;
    out[static_cast<size_t>(k)] = static_cast<double>(db);
  }
  return out;
}

std::vector<double> ReferenceResponse(const EqSection& s) { return ReferenceResponse<double>(s); }

bool AllZero(const std::vector<double>& v) {
  return std::all_of(v.begin(), v.end(), [](double x) { return x == 0.0; });
}

bool AllFinite(const std::vector<double>& v) {
  return std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
}

int NearestPoint(double hz) {
  int best = 0;
  for (int k = 1; k < kGridPoints; ++k) {
    if (std::fabs(std::log(ConsoleGrid()->FrequencyHz(k) / hz)) <
        std::fabs(std::log(ConsoleGrid()->FrequencyHz(best) / hz))) {
      best = k;
    }
  }
  return best;
}

std::array<EqBandValue, 31> FlatBands() {
  std::array<EqBandValue, 31> bands{};
  for (size_t i = 0; i < bands.size(); ++i) bands[i] = {20.0 * std::pow(1.25, double(i)), 0.0, 1.0};
  return bands;
}

class EqResponseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    model.SetGrid(ConsoleGrid());
    ASSERT_TRUE(model.Init(FlatBands()));
  }
  const EqSection& Section(int i) const { return model.Sections()[static_cast<size_t>(i)]; }
  CEqResponse model;
};

TEST(EqFrequencyGridTest, EndpointsClampAndBuildOnce) {
  EqFrequencyGrid grid;
  EXPECT_FALSE(grid.Built());
  EXPECT_EQ(grid.StartFrequency(), -1.0);
  grid.Build(kStartHz);
  ASSERT_TRUE(grid.Built());
  EXPECT_EQ(grid.StartFrequency(), kStartHz);
  EXPECT_NEAR(grid.FrequencyHz(0), kStartHz, 1e-9);
  EXPECT_NEAR(grid.Omega()[0], 2 * std::numbers::pi * kStartHz / 48000, 1e-15);
  const double last = grid.FrequencyHz(kGridPoints - 1);
  EXPECT_LT(last, 24000.0);
  EXPECT_NEAR(last, kStartHz * std::pow(24000 / kStartHz, 1023.0 / 1024.0), 1e-7);
  for (int k = 1; k < kGridPoints; ++k) {
    ASSERT_GT(grid.FrequencyHz(k), grid.FrequencyHz(k - 1));
  }
  grid.Build(12.0);  // fixed once built
  EXPECT_EQ(grid.StartFrequency(), kStartHz);

  EqFrequencyGrid low;
  low.Build(3.0);
  EXPECT_EQ(low.StartFrequency(), 10.0);
  EqFrequencyGrid high;
  high.Build(50.0);
  EXPECT_EQ(high.StartFrequency(), 20.0);
  EXPECT_NEAR(high.FrequencyHz(0), 20.0, 1e-9);
  EXPECT_EQ(EqFrequencyGrid::ClampStart(std::nan("")), 10.0);
}

TEST(EqFrequencyGridTest, ModelsShareTheGridTheirOwnerGivesThem) {
  auto grid = std::make_shared<EqFrequencyGrid>();
  auto bands = FlatBands();
  bands[17].gain = 6.0;
  CEqResponse first, second;
  first.SetGrid(grid);
  second.SetGrid(grid);
  ASSERT_TRUE(first.Init(bands));
  ASSERT_TRUE(second.Init(bands));
  EXPECT_EQ(second.Peak(), 0.0);  // nothing is computed before the grid exists
  first.Recompute(kStartHz);      // builds the shared grid
  EXPECT_EQ(second.Grid(), grid.get());
  EXPECT_TRUE(grid->Built());
  second.Recompute(12.0);  // the grid stays as the first call built it
  EXPECT_EQ(grid->StartFrequency(), kStartHz);
  EXPECT_EQ(first.Summed(), second.Summed());
  EXPECT_NEAR(first.Peak(), 6.0, 0.2);

  // A model given a grid that is already built computes its curves at once.
  CEqResponse late;
  ASSERT_TRUE(late.Init(bands));
  late.SetGrid(grid);
  EXPECT_EQ(late.Summed(), first.Summed());

  // Without a grid of its own a model makes one at its first Recompute.
  CEqResponse alone;
  ASSERT_TRUE(alone.Init(bands));
  alone.Recompute(20.0);
  ASSERT_NE(alone.Grid(), nullptr);
  EXPECT_EQ(alone.Grid()->StartFrequency(), 20.0);
  EXPECT_EQ(grid->StartFrequency(), kStartHz);
}

TEST(EqResponseLifecycleTest, NewModelIsEmptyAndRefusesBandReload) {
  CEqResponse model;
  EXPECT_TRUE(model.Sections().empty());
  EXPECT_EQ(model.BandCount(), 0);
  EXPECT_EQ(model.HighPassIndex(), -1);
  EXPECT_EQ(model.LowPassIndex(), -1);
  EXPECT_EQ(model.CurrentSection(), -1);
  EXPECT_EQ(model.Peak(), 0.0);
  EXPECT_FALSE(model.LoadBands(FlatBands()));
  EXPECT_FALSE(model.SetBand(0, 1000, 6, 1));
  model.SetHighPass(100, -12, 1);  // nothing to hold it: ignored
  EXPECT_EQ(model.HighPassIndex(), -1);
  EXPECT_EQ(model.CurrentSection(), -1);
  EXPECT_TRUE(model.Summed().empty());
}

TEST(EqResponseLifecycleTest, BeforeTheGridEverythingStaysZeroUntilFirstRecompute) {
  CEqResponse model;
  model.SetGrid(std::make_shared<EqFrequencyGrid>());
  auto bands = FlatBands();
  bands[20].gain = 6.0;
  ASSERT_TRUE(model.Init(bands));
  EXPECT_TRUE(model.SetBand(10, 1000, -4, 2));
  model.SetHighPass(80, -24, 1);
  model.SetLowPass(8000, -12, 2);
  EXPECT_EQ(model.CurrentSection(), CEqResponse::kLowPassSection);
  for (const EqSection& s : model.Sections()) EXPECT_TRUE(AllZero(s.response));
  EXPECT_TRUE(AllZero(model.Summed()));
  EXPECT_EQ(model.Peak(), 0.0);

  model.Recompute(kStartHz);
  ASSERT_TRUE(model.Grid()->Built());
  EXPECT_EQ(model.CurrentSection(), CEqResponse::kLowPassSection);
  for (int i : {20, 10, 31, 32}) {
    const EqSection& s = model.Sections()[size_t(i)];
    const std::vector<double> ref = ReferenceResponse(s);
    for (int k = 0; k < kGridPoints; ++k) ASSERT_NEAR(s.response[size_t(k)], ref[size_t(k)], 1e-9) << i;
  }
  EXPECT_FALSE(AllZero(model.Summed()));
  EXPECT_GT(model.Peak(), 5.0);
  EXPECT_TRUE(AllZero(model.Sections()[0].response));
}

TEST_F(EqResponseTest, BandAtZeroDbNeverContributesNorBecomesCurrent) {
  EXPECT_FALSE(model.SetBand(3, 1000, 0.0, 1.0));
  EXPECT_FALSE(model.SetBand(3, 2500, 0.005, 3.0));  // f and Q change, gain stays off
  EXPECT_EQ(Section(3).frequency, 2500);
  EXPECT_EQ(model.CurrentSection(), -1);
  EXPECT_TRUE(AllZero(Section(3).response));

  EXPECT_TRUE(model.SetBand(3, 1000, 6.0, 1.0));
  EXPECT_EQ(model.CurrentSection(), 3);
  EXPECT_FALSE(AllZero(model.Summed()));
  EXPECT_TRUE(model.SetBand(3, 1000, 0.0, 1.0));  // switching it off changes the curve
  EXPECT_EQ(model.CurrentSection(), -1);
  EXPECT_TRUE(AllZero(Section(3).response));
  EXPECT_TRUE(AllZero(model.Summed()));
  EXPECT_EQ(model.Peak(), 0.0);
  EXPECT_FALSE(model.SetBand(31, 1000, 6.0, 1.0));  // not a band
  EXPECT_FALSE(model.SetBand(-1, 1000, 6.0, 1.0));
}

TEST_F(EqResponseTest, SingleBandReachesItsGainAtItsCentre) {
  ASSERT_TRUE(model.SetBand(12, 1000, 12.0, 1.0));
  const int k = NearestPoint(1000);
  EXPECT_NEAR(Section(12).response[size_t(k)], 12.0, 0.01);
  EXPECT_NEAR(model.Summed()[size_t(k)], 12.0, 0.01);
  EXPECT_NEAR(model.Peak(), 12.0, 0.01);
  EXPECT_LE(model.Peak(), 12.0 + 1e-9);

  ASSERT_TRUE(model.SetBand(12, 1000, -12.0, 1.0));  // only cuts: the peak stays at 0
  EXPECT_NEAR(model.Summed()[size_t(k)], -12.0, 0.01);
  EXPECT_EQ(model.Peak(), 0.0);
}

TEST_F(EqResponseTest, FiltersOutsideTheWindowDrawNothingAndAreNotCurrent) {
  model.SetHighPass(19.9, -12, 1);
  EXPECT_EQ(model.HighPassIndex(), CEqResponse::kHighPassSection);
  EXPECT_EQ(model.CurrentSection(), -1);
  EXPECT_TRUE(AllZero(Section(31).response));
  model.SetHighPass(20, -12, 1);
  EXPECT_EQ(model.CurrentSection(), CEqResponse::kHighPassSection);
  EXPECT_FALSE(AllZero(Section(31).response));
  model.SetHighPass(0, -12, 1);  // off again: the old curve goes
  EXPECT_TRUE(AllZero(Section(31).response));
  EXPECT_TRUE(AllZero(model.Summed()));

  model.SetLowPass(20000, -12, 1);
  EXPECT_EQ(model.LowPassIndex(), CEqResponse::kLowPassSection);
  EXPECT_EQ(model.CurrentSection(), -1);
  EXPECT_TRUE(AllZero(Section(32).response));
  model.SetLowPass(19999, -12, 1);
  EXPECT_EQ(model.CurrentSection(), CEqResponse::kLowPassSection);
  EXPECT_FALSE(AllZero(Section(32).response));
}

TEST_F(EqResponseTest, FilterWithSlopeOffContributesNothingYetIsCurrent) {
  model.SetHighPass(120, 0.0, 1);  // slope index 8
  EXPECT_EQ(model.CurrentSection(), CEqResponse::kHighPassSection);
  EXPECT_TRUE(AllZero(Section(31).response));
  EXPECT_TRUE(AllZero(model.Summed()));
  EXPECT_EQ(Section(31).kind, 1);
  EXPECT_EQ(Section(31).q, 1.0);
}

TEST_F(EqResponseTest, SlopeScalesTheSecondOrderResponse) {
  model.SetLowPass(2000, -12, 3);
  const std::vector<double> base = Section(32).response;
  for (double slope : {-6.0, -24.0, -48.0}) {
    model.SetLowPass(2000, slope, 3);
    for (int k = 0; k < kGridPoints; k += 7) {
      ASSERT_NEAR(Section(32).response[size_t(k)], base[size_t(k)] * slope / -12.0,
                  1e-9 * (1 + std::fabs(base[size_t(k)])))
          << "slope " << slope << " point " << k;
    }
  }
}

TEST_F(EqResponseTest, ButterworthIsThreeDbDownAtItsCorner) {
  const int k = NearestPoint(150);
  const double corner = ConsoleGrid()->FrequencyHz(k);
  model.SetHighPass(corner, -12, 1);
  EXPECT_NEAR(Section(31).response[size_t(k)], -3.0103, 1e-4);
  model.SetLowPass(corner, -12, 1);
  EXPECT_NEAR(Section(32).response[size_t(k)], -3.0103, 1e-4);
  EXPECT_NEAR(model.Summed()[size_t(k)], -6.0206, 2e-4);
}

TEST_F(EqResponseTest, LoadBandsKeepsFiltersAndClearsCurrent) {
  model.SetHighPass(60, -24, 2);
  const std::vector<double> highPass = Section(31).response;
  ASSERT_TRUE(model.SetBand(5, 300, 4, 2));
  EXPECT_EQ(model.CurrentSection(), 5);
  auto bands = FlatBands();
  bands[20] = {5000, -6.0, 0.5};
  ASSERT_TRUE(model.LoadBands(bands));
  EXPECT_EQ(model.CurrentSection(), -1);
  EXPECT_TRUE(AllZero(Section(5).response));
  EXPECT_FALSE(AllZero(Section(20).response));
  EXPECT_EQ(Section(31).response, highPass);
  EXPECT_EQ(Section(31).frequency, 60);
  for (int k = 0; k < kGridPoints; ++k) {
    ASSERT_NEAR(model.Summed()[size_t(k)], highPass[size_t(k)] + Section(20).response[size_t(k)], 1e-12);
  }

  model.Recompute(kStartHz);  // current stays as it is
  EXPECT_EQ(model.CurrentSection(), -1);
  ASSERT_TRUE(model.Init(FlatBands()));  // a second Init starts afresh
  EXPECT_EQ(model.HighPassIndex(), -1);
  EXPECT_TRUE(AllZero(model.Summed()));
}

// The curve depends on the current settings alone: a model edited step by step
// ends with exactly the curve of one loaded with the final settings.
TEST_F(EqResponseTest, EditHistoryDoesNotShowInTheCurve) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> band(0, 30);
  std::uniform_int_distribution<int> rawGain(-1200, 1200);
  std::array<EqBandValue, 31> finalBands = FlatBands();
  for (int step = 0; step < 200; ++step) {
    const int b = band(rng);
    const double gain = (step % 5 == 0) ? 0.0 : rawGain(rng) / 100.0;
    finalBands[size_t(b)] = {100.0 + 50 * b, gain, 1.5};
    model.SetBand(b, 100.0 + 50 * b, gain, 1.5);
    if (step == 50) model.SetHighPass(90, -18, 2);
    if (step == 120) model.SetLowPass(5000, -6, 1);
  }
  CEqResponse fresh;
  fresh.SetGrid(ConsoleGrid());
  ASSERT_TRUE(fresh.Init(finalBands));
  fresh.SetHighPass(90, -18, 2);
  fresh.SetLowPass(5000, -6, 1);
  EXPECT_EQ(model.Summed(), fresh.Summed());
  EXPECT_EQ(model.Peak(), fresh.Peak());
  model.Recompute(kStartHz);
  EXPECT_EQ(model.Summed(), fresh.Summed());
}

// Random channels: bands over the whole gain, Q and frequency ranges, filters
// of every shape and slope. Returns the largest difference per point seen.
double CompareWithDirectEvaluation(CEqResponse& model, bool extended, double tolerance, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> logHz(std::log(20.0), std::log(20000.0));
  std::uniform_int_distribution<int> rawGain(-2400, 2400);
  std::uniform_int_distribution<int> rawQ(40, 12800);
  std::uniform_int_distribution<int> slopeIndex(0, 7);
  std::uniform_int_distribution<int> shape(1, 3);
  auto hz = [&] { return std::min(19999.0, std::round(std::exp(logHz(rng)))); };
  double worst = 0;
  for (int round = 0; round < 30; ++round) {
    std::array<EqBandValue, 31> bands{};
    for (EqBandValue& b : bands) b = {hz(), rawGain(rng) / 100.0, rawQ(rng) / 300.0};
    EXPECT_TRUE(model.LoadBands(bands));
    model.SetHighPass(hz(), -6.0 * (slopeIndex(rng) + 1), shape(rng));
    model.SetLowPass(hz(), -6.0 * (slopeIndex(rng) + 1), shape(rng));
    std::vector<double> sum(kGridPoints, 0.0);
    for (const EqSection& s : model.Sections()) {
      if (AllZero(s.response)) continue;
      const std::vector<double> ref = extended ? ReferenceResponse<long double>(s) : ReferenceResponse<double>(s);
      for (int k = 0; k < kGridPoints; ++k) {
        const double diff = std::fabs(s.response[size_t(k)] - ref[size_t(k)]);
        if (diff > worst) worst = diff;
        EXPECT_LE(diff, tolerance) << "kind " << s.kind << " type " << s.type << " f " << s.frequency
                              << " gain " << s.gain << " q " << s.q << " point " << k;
        if (diff > tolerance) return worst;
        sum[size_t(k)] += ref[size_t(k)];
      }
    }
    for (int k = 0; k < kGridPoints; ++k) {
      EXPECT_NEAR(model.Summed()[size_t(k)], sum[size_t(k)], kEqSectionCount * tolerance);
    }
    const double peak = std::max(0.0, *std::max_element(model.Summed().begin(), model.Summed().end()));
    EXPECT_EQ(model.Peak(), peak);
  }
  return worst;
}

// Against the direct evaluation carried out in extended precision.
TEST_F(EqResponseTest, AgreesWithDirectComplexEvaluation) {
  const double worst = CompareWithDirectEvaluation(model, true, 1e-9, 4711);
  std::printf("largest difference %.3g dB\n", worst);
}

// The same evaluation in double loses up to about 1e-8 dB to rounding where N
// or D nearly vanishes: steep high-passes at the lowest grid points, narrow
// bands at low frequencies. Agreement with it is checked at that level.
TEST_F(EqResponseTest, AgreesWithDirectComplexEvaluationInDouble) {
  const double worst = CompareWithDirectEvaluation(model, false, 2e-8, 815);
  std::printf("largest difference %.3g dB\n", worst);
}

TEST_F(EqResponseTest, DegenerateValuesNeverReachTheCurve) {
  EXPECT_TRUE(model.SetBand(0, 1000, 6.0, 0.0));     // Q of 0
  EXPECT_TRUE(model.SetBand(1, 0.0, 12.0, 1.0));     // no frequency
  EXPECT_TRUE(model.SetBand(2, 1000, -327.68, 42.67));
  EXPECT_TRUE(model.SetBand(3, 30000, 12.0, 0.2));
  EXPECT_FALSE(model.SetBand(4, 1000, std::nan(""), 1.0));
  model.SetHighPass(20, -48, 3);
  model.SetLowPass(19999, -48, 2);
  for (const EqSection& s : model.Sections()) EXPECT_TRUE(AllFinite(s.response));
  EXPECT_TRUE(AllFinite(model.Summed()));
  EXPECT_TRUE(std::isfinite(model.Peak()));
  EXPECT_TRUE(AllZero(Section(0).response));
}

}  // namespace
}  // namespace brisvel
