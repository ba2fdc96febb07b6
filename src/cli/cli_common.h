// Shared pieces of brisvelctl's commands: the error that ends a command with a
// one-line message, and block file helpers.
#pragma once

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/param_table.h"
#include "core/param_text.h"
#include "settings/cae_data.h"

namespace CLI {
class App;
}

namespace brisvel::cli {

// Thrown by a command; main prints "brisvelctl: <message>" and exits 1.
class CliError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Text that comes from files or processors (PC-mode names, file names, paths)
// as a terminal is to show it: control characters, bytes that are not UTF-8
// and the backslash are written as \xNN, \uNNNN or \\, so a name can neither
// move the cursor nor pass for another line.
std::string Printable(std::string_view text);

// Reads a raw 1206-byte block file; throws CliError when missing, not a
// regular file or of the wrong size (a larger file is never read whole).
EffectBlock ReadBlockFile(const std::filesystem::path& path);
// Reads a regular file of at most maxBytes; throws CliError otherwise.
std::string ReadInputFile(const std::filesystem::path& path, size_t maxBytes);
// Writes atomically (temporary file, then rename); throws CliError on failure,
// and refuses a read-only target and anything that is not a regular file.
void WriteBlockFile(const std::filesystem::path& path, const EffectBlock& block);

// The installer's data file beside the executable (gain range, handshake
// ids); the defaults when there is none.
settings::CaeData LoadInstallerData();

// Parses "NAME=TEXT" with the parameter's display rules; returns index and raw value.
struct ParamAssignment {
  int index;
  uint16_t raw;
};
// The whole text must be a value as the parameter is shown (a number, its unit
// optional, "OFF" where the parameter has it) within the parameter's limits;
// anything else throws a CliError naming the parameter, the text and the
// accepted range. With clamp the text is read as the window reads typed text:
// a leading number, limited to the range. Band gains are limited to
// minDb..maxDb (the installer's caedata.dat range).
ParamAssignment ParseAssignment(const std::string& nameEqualsText, const EffectBlock& current, int minDb = -20,
                                int maxDb = 20, bool clamp = false);

// Device commands (list, info, read, write, ...) and the --sim / --path options,
// registered when the device layer is built.
void RegisterDeviceCommands(CLI::App& app);
// brisvelctl doctor (with the device layer): access to the processor.
void RegisterDoctorCommand(CLI::App& app);
// brisvelctl eq export|import|fit.
void RegisterEqCommands(CLI::App& app);
// True when --sim or --path chose a processor: get and set then work on it.
bool DeviceSelected();
// True when --sim chose the simulated processor.
bool SimSelected();
// What a tuning report tells of the chosen processor: its block, its device
// mode ("USER-3 (C)") and its information line (throws without a processor).
struct ProcessorReport {
  EffectBlock block{};
  std::string deviceMode;
  std::string processor;
};
ProcessorReport DeviceReportInfo();
// brisvelctl report.
void RegisterReportCommand(CLI::App& app);

// The chosen processor, connected and its block read, for the length of fn:
// its block as it plays (with --sim the simulated processor's own), and
// writes that reach it in one transfer (false when it did not take them).
struct ProcessorAccess {
  std::function<EffectBlock()> playing;
  std::function<bool(const std::vector<std::pair<int, uint16_t>>&)> write;
};
void WithProcessor(const std::function<void(ProcessorAccess&)>& fn);
// brisvelctl measure and align (where the measurement layer is built).
void RegisterMeasureCommands(CLI::App& app);
void DeviceGet(const std::string& name);
void DeviceSet(const std::vector<std::string>& assignments, bool clamp);

// Preset commands: pcmode, scene and batch.
void RegisterPresetCommands(CLI::App& app);
std::string FormatMode(int number, size_t count);
std::string FormatCount(size_t unreadable);
// The processor's current block (throws without a processor or device layer).
EffectBlock DeviceReadBlock();
// Makes the block the processor's active setting (throws on failure).
void DeviceLoadBlock(const EffectBlock& block);
// Batch export (or import) of the eight user device modes with a .bae file,
// printing a line per slot; throws on failure.
void DeviceBatch(bool exportToFile, const std::filesystem::path& file);

}  // namespace brisvel::cli
