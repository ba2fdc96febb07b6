// The progress dialog of batch file operations: a worker thread stores its
// progress, the dialog's timer 1126 shows it every 500 ms, and the dialog
// closes itself at the first tick after the bar has shown its maximum.
#pragma once

#include "ui/host_window.h"

#include <atomic>

namespace brisvel::ui {

class SkProgress;

class CDlgProgress : public HostWindow {
 public:
  static constexpr int kTimerId = 1126;
  static constexpr int kIntervalMs = 500;
  static constexpr int kOk = 1;
  static constexpr int kCancel = 2;

  explicit CDlgProgress(QWidget* owner = nullptr);
  bool Create();
  // Written by the worker thread.
  void SetProgress(int value) { progress_.store(value, std::memory_order_relaxed); }
  int Progress() const { return progress_.load(std::memory_order_relaxed); }
  // The worker ends early: the bar goes to its maximum and the dialog closes.
  void Finish() { finished_.store(true, std::memory_order_relaxed); }
  SkProgress* Bar() const { return bar_; }

 protected:
  void OnInit() override;
  void OnTimer(int id) override;
  bool OnEvent(const Event& e) override;

 private:
  std::atomic<int> progress_{0};
  std::atomic<bool> finished_{false};
  SkProgress* bar_ = nullptr;
  bool built_ = false;
};

}  // namespace brisvel::ui
