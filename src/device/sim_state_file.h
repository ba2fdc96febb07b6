// What a simulated processor keeps (the active block, the eleven slots, the
// current mode and the input mode) and the state file that carries it from
// one run to the next, so that successive runs, and several at once, see the
// same processor.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/param_table.h"
#include "settings/file_safety.h"

namespace brisvel::sim {

constexpr int kSlotCount = 11;      // modes 1-11; 1-8 user, 9 factory, 10-11 recall only
constexpr int kUserSlotCount = 8;

struct SimState {
  EffectBlock active{};
  std::array<EffectBlock, kSlotCount> slots{};
  int currentMode = 0;  // 0-based slot
  int inputMode = 0;    // 0 two inputs, 1 four
};

// The state file: a magic, the active block, the eleven slots, the current
// mode and the input mode. Nothing when bytes are not such a file.
std::string StateFileBytes(const SimState& state);
std::optional<SimState> ParseStateFile(std::string_view bytes);

// The state file of one processor. Not locked itself: its owner serialises.
class SimStateFile {
 public:
  void SetPath(const std::filesystem::path& file);
  bool HasPath() const { return path_.has_value(); }
  const std::optional<std::filesystem::path>& Path() const { return path_; }

  // Reads the file into state. True when it was read or is not there yet (a
  // fresh processor; the file appears with the first change); false when it
  // is there but unreadable, and state stays.
  bool Read(SimState& state) const;
  // The file's lock, under which a change is read, made and saved (not held
  // without a path, or when it cannot be taken: the error is kept).
  settings::FileLock Lock();
  // Saves atomically; the error is kept (empty after a good save).
  void Save(const SimState& state);
  // Why the last save failed; empty when it succeeded.
  const std::string& Error() const { return error_; }

 private:
  std::optional<std::filesystem::path> path_;
  std::string error_;
};

}  // namespace brisvel::sim
