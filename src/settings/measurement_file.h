// The measurements kept with the PC modes: measurements.ini next to
// config.ini, one section per PC mode with each channel's measured curve, the
// file it came from and the smoothing chosen for it. The curve is kept as read
// (unsmoothed), so the mode brings back exactly what was measured.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/measurement.h"

namespace brisvel::settings {

inline constexpr char kMeasurementFileName[] = "measurements.ini";
// Larger files are refused unread.
inline constexpr size_t kMeasurementFileLimit = 64u << 20;

struct KeptMeasurement {
  int channel = 0;       // Box index 0-5
  std::string source;    // the file it was imported from
  int smoothing = 0;     // 0 none, otherwise 1/N octave
  FrequencyCurve curve;  // as read
  bool operator==(const KeptMeasurement&) const = default;
};
using KeptMeasurements = std::vector<KeptMeasurement>;

struct MeasurementFile {
  std::map<std::string, KeptMeasurements> modes;  // by PC-mode name
  // What could not be read, kept line for line so that a rewrite loses
  // nothing: lines of a PC mode's section (a damaged channel keeps all its
  // lines; they are written after the section's entries), lines before the
  // first section, and sections whose header cannot be read, each with the
  // lines under it (written at the end).
  std::map<std::string, std::vector<std::string>> unreadLines;
  std::vector<std::string> unreadBefore;
  std::vector<std::vector<std::string>> unreadSections;
  std::vector<std::string> problems;  // "line N: why", one per thing not read
};

// Points are written in the shortest form that reads back to the same number;
// points whose frequency does not rise above the one written before, or that
// are not finite, are left out. Channels, smoothing and curves that could not
// be read back (see KeepableProblem) are the caller's to refuse.
std::string FormatMeasurementFile(const MeasurementFile& file);
// Reads what can be read: a damaged entry never keeps the others from being
// read, and is kept (with a problem naming its line).
MeasurementFile ParseMeasurementFile(std::string_view text);
// Why a measurement cannot be kept so that it reads back (a channel outside
// 0-5, a smoothing outside 0-48, fewer than two usable points); empty when fine.
std::string KeepableProblem(const KeptMeasurement& measurement);

// measurements.ini in the folder of config.ini.
std::filesystem::path MeasurementFileBeside(const std::filesystem::path& configIni);

// Replaces the PC mode's measurements (none: the mode's section goes) and
// writes the file atomically under its lock; what the file holds that could
// not be read is kept as it is. A file that cannot be read whole is left as it
// is and the save fails with the reason, as does a measurement that could not
// be read back.
bool SaveModeMeasurements(const std::filesystem::path& file, const std::string& mode,
                          const KeptMeasurements& measurements, std::string* error);
// The PC mode's measurements (empty when the file or the mode has none); the
// entries that can be read even when others cannot. nullopt with the reason
// when the file cannot be read.
std::optional<KeptMeasurements> LoadModeMeasurements(const std::filesystem::path& file, const std::string& mode,
                                                     std::string* error);

}  // namespace brisvel::settings
