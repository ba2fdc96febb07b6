// Measuring the simulated car in a closed loop: sweeps that stay inside a
// channel's band, arrivals found within a sample of the geometry's (with and
// without noise), delays from them that make every channel arrive together,
// responses that match the car's true path, and the calibration, averaging
// and delay rules.
#include <gtest/gtest.h>

#include <cmath>

#include "core/channel_response.h"
#include "core/eq_fit.h"
#include "core/param_table.h"
#include "core/scales.h"
#include "measure/analysis.h"
#include "measure/fft.h"
#include "measure/sim_car.h"
#include "measure/sweep.h"

namespace brisvel::measure {
namespace {

constexpr double kSweepSeconds = 1.5;
constexpr int kTail = kMeasureRate / 4;

// Every channel at 0 dB, nothing muted, no delays.
EffectBlock PlainBlock() {
  EffectBlock b = FactoryBlock();
  for (int box = 0; box < kChannelCount; ++box) WriteParam(b, param::Volume(box), 60);
  return b;
}

// The block with every channel but box muted, as a measurement run has it.
EffectBlock Alone(EffectBlock b, int box) {
  WriteParam(b, param::kMuteCtrl, static_cast<uint16_t>(0x3F & ~(1 << box)));
  return b;
}

struct Measured {
  Arrival arrival;
  std::vector<float> impulse;
};

Measured MeasureChannel(const SimulatedCar& car, const EffectBlock& block, int box) {
  const SweepPlan plan = ChannelSweep(ChannelSettingsFromBlock(block, box), kSweepSeconds);
  const std::vector<float> sweep = ExponentialSweep(plan);
  const std::vector<float> recording = car.Record(Alone(block, box), sweep, kTail);
  Measured m;
  m.impulse = Deconvolve(recording, sweep, plan, kTail);
  m.arrival = FindArrival(m.impulse);
  return m;
}

TEST(Sweep, StaysInsideTheChannelsBandAtTheLevelAsked) {
  EffectBlock b = PlainBlock();
  WriteParam(b, param::HpType(4), FilterTypeByte{2, 3}.Encode());  // a tweeter at 3.5 kHz, LR 24
  WriteParam(b, param::HpFreq(4), 3500);
  const SweepPlan tweeter = ChannelSweep(ChannelSettingsFromBlock(b, 4), 2.0);
  EXPECT_DOUBLE_EQ(tweeter.startHz, 1750.0);
  EXPECT_DOUBLE_EQ(tweeter.endHz, 20000.0);
  WriteParam(b, param::LpType(0), FilterTypeByte{2, 3}.Encode());  // a sub low-passed at 80 Hz
  WriteParam(b, param::LpFreq(0), 80);
  WriteParam(b, param::HpFreq(0), 0);  // its high-pass off
  const SweepPlan sub = ChannelSweep(ChannelSettingsFromBlock(b, 0), 2.0);
  EXPECT_DOUBLE_EQ(sub.startHz, 20.0);
  EXPECT_DOUBLE_EQ(sub.endHz, 160.0);

  const std::vector<float> x = ExponentialSweep(tweeter);
  ASSERT_EQ(x.size(), 96000u);
  float peak = 0;
  for (float v : x) peak = std::max(peak, std::fabs(v));
  EXPECT_NEAR(20 * std::log10(peak), kDefaultSweepDbfs, 0.05);
  // No energy below half the corner: what lies below 1750 Hz is 40 dB under the rest.
  const int n = FftSize(static_cast<int>(x.size()));
  const RealFft fft(n);
  std::vector<float> padded(static_cast<size_t>(n), 0.0f);
  std::copy(x.begin(), x.end(), padded.begin());
  std::vector<Cpx> spectrum(static_cast<size_t>(n / 2 + 1));
  fft.Forward(padded.data(), spectrum.data());
  double below = 0, total = 0;
  for (size_t k = 0; k < spectrum.size(); ++k) {
    const double power = std::norm(std::complex<double>(spectrum[k]));
    total += power;
    if (static_cast<double>(k) * kMeasureRate / n < 1750.0 * std::pow(2.0, -1.0 / 6)) below += power;
  }
  EXPECT_LT(10 * std::log10(below / total), -40.0);
}

TEST(ClosedLoop, ArrivalsAreTheGeometrysWithinOneSampleAndSetDelaysMakeThemAgree) {
  const SimulatedCar car = SimulatedCar::Default();
  EffectBlock block = PlainBlock();
  std::vector<double> arrivals;
  for (int box = 0; box < kChannelCount; ++box) {
    const Measured m = MeasureChannel(car, block, box);
    EXPECT_NEAR(m.arrival.samples, car.DirectArrival(box), 1.0) << "Box " << box;
    arrivals.push_back(m.arrival.samples);
  }
  // Against the first channel measured the sound card's latency drops out.
  for (int box = 1; box < kChannelCount; ++box)
    EXPECT_NEAR(arrivals[box] - arrivals[0], car.DirectArrival(box) - car.DirectArrival(0), 1.0) << box;

  const std::vector<int> delays = DelaysFromArrivals(arrivals, std::vector<int>(kChannelCount, 0));
  EXPECT_EQ(*std::min_element(delays.begin(), delays.end()), 0);
  for (int box = 0; box < kChannelCount; ++box) WriteParam(block, param::Delay(box), static_cast<uint16_t>(delays[box]));
  double lo = 1e9, hi = -1e9;
  for (int box = 0; box < kChannelCount; ++box) {
    const double a = MeasureChannel(car, block, box).arrival.samples;
    lo = std::min(lo, a);
    hi = std::max(hi, a);
  }
  EXPECT_LE(hi - lo, 1.0);
}

TEST(ClosedLoop, ArrivalsStayWithinTwoSamplesWithNoiseFortyDecibelsBelowTheSweep) {
  CabinOptions noisy;
  noisy.noiseDbfs = kDefaultSweepDbfs - 3.0 - 40.0;  // the sweep's RMS is 3 dB under its peak
  noisy.noiseSeed = 20261210;
  const SimulatedCar car = SimulatedCar::Default(noisy);
  for (int box = 0; box < kChannelCount; ++box)
    EXPECT_NEAR(MeasureChannel(car, PlainBlock(), box).arrival.samples, car.DirectArrival(box), 2.0) << box;
}

TEST(ClosedLoop, TheMeasuredResponseIsTheCarsTruePathWithinHalfADecibel) {
  const SimulatedCar car = SimulatedCar::Default();
  EffectBlock block = PlainBlock();
  const int box = 2;  // CH1, with a crossover, a cut and a boost
  WriteParam(block, param::HpType(box), FilterTypeByte{0, 2}.Encode());  // 18 dB/oct: 12 + 6
  WriteParam(block, param::HpFreq(box), 60);
  WriteParam(block, param::EqGain(box, 12), static_cast<uint16_t>(int16_t{-600}));
  WriteParam(block, param::EqGain(box, 24), static_cast<uint16_t>(int16_t{450}));
  WriteParam(block, param::Delay(box), 37);
  const Measured m = MeasureChannel(car, block, box);
  ResponseOptions o;
  const FrequencyCurve measured = ResponseFromImpulse(m.impulse, m.arrival.samples, o);
  FrequencyCurve truth;
  truth.hz = LogSpacedFrequencies(o.loHz, o.hiHz, o.pointsPerOctave);
  for (double hz : truth.hz) truth.db.push_back(LevelDb(car.TrueResponse(Alone(block, box), box, hz)));
  truth = SmoothCurve(truth, o.smoothing);
  double worst = 0;
  for (size_t i = 0; i < truth.hz.size(); ++i) {
    if (truth.hz[i] < 100 || truth.hz[i] > 10000) continue;
    worst = std::max(worst, std::fabs(CurveAt(measured, truth.hz[i]) - truth.db[i]));
  }
  EXPECT_LT(worst, 0.5);
  EXPECT_TRUE(measured.HasPhase());
}

TEST(ClosedLoop, MeasureFitApplyAndMeasureAgainLandsWhereTheFitPredicted) {
  const SimulatedCar car = SimulatedCar::Default();
  EffectBlock block = PlainBlock();
  const int box = 2;
  WriteParam(block, param::HpType(box), FilterTypeByte{2, 8}.Encode());  // crossovers off: the speaker as it is
  WriteParam(block, param::LpType(box), FilterTypeByte{2, 8}.Encode());
  const auto measure = [&](const EffectBlock& b) {
    const Measured m = MeasureChannel(car, b, box);
    ResponseOptions o;
    o.smoothing = 6;
    return ResponseFromImpulse(m.impulse, m.arrival.samples, o);
  };
  const TargetCurve flat;
  const FitProblem problem = MakeFitProblem(measure(block), flat, block, box, 30, 12000);
  ASSERT_FALSE(problem.hz.empty());
  const FitResult fit = FitBands(problem, BandsFromBlock(block, box), FitSettings{});
  ASSERT_TRUE(fit.improved);
  EXPECT_LT(fit.after.rms, fit.before.rms - 0.5) << "the car's modes leave something to fit";
  WriteBands(block, box, fit.bands);

  // Measured again with the bands in place, the response is the prediction.
  const FitProblem again = MakeFitProblem(measure(block), flat, block, box, 30, 12000);
  ChannelBands flatBands = fit.bands;
  for (BandRaw& b : flatBands) b.gain = 0;  // the bands are in the measurement now
  const Residual measured = ResidualOf(again, flatBands);
  EXPECT_NEAR(measured.rms, fit.after.rms, 1.0) << "predicted " << fit.after.rms << " dB, measured " << measured.rms;
}

TEST(MeasureRules, CalibrationAveragesAndDelaysFromArrivals) {
  const CalibrationParse cal = ParseCalibration("\"Sens Factor =-1.5dB, SERNO: 8012345\"\n20 -2.0\n1000 0.0\n20000 1.5\n");
  ASSERT_TRUE(cal.calibration) << cal.error;
  EXPECT_EQ(cal.calibration->sensitivityDb, -1.5);
  const FrequencyCurve flat{{20, 1000, 20000}, {80, 80, 80}, {10, 20, 30}};
  const FrequencyCurve corrected = ApplyCalibration(flat, *cal.calibration);
  EXPECT_EQ(corrected.db, (std::vector<double>{82.0, 80.0, 78.5}));
  EXPECT_EQ(corrected.phase, flat.phase) << "a calibration without a phase leaves the phase";
  EXPECT_FALSE(ParseCalibration("no numbers here\n").calibration);
  EXPECT_FALSE(ParseCalibration("20 -2.0\n").calibration) << "one point is no calibration";

  const FrequencyCurve loud{{20, 1000}, {10, 10}, {}}, quiet{{20, 1000}, {0, 0}, {}};
  EXPECT_NEAR(PowerAverage({loud, quiet}).db[0], 10 * std::log10(5.5), 1e-9);
  EXPECT_TRUE(PowerAverage({}).Empty());

  // Paths 100, 120 and 120 samples long (the second was measured with 10 of delay).
  EXPECT_EQ(DelaysFromArrivals({100, 130, 120}, {0, 10, 0}), (std::vector<int>{20, 0, 0}));
  EXPECT_EQ(DelaysFromArrivals({0, 5000}, {0, 0}), (std::vector<int>{960, 0})) << "limited to 20 ms";
}

}  // namespace
}  // namespace brisvel::measure
