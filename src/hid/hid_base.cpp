// CHidBase over the HID backend seam, with the log texts of the HID layer,
// and the process-wide hot-plug registration.
#include "hid/hid_base.h"

#include <algorithm>
#include <cstring>

#include "hid/hid_log.h"
#include "hid/report_descriptor.h"

namespace brisvel {
namespace {

constexpr const char* kModule = "common\\HidDevice\\HidBase";

}  // namespace

CHidBase::CHidBase(hid::IHidBackend& backend) : backend_(backend) {}

CHidBase::~CHidBase() { CloseDevice(); }

int CHidBase::EnumDevices(hid::IHidBackend& backend, std::array<std::string, kMaxPaths>* paths, uint16_t vendor,
                          uint16_t product) {
  int count = 0;
  for (const hid::HidDeviceInfo& device : backend.Enumerate()) {
    if (device.vendor != vendor || device.product != product) continue;
    if (paths && count < kMaxPaths) (*paths)[count] = device.path;
    ++count;
  }
  return count;
}

int CHidBase::LastOpenError() const {
  std::lock_guard lock(mutex_);
  return lastOpenError_;
}

std::shared_ptr<hid::IHidChannel> CHidBase::Channel() const {
  std::lock_guard lock(mutex_);
  return channel_;
}

bool CHidBase::OpenDevice(const std::string& path) {
  if (Channel()) {
    BRISVEL_LOG_ERROR(kModule, "CHidBase::OpenDevice", "One device is already opened.");
    return false;
  }
  if (path.empty()) {
    BRISVEL_LOG_ERROR(kModule, "CHidBase::OpenDevice", "Invalid parameter.");
    return false;
  }
  hid::OpenResult opened = backend_.Open(path);
  {
    std::lock_guard lock(mutex_);
    lastOpenError_ = opened.error == hid::OpenError::kNone ? 0 : opened.systemError;
  }
  switch (opened.error) {
    case hid::OpenError::kNone: break;
    case hid::OpenError::kProbeFailed: return false;
    case hid::OpenError::kDescriptorFailed:
      BRISVEL_LOG_ERROR(kModule, "CHidBase::OpenDevice", "HidD_GetPreparsedData failed.");
      return false;
    case hid::OpenError::kEventFailed:
      BRISVEL_LOG_ERROR(kModule, "CHidBase::OpenDevice", "CreateEvent failed.");
      return false;
    case hid::OpenError::kWriteOpenFailed:
      BRISVEL_LOG_ERROR(kModule, "CHidBase::OpenDevice", "CreateFile for write error.");
      return false;
    case hid::OpenError::kReadOpenFailed:
      BRISVEL_LOG_ERROR(kModule, "CHidBase::OpenDevice", "CreateFile for read error. error=%d", opened.systemError);
      return false;
  }
  if (!opened.channel) return false;
  const int input = opened.channel->InputReportLength();
  const int output = opened.channel->OutputReportLength();
  if (!hid::ReportLengthUsable(input) || !hid::ReportLengthUsable(output)) {
    BRISVEL_LOG_ERROR(kModule, "CHidBase::OpenDevice", "invalide device report byte length.");
    return false;
  }
  std::lock_guard lock(mutex_);
  channel_ = std::move(opened.channel);
  inputReportLength_ = input;
  outputReportLength_ = output;
  path_ = path;
  return true;
}

bool CHidBase::Write(const uint8_t* data, int length) {
  int outputLength;
  std::shared_ptr<hid::IHidChannel> channel;
  {
    std::lock_guard lock(mutex_);
    channel = channel_;
    outputLength = outputReportLength_;
  }
  if (!channel) {
    BRISVEL_LOG_ERROR(kModule, "CHidBase::Write", "Please OpenDevice before Write.");
    return false;
  }
  if (!data || length <= 0 || length > outputLength - 1) {
    BRISVEL_LOG_ERROR(kModule, "CHidBase::Write", "invalide parameter.");
    return false;
  }
  writeBuffer_.fill(0);
  std::memcpy(writeBuffer_.data() + 1, data, static_cast<size_t>(length));
  int error = 0;
  if (channel->WriteReport(std::span<const uint8_t>(writeBuffer_.data(), static_cast<size_t>(outputLength)), &error)) {
    return true;
  }
  BRISVEL_LOG_ERROR(kModule, "CHidBase::Write", "error code %ld", static_cast<long>(error));
  return false;
}

bool CHidBase::Read(const uint8_t** out) {
  int inputLength;
  std::shared_ptr<hid::IHidChannel> channel;
  {
    std::lock_guard lock(mutex_);
    channel = channel_;
    inputLength = inputReportLength_;
  }
  if (!channel) {
    BRISVEL_LOG_ERROR(kModule, "CHidBase::Read", "Please OpenDevice before Read.");
    return false;
  }
  readBuffer_.fill(0);
  const hid::ReadStatus status =
      channel->ReadReport(std::span<uint8_t>(readBuffer_.data(), static_cast<size_t>(inputLength)));
  if (status == hid::ReadStatus::kError) return false;
  // A released wait reports success with the cleared buffer; the caller checks its own stop flag.
  if (out) *out = readBuffer_.data() + 1;
  return true;
}

void CHidBase::CloseDevice() {
  std::shared_ptr<hid::IHidChannel> channel;
  {
    std::lock_guard lock(mutex_);
    channel = std::move(channel_);
    channel_.reset();
    inputReportLength_ = 0;
    outputReportLength_ = 0;
  }
  // A read still waiting on it returns now; the channel closes when it lets go.
  if (channel) channel->ReleaseRead();
}

void CHidBase::SignalReadEvent() {
  if (auto channel = Channel()) channel->ReleaseRead();
}

int CHidBase::GetInputReportLength() const {
  std::lock_guard lock(mutex_);
  return inputReportLength_;
}

int CHidBase::GetOutputReportLength() const {
  std::lock_guard lock(mutex_);
  return outputReportLength_;
}

std::string CHidBase::DevicePath() const {
  std::lock_guard lock(mutex_);
  return path_;
}

bool RegisterHidNotification(hid::IHidBackend* backend, hid::IHotplugSink* sink) {
  static std::mutex registrationMutex;
  static std::unique_ptr<hid::HotplugSubscription> registration;
  std::unique_ptr<hid::HotplugSubscription> previous;
  std::lock_guard lock(registrationMutex);
  previous = std::move(registration);
  const bool removed = previous != nullptr;
  previous.reset();
  if (!sink || !backend) return !sink && removed;
  registration = backend->SubscribeHotplug(*sink);
  return registration != nullptr;
}

}  // namespace brisvel
