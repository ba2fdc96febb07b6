// CDeviceManager: owns the connection to the processor. It lists attached
// processors, runs the connect sequence that ends with the processor's
// settings in the effect store, tears connections down, follows hot-plug and
// system resume, and owns the receive thread and the effect sender.
#pragma once

#include <array>
#include <atomic>
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
  bool IsDeviceOpen() const { return protocol_ != nullptr; }
  std::optional<std::string> GetCurrentPath() const;
  // The system error of the last ConnectDevice whose open failed (EACCES or
  // EPERM: the processor is there but this user may not open it); 0 otherwise.
  int LastOpenError() const { return lastOpenError_; }
  int DeviceCount() const { return deviceCount_; }
  const std::array<std::string, kMaxDevices>& DevicePaths() const { return devicePaths_; }

  // Hot-plug and resume, called on the user-interface thread.
  void OnHotplug(hid::HotplugAction action, const hid::HidDeviceInfo& device);
  void OnSystemResume();

  // Pass-through to the protocol; false when no device is open.
  bool GetDeviceInfo(int item, void* out, int size);
  bool DeviceCommand(int command, const uint8_t* argument1, int argument2);
  bool SendAndReceive(frames::Frame& request, frames::Frame& reply, int timeoutMs = CProtocolDev::kReplyTimeoutMs);
  bool SendNotReceive(frames::Frame& request);

  // What the completion step of the last successful ConnectDevice found.
  struct ConnectOutcome {
    int handshake = -1;      // HandshakeResult
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

 private:
  hid::IHidBackend& backend_;
  CEffectStore& store_;
  int deviceCount_ = 0;
  std::array<std::string, kMaxDevices> devicePaths_;
  uint16_t vendor_;
  uint16_t product_;
  std::string currentPath_;
  std::unique_ptr<CProtocolDev> protocol_;
  std::unique_ptr<CHidRecvThread> recvThread_;
  std::atomic<IDeviceNotificationSink*> sink_{nullptr};
  // Held by the receive thread while it calls the sink, and by SetNotificationSink.
  std::mutex sinkMutex_;
  PumpWait pumpWait_;
  uint32_t id1_ = 0;
  uint32_t id2_ = 0;
  CEffectSender sender_;
  ConnectOutcome outcome_;
  int lastOpenError_ = 0;
};

}  // namespace brisvel
