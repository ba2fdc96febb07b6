// One output channel's equaliser response for drawing: 31 peaking bands, a
// high-pass and a low-pass section as biquads at 48 kHz, each evaluated in dB on
// a shared logarithmic grid of 1024 frequencies, and their sum with its peak.
#pragma once

#include <array>
#include <atomic>
#include <memory>
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
  bool operator==(const EqBandValue&) const = default;
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

// The section's biquad coefficients at 48 kHz as the model computes them
// (a0 = 1), from its kind, type, frequency, gain (or slope) and Q. False when
// they are not finite: the model then draws the section flat.
bool ComputeSectionCoefficients(EqSection& section);
// Whether the model draws the section at all: a band of at least 0.01 dB, a
// pass filter with a slope inside 20 Hz .. 19999 Hz. Others are flat.
bool SectionDrawn(const EqSection& section);

// The frequency grid of the models: 1024 angular frequencies from a start
// frequency up to just below 24 kHz, with the per-point tables the response
// evaluation uses. It is built once, by its first Build (the first Recompute of
// a model that uses it), and then fixed. The effect store owns the grid its six
// models share; a model without one makes its own at its first Recompute.
class EqFrequencyGrid {
 public:
  EqFrequencyGrid() = default;
  EqFrequencyGrid(const EqFrequencyGrid&) = delete;
  EqFrequencyGrid& operator=(const EqFrequencyGrid&) = delete;

  // The start frequency a grid is built from: startHz limited to 10-20 Hz.
  static double ClampStart(double startHz);

  bool Built() const { return built_.load(std::memory_order_acquire); }
  double StartFrequency() const { return Built() ? startHz_ : -1.0; }  // -1 until built
  const std::array<double, kGridPoints>& Omega() const { return omega_; }  // radians per sample
  double FrequencyHz(int point) const;                                   // grid point in Hz
  // Builds the grid from ClampStart(startHz); does nothing once it is built.
  void Build(double startHz);

  // Per-point tables of the evaluation: sin²(w/2), cos²(w/2), and the first
  // point evaluated in the cos² form.
  const std::array<double, kGridPoints>& SinHalfSquared() const { return sinHalfSquared_; }
  const std::array<double, kGridPoints>& CosHalfSquared() const { return cosHalfSquared_; }
  int UpperHalfStart() const { return upperHalfStart_; }

 private:
  std::array<double, kGridPoints> omega_{};
  std::array<double, kGridPoints> sinHalfSquared_{};
  std::array<double, kGridPoints> cosHalfSquared_{};
  int upperHalfStart_ = kGridPoints;
  double startHz_ = -1.0;
  std::atomic<bool> built_{false};
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
  // Builds the model's grid if needed (making one when the model has none),
  // then computes every section again.
  void Recompute(double startFrequency);

  // Makes the model use this grid (shared with other models); the sections
  // are computed again when it is built.
  void SetGrid(std::shared_ptr<EqFrequencyGrid> grid);
  // The model's grid; null until SetGrid or the first Recompute.
  const EqFrequencyGrid* Grid() const { return grid_.get(); }

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

  bool GridBuilt() const { return grid_ && grid_->Built(); }

  std::shared_ptr<EqFrequencyGrid> grid_;
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
