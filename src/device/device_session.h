// Opening a session with a processor, the one way the console and brisvelctl
// both use: find it (or take the given path), open it, exchange the link key,
// run the handshake and read its parameter block into the store.
#pragma once

#include <string>

#include "device/device_manager.h"

namespace brisvel {

struct SessionOpenResult {
  ConnectStep step = ConnectStep::kNoProcessor;  // kConnected once the device is open
  int handshake = -1;                            // HandshakeResult; -1 when not reached
  bool blockRead = false;                        // the processor's block is in the store
  std::string path;                              // the processor tried (empty: none found)

  bool Opened() const { return step == ConnectStep::kConnected; }
  // Open, handshake accepted and block read: edits can be made and sent.
  bool Ready() const { return Opened() && handshake == 0 && blockRead; }
};

// With an empty path, the first processor of a fresh enumeration. An open
// device is disconnected first (the connect sequence does so).
SessionOpenResult OpenDeviceSession(CDeviceManager& manager, const std::string& path = {});

}  // namespace brisvel
