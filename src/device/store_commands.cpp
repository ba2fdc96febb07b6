// The store's processor operations built on the command frames, with the
// debugger-output lines the connection and parameter traffic leave behind.
#include "device/store_commands.h"

#include <algorithm>
#include <string>
#include <vector>

#include "core/debug_output.h"
#include "device/device_manager.h"
#include "device/frames.h"
#include "hid/hid_log.h"

namespace brisvel {
namespace {

constexpr const char* kModule = "device\\StoreCommands";

bool Connected(const CEffectStore& store, const CDeviceManager& manager) {
  return manager.IsDeviceOpen() && store.ConnectedFlag();
}

}  // namespace

int Handshake(CEffectStore& store, CDeviceManager& manager) {
  const auto link = manager.LockLink();
  store.SetConnectedFlag(false);
  if (!manager.IsDeviceOpen()) {
    if (manager.RefreshDeviceList() == 0) return kHandshakeNoProcessor;
    if (!manager.ConnectDevice(0)) return kHandshakeConnectFailed;
  }
  frames::Frame request = frames::HandshakeRequest(manager.HandshakeId1(), manager.HandshakeId2());
  frames::Frame reply{};
  if (!manager.SendAndReceive(request, reply)) return kHandshakeNoReply;
  if (!frames::HandshakeAccepted(reply)) return kHandshakeRefused;
  store.SetConnectedFlag(true);
  store.ClearPendingParams();

  store.SetInputMode(-1);
  request = frames::InputModeQuery();
  if (manager.SendAndReceive(request, reply)) {
    if (reply[5] == 0) store.SetInputMode(0);
    if (reply[5] == 1) store.SetInputMode(1);
  }
  return kHandshakeAccepted;
}

bool SetOffline(CEffectStore& store) {
  store.SetConnectedFlag(false);
  return true;
}

bool SetInputMode(CEffectStore& store, CDeviceManager& manager, int mode) {
  const auto link = manager.LockLink();
  if ((mode != 0 && mode != 1) || !Connected(store, manager)) return false;
  frames::Frame request = frames::InputModeSet(mode);
  frames::Frame reply{};
  if (!manager.SendAndReceive(request, reply)) return false;
  store.SetInputMode(mode);
  return true;
}

bool GetDeviceCurrentMode(CEffectStore& store, CDeviceManager& manager) {
  const auto link = manager.LockLink();
  store.SetCurrentDeviceMode(-1);
  frames::Frame request = frames::CurrentModeRequest();
  frames::Frame reply{};
  const bool replied = manager.SendAndReceive(request, reply);
  const frames::CurrentModeReply mode = frames::ParseCurrentMode(reply);
  if (replied && mode.modeByte >= 1 && mode.modeByte <= 11) {
    store.SetCurrentDeviceMode(mode.modeByte - 1);
    DebugOutput("设备的当前模式：%d\n", mode.modeByte);
    if (mode.databaseSize == static_cast<int>(kBlockSize)) return true;
  }
  DebugOutput("RezUriru: GetDeviceCurrentMode failed. mode=%d recvLen=%d dataBaseSize=%d\n", mode.modeByte,
              mode.databaseSize, static_cast<int>(kBlockSize));
  return false;
}

bool ReadCurrentParam(CEffectStore& store, CDeviceManager& manager) {
  const auto link = manager.LockLink();
  if (!Connected(store, manager) || !GetDeviceCurrentMode(store, manager)) return false;
  EffectBlock scratch{};
  size_t received = 0;
  for (int chunk = 0; received < kBlockSize; ++chunk) {
    frames::Frame request = frames::ReadChunkRequest(chunk);
    frames::Frame reply{};
    if (!manager.SendAndReceive(request, reply)) return false;
    if (reply[2] != static_cast<uint8_t>(chunk)) return false;
    const size_t n = std::min(frames::kDataSize, kBlockSize - received);
    std::copy_n(reply.begin() + frames::kDataOffset, n, scratch.begin() + static_cast<std::ptrdiff_t>(received));
    received += n;
  }
  if (scratch[0] == 0xFF && scratch[1] == 0xFF) {
    DebugOutput("########从设备获取到错误的界面值#######\n");
    return false;
  }
  store.ReplaceBlock(scratch);
  store.RebuildResponses();
  return true;
}

bool WriteAllParam(CEffectStore& store, CDeviceManager& manager, const EffectBlock& block) {
  const auto link = manager.LockLink();
  if (&block != &store.Block()) store.AssignBlock(block);
  if (!Connected(store, manager)) return false;
  // The processor gets its view: the block, with the gains a bypass keeps.
  const EffectBlock view = store.ProcessorBlock();
  for (int chunk = 0; chunk < frames::kBlockChunks; ++chunk) {
    frames::Frame request = frames::WriteChunkRequest(chunk, view);
    frames::Frame reply{};
    if (!manager.SendAndReceive(request, reply)) return false;
  }
  return true;
}

bool WriteCurrentParam(CEffectStore& store, CDeviceManager& manager) {
  if (!store.HasPendingParams()) return true;
  const auto link = manager.LockLink();
  DebugOutput("WriteCurrentParam==============================\n");
  bool ok = true;
  std::vector<frames::ParamItem> items;
  std::vector<int> frameIndices;  // the parameters of the frame being filled
  std::vector<int> accepted;
  int frameNumber = 0;
  auto sendFrame = [&] {
    frames::Frame request = frames::WriteParamsRequest(frameNumber++, items);
    frames::Frame reply{};
    items.clear();
    const bool sent = manager.IsDeviceOpen() && manager.SendAndReceive(request, reply);
    if (sent) accepted.insert(accepted.end(), frameIndices.begin(), frameIndices.end());
    frameIndices.clear();
    return sent;
  };
  const std::map<int, uint16_t>& pending = store.PendingParams();
  const EffectBlock view = store.ProcessorBlock();
  for (auto it = pending.begin(); it != pending.end() && ok; ++it) {
    const int index = it->first;
    const ParamDef& row = ParamTable()[index];
    const frames::ParamItem item = frames::ItemFromBlock(view, index);
    DebugOutput("RezUriru: 【Send】 %16s = %4d(%d) = 0x%04X  (%dbytes) index=%d offset=%d\n", row.name,
                static_cast<int>(item.value), static_cast<int>(static_cast<int16_t>(item.value)),
                static_cast<unsigned>(item.value), row.size, row.index, row.offset);
    items.push_back(item);
    frameIndices.push_back(index);
    if (items.size() == frames::kItemsPerFrame || std::next(it) == pending.end()) ok = sendFrame();
  }
  // What the processor accepted is done; the rest waits for the next transfer,
  // which sends the values the block holds then.
  for (int index : accepted) store.DropPending(index);
  if (!ok) {
    DebugOutput("WriteCurrentParam SendAndReceive return false.\n");
    std::string names;
    for (const auto& [index, value] : store.PendingParams()) {
      if (!names.empty()) names += ", ";
      names += ParamTable()[index].name;
    }
    BRISVEL_LOG_ERROR(kModule, "WriteCurrentParam", "parameters not accepted, kept for the next transfer: %s",
                      names.c_str());
  }
  return ok;
}

bool RecallDeviceMode(CEffectStore& store, CDeviceManager& manager, int slot) {
  const auto link = manager.LockLink();
  if (slot < 0 || slot > 10 || !Connected(store, manager)) return false;
  frames::Frame request = frames::RecallModeRequest(slot);
  frames::Frame reply{};
  if (!manager.SendAndReceive(request, reply, kRecallTimeoutMs)) return false;
  store.SetCurrentDeviceMode(slot);
  return true;
}

bool SaveDeviceMode(CEffectStore& store, CDeviceManager& manager, int slot) {
  const auto link = manager.LockLink();
  if (slot < 0 || slot > 7 || !Connected(store, manager)) return false;
  frames::Frame request = frames::SaveModeRequest(slot);
  frames::Frame reply{};
  return manager.SendAndReceive(request, reply);
}

}  // namespace brisvel
