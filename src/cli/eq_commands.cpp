// brisvelctl eq: a channel's bands as filter-set text or CSV, filter sets read
// into a block file, and the automatic fit of the bands to a measurement.
#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/cli_common.h"
#include "core/eq_fit.h"
#include "core/filter_set.h"
#include "core/measurement.h"
#include "settings/cae_data.h"

namespace brisvel::cli {
namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxTextFile = 16 * 1024 * 1024;

struct EqOptions {
  std::string blockFile;
  std::string filterFile;
  std::string measurementFile;
  std::string target = "flat";
  std::string format = "text";
  std::string range = "20-500";
  std::string mode = "geq";
  int channel = -1;
  double maxBoost = 6.0;
};

EqOptions& Opts() {
  static EqOptions options;
  return options;
}

void CheckChannel(int channel) {
  if (channel < 0 || channel >= kChannelCount) throw CliError("--channel takes a Box index 0 to 5");
}

FrequencyCurve ReadCurve(const std::string& file) {
  const CurveParse p = ParseFrequencyCurve(ReadInputFile(file, kMaxTextFile));
  if (!p.curve) throw CliError(file + ": " + p.error);
  return *p.curve;
}

// "LO-HI" in Hz, both within 20 Hz .. 20 kHz, LO below HI.
std::pair<double, double> ParseRange(const std::string& text) {
  const size_t dash = text.find('-', 1);
  if (dash == std::string::npos) throw CliError("--range takes LO-HI in Hz, e.g. 20-500");
  size_t usedLo = 0, usedHi = 0;
  double lo = 0, hi = 0;
  try {
    lo = std::stod(text.substr(0, dash), &usedLo);
    hi = std::stod(text.substr(dash + 1), &usedHi);
  } catch (const std::exception&) {
    throw CliError("--range \"" + text + "\" is not LO-HI in Hz");
  }
  if (usedLo != dash || usedHi != text.size() - dash - 1 || !std::isfinite(lo) || !std::isfinite(hi))
    throw CliError("--range \"" + text + "\" is not LO-HI in Hz");
  if (lo < kFitLowestHz || hi > kFitHighestHz || !(lo < hi))
    throw CliError("--range must lie within 20-20000 Hz with LO below HI");
  return {lo, hi};
}

void CmdExport() {
  const EqOptions& o = Opts();
  CheckChannel(o.channel);
  const ChannelBands bands = BandsFromBlock(ReadBlockFile(o.blockFile), o.channel);
  if (o.format == "text") {
    std::fputs(FilterSetText(bands).c_str(), stdout);
  } else if (o.format == "csv") {
    std::fputs(FilterSetCsv(bands).c_str(), stdout);
  } else {
    throw CliError("--format takes text or csv");
  }
}

void CmdImport() {
  const EqOptions& o = Opts();
  CheckChannel(o.channel);
  EffectBlock block = ReadBlockFile(o.blockFile);
  const settings::CaeData cae = LoadInstallerData();
  const FilterSetImport in =
      ImportFilterSet(ReadInputFile(o.filterFile, kMaxTextFile), BandsFromBlock(block, o.channel), cae.minVol, cae.maxVol);
  if (!in.ok) throw CliError(o.filterFile + ": " + in.error);
  WriteBands(block, o.channel, in.bands);
  WriteBlockFile(o.blockFile, block);
  std::printf("%d filters taken\n", in.filtersTaken);
  for (const std::string& c : in.changes) std::printf("changed: %s\n", c.c_str());
  for (const std::string& s : in.skipped) std::printf("%s\n", s.c_str());
}

void CmdFit() {
  const EqOptions& o = Opts();
  CheckChannel(o.channel);
  const auto [lo, hi] = ParseRange(o.range);
  if (!std::isfinite(o.maxBoost) || o.maxBoost < 0) throw CliError("--max-boost takes a gain of 0 dB or more");
  FitSettings settings;
  if (o.mode == "geq") {
    settings.mode = FitMode::kGeq;
  } else if (o.mode == "peq") {
    settings.mode = FitMode::kPeq;
  } else {
    throw CliError("--mode takes geq or peq");
  }
  EffectBlock block = ReadBlockFile(o.blockFile);
  const FrequencyCurve measurement = ReadCurve(o.measurementFile);
  TargetCurve target;
  if (o.target != "flat") {
    target.kind = TargetCurve::kFile;
    target.file = ReadCurve(o.target);
  }
  const settings::CaeData cae = LoadInstallerData();
  settings.minGainDb = cae.minVol;
  settings.maxGainDb = cae.maxVol;
  settings.maxBoostDb = o.maxBoost;
  const FitProblem problem = MakeFitProblem(measurement, target, block, o.channel, lo, hi);
  if (problem.hz.size() < 2) throw CliError("the measurement has no data in the range " + o.range + " Hz");
  const FitResult r = FitBands(problem, BandsFromBlock(block, o.channel), settings);
  if (r.improved) {
    WriteBands(block, o.channel, r.bands);
    WriteBlockFile(o.blockFile, block);
  }
  std::printf("before: rms %.2f dB, max %.2f dB\n", r.before.rms, r.before.max);
  std::printf("after: rms %.2f dB, max %.2f dB\n", r.after.rms, r.after.max);
  if (!r.improved) std::printf("no better bands found; the block is unchanged\n");
}

}  // namespace

void RegisterEqCommands(CLI::App& app) {
  EqOptions& o = Opts();
  auto* eq = app.add_subcommand("eq", "a channel's bands: filter-set export and import, fitting to a measurement");
  eq->require_subcommand(1);
  const char* channelHelp = "Box index 0-5 (CH5, CH6, CH1, CH2, CH3, CH4)";

  auto* ex = eq->add_subcommand("export", "the bands as filter-set text or CSV on standard output");
  ex->add_option("BLOCKFILE", o.blockFile, "raw 1206-byte block")->required();
  ex->add_option("--channel", o.channel, channelHelp)->required();
  ex->add_option("--format", o.format, "text or csv")->capture_default_str();
  ex->callback(CmdExport);

  auto* im = eq->add_subcommand("import", "read a filter set (text or CSV) into a channel's bands");
  im->add_option("BLOCKFILE", o.blockFile, "raw 1206-byte block, rewritten")->required();
  im->add_option("FILTERFILE", o.filterFile, "filter-set text or CSV")->required();
  im->add_option("--channel", o.channel, channelHelp)->required();
  im->callback(CmdImport);

  auto* fit = eq->add_subcommand("fit", "fit a channel's bands to a measurement; prints the residual before and after");
  fit->add_option("BLOCKFILE", o.blockFile, "raw 1206-byte block, rewritten")->required();
  fit->add_option("--channel", o.channel, channelHelp)->required();
  fit->add_option("--measurement", o.measurementFile, "frequency-response text or .frd file")->required();
  fit->add_option("--target", o.target, "flat, or a target curve file")->capture_default_str();
  fit->add_option("--range", o.range, "LO-HI in Hz within 20-20000")->capture_default_str();
  fit->add_option("--max-boost", o.maxBoost, "largest band gain in dB")->capture_default_str();
  fit->add_option("--mode", o.mode, "geq (gains only) or peq (frequency, Q and gain)")->capture_default_str();
  fit->callback(CmdFit);
}

}  // namespace brisvel::cli
