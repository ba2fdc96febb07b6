// brisvelctl: the console's command-line tool. File commands work on raw
// 1206-byte parameter blocks; device commands talk to a processor.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli/cli_common.h"
#include "cli/cli_platform.h"
#include "core/block_diff.h"
#include "core/debug_output.h"
#include "core/effect_store.h"
#include "core/scales.h"
#include "core/system_sum.h"
#include "core/text_decoding.h"

using namespace brisvel;
using namespace brisvel::cli;

namespace {

void CmdParams() {
  for (const ParamDef& row : ParamTable()) std::printf("%d %d %d %s\n", row.index, row.offset, row.size, row.name);
}

void CmdBlockShow(const std::string& file) {
  const EffectBlock block = ReadBlockFile(file);
  for (const ParamDef& row : ParamTable()) std::printf("%s = %u\n", row.name, ReadParam(block, row.index));
}

void CmdGet(const std::string& file, const std::string& name) {
  const EffectBlock block = ReadBlockFile(file);
  const auto index = FindParam(name);
  if (!index) throw CliError("unknown parameter \"" + name + "\" (see brisvelctl params)");
  std::printf("%s\n", ParamDisplayText(block, *index).c_str());
}

void CmdSet(const std::string& file, const std::vector<std::string>& assignments, bool clamp) {
  CEffectStore store;
  store.ReplaceBlock(ReadBlockFile(file));
  // Parse everything first: one bad value leaves the file untouched.
  std::vector<ParamAssignment> parsed;
  for (const std::string& a : assignments) parsed.push_back(ParseAssignment(a, store.Block(), -20, 20, clamp));
  for (const ParamAssignment& p : parsed) store.SetParam(p.index, p.raw);
  WriteBlockFile(file, store.Block());
  for (const ParamAssignment& p : parsed) {
    std::printf("%s = %s\n", ParamTable()[p.index].name, ParamDisplayText(store.Block(), p.index).c_str());
  }
}

// Prints the differing parameters; true when there are any.
bool CmdDiff(const std::vector<std::string>& args) {
  EffectBlock left{};
  EffectBlock right{};
  if (args.size() == 2) {
    left = ReadBlockFile(args[0]);
    right = ReadBlockFile(args[1]);
  } else if (args.size() == 1 && DeviceSelected()) {
    left = ReadBlockFile(args[0]);
    right = DeviceReadBlock();
  } else {
    throw CliError("usage: brisvelctl diff FILE FILE (or diff FILE with --sim/--path)");
  }
  const auto diff = DiffBlocks(left, right);
  std::fputs(DiffText(diff).c_str(), stdout);
  return !diff.empty();
}

void CmdResponse(const std::string& file, int channel, double start) {
  if (channel < 0 || channel >= kChannelCount) throw CliError("--channel takes a Box index 0 to 5");
  CEffectStore store;
  store.ReplaceBlock(ReadBlockFile(file));
  store.RebuildResponse(channel);
  CEqResponse& model = store.Response(channel);
  model.Recompute(start);
  const auto& summed = model.Summed();
  for (int k = 0; k < kGridPoints; ++k) {
    std::printf("%.6f,%.6f\n", store.FrequencyGrid().FrequencyHz(k), summed[k]);
  }
  std::printf("peak,%.6f\n", model.Peak());
}

// The sum of the channels where they meet, on the same grid, as the window's
// "Sum" draws it (without measurements).
void CmdResponseSum(const std::string& file, const std::string& channels, double start) {
  const auto boxes = ParseChannelLabels(channels);
  if (!boxes) throw CliError("--sum takes channels CH1 to CH6 as the window names them, as in CH1,CH5");
  CEffectStore store;
  store.Response(0).Recompute(start);  // builds the grid
  std::vector<double> hz(kGridPoints);
  for (int k = 0; k < kGridPoints; ++k) hz[static_cast<size_t>(k)] = store.FrequencyGrid().FrequencyHz(k);
  CSystemSum sum(std::move(hz));
  sum.SetChannels(*boxes);
  sum.Update(ReadBlockFile(file));
  double peak = kSilentDb;
  for (size_t k = 0; k < sum.Hz().size(); ++k) {
    std::printf("%.6f,%.6f\n", sum.Hz()[k], sum.Db()[k]);
    peak = std::max(peak, sum.Db()[k]);
  }
  std::printf("peak,%.6f\n", peak);
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"brisvelctl: parameter blocks and processors of the Brisvel console"};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("brisvelctl ") + BRISVEL_VERSION);
  bool verbose = false;
  app.add_flag("-v,--verbose", verbose, "print the RezUriru: traffic lines on standard error");

  app.add_subcommand("params", "list the 618 parameters: index offset size name")->callback(CmdParams);

  auto* block = app.add_subcommand("block", "parameter block files");
  block->require_subcommand(1);
  std::string factoryOut;
  auto* factory = block->add_subcommand("factory", "write the factory block (1206 raw bytes)");
  factory->add_option("-o,--output", factoryOut, "output file")->required();
  factory->callback([&] { WriteBlockFile(factoryOut, FactoryBlock()); });
  std::string showFile;
  auto* show = block->add_subcommand("show", "every parameter as name = raw value");
  show->add_option("FILE", showFile, "raw 1206-byte block")->required();
  show->callback([&] { CmdBlockShow(showFile); });

  std::vector<std::string> getArgs;
  auto* get = app.add_subcommand("get", "display text of one parameter: get FILE NAME (or get NAME with --sim/--path)");
  get->add_option("ARGS", getArgs)->required();
  get->callback([&] {
    if (DeviceSelected()) {
      if (getArgs.size() != 1) throw CliError("usage: brisvelctl --sim|--path PATH get NAME");
      DeviceGet(getArgs[0]);
    } else {
      if (getArgs.size() != 2) throw CliError("usage: brisvelctl get FILE NAME");
      CmdGet(getArgs[0], getArgs[1]);
    }
  });

  std::vector<std::string> setArgs;
  bool clamp = false;
  auto* set = app.add_subcommand("set", "set parameters: set FILE NAME=TEXT... (or set NAME=TEXT... with --sim/--path)");
  set->add_option("ARGS", setArgs)->required();
  set->add_flag("--clamp", clamp,
                "read values as the console's windows do: a leading number, limited to the parameter's range");
  set->callback([&] {
    if (DeviceSelected()) {
      DeviceSet(setArgs, clamp);
    } else {
      if (setArgs.size() < 2) throw CliError("usage: brisvelctl set FILE NAME=TEXT...");
      CmdSet(setArgs[0], std::vector<std::string>(setArgs.begin() + 1, setArgs.end()), clamp);
    }
  });

  std::vector<std::string> diffArgs;
  int exitCode = 0;
  auto* diff = app.add_subcommand(
      "diff", "parameters two blocks hold differently, by channel: diff FILE FILE (or diff FILE with --sim/--path); "
              "exits with 1 when they differ");
  diff->add_option("ARGS", diffArgs)->required();
  diff->callback([&] {
    if (CmdDiff(diffArgs)) exitCode = 1;
  });

  std::string responseFile;
  int channel = -1;
  double start = 17;
  std::string sumChannels;
  auto* response = app.add_subcommand(
      "response", "CSV of a channel's summed EQ response, or of the sum of channels: Hz,dB per grid point, then peak");
  response->add_option("FILE", responseFile, "raw 1206-byte block")->required();
  auto* channelOption = response->add_option("--channel", channel, "Box index 0-5 (CH5, CH6, CH1, CH2, CH3, CH4)");
  auto* sumOption = response->add_option(
      "--sum", sumChannels,
      "the channels' complex responses added (volume, mute, polarity and delay included), e.g. CH1,CH5");
  channelOption->excludes(sumOption);
  response->add_option("--start", start, "grid start frequency in Hz (limited to 10-20)");
  response->callback([&] {
    if (!sumOption->empty()) return CmdResponseSum(responseFile, sumChannels, start);
    if (channelOption->empty()) throw CliError("response needs --channel BOX or --sum CH1,CH5");
    CmdResponse(responseFile, channel, start);
  });

  RegisterDeviceCommands(app);
  RegisterDoctorCommand(app);
  RegisterEqCommands(app);
  RegisterPresetCommands(app);
  RegisterReportCommand(app);
#if BRISVEL_MEASURE
  RegisterMeasureCommands(app);
#endif

  app.parse_complete_callback([&] {
    if (verbose) SetDebugOutputSink([](std::string_view line) { std::fwrite(line.data(), 1, line.size(), stderr); });
  });

  if (const std::string altered = AlteredArgument(); !altered.empty()) {
    std::fprintf(stderr, "brisvelctl: the argument \"%s\" has characters this system's code page cannot pass on\n",
                 altered.c_str());
    return 1;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  } catch (const std::exception& e) {
    // Messages may quote names and paths from files; pieces the readers have
    // already made printable keep their escapes as they are.
    std::fprintf(stderr, "brisvelctl: %s\n", brisvel::Printable(e.what(), std::string_view(e.what()).size()).c_str());
    return 1;
  }
  // What was printed must have arrived (a full disk, a closed pipe).
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "brisvelctl: cannot write the output: %s\n", errno ? std::strerror(errno) : "write error");
    return 1;
  }
  return exitCode;
}
