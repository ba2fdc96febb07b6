// Scene files: profile-style INI text (section [CAEConfig], CR LF line ends)
// whose values are sum-checked byte records. A .cae holds one PC mode under
// the key "data"; a .bae holds the eight user device modes under "count" and
// "data 0" ... "data 7". Setting a key keeps every other line of the text.
// Reading and writing the files: settings/scene_files.h.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/pcmode_record.h"

namespace brisvel::scene {

inline constexpr char kSection[] = "CAEConfig";
inline constexpr char kDataKey[] = "data";
// The channel names of a .cae's PC mode, when it has any: [ChannelNames] names.
inline constexpr char kNamesSection[] = "ChannelNames";
inline constexpr char kNamesKey[] = "names";
// Larger files are not scene files; they are refused before being read whole.
inline constexpr std::uintmax_t kMaxFileBytes = 1 << 20;

// The value of key in section (both compared without regard to letter case),
// with blanks around it removed; the first such key wins.
std::optional<std::string> ReadProfileValue(std::string_view text, std::string_view section, std::string_view key);

// The text with the key set to value: an existing key line is replaced, a
// missing key is appended at the end of its section, a missing section is
// added at the end. Every line is ended with CR LF.
std::string WriteProfileValue(std::string_view text, std::string_view section, std::string_view key,
                              std::string_view value);

// The record of a .cae text, with its channel names when the text has them;
// nothing when the key is missing or its value is not a valid 1270-byte record.
std::optional<PCModeRecord> ParseSceneText(std::string_view text);

enum class SceneError { kNone, kUnreadable, kTooLarge, kNotScene, kUnwritable };
const char* SceneErrorText(SceneError error);

// Batch scene files (.bae).
inline constexpr char kCountKey[] = "count";
inline constexpr int kBatchRecords = 8;
// "data 0", "data 1", ...
std::string BatchDataKey(int index);
// "names 0": the key of a record's channel names in [ChannelNames].
std::string BatchNamesKey(int index);
// The 4-byte little-endian count, or nothing when missing or not valid.
std::optional<int32_t> ParseBatchCount(std::string_view text);
// Record index of a .bae text, or nothing.
std::optional<PCModeRecord> ParseBatchRecord(std::string_view text, int index);

// A whole .bae text as a batch import takes it: a count of 1 to 8 and that
// many valid records. Either every record, or nothing and why not.
struct BatchContent {
  std::vector<PCModeRecord> records;
  std::string error;  // empty when the text is whole
};
BatchContent ParseBatchFile(std::string_view text);

}  // namespace brisvel::scene
