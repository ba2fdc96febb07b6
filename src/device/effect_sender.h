// The effect sender: turns parameter edits into transfers at most about five
// times a second. An edit that finds the last transfer at least 200 ms old is
// sent at once; otherwise a one-shot timer sends the latest values 200 ms later.
// Parameters a failed transfer left unsent stay pending and the sender tries
// again, so no edit is dropped while the processor stays connected.
//
// Threads: the timer belongs to the user-interface thread, and the sender
// touches it only there (the thread that called SetTimer). A batch worker runs
// with the sender paused (ScopedPause, taken on the user-interface thread):
// its edits are only noted, and sent when the pause ends.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace brisvel {

// A one-shot timer on the user-interface thread (the main window's timer 1012).
// Start and Stop are called only on the thread that owns the timer.
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
  // Pause before a failed transfer is tried again: each try may hold the
  // user-interface thread for the request time-outs, so it comes less often.
  static constexpr int kRetryInterval = 1000;
  static constexpr int kTimerId = 1012;
  using TickSource = std::function<int64_t()>;  // milliseconds, monotonic

  // transfer sends the pending parameters (WriteCurrentParam).
  explicit CEffectSender(std::function<bool()> transfer);

  // Without a timer a delayed transfer waits for the next FlushPending. The
  // calling thread becomes the timer's thread.
  void SetTimer(IOneShotTimer* timer);
  void SetTickSource(TickSource ticks) { ticks_ = std::move(ticks); }
  // Answers whether parameters are still pending after a failed transfer and
  // the processor is there to take them (the timer is then armed again).
  void SetRetryCheck(std::function<bool()> worthRetrying) { retryCheck_ = std::move(worthRetrying); }
  // Told after a transfer whether the processor is behind the edits (the
  // transfer failed); called on the transferring thread.
  void SetStateListener(std::function<void(bool behind)> listener) { listener_ = std::move(listener); }

  // A parameter was marked: send now or arm the timer.
  void ScheduleSend();
  // The timer fired.
  void OnSendTimer();
  // Send the pending parameters now.
  void FlushPending();

  // Flushes the pending parameters, then holds every transfer until Resume;
  // edits meanwhile are sent by Resume. Pauses nest. User-interface thread.
  void Pause();
  void Resume();
  bool IsPaused() const;

  // Flushed and paused for the guard's life (a batch worker runs inside it).
  class ScopedPause {
   public:
    explicit ScopedPause(CEffectSender& sender) : sender_(sender) { sender_.Pause(); }
    ~ScopedPause() { sender_.Resume(); }
    ScopedPause(const ScopedPause&) = delete;
    ScopedPause& operator=(const ScopedPause&) = delete;

   private:
    CEffectSender& sender_;
  };

  // The last transfer failed and no transfer has succeeded since.
  bool Behind() const;
  // Transfers that reported a failed frame since construction.
  int FailedTransfers() const;
  // Calls made off the timer's thread while not paused (a broken rule; logged).
  int ForeignThreadCalls() const;

 private:
  // Timer calls are allowed on this thread only (any thread without a timer).
  bool OnTimerThreadLocked() const;
  void TransferNow();

  std::function<bool()> transfer_;
  std::function<bool()> retryCheck_;
  std::function<void(bool)> listener_;
  TickSource ticks_;

  mutable std::mutex mutex_;  // guards the fields below
  IOneShotTimer* timer_ = nullptr;
  std::thread::id timerThread_;
  std::optional<int64_t> lastTransfer_;
  int failedTransfers_ = 0;
  int foreignCalls_ = 0;
  int paused_ = 0;
  bool deferred_ = false;  // an edit or timer came during a pause
  bool behind_ = false;
};

}  // namespace brisvel
