// Sample values for showing the controls without a processor: a channel's
// equaliser with a few active bands and both crossover filters, and the car's
// default speaker positions. Used by the layout screenshots and the benchmark.
#pragma once

#include "core/eq_response.h"

#include <array>

namespace brisvel::ui {

// The 31 bands at their standard frequencies, six of them boosted or cut,
// a 24 dB/octave high-pass at 60 Hz and a 12 dB/octave low-pass at 18 kHz.
std::array<EqBandValue, 31> SampleBands();
void FillSampleChannel(CEqResponse& model);

}  // namespace brisvel::ui
