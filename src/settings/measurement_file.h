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
};

std::string FormatMeasurementFile(const MeasurementFile& file);
// False with an error naming the line when the text is not such a file.
bool ParseMeasurementFile(std::string_view text, MeasurementFile& out, std::string* error);

// measurements.ini in the folder of config.ini.
std::filesystem::path MeasurementFileBeside(const std::filesystem::path& configIni);

// Replaces the PC mode's measurements (none: the mode's section goes) and
// writes the file atomically. A file that cannot be read whole or is not
// understood is left as it is and the save fails with the reason.
bool SaveModeMeasurements(const std::filesystem::path& file, const std::string& mode,
                          const KeptMeasurements& measurements, std::string* error);
// The PC mode's measurements (empty when the file or the mode has none);
// nullopt with the reason when the file cannot be read or understood.
std::optional<KeptMeasurements> LoadModeMeasurements(const std::filesystem::path& file, const std::string& mode,
                                                     std::string* error);

}  // namespace brisvel::settings
