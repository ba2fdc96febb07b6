// The framed request/reply protocol over CHidBase: SendAndReceive with its
// tries and time limits, the pending-reply record shared with the receive
// thread under one lock, and the receive thread that serves one protocol at
// a time, handing each report to the waiting request or to the owner's
// unsolicited-report handler.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "device/device_result.h"
#include "device/frames.h"
#include "device/sync_event.h"
#include "hid/hid_base.h"

namespace brisvel {

class CProtocol;
class CHidRecvThread;

// What a protocol needs from the object that created it (the device manager).
class IProtocolOwner {
 public:
  virtual ~IProtocolOwner() = default;
  virtual CHidRecvThread* RecvThread() = 0;
  // A report that no request waited for; runs on the receive thread.
  virtual void OnDeviceNotify(CProtocol& source, const uint8_t* report) = 0;
  // A request that ended without its reply (after all its tries); runs on the
  // thread that sent it.
  virtual void OnExchangeFailed(const DeviceResult& result) { (void)result; }
};

class CProtocol {
 public:
  static constexpr int kDisconnectWaitMs = 3000;
  static constexpr int kReadFailurePauseMs = 200;
  static constexpr int kSendNotReceiveAttempts = 5;

  explicit CProtocol(hid::IHidBackend& backend);
  virtual ~CProtocol();
  CProtocol(const CProtocol&) = delete;
  CProtocol& operator=(const CProtocol&) = delete;

  void SetOwner(IProtocolOwner* owner) { owner_ = owner; }

  virtual bool OnNotify(const uint8_t* payload, int length) = 0;
  virtual bool GetDeviceInfo(int item, void* out, int size) = 0;
  virtual bool DeviceCommand(int command, const uint8_t* argument1, int argument2) = 0;
  virtual bool OnUnsolicitedReport(const uint8_t* frame);
  // Opens the device and attaches the owner's receive thread.
  virtual bool OnConnectDevice(int reserved);
  // Stops the receive loop (waiting up to 3000 ms for it to confirm) and
  // closes the device. When no receive loop was ever attached (the open
  // failed), there is nothing to wait for and it returns at once.
  virtual void OnDisconnectDevice();
  virtual bool Init(uint16_t vendor, uint16_t product, const std::string& path);
  virtual bool CheckReply(const uint8_t* reply, uint8_t expectedCommand, int length);
  // The same checks, saying which one failed (logged as CheckReply does).
  frames::ReplyFault CheckReplyFault(const uint8_t* reply, uint8_t expectedCommand, int length);
  virtual bool WriteFrame(const uint8_t* frame, int length);
  // One received report (64 bytes); receive thread.
  virtual void OnReportReceived(const uint8_t* report);

  // Seals the request, sends it and waits for the matching reply, up to
  // `tries` sends of `timeoutMs` each. The pending record stays armed across
  // tries, so a late reply to an earlier send satisfies a later one. Callers
  // on several threads are served one request at a time. The result is that
  // of the last try; a failure is logged and told to the owner.
  DeviceResult SendAndReceive(frames::Frame& request, frames::Frame& reply, int tries, int timeoutMs);
  // Seals and writes the request, up to 5 attempts; waits for nothing.
  bool SendNotReceive(frames::Frame& request);
  // The receive loop for this protocol; run by the receive thread.
  void DoRecvThreadProc();

  CHidBase& Hid() { return hid_; }
  bool IsReceiving() const { return receiving_.load(); }
  // The last OnConnectDevice opened the device (a later step may have failed).
  bool DeviceOpened() const { return opened_; }

 protected:
  IProtocolOwner* owner_ = nullptr;

 private:
  CHidBase hid_;
  std::string devicePath_;
  uint16_t vendor_ = 0;
  uint16_t product_ = 0;
  int replyLength_ = 64;
  int writeLength_ = 64;

  // Held for a whole request (all its tries): one request outstanding at a time.
  std::mutex requestMutex_;
  std::mutex pendingMutex_;  // guards the pending record shared with the receive thread
  bool pendingActive_ = false;
  uint8_t pendingCommand_ = 0;
  frames::Frame pendingBuffer_{};
  SyncEvent replyEvent_{false, false};
  SyncEvent stoppedEvent_{true, false};
  std::atomic<bool> receiving_{false};
  // A receive thread was given this protocol; only then can a loop confirm its stop.
  bool loopAttached_ = false;
  bool opened_ = false;
};

// A thread with running and stop-request states (std::thread underneath).
class CThreadObject {
 public:
  virtual ~CThreadObject();
  bool IsRunning() const { return running_.IsSet(); }

 protected:
  virtual int Run() = 0;
  // Starts the thread and returns once it runs.
  bool CreateAndWait();
  // Waits up to timeoutMs for the thread to end, then reclaims it. A thread
  // cannot be killed safely, so one that overstays is logged and joined.
  void EndThread(int timeoutMs);

  SyncEvent running_{true, false};
  SyncEvent stopRequest_{true, false};

 private:
  SyncEvent finished_{true, false};
  void Entry();
  std::thread thread_;
  int exitCode_ = 0;
};

// The receive thread: created once by the device manager, it serves one
// attached protocol at a time and returns to its wait after each.
class CHidRecvThread final : public CThreadObject {
 public:
  static constexpr int kAttachIdleWaitMs = 2000;
  static constexpr int kStopWaitMs = 2000;

  CHidRecvThread() = default;
  ~CHidRecvThread() override;

  bool Start();
  void Stop();
  void Attach(CProtocol* protocol);
  // Returns once the thread no longer runs the protocol's loop, so the
  // protocol can be deleted safely.
  void Detach(CProtocol* protocol);

 protected:
  int Run() override;

 private:
  std::atomic<bool> runFlag_{false};
  SyncEvent wake_{false, false};
  SyncEvent idle_{false, true};
  std::mutex attachMutex_;
  std::condition_variable servingChanged_;
  CProtocol* attached_ = nullptr;  // not owned
  CProtocol* serving_ = nullptr;   // the protocol whose loop runs now
};

}  // namespace brisvel
