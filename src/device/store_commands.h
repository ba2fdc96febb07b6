// The effect store's operations that go through the processor: handshake,
// input mode, current mode, whole-block read and write, pending-parameter
// batches, recall and save of device modes. They block their thread while
// they wait for replies. Each holds the device link for its whole run, so
// operations called from different threads never interleave their frames;
// the effect store itself has no lock, so two threads must not use the same
// store at once.
#pragma once

#include "core/effect_store.h"
#include "device/device_result.h"

namespace brisvel {

class CDeviceManager;

enum HandshakeResult : int {
  kHandshakeAccepted = 0,
  kHandshakeNoProcessor = 1,
  kHandshakeConnectFailed = 2,
  kHandshakeNoReply = 3,
  kHandshakeRefused = 4,
};

// Returns a HandshakeResult; connects to the first processor when none is open.
// A handshake without reply leaves what happened in manager.LastFailure().
int Handshake(CEffectStore& store, CDeviceManager& manager);
bool SetOffline(CEffectStore& store);
// Each operation below says what it came to: ok, or the request (and frame)
// that failed and how; kNotConnected without a processor whose handshake
// passed, kInvalid for an argument out of range.

// mode 0 two input channels, 1 four.
DeviceResult SetInputMode(CEffectStore& store, CDeviceManager& manager, int mode);
DeviceResult GetDeviceCurrentMode(CEffectStore& store, CDeviceManager& manager);
// Replaces the store's block with the processor's; the block stays as it was on any failure.
DeviceResult ReadCurrentParam(CEffectStore& store, CDeviceManager& manager);
// Makes the block current (copying it unless it is the store's own) and sends all of it.
DeviceResult WriteAllParam(CEffectStore& store, CDeviceManager& manager, const EffectBlock& block);
// Sends the pending parameters with the values the block holds now. Those the
// processor accepted leave the pending set; those of a failed frame and the
// ones after it stay pending for the next transfer (and are logged by name).
DeviceResult WriteCurrentParam(CEffectStore& store, CDeviceManager& manager);
// slot 0-10
DeviceResult RecallDeviceMode(CEffectStore& store, CDeviceManager& manager, int slot);
// slot 0-7
DeviceResult SaveDeviceMode(CEffectStore& store, CDeviceManager& manager, int slot);

constexpr int kRecallTimeoutMs = 800;

}  // namespace brisvel
