// Sample channel values for screenshots and benchmarks.

#include "gallery/sample_data.h"

namespace brisvel::ui {

std::array<EqBandValue, 31> SampleBands() {
  static constexpr int kFrequencies[31] = {20,   25,   32,   40,   50,   63,   80,   100,  125,   160,   200,
                                           250,  315,  400,  500,  630,  800,  1000, 1250, 1600,  2000,  2500,
                                           3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};
  std::array<EqBandValue, 31> bands{};
  for (int i = 0; i < 31; ++i) bands[i] = {static_cast<double>(kFrequencies[i]), 0.0, 420 / 300.0};
  bands[5].gain = 4.5;
  bands[5].q = 141 / 300.0;
  bands[11].gain = -6.0;
  bands[11].q = 200 / 300.0;
  bands[17].gain = 3.0;
  bands[17].q = 71 / 300.0;
  bands[23].gain = -3.5;
  bands[23].q = 400 / 300.0;
  bands[27].gain = 5.0;
  bands[27].q = 100 / 300.0;
  return bands;
}

void FillSampleChannel(CEqResponse& model) {
  model.Init(SampleBands());
  model.SetHighPass(60, -24, 1);
  model.SetLowPass(18000, -12, 1);
  model.SetBand(17, 1000, 6.0, 141 / 300.0);
}

}  // namespace brisvel::ui
