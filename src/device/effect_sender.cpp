// The effect sender's throttle: first edit at once, then one transfer per
// 200 ms while edits continue, and a final one 200 ms after the last edit;
// a failed transfer is tried again while the processor is connected.
#include "device/effect_sender.h"

#include <chrono>

#include "hid/hid_log.h"

namespace brisvel {
namespace {
constexpr const char* kModule = "device\\EffectSender";
}

CEffectSender::CEffectSender(std::function<bool()> transfer) : transfer_(std::move(transfer)) {
  ticks_ = [] {
    using namespace std::chrono;
    return static_cast<int64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  };
}

void CEffectSender::SetTimer(IOneShotTimer* timer) {
  std::lock_guard lock(mutex_);
  timer_ = timer;
  timerThread_ = std::this_thread::get_id();
}

bool CEffectSender::OnTimerThreadLocked() const {
  return timer_ == nullptr || std::this_thread::get_id() == timerThread_;
}

void CEffectSender::ScheduleSend() {
  {
    std::lock_guard lock(mutex_);
    if (paused_ > 0) {
      deferred_ = true;
      return;
    }
    if (!OnTimerThreadLocked()) {
      // The timer may not be touched from here: send at once instead, so the
      // edit is not lost (requests are serialised by the device link).
      ++foreignCalls_;
      BRISVEL_LOG_ERROR(kModule, "CEffectSender::ScheduleSend", "effect sender called off the user-interface thread");
    } else {
      if (timer_) timer_->Stop();
      const int64_t now = ticks_();
      if (lastTransfer_ && now - *lastTransfer_ < kInterval) {
        // The full interval from now, not the remainder: a stream of edits
        // ends with one transfer 200 ms after the last of them.
        if (timer_) timer_->Start(kInterval);
        return;
      }
    }
  }
  TransferNow();
}

void CEffectSender::OnSendTimer() { FlushPending(); }

void CEffectSender::FlushPending() {
  {
    std::lock_guard lock(mutex_);
    if (paused_ > 0) {
      deferred_ = true;
      return;
    }
  }
  TransferNow();
}

void CEffectSender::TransferNow() {
  {
    std::lock_guard lock(mutex_);
    if (timer_ && OnTimerThreadLocked()) timer_->Stop();
    lastTransfer_ = ticks_();
  }
  const bool ok = transfer_();
  const bool retry = !ok && retryCheck_ && retryCheck_();
  bool tell = false;
  {
    std::lock_guard lock(mutex_);
    if (!ok) ++failedTransfers_;
    tell = behind_ || !ok;
    behind_ = !ok;
    // Unsent parameters go with the next transfer; without further edits the
    // timer brings it. A pause sends them when it ends.
    if (retry) {
      if (paused_ > 0) deferred_ = true;
      else if (timer_ && OnTimerThreadLocked()) timer_->Start(kRetryInterval);
    }
  }
  if (tell && listener_) listener_(!ok);
}

void CEffectSender::Pause() {
  // Whatever the user edited so far reaches the processor before the pause.
  bool first = false;
  {
    std::lock_guard lock(mutex_);
    first = paused_ == 0;
  }
  if (first) TransferNow();
  std::lock_guard lock(mutex_);
  ++paused_;
  if (timer_ && OnTimerThreadLocked()) timer_->Stop();
}

void CEffectSender::Resume() {
  bool send = false;
  {
    std::lock_guard lock(mutex_);
    if (paused_ == 0) return;
    if (--paused_ > 0) return;
    send = deferred_ || behind_;
    deferred_ = false;
  }
  if (send) FlushPending();
}

bool CEffectSender::IsPaused() const {
  std::lock_guard lock(mutex_);
  return paused_ > 0;
}

bool CEffectSender::Behind() const {
  std::lock_guard lock(mutex_);
  return behind_;
}

int CEffectSender::FailedTransfers() const {
  std::lock_guard lock(mutex_);
  return failedTransfers_;
}

int CEffectSender::ForeignThreadCalls() const {
  std::lock_guard lock(mutex_);
  return foreignCalls_;
}

}  // namespace brisvel
