// Measured and target curves: text parsing, log-frequency interpolation,
// fractional-octave smoothing and the built-in targets.
#include "core/measurement.h"

#include "core/text_decoding.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace brisvel {
namespace {

constexpr size_t kMaxPoints = 200000;  // far beyond any export; bounds the work on a wrong file

std::string_view Trim(std::string_view s) { return TrimBlanks(s); }

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

enum class Separators { kBlanksAndCommas, kSemicolons, kBlanks };

std::string_view Unquote(std::string_view field) {
  field = Trim(field);
  if (field.size() >= 2 && field.front() == '"' && field.back() == '"') field = Trim(field.substr(1, field.size() - 2));
  return field;
}

std::vector<std::string_view> SplitFields(std::string_view line, Separators sep) {
  std::vector<std::string_view> fields;
  if (sep == Separators::kSemicolons || (sep == Separators::kBlanksAndCommas && line.find(',') != std::string_view::npos)) {
    // Every separator counts, so empty fields keep the columns in place.
    // A separator inside quotes belongs to the field.
    const char c = sep == Separators::kSemicolons ? ';' : ',';
    size_t start = 0;
    bool quoted = false;
    for (size_t i = 0; i <= line.size(); ++i) {
      if (i < line.size() && line[i] == '"') quoted = !quoted;
      if (i == line.size() || (line[i] == c && !quoted)) {
        fields.push_back(Unquote(line.substr(start, i - start)));
        start = i + 1;
      }
    }
    // A row written "20 88.0" inside a comma file has no commas to split at.
    if (fields.size() == 1 && sep == Separators::kBlanksAndCommas) return SplitFields(line, Separators::kBlanks);
    while (!fields.empty() && fields.back().empty()) fields.pop_back();
    return fields;
  }
  size_t i = 0;
  const auto isSep = [](char ch) { return ch == ' ' || ch == '\t'; };
  while (i < line.size()) {
    while (i < line.size() && isSep(line[i])) ++i;
    const size_t start = i;
    while (i < line.size() && !isSep(line[i])) ++i;
    if (i > start) fields.push_back(Unquote(line.substr(start, i - start)));
  }
  return fields;
}

Separators SeparatorsOf(std::string_view line) {
  if (line.find(';') != std::string_view::npos) return Separators::kSemicolons;
  if (line.find('\t') != std::string_view::npos) return Separators::kBlanks;
  return Separators::kBlanksAndCommas;
}

bool DecimalComma(Separators sep) { return sep != Separators::kBlanksAndCommas; }

std::string Shown(std::string_view field) { return Printable(field, 40); }

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

using Line = TextLine;

bool Skipped(std::string_view line) { return line.empty() || line.front() == '*' || line.front() == '#'; }

// The numbers of a row, in column order (nullopt where a field is no number).
std::vector<std::optional<double>> RowNumbers(std::string_view line) {
  const Separators sep = SeparatorsOf(line);
  std::vector<std::optional<double>> out;
  for (std::string_view f : SplitFields(line, sep)) out.push_back(ParseNumberField(f, DecimalComma(sep)));
  return out;
}

bool HasNumber(std::string_view line) {
  for (const auto& v : RowNumbers(line))
    if (v) return true;
  return false;
}

// Frequency/level pairs side by side: rows of four or more numbers whose
// third column repeats the first.
int ColumnPairs(std::string_view firstRow) {
  const auto v = RowNumbers(firstRow);
  if (v.size() < 4 || !v[0] || !v[2] || *v[0] != *v[2]) return 1;
  int pairs = 1;
  while (static_cast<size_t>(pairs * 2 + 1) < v.size() && v[pairs * 2] && *v[pairs * 2] == *v[0]) ++pairs;
  return pairs;
}

// The name a header gives to the channel of column col: a line with one name
// per channel ("Left",,"Right",), if there is one.
std::string ColumnName(const std::vector<Line>& header, size_t col, int pairs) {
  for (const Line& l : header) {
    const auto fields = SplitFields(l.text, SeparatorsOf(l.text));
    const auto named = std::count_if(fields.begin(), fields.end(), [](std::string_view f) { return !f.empty(); });
    if (named != pairs || fields.size() <= col || fields[col].empty()) continue;
    const std::string name(fields[col]);
    if (name != "X" && name != "Y" && name.find("Hz") == std::string::npos) return name;
  }
  return {};
}

// A header line that names the columns and calls the third something other
// than a phase (a coherence, a distortion): then that column is not read.
bool ThirdColumnNamedOtherwise(const std::vector<Line>& header) {
  for (const Line& l : header) {
    const auto fields = SplitFields(l.text, SeparatorsOf(l.text));
    if (fields.size() < 3 || fields[2].empty()) continue;
    std::string name(fields[2]);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char ch) { return std::tolower(ch); });
    const bool phase = name.find("phase") != std::string::npos || name.find("deg") != std::string::npos ||
                       name.find("\xc2\xb0") != std::string::npos || name.find("\xe7\x9b\xb8\xe4\xbd\x8d") != std::string::npos;
    return !phase;
  }
  return false;
}

}  // namespace

CurveParse ParseFrequencyCurve(std::string_view bytes, int pair) {
  const DecodedText decoded = DecodeText(bytes);
  const std::vector<Line> lines = SplitTextLines(decoded.text);
  FrequencyCurve curve;
  std::vector<Line> header;
  int firstPointLine = 0;
  int pairs = 1;
  size_t freqCol = 0;
  std::vector<std::string> notes;
  std::vector<double> phase;
  bool phaseOnEveryLine = true;
  if (decoded.encoding != "UTF-8") notes.push_back("read as " + decoded.encoding);
  for (size_t n = 0; n < lines.size(); ++n) {
    const Line& l = lines[n];
    if (Skipped(l.text)) continue;
    const Separators sep = SeparatorsOf(l.text);
    const auto fields = SplitFields(l.text, sep);
    if (curve.Empty() && (fields.empty() || !ParseNumberField(fields[0], DecimalComma(sep)))) {
      header.push_back(l);  // a title, a channel line, column names, units
      continue;
    }
    if (curve.Empty()) {
      pairs = ColumnPairs(l.text);
      if (pair < 0 || pair >= pairs) {
        return Fail(l.number, "the file has " + std::to_string(pairs) + " frequency/level column pairs; pair " +
                                  std::to_string(pair + 1) + " was asked for");
      }
      freqCol = static_cast<size_t>(pair) * 2;
    }
    const auto freq = fields.size() > freqCol ? ParseNumberField(fields[freqCol], DecimalComma(sep)) : std::nullopt;
    if (!freq) {
      // Lines after the data that hold no point, up to the end (a summary block),
      // end the data; a bad row between points is an error.
      bool laterPoint = false;
      for (size_t k = n + 1; k < lines.size() && !laterPoint; ++k) {
        if (Skipped(lines[k].text)) continue;
        const auto v = RowNumbers(lines[k].text);
        laterPoint = v.size() > freqCol + 1 && v[freqCol] && v[freqCol + 1];
      }
      const bool blankBefore = n > 0 && lines[n - 1].text.empty();
      if (!laterPoint && (blankBefore || !HasNumber(l.text))) {
        notes.push_back("lines " + std::to_string(l.number) + " to " + std::to_string(lines.back().number) +
                        " after the data are not read");
        break;
      }
      return Fail(l.number, "\"" + Shown(fields.size() > freqCol ? fields[freqCol] : l.text) +
                                "\" where a frequency in Hz was expected");
    }
    if (fields.size() < freqCol + 2 || fields[freqCol + 1].empty()) return Fail(l.number, "a frequency without a level");
    const auto level = ParseNumberField(fields[freqCol + 1], DecimalComma(sep));
    if (!level) return Fail(l.number, "\"" + Shown(fields[freqCol + 1]) + "\" where a level in dB was expected");
    if (!std::isfinite(*freq) || *freq <= 0)
      return Fail(l.number, "the frequency " + Shown(fields[freqCol]) + " is not a positive number");
    if (!std::isfinite(*level)) return Fail(l.number, "the level " + Shown(fields[freqCol + 1]) + " is not a finite number");
    if (!curve.Empty() && *freq <= curve.hz.back()) {
      return Fail(l.number, "the frequency " + Number(*freq) + " Hz does not rise above the one before (" +
                                Number(curve.hz.back()) + " Hz)");
    }
    if (curve.hz.size() >= kMaxPoints) return Fail(l.number, "more than " + std::to_string(kMaxPoints) + " points");
    if (curve.Empty()) firstPointLine = l.number;
    curve.hz.push_back(*freq);
    curve.db.push_back(*level);
    if (phaseOnEveryLine) {
      const auto degrees = pairs == 1 && fields.size() > 2 ? ParseNumberField(fields[2], DecimalComma(sep)) : std::nullopt;
      if (degrees && std::isfinite(*degrees)) {
        phase.push_back(*degrees);
      } else {
        phaseOnEveryLine = false;
      }
    }
  }
  if (curve.Empty()) return Fail(0, "the file holds no frequency points (lines of a frequency in Hz and a level in dB)");
  if (curve.hz.size() < 2) return Fail(firstPointLine, "only one frequency point; a response needs at least two");
  CurveParse ok;
  if (!header.empty()) {
    notes.insert(notes.begin() + (decoded.encoding != "UTF-8"),
                 header.size() == 1 ? "line " + std::to_string(header[0].number) + " is a header"
                                    : "lines " + std::to_string(header.front().number) + " to " +
                                          std::to_string(header.back().number) + " are a header");
  }
  if (pairs > 1) {
    const std::string name = ColumnName(header, freqCol, pairs);
    notes.push_back("the file has " + std::to_string(pairs) + " channels as column pairs; channel " +
                    std::to_string(pair + 1) + (name.empty() ? "" : " (" + Printable(name, 30) + ")") + " is read");
  }
  notes.push_back("frequency from column " + std::to_string(freqCol + 1) + ", level from column " +
                  std::to_string(freqCol + 2));
  if (phaseOnEveryLine && !ThirdColumnNamedOtherwise(header)) {
    curve.phase = std::move(phase);
    notes.push_back("phase from column 3");
  }
  ok.notes = std::move(notes);
  ok.columnPairs = pairs;
  ok.pairRead = pair;
  ok.curve = std::move(curve);
  return ok;
}

std::vector<double> UnwrappedPhase(const FrequencyCurve& curve) {
  if (!curve.HasPhase()) return {};
  std::vector<double> out(curve.phase.size());
  double turns = 0;
  out[0] = curve.phase[0];
  for (size_t i = 1; i < out.size(); ++i) {
    const double step = curve.phase[i] - curve.phase[i - 1];
    turns -= std::round(step / 360.0);
    out[i] = curve.phase[i] + 360.0 * turns;
  }
  return out;
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
  out.phase = curve.phase;
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
