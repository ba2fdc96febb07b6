// The simulated processor's state file, read and written with the settings
// layer's safe file access.
#include "device/sim_state_file.h"

#include <cstring>
#include <system_error>

namespace brisvel::sim {
namespace {

constexpr char kStateMagic[8] = {'B', 'R', 'S', 'I', 'M', '0', '0', '1'};
constexpr size_t kStateSize = sizeof kStateMagic + kBlockSize * (1 + kSlotCount) + 2;

}  // namespace

std::string StateFileBytes(const SimState& state) {
  std::string bytes(kStateMagic, sizeof kStateMagic);
  bytes.append(reinterpret_cast<const char*>(state.active.data()), kBlockSize);
  for (const auto& slot : state.slots) bytes.append(reinterpret_cast<const char*>(slot.data()), kBlockSize);
  bytes.push_back(static_cast<char>(state.currentMode));
  bytes.push_back(static_cast<char>(state.inputMode));
  return bytes;
}

std::optional<SimState> ParseStateFile(std::string_view bytes) {
  if (bytes.size() != kStateSize || std::memcmp(bytes.data(), kStateMagic, sizeof kStateMagic) != 0) return std::nullopt;
  const char* in = bytes.data() + sizeof kStateMagic;
  SimState state;
  std::memcpy(state.active.data(), in, kBlockSize);
  in += kBlockSize;
  for (auto& slot : state.slots) {
    std::memcpy(slot.data(), in, kBlockSize);
    in += kBlockSize;
  }
  const auto modes = reinterpret_cast<const uint8_t*>(in);
  if (modes[0] >= kSlotCount || modes[1] > 1) return std::nullopt;
  state.currentMode = modes[0];
  state.inputMode = modes[1];
  return state;
}

void SimStateFile::SetPath(const std::filesystem::path& file) {
  path_ = file;
  error_.clear();
}

bool SimStateFile::Read(SimState& state) const {
  if (!path_) return true;
  // Read every time (a few kilobytes): a stamp of size and time could miss a
  // replacement that reused the inode within one clock tick.
  // Only a regular file of the right size is read: never a FIFO or a device.
  const settings::FileContent content = settings::ReadRegularFile(*path_, kStateSize);
  if (content.status == settings::ReadStatus::kMissing) return true;
  // Unreadable: the state stays; the next change rewrites the file.
  if (content.status != settings::ReadStatus::kOk) return false;
  const std::optional<SimState> read = ParseStateFile(content.data);
  if (read) state = *read;
  return read.has_value();
}

settings::FileLock SimStateFile::Lock() {
  settings::FileLock fileLock;
  if (!path_) return fileLock;
  std::error_code ec;
  std::filesystem::create_directories(path_->parent_path(), ec);
  std::string why;
  if (!fileLock.Acquire(*path_, &why)) error_ = why;
  return fileLock;
}

void SimStateFile::Save(const SimState& state) {
  if (!path_) return;
  std::error_code ec;
  std::filesystem::create_directories(path_->parent_path(), ec);
  if (!settings::WriteFileAtomically(*path_, StateFileBytes(state), &error_)) return;
  error_.clear();
}

}  // namespace brisvel::sim
