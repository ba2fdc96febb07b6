// Measured and target curves: text parsing, log-frequency interpolation,
// fractional-octave smoothing and the built-in targets.
#include "core/measurement.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "core/text_lines.h"

namespace brisvel {
namespace {

constexpr size_t kMaxPoints = 200000;  // far beyond any export; bounds the work on a wrong file

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' || s.front() == '\n' ||
                        s.front() == '\f' || s.front() == '\v'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n' ||
                        s.back() == '\f' || s.back() == '\v'))
    s.remove_suffix(1);
  return s;
}

// The whole field as a number, or nothing.
std::optional<double> ParseNumberField(std::string_view field, bool decimalComma) {
  std::string text(Trim(field));
  if (decimalComma) std::replace(text.begin(), text.end(), ',', '.');
  if (!text.empty() && text.front() == '+') text.erase(0, 1);
  if (text.empty()) return std::nullopt;
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::vector<std::string_view> SplitFields(std::string_view line, bool semicolons) {
  std::vector<std::string_view> fields;
  size_t i = 0;
  while (i < line.size()) {
    if (semicolons) {
      const size_t next = line.find(';', i);
      const size_t stop = next == std::string_view::npos ? line.size() : next;
      fields.push_back(Trim(line.substr(i, stop - i)));
      i = stop + 1;
      continue;
    }
    const auto isSep = [](char c) { return c == ' ' || c == '\t' || c == ','; };
    while (i < line.size() && isSep(line[i])) ++i;
    const size_t start = i;
    while (i < line.size() && !isSep(line[i])) ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

std::string Shown(std::string_view field) {
  std::string s(field.substr(0, 40));
  if (field.size() > 40) s += "...";
  return s;
}

CurveParse Fail(int line, std::string text) {
  CurveParse p;
  p.line = line;
  p.error = line > 0 ? "line " + std::to_string(line) + ": " + text : std::move(text);
  return p;
}

std::string Number(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

}  // namespace

CurveParse ParseFrequencyCurve(std::string_view text) {
  FrequencyCurve curve;
  bool headerSeen = false;
  int lineNo = 0;
  int firstPointLine = 0;
  for (const std::string_view raw : SplitLines(text)) {
    const std::string_view line = Trim(raw);
    ++lineNo;
    if (line.empty() || line.front() == '*' || line.front() == '#') continue;
    const bool semicolons = line.find(';') != std::string_view::npos;
    const auto fields = SplitFields(line, semicolons);
    const auto freq = fields.empty() ? std::nullopt : ParseNumberField(fields[0], semicolons);
    if (!freq && curve.Empty() && !headerSeen) {
      headerSeen = true;  // a column header before the first point
      continue;
    }
    if (!freq) return Fail(lineNo, "\"" + Shown(fields.empty() ? line : fields[0]) + "\" is not a frequency");
    if (fields.size() < 2) return Fail(lineNo, "a frequency without a level");
    const auto level = ParseNumberField(fields[1], semicolons);
    if (!level) return Fail(lineNo, "\"" + Shown(fields[1]) + "\" is not a level in dB");
    if (!std::isfinite(*freq) || *freq <= 0) return Fail(lineNo, "the frequency " + Shown(fields[0]) + " is not a positive number");
    if (!std::isfinite(*level)) return Fail(lineNo, "the level " + Shown(fields[1]) + " is not a finite number");
    if (!curve.Empty() && *freq <= curve.hz.back()) {
      return Fail(lineNo, "the frequency " + Number(*freq) + " Hz does not rise above the one before (" +
                              Number(curve.hz.back()) + " Hz)");
    }
    if (curve.hz.size() >= kMaxPoints) return Fail(lineNo, "more than " + std::to_string(kMaxPoints) + " points");
    if (curve.Empty()) firstPointLine = lineNo;
    curve.hz.push_back(*freq);
    curve.db.push_back(*level);
  }
  if (curve.Empty()) return Fail(0, "the file holds no frequency points");
  if (curve.hz.size() < 2) return Fail(firstPointLine, "only one frequency point; a response needs at least two");
  CurveParse ok;
  ok.curve = std::move(curve);
  return ok;
}

double CurveAt(const FrequencyCurve& curve, double hz) {
  const auto& f = curve.hz;
  if (hz <= f.front()) return curve.db.front();
  if (hz >= f.back()) return curve.db.back();
  const size_t hi = static_cast<size_t>(std::upper_bound(f.begin(), f.end(), hz) - f.begin());
  const size_t lo = hi - 1;
  const double t = std::log(hz / f[lo]) / std::log(f[hi] / f[lo]);
  return curve.db[lo] + t * (curve.db[hi] - curve.db[lo]);
}

std::vector<double> CurveAt(const FrequencyCurve& curve, const std::vector<double>& hz) {
  std::vector<double> out;
  out.reserve(hz.size());
  for (double f : hz) out.push_back(CurveAt(curve, f));
  return out;
}

FrequencyCurve SmoothCurve(const FrequencyCurve& curve, int fraction) {
  if (fraction <= 0 || curve.hz.size() < 2) return curve;
  // Resample finely (96 points per octave), then average over the window with a
  // running sum; the window is cut at the ends of the curve.
  const std::vector<double> fine = LogSpacedFrequencies(curve.LowestHz(), curve.HighestHz(), 96);
  const std::vector<double> level = CurveAt(curve, fine);
  std::vector<double> prefix(level.size() + 1, 0.0);
  for (size_t i = 0; i < level.size(); ++i) prefix[i + 1] = prefix[i] + level[i];
  const double logStep = std::log2(fine.size() > 1 ? fine[1] / fine[0] : 2.0);
  const double halfWidthOct = 0.5 / fraction;
  FrequencyCurve out;
  out.hz = curve.hz;
  out.db.reserve(curve.hz.size());
  for (double f : curve.hz) {
    const double pos = std::log2(f / fine.front()) / logStep;
    const double reach = halfWidthOct / logStep;
    const auto lo = static_cast<long>(std::max(0.0, std::ceil(pos - reach)));
    const auto hi = static_cast<long>(std::min(static_cast<double>(fine.size() - 1), std::floor(pos + reach)));
    if (hi < lo) {
      out.db.push_back(CurveAt(curve, f));
    } else {
      out.db.push_back((prefix[static_cast<size_t>(hi) + 1] - prefix[static_cast<size_t>(lo)]) /
                       static_cast<double>(hi - lo + 1));
    }
  }
  return out;
}

std::vector<double> LogSpacedFrequencies(double loHz, double hiHz, int perOctave) {
  std::vector<double> out;
  if (!(loHz > 0) || !(hiHz >= loHz) || perOctave <= 0) return out;
  const double octaves = std::log2(hiHz / loHz);
  const int steps = std::max(1, static_cast<int>(std::ceil(octaves * perOctave)));
  out.reserve(static_cast<size_t>(steps) + 1);
  for (int i = 0; i <= steps; ++i) out.push_back(loHz * std::pow(hiHz / loHz, static_cast<double>(i) / steps));
  out.back() = hiHz;
  return out;
}

double TargetDb(const TargetCurve& target, double hz) {
  switch (target.kind) {
    case TargetCurve::kFlat:
      return 0.0;
    case TargetCurve::kCar: {
      const double corner = target.lfCornerHz > 0 ? target.lfCornerHz : 1.0;
      const double ratio = hz / corner;
      double db = target.lfGainDb / (1.0 + ratio * ratio);
      if (hz > kTargetTiltStartHz) db += target.tiltDbPerOctave * std::log2(hz / kTargetTiltStartHz);
      return db;
    }
    case TargetCurve::kFile:
      return target.file.Empty() ? 0.0 : CurveAt(target.file, hz);
  }
  return 0.0;
}

std::vector<double> TargetDb(const TargetCurve& target, const std::vector<double>& hz) {
  std::vector<double> out;
  out.reserve(hz.size());
  for (double f : hz) out.push_back(TargetDb(target, f));
  return out;
}

double AlignmentOffset(const std::vector<double>& measured, const std::vector<double>& target) {
  const size_t n = std::min(measured.size(), target.size());
  if (n == 0) return 0.0;
  double sum = 0;
  for (size_t i = 0; i < n; ++i) sum += measured[i] - target[i];
  return sum / static_cast<double>(n);
}

}  // namespace brisvel
