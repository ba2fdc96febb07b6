// Cost of turning a recorded sweep into numbers: a 10 s sweep at 48 kHz
// deconvolved into its impulse response, the arrival found and the response
// taken with 1/12-octave smoothing; and the simulated car recording it.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>

#include "core/param_table.h"
#include "measure/analysis.h"
#include "measure/run.h"
#include "measure/sim_audio.h"
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
  const SweepPlan plan{20, 20000, 10.0, -30, kMeasureRate};
  const std::vector<float> sweep = ExponentialSweep(plan);
  const std::vector<float> recording = SimulatedCar::Default().Record(OneChannel(), sweep, kMeasureRate / 2);
  for (auto _ : state) {
    const std::vector<float> impulse = Deconvolve(recording, sweep, plan, kMeasureRate / 2);
    const Arrival a = FindArrival(impulse);
    benchmark::DoNotOptimize(ResponseFromImpulse(impulse, a.samples));
  }
}
BENCHMARK(AnalyseTenSecondSweep)->Unit(benchmark::kMillisecond);

void RecordTenSecondSweepInTheSimulatedCar(benchmark::State& state) {
  const SweepPlan plan{20, 20000, 10.0, -30, kMeasureRate};
  const std::vector<float> sweep = ExponentialSweep(plan);
  const SimulatedCar car = SimulatedCar::Default();
  for (auto _ : state) benchmark::DoNotOptimize(car.Record(OneChannel(), sweep, kMeasureRate / 2));
}
BENCHMARK(RecordTenSecondSweepInTheSimulatedCar)->Unit(benchmark::kMillisecond);

// A whole run of six channels on the simulated car in its own time (1 s
// sweeps, 0.25 s tails): the counter "of_sweep_time" is the run's time over
// the sum of the sweep and tail durations (goal: at most 1.2).
struct Processor : IMeasureLink {
  EffectBlock block = FactoryBlock();
  std::optional<EffectBlock> Block() override { return block; }
  bool SetMuteMask(uint8_t mask) override {
    WriteParam(block, param::kMuteCtrl, mask);
    return true;
  }
};

void SixChannelRunOnTheSimulatedCar(benchmark::State& state) {
  Processor processor;
  SimulatedAudio audio(SimulatedCar::Default(), [&processor] { return processor.block; }, true);
  RunOptions o;
  o.channels = {2, 3, 4, 5, 0, 1};
  o.sweepSeconds = 1.0;
  o.tail = kMeasureRate / 4;
  std::atomic<bool> stop{false};
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(RunMeasurement(processor, audio, o, stop));
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  state.counters["of_sweep_time"] = seconds / static_cast<double>(state.iterations()) / (6 * 1.25);
}
BENCHMARK(SixChannelRunOnTheSimulatedCar)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
