// Shared pieces of the device-link tests: captures of the debugger output and
// the error log, a recording notification sink, a scripted HID backend, and a
// fixture with a device manager over simulated processors.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/debug_output.h"
#include "device/device_manager.h"
#include "device/sim_backend.h"
#include "device/store_commands.h"
#include "hid/hid_log.h"

namespace brisvel::testing {

// Collects every debugger-output line and error record while alive.
class OutputCapture {
 public:
  OutputCapture() {
    SetDebugOutputSink([this](std::string_view line) {
      std::lock_guard lock(mutex_);
      lines_.emplace_back(line);
    });
    SetErrorLogSink([this](const LogRecord& r) {
      std::lock_guard lock(mutex_);
      lines_.push_back(r.text);
      records_.push_back(r);
    });
    SetTraceSink([this](const std::string& text) {
      std::lock_guard lock(mutex_);
      traces_.push_back(text);
    });
  }
  ~OutputCapture() {
    SetDebugOutputSink(nullptr);
    SetErrorLogSink(nullptr);
    SetTraceSink(nullptr);
  }
  std::vector<std::string> Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  std::vector<std::string> Traces() const {
    std::lock_guard lock(mutex_);
    return traces_;
  }
  std::vector<LogRecord> Records() const {
    std::lock_guard lock(mutex_);
    return records_;
  }
  int Count(const std::string& needle) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(lines_.begin(), lines_.end(),
                                           [&](const std::string& l) { return l.find(needle) != std::string::npos; }));
  }
  int TraceCount(const std::string& needle) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(traces_.begin(), traces_.end(),
                                           [&](const std::string& l) { return l.find(needle) != std::string::npos; }));
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
    traces_.clear();
    records_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  std::vector<std::string> traces_;
  std::vector<LogRecord> records_;
};

class RecordingSink final : public IDeviceNotificationSink {
 public:
  void OnDeviceConnected() override { connected++; }
  void OnDeviceDisconnected() override { disconnected++; }
  void OnProcessorReport(int lParam) override {
    reports++;
    lastReportParam = lParam;
  }
  void OnHotplugConnectAttempt(int delayMs) override {
    refreshRequests++;
    lastRefreshDelay = delayMs;
  }
  void OnTransferStateChanged(bool behind) override {
    behindReports++;
    lastBehind = behind;
  }
  std::atomic<int> connected{0};
  std::atomic<int> disconnected{0};
  std::atomic<int> reports{0};
  std::atomic<int> lastReportParam{-1};
  std::atomic<int> refreshRequests{0};
  std::atomic<int> lastRefreshDelay{0};
  std::atomic<int> behindReports{0};
  std::atomic<bool> lastBehind{false};
};

inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 2000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

inline std::vector<uint8_t> Codes(const std::vector<frames::Frame>& requests) {
  std::vector<uint8_t> codes;
  for (const auto& f : requests) codes.push_back(f[0]);
  return codes;
}

inline int CountCode(const std::vector<frames::Frame>& requests, uint8_t code) {
  return static_cast<int>(std::count_if(requests.begin(), requests.end(), [&](const auto& f) { return f[0] == code; }));
}

// A device manager over a simulated-processor backend, receive thread running.
class ManagerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    manager = std::make_unique<CDeviceManager>(backend, store);
    store.SetDeviceLink(manager.get());
    manager->SetNotificationSink(&sink);
    manager->SetPumpWait([this](int ms) { pumpWaits.push_back(ms); });
    ASSERT_TRUE(manager->StartRecvThread());
  }
  void TearDown() override {
    manager->DisconnectDevice();
    manager.reset();
  }
  // Plugs a processor in and connects to it; the request log starts empty afterwards.
  std::shared_ptr<sim::SimProcessor> PlugAndConnect() {
    auto processor = std::make_shared<sim::SimProcessor>();
    path = backend.Plug(processor);
    EXPECT_EQ(manager->RefreshDeviceList(), 1);
    EXPECT_TRUE(manager->ConnectDevice(0));
    processor->ClearRequests();
    return processor;
  }

  OutputCapture output;
  sim::SimHidBackend backend;
  CEffectStore store;
  RecordingSink sink;
  std::vector<int> pumpWaits;
  std::unique_ptr<CDeviceManager> manager;
  std::string path;
};

}  // namespace brisvel::testing
