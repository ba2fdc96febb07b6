// The simulated car: the processor's output stage and the cabin.
#include "measure/sim_car.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "core/channel_response.h"
#include "core/eq_response.h"
#include "core/scales.h"

namespace brisvel::measure {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kSamplesPerMm = 48.0 / kMmPerMs;  // at 48 kHz
constexpr int kTaps = 64;                          // of each fractional delay

struct Section {
  double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
  std::complex<double> At(double omega) const {
    const std::complex<double> z1 = std::polar(1.0, -omega), z2 = std::polar(1.0, -2 * omega);
    return (b0 + b1 * z1 + b2 * z2) / (1.0 + a1 * z1 + a2 * z2);
  }
};

struct OutputStage {
  bool silent = false;
  double gain = 1;  // volume and polarity
  int delay = 0;
  std::vector<Section> sections;
};

Section FromModel(const EqSection& s) { return {s.b0, s.b1, s.b2, s.a1, s.a2}; }

// The bilinear first-order high- or low-pass at hz.
Section FirstOrder(bool high, double hz) {
  const double k = std::tan(kPi * hz / kSampleRate);
  Section s;
  s.a1 = (k - 1) / (k + 1);
  if (high) {
    s.b0 = 1 / (1 + k);
    s.b1 = -s.b0;
  } else {
    s.b0 = k / (1 + k);
    s.b1 = s.b0;
  }
  return s;
}

// A pass filter of n × 6 dB/octave as the processor runs it: n ÷ 2
// second-order sections of its characteristic, and one first-order section
// when n is odd.
void AddPass(std::vector<Section>& out, int kind, const PassValues& p) {
  EqSection s;
  s.kind = kind;
  s.type = p.type;
  s.frequency = p.frequency;
  s.gain = p.slope;
  if (!SectionDrawn(s) || !ComputeSectionCoefficients(s)) return;
  const int orders = static_cast<int>(std::lround(-p.slope / 6.0));
  for (int i = 0; i < orders / 2; ++i) out.push_back(FromModel(s));
  if (orders % 2 == 1) out.push_back(FirstOrder(kind == 1, p.frequency));
}

OutputStage StageOf(const EffectBlock& block, int box) {
  const ChannelSettings c = ChannelSettingsFromBlock(block, box);
  OutputStage st;
  st.silent = c.silent;
  st.gain = std::pow(10.0, c.gainDb / 20.0) * (c.inverted ? -1.0 : 1.0);
  st.delay = c.delaySamples;
  for (const EqBandValue& b : c.bands) {
    EqSection s;
    s.frequency = b.frequency;
    s.gain = b.gain;
    s.q = b.q;
    if (SectionDrawn(s) && ComputeSectionCoefficients(s)) st.sections.push_back(FromModel(s));
  }
  AddPass(st.sections, 1, c.highPass);
  AddPass(st.sections, 2, c.lowPass);
  return st;
}

void Run(const std::vector<Section>& sections, std::vector<double>& x) {
  for (const Section& s : sections) {
    double z1 = 0, z2 = 0;
    for (double& v : x) {
      const double y = s.b0 * v + z1;
      z1 = s.b1 * v - s.a1 * y + z2;
      z2 = s.b2 * v - s.a2 * y;
      v = y;
    }
  }
}

// Resonances of the cabin at the listener's seat.
std::vector<Section> RoomModes() {
  std::vector<Section> modes;
  struct Mode {
    double hz, db, q;
  };
  for (const Mode& m : {Mode{47.0, 6.0, 6.0}, Mode{94.0, -4.0, 5.0}, Mode{160.0, 3.0, 4.0}}) {
    const auto& [hz, db, q] = m;
    EqSection s;
    s.frequency = hz;
    s.gain = db;
    s.q = q;
    ComputeSectionCoefficients(s);
    modes.push_back(FromModel(s));
  }
  return modes;
}

// A windowed-sinc fractional delay: taps for the fraction, centred on tap kTaps / 2 - 1.
std::array<double, kTaps> FractionTaps(double fraction) {
  std::array<double, kTaps> h{};
  for (int k = 0; k < kTaps; ++k) {
    const double t = k - (kTaps / 2 - 1) - fraction;
    const double sinc = std::fabs(t) < 1e-12 ? 1.0 : std::sin(kPi * t) / (kPi * t);
    const double w = 0.42 + 0.5 * std::cos(2 * kPi * t / kTaps) + 0.08 * std::cos(4 * kPi * t / kTaps);
    h[static_cast<size_t>(k)] = sinc * w;
  }
  return h;
}

}  // namespace

SimulatedCar::SimulatedCar(const CarPositions& positions, CabinOptions options) : options_(options) {
  for (int label = 1; label <= kChannelCount; ++label) {
    const int box = BoxFromLabelNumber(label);
    const CarPoint s = positions.speakers[static_cast<size_t>(label - 1)];
    const double d = std::max(100.0, std::hypot(static_cast<double>(s.x - positions.listener.x),
                                                static_cast<double>(s.y - positions.listener.y)));
    distanceMm_[static_cast<size_t>(box)] = d;
    auto& paths = paths_[static_cast<size_t>(box)];
    paths.push_back({d * kSamplesPerMm, 1000.0 / d});
    if (options_.reflections) {
      for (const auto& [extra, factor] : {std::pair{650.0, 0.4}, std::pair{1300.0, 0.28}, std::pair{2100.0, 0.18}})
        paths.push_back({(d + extra) * kSamplesPerMm, factor * 1000.0 / (d + extra)});
    }
  }
}

SimulatedCar SimulatedCar::Default(CabinOptions options) {
  const CarDelaySettings car = CarDelaySettings::Default();
  return SimulatedCar(DefaultCarPositions(car.carWidth, car.zhouJu), options);
}

double SimulatedCar::DirectArrival(int box) const {
  return options_.latencySamples + paths_[static_cast<size_t>(box)].front().delaySamples;
}

double SimulatedCar::DistanceMm(int box) const { return distanceMm_[static_cast<size_t>(box)]; }

std::vector<float> SimulatedCar::Record(const EffectBlock& block, const std::vector<float>& signal, int tail) const {
  const size_t length = signal.size() + static_cast<size_t>(std::max(0, tail));
  std::vector<double> mic(length, 0.0);
  for (int box = 0; box < kChannelCount; ++box) {
    const OutputStage stage = StageOf(block, box);
    if (stage.silent) continue;
    std::vector<double> out(length, 0.0);
    for (size_t i = 0; i < signal.size(); ++i) out[i] = signal[i];
    Run(stage.sections, out);
    for (const Path& p : paths_[static_cast<size_t>(box)]) {
      const double delay = options_.latencySamples + stage.delay + p.delaySamples;
      const long whole = static_cast<long>(std::floor(delay));
      const std::array<double, kTaps> h = FractionTaps(delay - static_cast<double>(whole));
      const long first = whole - (kTaps / 2 - 1);
      const double g = p.gain * stage.gain;
      for (size_t i = 0; i < length; ++i) {
        const double v = out[i] * g;
        if (v == 0.0) continue;
        for (int k = 0; k < kTaps; ++k) {
          const long at = static_cast<long>(i) + first + k;
          if (at >= 0 && at < static_cast<long>(length)) mic[static_cast<size_t>(at)] += v * h[static_cast<size_t>(k)];
        }
      }
    }
  }
  if (options_.roomModes) Run(RoomModes(), mic);
  if (options_.noiseDbfs > -190.0) {
    std::mt19937 rng(options_.noiseSeed);
    std::normal_distribution<double> noise(0.0, std::pow(10.0, options_.noiseDbfs / 20.0));
    for (double& v : mic) v += noise(rng);
  }
  return std::vector<float>(mic.begin(), mic.end());
}

std::complex<double> SimulatedCar::TrueResponse(const EffectBlock& block, int box, double hz) const {
  const OutputStage stage = StageOf(block, box);
  if (stage.silent) return 0.0;
  const double omega = 2 * kPi * hz / kSampleRate;
  std::complex<double> h = stage.gain * std::polar(1.0, -omega * (stage.delay + options_.latencySamples));
  for (const Section& s : stage.sections) h *= s.At(omega);
  std::complex<double> cabin = 0.0;
  for (const Path& p : paths_[static_cast<size_t>(box)]) cabin += p.gain * std::polar(1.0, -omega * p.delaySamples);
  h *= cabin;
  if (options_.roomModes)
    for (const Section& s : RoomModes()) h *= s.At(omega);
  return h;
}

}  // namespace brisvel::measure
