// The measurements of this run: per channel the measured curve with its
// smoothing, the target, the fit range and boost limit the measurement window
// last used, and the overlay the main window's EQ graph draws for a channel.
// They live as long as the program (a PC mode keeps them in measurements.ini).
#pragma once

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "controls/eq_graph.h"
#include "core/eq_fit.h"
#include "settings/measurement_file.h"

namespace brisvel::app {

struct ChannelMeasurement {
  std::string source;  // the file it was read from
  int smoothing = 0;   // 0 none, otherwise 1/N octave
  FrequencyCurve raw;  // as read
  FrequencyCurve shown;  // smoothed
};

class MeasurementSession {
 public:
  static constexpr double kDefaultLowHz = 20.0;
  static constexpr double kDefaultHighHz = 500.0;
  static constexpr double kDefaultMaxBoostDb = 6.0;

  void SetMeasurement(int channel, std::string source, FrequencyCurve raw, int smoothing);
  void SetSmoothing(int channel, int smoothing);
  void Clear(int channel);
  void ClearAll();
  const ChannelMeasurement* Measurement(int channel) const;
  bool Any() const;
  // Counts the changes of the measured curves (set, smoothed, cleared).
  uint64_t Revision() const { return revision_; }

  // The graph's overlay for the channel: null without a measurement. The
  // measured curve is drawn lined up with the target over the fit range.
  std::shared_ptr<const ui::EqOverlay> Overlay(int channel) const;

  // The fit of the channel's bands towards the target over the range: the
  // problem is empty when the channel has no measurement in the range.
  FitProblem Problem(const EffectBlock& block, int channel) const;

  // The curves of the measurement window's plot over 20 Hz .. 20 kHz, lined up
  // with the target as the overlay is: the measurement, the target, the summed
  // response of the bands and the predicted result (measurement, the channel's
  // filters and the bands). Empty without a measurement.
  struct PlotData {
    std::vector<double> hz, measured, target, eq, predicted;
  };
  PlotData Plot(const EffectBlock& block, int channel, const ChannelBands& bands) const;

  // What a PC mode keeps, and taking it back.
  settings::KeptMeasurements Kept() const;
  void Restore(const settings::KeptMeasurements& kept);

  TargetCurve target;
  std::string targetSource;  // the target file, when the target is one
  double loHz = kDefaultLowHz;
  double hiHz = kDefaultHighHz;
  double maxBoostDb = kDefaultMaxBoostDb;
  int maxBands = kBandCount;

 private:
  std::array<std::optional<ChannelMeasurement>, kChannelCount> channels_;
  uint64_t revision_ = 0;
};

// measurements.ini beside config.ini: the session's measurements kept with a
// PC mode when it is saved (none: the mode keeps none), and brought back when
// it is recalled (a mode that kept none leaves the session as it is). False
// with the reason when the file cannot be read, understood or written.
bool KeepWithPcMode(const MeasurementSession& session, const std::filesystem::path& configIni, const std::string& mode,
                    std::string* error);
bool RestoreFromPcMode(MeasurementSession& session, const std::filesystem::path& configIni, const std::string& mode,
                       std::string* error);

// The one session of the running program.
MeasurementSession& RunMeasurements();

}  // namespace brisvel::app
