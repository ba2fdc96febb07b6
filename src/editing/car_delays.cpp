// Car view delays into Delay_n and the delay box texts.
#include "editing/car_delays.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/param_table.h"

namespace brisvel::editing {

namespace {

constexpr double kSamplesPerMs = 48.0;
constexpr double kMaxCm = 692.0;
constexpr double kMaxIn = 272.44;
constexpr double kInchPerMm = 0.0393701;

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

std::array<CarDelayOutput, 6> CarDelayOutputs(const CarDelaySettings& record, int unit) {
  std::array<CarDelayOutput, 6> out;
  for (int i = 0; i < 6; ++i) {
    const double raw = record.delays[static_cast<size_t>(i)];
    const double mm = std::isfinite(raw) && raw > 0 ? raw : 0.0;
    const double ms = std::min(mm / kMmPerMs, kMaxCarDelayMs);
    CarDelayOutput& o = out[static_cast<size_t>(i)];
    o.channel = (i + 2) % 6;
    o.samples = static_cast<uint16_t>(std::clamp(std::trunc(ms * kSamplesPerMs), 0.0, kMaxCarDelayMs * kSamplesPerMs));
    switch (unit) {
      case 1: o.text = Format("%0.02f", std::min(mm / 10.0, kMaxCm)); break;
      case 2: o.text = Format("%0.02f", std::min(mm * kInchPerMm, kMaxIn)); break;
      default: o.text = Format("%0.03f", ms); break;
    }
  }
  return out;
}

CarDelayChanges ApplyCarDelays(CEffectStore& store, const CarDelaySettings& record) {
  CEffectStore::SendScope scope(store);  // the six delays in one transfer
  CarDelayChanges c;
  for (const CarDelayOutput& o : CarDelayOutputs(record, store.DelayUnit())) {
    const int index = param::Delay(o.channel);
    const uint16_t before = store.GetParam(index);
    store.SetParam(index, o.samples);
    if (store.GetParam(index) != before) c.params.push_back(index);
    c.channels.push_back(o.channel);
    c.delayTexts[static_cast<size_t>(o.channel)] = o.text;
  }
  std::sort(c.channels.begin(), c.channels.end());
  c.delays = true;
  return c;
}

bool CarDelaysApplied(const CEffectStore& store, const CarDelaySettings& record) {
  for (const CarDelayOutput& o : CarDelayOutputs(record, store.DelayUnit()))
    if (store.GetParam(param::Delay(o.channel)) != o.samples) return false;
  return true;
}

CarPositions OpeningPositions(const CarDelaySettings& record) {
  if (record.positionsValid == 0) return DefaultCarPositions(record.carWidth, record.zhouJu);
  return {record.speakers, record.listener};
}

CarDelaySettings DrawableCarRecord(const CarDelaySettings& record) {
  if (record.mmPerPx >= 1 && record.mmPerScale >= 1) return record;
  return CarDelaySettings::Default();
}

CarDelaySettings WithViewState(const CarDelaySettings& record, std::span<const CarPoint> speakers, CarPoint listener,
                               std::span<const double> delays) {
  CarDelaySettings r = record;
  for (size_t i = 0; i < speakers.size() && i < r.speakers.size(); ++i) r.speakers[i] = speakers[i];
  for (size_t i = 0; i < delays.size() && i < r.delays.size(); ++i) r.delays[i] = delays[i];
  r.listener = listener;
  r.positionsValid = 1;
  return r;
}

}  // namespace brisvel::editing
