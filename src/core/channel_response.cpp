// Complex channel responses: the model's biquads evaluated as complex numbers,
// the pass filters as powers of their second-order section, then volume,
// polarity and delay.
#include "core/channel_response.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/effect_store.h"
#include "core/scales.h"

namespace brisvel {

namespace {

constexpr double kPi = std::numbers::pi;

// The sections of a channel with their coefficients; the ones the model draws
// flat are left out.
struct Sections {
  std::array<EqSection, kEqSectionCount> items;
  int count = 0;
  std::array<double, kEqSectionCount> power{};  // 1 for bands, slope ÷ 12 for pass filters
};

Sections SectionsOf(const ChannelSettings& c) {
  Sections s;
  const auto add = [&s](EqSection section, double power) {
    if (!SectionDrawn(section) || !ComputeSectionCoefficients(section)) return;
    s.power[static_cast<size_t>(s.count)] = power;
    s.items[static_cast<size_t>(s.count++)] = section;
  };
  for (const EqBandValue& b : c.bands) {
    EqSection band;
    band.frequency = b.frequency;
    band.gain = b.gain;
    band.q = b.q;
    add(band, 1.0);
  }
  for (int kind : {1, 2}) {
    const PassValues& p = kind == 1 ? c.highPass : c.lowPass;
    EqSection pass;
    pass.kind = kind;
    pass.type = p.type;
    pass.frequency = p.frequency;
    pass.gain = p.slope;
    add(pass, p.slope / -12.0);
  }
  return s;
}

Complex Denominator(const EqSection& s, const ResponsePoints::Point& p) { return 1.0 + s.a1 * p.z1 + s.a2 * p.z2; }

// A pass section to the power: |H|^power · e^(j·power·arg H). The numerator
// b0(1 ∓ e^(-jω))² has the exact magnitude 4·b0·sin²(ω/2) (high-pass) or
// 4·b0·cos²(ω/2) (low-pass) and the phase π − ω or −ω; the denominator has no
// zero on the unit circle, and its phase stays inside (−π, π), so the phase
// of the section is continuous and the power is well defined.
Complex PassPower(const EqSection& s, const ResponsePoints::Point& p, double power) {
  const Complex den = Denominator(s, p);
  const bool high = s.kind == 1;
  const double numMagnitude = 4.0 * s.b0 * (high ? p.sinHalfSq : p.cosHalfSq);
  const double numPhase = high ? kPi - p.omega : -p.omega;
  const double logMagnitude = std::log(numMagnitude) - std::log(std::abs(den));
  const double phase = numPhase - std::arg(den);
  if (!std::isfinite(logMagnitude)) return 0.0;
  return std::polar(std::exp(power * logMagnitude), power * phase);
}

Complex Evaluate(const ChannelSettings& c, const Sections& sections, const ResponsePoints::Point& p) {
  if (c.silent) return 0.0;
  Complex h = std::polar(std::pow(10.0, c.gainDb / 20.0) * (c.inverted ? -1.0 : 1.0), -p.omega * c.delaySamples);
  for (int i = 0; i < sections.count; ++i) {
    const EqSection& s = sections.items[static_cast<size_t>(i)];
    if (s.kind == 0) {
      h *= (s.b0 + s.b1 * p.z1 + s.b2 * p.z2) / Denominator(s, p);
    } else {
      h *= PassPower(s, p, sections.power[static_cast<size_t>(i)]);
    }
  }
  return h;
}

}  // namespace

ChannelSettings ChannelSettingsFromBlock(const EffectBlock& block, int box) {
  ChannelSettings c;
  c.bands = BandValuesFromBlock(block, box);
  const auto pass = [&block](int typeIndex, int freqIndex) {
    const auto type = static_cast<uint8_t>(ReadParam(block, typeIndex));
    return PassValues{static_cast<double>(ReadParam(block, freqIndex)), ModelSlope(type), ModelType(type)};
  };
  c.highPass = pass(param::HpType(box), param::HpFreq(box));
  c.lowPass = pass(param::LpType(box), param::LpFreq(box));
  const int volume = ReadParam(block, param::Volume(box));
  const bool muted = (ReadParam(block, param::kMuteCtrl) >> box) & 1;
  c.silent = muted || volume == 0;
  c.gainDb = volume == 0 ? 0.0 : volume - 60.0;
  c.inverted = (ReadParam(block, param::kPhaseCtrl) >> box) & 1;
  c.delaySamples = ReadParam(block, param::Delay(box));
  return c;
}

ResponsePoints::Point ResponsePoints::Make(double hz) {
  Point p;
  p.omega = 2.0 * kPi * hz / kSampleRate;
  const double sinHalf = std::sin(p.omega / 2.0);
  const double cosHalf = std::cos(p.omega / 2.0);
  p.sinHalfSq = sinHalf * sinHalf;
  p.cosHalfSq = cosHalf * cosHalf;
  p.z1 = std::polar(1.0, -p.omega);
  p.z2 = std::polar(1.0, -2.0 * p.omega);
  return p;
}

ResponsePoints::ResponsePoints(std::vector<double> hz) : hz_(std::move(hz)) {
  points_.reserve(hz_.size());
  for (double f : hz_) points_.push_back(Make(f));
}

void ChannelResponse(const ChannelSettings& channel, const ResponsePoints& points, Complex* out) {
  const Sections sections = SectionsOf(channel);
  for (size_t i = 0; i < points.Size(); ++i) out[i] = Evaluate(channel, sections, points.At(i));
}

std::vector<Complex> ChannelResponse(const ChannelSettings& channel, const ResponsePoints& points) {
  std::vector<Complex> out(points.Size());
  ChannelResponse(channel, points, out.data());
  return out;
}

Complex ChannelResponseAt(const ChannelSettings& channel, double hz) {
  return Evaluate(channel, SectionsOf(channel), ResponsePoints::Make(hz));
}

double LevelDb(Complex h) {
  const double magnitude = std::abs(h);
  if (!(magnitude > 0) || !std::isfinite(magnitude)) return kSilentDb;
  return std::max(kSilentDb, 20.0 * std::log10(magnitude));
}

}  // namespace brisvel
