// The tuning report's rows and curves, and its CSV.
#include "core/tuning_report.h"

#include <algorithm>
#include <cstdio>

#include "core/channel_response.h"
#include "core/measurement.h"
#include "core/param_text.h"
#include "core/debug_output.h"
#include "core/scales.h"
#include "core/system_sum.h"

namespace brisvel {

namespace {

std::string Fixed(double v, int decimals) { return FormatString("%.*f", decimals, v); }


void AddParam(std::vector<ReportRow>& rows, const TuningReport& r, const std::string& kind, const std::string& channel,
              const std::string& item, int index, std::string value = {}) {
  if (value.empty()) value = ParamDisplayText(r.block, index);
  rows.push_back({kind, channel, item, ParamTable()[static_cast<size_t>(index)].name, std::move(value),
                  std::to_string(ReadParam(r.block, index))});
}

std::string FilterTypeText(const EffectBlock& block, int index) {
  const auto type = static_cast<uint8_t>(ReadParam(block, index));
  if (SlopeIndexOf(type) >= kSlopeCount - 1) return SlopeText(kSlopeCount - 1);  // OFF
  return std::string(CharacteristicText(CharacteristicOf(type))) + " " + SlopeText(SlopeIndexOf(type));
}

std::string Csv(const std::string& field) {
  if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
  std::string out = "\"";
  for (char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

void AddCsvLine(std::string& out, const ReportRow& row) {
  out += Csv(row.kind) + "," + Csv(row.channel) + "," + Csv(row.item) + "," + Csv(row.parameter) + "," +
         Csv(row.value) + "," + Csv(row.raw) + "\r\n";
}

void AddCurve(std::string& out, const std::string& kind, const std::string& channel, const std::vector<double>& hz,
              const std::vector<double>& db) {
  for (size_t i = 0; i < hz.size() && i < db.size(); ++i)
    AddCsvLine(out, {kind, channel, Fixed(hz[i], 2), "", Fixed(db[i], 2), ""});
}

}  // namespace

std::vector<int> ReportChannelOrder() {
  std::vector<int> boxes;
  for (int label = 1; label <= kChannelCount; ++label) boxes.push_back(BoxFromLabelNumber(label));
  return boxes;
}

std::vector<ReportRow> ReportValueRows(const TuningReport& r) {
  std::vector<ReportRow> rows;
  rows.push_back({"info", "", "Date", "", r.date, ""});
  rows.push_back({"info", "", "Processor", "", r.processor, ""});
  rows.push_back({"info", "", "Device mode", "", r.deviceMode, ""});
  rows.push_back({"info", "", "PC mode", "", r.pcMode, ""});
  AddParam(rows, r, "info", "", "Master volume", param::kMainVol);
  AddParam(rows, r, "info", "", "Noise gate", param::kNoiseGate);
  const auto bit = [&r](int index, int box) { return (ReadParam(r.block, index) >> box) & 1; };
  for (int box : ReportChannelOrder()) {
    const std::string ch = ChannelLabel(box);
    rows.push_back({"channel", ch, "Name", "", ChannelNameOf(r.names, box), ""});
    AddParam(rows, r, "channel", ch, "Volume", param::Volume(box));
    AddParam(rows, r, "channel", ch, "Mute", param::kMuteCtrl, bit(param::kMuteCtrl, box) ? "muted" : "not muted");
    AddParam(rows, r, "channel", ch, "Polarity", param::kPhaseCtrl, bit(param::kPhaseCtrl, box) ? "inverted" : "normal");
    AddParam(rows, r, "channel", ch, "EQ bypass", param::kPassCtrl, bit(param::kPassCtrl, box) ? "bypassed" : "off");
    const int delay = ReadParam(r.block, param::Delay(box));
    AddParam(rows, r, "channel", ch, "Delay", param::Delay(box),
             DelayText(delay, kDelayMs) + "ms " + DelayText(delay, kDelayCm) + "cm");
    AddParam(rows, r, "channel", ch, "High-pass", param::HpType(box), FilterTypeText(r.block, param::HpType(box)));
    AddParam(rows, r, "channel", ch, "High-pass frequency", param::HpFreq(box));
    AddParam(rows, r, "channel", ch, "Low-pass", param::LpType(box), FilterTypeText(r.block, param::LpType(box)));
    AddParam(rows, r, "channel", ch, "Low-pass frequency", param::LpFreq(box));
    AddParam(rows, r, "channel", ch, "Limiter threshold", param::Threshold(box));
    AddParam(rows, r, "channel", ch, "Limiter attack", param::Attack(box));
    AddParam(rows, r, "channel", ch, "Limiter release", param::Release(box));
    for (int b = 0; b < kBandCount; ++b) {
      const std::string band = "Band " + std::to_string(b + 1);
      AddParam(rows, r, "band", ch, band + " frequency", param::EqFreq(box, b));
      AddParam(rows, r, "band", ch, band + " Q", param::EqQ(box, b));
      AddParam(rows, r, "band", ch, band + " gain", param::EqGain(box, b));
    }
  }
  return rows;
}

std::vector<double> ReportFrequencies() { return LogSpacedFrequencies(20.0, 20000.0, 12); }

std::vector<double> ReportEqCurve(const EffectBlock& block, int box, const std::vector<double>& hz) {
  ChannelSettings c = ChannelSettingsFromBlock(block, box);
  // The EQ curve alone: no volume, mute, polarity or delay.
  c.gainDb = 0;
  c.silent = false;
  c.inverted = false;
  c.delaySamples = 0;
  std::vector<double> db;
  for (double f : hz) db.push_back(LevelDb(ChannelResponseAt(c, f)));
  return db;
}

std::vector<double> ReportSumCurve(const EffectBlock& block, const std::vector<int>& boxes,
                                   const std::vector<double>& hz) {
  CSystemSum sum(hz);
  sum.SetChannels(boxes);
  sum.Update(block);
  return sum.Db();
}

std::string TuningReportCsv(const TuningReport& r) {
  std::string out;
  AddCsvLine(out, {"kind", "channel", "item", "parameter", "value", "raw"});
  for (const ReportRow& row : ReportValueRows(r)) AddCsvLine(out, row);
  const std::vector<double> hz = ReportFrequencies();
  for (int box : ReportChannelOrder()) AddCurve(out, "eq curve dB", ChannelLabel(box), hz, ReportEqCurve(r.block, box, hz));
  for (const std::vector<int>& boxes : r.sums) {
    std::vector<int> ordered = boxes;
    std::sort(ordered.begin(), ordered.end(), [](int a, int b) { return ChannelLabelNumber(a) < ChannelLabelNumber(b); });
    AddCurve(out, "sum dB", ChannelLabelsText(ordered), hz, ReportSumCurve(r.block, boxes, hz));
  }
  for (const ReportMeasurement& m : r.measurements) {
    AddCurve(out, "measured dB", ChannelLabel(m.box), m.hz, m.measured);
    AddCurve(out, "target dB", ChannelLabel(m.box), m.hz, m.target);
    AddCurve(out, "predicted dB", ChannelLabel(m.box), m.hz, m.predicted);
  }
  return out;
}

}  // namespace brisvel
