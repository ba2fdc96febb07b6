// Device events that reach the console from outside the UI thread: hot-plug
// notifications from the HID backends' threads and the system's resume from
// logind over D-Bus. Both are handed to the device manager's rules on the UI
// thread.
#pragma once

#include <QObject>
#include <functional>

#include "hid/hid_backend.h"

namespace brisvel {
class CDeviceManager;
}

namespace brisvel::app {

// Receives notifications on any thread and queues them to the UI thread.
class HotplugBridge : public QObject, public hid::IHotplugSink {
 public:
  using Handler = std::function<void(hid::HotplugAction, const hid::HidDeviceInfo&)>;
  explicit HotplugBridge(Handler handler);
  void OnHidDeviceChange(hid::HotplugAction action, const hid::HidDeviceInfo& device) override;

 private:
  Handler handler_;
};

// Follows logind's PrepareForSleep: false means the system has resumed.
// Without a system bus (containers, test machines) it stays idle.
class ResumeWatcher : public QObject {
  Q_OBJECT

 public:
  explicit ResumeWatcher(std::function<void()> onResume);
  // Subscribes on the system bus; false when there is none.
  bool Start();

 public Q_SLOTS:
  void OnPrepareForSleep(bool sleeping);

 private:
  std::function<void()> onResume_;
};

}  // namespace brisvel::app
