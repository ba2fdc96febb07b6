// Cost of fitting a channel's bands to a measurement over 20 Hz .. 20 kHz:
// gains only (GEQ) and frequency, Q and gain (PEQ), on a synthetic car
// response given with 1,000 and with 50,000 measured points.
#include <benchmark/benchmark.h>

#include <cmath>

#include "core/eq_fit.h"

namespace {

using namespace brisvel;

FrequencyCurve CarResponse(int points) {
  FrequencyCurve c;
  const struct {
    double hz, db, width;
  } modes[] = {{45, 7, 0.2}, {90, -4, 0.15}, {160, 6, 0.25}, {300, -3, 0.3}, {1200, 3, 0.4}, {4500, -4, 0.3}, {9000, 3, 0.2}};
  for (int i = 0; i < points; ++i) {
    const double f = 10.0 * std::pow(24000.0 / 10.0, static_cast<double>(i) / (points - 1));
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

// The whole fit as the window runs it: the problem from the measurement, then the fit.
void Fit(benchmark::State& state, FitMode mode) {
  const FrequencyCurve measurement = CarResponse(static_cast<int>(state.range(0)));
  const ChannelBands start = BandsFromBlock(FactoryBlock(), 2);
  FitSettings settings;
  settings.mode = mode;
  double rms = 0, boost = 0;
  for (auto _ : state) {
    const FitProblem problem = MakeFitProblem(measurement, TargetCurve{}, FactoryBlock(), 2, 20, 20000);
    const FitResult r = FitBands(problem, start, settings);
    rms = r.after.rms;
    boost = r.summedBoostDb;
    benchmark::DoNotOptimize(r);
  }
  state.counters["rms_dB"] = rms;
  state.counters["boost_dB"] = boost;
}

void BM_GeqFitFullRange(benchmark::State& state) { Fit(state, FitMode::kGeq); }
void BM_PeqFitFullRange(benchmark::State& state) { Fit(state, FitMode::kPeq); }
BENCHMARK(BM_GeqFitFullRange)->Arg(1000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeqFitFullRange)->Arg(1000)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
