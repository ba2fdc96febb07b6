// One open connection to a simulated processor: the reports on their way to
// the host, each due at its frame time (the link's timing), read by the
// host's receive thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <span>
#include <utility>

#include "device/frames.h"
#include "hid/hid_backend.h"

namespace brisvel::sim {

class SimLink {
 public:
  using Clock = std::chrono::steady_clock;

  // Queues a report; it can be read from `due` on. Nothing once the link is dead.
  void Push(const frames::Frame& frame, Clock::time_point due);
  // Blocks until a report is due, the read is released or the link dies.
  hid::ReadStatus Read(std::span<uint8_t> buffer);
  void Release();
  // The processor is gone: queued reports are dropped, reads and writes fail.
  void Kill();
  bool Dead() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::pair<Clock::time_point, frames::Frame>> queue_;
  bool released_ = false;
  bool dead_ = false;
};

}  // namespace brisvel::sim
