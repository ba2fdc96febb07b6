// One output channel's complex frequency response, from its block values: the
// 31 bands, the high- and low-pass sections, volume, mute, polarity and delay.
// Its magnitude is the EQ graph's model (plus the volume); its phase is what
// the sections, the polarity and the delay do to the signal. Several channels'
// responses add up to what a listener hears where they meet.
#pragma once

#include <array>
#include <complex>
#include <vector>

#include "core/eq_response.h"
#include "core/param_table.h"

namespace brisvel {

using Complex = std::complex<double>;

// Levels of silence (a muted channel, a sum that cancels) are shown as this.
constexpr double kSilentDb = -200.0;

struct PassValues {
  double frequency = 0;  // Hz
  double slope = 0;      // dB/octave, negative; 0 = off
  int type = 1;          // the model's section type 1-3
  bool operator==(const PassValues&) const = default;
};

// What of the block shapes a channel's output.
struct ChannelSettings {
  std::array<EqBandValue, kBandCount> bands{};
  PassValues highPass, lowPass;
  double gainDb = 0;     // the channel volume
  bool silent = false;   // muted, or the volume is off
  bool inverted = false; // polarity
  int delaySamples = 0;  // at 48 kHz
  bool operator==(const ChannelSettings&) const = default;
};

// box: the Box index 0-5.
ChannelSettings ChannelSettingsFromBlock(const EffectBlock& block, int box);

// Frequencies with the per-point terms the evaluation needs, computed once.
class ResponsePoints {
 public:
  ResponsePoints() = default;
  explicit ResponsePoints(std::vector<double> hz);
  const std::vector<double>& Hz() const { return hz_; }
  size_t Size() const { return hz_.size(); }

  struct Point {
    double omega;       // radians per sample at 48 kHz
    double sinHalfSq;   // sin²(ω/2)
    double cosHalfSq;   // cos²(ω/2)
    Complex z1, z2;     // e^(-jω), e^(-2jω)
  };
  const Point& At(size_t i) const { return points_[i]; }
  static Point Make(double hz);

 private:
  std::vector<double> hz_;
  std::vector<Point> points_;
};

// The channel's response at every point (out has points.Size() entries).
//
// A pass filter of n × 12 dB/octave is n cascaded second-order sections of
// its type. The graph draws 6, 18, 30 and 42 dB/octave as (slope ÷ 12) times
// the second-order response in dB; the response here takes the same power of
// the section as a complex number, magnitude and phase alike, which is the
// minimum-phase filter of exactly the drawn magnitude.
void ChannelResponse(const ChannelSettings& channel, const ResponsePoints& points, Complex* out);
std::vector<Complex> ChannelResponse(const ChannelSettings& channel, const ResponsePoints& points);
Complex ChannelResponseAt(const ChannelSettings& channel, double hz);

// 20·log10|h|, never below kSilentDb.
double LevelDb(Complex h);

}  // namespace brisvel
