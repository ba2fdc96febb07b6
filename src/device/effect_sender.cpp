// The effect sender's throttle: first edit at once, then one transfer per
// 200 ms while edits continue, and a final one 200 ms after the last edit.
#include "device/effect_sender.h"

#include <chrono>

namespace brisvel {

CEffectSender::CEffectSender(std::function<bool()> transfer) : transfer_(std::move(transfer)) {
  ticks_ = [] {
    using namespace std::chrono;
    return static_cast<int64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  };
}

void CEffectSender::ScheduleSend() {
  if (timer_) timer_->Stop();
  const int64_t now = ticks_();
  if (!lastTransfer_ || now - *lastTransfer_ >= kInterval) {
    lastTransfer_ = now;
    if (!transfer_()) ++failedTransfers_;
    return;
  }
  // The full interval from now, not the remainder: a stream of edits ends with
  // one transfer 200 ms after the last of them.
  if (timer_) timer_->Start(kInterval);
}

void CEffectSender::OnSendTimer() { TransferNow(); }

void CEffectSender::FlushPending() { TransferNow(); }

void CEffectSender::TransferNow() {
  if (timer_) timer_->Stop();
  lastTransfer_ = ticks_();
  if (!transfer_()) ++failedTransfers_;
}

}  // namespace brisvel
