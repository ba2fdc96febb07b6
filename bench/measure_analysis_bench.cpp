// Cost of turning a recorded sweep into numbers: a 10 s sweep at 48 kHz
// deconvolved into its impulse response, the arrival found and the response
// taken with 1/12-octave smoothing; and the simulated car recording it.
#include <benchmark/benchmark.h>

#include "core/param_table.h"
#include "measure/analysis.h"
#include "measure/sim_car.h"
#include "measure/sweep.h"

namespace {

using namespace brisvel;
using namespace brisvel::measure;

EffectBlock OneChannel() {
  EffectBlock b = FactoryBlock();
  WriteParam(b, param::kMuteCtrl, 0x3F & ~(1 << 2));
  return b;
}

void AnalyseTenSecondSweep(benchmark::State& state) {
  const SweepSpec spec{20, 20000, 10.0, -30, kMeasureRate};
  const std::vector<float> sweep = ExponentialSweep(spec);
  const std::vector<float> recording = SimulatedCar::Default().Record(OneChannel(), sweep, kMeasureRate / 2);
  for (auto _ : state) {
    const std::vector<float> impulse = Deconvolve(recording, sweep, spec, kMeasureRate / 2);
    const Arrival a = FindArrival(impulse);
    benchmark::DoNotOptimize(ResponseFromImpulse(impulse, a.samples));
  }
}
BENCHMARK(AnalyseTenSecondSweep)->Unit(benchmark::kMillisecond);

void RecordTenSecondSweepInTheSimulatedCar(benchmark::State& state) {
  const SweepSpec spec{20, 20000, 10.0, -30, kMeasureRate};
  const std::vector<float> sweep = ExponentialSweep(spec);
  const SimulatedCar car = SimulatedCar::Default();
  for (auto _ : state) benchmark::DoNotOptimize(car.Record(OneChannel(), sweep, kMeasureRate / 2));
}
BENCHMARK(RecordTenSecondSweepInTheSimulatedCar)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
