// Scene files on disk: a .cae (one PC mode) or .bae (the eight user device
// modes) read whole within a size limit, and one key changed at a time with
// every other line of an existing file kept, the file replaced atomically.
// The text format itself is core/scene_file.h.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/pcmode_record.h"
#include "core/scene_file.h"

namespace brisvel::scene {

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

// The whole text of a scene file of either kind (kUnreadable, kTooLarge on failure).
SceneError ReadSceneText(const std::filesystem::path& file, std::string& text);
// Sets one key of [CAEConfig] to the encoded bytes in the file, keeping what
// else an existing file holds; atomic, and an existing file that cannot be
// read whole is left alone, as is one that would grow beyond what is read
// (kTooLarge).
SceneError WriteSceneValue(const std::filesystem::path& file, std::string_view key, std::span<const uint8_t> bytes);
SceneError WriteBatchCount(const std::filesystem::path& file, int32_t count);
SceneError WriteBatchRecord(const std::filesystem::path& file, int index, const PCModeRecord& record);

}  // namespace brisvel::scene
