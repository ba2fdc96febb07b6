// Cost of keeping an equaliser curve up to date: one band edit and a whole
// model rebuild, with the tabled response model and with a direct complex
// evaluation of the same biquads (four trigonometric calls per point).
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <complex>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "core/eq_response.h"

namespace {

using brisvel::CEqResponse;
using brisvel::EqBandValue;
using brisvel::EqFrequencyGrid;
using brisvel::EqSection;
using brisvel::kGridPoints;

constexpr double kStartHz = 17.0;

// The grid the console builds, shared by every model here.
const std::shared_ptr<EqFrequencyGrid>& Grid() {
  static const std::shared_ptr<EqFrequencyGrid> grid = [] {
    auto g = std::make_shared<EqFrequencyGrid>();
    g->Build(kStartHz);
    return g;
  }();
  return grid;
}

// A busy channel: every band boosted or cut, both filters on.
std::array<EqBandValue, 31> BusyBands() {
  std::array<EqBandValue, 31> bands{};
  std::mt19937 rng(99);
  std::uniform_int_distribution<int> rawGain(-1200, 1200);
  std::uniform_int_distribution<int> rawQ(40, 3000);
  for (size_t i = 0; i < bands.size(); ++i) {
    int gain = rawGain(rng);
    if (gain == 0) gain = 100;
    bands[i] = {20.0 * std::pow(2.0, double(i) / 3.0), gain / 100.0, rawQ(rng) / 300.0};
  }
  return bands;
}

// The same model evaluated straight from the definition.
class ReferenceModel {
 public:
  ReferenceModel() : sections_(33), summed_(kGridPoints, 0.0) {
    for (EqSection& s : sections_) s.response.assign(kGridPoints, 0.0);
    sections_[31].kind = 1;
    sections_[32].kind = 2;
  }

  void SetBand(int i, double f, double gain, double q) {
    EqSection& s = sections_[size_t(i)];
    s.frequency = f;
    s.gain = gain;
    s.q = q;
    Compute(s);
    Sum();
  }
  void SetPass(int i, double f, double slope, int type) {
    EqSection& s = sections_[size_t(i)];
    s.frequency = f;
    s.gain = slope;
    s.type = type;
    Compute(s);
    Sum();
  }
  void RecomputeAll() {
    for (EqSection& s : sections_) Compute(s);
    Sum();
  }
  double Peak() const { return peak_; }

 private:
  static void Coefficients(EqSection& s) {
    const double w0 = 2 * std::numbers::pi * s.frequency / 48000.0;
    const double sw = std::sin(w0), cw = std::cos(w0);
    if (s.kind == 0) {
      const double a = std::pow(10.0, s.gain / 40.0), alpha = sw / (2 * s.q), d = 1 + alpha / a;
      s.b0 = (1 + alpha * a) / d;
      s.b1 = -2 * cw / d;
      s.b2 = (1 - alpha * a) / d;
      s.a1 = -2 * cw / d;
      s.a2 = (1 - alpha / a) / d;
      return;
    }
    const double k = s.type == 1 ? std::numbers::sqrt2 : s.type == 2 ? 2 / std::numbers::sqrt3 : 1.718;
    const double alpha = sw / k, d = 1 + alpha;
    s.a1 = -2 * cw / d;
    s.a2 = (1 - alpha) / d;
    const double c = s.kind == 1 ? 1 + cw : 1 - cw;
    s.b0 = s.b2 = c / (2 * d);
    s.b1 = (s.kind == 1 ? -c : c) / d;
  }
  static void Compute(EqSection& s) {
    Coefficients(s);
    const double scale = s.kind == 0 ? 1.0 : s.gain / -12.0;
    for (int k = 0; k < kGridPoints; ++k) {
      const double w = Grid()->Omega()[size_t(k)];
      const std::complex<double> z1(std::cos(w), -std::sin(w));
      const std::complex<double> z2(std::cos(2 * w), -std::sin(2 * w));
      const std::complex<double> n = s.b0 + s.b1 * z1 + s.b2 * z2;
      const std::complex<double> d = s.a0 + s.a1 * z1 + s.a2 * z2;
      s.response[size_t(k)] = scale * 20 * std::log10(std::abs(n) / std::abs(d));
    }
  }
  void Sum() {
    std::fill(summed_.begin(), summed_.end(), 0.0);
    for (const EqSection& s : sections_) {
      for (int k = 0; k < kGridPoints; ++k) summed_[size_t(k)] += s.response[size_t(k)];
    }
    peak_ = 0;
    for (double v : summed_) peak_ = std::max(peak_, v);
  }

  std::vector<EqSection> sections_;
  std::vector<double> summed_;
  double peak_ = 0;
};

void BM_BandEdit_Model(benchmark::State& state) {
  CEqResponse model;
  model.SetGrid(Grid());
  if (!model.Init(BusyBands())) state.SkipWithError("Init failed");
  model.SetHighPass(60, -24, 1);
  model.SetLowPass(12000, -12, 3);
  int edit = 0;
  for (auto _ : state) {
    const int band = edit % 31;
    benchmark::DoNotOptimize(model.SetBand(band, 40.0 + 600.0 * band, (edit & 1) ? 4.5 : -3.0, 1.4));
    benchmark::DoNotOptimize(model.Peak());
    ++edit;
  }
}
BENCHMARK(BM_BandEdit_Model);

void BM_BandEdit_Reference(benchmark::State& state) {
  ReferenceModel model;
  const auto bands = BusyBands();
  for (int i = 0; i < 31; ++i) model.SetBand(i, bands[size_t(i)].frequency, bands[size_t(i)].gain, bands[size_t(i)].q);
  model.SetPass(31, 60, -24, 1);
  model.SetPass(32, 12000, -12, 3);
  int edit = 0;
  for (auto _ : state) {
    const int band = edit % 31;
    model.SetBand(band, 40.0 + 600.0 * band, (edit & 1) ? 4.5 : -3.0, 1.4);
    benchmark::DoNotOptimize(model.Peak());
    ++edit;
  }
}
BENCHMARK(BM_BandEdit_Reference);

void BM_Rebuild_Model(benchmark::State& state) {
  CEqResponse model;
  model.SetGrid(Grid());
  if (!model.Init(BusyBands())) state.SkipWithError("Init failed");
  model.SetHighPass(60, -24, 1);
  model.SetLowPass(12000, -12, 3);
  for (auto _ : state) {
    model.Recompute(kStartHz);
    benchmark::DoNotOptimize(model.Peak());
  }
}
BENCHMARK(BM_Rebuild_Model);

void BM_Rebuild_Reference(benchmark::State& state) {
  ReferenceModel model;
  const auto bands = BusyBands();
  for (int i = 0; i < 31; ++i) model.SetBand(i, bands[size_t(i)].frequency, bands[size_t(i)].gain, bands[size_t(i)].q);
  model.SetPass(31, 60, -24, 1);
  model.SetPass(32, 12000, -12, 3);
  for (auto _ : state) {
    model.RecomputeAll();
    benchmark::DoNotOptimize(model.Peak());
  }
}
BENCHMARK(BM_Rebuild_Reference);

}  // namespace

BENCHMARK_MAIN();
