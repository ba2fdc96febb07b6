// The seam below CHidBase: enumerate HID interfaces, open one with separate
// read and write directions, move whole reports, and deliver arrival and
// removal notifications. The hidraw backend and the simulated processor
// both implement it; everything above runs unchanged on either.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace brisvel::hid {

struct HidDeviceInfo {
  std::string path;  // the same string in enumeration, open and notifications
  uint16_t vendor = 0;
  uint16_t product = 0;
};

enum class ReadStatus {
  kReport,    // one input report was copied into the buffer
  kReleased,  // ReleaseRead released the wait; the buffer is untouched
  kError,     // the device is gone or the read failed
};

// One opened interface. Reports carry the report identifier in byte 0.
class IHidChannel {
 public:
  virtual ~IHidChannel() = default;
  // Bytes per report including the report identifier, from the report descriptor.
  virtual int InputReportLength() const = 0;
  virtual int OutputReportLength() const = 0;
  // Queues one output report and returns without waiting for its completion.
  // On failure *error receives a system error code (0 when none applies).
  virtual bool WriteReport(std::span<const uint8_t> report, int* error) = 0;
  // Blocks until an input report arrives or ReleaseRead is called. A release
  // given while no read waits is kept for the next read.
  virtual ReadStatus ReadReport(std::span<uint8_t> buffer) = 0;
  // Releases a waiting ReadReport at once. Any thread.
  virtual void ReleaseRead() = 0;
};

enum class OpenError {
  kNone,
  kProbeFailed,       // the path cannot be opened at all
  kDescriptorFailed,  // the report lengths cannot be obtained
  kEventFailed,       // the release mechanism cannot be created
  kWriteOpenFailed,
  kReadOpenFailed,
};

struct OpenResult {
  std::unique_ptr<IHidChannel> channel;
  OpenError error = OpenError::kNone;
  int systemError = 0;
};

enum class HotplugAction { kArrival, kRemoval };

// Receives notifications on whatever thread the backend uses; a user interface
// marshals them to its own thread before acting.
class IHotplugSink {
 public:
  virtual ~IHotplugSink() = default;
  virtual void OnHidDeviceChange(HotplugAction action, const HidDeviceInfo& device) = 0;
};

// Ends the subscription when destroyed; no notification arrives after that.
class HotplugSubscription {
 public:
  virtual ~HotplugSubscription() = default;
};

class IHidBackend {
 public:
  virtual ~IHidBackend() = default;
  // Every present HID interface, in enumeration order.
  virtual std::vector<HidDeviceInfo> Enumerate() = 0;
  virtual OpenResult Open(const std::string& path) = 0;
  // Starts delivering arrival and removal notifications to the sink.
  virtual std::unique_ptr<HotplugSubscription> SubscribeHotplug(IHotplugSink& sink) = 0;
  // Whether this backend serves the path (backends are told apart by path form).
  virtual bool OwnsPath(const std::string& path) const = 0;
};

// Several backends behind one: enumerations are concatenated, opens go to the
// backend that owns the path, subscriptions cover all of them.
class HidBackendSet final : public IHidBackend {
 public:
  void Add(IHidBackend& backend) { backends_.push_back(&backend); }
  std::vector<HidDeviceInfo> Enumerate() override;
  OpenResult Open(const std::string& path) override;
  std::unique_ptr<HotplugSubscription> SubscribeHotplug(IHotplugSink& sink) override;
  bool OwnsPath(const std::string& path) const override;

 private:
  std::vector<IHidBackend*> backends_;  // not owned
};

}  // namespace brisvel::hid
