// The effect sender: turns parameter edits into transfers at most about five
// times a second. An edit that finds the last transfer at least 200 ms old is
// sent at once; otherwise a one-shot timer sends the latest values 200 ms later.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace brisvel {

// A one-shot timer on the user-interface thread (the main window's timer 1012).
class IOneShotTimer {
 public:
  virtual ~IOneShotTimer() = default;
  // (Re)starts the timer; when it fires, the owner calls CEffectSender::OnSendTimer.
  virtual void Start(int milliseconds) = 0;
  virtual void Stop() = 0;
};

class CEffectSender {
 public:
  static constexpr int kInterval = 200;
  static constexpr int kTimerId = 1012;
  using TickSource = std::function<int64_t()>;  // milliseconds, monotonic

  // transfer sends the pending parameters (WriteCurrentParam).
  explicit CEffectSender(std::function<bool()> transfer);

  // Without a timer a delayed transfer waits for the next FlushPending.
  void SetTimer(IOneShotTimer* timer) { timer_ = timer; }
  void SetTickSource(TickSource ticks) { ticks_ = std::move(ticks); }

  // A parameter was marked: send now or arm the timer.
  void ScheduleSend();
  // The timer fired.
  void OnSendTimer();
  // Send the pending parameters now.
  void FlushPending();

  // Transfers that reported a failed frame since construction.
  int FailedTransfers() const { return failedTransfers_; }

 private:
  void TransferNow();

  std::function<bool()> transfer_;
  IOneShotTimer* timer_ = nullptr;
  TickSource ticks_;
  std::optional<int64_t> lastTransfer_;
  int failedTransfers_ = 0;
};

}  // namespace brisvel
