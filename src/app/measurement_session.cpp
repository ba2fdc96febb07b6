// The run's measurements and the overlays drawn from them.
#include "app/measurement_session.h"

#include <algorithm>

namespace brisvel::app {

namespace {
bool ValidChannel(int channel) { return channel >= 0 && channel < kChannelCount; }
}  // namespace

void MeasurementSession::SetMeasurement(int channel, std::string source, FrequencyCurve raw, int smoothing) {
  if (!ValidChannel(channel) || raw.Empty()) return;
  ChannelMeasurement m;
  m.source = std::move(source);
  m.raw = std::move(raw);
  channels_[static_cast<size_t>(channel)] = std::move(m);
  SetSmoothing(channel, smoothing);
}

void MeasurementSession::SetSmoothing(int channel, int smoothing) {
  if (!ValidChannel(channel)) return;
  auto& m = channels_[static_cast<size_t>(channel)];
  if (!m) return;
  m->smoothing = std::max(0, smoothing);
  m->shown = SmoothCurve(m->raw, m->smoothing);
  ++revision_;
}

void MeasurementSession::Clear(int channel) {
  if (!ValidChannel(channel)) return;
  channels_[static_cast<size_t>(channel)].reset();
  ++revision_;
}

void MeasurementSession::ClearAll() {
  for (auto& m : channels_) m.reset();
  ++revision_;
}

const ChannelMeasurement* MeasurementSession::Measurement(int channel) const {
  if (!ValidChannel(channel)) return nullptr;
  const auto& m = channels_[static_cast<size_t>(channel)];
  return m ? &*m : nullptr;
}

bool MeasurementSession::Any() const {
  return std::any_of(channels_.begin(), channels_.end(), [](const auto& m) { return m.has_value(); });
}

std::shared_ptr<const ui::EqOverlay> MeasurementSession::Overlay(int channel) const {
  const ChannelMeasurement* m = Measurement(channel);
  if (!m) return nullptr;
  auto overlay = std::make_shared<ui::EqOverlay>();
  overlay->measurement = m->shown;
  overlay->target = target;
  // Lined up over the part of the fit range the measurement covers.
  const double lo = std::max(std::clamp(loHz, kFitLowestHz, kFitHighestHz), m->shown.LowestHz());
  const double hi = std::min(std::clamp(hiHz, kFitLowestHz, kFitHighestHz), m->shown.HighestHz());
  if (lo < hi) {
    const std::vector<double> hz = LogSpacedFrequencies(lo, hi, kFitPointsPerOctave);
    overlay->level = AlignmentOffset(CurveAt(m->shown, hz), TargetDb(target, hz));
  }
  return overlay;
}

FitProblem MeasurementSession::Problem(const EffectBlock& block, int channel) const {
  const ChannelMeasurement* m = Measurement(channel);
  if (!m) return {};
  return MakeFitProblem(m->shown, target, block, channel, loHz, hiHz);
}

MeasurementSession::PlotData MeasurementSession::Plot(const EffectBlock& block, int channel,
                                                     const ChannelBands& bands) const {
  PlotData d;
  const auto overlay = Overlay(channel);
  if (!overlay) return d;
  d.hz = LogSpacedFrequencies(kFitLowestHz, kFitHighestHz, kFitPointsPerOctave * 2);
  for (double f : d.hz) {
    const double measured = CurveAt(overlay->measurement, f) - overlay->level;
    const double eq = SummedBandsDb(bands, f);
    d.measured.push_back(measured);
    d.target.push_back(TargetDb(overlay->target, f));
    d.eq.push_back(eq);
    d.predicted.push_back(measured + ChannelFiltersDb(block, channel, f) + eq);
  }
  return d;
}

settings::KeptMeasurements MeasurementSession::Kept() const {
  settings::KeptMeasurements kept;
  for (int k = 0; k < kChannelCount; ++k)
    if (const ChannelMeasurement* m = Measurement(k)) kept.push_back({k, m->source, m->smoothing, m->raw});
  return kept;
}

void MeasurementSession::Restore(const settings::KeptMeasurements& kept) {
  ClearAll();
  for (const settings::KeptMeasurement& m : kept) SetMeasurement(m.channel, m.source, m.curve, m.smoothing);
}

bool KeepWithPcMode(const MeasurementSession& session, const std::filesystem::path& configIni, const std::string& mode,
                    std::string* error) {
  return settings::SaveModeMeasurements(settings::MeasurementFileBeside(configIni), mode, session.Kept(), error);
}

bool RestoreFromPcMode(MeasurementSession& session, const std::filesystem::path& configIni, const std::string& mode,
                       std::string* error) {
  const auto kept = settings::LoadModeMeasurements(settings::MeasurementFileBeside(configIni), mode, error);
  if (!kept) return false;
  if (!kept->empty()) session.Restore(*kept);
  return true;
}

MeasurementSession& RunMeasurements() {
  static MeasurementSession session;
  return session;
}

}  // namespace brisvel::app
