// The equaliser response model: biquad coefficients of each band and filter,
// their magnitude responses on the shared logarithmic frequency grid, and the
// channel's summed curve with its peak, as the EQ graph and the gain alert read them.
#include "core/eq_response.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <limits>
#include <new>
#include <numbers>

namespace brisvel {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kNyquist = kSampleRate / 2.0;
constexpr double kGainThreshold = 0.01;  // smaller gains or slopes count as off
constexpr double kPassLowHz = 20.0;      // filters outside this window draw nothing
constexpr double kPassHighHz = 19999.0;
constexpr double kGridStartMinHz = 10.0;
constexpr double kGridStartMaxHz = 20.0;
// 10·log10(x) = kDbPerNeper · ln(x) for power ratios.
constexpr double kDbPerNeper = 10.0 / std::numbers::ln10;

// Besides the angular frequency w each grid point keeps sin²(w/2) and
// cos²(w/2): the squared magnitude of a second-order polynomial in e^(-jw) is a
// quadratic in either of them, and that form stays accurate next to the
// filters' zeros at DC and at Nyquist.

// The squared magnitude of c0 + c1·e^(-jw) + c2·e^(-2jw) is a quadratic
//   P(s) = (c0+c1+c2)² − 4(c0c1 + c1c2 + 4c0c2)·s + 16c0c2·s²,  s = sin²(w/2),
// and equally a quadratic in c = cos²(w/2) with c1 negated. The lower half of the
// grid uses the first form and the upper half the second, so the zeros of the
// high-pass at DC and of the low-pass at Nyquist come out exact.
//
// Next to a sharp pole or zero (a narrow band at a low frequency, say) the three
// terms cancel almost completely. Each quadratic is therefore expanded around a
// point near its minimum, P(x) = offset + t·(linear + t·square) with t = x − shift,
// whose offset and linear terms are formed once per section in extended
// precision from exact coefficient products; the per-point work then has no
// cancellation to lose accuracy in.
struct ShiftedQuadratic {
  double shift = 0, offset = 0, linear = 0, square = 0;
};

struct SectionPolynomials {
  ShiftedQuadratic lowerNum, lowerDen, upperNum, upperDen;
};

// a·b as an unevaluated sum hi + lo, exactly.
struct ExactProduct {
  double hi, lo;
};
ExactProduct Multiply(double a, double b) {
  const double hi = a * b;
  return {hi, std::fma(a, b, -hi)};
}

ShiftedQuadratic Expand(long double p0, long double p1, long double p2) {
  ShiftedQuadratic q;
  q.square = static_cast<double>(p2);
  // The half of the grid a form is used for spans 0 … 0.5; a minimum well away
  // from it causes no cancellation there and the plain form is kept.
  if (p2 > 0) {
    const long double vertex = -p1 / (2.0L * p2);
    if (vertex >= -0.25L && vertex <= 0.75L) q.shift = static_cast<double>(vertex);
  }
  const long double shift = q.shift;
  q.offset = static_cast<double>(p0 + shift * (p1 + shift * p2));
  q.linear = static_cast<double>(p1 + 2.0L * shift * p2);
  return q;
}

void ExpandPair(double c0, double c1, double c2, ShiftedQuadratic& lower, ShiftedQuadratic& upper) {
  const ExactProduct p01 = Multiply(c0, c1);
  const ExactProduct p12 = Multiply(c1, c2);
  const ExactProduct p02 = Multiply(c0, c2);
  const long double outer = static_cast<long double>(p02.hi) + p02.lo;
  // For coefficients of comparable size the leading parts sum without loss in
  // extended precision; the rounding errors of the products are added afterwards.
  const long double lowerCross =
      (static_cast<long double>(p01.hi) + p12.hi + 4.0L * p02.hi) +
      (static_cast<long double>(p01.lo) + p12.lo + 4.0L * p02.lo);
  const long double upperCross =
      (static_cast<long double>(p01.hi) + p12.hi - 4.0L * p02.hi) +
      (static_cast<long double>(p01.lo) + p12.lo - 4.0L * p02.lo);
  const long double atDc = static_cast<long double>(c0) + c1 + c2;
  const long double atNyquist = static_cast<long double>(c0) - c1 + c2;
  lower = Expand(atDc * atDc, -4.0L * lowerCross, 16.0L * outer);
  upper = Expand(atNyquist * atNyquist, 4.0L * upperCross, 16.0L * outer);
}

SectionPolynomials PolynomialsOf(const EqSection& s) {
  SectionPolynomials p;
  ExpandPair(s.b0, s.b1, s.b2, p.lowerNum, p.upperNum);
  ExpandPair(s.a0, s.a1, s.a2, p.lowerDen, p.upperDen);
  return p;
}

inline double Evaluate(const ShiftedQuadratic& q, double x) {
  const double t = x - q.shift;
  return q.offset + t * (q.linear + t * q.square);
}

// Power ratios are kept inside the finite range so that no -inf, +inf or NaN
// can reach a response, the summed curve or the peak.
inline double FiniteDb(double numerator, double denominator, double dbScale) {
  double ratio = numerator / denominator;
  if (!(ratio >= std::numeric_limits<double>::min())) {  // also catches NaN
    ratio = std::numeric_limits<double>::min();
  } else if (ratio > std::numeric_limits<double>::max()) {
    ratio = std::numeric_limits<double>::max();
  }
  return dbScale * std::log(ratio);
}

// Q of the three second-order pass shapes, expressed as the divisor of sin w0.
double PassShapeDivisor(int type) {
  switch (type) {
    case 1: return std::numbers::sqrt2;           // Butterworth, Q = 1/√2
    case 2: return 2.0 / std::numbers::sqrt3;     // Bessel, Q = 1/√3
    default: return 1.718;                        // Q = 0.859
  }
}

void ComputeCoefficients(EqSection& s) {
  const double w0 = 2.0 * kPi * s.frequency / kSampleRate;
  const double sw = std::sin(w0);
  const double cw = std::cos(w0);
  s.a0 = 1.0;
  if (s.kind == 0) {
    const double a = std::pow(10.0, s.gain / 40.0);
    const double alpha = sw / (2.0 * s.q);
    const double d = 1.0 + alpha / a;
    s.b0 = (1.0 + alpha * a) / d;
    s.b1 = -2.0 * cw / d;
    s.b2 = (1.0 - alpha * a) / d;
    s.a1 = -2.0 * cw / d;
    s.a2 = (1.0 - alpha / a) / d;
    return;
  }
  const double alpha = sw / PassShapeDivisor(s.type);
  const double d = 1.0 + alpha;
  s.a1 = -2.0 * cw / d;
  s.a2 = (1.0 - alpha) / d;
  if (s.kind == 1) {
    s.b0 = (1.0 + cw) / (2.0 * d);
    s.b1 = -(1.0 + cw) / d;
  } else {
    s.b0 = (1.0 - cw) / (2.0 * d);
    s.b1 = (1.0 - cw) / d;
  }
  s.b2 = s.b0;
}

bool CoefficientsFinite(const EqSection& s) {
  return std::isfinite(s.b0) && std::isfinite(s.b1) && std::isfinite(s.b2) &&
         std::isfinite(s.a1) && std::isfinite(s.a2);
}

bool PassInWindow(double frequency) {
  return frequency >= kPassLowHz && frequency <= kPassHighHz;
}

bool GainCounts(double gain) { return std::fabs(gain) >= kGainThreshold; }

}  // namespace

bool ComputeSectionCoefficients(EqSection& section) {
  ComputeCoefficients(section);
  return CoefficientsFinite(section);
}

bool SectionDrawn(const EqSection& section) {
  if (section.kind == 0) return GainCounts(section.gain);
  return PassInWindow(section.frequency) && GainCounts(section.gain);
}

// ---- frequency grid ----

double EqFrequencyGrid::ClampStart(double startHz) {
  // NaN falls to the lower limit.
  return std::isnan(startHz) ? kGridStartMinHz : std::clamp(startHz, kGridStartMinHz, kGridStartMaxHz);
}

double EqFrequencyGrid::FrequencyHz(int point) const {
  if (point < 0 || point >= kGridPoints) return 0.0;
  return omega_[static_cast<size_t>(point)] * kNyquist / kPi;
}

void EqFrequencyGrid::Build(double startHz) {
  if (Built()) return;
  const double start = ClampStart(startHz);
  const double l0 = std::log10(start * kPi / kNyquist);
  const double step = (std::log10(kPi) - l0) / kGridPoints;
  upperHalfStart_ = kGridPoints;
  for (int k = 0; k < kGridPoints; ++k) {
    const size_t i = static_cast<size_t>(k);
    const double w = std::pow(10.0, l0 + k * step);
    const double sinHalf = std::sin(w / 2.0);
    const double cosHalf = std::cos(w / 2.0);
    omega_[i] = w;
    sinHalfSquared_[i] = sinHalf * sinHalf;
    cosHalfSquared_[i] = cosHalf * cosHalf;
    if (w > kPi / 2.0 && upperHalfStart_ == kGridPoints) upperHalfStart_ = k;
  }
  startHz_ = start;
  built_.store(true, std::memory_order_release);
}

// ---- response model ----

bool CEqResponse::Init(const std::array<EqBandValue, 31>& bands) {
  // Memory is taken here only; every later operation works in place.
  if (sections_.size() != kEqSectionCount || summed_.size() != kGridPoints ||
      groupSums_.size() != kSumGroups * kGridPoints) {
    try {
      std::vector<EqSection> sections(kEqSectionCount);
      for (EqSection& s : sections) s.response.assign(kGridPoints, 0.0);
      std::vector<double> summed(kGridPoints, 0.0);
      std::vector<double> groupSums(kSumGroups * kGridPoints, 0.0);
      sections_ = std::move(sections);
      summed_ = std::move(summed);
      groupSums_ = std::move(groupSums);
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  for (int i = 0; i < kEqSectionCount; ++i) {
    EqSection& s = sections_[static_cast<size_t>(i)];
    std::vector<double> response = std::move(s.response);
    s = EqSection{};
    s.response = std::move(response);
    if (i == kHighPassSection) s.kind = 1;
    if (i == kLowPassSection) s.kind = 2;
    ClearResponse(i);
  }
  std::fill(summed_.begin(), summed_.end(), 0.0);
  bandCount_ = kEqBandSections;
  highPass_ = -1;
  lowPass_ = -1;
  current_ = -1;
  peak_ = 0.0;
  LoadBandValues(bands);
  Sum();
  return true;
}

bool CEqResponse::LoadBands(const std::array<EqBandValue, 31>& bands) {
  if (bandCount_ != kEqBandSections || sections_.size() != kEqSectionCount) return false;
  current_ = -1;
  std::fill(summed_.begin(), summed_.end(), 0.0);
  peak_ = 0.0;
  LoadBandValues(bands);
  Sum();
  return true;
}

void CEqResponse::LoadBandValues(const std::array<EqBandValue, 31>& bands) {
  for (int i = 0; i < kEqBandSections; ++i) {
    EqSection& s = sections_[static_cast<size_t>(i)];
    const EqBandValue& v = bands[static_cast<size_t>(i)];
    s.kind = 0;
    s.type = 0;
    s.frequency = v.frequency;
    s.gain = v.gain;
    s.q = v.q;
    ClearResponse(i);
    if (GainCounts(v.gain)) ComputeSection(i);
  }
}

bool CEqResponse::SetBand(int index, double frequency, double gain, double q) {
  if (index < 0 || index >= bandCount_) return false;
  EqSection& s = sections_[static_cast<size_t>(index)];
  const double previousGain = s.gain;
  s.kind = 0;
  s.type = 0;
  s.frequency = frequency;
  s.gain = gain;
  s.q = q;
  current_ = -1;
  ClearResponse(index);
  if (!GainCounts(gain)) {
    // A band that was off and stays off leaves the curve as it is.
    if (!GainCounts(previousGain)) return false;
    Sum();
    return true;
  }
  ComputeSection(index);
  current_ = index;
  Sum();
  return true;
}

void CEqResponse::SetHighPass(double frequency, double slope, int type) {
  SetPass(kHighPassSection, 1, frequency, slope, type);
}

void CEqResponse::SetLowPass(double frequency, double slope, int type) {
  SetPass(kLowPassSection, 2, frequency, slope, type);
}

void CEqResponse::SetPass(int sectionIndex, int kind, double frequency, double slope, int type) {
  if (sections_.size() != kEqSectionCount) return;  // not initialised: nothing to hold it
  EqSection& s = sections_[static_cast<size_t>(sectionIndex)];
  s.kind = kind;
  s.type = type;
  s.frequency = frequency;
  s.gain = slope;
  s.q = 1.0;
  if (sectionIndex == kHighPassSection) {
    highPass_ = kHighPassSection;
  } else {
    lowPass_ = kLowPassSection;
  }
  ClearResponse(sectionIndex);
  const bool inWindow = PassInWindow(frequency);
  if (inWindow && GainCounts(slope)) ComputeSection(sectionIndex);
  Sum();
  // A filter switched off but inside the window is still the one being edited.
  current_ = inWindow ? sectionIndex : -1;
}

void CEqResponse::SetGrid(std::shared_ptr<EqFrequencyGrid> grid) {
  grid_ = std::move(grid);
  if (GridBuilt()) Recompute(grid_->StartFrequency());
}

void CEqResponse::Recompute(double startFrequency) {
  if (!grid_) grid_ = std::make_shared<EqFrequencyGrid>();
  grid_->Build(startFrequency);
  if (sections_.size() != kEqSectionCount) return;
  for (int i = 0; i < bandCount_; ++i) {
    if (GainCounts(sections_[static_cast<size_t>(i)].gain)) ComputeSection(i);
  }
  for (int index : {highPass_, lowPass_}) {
    if (index < 0) continue;
    const EqSection& s = sections_[static_cast<size_t>(index)];
    if (PassInWindow(s.frequency) && GainCounts(s.gain)) ComputeSection(index);
  }
  Sum();
}

void CEqResponse::ClearResponse(int index) {
  EqSection& s = sections_[static_cast<size_t>(index)];
  std::fill(s.response.begin(), s.response.end(), 0.0);
  contributes_[static_cast<size_t>(index)] = false;
  groupDirty_[static_cast<size_t>(index / kSumGroupSize)] = true;
}

void CEqResponse::ComputeSection(int index) {
  EqSection& s = sections_[static_cast<size_t>(index)];
  ComputeCoefficients(s);
  // A section whose coefficients overflow (a Q of 0, say) draws nothing
  // rather than spreading NaN through the summed curve.
  if (!CoefficientsFinite(s)) {
    ClearResponse(index);
    return;
  }
  if (!GridBuilt() || s.response.size() != kGridPoints) return;

  const SectionPolynomials poly = PolynomialsOf(s);
  // Pass filters of other slopes than 12 dB/octave are drawn as multiples of
  // the second-order response.
  const double dbScale = s.kind == 0 ? kDbPerNeper : kDbPerNeper * (s.gain / -12.0);

  double* out = s.response.data();
  const double* lower = grid_->SinHalfSquared().data();
  const double* upper = grid_->CosHalfSquared().data();
  const int split = grid_->UpperHalfStart();
  for (int k = 0; k < split; ++k) {
    out[k] = FiniteDb(Evaluate(poly.lowerNum, lower[k]), Evaluate(poly.lowerDen, lower[k]), dbScale);
  }
  for (int k = split; k < kGridPoints; ++k) {
    out[k] = FiniteDb(Evaluate(poly.upperNum, upper[k]), Evaluate(poly.upperDen, upper[k]), dbScale);
  }
  contributes_[static_cast<size_t>(index)] = true;
  groupDirty_[static_cast<size_t>(index / kSumGroupSize)] = true;
}

namespace {

// out[k] = parts[0][k] + parts[1][k] + … in that order, or 0 without parts.
// Blocks of points are accumulated in a local buffer, which the compiler can
// keep apart from the section arrays and vectorise; four arrays are added per
// pass to save stores.
void AddArrays(const double* const* parts, size_t count, double* out) {
  constexpr int kBlock = 128;
  static_assert(kGridPoints % kBlock == 0);
  for (int start = 0; start < kGridPoints; start += kBlock) {
    std::array<double, kBlock> block{};
    size_t p = 0;
    for (; p + 4 <= count; p += 4) {
      const double* r0 = parts[p] + start;
      const double* r1 = parts[p + 1] + start;
      const double* r2 = parts[p + 2] + start;
      const double* r3 = parts[p + 3] + start;
      for (int k = 0; k < kBlock; ++k) {
        block[size_t(k)] = (((block[size_t(k)] + r0[k]) + r1[k]) + r2[k]) + r3[k];
      }
    }
    for (; p < count; ++p) {
      const double* r = parts[p] + start;
      for (int k = 0; k < kBlock; ++k) block[size_t(k)] += r[k];
    }
    std::copy(block.begin(), block.end(), out + start);
  }
}

}  // namespace

void CEqResponse::Sum() {
  if (!GridBuilt() || summed_.size() != kGridPoints ||
      sections_.size() != kEqSectionCount || groupSums_.size() != kSumGroups * kGridPoints) {
    return;
  }
  // Sections that contribute nothing hold zeros and are left out. A change
  // touches one group, so only that group is added up again before the groups
  // are; the result depends on the responses alone, never on the edit history.
  std::array<const double*, kSumGroupSize> members{};
  std::array<const double*, kSumGroups> groups{};
  size_t groupCount = 0;
  for (int g = 0; g < kSumGroups; ++g) {
    const size_t gi = static_cast<size_t>(g);
    double* groupSum = groupSums_.data() + gi * kGridPoints;
    if (groupDirty_[gi]) {
      size_t count = 0;
      const int end = std::min(kEqSectionCount, (g + 1) * kSumGroupSize);
      for (int i = g * kSumGroupSize; i < end; ++i) {
        if (i == kHighPassSection && highPass_ < 0) continue;
        if (i == kLowPassSection && lowPass_ < 0) continue;
        if (!contributes_[static_cast<size_t>(i)]) continue;
        members[count++] = sections_[static_cast<size_t>(i)].response.data();
      }
      groupActive_[gi] = count > 0;
      if (count > 0) AddArrays(members.data(), count, groupSum);
      groupDirty_[gi] = false;
    }
    if (groupActive_[gi]) groups[groupCount++] = groupSum;
  }
  AddArrays(groups.data(), groupCount, summed_.data());
  double peak = 0.0;
  for (double v : summed_) peak = std::max(peak, v);
  peak_ = peak;
}

}  // namespace brisvel
