// Scene files: profile-style INI text (section [CAEConfig], CR LF line ends)
// whose values are sum-checked byte records. A .cae holds one PC mode under
// the key "data"; a .bae holds the eight user device modes under "count" and
// "data 0" ... "data 7". Reading and writing keep every other line of the file.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/pcmode_record.h"

namespace brisvel::scene {

inline constexpr char kSection[] = "CAEConfig";
inline constexpr char kDataKey[] = "data";
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

// The record of a .cae text; nothing when the key is missing or its value is
// not a valid 1270-byte record.
std::optional<PCModeRecord> ParseSceneText(std::string_view text);

enum class SceneError { kNone, kUnreadable, kTooLarge, kNotScene, kUnwritable };
const char* SceneErrorText(SceneError error);

struct SceneReadResult {
  std::optional<PCModeRecord> record;
  SceneError error = SceneError::kNone;
};

// Reads a .cae file.
SceneReadResult ReadSceneFile(const std::filesystem::path& file);
// Writes the record as [CAEConfig] data into the file, keeping what else an
// existing file holds; the file is replaced atomically. An existing file that
// cannot be read whole is left alone (kUnreadable / kTooLarge).
SceneError WriteSceneFile(const std::filesystem::path& file, const PCModeRecord& record);

// Batch scene files (.bae).
inline constexpr char kCountKey[] = "count";
inline constexpr int kBatchRecords = 8;
// "data 0", "data 1", ...
std::string BatchDataKey(int index);
// The 4-byte little-endian count, or nothing when missing or not valid.
std::optional<int32_t> ParseBatchCount(std::string_view text);
// Record index of a .bae text, or nothing.
std::optional<PCModeRecord> ParseBatchRecord(std::string_view text, int index);

// The whole text of a scene file of either kind (kUnreadable, kTooLarge on failure).
SceneError ReadSceneText(const std::filesystem::path& file, std::string& text);
// Sets one key of [CAEConfig] to the encoded bytes in the file, keeping what
// else an existing file holds; atomic, and an existing file that cannot be
// read whole is left alone.
SceneError WriteSceneValue(const std::filesystem::path& file, std::string_view key, std::span<const uint8_t> bytes);
SceneError WriteBatchCount(const std::filesystem::path& file, int32_t count);
SceneError WriteBatchRecord(const std::filesystem::path& file, int index, const PCModeRecord& record);

}  // namespace brisvel::scene
