// The sum of several channels where they meet: the complex responses of the
// chosen channels, each multiplied by its measured response when a
// measurement with phase is given for it, added, and shown as a level in dB.
// A channel's response is computed again only when its values changed, so
// following an edit costs one channel's response and the addition.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/channel_response.h"
#include "core/measurement.h"

namespace brisvel {

class CSystemSum {
 public:
  CSystemSum() = default;
  explicit CSystemSum(std::vector<double> hz);

  // Box indexes 0-5; others and repeats are dropped.
  void SetChannels(const std::vector<int>& boxes);
  const std::vector<int>& Channels() const { return chosen_; }
  bool Empty() const { return chosen_.empty(); }

  // The measured response the channel's own is multiplied by: its level in
  // dB minus levelDb (so it lines up with the others) and its phase. A curve
  // without a phase, or none, multiplies by 1.
  void SetMeasurement(int box, const FrequencyCurve* measured, double levelDb = 0);
  bool UsesMeasurement(int box) const;

  // Takes the chosen channels' values from the block and brings the sum up
  // to date; true when it changed.
  bool Update(const EffectBlock& block);

  const std::vector<double>& Hz() const { return points_.Hz(); }
  // The sum's level on the points, dB (kSilentDb where it cancels).
  const std::vector<double>& Db() const { return db_; }
  // The sum at any frequency from the values of the last Update.
  double LevelAt(double hz) const;

 private:
  struct Measured {
    FrequencyCurve level;  // dB, already lined up
    FrequencyCurve phase;  // unwrapped degrees in the db column
  };
  struct Channel {
    bool known = false;
    ChannelSettings settings;
    std::vector<Complex> response;  // with the measurement multiplied in
    bool measured = false;
    Measured measurement;
  };
  Complex MeasuredAt(const Channel& c, double hz) const;

  ResponsePoints points_;
  std::array<Channel, kChannelCount> channels_;
  std::vector<int> chosen_;
  std::vector<double> db_;
  bool stale_ = true;
};

// Channels as the windows label them, "CH1,CH5" (letter case and blanks free,
// "CH" may be left out), as Box indexes in that order; nothing when a name is
// not one of CH1 … CH6 or the list is empty.
std::optional<std::vector<int>> ParseChannelLabels(std::string_view text);
// "CH1,CH5".
std::string ChannelLabelsText(const std::vector<int>& boxes);

}  // namespace brisvel
