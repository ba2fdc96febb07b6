#include "settings/scene_files.h"

#include <array>
#include <system_error>

#include "core/hex_text.h"
#include "settings/file_safety.h"

namespace brisvel::scene {

namespace {

SceneError ReadWhole(const std::filesystem::path& file, std::string& text) {
  settings::FileContent content = settings::ReadRegularFile(file, kMaxFileBytes);
  switch (content.status) {
    case settings::ReadStatus::kOk:
      text = std::move(content.data);
      return SceneError::kNone;
    case settings::ReadStatus::kTooLarge:
      return SceneError::kTooLarge;
    default:
      return SceneError::kUnreadable;
  }
}

}  // namespace

SceneReadResult ReadSceneFile(const std::filesystem::path& file) {
  SceneReadResult result;
  std::string text;
  result.error = ReadWhole(file, text);
  if (result.error != SceneError::kNone) return result;
  result.record = ParseSceneText(text);
  if (!result.record) result.error = SceneError::kNotScene;
  return result;
}

SceneError ReadSceneText(const std::filesystem::path& file, std::string& text) { return ReadWhole(file, text); }

namespace {
struct SceneValue {
  std::string_view section;
  std::string key;
  std::string value;
  bool onlyOverOld = false;  // written only where the file holds an older value
};

// Sets the values in the file's text (every other line kept) and replaces it atomically.
SceneError WriteSceneValues(const std::filesystem::path& file, std::span<const SceneValue> values) {
  std::string text;
  std::error_code ec;
  if (std::filesystem::exists(std::filesystem::symlink_status(file, ec))) {
    const SceneError read = ReadWhole(file, text);
    if (read != SceneError::kNone) return read;
  }
  for (const SceneValue& v : values) {
    if (!v.onlyOverOld || ReadProfileValue(text, v.section, v.key)) text = WriteProfileValue(text, v.section, v.key, v.value);
  }
  // What is written must read back.
  if (text.size() > kMaxFileBytes) return SceneError::kTooLarge;
  return settings::WriteFileAtomically(file, text) ? SceneError::kNone : SceneError::kUnwritable;
}
}  // namespace

SceneError WriteSceneValue(const std::filesystem::path& file, std::string_view key, std::span<const uint8_t> bytes) {
  const SceneValue value{kSection, std::string(key), EncodeProfileStruct(bytes)};
  return WriteSceneValues(file, std::span(&value, 1));
}

// The record under its key and its channel names in a section of their own,
// which readers of the record alone pass over. Unnamed channels add nothing,
// but replace names an older record of the file had.
SceneError WriteRecord(const std::filesystem::path& file, std::string dataKey, std::string namesKey,
                       const PCModeRecord& record) {
  const auto bytes = record.Encode();
  const bool named = record.channelNames != ChannelNames{};
  const SceneValue values[] = {{kSection, std::move(dataKey), EncodeProfileStruct(bytes)},
                               {kNamesSection, std::move(namesKey), EncodeChannelNames(record.channelNames), !named}};
  return WriteSceneValues(file, values);
}

SceneError WriteSceneFile(const std::filesystem::path& file, const PCModeRecord& record) {
  return WriteRecord(file, kDataKey, kNamesKey, record);
}

SceneError WriteBatchCount(const std::filesystem::path& file, int32_t count) {
  const auto u = static_cast<uint32_t>(count);
  const std::array<uint8_t, 4> bytes = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8),
                                        static_cast<uint8_t>(u >> 16), static_cast<uint8_t>(u >> 24)};
  return WriteSceneValue(file, kCountKey, bytes);
}

SceneError WriteBatchRecord(const std::filesystem::path& file, int index, const PCModeRecord& record) {
  return WriteRecord(file, BatchDataKey(index), BatchNamesKey(index), record);
}

}  // namespace brisvel::scene
