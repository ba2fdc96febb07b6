// Value scales between the processor's raw parameter values and what the
// windows show and accept: display texts, typed-text parsing with limits,
// channel labels, the filter type byte, the Q step table and delay units.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace brisvel {

// Typed numbers: a leading decimal floating-point number (leading blanks
// allowed, trailing characters ignored, no number = 0).
double ParseLeadingNumber(std::string_view text);
// Drops the fractional part toward zero.
int Truncate(double v);

// A parsed value: the raw value to store and the text that replaces what was typed.
struct Parsed {
  int raw;
  std::string text;
  bool operator==(const Parsed&) const = default;
};

// Channel numbering: Box 0..5 shown as CH5, CH6, CH1, CH2, CH3, CH4.
int ChannelLabelNumber(int box);
std::string ChannelLabel(int box);  // "CH %d"
int BoxFromLabelNumber(int label);  // 1..6 -> Box index

// Volume (MainVol, Volume_k): raw 60 = 0 dB, 0 = off.
std::string VolumeText(int raw);
Parsed ParseVolume(std::string_view text);
int KnobVolume(int raw);              // min(raw, 60)
std::string KnobVolumeText(int raw);  // "%ddB" of min(raw, 60) - 60

// Delay (Delay_k) in samples at 48 kHz, shown in the unit 0 ms, 1 cm, 2 in.
enum DelayUnit { kDelayMs = 0, kDelayCm = 1, kDelayIn = 2 };
constexpr double kCmPerMs = 34.6;
constexpr double kInPerMs = 13.622;
std::string DelayUnitName(int unit);  // "MS", "CM", "IN"
std::string DelayText(int raw, int unit);
Parsed ParseDelay(std::string_view text, int unit);
Parsed DelayFromValue(double value, int unit);  // a number in the unit, limited as typed
double DelayUnitLimit(int unit);  // 20 ms, 692 cm, 272.44 in

// High-pass frequency: 0..19 shows "OFF".
std::string HighPassText(int raw);
Parsed ParseHighPass(std::string_view text);
int HighPassFromDrag(double hz);
// Low-pass frequency, clamped to 20..20000.
std::string LowPassText(int raw);
Parsed ParseLowPass(std::string_view text);
int LowPassFromHz(double hz);

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
int ParseBandFrequency(std::string_view text);
int BandFrequencyFromHz(double hz);

// Equaliser band Q (raw = Q x 100).
constexpr int kQStepCount = 101;
const std::array<int, kQStepCount>& QStepTable();
std::string QText(int raw);
Parsed ParseQ(std::string_view text);
int NearestQIndex(int raw);
int StepQ(int raw, int steps);

// Equaliser band gain (raw = dB x 100, signed), limited to minvol..maxvol dB.
std::string GainText(int16_t raw);
int GainSliderPosition(int16_t raw);  // tenths of a dB
int16_t ParseGain(std::string_view text, int minDb, int maxDb);
int16_t GainFromDb(double db, int minDb, int maxDb);

// Limiter threshold (dBu x 100) and attack (ms x 100).
std::string ThresholdText(int16_t raw);
Parsed ParseThreshold(std::string_view text);
Parsed ThresholdFromValue(double dbu);
std::string AttackText(int16_t raw);
Parsed ParseAttack(std::string_view text);
Parsed AttackFromValue(double ms);

// Release list (index 0-5) and noise gate list (0-20).
constexpr int kReleaseCount = 6;
constexpr int kNoiseGateCount = 21;
const char* ReleaseText(int index);
std::string NoiseGateText(int index);

}  // namespace brisvel
