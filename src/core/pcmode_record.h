// One stored tuning: a 64-byte UTF-16LE name followed by the 1206-byte block.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "core/channel_names.h"
#include "core/param_table.h"

namespace brisvel {

struct PCModeRecord {
  static constexpr size_t kNameBytes = 64;
  static constexpr size_t kSize = kNameBytes + kBlockSize;  // 1270

  std::array<uint8_t, kNameBytes> nameBytes{};  // UTF-16LE, zero-terminated
  EffectBlock block{};
  // Kept beside the record (config.ini, a scene file's own section), never in its bytes.
  ChannelNames channelNames{};

  // Name as UTF-8, up to the first zero code unit (unpaired surrogates become U+FFFD).
  std::string Name() const;
  // Stores at most 31 UTF-16 code units plus the terminator; never splits a surrogate pair.
  void SetName(std::string_view utf8);

  std::array<uint8_t, kSize> Encode() const;
  static std::optional<PCModeRecord> Decode(std::span<const uint8_t> bytes);  // exactly 1270 bytes
};

}  // namespace brisvel
