// The editing operations' link to the processor through the device manager.
#include "editing/edit_link.h"

#include "device/device_manager.h"
#include "device/store_commands.h"

namespace brisvel::editing {

void DeviceEditLink::SendNow() {
  if (!store_.IsProcessorConnected()) return;
  manager_.Sender().FlushPending();
}

bool DeviceEditLink::SetInputMode(int mode) { return brisvel::SetInputMode(store_, manager_, mode).ok(); }

bool DeviceEditLink::RecallDeviceMode(int slot) { return brisvel::RecallDeviceMode(store_, manager_, slot).ok(); }

bool DeviceEditLink::ReadCurrentParam() { return brisvel::ReadCurrentParam(store_, manager_).ok(); }

}  // namespace brisvel::editing
