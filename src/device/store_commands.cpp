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

// A failure found in a reply's content (not in the exchange itself) is the
// link's last failure too.
DeviceResult ContentFault(CDeviceManager& manager, uint8_t command, int frame = -1) {
  const DeviceResult result = DeviceResult::Failed(DeviceOutcome::kBadReply, command).InFrame(frame);
  manager.OnExchangeFailed(result);
  return result;
}

// A failed request of an operation of several, naming its frame; the link's
// last failure names the frame too.
DeviceResult InFrame(CDeviceManager& manager, const DeviceResult& result, int frame) {
  const DeviceResult framed = result.InFrame(frame);
  if (!framed.ok()) manager.OnExchangeFailed(framed);
  return framed;
}

DeviceResult NotSent(DeviceOutcome why, uint8_t command) { return DeviceResult::Failed(why, command); }

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

DeviceResult SetInputMode(CEffectStore& store, CDeviceManager& manager, int mode) {
  const auto link = manager.LockLink();
  if (mode != 0 && mode != 1) return NotSent(DeviceOutcome::kInvalid, frames::cmd::kInputMode);
  if (!Connected(store, manager)) return NotSent(DeviceOutcome::kNotConnected, frames::cmd::kInputMode);
  frames::Frame request = frames::InputModeSet(mode);
  frames::Frame reply{};
  const DeviceResult result = manager.SendAndReceive(request, reply);
  if (result) store.SetInputMode(mode);
  return result;
}

DeviceResult GetDeviceCurrentMode(CEffectStore& store, CDeviceManager& manager) {
  const auto link = manager.LockLink();
  store.SetCurrentDeviceMode(-1);
  frames::Frame request = frames::CurrentModeRequest();
  frames::Frame reply{};
  const DeviceResult replied = manager.SendAndReceive(request, reply);
  const frames::CurrentModeReply mode = frames::ParseCurrentMode(reply);
  if (replied && mode.modeByte >= 1 && mode.modeByte <= 11) {
    store.SetCurrentDeviceMode(mode.modeByte - 1);
    DebugOutput("设备的当前模式：%d\n", mode.modeByte);
    if (mode.databaseSize == static_cast<int>(kBlockSize)) return replied;
  }
  DebugOutput("RezUriru: GetDeviceCurrentMode failed. mode=%d recvLen=%d dataBaseSize=%d\n", mode.modeByte,
              mode.databaseSize, static_cast<int>(kBlockSize));
  return replied ? ContentFault(manager, frames::cmd::kCurrentMode) : replied;
}

DeviceResult ReadCurrentParam(CEffectStore& store, CDeviceManager& manager) {
  const auto link = manager.LockLink();
  if (!Connected(store, manager)) return NotSent(DeviceOutcome::kNotConnected, frames::cmd::kCurrentMode);
  if (const DeviceResult mode = GetDeviceCurrentMode(store, manager); !mode) return mode;
  EffectBlock scratch{};
  size_t received = 0;
  for (int chunk = 0; received < kBlockSize; ++chunk) {
    frames::Frame request = frames::ReadChunkRequest(chunk);
    frames::Frame reply{};
    if (const DeviceResult r = manager.SendAndReceive(request, reply); !r) return InFrame(manager, r, chunk);
    if (reply[2] != static_cast<uint8_t>(chunk)) return ContentFault(manager, frames::cmd::kReadChunk, chunk);
    const size_t n = std::min(frames::kDataSize, kBlockSize - received);
    std::copy_n(reply.begin() + frames::kDataOffset, n, scratch.begin() + static_cast<std::ptrdiff_t>(received));
    received += n;
  }
  if (scratch[0] == 0xFF && scratch[1] == 0xFF) {
    DebugOutput("########从设备获取到错误的界面值#######\n");
    return ContentFault(manager, frames::cmd::kReadChunk, 0);
  }
  store.ReplaceBlock(scratch);
  store.RebuildResponses();
  return DeviceResult::Ok(frames::cmd::kReadChunk);
}

DeviceResult WriteAllParam(CEffectStore& store, CDeviceManager& manager, const EffectBlock& block) {
  const auto link = manager.LockLink();
  if (&block != &store.Block()) store.AssignBlock(block);
  if (!Connected(store, manager)) return NotSent(DeviceOutcome::kNotConnected, frames::cmd::kWriteChunk);
  // The processor gets its view: the block, with the gains a bypass keeps.
  const EffectBlock view = store.ProcessorBlock();
  for (int chunk = 0; chunk < frames::kBlockChunks; ++chunk) {
    frames::Frame request = frames::WriteChunkRequest(chunk, view);
    frames::Frame reply{};
    if (const DeviceResult r = manager.SendAndReceive(request, reply); !r) return InFrame(manager, r, chunk);
  }
  return DeviceResult::Ok(frames::cmd::kWriteChunk);
}

DeviceResult WriteCurrentParam(CEffectStore& store, CDeviceManager& manager) {
  if (!store.HasPendingParams()) return DeviceResult::Ok();
  const auto link = manager.LockLink();
  DebugOutput("WriteCurrentParam==============================\n");
  DeviceResult result = DeviceResult::Ok(frames::cmd::kWriteParams);
  bool ok = true;
  std::vector<frames::ParamItem> items;
  std::vector<int> frameIndices;  // the parameters of the frame being filled
  std::vector<int> accepted;
  int frameNumber = 0;
  auto sendFrame = [&] {
    const int number = frameNumber++;
    frames::Frame request = frames::WriteParamsRequest(number, items);
    frames::Frame reply{};
    items.clear();
    result = InFrame(manager, manager.SendAndReceive(request, reply), number);
    if (result) accepted.insert(accepted.end(), frameIndices.begin(), frameIndices.end());
    frameIndices.clear();
    return result.ok();
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
  return result;
}

DeviceResult RecallDeviceMode(CEffectStore& store, CDeviceManager& manager, int slot) {
  const auto link = manager.LockLink();
  if (slot < 0 || slot > 10) return NotSent(DeviceOutcome::kInvalid, frames::cmd::kRecallMode);
  if (!Connected(store, manager)) return NotSent(DeviceOutcome::kNotConnected, frames::cmd::kRecallMode);
  frames::Frame request = frames::RecallModeRequest(slot);
  frames::Frame reply{};
  const DeviceResult result = manager.SendAndReceive(request, reply, kRecallTimeoutMs);
  if (result) store.SetCurrentDeviceMode(slot);
  return result;
}

DeviceResult SaveDeviceMode(CEffectStore& store, CDeviceManager& manager, int slot) {
  const auto link = manager.LockLink();
  if (slot < 0 || slot > 7) return NotSent(DeviceOutcome::kInvalid, frames::cmd::kSaveMode);
  if (!Connected(store, manager)) return NotSent(DeviceOutcome::kNotConnected, frames::cmd::kSaveMode);
  frames::Frame request = frames::SaveModeRequest(slot);
  frames::Frame reply{};
  return manager.SendAndReceive(request, reply);
}

}  // namespace brisvel
