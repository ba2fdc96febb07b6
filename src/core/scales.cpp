// Conversions between raw parameter values and the texts the console shows
// and accepts. All pure; the controllers write the raw values with SetParam.
#include "core/scales.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "core/debug_output.h"
#include "core/param_table.h"

namespace brisvel {

std::optional<double> LeadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
  bool negative = false;
  // The typographic minus (U+2212, E2 88 92 in UTF-8) reads as '-'.
  if (text.substr(i, 3) == "\xE2\x88\x92") {
    negative = true;
    i += 3;
  } else if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const size_t numberStart = i;
  size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  // An exponent counts only when digits follow it.
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && text[j] >= '0' && text[j] <= '9') {
      while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
      i = j;
    }
  }
  double value = 0;
  const char* first = text.data() + numberStart;
  const char* last = text.data() + i;
  // from_chars does not accept a leading '.', so give it "0." in that case.
  std::string buffer;
  if (*first == '.') {
    buffer = "0" + std::string(first, last);
    first = buffer.data();
    last = buffer.data() + buffer.size();
  }
  const auto result = std::from_chars(first, last, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) value = std::numeric_limits<double>::max();
  else if (result.ec != std::errc()) return std::nullopt;
  return negative ? -value : value;
}

double ParseLeadingNumber(std::string_view text) { return LeadingNumber(text).value_or(0.0); }

int Truncate(double v) {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

int TruncateScaled(double v, int scale) {
  const double p = v * scale;
  const double whole = std::round(p);
  // A decimal typed with no more digits than the scale holds lands within a
  // few units of the last place of a whole number.
  if (std::abs(p - whole) <= 1e-9 * std::max(1.0, std::abs(p))) return Truncate(whole);
  return Truncate(p);
}

namespace {

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

constexpr std::array<int, kQStepCount> kQSteps = {
    40,   42,   45,   47,   50,   53,   56,   59,   63,   67,    71,    75,    79,    84,    89,    94,   100,
    106,  112,  119,  126,  130,  140,  150,  160,  170,  180,   190,   200,   210,   220,   240,   250,  270,
    280,  300,  320,  340,  360,  380,  400,  420,  450,  480,   500,   530,   570,   600,   630,   670,  710,
    760,  800,  850,  900,  950,  1010, 1070, 1130, 1200, 1270,  1350,  1400,  1500,  1600,  1700,  1800, 1900,
    2000, 2100, 2300, 2400, 2500, 2700, 2900, 3000, 3200, 3400,  3600,  3800,  4000,  4300,  4500,  4800, 5100,
    5400, 5700, 6000, 6400, 6800, 7200, 7600, 8100, 8500, 9100,  9600,  10200, 10800, 11400, 12100, 12800};

// The shortest of one or two decimals that shows hundredths exactly.
std::string Hundredths(int raw, const char* suffix) {
  return FormatString(raw % 10 == 0 ? "%0.01f%s" : "%0.02f%s", raw / 100.0, suffix);
}

// The next multiple of grid above (step > 0) or below (step < 0) raw, step
// times; a raw value off the grid moves to its neighbour on the grid first.
int StepOnGrid(int raw, int step, int grid) {
  auto floorDiv = [](int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
  if (step > 0) return (floorDiv(raw, grid) + step) * grid;
  if (step < 0) return (floorDiv(raw + grid - 1, grid) + step) * grid;
  return raw;
}

constexpr const char* kCharacteristics[] = {"Butterworth", "Bessel", "Linkwitz"};
constexpr const char* kSlopes[] = {"6dB/Oct",  "12dB/Oct", "18dB/Oct", "24dB/Oct", "30dB/Oct",
                                   "36dB/Oct", "42dB/Oct", "48dB/Oct", "OFF"};
constexpr const char* kReleases[] = {"Atk*2", "Atk*4", "Atk*6", "Atk*8", "Atk*16", "Atk*32"};

}  // namespace

// ---- channels ----

int ChannelLabelNumber(int box) { return box < 2 ? box + 5 : box - 1; }
std::string ChannelLabel(int box) { return FormatString("CH%d", ChannelLabelNumber(box)); }
int BoxFromLabelNumber(int label) { return label >= 5 ? label - 5 : label + 1; }

// ---- volume ----

std::string VolumeText(int raw) { return raw == 0 ? "OFF" : FormatString("%ddB", raw - 60); }

bool IsOffText(std::string_view text) {
  while (!text.empty() && (text.front() == '\r' || text.front() == '\n')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
  return EqualsIgnoreCase(Trim(text), "OFF");
}

std::optional<Parsed> ParseVolume(std::string_view text) {
  int db;
  if (IsOffText(text)) {
    db = -60;
  } else {
    const std::optional<double> v = LeadingNumber(text);
    if (!v) return std::nullopt;
    db = std::clamp(TruncateScaled(*v, 1), -60, 6);
  }
  const int raw = db + 60;
  return Parsed{raw, VolumeText(raw)};
}

int StepVolume(int raw, int step) { return std::clamp(std::clamp(raw, 0, 66) + step, 0, 66); }

int KnobVolume(int raw) { return std::min(raw, 60); }
std::string KnobVolumeText(int raw) { return FormatString("%ddB", KnobVolume(raw) - 60); }

// ---- delay ----

std::string DelayUnitName(int unit) {
  switch (unit) {
    case kDelayCm: return "CM";
    case kDelayIn: return "IN";
    default: return "MS";
  }
}

double DelayUnitLimit(int unit) {
  if (unit == kDelayCm) return 692.0;
  if (unit == kDelayIn) return 272.44;
  return 20.0;
}

std::string DelayText(int raw, int unit) {
  const double ms = raw / 48.0;
  if (unit == kDelayCm) return FormatString("%0.02f", ms * kCmPerMs);
  if (unit == kDelayIn) return FormatString("%0.02f", ms * kInPerMs);
  return FormatString("%0.03f", ms);
}

std::string DistanceText(double mm, int unit) {
  if (unit == kDelayIn) return FormatString("%0.02fin", mm / 25.4);
  return FormatString("%0.01fcm", mm / 10.0);
}

std::string PathDelayText(double mm, int unit) {
  const double ms = mm / 346.0;
  if (unit == kDelayCm) return FormatString("%0.01fcm", ms * kCmPerMs);
  if (unit == kDelayIn) return FormatString("%0.02fin", ms * kInPerMs);
  return FormatString("%0.03fms", ms);
}

std::optional<Parsed> ParseDelay(std::string_view text, int unit) {
  std::optional<double> typed = LeadingNumber(text);
  if (!typed) return std::nullopt;
  double v = *typed;
  if (!(v >= 0)) v = 0;
  v = std::min(v, DelayUnitLimit(unit));
  double ms = v;
  if (unit == kDelayCm) ms = v / kCmPerMs;
  else if (unit == kDelayIn) ms = v / kInPerMs;
  const int raw = std::clamp(static_cast<int>(std::lround(ms * 48)), 0, kDelayMaxRaw);
  return Parsed{raw, DelayText(raw, unit)};
}

int StepDelay(int raw, int step) { return std::clamp(std::clamp(raw, 0, kDelayMaxRaw) + step, 0, kDelayMaxRaw); }

// ---- crossover frequencies ----

std::string HighPassText(int raw) { return raw > 19 ? FormatString("%dHz", raw) : "OFF"; }

std::optional<Parsed> ParseHighPass(std::string_view text) {
  if (IsOffText(text)) return Parsed{0, "OFF"};
  const std::optional<double> v = LeadingNumber(text);
  if (!v) return std::nullopt;
  const int hz = TruncateScaled(*v, 1);
  if (hz < 20) return Parsed{0, "OFF"};
  const int raw = std::min(hz, 20000);
  return Parsed{raw, FormatString("%dHz", raw)};
}

int StepHighPass(int raw, int step) {
  const int hz = (raw < 20 ? 19 : raw) + step;
  return hz > 20000 ? 20000 : hz < 20 ? 0 : hz;
}

int HighPassFromDrag(double hz) {
  if (hz < 20) return 0;
  if (hz > 20000) return 20000;
  return Truncate(hz);
}

std::string LowPassText(int raw) { return FormatString("%dHz", raw); }

int LowPassFromHz(double hz) { return Truncate(std::clamp(hz, 20.0, 20000.0)); }

std::optional<Parsed> ParseLowPass(std::string_view text) {
  const std::optional<double> v = LeadingNumber(text);
  if (!v) return std::nullopt;
  const int raw = std::clamp(TruncateScaled(*v, 1), 20, 20000);
  return Parsed{raw, FormatString("%dHz", raw)};
}

int StepLowPass(int raw, int step) { return std::clamp(raw + step, 20, 20000); }

// ---- filter type byte ----

const char* CharacteristicText(int index) {
  return index >= 0 && index < kCharacteristicCount ? kCharacteristics[index] : "";
}
const char* SlopeText(int index) { return index >= 0 && index < kSlopeCount ? kSlopes[index] : ""; }
int CharacteristicOf(uint8_t typeByte) { return FilterTypeByte::Decode(typeByte).characteristic; }
int SlopeIndexOf(uint8_t typeByte) { return FilterTypeByte::Decode(typeByte).slope; }

uint8_t WithCharacteristic(uint8_t typeByte, int characteristic) {
  FilterTypeByte type = FilterTypeByte::Decode(typeByte);
  type.characteristic = characteristic;
  return type.Encode();
}

uint8_t WithSlope(uint8_t typeByte, int slopeIndex) {
  FilterTypeByte type = FilterTypeByte::Decode(typeByte);
  type.slope = slopeIndex;
  return type.Encode();
}

double ModelSlope(uint8_t typeByte) {
  const int index = SlopeIndexOf(typeByte);
  return index < 8 ? -6.0 * (index + 1) : 0.0;
}

int ModelType(uint8_t typeByte) {
  switch (CharacteristicOf(typeByte)) {
    case 2: return 1;
    case 1: return 2;
    default: return 3;
  }
}

// ---- equaliser bands ----

std::string BandFrequencyText(int raw) { return FormatString("%d", raw); }
int BandFrequencyFromHz(double hz) { return Truncate(std::clamp(hz, 20.0, 20000.0)); }
std::optional<int> ParseBandFrequency(std::string_view text) {
  const std::optional<double> v = LeadingNumber(text);
  if (!v) return std::nullopt;
  return std::clamp(TruncateScaled(*v, 1), 20, 20000);
}

int StepBandFrequency(int raw, int step) { return std::clamp(raw + step, 20, 20000); }

const std::array<int, kQStepCount>& QStepTable() { return kQSteps; }

std::string QText(int raw) {
  if (raw <= 999) return FormatString("%0.02f", raw / 100.0);
  if (raw <= 9999) return Hundredths(raw, "");
  if (raw % 100 == 0) return FormatString("%d", raw / 100);
  return Hundredths(raw, "");
}

std::optional<Parsed> ParseQ(std::string_view text) {
  const std::optional<double> typed = LeadingNumber(text);
  if (!typed) return std::nullopt;
  const double q = *typed;
  int raw;
  if (q > 128) raw = 12800;
  else if (q < 0.4) raw = 40;
  else raw = std::clamp(TruncateScaled(q, 100), 40, 12800);
  return Parsed{raw, QText(raw)};
}

int NearestQIndex(int v) {
  int lo, hi;
  if (v <= 200) lo = 0, hi = 29;
  else if (v <= 1350) lo = 28, hi = 62;
  else lo = 61, hi = 100;
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    if (mid == lo || mid == hi) break;
    if (v < kQSteps[mid]) hi = mid;
    else if (v == kQSteps[mid]) return mid;
    else lo = mid;
  }
  if (lo == hi) return lo;
  return std::abs(v - kQSteps[lo]) <= std::abs(kQSteps[hi] - v) ? lo : hi;
}

int StepQ(int raw, int steps) {
  // No step (Enter on a typed Q) keeps the value: typed values are not snapped to the table.
  if (steps == 0) return std::clamp(raw, kQSteps.front(), kQSteps.back());
  const int index = std::clamp(NearestQIndex(raw) + steps, 0, kQStepCount - 1);
  return kQSteps[index];
}

std::string GainText(int16_t raw) { return Hundredths(raw, ""); }
int GainSliderPosition(int16_t raw) { return raw / 10; }

int16_t GainFromDb(double db, int minDb, int maxDb) {
  db = std::clamp(db, static_cast<double>(minDb), static_cast<double>(maxDb));
  return static_cast<int16_t>(std::clamp(TruncateScaled(db, 100), -32768, 32767));
}

std::optional<int16_t> ParseGain(std::string_view text, int minDb, int maxDb) {
  const std::optional<double> v = LeadingNumber(text);
  if (!v) return std::nullopt;
  return GainFromDb(*v, minDb, maxDb);
}

int16_t StepGain(int16_t raw, int step, int minDb, int maxDb) {
  return static_cast<int16_t>(std::clamp(StepOnGrid(raw, step, 10), minDb * 100, maxDb * 100));
}

// ---- limiter ----

namespace {
constexpr int kThresholdMin = -3000, kThresholdMax = 600;
constexpr int kAttackMin = 30, kAttackMax = 10000;
}  // namespace

std::string ThresholdText(int16_t raw) { return Hundredths(raw, "dBu"); }

std::optional<Parsed> ParseThreshold(std::string_view text) {
  const std::optional<double> v = LeadingNumber(text);
  if (!v) return std::nullopt;
  const int raw = std::clamp(TruncateScaled(std::clamp(*v, -30.0, 6.0), 100), kThresholdMin, kThresholdMax);
  return Parsed{raw, ThresholdText(static_cast<int16_t>(raw))};
}

int StepThreshold(int raw, int step) { return std::clamp(StepOnGrid(raw, step, 10), kThresholdMin, kThresholdMax); }

std::string AttackText(int16_t raw) {
  if (raw > 99 && raw % 100 == 0) return FormatString("%dms", raw / 100);
  return Hundredths(raw, "ms");
}

std::optional<Parsed> ParseAttack(std::string_view text) {
  const std::optional<double> v = LeadingNumber(text);
  if (!v) return std::nullopt;
  const int raw = std::clamp(TruncateScaled(std::clamp(*v, 0.3, 100.0), 100), kAttackMin, kAttackMax);
  return Parsed{raw, AttackText(static_cast<int16_t>(raw))};
}

int StepAttack(int raw, int step) {
  // Tenths of a millisecond below 1 ms, whole milliseconds from 1 ms: up from
  // 0.9 ms is 1 ms and down from 1 ms is 0.9 ms.
  for (int i = 0; i < std::abs(step); ++i) {
    if (step > 0) raw = raw < 100 ? StepOnGrid(raw, 1, 10) : StepOnGrid(raw, 1, 100);
    else raw = raw <= 100 ? StepOnGrid(raw, -1, 10) : StepOnGrid(raw, -1, 100);
    raw = std::clamp(raw, kAttackMin, kAttackMax);
  }
  return raw;
}

const char* ReleaseText(int index) { return index >= 0 && index < kReleaseCount ? kReleases[index] : ""; }
std::string NoiseGateText(int index) { return FormatString("%d", index); }

}  // namespace brisvel
