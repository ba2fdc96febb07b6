// Deconvolution, arrival times, windowed responses, calibration, averaging
// and the delays from arrivals.
#include "measure/analysis.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "core/scales.h"
#include "measure/fft.h"

namespace brisvel::measure {

namespace {

constexpr double kPi = std::numbers::pi;

// 1 inside [lo, hi], falling as a raised cosine to 0 a third of an octave outside.
double BandTaper(double hz, double lo, double hi) {
  const double edge = std::pow(2.0, 1.0 / 3.0);
  if (hz >= lo && hz <= hi) return 1.0;
  const double octaves = hz < lo ? std::log2(lo / std::max(hz, 1e-9)) : std::log2(hz / hi);
  const double span = std::log2(edge);
  if (octaves >= span) return 0.0;
  return 0.5 + 0.5 * std::cos(kPi * octaves / span);
}

std::vector<float> Padded(const std::vector<float>& x, int size) {
  std::vector<float> out(static_cast<size_t>(size), 0.0f);
  std::copy_n(x.begin(), std::min(x.size(), out.size()), out.begin());
  return out;
}

// The Hilbert envelope sqrt(x² + H{x}²): the transform's spectrum is the
// signal's turned by -90° for positive frequencies, so it is real.
std::vector<double> Envelope(const std::vector<float>& x) {
  const int n = FftSize(static_cast<int>(x.size()));
  const RealFft fft(n);
  std::vector<float> padded = Padded(x, n);
  std::vector<Cpx> spectrum(static_cast<size_t>(n / 2 + 1));
  fft.Forward(padded.data(), spectrum.data());
  spectrum.front() = 0.0f;
  spectrum.back() = 0.0f;
  for (size_t k = 1; k + 1 < spectrum.size(); ++k) spectrum[k] = Cpx(spectrum[k].imag(), -spectrum[k].real());
  std::vector<float> hilbert(static_cast<size_t>(n));
  fft.Inverse(spectrum.data(), hilbert.data());
  std::vector<double> env(x.size());
  for (size_t i = 0; i < x.size(); ++i) env[i] = std::hypot(static_cast<double>(x[i]), static_cast<double>(hilbert[i]));
  return env;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

}  // namespace

std::vector<float> Deconvolve(const std::vector<float>& recording, const std::vector<float>& sweep,
                              const SweepPlan& plan, int length) {
  const int n = FftSize(static_cast<int>(recording.size() + sweep.size()));
  const RealFft fft(n);
  std::vector<Cpx> r(static_cast<size_t>(n / 2 + 1)), s(r.size());
  {
    std::vector<float> padded = Padded(recording, n);
    fft.Forward(padded.data(), r.data());
    padded = Padded(sweep, n);
    fft.Forward(padded.data(), s.data());
  }
  double peak = 0;
  for (const Cpx& v : s) peak = std::max(peak, static_cast<double>(std::norm(v)));
  const double floor = 1e-6 * peak;
  for (size_t k = 0; k < r.size(); ++k) {
    const double hz = static_cast<double>(k) * plan.rate / n;
    const double taper = BandTaper(hz, plan.startHz, plan.endHz);
    if (taper <= 0) {
      r[k] = 0.0f;
      continue;
    }
    const std::complex<double> num = std::complex<double>(r[k]) * std::conj(std::complex<double>(s[k]));
    r[k] = Cpx(num * (taper / (std::norm(std::complex<double>(s[k])) + floor)));
  }
  std::vector<float> impulse(static_cast<size_t>(n));
  fft.Inverse(r.data(), impulse.data());
  impulse.resize(static_cast<size_t>(std::clamp(length, 1, n)));
  return impulse;
}

Arrival FindArrival(const std::vector<float>& impulse) {
  if (impulse.size() < 3) return {};
  const std::vector<double> env = Envelope(impulse);
  const size_t k = static_cast<size_t>(std::max_element(env.begin(), env.end()) - env.begin());
  Arrival a{static_cast<double>(k), env[k]};
  if (k == 0 || k + 1 >= env.size()) return a;
  // The vertex of the parabola through the peak and its neighbours.
  const double l = env[k - 1], c = env[k], r = env[k + 1];
  const double d = l - 2 * c + r;
  if (d < 0) {
    const double shift = std::clamp(0.5 * (l - r) / d, -0.5, 0.5);
    a.samples += shift;
    a.level = c - 0.25 * (l - r) * shift;
  }
  return a;
}

FrequencyCurve ResponseFromImpulse(const std::vector<float>& impulse, double arrivalSamples,
                                   const ResponseOptions& o) {
  const double rate = kMeasureRate;
  const int before = std::max(1, static_cast<int>(std::lround(o.beforeMs * rate / 1000.0)));
  const int after = std::max(8, static_cast<int>(std::lround(o.windowMs * rate / 1000.0)));
  const int start = std::max(0, static_cast<int>(std::floor(arrivalSamples)) - before);
  const int length = before + after;
  const int fadeOut = std::max(1, after / 5);
  const int n = FftSize(std::max(4 * length, 16384));
  std::vector<float> windowed(static_cast<size_t>(n), 0.0f);
  for (int i = 0; i < length && start + i < static_cast<int>(impulse.size()); ++i) {
    double w = 1.0;
    if (i < before) w = 0.5 - 0.5 * std::cos(kPi * (i + 0.5) / before);
    if (i >= length - fadeOut) w = 0.5 - 0.5 * std::cos(kPi * (length - i - 0.5) / fadeOut);
    windowed[static_cast<size_t>(i)] = static_cast<float>(w * impulse[static_cast<size_t>(start + i)]);
  }
  const RealFft fft(n);
  std::vector<Cpx> spectrum(static_cast<size_t>(n / 2 + 1));
  fft.Forward(windowed.data(), spectrum.data());
  const double reference = arrivalSamples - start;  // the arrival inside the window
  FrequencyCurve curve;
  for (double hz : LogSpacedFrequencies(o.loHz, std::min(o.hiHz, rate / 2 * 0.99), o.pointsPerOctave)) {
    const double bin = hz * n / rate;
    const size_t k = static_cast<size_t>(bin);
    const double t = bin - static_cast<double>(k);
    const std::complex<double> v = (1 - t) * std::complex<double>(spectrum[k]) +
                                   t * std::complex<double>(spectrum[std::min(k + 1, spectrum.size() - 1)]);
    const std::complex<double> aligned = v * std::polar(1.0, 2 * kPi * hz / rate * reference);
    curve.hz.push_back(hz);
    curve.db.push_back(std::abs(v) > 0 ? 20.0 * std::log10(std::abs(v)) : kSilentDb);
    curve.phase.push_back(std::arg(aligned) * 180.0 / kPi);
  }
  return SmoothCurve(curve, o.smoothing);
}

CalibrationParse ParseCalibration(std::string_view text) {
  CalibrationParse out;
  CurveParse parsed = ParseFrequencyCurve(text);
  if (!parsed.curve) {
    out.error = parsed.error;
    return out;
  }
  Calibration c;
  c.curve = std::move(*parsed.curve);
  // The sensitivity, where the first line gives one: the first number after "sens".
  const std::string first = Lower(text.substr(0, text.find_first_of("\r\n")));
  if (const size_t at = first.find("sens"); at != std::string::npos) {
    const size_t number = first.find_first_of("+-0123456789.", at);
    if (number != std::string::npos) {
      char* end = nullptr;
      const double v = std::strtod(first.c_str() + number, &end);
      if (end != first.c_str() + number && std::isfinite(v)) c.sensitivityDb = v;
    }
  }
  out.calibration = std::move(c);
  return out;
}

FrequencyCurve ApplyCalibration(const FrequencyCurve& measured, const Calibration& calibration) {
  if (calibration.curve.Empty()) return measured;
  FrequencyCurve out = measured;
  const bool phase = measured.HasPhase() && calibration.curve.HasPhase();
  FrequencyCurve calPhase;
  if (phase) calPhase = {calibration.curve.hz, UnwrappedPhase(calibration.curve), {}};
  for (size_t i = 0; i < out.hz.size(); ++i) {
    out.db[i] -= CurveAt(calibration.curve, out.hz[i]);
    if (phase) out.phase[i] = std::remainder(out.phase[i] - CurveAt(calPhase, out.hz[i]), 360.0);
  }
  return out;
}

FrequencyCurve PowerAverage(const std::vector<FrequencyCurve>& positions) {
  if (positions.empty()) return {};
  FrequencyCurve out = positions.front();
  for (size_t i = 0; i < out.hz.size(); ++i) {
    double power = 0;
    for (const FrequencyCurve& p : positions) power += std::pow(10.0, CurveAt(p, out.hz[i]) / 10.0);
    out.db[i] = 10.0 * std::log10(power / static_cast<double>(positions.size()));
  }
  return out;
}

std::vector<int> DelaysFromArrivals(const std::vector<double>& arrivals, const std::vector<int>& delaysWhileMeasured) {
  std::vector<double> paths(arrivals.size());
  for (size_t i = 0; i < arrivals.size(); ++i)
    paths[i] = arrivals[i] - (i < delaysWhileMeasured.size() ? delaysWhileMeasured[i] : 0);
  const double latest = paths.empty() ? 0 : *std::max_element(paths.begin(), paths.end());
  std::vector<int> delays;
  for (double p : paths) delays.push_back(std::clamp(static_cast<int>(std::lround(latest - p)), 0, kDelayMaxRaw));
  return delays;
}

}  // namespace brisvel::measure
