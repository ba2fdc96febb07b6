// A waitable flag with manual- or auto-reset behaviour, the one primitive the
// receive thread and the request path wait on.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace brisvel {

class SyncEvent {
 public:
  SyncEvent(bool manualReset, bool initiallySet) : manual_(manualReset), set_(initiallySet) {}

  void Set() {
    {
      std::lock_guard lock(mutex_);
      set_ = true;
    }
    cv_.notify_all();
  }
  void Reset() {
    std::lock_guard lock(mutex_);
    set_ = false;
  }
  bool IsSet() const {
    std::lock_guard lock(mutex_);
    return set_;
  }
  // Waits until set; a negative timeout waits without limit. An auto-reset
  // event is cleared by the wait that sees it.
  bool Wait(int timeoutMs) {
    std::unique_lock lock(mutex_);
    if (timeoutMs < 0) {
      cv_.wait(lock, [this] { return set_; });
    } else if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return set_; })) {
      return false;
    }
    if (!manual_) set_ = false;
    return true;
  }

 private:
  const bool manual_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  bool set_;
};

}  // namespace brisvel
