// The session-open sequence shared by the console and brisvelctl.
#include "device/device_session.h"

namespace brisvel {

SessionOpenResult OpenDeviceSession(CDeviceManager& manager, const std::string& path) {
  SessionOpenResult result;
  result.path = path;
  if (result.path.empty()) {
    if (manager.RefreshDeviceList() == 0) return result;
    result.path = manager.DevicePaths()[0];
  }
  manager.ConnectDevice(result.path);
  const CDeviceManager::ConnectOutcome& outcome = manager.LastConnectOutcome();
  result.step = outcome.step;
  result.handshake = outcome.handshake;
  result.blockRead = outcome.blockRead;
  return result;
}

}  // namespace brisvel
