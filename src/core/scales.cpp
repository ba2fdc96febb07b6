// Conversions between raw parameter values and the texts the console shows
// and accepts. All pure; the controllers write the raw values with SetParam.
#include "core/scales.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "core/debug_output.h"

namespace brisvel {

double ParseLeadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
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
  if (digits == 0) return 0;
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
  else if (result.ec != std::errc()) return 0;
  return negative ? -value : value;
}

int Truncate(double v) {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
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

Parsed ParseVolume(std::string_view text) {
  int db;
  if (EqualsIgnoreCase(Trim(text), "OFF")) {
    db = -60;
  } else {
    db = std::clamp(Truncate(ParseLeadingNumber(text)), -60, 6);
  }
  const int raw = db + 60;
  return {raw, VolumeText(raw)};
}

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

namespace {
std::string FormatInUnit(double value, int unit) {
  return unit == kDelayMs ? FormatString("%0.03f", value) : FormatString("%0.02f", value);
}
}  // namespace

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

Parsed ParseDelay(std::string_view text, int unit) { return DelayFromValue(ParseLeadingNumber(text), unit); }

Parsed DelayFromValue(double v, int unit) {
  if (!(v >= 0)) v = 0;
  v = std::min(v, DelayUnitLimit(unit));
  double ms = v;
  if (unit == kDelayCm) ms = v / kCmPerMs;
  else if (unit == kDelayIn) ms = v / kInPerMs;
  return {Truncate(ms * 48), FormatInUnit(v, unit)};
}

// ---- crossover frequencies ----

std::string HighPassText(int raw) { return raw > 19 ? FormatString("%dHz", raw) : "OFF"; }

Parsed ParseHighPass(std::string_view text) {
  const int hz = Truncate(ParseLeadingNumber(text));
  if (hz < 20) return {0, "OFF"};
  const int raw = std::min(hz, 20000);
  return {raw, FormatString("%dHz", raw)};
}

int HighPassFromDrag(double hz) {
  if (hz < 20) return 0;
  if (hz > 20000) return 20000;
  return Truncate(hz);
}

std::string LowPassText(int raw) { return FormatString("%dHz", raw); }

int LowPassFromHz(double hz) { return Truncate(std::clamp(hz, 20.0, 20000.0)); }

Parsed ParseLowPass(std::string_view text) {
  const int raw = LowPassFromHz(ParseLeadingNumber(text));
  return {raw, FormatString("%dHz", raw)};
}

// ---- filter type byte ----

const char* CharacteristicText(int index) {
  return index >= 0 && index < kCharacteristicCount ? kCharacteristics[index] : "";
}
const char* SlopeText(int index) { return index >= 0 && index < kSlopeCount ? kSlopes[index] : ""; }
int CharacteristicOf(uint8_t typeByte) { return typeByte >> 6; }
int SlopeIndexOf(uint8_t typeByte) { return typeByte & 0x1F; }

uint8_t WithCharacteristic(uint8_t typeByte, int characteristic) {
  return static_cast<uint8_t>((typeByte & 0x1F) | ((characteristic & 0x03) << 6));
}

uint8_t WithSlope(uint8_t typeByte, int slopeIndex) {
  return static_cast<uint8_t>((typeByte & 0xC0) | (slopeIndex & 0x1F));
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
int ParseBandFrequency(std::string_view text) { return BandFrequencyFromHz(ParseLeadingNumber(text)); }

const std::array<int, kQStepCount>& QStepTable() { return kQSteps; }

std::string QText(int raw) {
  if (raw <= 999) return FormatString("%0.02f", raw / 100.0);
  if (raw <= 9999) return FormatString("%0.01f", raw / 100.0);
  return FormatString("%d", raw / 100);
}

Parsed ParseQ(std::string_view text) {
  const double q = ParseLeadingNumber(text);
  int raw;
  if (q > 128) raw = 12800;
  else if (q < 0.4) raw = 40;
  else if (q < 10) raw = Truncate(q * 100);
  else if (q < 100) raw = Truncate(q * 10) * 10;
  else raw = Truncate(q) * 100;
  return {raw, QText(raw)};
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
  const int index = std::clamp(NearestQIndex(raw) + steps, 0, kQStepCount - 1);
  return kQSteps[index];
}

std::string GainText(int16_t raw) { return FormatString("%0.01f", raw / 100.0); }
int GainSliderPosition(int16_t raw) { return raw / 10; }

int16_t GainFromDb(double db, int minDb, int maxDb) {
  db = std::clamp(db, static_cast<double>(minDb), static_cast<double>(maxDb));
  return static_cast<int16_t>(std::clamp(Truncate(db * 100), -32768, 32767));
}

int16_t ParseGain(std::string_view text, int minDb, int maxDb) {
  return GainFromDb(ParseLeadingNumber(text), minDb, maxDb);
}

// ---- limiter ----

std::string ThresholdText(int16_t raw) { return FormatString("%.01fdBu", raw / 100.0); }

Parsed ParseThreshold(std::string_view text) { return ThresholdFromValue(ParseLeadingNumber(text)); }

Parsed ThresholdFromValue(double dbu) {
  const double v = std::clamp(dbu, -30.0, 6.0);
  const int d = Truncate(v * 10);
  return {d * 10, FormatString("%0.01fdBu", d / 10.0)};
}

std::string AttackText(int16_t raw) {
  return raw > 99 ? FormatString("%dms", raw / 100) : FormatString("%.01fms", raw / 100.0);
}

Parsed ParseAttack(std::string_view text) { return AttackFromValue(ParseLeadingNumber(text)); }

Parsed AttackFromValue(double ms) {
  const double v = std::clamp(ms, 0.3, 100.0);
  if (v < 1) {
    const int raw = Truncate(v * 10) * 10;
    return {raw, FormatString("%0.01fms", raw / 100.0)};
  }
  return {Truncate(v) * 100, FormatString("%dms", Truncate(v))};
}

const char* ReleaseText(int index) { return index >= 0 && index < kReleaseCount ? kReleases[index] : ""; }
std::string NoiseGateText(int index) { return FormatString("%d", index); }

}  // namespace brisvel
