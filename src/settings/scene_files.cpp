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

SceneError WriteSceneValue(const std::filesystem::path& file, std::string_view key, std::span<const uint8_t> bytes) {
  std::string text;
  std::error_code ec;
  if (std::filesystem::exists(std::filesystem::symlink_status(file, ec))) {
    const SceneError read = ReadWhole(file, text);
    if (read != SceneError::kNone) return read;
  }
  const std::string updated = WriteProfileValue(text, kSection, key, EncodeProfileStruct(bytes));
  // What is written must read back.
  if (updated.size() > kMaxFileBytes) return SceneError::kTooLarge;
  return settings::WriteFileAtomically(file, updated) ? SceneError::kNone : SceneError::kUnwritable;
}

SceneError WriteSceneFile(const std::filesystem::path& file, const PCModeRecord& record) {
  const auto bytes = record.Encode();
  return WriteSceneValue(file, kDataKey, bytes);
}

SceneError WriteBatchCount(const std::filesystem::path& file, int32_t count) {
  const auto u = static_cast<uint32_t>(count);
  const std::array<uint8_t, 4> bytes = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8),
                                        static_cast<uint8_t>(u >> 16), static_cast<uint8_t>(u >> 24)};
  return WriteSceneValue(file, kCountKey, bytes);
}

SceneError WriteBatchRecord(const std::filesystem::path& file, int index, const PCModeRecord& record) {
  const auto bytes = record.Encode();
  return WriteSceneValue(file, BatchDataKey(index), bytes);
}

}  // namespace brisvel::scene
