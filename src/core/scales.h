// Value scales between the processor's raw parameter values and what the
// windows show and accept: display texts, typed-text parsing with limits,
// channel labels, the filter type byte, the Q step table and delay units.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brisvel {

// Typed numbers: a leading decimal floating-point number (leading blanks
// allowed, trailing characters ignored); the minus sign may also be the
// typographic one (U+2212). Nothing when the text does not start with one.
std::optional<double> LeadingNumber(std::string_view text);
// The same with 0 for a text without a number.
double ParseLeadingNumber(std::string_view text);
// Drops the fractional part toward zero.
int Truncate(double v);
// v x scale with its fractional part dropped toward zero, where a product
// that misses a whole number only by the binary representation of a decimal
// (4.1 x 100 = 409.99999999999994) counts as that whole number: a typed
// "4.1" dB is 410, not 409.
int TruncateScaled(double v, int scale);
// "OFF" in any letter case, blanks around it allowed.
bool IsOffText(std::string_view text);

// A parsed value: the raw value to store and the text that replaces what was
// typed. Every parse below gives nothing for a text without a number (and
// not "OFF" where the field takes it): such a typo changes nothing. For every
// raw value v of a field's range, parsing the field's display text of v
// gives v again, so committing what a field shows never changes the value.
struct Parsed {
  int raw;
  std::string text;
  bool operator==(const Parsed&) const = default;
};

// Channel numbering: Box 0..5 shown as CH5, CH6, CH1, CH2, CH3, CH4.
int ChannelLabelNumber(int box);
std::string ChannelLabel(int box);  // "CH1"
int BoxFromLabelNumber(int label);  // 1..6 -> Box index

// Volume (MainVol, Volume_k): raw 60 = 0 dB, 0 = off.
std::string VolumeText(int raw);
std::optional<Parsed> ParseVolume(std::string_view text);
// One step of a volume edit, whole decibels (OFF counts as -60 dB), 0..66.
int StepVolume(int raw, int step);
int KnobVolume(int raw);              // min(raw, 60)
std::string KnobVolumeText(int raw);  // "%ddB" of min(raw, 60) - 60

// Delay (Delay_k) in samples at 48 kHz, shown in the unit 0 ms, 1 cm, 2 in.
enum DelayUnit { kDelayMs = 0, kDelayCm = 1, kDelayIn = 2 };
constexpr double kCmPerMs = 34.6;
constexpr double kInPerMs = 13.622;
std::string DelayUnitName(int unit);  // "MS", "CM", "IN"
constexpr int kDelayMaxRaw = 960;  // 20 ms at 48 kHz
std::string DelayText(int raw, int unit);
// A number in the unit, limited to 0..20 ms, to the nearest sample (the
// displayed digits are finer than a sample in every unit, so the nearest
// sample of a shown text is the one it shows).
std::optional<Parsed> ParseDelay(std::string_view text, int unit);
double DelayUnitLimit(int unit);  // 20 ms, 692 cm, 272.44 in
// A path length in mm as the delay unit tells lengths: inches in IN, else
// centimetres ("152.0cm", "59.84in").
std::string DistanceText(double mm, int unit);
// An extra path in mm as a delay in the unit: "1.318ms", "45.6cm", "17.95in".
std::string PathDelayText(double mm, int unit);
// One step of a delay edit: one sample, 0..960.
int StepDelay(int raw, int step);

// High-pass frequency: 0..19 shows "OFF".
std::string HighPassText(int raw);
std::optional<Parsed> ParseHighPass(std::string_view text);  // "OFF" is 0
int HighPassFromDrag(double hz);
// One step of 1 Hz; OFF stands just below 20 Hz.
int StepHighPass(int raw, int step);
// Low-pass frequency, clamped to 20..20000.
std::string LowPassText(int raw);
std::optional<Parsed> ParseLowPass(std::string_view text);
int LowPassFromHz(double hz);
int StepLowPass(int raw, int step);

// Filter type byte: bits 7-6 characteristic, bits 4-0 slope index, bit 5 zero.
constexpr int kCharacteristicCount = 3;
constexpr int kSlopeCount = 9;
const char* CharacteristicText(int index);  // "Butterworth", "Bessel", "Linkwitz"; index 3 not offered
const char* SlopeText(int index);           // "6dB/Oct" ... "48dB/Oct", "OFF"
int CharacteristicOf(uint8_t typeByte);
int SlopeIndexOf(uint8_t typeByte);
uint8_t WithCharacteristic(uint8_t typeByte, int characteristic);
uint8_t WithSlope(uint8_t typeByte, int slopeIndex);
// Inputs of the response model: slope in dB/octave (0 = off) and section type 1-3.
double ModelSlope(uint8_t typeByte);
int ModelType(uint8_t typeByte);

// Equaliser band frequency.
std::string BandFrequencyText(int raw);
std::optional<int> ParseBandFrequency(std::string_view text);
int BandFrequencyFromHz(double hz);
int StepBandFrequency(int raw, int step);

// Equaliser band Q (raw = Q x 100).
constexpr int kQStepCount = 101;
const std::array<int, kQStepCount>& QStepTable();
// Two decimals up to 9.99, then one (or two where the value has them), whole
// numbers from 100 (with the decimals the value has).
std::string QText(int raw);
// Held to the hundredth (0.40..128); typed values are not snapped to the table.
std::optional<Parsed> ParseQ(std::string_view text);
int NearestQIndex(int raw);
int StepQ(int raw, int steps);

// Equaliser band gain (raw = dB x 100, signed), limited to minvol..maxvol dB.
// One decimal, two where the value has hundredths ("4.5", "4.56").
std::string GainText(int16_t raw);
int GainSliderPosition(int16_t raw);  // tenths of a dB
std::optional<int16_t> ParseGain(std::string_view text, int minDb, int maxDb);
int16_t GainFromDb(double db, int minDb, int maxDb);
// One step of 0.1 dB to the next tenth above or below, within the range.
int16_t StepGain(int16_t raw, int step, int minDb, int maxDb);

// Limiter threshold (dBu x 100, -30..+6 dBu) and attack (ms x 100,
// 0.3..100 ms), held to the hundredth as typed. Steps go to the next tenth
// of a dBu, and to the next tenth of a millisecond below 1 ms and whole
// millisecond from 1 ms, the same way up and down.
std::string ThresholdText(int16_t raw);
std::optional<Parsed> ParseThreshold(std::string_view text);
int StepThreshold(int raw, int step);
std::string AttackText(int16_t raw);
std::optional<Parsed> ParseAttack(std::string_view text);
int StepAttack(int raw, int step);

// Release list (index 0-5) and noise gate list (0-20).
constexpr int kReleaseCount = 6;
constexpr int kNoiseGateCount = 21;
const char* ReleaseText(int index);
std::string NoiseGateText(int index);

}  // namespace brisvel
