// One output channel's equaliser response for drawing: 31 peaking bands, a
// high-pass and a low-pass section as biquads at 48 kHz, each evaluated in dB on
// a shared logarithmic grid of 1024 frequencies, and their sum with its peak.
#pragma once

#include <array>
#include <vector>

namespace brisvel {

constexpr int kGridPoints = 1024;
constexpr double kSampleRate = 48000.0;
constexpr int kEqBandSections = 31;
constexpr int kEqSectionCount = 33;  // the bands, then the high-pass and the low-pass

struct EqBandValue {
  double frequency = 0;  // Hz
  double gain = 0;       // dB
  double q = 1;          // quality factor (raw Q / 300)
};

struct EqSection {
  int kind = 0;  // 0 band, 1 high-pass, 2 low-pass
  int type = 0;  // 0 peaking; 1 Butterworth, 2 Bessel, 3 the third pass shape
  double frequency = 0;
  double gain = 0;  // band gain in dB, or filter slope in dB/octave (negative, 0 = off)
  double q = 1;
  double a0 = 1, a1 = 0, a2 = 0, b0 = 1, b1 = 0, b2 = 0;
  std::vector<double> response;  // kGridPoints values in dB once Init ran
};

// The frequency grid shared by every model: built once by the first Recompute
// and fixed for the rest of the run.
class EqFrequencyGrid {
 public:
  static bool Built();
  static double StartFrequency();  // -1 until built
  static const std::array<double, kGridPoints>& Omega();  // radians per sample
  static double FrequencyHz(int point);                   // grid point in Hz
  // Clamps start to 10-20 Hz; does nothing when the grid exists.
  static void Build(double startHz);
  // For tests only: forgets the grid so that the state before the first
  // Recompute can be examined. The program never calls it.
  static void ResetForTests();
};

class CEqResponse {
 public:
  static constexpr int kHighPassSection = 31;
  static constexpr int kLowPassSection = 32;

  // Allocates the sections and the summed curve, loads the bands and sums.
  // False when memory cannot be had; the model then stays without sections.
  bool Init(const std::array<EqBandValue, 31>& bands);
  // Replaces all bands at once; filters keep their values. False (and nothing
  // changed) unless the model holds 31 bands.
  bool LoadBands(const std::array<EqBandValue, 31>& bands);
  // True when the curve changed (a band that stays at 0 dB changes nothing).
  bool SetBand(int index, double frequency, double gain, double q);
  // slope in dB/octave, negative, 0 = off; type 1-3 as in EqSection.
  void SetHighPass(double frequency, double slope, int type);
  void SetLowPass(double frequency, double slope, int type);
  // Builds the shared grid if needed, then computes every section again.
  void Recompute(double startFrequency);

  const std::vector<EqSection>& Sections() const { return sections_; }
  const std::vector<double>& Summed() const { return summed_; }
  int CurrentSection() const { return current_; }
  int HighPassIndex() const { return highPass_; }
  int LowPassIndex() const { return lowPass_; }
  int BandCount() const { return bandCount_; }
  double Peak() const { return peak_; }

 private:
  // Coefficients of the section, then (while the grid exists) its response.
  void ComputeSection(int index);
  void ClearResponse(int index);
  void Sum();
  void SetPass(int sectionIndex, int kind, double frequency, double slope, int type);
  void LoadBandValues(const std::array<EqBandValue, 31>& bands);

  std::vector<EqSection> sections_;
  std::vector<double> summed_;
  // Sections whose response is not all zeros; the sum skips the others.
  std::array<bool, kEqSectionCount> contributes_{};
  // The sum is formed from partial sums of consecutive sections, each redone
  // only when one of its sections changed.
  static constexpr int kSumGroupSize = 6;
  static constexpr int kSumGroups = (kEqSectionCount + kSumGroupSize - 1) / kSumGroupSize;
  std::vector<double> groupSums_;  // kSumGroups arrays of kGridPoints
  std::array<bool, kSumGroups> groupDirty_{};
  std::array<bool, kSumGroups> groupActive_{};
  int bandCount_ = 0;
  int highPass_ = -1;
  int lowPass_ = -1;
  int current_ = -1;
  double peak_ = 0;
};

}  // namespace brisvel
