// Cost of fitting a channel's bands to a measurement over 20 Hz .. 20 kHz:
// gains only (GEQ) and frequency, Q and gain (PEQ), on a synthetic car response.
#include <benchmark/benchmark.h>

#include <cmath>

#include "core/eq_fit.h"

namespace {

using namespace brisvel;

FrequencyCurve CarResponse() {
  FrequencyCurve c;
  const struct {
    double hz, db, width;
  } modes[] = {{45, 7, 0.2}, {90, -4, 0.15}, {160, 6, 0.25}, {300, -3, 0.3}, {1200, 3, 0.4}, {4500, -4, 0.3}, {9000, 3, 0.2}};
  for (double f = 10; f <= 24000; f *= std::pow(2.0, 1.0 / 48)) {
    double db = 75.0 - 0.8 * std::log2(f / 100.0);
    for (const auto& m : modes) {
      const double x = std::log2(f / m.hz) / m.width;
      db += m.db * std::exp(-x * x);
    }
    c.hz.push_back(f);
    c.db.push_back(db);
  }
  return c;
}

void Fit(benchmark::State& state, FitMode mode) {
  const FitProblem problem = MakeFitProblem(CarResponse(), TargetCurve{}, FactoryBlock(), 2, 20, 20000);
  const ChannelBands start = BandsFromBlock(FactoryBlock(), 2);
  FitSettings settings;
  settings.mode = mode;
  double rms = 0;
  for (auto _ : state) {
    const FitResult r = FitBands(problem, start, settings);
    rms = r.after.rms;
    benchmark::DoNotOptimize(r);
  }
  state.counters["rms_dB"] = rms;
}

void BM_GeqFitFullRange(benchmark::State& state) { Fit(state, FitMode::kGeq); }
void BM_PeqFitFullRange(benchmark::State& state) { Fit(state, FitMode::kPeq); }
BENCHMARK(BM_GeqFitFullRange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeqFitFullRange)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
