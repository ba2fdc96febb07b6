// The band fitter: damped Gauss-Newton steps within the limits, bands added one
// by one where the error is largest (PEQ), then quantisation to the block's
// values and a search over neighbouring quantised values.
#include "core/eq_fit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/eq_response.h"
#include "core/scales.h"

namespace brisvel {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kModelQDivisor = 300.0;  // raw Q / 300 is the Q the model draws with

// Squared magnitude of c0 + c1 e^-jw + c2 e^-2jw with s = sin^2(w/2).
double PolySquared(double c0, double c1, double c2, double s) {
  const double sum = c0 + c1 + c2;
  return sum * sum - 4.0 * (c0 * c1 + c1 * c2 + 4.0 * c0 * c2) * s + 16.0 * c0 * c2 * s * s;
}

double SinHalfSquared(double hz) {
  const double half = kPi * hz / kSampleRate;
  const double s = std::sin(half);
  return s * s;
}

// Peaking section in dB; q is the model's Q.
double PeakDbAt(double freq, double q, double gainDb, double s) {
  if (std::fabs(gainDb) < 0.01) return 0.0;
  const double w0 = 2.0 * kPi * freq / kSampleRate;
  const double a = std::pow(10.0, gainDb / 40.0);
  const double alpha = std::sin(w0) / (2.0 * q);
  const double cw = std::cos(w0);
  const double num = PolySquared(1.0 + alpha * a, -2.0 * cw, 1.0 - alpha * a, s);
  const double den = PolySquared(1.0 + alpha / a, -2.0 * cw, 1.0 - alpha / a, s);
  if (!(num > 0) || !(den > 0)) return 0.0;
  return 10.0 * std::log10(num / den);
}

double PassDbAt(int kind, int type, double freq, double slope, double hz) {
  if (freq < 20.0 || freq > 19999.0 || std::fabs(slope) < 0.01) return 0.0;
  const double w0 = 2.0 * kPi * freq / kSampleRate;
  const double k = type == 1 ? std::numbers::sqrt2 : type == 2 ? 2.0 / std::sqrt(3.0) : 1.718;
  const double alpha = std::sin(w0) / k;
  const double cw = std::cos(w0);
  const double d = 1.0 + alpha;
  const double a1 = -2.0 * cw / d, a2 = (1.0 - alpha) / d;
  double b0, b1;
  if (kind == 1) {
    b0 = (1.0 + cw) / (2.0 * d);
    b1 = -(1.0 + cw) / d;
  } else {
    b0 = (1.0 - cw) / (2.0 * d);
    b1 = (1.0 - cw) / d;
  }
  const double s = SinHalfSquared(hz);
  const double num = PolySquared(b0, b1, b0, s);
  const double den = PolySquared(1.0, a1, a2, s);
  const double db = 10.0 * std::log10(std::max(num, 1e-300) / std::max(den, 1e-300));
  return db * slope / -12.0;
}

struct ContinuousBand {
  int index = 0;
  double freq = 1000, q = 100, gain = 0;  // Hz, raw Q (x100), dB
};

// Solves a x = b for a small dense system (Gaussian elimination, partial pivoting).
bool Solve(std::vector<double>& a, std::vector<double>& b, size_t n) {
  for (size_t c = 0; c < n; ++c) {
    size_t pivot = c;
    for (size_t r = c + 1; r < n; ++r)
      if (std::fabs(a[r * n + c]) > std::fabs(a[pivot * n + c])) pivot = r;
    if (std::fabs(a[pivot * n + c]) < 1e-300) return false;
    if (pivot != c) {
      for (size_t k = 0; k < n; ++k) std::swap(a[c * n + k], a[pivot * n + k]);
      std::swap(b[c], b[pivot]);
    }
    for (size_t r = c + 1; r < n; ++r) {
      const double f = a[r * n + c] / a[c * n + c];
      if (f == 0) continue;
      for (size_t k = c; k < n; ++k) a[r * n + k] -= f * a[c * n + k];
      b[r] -= f * b[c];
    }
  }
  for (size_t c = n; c-- > 0;) {
    double v = b[c];
    for (size_t k = c + 1; k < n; ++k) v -= a[c * n + k] * b[k];
    b[c] = v / a[c * n + c];
  }
  return true;
}

class Fitter {
 public:
  Fitter(const FitProblem& problem, const FitSettings& settings) : p_(problem), settings_(settings) {
    s_.reserve(p_.hz.size());
    for (double f : p_.hz) s_.push_back(SinHalfSquared(f));
    gainLow_ = settings.minGainDb;
    gainHigh_ = std::min<double>(settings.maxGainDb, settings.maxBoostDb);
    gainHigh_ = std::floor(gainHigh_ * 10.0 + 1e-9) / 10.0;  // a value the block can hold
    if (gainHigh_ < gainLow_) gainHigh_ = gainLow_;
    fLow_ = std::clamp(p_.hz.front(), kFitLowestHz, kFitHighestHz);
    fHigh_ = std::clamp(p_.hz.back(), kFitLowestHz, kFitHighestHz);
  }

  // The error of base + fixed + the given bands against the target.
  std::vector<double> BandColumn(const ContinuousBand& b) const {
    std::vector<double> col(s_.size());
    for (size_t i = 0; i < s_.size(); ++i) col[i] = PeakDbAt(b.freq, b.q / kModelQDivisor, b.gain, s_[i]);
    return col;
  }

  void SetFixed(const std::vector<double>& fixed) { fixed_ = fixed; }

  double Cost(const std::vector<std::vector<double>>& cols) const {
    double sum = 0;
    for (size_t i = 0; i < s_.size(); ++i) {
      double r = fixed_[i] - p_.target[i];
      for (const auto& c : cols) r += c[i];
      sum += r * r;
    }
    return sum;
  }

  std::vector<double> Residuals(const std::vector<std::vector<double>>& cols) const {
    std::vector<double> r(s_.size());
    for (size_t i = 0; i < s_.size(); ++i) {
      r[i] = fixed_[i] - p_.target[i];
      for (const auto& c : cols) r[i] += c[i];
    }
    return r;
  }

  int ParamsPerBand() const { return settings_.mode == FitMode::kPeq ? 3 : 1; }

  void Clamp(ContinuousBand& b) const {
    b.gain = std::clamp(b.gain, gainLow_, gainHigh_);
    b.freq = std::clamp(b.freq, fLow_, fHigh_);
    b.q = std::clamp(b.q, 40.0, 12800.0);
  }

  // Damped Gauss-Newton over the free bands, every step kept within the limits.
  void Optimise(std::vector<ContinuousBand>& bands, int iterations) const {
    if (bands.empty()) return;
    const int per = ParamsPerBand();
    const size_t n = bands.size() * static_cast<size_t>(per);
    const size_t m = s_.size();
    std::vector<std::vector<double>> cols;
    for (auto& b : bands) {
      Clamp(b);
      cols.push_back(BandColumn(b));
    }
    double cost = Cost(cols);
    double lambda = 1e-3;
    std::vector<double> jac(n * m);
    for (int it = 0; it < iterations; ++it) {
      const std::vector<double> r = Residuals(cols);
      for (size_t j = 0; j < bands.size(); ++j) {
        for (int k = 0; k < per; ++k) {
          ContinuousBand t = bands[j];
          double h;
          if (per == 1 || k == 2) {
            h = 0.05;
            t.gain += h;
          } else if (k == 0) {
            h = 0.002;
            t.freq *= std::exp(h);
          } else {
            h = 0.005;
            t.q *= std::exp(h);
          }
          const auto moved = BandColumn(t);
          double* row = &jac[(j * static_cast<size_t>(per) + static_cast<size_t>(k)) * m];
          for (size_t i = 0; i < m; ++i) row[i] = (moved[i] - cols[j][i]) / h;
        }
      }
      std::vector<double> jtj(n * n, 0.0), jtr(n, 0.0);
      for (size_t a = 0; a < n; ++a) {
        const double* ra = &jac[a * m];
        for (size_t i = 0; i < m; ++i) jtr[a] += ra[i] * r[i];
        for (size_t b = a; b < n; ++b) {
          const double* rb = &jac[b * m];
          double v = 0;
          for (size_t i = 0; i < m; ++i) v += ra[i] * rb[i];
          jtj[a * n + b] = jtj[b * n + a] = v;
        }
      }
      bool accepted = false;
      for (int attempt = 0; attempt < 8 && !accepted; ++attempt) {
        std::vector<double> a = jtj, step = jtr;
        for (size_t d = 0; d < n; ++d) a[d * n + d] += lambda * (jtj[d * n + d] + 1e-6);
        if (!Solve(a, step, n)) {
          lambda *= 10;
          continue;
        }
        std::vector<ContinuousBand> trial = bands;
        std::vector<std::vector<double>> trialCols(bands.size());
        for (size_t j = 0; j < bands.size(); ++j) {
          const size_t base = j * static_cast<size_t>(per);
          if (per == 1) {
            trial[j].gain -= step[base];
          } else {
            trial[j].freq *= std::exp(std::clamp(-step[base], -0.5, 0.5));
            trial[j].q *= std::exp(std::clamp(-step[base + 1], -0.7, 0.7));
            trial[j].gain -= step[base + 2];
          }
          Clamp(trial[j]);
          trialCols[j] = BandColumn(trial[j]);
        }
        const double trialCost = Cost(trialCols);
        if (trialCost < cost) {
          const double gain = cost - trialCost;
          bands = std::move(trial);
          cols = std::move(trialCols);
          cost = trialCost;
          lambda = std::max(lambda / 3.0, 1e-7);
          accepted = true;
          if (gain < 1e-7 * (cost + 1e-9)) return;
        } else {
          lambda *= 4.0;
        }
      }
      if (!accepted) return;
    }
  }

  BandRaw Quantise(const ContinuousBand& b, const BandRaw& original) const {
    BandRaw q = original;
    q.gain = static_cast<int>(std::lround(std::clamp(b.gain, gainLow_, gainHigh_) * 10.0)) * 10;
    if (settings_.mode == FitMode::kPeq) {
      q.freq = static_cast<int>(std::lround(std::clamp(b.freq, fLow_, fHigh_)));
      q.q = QStepTable()[static_cast<size_t>(NearestQIndex(static_cast<int>(std::lround(b.q))))];
    }
    return q;
  }

  // Tries neighbouring quantised values band by band while the error falls.
  void Polish(ChannelBands& bands, const std::vector<int>& free) const {
    std::vector<std::vector<double>> cols;
    for (int i : free) cols.push_back(RawColumn(bands[static_cast<size_t>(i)]));
    double cost = Cost(cols);
    const int gainLowRaw = static_cast<int>(std::lround(gainLow_ * 100));
    const int gainHighRaw = static_cast<int>(std::lround(gainHigh_ * 100));
    for (int sweep = 0; sweep < 12; ++sweep) {
      bool better = false;
      for (size_t j = 0; j < free.size(); ++j) {
        BandRaw& b = bands[static_cast<size_t>(free[j])];
        std::vector<BandRaw> tries;
        for (int d : {-10, 10}) {
          BandRaw t = b;
          t.gain = std::clamp(b.gain + d, gainLowRaw, gainHighRaw);
          tries.push_back(t);
        }
        if (settings_.mode == FitMode::kPeq && b.gain != 0) {
          for (int d : {-1, 1}) {
            BandRaw t = b;
            t.q = StepQ(b.q, d);
            tries.push_back(t);
            t = b;
            const int df = std::max(1, static_cast<int>(std::lround(b.freq * 0.01)));
            t.freq = static_cast<int>(std::clamp<double>(b.freq + d * df, fLow_, fHigh_));
            tries.push_back(t);
          }
        }
        for (const BandRaw& t : tries) {
          if (t == b) continue;
          auto saved = std::move(cols[j]);
          cols[j] = RawColumn(t);
          const double c = Cost(cols);
          if (c < cost - 1e-12) {
            cost = c;
            b = t;
            better = true;
          } else {
            cols[j] = std::move(saved);
          }
        }
      }
      if (!better) break;
    }
  }

  std::vector<double> RawColumn(const BandRaw& b) const {
    ContinuousBand c{0, static_cast<double>(b.freq), static_cast<double>(b.q), b.gain / 100.0};
    return BandColumn(c);
  }

  double FLow() const { return fLow_; }
  double FHigh() const { return fHigh_; }
  double GainLow() const { return gainLow_; }
  double GainHigh() const { return gainHigh_; }

 private:
  const FitProblem& p_;
  FitSettings settings_;
  std::vector<double> s_;
  std::vector<double> fixed_;
  double gainLow_ = -20, gainHigh_ = 6, fLow_ = 20, fHigh_ = 20000;
};

double SumSquares(const FitProblem& problem, const ChannelBands& bands) {
  const auto pred = Prediction(problem, bands);
  double sum = 0;
  for (size_t i = 0; i < pred.size(); ++i) sum += (pred[i] - problem.target[i]) * (pred[i] - problem.target[i]);
  return sum;
}

}  // namespace

ChannelBands BandsFromBlock(const EffectBlock& block, int channel) {
  ChannelBands bands{};
  for (int b = 0; b < kBandCount; ++b) {
    bands[static_cast<size_t>(b)].freq = ReadParam(block, param::EqFreq(channel, b));
    bands[static_cast<size_t>(b)].q = ReadParam(block, param::EqQ(channel, b));
    bands[static_cast<size_t>(b)].gain = static_cast<int16_t>(ReadParam(block, param::EqGain(channel, b)));
  }
  return bands;
}

void WriteBands(EffectBlock& block, int channel, const ChannelBands& bands) {
  for (int b = 0; b < kBandCount; ++b) {
    const BandRaw& v = bands[static_cast<size_t>(b)];
    WriteParam(block, param::EqFreq(channel, b), static_cast<uint16_t>(v.freq));
    WriteParam(block, param::EqQ(channel, b), static_cast<uint16_t>(v.q));
    WriteParam(block, param::EqGain(channel, b), static_cast<uint16_t>(static_cast<int16_t>(v.gain)));
  }
}

double BandDb(const BandRaw& band, double hz) {
  return PeakDbAt(band.freq, band.q / kModelQDivisor, band.gain / 100.0, SinHalfSquared(hz));
}

double ChannelFiltersDb(const EffectBlock& block, int channel, double hz) {
  const auto hpType = static_cast<uint8_t>(ReadParam(block, param::HpType(channel)));
  const auto lpType = static_cast<uint8_t>(ReadParam(block, param::LpType(channel)));
  return PassDbAt(1, ModelType(hpType), ReadParam(block, param::HpFreq(channel)), ModelSlope(hpType), hz) +
         PassDbAt(2, ModelType(lpType), ReadParam(block, param::LpFreq(channel)), ModelSlope(lpType), hz);
}

FitProblem MakeFitProblem(const FrequencyCurve& measurement, const TargetCurve& target, const EffectBlock& block,
                          int channel, double loHz, double hiHz) {
  FitProblem p;
  if (measurement.Empty()) return p;
  const double lo = std::max({loHz, kFitLowestHz, measurement.LowestHz()});
  const double hi = std::min({hiHz, kFitHighestHz, measurement.HighestHz()});
  if (!(lo < hi)) return p;
  p.hz = LogSpacedFrequencies(lo, hi, kFitPointsPerOctave);
  const auto measured = CurveAt(measurement, p.hz);
  auto shape = TargetDb(target, p.hz);
  const double offset = AlignmentOffset(measured, shape);
  p.base.resize(p.hz.size());
  p.target.resize(p.hz.size());
  for (size_t i = 0; i < p.hz.size(); ++i) {
    p.base[i] = measured[i] + ChannelFiltersDb(block, channel, p.hz[i]);
    p.target[i] = shape[i] + offset;
  }
  return p;
}

std::vector<double> Prediction(const FitProblem& problem, const ChannelBands& bands) {
  std::vector<double> pred = problem.base;
  for (const BandRaw& b : bands) {
    if (std::abs(b.gain) < 1) continue;
    for (size_t i = 0; i < pred.size(); ++i) pred[i] += BandDb(b, problem.hz[i]);
  }
  return pred;
}

Residual ResidualOf(const FitProblem& problem, const ChannelBands& bands) {
  Residual r;
  if (problem.hz.empty()) return r;
  const auto pred = Prediction(problem, bands);
  double sum = 0;
  for (size_t i = 0; i < pred.size(); ++i) {
    const double e = pred[i] - problem.target[i];
    sum += e * e;
    r.max = std::max(r.max, std::fabs(e));
  }
  r.rms = std::sqrt(sum / static_cast<double>(pred.size()));
  return r;
}

FitResult FitBands(const FitProblem& problem, const ChannelBands& start, const FitSettings& settings) {
  FitResult result;
  result.bands = start;
  result.before = ResidualOf(problem, start);
  result.after = result.before;
  if (problem.hz.size() < 2) return result;

  Fitter fitter(problem, settings);
  const bool peq = settings.mode == FitMode::kPeq;
  std::vector<int> free, fixedBands;
  for (int i = 0; i < kBandCount; ++i) {
    const BandRaw& b = start[static_cast<size_t>(i)];
    const bool inRange = b.freq >= fitter.FLow() && b.freq <= fitter.FHigh();
    if (inRange || (peq && std::abs(b.gain) < 1)) {
      free.push_back(i);
    } else {
      fixedBands.push_back(i);
    }
  }
  if (free.empty()) return result;
  std::vector<double> fixed = problem.base;
  for (int i : fixedBands) {
    const auto col = fitter.RawColumn(start[static_cast<size_t>(i)]);
    for (size_t k = 0; k < fixed.size(); ++k) fixed[k] += col[k];
  }
  fitter.SetFixed(fixed);

  ChannelBands fitted = start;
  std::vector<int> moved;
  if (!peq) {
    std::vector<ContinuousBand> bands;
    for (int i : free) {
      const BandRaw& b = start[static_cast<size_t>(i)];
      bands.push_back({i, static_cast<double>(b.freq), static_cast<double>(b.q), b.gain / 100.0});
    }
    fitter.Optimise(bands, 40);
    for (const auto& b : bands) fitted[static_cast<size_t>(b.index)] = fitter.Quantise(b, start[static_cast<size_t>(b.index)]);
    moved = free;
  } else {
    // Bands in use inside the range start active; unused ones are placed one by
    // one at the largest remaining error.
    std::vector<ContinuousBand> active;
    std::vector<int> spare;
    for (int i : free) {
      const BandRaw& b = start[static_cast<size_t>(i)];
      if (std::abs(b.gain) >= 1) {
        active.push_back({i, static_cast<double>(b.freq), static_cast<double>(b.q), b.gain / 100.0});
      } else {
        spare.push_back(i);
      }
    }
    fitter.Optimise(active, 30);
    auto costOf = [&](const std::vector<ContinuousBand>& bands) {
      std::vector<std::vector<double>> cols;
      for (const auto& b : bands) cols.push_back(fitter.BandColumn(b));
      return fitter.Cost(cols);
    };
    double cost = costOf(active);
    size_t nextSpare = 0;
    int stale = 0;
    while (nextSpare < spare.size() && cost > 1e-4 * static_cast<double>(problem.hz.size())) {
      std::vector<std::vector<double>> cols;
      for (const auto& b : active) cols.push_back(fitter.BandColumn(b));
      const auto r = fitter.Residuals(cols);
      size_t worst = 0;
      for (size_t i = 1; i < r.size(); ++i)
        if (std::fabs(r[i]) > std::fabs(r[worst])) worst = i;
      ContinuousBand added{spare[nextSpare++], problem.hz[worst], 400.0, -r[worst]};
      auto trial = active;
      trial.push_back(added);
      fitter.Optimise(trial, 25);
      const double trialCost = costOf(trial);
      if (trialCost < cost * 0.995) {
        active = std::move(trial);
        cost = trialCost;
        stale = 0;
      } else if (++stale >= 3) {
        break;
      }
    }
    fitter.Optimise(active, 40);
    moved.clear();
    for (const auto& b : active) {
      fitted[static_cast<size_t>(b.index)] = fitter.Quantise(b, start[static_cast<size_t>(b.index)]);
      moved.push_back(b.index);
    }
    // Active bands with a gain too small to hold are unused again.
    for (int i : moved) {
      if (fitted[static_cast<size_t>(i)].gain == 0 && std::abs(start[static_cast<size_t>(i)].gain) < 1)
        fitted[static_cast<size_t>(i)] = start[static_cast<size_t>(i)];
    }
  }
  {
    std::vector<int> polish;
    for (int i : (peq ? moved : free)) polish.push_back(i);
    fitter.Polish(fitted, polish);
  }
  if (SumSquares(problem, fitted) < SumSquares(problem, start) - 1e-9) {
    result.bands = fitted;
    result.after = ResidualOf(problem, fitted);
    result.improved = true;
  }
  return result;
}

}  // namespace brisvel
