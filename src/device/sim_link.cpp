// The simulated link's report queue and its frame timing.
#include "device/sim_link.h"

#include <algorithm>
#include <cstring>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace brisvel::sim {

using frames::Frame;

void SimLink::Push(const Frame& frame, Clock::time_point due) {
  {
    std::lock_guard lock(mutex_);
    if (dead_) return;
    queue_.emplace_back(due, frame);
  }
  cv_.notify_all();
}

hid::ReadStatus SimLink::Read(std::span<uint8_t> buffer) {
  // Replies are due at frame times; the reading thread wakes on time, not up to 50 us late.
#ifdef __linux__
  static thread_local const bool precise = ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0;
  (void)precise;
#endif
  std::unique_lock lock(mutex_);
  for (;;) {
    if (released_) {
      released_ = false;
      return hid::ReadStatus::kReleased;
    }
    if (dead_) return hid::ReadStatus::kError;
    if (!queue_.empty()) {
      const auto due = queue_.front().first;
      if (Clock::now() >= due) {
        const Frame frame = queue_.front().second;
        queue_.pop_front();
        // Report identifier 0, then the 64-byte frame.
        std::fill(buffer.begin(), buffer.end(), 0);
        const size_t n = std::min(buffer.size() - 1, frame.size());
        std::memcpy(buffer.data() + 1, frame.data(), n);
        return hid::ReadStatus::kReport;
      }
      cv_.wait_until(lock, due);
    } else {
      cv_.wait(lock);
    }
  }
}

void SimLink::Release() {
  {
    std::lock_guard lock(mutex_);
    released_ = true;
  }
  cv_.notify_all();
}

void SimLink::Kill() {
  {
    std::lock_guard lock(mutex_);
    dead_ = true;
    queue_.clear();
  }
  cv_.notify_all();
}

bool SimLink::Dead() const {
  std::lock_guard lock(mutex_);
  return dead_;
}

}  // namespace brisvel::sim
