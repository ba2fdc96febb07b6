// hidraw access: hidapi lists the interfaces, the report descriptor read
// through the node gives the report lengths, and reads wait in poll() on the
// node together with an eventfd so a release is immediate.
#include "hid/hidraw_backend.h"

#include <fcntl.h>
#include <hidapi.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <array>
#include <mutex>
#include <set>
#include <thread>

#include "hid/report_descriptor.h"

namespace brisvel::hid {
namespace {

// Owns one file descriptor.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { Reset(); }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

void SignalEventFd(int fd) {
  const uint64_t one = 1;
  // A full counter already means "signalled"; nothing else can go wrong here.
  [[maybe_unused]] const ssize_t n = ::write(fd, &one, sizeof one);
}

void DrainEventFd(int fd) {
  uint64_t value = 0;
  [[maybe_unused]] const ssize_t n = ::read(fd, &value, sizeof value);
}

// Reports on two descriptors. Writes are handed to a writer thread so that
// WriteReport returns at once (a hidraw write blocks until the report has left,
// about one USB frame); a failed write is reported by the next WriteReport.
class HidrawChannel final : public IHidChannel {
 public:
  HidrawChannel(Fd writeFd, Fd readFd, Fd releaseFd, ReportLengths lengths)
      : writeFd_(std::move(writeFd)), readFd_(std::move(readFd)), releaseFd_(std::move(releaseFd)), lengths_(lengths) {
    writer_ = std::thread([this] { WriterLoop(); });
  }
  ~HidrawChannel() override {
    {
      std::lock_guard lock(writeMutex_);
      stopWriter_ = true;
    }
    writeReady_.notify_all();
    writer_.join();
  }

  int InputReportLength() const override { return lengths_.input; }
  int OutputReportLength() const override { return lengths_.output; }

  bool WriteReport(std::span<const uint8_t> report, int* error) override {
    std::lock_guard lock(writeMutex_);
    int failure = writeError_;
    if (failure == 0 && queued_ == kQueueDepth) failure = EAGAIN;
    if (failure == 0 && report.size() > kReportCapacity) failure = EMSGSIZE;
    if (failure != 0) {
      if (error) *error = failure;
      return false;
    }
    // hidraw takes the report identifier as the first byte, 0 for unnumbered reports.
    Slot& slot = ring_[(head_ + queued_) % kQueueDepth];
    std::memcpy(slot.bytes.data(), report.data(), report.size());
    slot.size = report.size();
    ++queued_;
    writeReady_.notify_one();
    return true;
  }

  ReadStatus ReadReport(std::span<uint8_t> buffer) override {
    for (;;) {
      pollfd fds[2] = {{releaseFd_.get(), POLLIN, 0}, {readFd_.get(), POLLIN, 0}};
      const int r = ::poll(fds, 2, -1);
      if (r < 0) {
        if (errno == EINTR) continue;
        return ReadStatus::kError;
      }
      if (fds[0].revents & POLLIN) {
        DrainEventFd(releaseFd_.get());
        return ReadStatus::kReleased;
      }
      if (fds[1].revents & POLLIN) {
        // Unnumbered reports arrive without the identifier byte; put the 0 back in front.
        uint8_t* dst = lengths_.numbered ? buffer.data() : buffer.data() + 1;
        const size_t room = lengths_.numbered ? buffer.size() : buffer.size() - 1;
        const ssize_t n = ::read(readFd_.get(), dst, room);
        if (n < 0) {
          if (errno == EINTR || errno == EAGAIN) continue;
          return ReadStatus::kError;
        }
        if (n == 0) return ReadStatus::kError;  // the other end is gone
        if (!lengths_.numbered) buffer[0] = 0;
        return ReadStatus::kReport;
      }
      if (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) return ReadStatus::kError;
    }
  }

  void ReleaseRead() override { SignalEventFd(releaseFd_.get()); }

 private:
  static constexpr size_t kQueueDepth = 8;
  static constexpr size_t kReportCapacity = 128;
  struct Slot {
    std::array<uint8_t, kReportCapacity> bytes{};
    size_t size = 0;
  };

  void WriterLoop() {
    Slot current;
    std::unique_lock lock(writeMutex_);
    for (;;) {
      writeReady_.wait(lock, [this] { return stopWriter_ || queued_ > 0; });
      if (stopWriter_) return;
      current = ring_[head_];
      head_ = (head_ + 1) % kQueueDepth;
      --queued_;
      lock.unlock();
      int failure = 0;
      for (;;) {
        const ssize_t n = ::write(writeFd_.get(), current.bytes.data(), current.size);
        if (n == static_cast<ssize_t>(current.size)) break;
        if (n < 0 && errno == EINTR) continue;
        failure = n < 0 ? errno : EIO;
        break;
      }
      lock.lock();
      if (failure != 0 && writeError_ == 0) writeError_ = failure;
    }
  }

  Fd writeFd_;
  Fd readFd_;
  Fd releaseFd_;
  ReportLengths lengths_;
  std::mutex writeMutex_;
  std::condition_variable writeReady_;
  std::array<Slot, kQueueDepth> ring_{};
  size_t head_ = 0;
  size_t queued_ = 0;
  int writeError_ = 0;  // sticky: the device is gone or refuses reports
  bool stopWriter_ = false;
  std::thread writer_;
};

void EnsureHidapi() {
  static std::once_flag once;
  std::call_once(once, [] { hid_init(); });
}

// Compares enumerations once a second until stopped.
class PollingSubscription final : public HotplugSubscription {
 public:
  PollingSubscription(HidrawBackend& backend, IHotplugSink& sink) : backend_(backend), sink_(sink) {
    known_ = backend_.Enumerate();
    thread_ = std::thread([this] { Loop(); });
  }
  ~PollingSubscription() override {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

 private:
  void Loop() {
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, std::chrono::seconds(1), [this] { return stop_; })) {
      lock.unlock();
      auto now = backend_.Enumerate();
      for (const auto& [action, device] : DiffDeviceLists(known_, now)) sink_.OnHidDeviceChange(action, device);
      known_ = std::move(now);
      lock.lock();
    }
  }

  HidrawBackend& backend_;
  IHotplugSink& sink_;
  std::vector<HidDeviceInfo> known_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

// Listens to the udev monitor of the hidraw subsystem until stopped.
class UdevSubscription final : public HotplugSubscription {
 public:
  static std::unique_ptr<UdevSubscription> Create(IHotplugSink& sink) {
    udev* context = udev_new();
    if (!context) return nullptr;
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
      if (monitor) udev_monitor_unref(monitor);
      udev_unref(context);
      return nullptr;
    }
    Fd stop(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!stop.valid()) {
      udev_monitor_unref(monitor);
      udev_unref(context);
      return nullptr;
    }
    return std::unique_ptr<UdevSubscription>(new UdevSubscription(sink, context, monitor, std::move(stop)));
  }

  ~UdevSubscription() override {
    SignalEventFd(stop_.get());
    thread_.join();
    udev_monitor_unref(monitor_);
    udev_unref(context_);
  }

 private:
  UdevSubscription(IHotplugSink& sink, udev* context, udev_monitor* monitor, Fd stop)
      : sink_(sink), context_(context), monitor_(monitor), stop_(std::move(stop)) {
    thread_ = std::thread([this] { Loop(); });
  }

  void Loop() {
    for (;;) {
      pollfd fds[2] = {{stop_.get(), POLLIN, 0}, {udev_monitor_get_fd(monitor_), POLLIN, 0}};
      if (::poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (fds[0].revents & POLLIN) return;
      if (!(fds[1].revents & POLLIN)) continue;
      udev_device* device = udev_monitor_receive_device(monitor_);
      if (!device) continue;
      Deliver(device);
      udev_device_unref(device);
    }
  }

  void Deliver(udev_device* device) {
    const char* action = udev_device_get_action(device);
    const char* node = udev_device_get_devnode(device);
    const char* devpath = udev_device_get_devpath(device);
    if (!action || !node || !devpath) return;
    HotplugAction kind;
    if (std::strcmp(action, "add") == 0) {
      kind = HotplugAction::kArrival;
    } else if (std::strcmp(action, "remove") == 0) {
      kind = HotplugAction::kRemoval;
    } else {
      return;
    }
    HidDeviceInfo info{node, 0, 0};
    if (auto ids = ParseHidIdFromDevpath(devpath)) {
      info.vendor = ids->first;
      info.product = ids->second;
    }
    sink_.OnHidDeviceChange(kind, info);
  }

  IHotplugSink& sink_;
  udev* context_;
  udev_monitor* monitor_;
  Fd stop_;
  std::thread thread_;
};

bool ParseHex4(std::string_view text, uint16_t* out) {
  if (text.size() != 4) return false;
  uint16_t value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    value = static_cast<uint16_t>(value * 16 + digit);
  }
  *out = value;
  return true;
}

}  // namespace

std::vector<HidDeviceInfo> HidrawBackend::Enumerate() {
  EnsureHidapi();
  std::vector<HidDeviceInfo> devices;
  std::set<std::string> seen;
  hid_device_info* list = hid_enumerate(0, 0);
  for (hid_device_info* it = list; it; it = it->next) {
    if (!it->path) continue;
    // One node can be listed once per top-level usage; it is one interface.
    if (!seen.insert(it->path).second) continue;
    devices.push_back(HidDeviceInfo{it->path, it->vendor_id, it->product_id});
  }
  hid_free_enumeration(list);
  return devices;
}

OpenResult HidrawBackend::Open(const std::string& path) {
  OpenResult result;
  Fd probe(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK));
  if (!probe.valid()) {
    result.error = OpenError::kProbeFailed;
    result.systemError = errno;
    return result;
  }
  int descriptorSize = 0;
  hidraw_report_descriptor descriptor{};
  if (::ioctl(probe.get(), HIDIOCGRDESCSIZE, &descriptorSize) < 0 || descriptorSize <= 0 ||
      descriptorSize > HID_MAX_DESCRIPTOR_SIZE) {
    result.error = OpenError::kDescriptorFailed;
    result.systemError = errno;
    return result;
  }
  descriptor.size = static_cast<uint32_t>(descriptorSize);
  if (::ioctl(probe.get(), HIDIOCGRDESC, &descriptor) < 0) {
    result.error = OpenError::kDescriptorFailed;
    result.systemError = errno;
    return result;
  }
  const auto lengths = ParseReportLengths(std::span<const uint8_t>(descriptor.value, descriptor.size));
  if (!lengths) {
    result.error = OpenError::kDescriptorFailed;
    return result;
  }
  probe.Reset();

  Fd release(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!release.valid()) {
    result.error = OpenError::kEventFailed;
    result.systemError = errno;
    return result;
  }
  Fd writeFd(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
  if (!writeFd.valid()) {
    result.error = OpenError::kWriteOpenFailed;
    result.systemError = errno;
    return result;
  }
  Fd readFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!readFd.valid()) {
    result.error = OpenError::kReadOpenFailed;
    result.systemError = errno;
    return result;
  }
  result.channel = std::make_unique<HidrawChannel>(std::move(writeFd), std::move(readFd), std::move(release), *lengths);
  return result;
}

std::unique_ptr<IHidChannel> MakeDescriptorChannel(int writeFd, int readFd, ReportLengths lengths) {
  Fd write(writeFd);
  Fd read(readFd);
  Fd release(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!release.valid()) return nullptr;
  return std::make_unique<HidrawChannel>(std::move(write), std::move(read), std::move(release), lengths);
}

HotplugMethod HidrawBackend::AvailableHotplugMethod() {
  // Without a running udev daemon the monitor would stay silent; compare
  // enumerations instead.
  return ::access("/run/udev/control", F_OK) == 0 ? HotplugMethod::kUdevMonitor : HotplugMethod::kPolling;
}

std::unique_ptr<HotplugSubscription> HidrawBackend::SubscribeHotplug(IHotplugSink& sink) {
  if (AvailableHotplugMethod() == HotplugMethod::kUdevMonitor) {
    if (auto subscription = UdevSubscription::Create(sink)) return subscription;
  }
  return std::make_unique<PollingSubscription>(*this, sink);
}

bool HidrawBackend::OwnsPath(const std::string& path) const { return path.rfind("/dev/", 0) == 0; }

std::optional<std::pair<uint16_t, uint16_t>> ParseHidIdFromDevpath(std::string_view devpath) {
  // Walk the components from the end; the first one shaped like BBBB:VVVV:PPPP.NNNN wins.
  size_t end = devpath.size();
  while (end > 0) {
    const size_t slash = devpath.rfind('/', end - 1);
    const size_t begin = slash == std::string_view::npos ? 0 : slash + 1;
    const std::string_view part = devpath.substr(begin, end - begin);
    if (part.size() >= 16 && part[4] == ':' && part[9] == ':' && part[14] == '.') {
      uint16_t bus, vendor, product;
      if (ParseHex4(part.substr(0, 4), &bus) && ParseHex4(part.substr(5, 4), &vendor) &&
          ParseHex4(part.substr(10, 4), &product)) {
        return std::make_pair(vendor, product);
      }
    }
    if (slash == std::string_view::npos) break;
    end = slash;
  }
  return std::nullopt;
}

std::vector<std::pair<HotplugAction, HidDeviceInfo>> DiffDeviceLists(const std::vector<HidDeviceInfo>& before,
                                                                     const std::vector<HidDeviceInfo>& after) {
  std::vector<std::pair<HotplugAction, HidDeviceInfo>> changes;
  auto contains = [](const std::vector<HidDeviceInfo>& list, const HidDeviceInfo& d) {
    for (const auto& x : list) {
      if (x.path == d.path && x.vendor == d.vendor && x.product == d.product) return true;
    }
    return false;
  };
  for (const auto& d : before) {
    if (!contains(after, d)) changes.emplace_back(HotplugAction::kRemoval, d);
  }
  for (const auto& d : after) {
    if (!contains(before, d)) changes.emplace_back(HotplugAction::kArrival, d);
  }
  return changes;
}

}  // namespace brisvel::hid
