// Cost of the graph's sum overlay: six channels with every band in use and
// their crossovers, summed again after one band edit (what each paint after
// an edit pays), and the sum computed from nothing for comparison.
#include <benchmark/benchmark.h>

#include <cmath>

#include "core/effect_store.h"
#include "core/system_sum.h"

namespace {

using namespace brisvel;

EffectBlock BusyBlock() {
  EffectBlock b = FactoryBlock();
  for (int box = 0; box < kChannelCount; ++box) {
    for (int band = 0; band < kBandCount; ++band)
      WriteParam(b, param::EqGain(box, band), static_cast<uint16_t>(static_cast<int16_t>(((band * 7 + box) % 13 - 6) * 50)));
    WriteParam(b, param::HpType(box), FilterTypeByte{2, 3}.Encode());
    WriteParam(b, param::HpFreq(box), static_cast<uint16_t>(40 + 30 * box));
    WriteParam(b, param::LpType(box), FilterTypeByte{0, 2}.Encode());
    WriteParam(b, param::LpFreq(box), static_cast<uint16_t>(3000 + 2000 * box));
    WriteParam(b, param::Delay(box), static_cast<uint16_t>(17 * box));
  }
  return b;
}

std::vector<double> GraphGrid() {
  EqFrequencyGrid grid;
  grid.Build(17.0);
  std::vector<double> hz;
  for (int k = 0; k < kGridPoints; ++k) hz.push_back(grid.FrequencyHz(k));
  return hz;
}

void SumAfterOneBandEdit(benchmark::State& state) {
  EffectBlock block = BusyBlock();
  CSystemSum sum(GraphGrid());
  sum.SetChannels({0, 1, 2, 3, 4, 5});
  sum.Update(block);
  int16_t gain = 0;
  for (auto _ : state) {
    gain = static_cast<int16_t>(gain == 300 ? -300 : gain + 25);
    WriteParam(block, param::EqGain(2, 12), static_cast<uint16_t>(gain));
    benchmark::DoNotOptimize(sum.Update(block));
    benchmark::DoNotOptimize(sum.Db().data());
  }
}
BENCHMARK(SumAfterOneBandEdit)->Unit(benchmark::kMicrosecond);

void SumOfSixFromNothing(benchmark::State& state) {
  const EffectBlock block = BusyBlock();
  const std::vector<double> hz = GraphGrid();
  for (auto _ : state) {
    CSystemSum sum(hz);
    sum.SetChannels({0, 1, 2, 3, 4, 5});
    sum.Update(block);
    benchmark::DoNotOptimize(sum.Db().data());
  }
}
BENCHMARK(SumOfSixFromNothing)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
