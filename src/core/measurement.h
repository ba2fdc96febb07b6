// Frequency responses measured at a speaker and the target curves a channel is
// tuned towards: parsing of the text exports measurement programs write (and
// .frd files), interpolation in log frequency, fractional-octave smoothing, and
// the built-in targets. Pure text-in, numbers-out; callers read the files.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisvel {

// A magnitude response: strictly rising frequencies in Hz with their levels in
// dB, and the phase in degrees where the file gives one (else empty).
struct FrequencyCurve {
  std::vector<double> hz;
  std::vector<double> db;
  std::vector<double> phase;
  bool Empty() const { return hz.empty(); }
  bool HasPhase() const { return !hz.empty() && phase.size() == hz.size(); }
  double LowestHz() const { return hz.empty() ? 0.0 : hz.front(); }
  double HighestHz() const { return hz.empty() ? 0.0 : hz.back(); }
  bool operator==(const FrequencyCurve&) const = default;
};

// Result of parsing: the curve, or an error text naming the line ("line 7: ...").
struct CurveParse {
  std::optional<FrequencyCurve> curve;
  std::string error;
  int line = 0;  // line of the error, 1-based; 0 for errors of the whole file
  // What was understood: the encoding when it is not plain UTF-8, the header
  // lines, the columns read, the lines after the data that were not read.
  std::vector<std::string> notes;
  int columnPairs = 1;  // channels given as frequency/level column pairs
  int pairRead = 0;     // the pair read, 0-based
};

// Lines "freq level [phase ...]", the file's bytes as they are (see
// DecodeText). A third number on every line is the phase in degrees, unless a
// header names that column as something else. Blank lines and lines starting with '*' or '#' are skipped;
// lines of text before the first point are its header. Fields are separated
// by blanks, tabs or commas and may be quoted; a line with semicolons is split
// at the semicolons only, a line with tabs at blanks and tabs only, and a
// decimal comma is read as a point in both. Rows of several frequency/level
// pairs (an analyser's channels side by side) give the pair chosen (the
// first by default). Lines without any number after the data (a summary) end it.
CurveParse ParseFrequencyCurve(std::string_view text, int pair = 0);

// The phase made continuous: steps of more than 180° between neighbouring
// points are taken as wraps of 360°. Empty without a phase.
std::vector<double> UnwrappedPhase(const FrequencyCurve& curve);

// The level at hz, interpolated linearly over log frequency; held at the end
// values outside the curve. The curve must not be empty.
double CurveAt(const FrequencyCurve& curve, double hz);
std::vector<double> CurveAt(const FrequencyCurve& curve, const std::vector<double>& hz);

// Fractional-octave smoothing: each point becomes the mean level (in dB) of the
// curve over the band of 1/fraction octave centred on it, taken on a fine
// log-spaced sampling; the phase stays as it is. fraction 0 returns the curve
// unchanged.
FrequencyCurve SmoothCurve(const FrequencyCurve& curve, int fraction);

// perOctave points per octave from lo to hi, both included.
std::vector<double> LogSpacedFrequencies(double loHz, double hiHz, int perOctave);

// The shape a channel is tuned towards.
struct TargetCurve {
  enum Kind { kFlat, kCar, kFile };
  Kind kind = kFlat;
  // Car target: a low-frequency rise of lfGainDb that reaches half its height
  // at lfCornerHz, and a treble tilt in dB per octave above 1 kHz.
  double lfGainDb = 6.0;
  double lfCornerHz = 80.0;
  double tiltDbPerOctave = -0.5;
  FrequencyCurve file;  // kFile: a curve read like a measurement
};

constexpr double kTargetTiltStartHz = 1000.0;

// The target's own level at hz (before alignment).
double TargetDb(const TargetCurve& target, double hz);
std::vector<double> TargetDb(const TargetCurve& target, const std::vector<double>& hz);

// The offset that lines the target up with the measurement: the mean of
// measured - target over the given points (0 when there are none).
double AlignmentOffset(const std::vector<double>& measured, const std::vector<double>& target);

}  // namespace brisvel
