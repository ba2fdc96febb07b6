// brisvelctl eq: a channel's bands as filter-set text or CSV, filter sets read
// into a block file, the automatic fit of the bands to a measurement, and a
// check of what a measurement or filter file is understood to hold.
#include <CLI/CLI.hpp>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/cli_common.h"
#include "core/eq_fit.h"
#include "core/filter_set.h"
#include "core/measurement.h"
#include "core/text_decoding.h"
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
  std::string checkFile;
  int channel = -1;
  double maxBoost = 6.0;
  int bands = kBandCount;
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
  if (!p.curve) throw CliError(brisvel::Printable(file, 200) + ": " + p.error);
  return *p.curve;
}

std::string Hz(double hz) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.0f Hz", hz);
  return buf;
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
  if (!in.ok) throw CliError(brisvel::Printable(o.filterFile, 200) + ": " + in.error);
  WriteBands(block, o.channel, in.bands);
  WriteBlockFile(o.blockFile, block);
  std::printf("%d filters taken\n", in.filtersTaken);
  for (const std::string& n : in.notes) std::printf("%s\n", n.c_str());
  for (const std::string& c : in.changes) std::printf("changed: %s\n", c.c_str());
  for (const std::string& s : in.skipped) std::printf("%s\n", s.c_str());
}

void CmdFit() {
  const EqOptions& o = Opts();
  CheckChannel(o.channel);
  const auto [lo, hi] = ParseRange(o.range);
  if (!std::isfinite(o.maxBoost) || o.maxBoost < 0) throw CliError("--max-boost takes a gain of 0 dB or more");
  if (o.bands < 1 || o.bands > kBandCount) throw CliError("--bands takes a number of bands from 1 to 31");
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
  settings.maxBands = o.bands;
  const FitProblem problem = MakeFitProblem(measurement, target, block, o.channel, lo, hi);
  if (problem.hz.size() < 2)
    throw CliError("the measurement has no data in the range " + o.range + " Hz inside the channel's passband " +
                   Hz(problem.passLowHz) + " to " + Hz(problem.passHighHz));
  const FitResult r = FitBands(problem, BandsFromBlock(block, o.channel), settings);
  if (r.improved) {
    WriteBands(block, o.channel, r.bands);
    WriteBlockFile(o.blockFile, block);
  }
  std::printf("before: rms %.2f dB, max %.2f dB\n", r.before.rms, r.before.max);
  std::printf("after: rms %.2f dB, max %.2f dB\n", r.after.rms, r.after.max);
  std::printf("fitted over %s to %s (the channel's passband is %s to %s); Q as the files take it (raw / 300)\n",
              Hz(problem.hz.front()).c_str(), Hz(problem.hz.back()).c_str(), Hz(r.passLowHz).c_str(),
              Hz(r.passHighHz).c_str());
  std::printf("summed boost: max %+.2f dB, min %+.2f dB (limit %.1f dB in the passband, 0 dB beyond it)\n",
              r.summedBoostDb, r.summedCutDb, o.maxBoost);
  std::string used;
  for (int b : r.bandsUsed) used += (used.empty() ? "" : " ") + std::to_string(b + 1);
  std::printf("bands used: %zu of %d%s%s\n", r.bandsUsed.size(), o.bands, used.empty() ? "" : ": ", used.c_str());
  if (r.rolloffChangeDb > kRolloffChangeWarnDb)
    std::printf("warning: the bands change the response beyond the crossover by up to %.1f dB\n", r.rolloffChangeDb);
  if (!r.improved) std::printf("no better bands found; the block is unchanged\n");
}

// What a file is understood to hold: a measurement (points, range, columns)
// or a filter set (each filter with its values and what was changed).
void CmdCheck() {
  const EqOptions& o = Opts();
  const std::string bytes = ReadInputFile(o.checkFile, kMaxTextFile);
  const std::string name = brisvel::Printable(o.checkFile, 200);
  const FilterSetImport filters = ImportFilterSet(bytes, BandsFromBlock(FactoryBlock(), 0), -20, 20);
  const CurveParse curve = ParseFrequencyCurve(bytes);
  // Rows of numbers read both ways: a CSV is a filter set when its header names bands.
  std::string head = DecodeText(bytes).text.substr(0, 200);
  for (char& ch : head) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  const bool filterCsv = head.find("band") != std::string::npos;
  const bool isFilters = filters.ok && (filters.format != FilterSetImport::kCsv || filterCsv || !curve.curve);
  if (curve.curve && !isFilters) {
    const FrequencyCurve& c = *curve.curve;
    std::printf("%s: a measurement of %zu points from %g Hz to %g Hz\n", name.c_str(), c.hz.size(), c.LowestHz(),
                c.HighestHz());
    for (const std::string& n : curve.notes) std::printf("  %s\n", n.c_str());
    return;
  }
  if (!filters.ok) {
    // Neither: the message of the kind the file looks more like.
    const bool looksLikeFilters = bytes.find("ilter") != std::string::npos || bytes.find("Preamp") != std::string::npos;
    throw CliError(name + ": " + (looksLikeFilters ? filters.error : curve.error));
  }
  std::printf("%s: a filter set of %d filters; Q as the files take it (the band table shows it x 3)\n", name.c_str(),
              filters.filtersTaken);
  for (const std::string& n : filters.notes) std::printf("  %s\n", n.c_str());
  for (const TakenFilter& t : filters.taken) {
    std::printf("  %s (line %d): Fc %g Hz, gain %g dB, Q %g -> band %d: %d Hz, %.2f dB, Q %s\n", t.label.c_str(),
                t.line, t.freq, t.gain, t.q, t.band + 1, t.value.freq, t.value.gain / 100.0,
                FileQText(t.value.q).c_str());
  }
  for (const std::string& c : filters.changes) std::printf("  changed: %s\n", c.c_str());
  for (const std::string& s : filters.skipped) std::printf("  %s\n", s.c_str());
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
  fit->add_option("--max-boost", o.maxBoost, "largest summed boost of the bands in dB")->capture_default_str();
  fit->add_option("--mode", o.mode, "geq (gains only) or peq (frequency, Q and gain)")->capture_default_str();
  fit->add_option("--bands", o.bands, "the most bands the fit may use, 1-31")->capture_default_str();
  fit->callback(CmdFit);

  auto* check = eq->add_subcommand("check", "what a measurement or filter file is understood to hold");
  check->add_option("FILE", o.checkFile, "measurement or filter-set file")->required();
  check->callback(CmdCheck);
}

}  // namespace brisvel::cli
