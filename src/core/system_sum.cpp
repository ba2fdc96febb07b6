// The summed response of chosen channels.
#include "core/system_sum.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/scales.h"
#include "core/text_decoding.h"

namespace brisvel {

CSystemSum::CSystemSum(std::vector<double> hz) : points_(std::move(hz)), db_(points_.Size(), kSilentDb) {}

void CSystemSum::SetChannels(const std::vector<int>& boxes) {
  std::vector<int> chosen;
  for (int b : boxes)
    if (b >= 0 && b < kChannelCount) chosen.push_back(b);
  std::sort(chosen.begin(), chosen.end());
  chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
  if (chosen != chosen_) stale_ = true;
  chosen_ = std::move(chosen);
}

void CSystemSum::SetMeasurement(int box, const FrequencyCurve* measured, double levelDb) {
  if (box < 0 || box >= kChannelCount) return;
  Channel& c = channels_[static_cast<size_t>(box)];
  c.known = false;  // its response is computed again
  stale_ = true;
  c.measured = measured && measured->HasPhase() && measured->hz.size() >= 2;
  c.measurement = {};
  if (!c.measured) return;
  c.measurement.level.hz = measured->hz;
  c.measurement.level.db = measured->db;
  for (double& db : c.measurement.level.db) db -= levelDb;
  c.measurement.phase.hz = measured->hz;
  c.measurement.phase.db = UnwrappedPhase(*measured);
}

bool CSystemSum::UsesMeasurement(int box) const {
  return box >= 0 && box < kChannelCount && channels_[static_cast<size_t>(box)].measured;
}

Complex CSystemSum::MeasuredAt(const Channel& c, double hz) const {
  if (!c.measured) return 1.0;
  return std::polar(std::pow(10.0, CurveAt(c.measurement.level, hz) / 20.0),
                    CurveAt(c.measurement.phase, hz) * std::numbers::pi / 180.0);
}

bool CSystemSum::Update(const EffectBlock& block) {
  bool changed = stale_;
  for (int box : chosen_) {
    Channel& c = channels_[static_cast<size_t>(box)];
    ChannelSettings settings = ChannelSettingsFromBlock(block, box);
    if (c.known && settings == c.settings) continue;
    c.settings = std::move(settings);
    c.response.resize(points_.Size());
    ChannelResponse(c.settings, points_, c.response.data());
    if (c.measured) {
      for (size_t i = 0; i < points_.Size(); ++i) c.response[i] *= MeasuredAt(c, points_.Hz()[i]);
    }
    c.known = true;
    changed = true;
  }
  if (!changed) return false;
  db_.assign(points_.Size(), kSilentDb);
  if (!chosen_.empty()) {
    for (size_t i = 0; i < points_.Size(); ++i) {
      Complex sum = 0.0;
      for (int box : chosen_) sum += channels_[static_cast<size_t>(box)].response[i];
      db_[i] = LevelDb(sum);
    }
  }
  stale_ = false;
  return true;
}

double CSystemSum::LevelAt(double hz) const {
  Complex sum = 0.0;
  for (int box : chosen_) {
    const Channel& c = channels_[static_cast<size_t>(box)];
    if (!c.known) continue;
    sum += ChannelResponseAt(c.settings, hz) * MeasuredAt(c, hz);
  }
  return LevelDb(sum);
}

std::optional<std::vector<int>> ParseChannelLabels(std::string_view text) {
  std::vector<int> boxes;
  while (true) {
    const size_t comma = text.find(',');
    std::string_view item = TrimBlanks(text.substr(0, comma));
    if (item.size() > 2 && (item[0] == 'C' || item[0] == 'c') && (item[1] == 'H' || item[1] == 'h')) {
      item = TrimBlanks(item.substr(2));
    }
    if (item.size() != 1 || item[0] < '1' || item[0] > '0' + kChannelCount) return std::nullopt;
    boxes.push_back(BoxFromLabelNumber(item[0] - '0'));
    if (comma == std::string_view::npos) break;
    text = text.substr(comma + 1);
  }
  return boxes;
}

std::string ChannelLabelsText(const std::vector<int>& boxes) {
  std::string out;
  for (int box : boxes) out += (out.empty() ? "" : ",") + ChannelLabel(box);
  return out;
}

}  // namespace brisvel
