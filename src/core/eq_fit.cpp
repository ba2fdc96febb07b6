// The band fitter: the band values are found with a constrained optimiser
// (SLSQP of NLopt) that keeps the summed response within the limits at every
// limit point; PEQ starts from the GEQ fit and adds unused bands where the
// error is largest; then quantisation to the block's values, a search over
// neighbouring quantised values and a last check of the limits on the held values.
#include "core/eq_fit.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <tuple>

#include <nlopt.h>

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

// A peaking section prepared once and evaluated at s = sin²(πf/fs); q is the
// model's Q.
struct PeakSection {
  double b0 = 1, b1 = 0, b2 = 0, a0 = 1, a1 = 0, a2 = 0;
  bool off = true;
  PeakSection(double freq, double q, double gainDb) {
    if (std::fabs(gainDb) < 0.01) return;
    const double w0 = 2.0 * kPi * freq / kSampleRate;
    const double a = std::pow(10.0, gainDb / 40.0);
    const double alpha = std::sin(w0) / (2.0 * q);
    const double cw = std::cos(w0);
    // The numerator and denominator are left unnormalised: the common factor cancels.
    b0 = 1.0 + alpha * a;
    b1 = -2.0 * cw;
    b2 = 1.0 - alpha * a;
    a0 = 1.0 + alpha / a;
    a1 = -2.0 * cw;
    a2 = 1.0 - alpha / a;
    off = false;
  }
  double Db(double s) const {
    if (off) return 0.0;
    const double num = PolySquared(b0, b1, b2, s);
    const double den = PolySquared(a0, a1, a2, s);
    if (!(num > 0) || !(den > 0)) return 0.0;
    return 10.0 * std::log10(num / den);
  }
};

// A peaking section with the derivatives of its dB response with respect to
// ln(frequency), ln(Q) and the gain in dB, for the optimiser; q is the model's Q.
struct PeakDerivatives {
  double n[3], d[3];        // numerator and denominator coefficients
  double dn[3][3], dd[3][3];  // [parameter][coefficient]
  PeakDerivatives(double freq, double q, double gainDb) {
    const double w0 = 2.0 * kPi * freq / kSampleRate;
    const double a = std::pow(10.0, gainDb / 40.0);
    const double sw = std::sin(w0), cw = std::cos(w0);
    const double alpha = sw / (2.0 * q);
    n[0] = 1.0 + alpha * a, n[1] = -2.0 * cw, n[2] = 1.0 - alpha * a;
    d[0] = 1.0 + alpha / a, d[1] = -2.0 * cw, d[2] = 1.0 - alpha / a;
    const double dAlphaU = cw * w0 / (2.0 * q), dCosU = -sw * w0;
    const double dAG = a * std::numbers::ln10 / 40.0;
    // d(alpha A) and d(alpha / A) for ln f, ln Q, gain.
    const double up[3] = {a * dAlphaU, -alpha * a, alpha * dAG};
    const double down[3] = {dAlphaU / a, -alpha / a, -alpha / (a * a) * dAG};
    const double dc[3] = {dCosU, 0.0, 0.0};
    for (int k = 0; k < 3; ++k) {
      dn[k][0] = up[k], dn[k][1] = -2.0 * dc[k], dn[k][2] = -up[k];
      dd[k][0] = down[k], dd[k][1] = -2.0 * dc[k], dd[k][2] = -down[k];
    }
  }
  // The response in dB at s and its three derivatives.
  double At(double s, double* deriv) const {
    const auto poly = [s](const double* c, double* grad) {
      const double sum = c[0] + c[1] + c[2];
      grad[0] = 2.0 * sum - 4.0 * (c[1] + 4.0 * c[2]) * s + 16.0 * c[2] * s * s;
      grad[1] = 2.0 * sum - 4.0 * (c[0] + c[2]) * s;
      grad[2] = 2.0 * sum - 4.0 * (c[1] + 4.0 * c[0]) * s + 16.0 * c[0] * s * s;
      return PolySquared(c[0], c[1], c[2], s);
    };
    double gn[3], gd[3];
    const double num = poly(n, gn), den = poly(d, gd);
    if (!(num > 0) || !(den > 0)) {
      deriv[0] = deriv[1] = deriv[2] = 0;
      return 0.0;
    }
    constexpr double kDb = 10.0 / std::numbers::ln10;
    for (int k = 0; k < 3; ++k) {
      const double dnum = gn[0] * dn[k][0] + gn[1] * dn[k][1] + gn[2] * dn[k][2];
      const double dden = gd[0] * dd[k][0] + gd[1] * dd[k][1] + gd[2] * dd[k][2];
      deriv[k] = kDb * (dnum / num - dden / den);
    }
    return kDb * std::log(num / den);
  }
};

double PeakDbAt(double freq, double q, double gainDb, double s) { return PeakSection(freq, q, gainDb).Db(s); }

// A band in continuous values: Hz, Q in the block's unit (x 100; the model
// draws raw / 300), dB.
struct ContinuousBand {
  int index = 0;
  double freq = 1000, q = 760, gain = 0;
};

constexpr double kQLow = 40.0, kQHigh = 12800.0;
// A band takes part in a fit when somewhere in the range it reaches this share of its gain.
constexpr double kReachShare = 0.3;
// The optimiser keeps this far inside the limits, so that rounding to the
// block's values rarely has to be corrected.
constexpr double kLimitMargin = 0.05;
constexpr int kOptimiserLimitPointsPerOctave = 16;
// A small cost on every band's gain keeps bands that only touch the range
// from drifting to large values where nothing is measured.
constexpr double kGainCost = 1e-4;

// Just outside the passband, where the limit drops to 0 dB: the summed
// response rises towards the passband, so these points bound it in the roll-off.
std::vector<double> PassbandEdges(const FitProblem& p) {
  std::vector<double> out;
  if (p.passLowHz > kFitLowestHz) out.push_back(p.passLowHz * (1 - 1e-6));
  if (p.passHighHz < kFitHighestHz) out.push_back(p.passHighHz * (1 + 1e-6));
  return out;
}

// The limits of the summed response at one frequency.
struct Limit {
  double low, high;
};

class Fitter {
 public:
  Fitter(const FitProblem& problem, const FitSettings& settings) : p_(problem), settings_(settings) {
    gainLow_ = settings.minGainDb;
    gainHigh_ = std::max<double>(settings.maxGainDb, gainLow_);
    fLow_ = std::clamp(p_.hz.front(), kFitLowestHz, kFitHighestHz);
    fHigh_ = std::clamp(p_.hz.back(), kFitLowestHz, kFitHighestHz);
    errorPoints_ = p_.hz.size();
    for (double f : p_.hz) s_.push_back(SinHalfSquared(f));
    std::vector<double> limitHz = LogSpacedFrequencies(kFitLowestHz, kFitHighestHz, kOptimiserLimitPointsPerOctave);
    for (double f : PassbandEdges(problem)) limitHz.push_back(f);
    for (double f : limitHz) {
      s_.push_back(SinHalfSquared(f));
      const Limit l = LimitAt(f);
      limits_.push_back({l.low + kLimitMargin, l.high - kLimitMargin});
    }
  }

  // The summed response's limits at hz: the gain range of the data file, and
  // the boost limit inside the passband, 0 dB in the roll-off.
  Limit LimitAt(double hz) const {
    const bool inPass = hz >= p_.passLowHz * (1 - 1e-9) && hz <= p_.passHighHz * (1 + 1e-9);
    const double boost = inPass ? std::max(0.0, settings_.maxBoostDb) : 0.0;
    return {gainLow_, std::min(gainHigh_, boost)};
  }

  size_t Points() const { return s_.size(); }
  const std::vector<double>& PointS() const { return s_; }
  size_t ErrorPoints() const { return errorPoints_; }
  double FLow() const { return fLow_; }
  double FHigh() const { return fHigh_; }
  double GainLow() const { return gainLow_; }
  double GainHigh() const { return gainHigh_; }

  std::vector<double> Column(const ContinuousBand& b) const {
    const PeakSection section(b.freq, b.q / kModelQDivisor, b.gain);
    std::vector<double> col(s_.size());
    for (size_t i = 0; i < s_.size(); ++i) col[i] = section.Db(s_[i]);
    return col;
  }
  std::vector<double> Column(const BandRaw& b) const {
    return Column(ContinuousBand{0, static_cast<double>(b.freq), static_cast<double>(b.q), b.gain / 100.0});
  }

  // What the fixed bands, the measurement and the target give at every point:
  // the error before the moving bands at the error points, the summed response
  // at the limit points.
  std::vector<double> FixedPart(const ChannelBands& bands, const std::vector<int>& fixedBands) const {
    std::vector<double> fixed(s_.size(), 0.0);
    for (size_t i = 0; i < errorPoints_; ++i) fixed[i] = p_.base[i] - p_.target[i];
    for (int k : fixedBands) {
      const auto col = Column(bands[static_cast<size_t>(k)]);
      for (size_t i = 0; i < s_.size(); ++i) fixed[i] += col[i];
    }
    return fixed;
  }

  // Mean squared error of the sum at the error points, plus the small gain cost.
  double Cost(const std::vector<double>& sum, const std::vector<ContinuousBand>& bands) const {
    double e = 0;
    for (size_t i = 0; i < errorPoints_; ++i) e += sum[i] * sum[i];
    double g = 0;
    for (const auto& b : bands) g += b.gain * b.gain;
    return e / static_cast<double>(errorPoints_) + kGainCost * g;
  }
  double Violation(const std::vector<double>& sum) const {
    double worst = 0;
    for (size_t k = 0; k < limits_.size(); ++k) {
      const double v = sum[errorPoints_ + k];
      worst = std::max({worst, v - (limits_[k].high + kLimitMargin), (limits_[k].low - kLimitMargin) - v});
    }
    return worst;
  }

  // Moves the given bands (gains only, or frequency, Q and gain in PEQ) to the
  // lowest cost the optimiser finds within the limits; keeps the best point
  // that met them (or the start when none did). Returns the cost.
  double Optimise(std::vector<ContinuousBand>& bands, const std::vector<double>& fixed, bool peq, int maxEval) const;

 private:
  const FitProblem& p_;
  FitSettings settings_;
  std::vector<double> s_;  // error points, then the optimiser's limit points
  std::vector<Limit> limits_;  // at the limit points, with the margin
  size_t errorPoints_ = 0;
  double gainLow_ = -20, gainHigh_ = 20, fLow_ = 20, fHigh_ = 20000;
};

// The optimiser's view of one run: parameters, cached columns and their
// derivatives, the best point inside the limits.
struct Run {
  const Fitter* fitter;
  const std::vector<double>* fixed;
  std::vector<ContinuousBand> bands;
  bool peq;
  int per;
  std::vector<double> x;  // the point the caches hold
  std::vector<std::vector<double>> cols;
  std::vector<std::vector<double>> derivs;  // per parameter
  std::vector<double> sum;
  bool cached = false;
  double bestCost = HUGE_VAL;
  std::vector<double> bestX;
  double startCost = HUGE_VAL;

  void Decode(const double* xs) {
    for (size_t j = 0; j < bands.size(); ++j) {
      if (peq) {
        bands[j].freq = std::exp(xs[j * 3]);
        bands[j].q = std::exp(xs[j * 3 + 1]);
        bands[j].gain = xs[j * 3 + 2];
      } else {
        bands[j].gain = xs[j];
      }
    }
  }
  void Evaluate(const double* xs, size_t n) {
    if (cached && std::equal(xs, xs + n, x.begin())) return;
    x.assign(xs, xs + n);
    Decode(xs);
    const size_t m = fitter->Points();
    const std::vector<double>& pts = fitter->PointS();
    sum = *fixed;
    cols.resize(bands.size());
    derivs.resize(n);
    for (size_t j = 0; j < bands.size(); ++j) {
      const PeakDerivatives section(bands[j].freq, bands[j].q / kModelQDivisor, bands[j].gain);
      std::vector<double>& col = cols[j];
      col.resize(m);
      for (int k = 0; k < per; ++k) derivs[j * static_cast<size_t>(per) + static_cast<size_t>(k)].resize(m);
      double* dGain = derivs[GainParam(j)].data();
      double* dFreq = peq ? derivs[j * 3].data() : nullptr;
      double* dQ = peq ? derivs[j * 3 + 1].data() : nullptr;
      double d[3];
      for (size_t i = 0; i < m; ++i) {
        col[i] = section.At(pts[i], d);
        sum[i] += col[i];
        dGain[i] = d[2];
        if (peq) {
          dFreq[i] = d[0];
          dQ[i] = d[1];
        }
      }
    }
    cached = true;
  }
  size_t GainParam(size_t j) const { return peq ? j * 3 + 2 : j; }
};

double Objective(unsigned n, const double* xs, double* grad, void* data) {
  Run& r = *static_cast<Run*>(data);
  r.Evaluate(xs, n);
  const Fitter& f = *r.fitter;
  const double cost = f.Cost(r.sum, r.bands);
  if (grad) {
    const size_t ne = f.ErrorPoints();
    const double scale = 2.0 / static_cast<double>(ne);
    for (size_t a = 0; a < n; ++a) {
      const auto& d = r.derivs[a];
      double g = 0;
      for (size_t i = 0; i < ne; ++i) g += r.sum[i] * d[i];
      grad[a] = scale * g;
    }
    for (size_t j = 0; j < r.bands.size(); ++j) grad[r.GainParam(j)] += 2.0 * kGainCost * r.bands[j].gain;
  }
  if (f.Violation(r.sum) <= 1e-9 && cost < r.bestCost) {
    r.bestCost = cost;
    r.bestX.assign(xs, xs + n);
  }
  return cost;
}

struct LimitData {
  Run* run;
  const std::vector<Limit>* limits;
};

// Only the upper limits go to the optimiser (the boost limits are what the
// error pulls against); the lower limit of the data file is kept afterwards.
void Constraints(unsigned m, double* result, unsigned n, const double* xs, double* grad, void* data) {
  const LimitData& ld = *static_cast<LimitData*>(data);
  Run& r = *ld.run;
  r.Evaluate(xs, n);
  const size_t ne = r.fitter->ErrorPoints();
  for (size_t k = 0; k < m && k < ld.limits->size(); ++k) {
    result[k] = r.sum[ne + k] - (*ld.limits)[k].high;
    if (grad) {
      for (size_t a = 0; a < n; ++a) grad[k * n + a] = r.derivs[a][ne + k];
    }
  }
}

double Fitter::Optimise(std::vector<ContinuousBand>& bands, const std::vector<double>& fixed, bool peq,
                        int maxEval) const {
  Run run{this, &fixed, bands, peq, peq ? 3 : 1, {}, {}, {}, {}, false, HUGE_VAL, {}, HUGE_VAL};
  const size_t n = bands.size() * static_cast<size_t>(run.per);
  std::vector<double> x(n), lo(n), hi(n);
  for (size_t j = 0; j < bands.size(); ++j) {
    ContinuousBand& b = bands[j];
    b.gain = std::clamp(b.gain, gainLow_, gainHigh_);
    b.freq = std::clamp(b.freq, fLow_, fHigh_);
    b.q = std::clamp(b.q, kQLow, kQHigh);
    if (peq) {
      x[j * 3] = std::log(b.freq);
      lo[j * 3] = std::log(fLow_);
      hi[j * 3] = std::log(fHigh_);
      x[j * 3 + 1] = std::log(b.q);
      lo[j * 3 + 1] = std::log(kQLow);
      hi[j * 3 + 1] = std::log(kQHigh);
      x[j * 3 + 2] = b.gain;
      lo[j * 3 + 2] = gainLow_;
      hi[j * 3 + 2] = gainHigh_;
    } else {
      x[j] = b.gain;
      lo[j] = gainLow_;
      hi[j] = gainHigh_;
    }
  }
  if (n == 0) return Cost(fixed, bands);
  // The start itself, so that a start within the limits is never lost.
  const double startCost = Objective(static_cast<unsigned>(n), x.data(), nullptr, &run);
  nlopt_opt opt = nlopt_create(NLOPT_LD_SLSQP, static_cast<unsigned>(n));
  if (!opt) return startCost;
  nlopt_set_lower_bounds(opt, lo.data());
  nlopt_set_upper_bounds(opt, hi.data());
  nlopt_set_min_objective(opt, Objective, &run);
  LimitData ld{&run, &limits_};
  std::vector<double> tol(limits_.size(), 1e-6);
  nlopt_add_inequality_mconstraint(opt, static_cast<unsigned>(tol.size()), Constraints, &ld, tol.data());
  nlopt_set_ftol_rel(opt, 1e-7);
  nlopt_set_xtol_rel(opt, 1e-6);
  nlopt_set_maxeval(opt, maxEval);
  double reached = 0;
  nlopt_optimize(opt, x.data(), &reached);  // any outcome: the best point seen counts
  nlopt_destroy(opt);
  if (run.bestX.empty()) {
    // Nothing within the limits was seen (the fixed bands alone break them):
    // the optimiser's last point, which the check after quantising corrects.
    run.bestX = x;
    run.bestCost = Objective(static_cast<unsigned>(n), x.data(), nullptr, &run);
  }
  run.Decode(run.bestX.data());
  bands = run.bands;
  return run.bestCost;
}

// Quantises a band to the block's values.
BandRaw Quantise(const ContinuousBand& b, const BandRaw& original, bool peq, const Fitter& f) {
  BandRaw q = original;
  q.gain = static_cast<int>(std::lround(std::clamp(b.gain, f.GainLow(), f.GainHigh()) * 10.0)) * 10;
  if (peq) {
    q.freq = static_cast<int>(std::lround(std::clamp(b.freq, f.FLow(), f.FHigh())));
    q.q = QStepTable()[static_cast<size_t>(NearestQIndex(static_cast<int>(std::lround(b.q))))];
  }
  return q;
}

ContinuousBand Continuous(int index, const BandRaw& b) {
  return {index, static_cast<double>(b.freq), static_cast<double>(b.q), b.gain / 100.0};
}

// The held values judged on every limit point (20 Hz .. 20 kHz, the band
// centres): the summed response, and the limit there.
class LimitCheck {
 public:
  LimitCheck(const Fitter& f, const ChannelBands& bands, const FitProblem& p) {
    hz_ = LimitFrequencies(bands);
    for (double e : PassbandEdges(p)) hz_.push_back(e);
    for (double h : hz_) {
      s_.push_back(SinHalfSquared(h));
      limits_.push_back(f.LimitAt(h));
    }
  }
  std::vector<double> Column(const BandRaw& b) const {
    const PeakSection section(b.freq, b.q / kModelQDivisor, b.gain / 100.0);
    std::vector<double> col(s_.size());
    for (size_t i = 0; i < s_.size(); ++i) col[i] = section.Db(s_[i]);
    return col;
  }
  // The largest excess over the limits of a summed response (0 when within).
  double Excess(const std::vector<double>& sum, size_t* where = nullptr) const {
    double worst = 0;
    for (size_t i = 0; i < sum.size(); ++i) {
      const double e = std::max(sum[i] - limits_[i].high, limits_[i].low - sum[i]);
      if (e > worst) {
        worst = e;
        if (where) *where = i;
      }
    }
    return worst;
  }
  size_t Size() const { return s_.size(); }
  bool Above(const std::vector<double>& sum, size_t i) const { return sum[i] > limits_[i].high; }

 private:
  std::vector<double> hz_, s_;
  std::vector<Limit> limits_;
};

std::vector<double> SumOf(const LimitCheck& check, const ChannelBands& bands) {
  std::vector<double> sum(check.Size(), 0.0);
  for (const BandRaw& b : bands) {
    if (std::abs(b.gain) < 1) continue;
    const auto col = check.Column(b);
    for (size_t i = 0; i < sum.size(); ++i) sum[i] += col[i];
  }
  return sum;
}

// Brings the held bands within the limits at every limit point: the moving
// band that does most where the limit is broken is turned 0.1 dB towards 0
// until none is broken (or no moving band can help).
void KeepWithinLimits(const Fitter& f, const FitProblem& p, ChannelBands& bands, const std::vector<int>& free) {
  for (int round = 0; round < 4000; ++round) {
    const LimitCheck check(f, bands, p);
    const std::vector<double> sum = SumOf(check, bands);
    size_t where = 0;
    if (check.Excess(sum, &where) <= 1e-9) return;
    const bool above = check.Above(sum, where);
    int best = -1;
    double bestShare = 0;
    for (int i : free) {
      const BandRaw& b = bands[static_cast<size_t>(i)];
      if (b.gain == 0) continue;
      const double share = check.Column(b)[where];
      if ((above && share > bestShare) || (!above && share < bestShare)) {
        bestShare = share;
        best = i;
      }
    }
    if (best < 0) return;
    BandRaw& b = bands[static_cast<size_t>(best)];
    b.gain += b.gain > 0 ? -10 : 10;
  }
}

// Tries neighbouring held values band by band while the error falls, every
// try kept within the limits and the band count.
void Polish(const Fitter& f, const FitProblem& p, ChannelBands& bands, const std::vector<int>& free, bool peq,
            int maxBands) {
  const LimitCheck check(f, bands, p);
  const size_t ne = p.hz.size();
  std::vector<double> hzS(ne);
  for (size_t i = 0; i < ne; ++i) hzS[i] = SinHalfSquared(p.hz[i]);
  const auto errColumn = [&](const BandRaw& b) {
    const PeakSection section(b.freq, b.q / kModelQDivisor, b.gain / 100.0);
    std::vector<double> col(ne);
    for (size_t i = 0; i < ne; ++i) col[i] = section.Db(hzS[i]);
    return col;
  };
  std::vector<double> err(ne), lim = SumOf(check, bands);
  const std::vector<double> pred = Prediction(p, bands);
  for (size_t i = 0; i < ne; ++i) err[i] = pred[i] - p.target[i];
  const auto sq = [](const std::vector<double>& v) {
    double s = 0;
    for (double x : v) s += x * x;
    return s;
  };
  double cost = sq(err);
  int used = 0;
  for (int i : free) used += bands[static_cast<size_t>(i)].gain != 0;
  const int gainLowRaw = static_cast<int>(std::lround(f.GainLow() * 100));
  const int gainHighRaw = static_cast<int>(std::lround(f.GainHigh() * 100));
  std::vector<double> trialErr(ne), trialLim(lim.size());
  for (int sweep = 0; sweep < 12; ++sweep) {
    bool better = false;
    for (int i : free) {
      BandRaw& b = bands[static_cast<size_t>(i)];
      std::vector<BandRaw> tries;
      for (int d : {-10, 10}) {
        BandRaw t = b;
        t.gain = std::clamp(b.gain + d, gainLowRaw, gainHighRaw);
        tries.push_back(t);
      }
      if (peq && b.gain != 0) {
        for (int d : {-1, 1}) {
          BandRaw t = b;
          t.q = StepQ(b.q, d);
          tries.push_back(t);
          t = b;
          const int df = std::max(1, static_cast<int>(std::lround(b.freq * 0.01)));
          t.freq = static_cast<int>(std::clamp<double>(b.freq + d * df, std::ceil(f.FLow()), std::floor(f.FHigh())));
          tries.push_back(t);
        }
      }
      std::vector<double> oldErr = errColumn(b), oldLim = check.Column(b);
      for (const BandRaw& t : tries) {
        if (t == b) continue;
        if (b.gain == 0 && t.gain != 0 && used >= maxBands) continue;
        const auto newErr = errColumn(t);
        const auto newLim = check.Column(t);
        for (size_t k = 0; k < ne; ++k) trialErr[k] = err[k] - oldErr[k] + newErr[k];
        const double c = sq(trialErr);
        if (!(c < cost - 1e-12)) continue;
        for (size_t k = 0; k < lim.size(); ++k) trialLim[k] = lim[k] - oldLim[k] + newLim[k];
        if (check.Excess(trialLim) > std::max(1e-9, check.Excess(lim))) continue;
        used += (t.gain != 0) - (b.gain != 0);
        cost = c;
        b = t;
        err = trialErr;
        lim = trialLim;
        oldErr = newErr;
        oldLim = newLim;
        better = true;
      }
    }
    if (!better) break;
  }
}

double SumSquares(const FitProblem& problem, const ChannelBands& bands) {
  const auto pred = Prediction(problem, bands);
  double sum = 0;
  for (size_t i = 0; i < pred.size(); ++i) sum += (pred[i] - problem.target[i]) * (pred[i] - problem.target[i]);
  return sum;
}

double PassDbAtBlock(const EffectBlock& block, int channel, bool high, double hz) {
  const auto type = static_cast<uint8_t>(ReadParam(block, high ? param::HpType(channel) : param::LpType(channel)));
  const double freq = ReadParam(block, high ? param::HpFreq(channel) : param::LpFreq(channel));
  return PassDbAt(high ? 1 : 2, ModelType(type), freq, ModelSlope(type), hz);
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
  return PassDbAtBlock(block, channel, true, hz) + PassDbAtBlock(block, channel, false, hz);
}

std::pair<double, double> ChannelPassband(const EffectBlock& block, int channel) {
  const std::vector<double> hz = LogSpacedFrequencies(kFitLowestHz, kFitHighestHz, kLimitPointsPerOctave);
  double lo = kFitLowestHz, hi = kFitHighestHz;
  // The high-pass falls towards low frequencies: its edge is the highest point still below -3 dB.
  for (double f : hz)
    if (PassDbAtBlock(block, channel, true, f) < kPassbandEdgeDb) lo = f;
  for (auto it = hz.rbegin(); it != hz.rend(); ++it)
    if (PassDbAtBlock(block, channel, false, *it) < kPassbandEdgeDb) hi = *it;
  if (lo > hi) std::swap(lo, hi);  // filters crossed: the fit then has nothing to work on
  return {lo, hi};
}

FitProblem MakeFitProblem(const FrequencyCurve& measurement, const TargetCurve& target, const EffectBlock& block,
                          int channel, double loHz, double hiHz) {
  FitProblem p;
  std::tie(p.passLowHz, p.passHighHz) = ChannelPassband(block, channel);
  if (measurement.Empty()) return p;
  const double lo = std::max({loHz, kFitLowestHz, measurement.LowestHz(), p.passLowHz});
  const double hi = std::min({hiHz, kFitHighestHz, measurement.HighestHz(), p.passHighHz});
  if (!(lo < hi)) return p;
  p.hz = LogSpacedFrequencies(lo, hi, kFitPointsPerOctave);
  const auto measured = CurveAt(measurement, p.hz);
  auto shape = TargetDb(target, p.hz);
  const double offset = AlignmentOffset(measured, shape);
  p.base.resize(p.hz.size());
  p.target.resize(p.hz.size());
  for (size_t i = 0; i < p.hz.size(); ++i) {
    const double filters = ChannelFiltersDb(block, channel, p.hz[i]);
    p.base[i] = measured[i] + filters;
    p.target[i] = shape[i] + offset + filters;
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

double SummedBandsDb(const ChannelBands& bands, double hz) {
  double sum = 0;
  for (const BandRaw& b : bands)
    if (std::abs(b.gain) >= 1) sum += BandDb(b, hz);
  return sum;
}

std::vector<double> LimitFrequencies(const ChannelBands& bands) {
  std::vector<double> hz = LogSpacedFrequencies(kFitLowestHz, kFitHighestHz, kLimitPointsPerOctave);
  for (const BandRaw& b : bands)
    if (b.gain != 0 && b.freq >= kFitLowestHz && b.freq <= kFitHighestHz) hz.push_back(b.freq);
  std::sort(hz.begin(), hz.end());
  return hz;
}

std::pair<double, double> SummedRange(const ChannelBands& bands) {
  double lo = 0, hi = 0;
  for (double f : LimitFrequencies(bands)) {
    const double v = SummedBandsDb(bands, f);
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  return {hi, lo};
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

namespace {

// The GEQ fit in continuous gains of the moving bands, with at most maxBands of
// them left at a gain: the weakest is let go and the rest fitted again.
std::vector<ContinuousBand> FitGains(const Fitter& f, const ChannelBands& start, const std::vector<int>& moving,
                                     const std::vector<double>& fixed, int maxBands) {
  std::vector<ContinuousBand> bands;
  for (int i : moving) bands.push_back(Continuous(i, start[static_cast<size_t>(i)]));
  f.Optimise(bands, fixed, false, 400);
  std::vector<double> rest = fixed;
  while (static_cast<int>(bands.size()) > std::max(0, maxBands)) {
    size_t weakest = 0;
    for (size_t j = 1; j < bands.size(); ++j)
      if (std::fabs(bands[j].gain) < std::fabs(bands[weakest].gain)) weakest = j;
    bands.erase(bands.begin() + static_cast<std::ptrdiff_t>(weakest));
    f.Optimise(bands, rest, false, 200);
  }
  return bands;
}

// The error at the error points of the fixed part plus the bands.
std::vector<double> ErrorWith(const Fitter& f, const std::vector<double>& fixed, const std::vector<ContinuousBand>& bands) {
  std::vector<double> e(fixed.begin(), fixed.begin() + static_cast<std::ptrdiff_t>(f.ErrorPoints()));
  for (const auto& b : bands) {
    const auto col = f.Column(b);
    for (size_t i = 0; i < e.size(); ++i) e[i] += col[i];
  }
  return e;
}

std::vector<double> WithBands(const Fitter& f, const std::vector<double>& fixed, const std::vector<ContinuousBand>& bands) {
  std::vector<double> sum = fixed;
  for (const auto& b : bands) {
    const auto col = f.Column(b);
    for (size_t i = 0; i < sum.size(); ++i) sum[i] += col[i];
  }
  return sum;
}

// Where a new band would help most: the largest errors (averaged over a sixth
// of an octave), at least a third of an octave apart.
std::vector<std::pair<double, double>> ErrorPeaks(const FitProblem& p, const std::vector<double>& e, size_t count) {
  const size_t n = e.size();
  const int reach = kFitPointsPerOctave / 12;
  std::vector<double> smooth(n);
  for (size_t i = 0; i < n; ++i) {
    double s = 0;
    int c = 0;
    for (int d = -reach; d <= reach; ++d) {
      const long k = static_cast<long>(i) + d;
      if (k < 0 || k >= static_cast<long>(n)) continue;
      s += e[static_cast<size_t>(k)];
      ++c;
    }
    smooth[i] = s / c;
  }
  std::vector<size_t> order(n);
  for (size_t i = 0; i < n; ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return std::fabs(smooth[a]) > std::fabs(smooth[b]); });
  std::vector<std::pair<double, double>> peaks;
  for (size_t i : order) {
    if (peaks.size() >= count) break;
    bool near = false;
    for (const auto& pk : peaks) near |= std::fabs(std::log2(p.hz[i] / pk.first)) < 1.0 / 3.0;
    if (!near) peaks.push_back({p.hz[i], smooth[i]});
  }
  return peaks;
}

}  // namespace

FitResult FitBands(const FitProblem& problem, const ChannelBands& start, const FitSettings& settings) {
  FitResult result;
  result.bands = start;
  result.before = ResidualOf(problem, start);
  result.after = result.before;
  result.passLowHz = problem.passLowHz;
  result.passHighHz = problem.passHighHz;
  const auto finish = [&] {
    std::tie(result.summedBoostDb, result.summedCutDb) = SummedRange(result.bands);
    result.bandsUsed.clear();
    for (int i = 0; i < kBandCount; ++i)
      if (result.bands[static_cast<size_t>(i)].gain != 0) result.bandsUsed.push_back(i);
    result.rolloffChangeDb = 0;
    for (double f : LimitFrequencies(result.bands)) {
      if (f >= problem.passLowHz && f <= problem.passHighHz) continue;
      result.rolloffChangeDb =
          std::max(result.rolloffChangeDb, std::fabs(SummedBandsDb(result.bands, f) - SummedBandsDb(start, f)));
    }
    return result;
  };
  if (problem.hz.size() < 2) return finish();

  const Fitter fitter(problem, settings);
  const bool peq = settings.mode == FitMode::kPeq;
  // Bands whose response reaches into the range move; so do unused bands in PEQ.
  std::vector<int> reaching, spare, fixedBands;
  for (int i = 0; i < kBandCount; ++i) {
    BandRaw unit = start[static_cast<size_t>(i)];
    unit.gain = 100;
    double reach = 0;
    for (double f : {problem.hz.front(), problem.hz.back()}) reach = std::max(reach, BandDb(unit, f));
    const bool inside = unit.freq >= problem.hz.front() && unit.freq <= problem.hz.back();
    if (inside || reach >= kReachShare) {
      reaching.push_back(i);
    } else if (peq && start[static_cast<size_t>(i)].gain == 0) {
      spare.push_back(i);
    } else {
      fixedBands.push_back(i);
    }
  }
  const int maxBands = std::clamp(settings.maxBands, 0, kBandCount);
  std::vector<int> moving = reaching;
  moving.insert(moving.end(), spare.begin(), spare.end());
  std::sort(moving.begin(), moving.end());
  if (moving.empty() || maxBands == 0) return finish();
  const std::vector<double> fixed = fitter.FixedPart(start, fixedBands);

  // Every candidate is held (quantised), brought within the limits, polished
  // and judged by its error; the best one wins.
  ChannelBands best = start;
  double bestCost = SumSquares(problem, start);
  const bool startWithin = [&] {
    ChannelBands s = start;
    const ChannelBands before = s;
    KeepWithinLimits(fitter, problem, s, moving);
    return s == before;
  }();
  bool found = false;
  const auto consider = [&](const std::vector<ContinuousBand>& bands, bool moved) {
    ChannelBands held = start;
    for (int i : moving) held[static_cast<size_t>(i)].gain = 0;
    for (const auto& b : bands) held[static_cast<size_t>(b.index)] = Quantise(b, start[static_cast<size_t>(b.index)], moved, fitter);
    KeepWithinLimits(fitter, problem, held, moving);
    Polish(fitter, problem, held, moving, moved, maxBands);
    KeepWithinLimits(fitter, problem, held, moving);
    const double cost = SumSquares(problem, held);
    // A start outside the limits is replaced by any result within them.
    if (cost < bestCost - 1e-9 || (!startWithin && !found)) {
      best = held;
      bestCost = cost;
      found = true;
    }
  };

  std::vector<int> geqBands = peq ? reaching : moving;
  const std::vector<double> geqFixed = peq ? fitter.FixedPart(start, [&] {
    std::vector<int> all = fixedBands;
    all.insert(all.end(), spare.begin(), spare.end());
    return all;
  }()) : fixed;
  std::vector<ContinuousBand> geq = FitGains(fitter, start, geqBands, geqFixed, maxBands);
  consider(geq, false);

  if (peq) {
    // From the GEQ fit: every band at a gain moves in frequency, Q and gain;
    // then unused bands are placed where the error is largest while the error falls.
    std::vector<ContinuousBand> active;
    for (const auto& b : geq)
      if (std::fabs(b.gain) >= 0.05) active.push_back(b);
    std::vector<int> unused;
    for (int i : moving) {
      const bool used = std::any_of(active.begin(), active.end(), [&](const ContinuousBand& b) { return b.index == i; });
      if (!used) unused.push_back(i);
    }
    // The fixed part without any moving band.
    double cost = fitter.Optimise(active, fixed, true, 300);
    size_t next = 0;
    while (next < unused.size() && static_cast<int>(active.size()) < maxBands) {
      const auto e = ErrorWith(fitter, fixed, active);
      const auto peaks = ErrorPeaks(problem, e, 3);
      // Each place is tried with the new band alone; the best is kept if,
      // with every band moving again, the error falls.
      const std::vector<double> rest = WithBands(fitter, fixed, active);
      std::optional<ContinuousBand> bestOne;
      double bestOneCost = HUGE_VAL;
      for (const auto& [hz, err] : peaks) {
        std::vector<ContinuousBand> one{{unused[next], hz, 420.0, std::clamp(-err, fitter.GainLow(), fitter.GainHigh())}};
        const double c = fitter.Optimise(one, rest, true, 80);
        if (c < bestOneCost) {
          bestOneCost = c;
          bestOne = one.front();
        }
      }
      if (!bestOne) break;
      std::vector<ContinuousBand> trial = active;
      trial.push_back(*bestOne);
      const double trialCost = fitter.Optimise(trial, fixed, true, 40);
      if (!(trialCost < cost * (1 - 1e-3) - 1e-9)) break;
      active = std::move(trial);
      cost = trialCost;
      ++next;
    }
    fitter.Optimise(active, fixed, true, 300);
    consider(active, true);
  }

  if (found && bestCost < SumSquares(problem, start) - 1e-9) {
    result.bands = best;
    result.after = ResidualOf(problem, best);
    result.improved = true;
  } else if (found && !startWithin) {
    result.bands = best;
    result.after = ResidualOf(problem, best);
    result.improved = true;
  }
  return finish();
}

bool FitNeedsConfirmation(const FitResult& result) {
  return result.summedBoostDb > kBoostWarnDb + 1e-9 || result.rolloffChangeDb > kRolloffChangeWarnDb + 1e-9;
}

}  // namespace brisvel
