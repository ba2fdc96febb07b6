// The tuning report for the customer: what the console knows of the processor
// and its setting, each channel's values, and the curves of the chosen sums
// and the loaded measurements. The same rows make the CSV and the tables of
// the PDF; the curves make its plots.
#pragma once

#include <string>
#include <vector>

#include "core/channel_names.h"
#include "core/param_table.h"

namespace brisvel {

// A measured channel as the measurement window shows it: the measured curve
// lined up with the target, and the prediction of the fit (measured plus the
// channel's filters and bands).
struct ReportMeasurement {
  int box = 0;
  std::string source;
  std::vector<double> hz, measured, target, predicted;
};

struct TuningReport {
  std::string date;        // "2026-12-10 14:05"
  std::string processor;   // "Processor 1.2.4.7 (258), dated 2025-03-17", or why there is none
  std::string deviceMode;  // "USER-3 (C)", empty when unknown
  std::string pcMode;      // the PC mode last recalled or saved, empty when none
  EffectBlock block{};
  ChannelNames names{};
  std::vector<std::vector<int>> sums;  // Box indexes of each sum shown
  std::vector<ReportMeasurement> measurements;
};

// One line of the report: what (info, channel, band, sum, measurement), the
// channel ("CH1"), the item, the parameter it shows (empty for none), the
// value as the windows show it and the raw value in the block.
struct ReportRow {
  std::string kind, channel, item, parameter, value, raw;
};

// The channels in the order the windows show them: CH1 … CH6.
std::vector<int> ReportChannelOrder();
// The information rows, then per channel its values and its 31 bands.
std::vector<ReportRow> ReportValueRows(const TuningReport& report);

// The frequencies of the report's curves: 20 Hz … 20 kHz, 12 per octave.
std::vector<double> ReportFrequencies();
// The channel's EQ curve (bands and crossovers, as the EQ graph draws it).
std::vector<double> ReportEqCurve(const EffectBlock& block, int box, const std::vector<double>& hz);
// The sum of the channels where they meet (volume, polarity, delay included).
std::vector<double> ReportSumCurve(const EffectBlock& block, const std::vector<int>& boxes,
                                   const std::vector<double>& hz);

// Everything as CSV (RFC 4180, UTF-8, CR LF): a header line, the value rows,
// then the curves: per channel its EQ curve, each sum, each measurement.
std::string TuningReportCsv(const TuningReport& report);

}  // namespace brisvel
