// Connect and disconnect sequences, hot-plug and resume rules, the
// unsolicited-report path and the pass-through calls of the device manager.
#include "device/device_manager.h"

#include <cctype>
#include <chrono>
#include <cstring>
#include <thread>

#include "core/debug_output.h"
#include "device/store_commands.h"
#include "hid/hid_log.h"

namespace brisvel {
namespace {

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (std::tolower(x) != std::tolower(y)) return false;
  }
  return true;
}

}  // namespace

CDeviceManager::CDeviceManager(hid::IHidBackend& backend, CEffectStore& store, uint16_t vendor, uint16_t product)
    : backend_(backend),
      store_(store),
      vendor_(vendor),
      product_(product),
      pumpWait_(Sleep),
      sender_([this] { return ::brisvel::WriteCurrentParam(store_, *this).ok(); }) {
  sender_.SetRetryCheck([this] { return IsDeviceOpen() && store_.ConnectedFlag() && store_.HasPendingParams(); });
  sender_.SetStateListener([this](bool behind) {
    std::lock_guard lock(sinkMutex_);
    if (IDeviceNotificationSink* sink = sink_.load()) sink->OnTransferStateChanged(behind);
  });
}

CDeviceManager::~CDeviceManager() {
  RegisterHidNotification(nullptr, nullptr);
  // The application disconnects before; a protocol left open is closed here so
  // that no thread outlives its objects.
  std::unique_lock link(linkMutex_);
  if (protocol_) {
    protocol_->OnDisconnectDevice();
    if (recvThread_) recvThread_->Detach(protocol_.get());
    open_ = false;
    protocol_.reset();
  }
  link.unlock();
  if (recvThread_) recvThread_->Stop();
  recvThread_.reset();
  if (store_.DeviceLink() == this) store_.SetDeviceLink(nullptr);
}

void CDeviceManager::SetPumpWait(PumpWait wait) { pumpWait_ = wait ? std::move(wait) : PumpWait(Sleep); }

void CDeviceManager::SetHandshakeIds(uint32_t id1, uint32_t id2) {
  id1_ = id1;
  id2_ = id2;
}

bool CDeviceManager::StartRecvThread() {
  if (recvThread_) return false;
  auto thread = std::make_unique<CHidRecvThread>();
  if (!thread->Start()) return false;
  recvThread_ = std::move(thread);
  return true;
}

int CDeviceManager::RefreshDeviceList() {
  for (auto& path : devicePaths_) path.clear();
  const int count = CHidBase::EnumDevices(backend_, &devicePaths_, vendor_, product_);
  deviceCount_ = count > kMaxDevices ? kMaxDevices : count;
  return deviceCount_;
}

bool CDeviceManager::ConnectDevice(int listIndex) {
  // Only listed paths: an index at or past the count names no processor.
  if (listIndex < 0 || listIndex >= deviceCount_) {
    TraceText("ERROR - CDeviceManager::ConnectDevice invalid parameter.\n");
    return false;
  }
  const std::string path = devicePaths_[static_cast<size_t>(listIndex)];
  return ConnectDevice(path);
}

bool CDeviceManager::ConnectDevice(const std::string& path) {
  std::lock_guard link(linkMutex_);
  if (IsDeviceOpen()) DisconnectDevice();
  protocol_ = std::make_unique<CProtocolDev>(backend_);
  protocol_->SetOwner(this);
  open_ = true;
  outcome_ = ConnectOutcome{};
  if (!protocol_->Init(vendor_, product_, path)) {
    TraceText("ERROR - CDeviceManager::ConnectDevice Init false\n");
    outcome_.step = ConnectStep::kInitFailed;
    DisconnectDevice();
    return false;
  }
  lastOpenError_ = 0;
  if (!protocol_->OnConnectDevice(0)) {
    lastOpenError_ = protocol_->Hid().LastOpenError();
    TraceText("ERROR - OnConnectDevice failed.\n");
    outcome_.step = protocol_->DeviceOpened() ? ConnectStep::kLinkKeyFailed : ConnectStep::kOpenFailed;
    DisconnectDevice();
    return false;
  }
  currentPath_ = path;
  DebugOutput("RezUriru: ====Connect device=====\n");
  outcome_.handshake = Handshake(store_, *this);
  if (outcome_.handshake == kHandshakeAccepted && ReadCurrentParam(store_, *this)) {
    outcome_.blockRead = true;
    store_.DumpParams();
  }
  if (IDeviceNotificationSink* sink = sink_.load()) sink->OnDeviceConnected();
  return true;
}

void CDeviceManager::DisconnectDevice() {
  std::lock_guard link(linkMutex_);
  if (!protocol_) return;
  protocol_->OnDisconnectDevice();
  if (recvThread_) recvThread_->Detach(protocol_.get());
  open_ = false;
  protocol_.reset();
  DebugOutput("RezUriru: ====Disconnect device=====\n");
  store_.SetConnectedFlag(false);
  if (IDeviceNotificationSink* sink = sink_.load()) sink->OnDeviceDisconnected();
}

std::optional<std::string> CDeviceManager::GetCurrentPath() const {
  std::lock_guard link(linkMutex_);
  if (!protocol_) return std::nullopt;
  return currentPath_;
}

void CDeviceManager::OnDeviceNotify(CProtocol& source, const uint8_t* report) {
  frames::Frame copy;
  std::memcpy(copy.data(), report, copy.size());
  source.OnNotify(copy.data() + frames::kDataOffset, static_cast<int>(frames::kDataSize));
  if (copy[0] == frames::cmd::kUnsolicitedReport) {
    std::lock_guard lock(sinkMutex_);
    if (IDeviceNotificationSink* sink = sink_.load()) sink->OnProcessorReport(0);
  }
}

void CDeviceManager::SetNotificationSink(IDeviceNotificationSink* sink) {
  std::lock_guard lock(sinkMutex_);
  sink_.store(sink);
}

void CDeviceManager::OnHotplug(hid::HotplugAction action, const hid::HidDeviceInfo& device) {
  if (handlingHotplug_) {
    // Reached from inside the arrival's wait: handling it here would nest
    // waits and connection attempts. It is merged and handled afterwards.
    QueueHotplug(action, device);
    return;
  }
  handlingHotplug_ = true;
  HandleHotplug(action, device);
  while (!queuedHotplug_.empty()) {
    const auto [nextAction, nextDevice] = queuedHotplug_.front();
    queuedHotplug_.pop_front();
    HandleHotplug(nextAction, nextDevice);
  }
  handlingHotplug_ = false;
}

void CDeviceManager::QueueHotplug(hid::HotplugAction action, const hid::HidDeviceInfo& device) {
  // Per path at most a removal followed by an arrival stays queued: a flaky
  // cable's storm of both costs one disconnect and one connection attempt.
  const auto samePath = [&](const auto& queued) { return EqualsIgnoringCase(queued.second.path, device.path); };
  std::erase_if(queuedHotplug_, [&](const auto& queued) {
    return queued.first == hid::HotplugAction::kArrival && samePath(queued);
  });
  if (action == hid::HotplugAction::kRemoval) {
    for (const auto& queued : queuedHotplug_) {
      if (queued.first == hid::HotplugAction::kRemoval && samePath(queued)) return;
    }
  }
  queuedHotplug_.emplace_back(action, device);
}

void CDeviceManager::HandleHotplug(hid::HotplugAction action, const hid::HidDeviceInfo& device) {
  if (action == hid::HotplugAction::kRemoval) {
    const std::optional<std::string> current = GetCurrentPath();
    if (!current || !EqualsIgnoringCase(device.path, *current)) return;
    DebugOutput("DBT_DEVICEREMOVECOMPLETE \n");
    DisconnectDevice();
    Sleep(kRemovalPauseMs);
    if (RefreshDeviceList() == 0) return;
    ConnectDevice(0);
    if (IDeviceNotificationSink* sink = sink_.load()) sink->OnHotplugConnectAttempt(kRefreshDelayMs);
    return;
  }
  if (IsDeviceOpen() || device.vendor != vendor_ || device.product != product_) return;
  DebugOutput("\nDBT_DEVICEARRIVAL \n");
  pumpWait_(kArrivalWaitMs);
  ConnectDevice(device.path);
  if (IDeviceNotificationSink* sink = sink_.load()) sink->OnHotplugConnectAttempt(kRefreshDelayMs);
}

void CDeviceManager::OnSystemResume() {
  TraceText("休眠唤醒");
  DisconnectDevice();
  if (RefreshDeviceList() > 0) ConnectDevice(0);
}

bool CDeviceManager::GetDeviceInfo(int item, void* out, int size) {
  std::lock_guard link(linkMutex_);
  return protocol_ && protocol_->GetDeviceInfo(item, out, size);
}

bool CDeviceManager::DeviceCommand(int command, const uint8_t* argument1, int argument2) {
  std::lock_guard link(linkMutex_);
  return protocol_ && protocol_->DeviceCommand(command, argument1, argument2);
}

DeviceResult CDeviceManager::LastFailure() const {
  std::lock_guard lock(failureMutex_);
  return lastFailure_;
}

void CDeviceManager::ClearLastFailure() {
  std::lock_guard lock(failureMutex_);
  lastFailure_ = {};
}

void CDeviceManager::OnExchangeFailed(const DeviceResult& result) {
  std::lock_guard lock(failureMutex_);
  lastFailure_ = result;
}

DeviceResult CDeviceManager::SendAndReceive(frames::Frame& request, frames::Frame& reply, int timeoutMs) {
  std::lock_guard link(linkMutex_);
  if (!protocol_) {
    const DeviceResult result = DeviceResult::Failed(DeviceOutcome::kNotConnected, request[0]);
    OnExchangeFailed(result);
    return result;
  }
  return protocol_->SendAndReceive(request, reply, protocol_->Tries(), timeoutMs);
}

bool CDeviceManager::SendNotReceive(frames::Frame& request) {
  std::lock_guard link(linkMutex_);
  return protocol_ && protocol_->SendNotReceive(request);
}

bool CDeviceManager::WriteAllParam() { return ::brisvel::WriteAllParam(store_, *this, store_.Block()).ok(); }

}  // namespace brisvel
