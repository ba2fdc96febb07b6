// CHidBase: the processor as a HID interface. Finds it by vendor and product,
// opens separate read and write directions, writes output reports without
// waiting and blocks for input reports until one arrives or SignalReadEvent
// releases the wait. It knows nothing of the frames the reports carry.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "hid/hid_backend.h"

namespace brisvel {

class CHidBase {
 public:
  static constexpr int kMaxPaths = 10;
  static constexpr size_t kBufferSize = 128;

  explicit CHidBase(hid::IHidBackend& backend);
  virtual ~CHidBase();
  CHidBase(const CHidBase&) = delete;
  CHidBase& operator=(const CHidBase&) = delete;

  // Counts every interface with the vendor and product; keeps the first ten
  // paths in enumeration order when paths is given.
  static int EnumDevices(hid::IHidBackend& backend, std::array<std::string, kMaxPaths>* paths, uint16_t vendor,
                         uint16_t product);

  bool OpenDevice(const std::string& path);
  // Sends one output report whose data are the given bytes (report identifier 0 in front).
  bool Write(const uint8_t* data, int length);
  // Blocks until an input report arrives or SignalReadEvent; *out then points
  // just past the report identifier, valid until the next Read.
  bool Read(const uint8_t** out);
  void CloseDevice();
  void SignalReadEvent();

  int GetInputReportLength() const;
  int GetOutputReportLength() const;
  std::string DevicePath() const;
  // The system error (errno) of the last failed OpenDevice, 0 when it
  // succeeded or failed for another reason; EACCES/EPERM mean no permission.
  int LastOpenError() const;
  hid::IHidBackend& Backend() const { return backend_; }

 private:
  std::shared_ptr<hid::IHidChannel> Channel() const;

  hid::IHidBackend& backend_;
  mutable std::mutex mutex_;  // guards the channel and the lengths between the two threads
  std::string path_;
  std::shared_ptr<hid::IHidChannel> channel_;
  int inputReportLength_ = 0;
  int outputReportLength_ = 0;
  int lastOpenError_ = 0;
  std::array<uint8_t, kBufferSize> readBuffer_{};   // receive thread only
  std::array<uint8_t, kBufferSize> writeBuffer_{};  // requesting thread only
};

// Subscribes the sink to arrival and removal notifications of the backend's
// HID interfaces, replacing any earlier subscription (one exists at a time).
// Passing no sink only ends the current subscription and reports whether one
// was ended. Notifications arrive on a backend thread.
bool RegisterHidNotification(hid::IHidBackend* backend, hid::IHotplugSink* sink);

}  // namespace brisvel
