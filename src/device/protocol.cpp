// Request/reply over HID reports and the receive thread that matches replies.
#include "device/protocol.h"

#include <chrono>
#include <cstring>

#include "hid/hid_log.h"

namespace brisvel {
namespace {

constexpr const char* kModule = "common\\HidDevice\\Protocol";

long TickCount() {
  using namespace std::chrono;
  return static_cast<long>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

CProtocol::CProtocol(hid::IHidBackend& backend) : hid_(backend) {}

CProtocol::~CProtocol() = default;

bool CProtocol::OnUnsolicitedReport(const uint8_t*) { return false; }

bool CProtocol::Init(uint16_t vendor, uint16_t product, const std::string& path) {
  receiving_ = false;
  hid_.CloseDevice();
  vendor_ = vendor;
  product_ = product;
  devicePath_ = path;
  replyLength_ = 64;
  writeLength_ = 64;
  return true;
}

bool CProtocol::OnConnectDevice(int) {
  if (!hid_.OpenDevice(devicePath_)) {
    TraceText("ERROR - CProtocolDev::OnConnectDevice OpenDevice failed.\n");
    return false;
  }
  opened_ = true;
  receiving_ = true;
  if (owner_) {
    if (CHidRecvThread* thread = owner_->RecvThread()) {
      thread->Attach(this);
      loopAttached_ = true;
    }
  }
  return true;
}

void CProtocol::OnDisconnectDevice() {
  if (!loopAttached_) {
    // No loop runs for this protocol, so none will confirm: a failed open must
    // not hold the caller (the window) for the full wait.
    receiving_ = false;
    hid_.CloseDevice();
    return;
  }
  stoppedEvent_.Reset();
  receiving_ = false;
  hid_.SignalReadEvent();
  // A loop that had not yet begun sees the cleared flag and confirms at once.
  stoppedEvent_.Wait(kDisconnectWaitMs);
  hid_.CloseDevice();
}

bool CProtocol::CheckReply(const uint8_t* reply, uint8_t expectedCommand, int length) {
  return CheckReplyFault(reply, expectedCommand, length) == frames::ReplyFault::kNone;
}

frames::ReplyFault CProtocol::CheckReplyFault(const uint8_t* reply, uint8_t expectedCommand, int length) {
  frames::Frame frame;
  std::memcpy(frame.data(), reply, frame.size());
  const frames::ReplyFault fault = frames::CheckReplyFrame(frame, expectedCommand, length);
  switch (fault) {
    case frames::ReplyFault::kNone: break;
    case frames::ReplyFault::kChecksum:
      BRISVEL_LOG_ERROR(kModule, "CProtocol::CheckReply", "CheckReply error: reply crc 0x%02x != 0x%02x  cmd=0x%02x",
                        frame[63], frames::FrameChecksum(frame, length), frame[0]);
      break;
    case frames::ReplyFault::kCommand:
      BRISVEL_LOG_ERROR(kModule, "CProtocol::CheckReply", "CheckReply error: reply cmd 0x%02x != 0x%02x", frame[0],
                        expectedCommand);
      break;
    case frames::ReplyFault::kStatus:
      BRISVEL_LOG_ERROR(kModule, "CProtocol::CheckReply", "CheckReply error: reply falg 0x%02x != 0x%02x  cmd=0x%02x",
                        frame[3], 255, frame[0]);
      break;
  }
  return fault;
}

bool CProtocol::WriteFrame(const uint8_t* frame, int length) { return hid_.Write(frame, length); }

DeviceResult CProtocol::SendAndReceive(frames::Frame& request, frames::Frame& reply, int tries, int timeoutMs) {
  std::lock_guard request_lock(requestMutex_);
  frames::SealFrame(request);
  reply.fill(0);
  replyEvent_.Reset();
  const uint8_t expected = frames::ReplyCode(request[0]);
  {
    std::lock_guard lock(pendingMutex_);
    pendingBuffer_.fill(0);
    pendingCommand_ = expected;
    pendingActive_ = true;
  }
  DeviceResult result = DeviceResult::Failed(DeviceOutcome::kTimedOut, request[0]);
  for (int attempt = 0; attempt < tries; ++attempt) {
    if (!WriteFrame(request.data(), writeLength_)) {
      result = DeviceResult::Failed(DeviceOutcome::kWriteFailed, request[0]);
      BRISVEL_LOG_ERROR(kModule, "CProtocol::SendAndReceive", "Send failed. cmd=0x%02x", request[0]);
      continue;
    }
    result = DeviceResult::Failed(DeviceOutcome::kTimedOut, request[0]);
    if (replyEvent_.Wait(timeoutMs)) {
      // Checked on a copy: a later matching report may refill the pending buffer meanwhile.
      {
        std::lock_guard lock(pendingMutex_);
        reply = pendingBuffer_;
      }
      const frames::ReplyFault fault = CheckReplyFault(reply.data(), expected, frames::kCheckedLength);
      if (fault == frames::ReplyFault::kNone) {
        result = DeviceResult::Ok(request[0]);
        break;
      }
      result = DeviceResult::Failed(
          fault == frames::ReplyFault::kStatus ? DeviceOutcome::kRefused : DeviceOutcome::kBadReply, request[0]);
      result.fault = fault;
    }
    BRISVEL_LOG_ERROR(kModule, "CProtocol::SendAndReceive", "WaitTimeout. cmd=0x%02x", request[0]);
  }
  {
    std::lock_guard lock(pendingMutex_);
    pendingActive_ = false;
  }
  if (!result.ok() && owner_) owner_->OnExchangeFailed(result);
  return result;
}

bool CProtocol::SendNotReceive(frames::Frame& request) {
  std::lock_guard request_lock(requestMutex_);
  frames::SealFrame(request);
  for (int attempt = 0; attempt < kSendNotReceiveAttempts; ++attempt) {
    if (WriteFrame(request.data(), writeLength_)) return true;
    BRISVEL_LOG_ERROR(kModule, "CProtocol::SendNotReceive", "send failed. cmd=0x%02x", request[0]);
  }
  return false;
}

void CProtocol::OnReportReceived(const uint8_t* report) {
  bool taken = false;
  {
    std::lock_guard lock(pendingMutex_);
    if (pendingActive_ && report[0] == pendingCommand_) {
      std::memcpy(pendingBuffer_.data(), report, static_cast<size_t>(replyLength_));
      taken = true;
    }
  }
  if (taken) {
    replyEvent_.Set();
    return;
  }
  if (OnUnsolicitedReport(report)) return;
  if (owner_) owner_->OnDeviceNotify(*this, report);
}

void CProtocol::DoRecvThreadProc() {
  while (receiving_) {
    const uint8_t* data = nullptr;
    const bool ok = hid_.Read(&data);
    if (!receiving_) break;
    if (ok) {
      OnReportReceived(data);
    } else {
      BRISVEL_LOG_ERROR(kModule, "CProtocol::DoRecvThreadProc", " CProtocol::DoRecvThreadProc() -- read return %d, %ld",
                        0, TickCount());
      SleepMs(kReadFailurePauseMs);
    }
  }
  stoppedEvent_.Set();
}

// --- CThreadObject

CThreadObject::~CThreadObject() {
  if (thread_.joinable()) {
    stopRequest_.Set();
    thread_.join();
  }
}

void CThreadObject::Entry() {
  running_.Set();
  stopRequest_.Reset();
  exitCode_ = Run();
  running_.Reset();
  finished_.Set();
}

bool CThreadObject::CreateAndWait() {
  if (thread_.joinable()) thread_.join();  // an earlier run that has ended
  finished_.Reset();
  try {
    thread_ = std::thread([this] { Entry(); });
  } catch (const std::system_error&) {
    return false;
  }
  running_.Wait(-1);
  return true;
}

void CThreadObject::EndThread(int timeoutMs) {
  if (!thread_.joinable()) return;
  stopRequest_.Set();
  if (!finished_.Wait(timeoutMs)) {
    BRISVEL_LOG_ERROR(kModule, "CThreadObject::EndThread", "thread did not end within %d ms", timeoutMs);
  }
  thread_.join();
}

// --- CHidRecvThread

CHidRecvThread::~CHidRecvThread() { Stop(); }

bool CHidRecvThread::Start() {
  if (IsRunning()) return false;
  wake_.Reset();
  runFlag_ = true;
  if (CreateAndWait()) return true;
  runFlag_ = false;
  return false;
}

void CHidRecvThread::Stop() {
  if (!IsRunning()) {
    EndThread(0);  // reclaims a thread that has already left
    return;
  }
  runFlag_ = false;
  wake_.Set();
  EndThread(kStopWaitMs);
}

int CHidRecvThread::Run() {
  while (runFlag_) {
    wake_.Wait(-1);
    if (!runFlag_) break;
    CProtocol* protocol;
    {
      std::lock_guard lock(attachMutex_);
      protocol = attached_;
      serving_ = protocol;
    }
    if (!protocol) {
      idle_.Set();  // woken for a protocol that was detached before it was served
      continue;
    }
    idle_.Reset();
    protocol->DoRecvThreadProc();
    {
      std::lock_guard lock(attachMutex_);
      serving_ = nullptr;
      if (attached_ == protocol) attached_ = nullptr;
    }
    servingChanged_.notify_all();
    idle_.Set();
    TraceText("CEffectSender::Run m_pProtocol->DoRecvThreadProc return.\n");
  }
  return 0;
}

void CHidRecvThread::Attach(CProtocol* protocol) {
  if (!idle_.Wait(kAttachIdleWaitMs)) {
    Stop();
    SleepMs(400);
    Start();
    SleepMs(400);
  }
  {
    std::lock_guard lock(attachMutex_);
    attached_ = protocol;
  }
  wake_.Set();
  SleepMs(100);
}

void CHidRecvThread::Detach(CProtocol* protocol) {
  std::unique_lock lock(attachMutex_);
  if (attached_ == protocol) attached_ = nullptr;
  servingChanged_.wait(lock, [&] { return serving_ != protocol; });
}

}  // namespace brisvel
