// CDeviceManager: owns the connection to the processor. It lists attached
// processors, runs the connect sequence that ends with the processor's
// settings in the effect store, tears connections down, follows hot-plug and
// system resume, and owns the receive thread and the effect sender.
//
// Threads: connect, disconnect, hot-plug and resume run on the user-interface
// thread. Requests may come from any thread (the user-interface thread and a
// batch worker): the link lock serialises them, and an operation of several
// frames holds it throughout (LockLink), so its frames are never interleaved
// with another's.
#pragma once

#include <array>
#include <atomic>
#include <deque>
#include <mutex>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/effect_store.h"
#include "device/effect_sender.h"
#include "device/protocol_dev.h"

namespace brisvel {

// The main window's side of the device link (its message 1124 and the compact
// window's refresh timer). No toolkit types here; the window implements it.
class IDeviceNotificationSink {
 public:
  static constexpr int kMessage = 0x464;              // WM_USER + 100
  static constexpr int kWParamDeviceState = 0x100;    // lParam 1 connected, 2 disconnected
  static constexpr int kWParamProcessorReport = 0x300;
  static constexpr int kLParamConnected = 1;
  static constexpr int kLParamDisconnected = 2;
  static constexpr int kRefreshTimerId = 10523;

  virtual ~IDeviceNotificationSink() = default;
  // Sent synchronously on the user-interface thread after a connection completed.
  virtual void OnDeviceConnected() = 0;
  // Sent synchronously after a disconnection.
  virtual void OnDeviceDisconnected() = 0;
  // The processor reported 0x7E by itself (lParam 0). Runs on the receive
  // thread: post to the user-interface thread and return.
  virtual void OnProcessorReport(int lParam) = 0;
  // A hot-plug connection attempt was made: start the refresh timer with this delay.
  virtual void OnHotplugConnectAttempt(int delayMs) { (void)delayMs; }
  // A parameter transfer failed (behind: edits wait to be sent) or succeeded
  // after failures. Runs on the thread that transferred.
  virtual void OnTransferStateChanged(bool behind) { (void)behind; }
};

// The step at which a connection attempt stopped.
enum class ConnectStep : int {
  kConnected = 0,   // open, link key exchanged (the handshake may still have refused)
  kNoProcessor,     // no processor listed (sessions only)
  kInitFailed,
  kOpenFailed,      // the device could not be opened (absent, not a processor, no access)
  kLinkKeyFailed,   // opened, but no valid reply to the link key
};

class CDeviceManager final : public IEffectDeviceLink, public IProtocolOwner {
 public:
  static constexpr uint16_t kVendor = 0x2B53;
  static constexpr uint16_t kProduct = 0x0019;
  static constexpr int kMaxDevices = CHidBase::kMaxPaths;
  static constexpr int kArrivalWaitMs = 2000;
  static constexpr int kRemovalPauseMs = 200;
  static constexpr int kRefreshDelayMs = 2000;

  // Message-pumping wait: dispatch the user-interface thread's messages until
  // the time has passed. Default: a plain sleep.
  using PumpWait = std::function<void(int milliseconds)>;

  CDeviceManager(hid::IHidBackend& backend, CEffectStore& store, uint16_t vendor = kVendor,
                 uint16_t product = kProduct);
  ~CDeviceManager() override;
  CDeviceManager(const CDeviceManager&) = delete;
  CDeviceManager& operator=(const CDeviceManager&) = delete;

  // Set these before StartRecvThread.
  // Once this returns, the receive thread no longer calls the previous sink,
  // so the caller may destroy it.
  void SetNotificationSink(IDeviceNotificationSink* sink);
  void SetPumpWait(PumpWait wait);
  void SetHandshakeIds(uint32_t id1, uint32_t id2);
  void SetSendTimer(IOneShotTimer* timer) { sender_.SetTimer(timer); }

  bool StartRecvThread();
  int RefreshDeviceList();
  bool ConnectDevice(const std::string& path);
  bool ConnectDevice(int listIndex);
  void DisconnectDevice();
  bool IsDeviceOpen() const { return open_.load(); }
  std::optional<std::string> GetCurrentPath() const;
  // The system error of the last ConnectDevice whose open failed (EACCES or
  // EPERM: the processor is there but this user may not open it); 0 otherwise.
  int LastOpenError() const { return lastOpenError_; }
  int DeviceCount() const { return deviceCount_; }
  const std::array<std::string, kMaxDevices>& DevicePaths() const { return devicePaths_; }

  // Hot-plug and resume, called on the user-interface thread. Notifications
  // are handled one at a time: those that come while one is handled (during
  // the arrival's message-pumping wait) are merged and handled after it.
  void OnHotplug(hid::HotplugAction action, const hid::HidDeviceInfo& device);
  void OnSystemResume();

  // Pass-through to the protocol; false when no device is open.
  bool GetDeviceInfo(int item, void* out, int size);
  bool DeviceCommand(int command, const uint8_t* argument1, int argument2);
  DeviceResult SendAndReceive(frames::Frame& request, frames::Frame& reply,
                              int timeoutMs = CProtocolDev::kReplyTimeoutMs);
  // The last request that failed on this manager's link, from any caller
  // (the sender, a batch, a device command); kOk when none has since Clear.
  DeviceResult LastFailure() const;
  void ClearLastFailure();
  bool SendNotReceive(frames::Frame& request);

  // Holds the link for an operation of several requests; any thread. While
  // held, no other thread sends, connects or disconnects.
  std::unique_lock<std::recursive_mutex> LockLink() { return std::unique_lock(linkMutex_); }

  // What the last ConnectDevice reached, and what its completion step found.
  struct ConnectOutcome {
    ConnectStep step = ConnectStep::kConnected;
    int handshake = -1;      // HandshakeResult; -1 when the completion step did not run
    bool blockRead = false;  // the processor's block was loaded into the store
  };
  const ConnectOutcome& LastConnectOutcome() const { return outcome_; }

  CEffectStore& Store() { return store_; }
  CEffectSender& Sender() { return sender_; }
  uint32_t HandshakeId1() const { return id1_; }
  uint32_t HandshakeId2() const { return id2_; }
  hid::IHidBackend& Backend() { return backend_; }
  CProtocolDev* Protocol() { return protocol_.get(); }

  // IEffectDeviceLink
  bool HasProtocol() const override { return IsDeviceOpen(); }
  void ScheduleSend() override { sender_.ScheduleSend(); }
  bool WriteAllParam() override;

  // IProtocolOwner
  CHidRecvThread* RecvThread() override { return recvThread_.get(); }
  void OnDeviceNotify(CProtocol& source, const uint8_t* report) override;
  void OnExchangeFailed(const DeviceResult& result) override;

 private:
  void HandleHotplug(hid::HotplugAction action, const hid::HidDeviceInfo& device);
  void QueueHotplug(hid::HotplugAction action, const hid::HidDeviceInfo& device);

  hid::IHidBackend& backend_;
  CEffectStore& store_;
  int deviceCount_ = 0;
  std::array<std::string, kMaxDevices> devicePaths_;
  uint16_t vendor_;
  uint16_t product_;
  std::string currentPath_;
  // Taken by every request, connect and disconnect; recursive because a
  // handshake may connect and a connection runs the handshake.
  mutable std::recursive_mutex linkMutex_;
  std::unique_ptr<CProtocolDev> protocol_;
  std::atomic<bool> open_{false};  // protocol_ exists; readable without the lock
  std::unique_ptr<CHidRecvThread> recvThread_;
  std::atomic<IDeviceNotificationSink*> sink_{nullptr};
  // Held by the receive thread while it calls the sink, and by SetNotificationSink.
  std::mutex sinkMutex_;
  PumpWait pumpWait_;
  uint32_t id1_ = 0;
  uint32_t id2_ = 0;
  CEffectSender sender_;
  ConnectOutcome outcome_;
  // Hot-plug notifications that came while one was handled (user-interface thread).
  bool handlingHotplug_ = false;
  std::deque<std::pair<hid::HotplugAction, hid::HidDeviceInfo>> queuedHotplug_;
  int lastOpenError_ = 0;
  mutable std::mutex failureMutex_;
  DeviceResult lastFailure_;
};

}  // namespace brisvel
