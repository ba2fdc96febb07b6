// Hot-plug marshalling and the resume signal.

#include "app/device_events.h"

#include <QDBusConnection>

#include "spdlog/spdlog.h"

namespace brisvel::app {

HotplugBridge::HotplugBridge(Handler handler) : handler_(std::move(handler)) {}

void HotplugBridge::OnHidDeviceChange(hid::HotplugAction action, const hid::HidDeviceInfo& device) {
  // Any thread: the rules run on the UI thread, one notification at a time in
  // the order they arrived.
  QMetaObject::invokeMethod(
      this, [this, action, device] { if (handler_) handler_(action, device); }, Qt::QueuedConnection);
}

ResumeWatcher::ResumeWatcher(std::function<void()> onResume) : onResume_(std::move(onResume)) {}

bool ResumeWatcher::Start() {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) {
    spdlog::info("no system bus: resume from sleep is not followed");
    return false;
  }
  const bool ok = bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                              QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                              this, SLOT(OnPrepareForSleep(bool)));
  if (!ok) spdlog::warn("cannot follow logind's PrepareForSleep signal");
  return ok;
}

void ResumeWatcher::OnPrepareForSleep(bool sleeping) {
  if (!sleeping && onResume_) onResume_();
}

}  // namespace brisvel::app
