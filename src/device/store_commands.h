// The effect store's operations that go through the processor: handshake,
// input mode, current mode, whole-block read and write, pending-parameter
// batches, recall and save of device modes. They block their thread while
// they wait for replies. Each holds the device link for its whole run, so
// operations called from different threads never interleave their frames;
// the effect store itself has no lock, so two threads must not use the same
// store at once.
#pragma once

#include "core/effect_store.h"

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
int Handshake(CEffectStore& store, CDeviceManager& manager);
bool SetOffline(CEffectStore& store);
// mode 0 two input channels, 1 four.
bool SetInputMode(CEffectStore& store, CDeviceManager& manager, int mode);
bool GetDeviceCurrentMode(CEffectStore& store, CDeviceManager& manager);
// Replaces the store's block with the processor's; the block stays as it was on any failure.
bool ReadCurrentParam(CEffectStore& store, CDeviceManager& manager);
// Makes the block current (copying it unless it is the store's own) and sends all of it.
bool WriteAllParam(CEffectStore& store, CDeviceManager& manager, const EffectBlock& block);
// Sends the pending parameters with the values the block holds now. Those the
// processor accepted leave the pending set; those of a failed frame and the
// ones after it stay pending for the next transfer (and are logged by name).
bool WriteCurrentParam(CEffectStore& store, CDeviceManager& manager);
// slot 0-10
bool RecallDeviceMode(CEffectStore& store, CDeviceManager& manager, int slot);
// slot 0-7
bool SaveDeviceMode(CEffectStore& store, CDeviceManager& manager, int slot);

constexpr int kRecallTimeoutMs = 800;

}  // namespace brisvel
