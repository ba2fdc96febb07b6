// The Windows HID backend over the Win32 seam. Each direction has its own
// handle, buffer, overlapped record and event, so a write may be issued while
// a read waits. Neither ever leaves an operation in flight on a buffer or an
// overlapped record it reuses: a released read is cancelled and its completion
// awaited, and a write waits for the one before it (cancelling it when the
// device takes no more reports) before it starts.
#include "hid/win32_hid_backend.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>

#include "hid/hid_log.h"
#include "hid/report_descriptor.h"
#include "hid/win32_hid_api.h"

namespace brisvel::hid {
namespace {

constexpr const char* kModule = "common\\HidDevice\\HidBase";
constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;

// A manual-reset event, closed with the owner.
class Event {
 public:
  Event() : h_(::CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}
  explicit Event(bool manualReset, bool initiallySet)
      : h_(::CreateEventW(nullptr, manualReset ? TRUE : FALSE, initiallySet ? TRUE : FALSE, nullptr)) {}
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;
  ~Event() {
    if (h_) ::CloseHandle(h_);
  }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

class Win32HidChannel final : public IHidChannel {
 public:
  Win32HidChannel(IWin32HidApi& api, HANDLE writeHandle, HANDLE readHandle, ReportLengths lengths)
      : api_(api), writeHandle_(writeHandle), readHandle_(readHandle), lengths_(lengths), release_(false, false) {}

  bool EventsCreated() const { return writeEvent_.get() && readEvent_.get() && release_.get(); }

  ~Win32HidChannel() override {
    {
      std::lock_guard lock(writeMutex_);
      if (writePending_) RetireWrite(true);
    }
    api_.Close(writeHandle_);
    api_.Close(readHandle_);
  }

  int InputReportLength() const override { return lengths_.input; }
  int OutputReportLength() const override { return lengths_.output; }

  bool WriteReport(std::span<const uint8_t> report, int* error) override {
    std::lock_guard lock(writeMutex_);
    auto fail = [&](DWORD code) {
      if (error) *error = static_cast<int>(code);
      return false;
    };
    if (report.size() > writeBuffer_.size()) return fail(ERROR_INVALID_PARAMETER);
    if (writePending_ && !RetireWrite(false)) return fail(ERROR_TIMEOUT);
    std::memset(writeBuffer_.data(), 0, writeBuffer_.size());
    std::memcpy(writeBuffer_.data(), report.data(), report.size());
    writeOverlapped_ = OVERLAPPED{};
    writeOverlapped_.hEvent = writeEvent_.get();
    ::ResetEvent(writeEvent_.get());
    if (api_.Write(writeHandle_, writeBuffer_.data(), static_cast<DWORD>(report.size()), &writeOverlapped_)) {
      return true;  // done at once
    }
    const DWORD code = ::GetLastError();
    if (code == ERROR_IO_PENDING || code == 0) {
      writePending_ = true;  // on its way; the next write makes sure it is finished
      return true;
    }
    return fail(code);
  }

  ReadStatus ReadReport(std::span<uint8_t> buffer) override {
    // A release given while no read waited is taken now.
    if (::WaitForSingleObject(release_.get(), 0) == WAIT_OBJECT_0) return ReadStatus::kReleased;
    const DWORD size = static_cast<DWORD>(std::min<size_t>(buffer.size(), readBuffer_.size()));
    std::memset(readBuffer_.data(), 0, readBuffer_.size());
    readOverlapped_ = OVERLAPPED{};
    readOverlapped_.hEvent = readEvent_.get();
    ::ResetEvent(readEvent_.get());
    if (!api_.Read(readHandle_, readBuffer_.data(), size, &readOverlapped_)) {
      // Anything but "under way" means the read never started (the device is gone).
      if (::GetLastError() != ERROR_IO_PENDING) return ReadStatus::kError;
      const HANDLE waits[2] = {readEvent_.get(), release_.get()};
      const DWORD woken = ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
      if (woken != WAIT_OBJECT_0) {
        AbandonRead();
        return woken == WAIT_OBJECT_0 + 1 ? ReadStatus::kReleased : ReadStatus::kError;
      }
    }
    DWORD got = 0;
    // A read that ended in failure: the device was removed while it waited.
    if (!api_.OverlappedResult(readHandle_, &readOverlapped_, &got, FALSE) || got == 0) return ReadStatus::kError;
    std::fill(buffer.begin(), buffer.end(), 0);
    std::memcpy(buffer.data(), readBuffer_.data(), std::min<size_t>(got, buffer.size()));
    return ReadStatus::kReport;
  }

  void ReleaseRead() override { ::SetEvent(release_.get()); }

 private:
  // Cancels the read in flight: the buffer and the record are free again
  // only once the cancelled read has finished.
  void AbandonRead() {
    DWORD ignored = 0;
    api_.Cancel(readHandle_, &readOverlapped_);
    api_.OverlappedResult(readHandle_, &readOverlapped_, &ignored, TRUE);
  }

  // Finishes the write in flight. Without force it waits up to the
  // completion limit and, past it, cancels the write and reports false.
  bool RetireWrite(bool force) {
    DWORD ignored = 0;
    const bool finished =
        !force && ::WaitForSingleObject(writeEvent_.get(), WinHidBackend::kWriteCompletionWaitMs) == WAIT_OBJECT_0;
    if (!finished) api_.Cancel(writeHandle_, &writeOverlapped_);
    // Its outcome no longer matters (a lost report is a lost reply); waiting
    // for it frees the buffer and the record.
    api_.OverlappedResult(writeHandle_, &writeOverlapped_, &ignored, TRUE);
    writePending_ = false;
    return finished;
  }

  IWin32HidApi& api_;
  HANDLE writeHandle_;
  HANDLE readHandle_;
  ReportLengths lengths_;
  Event writeEvent_;
  Event readEvent_;
  Event release_;  // auto reset: one release per ReleaseRead
  std::mutex writeMutex_;
  bool writePending_ = false;
  OVERLAPPED writeOverlapped_{};
  OVERLAPPED readOverlapped_{};
  std::array<uint8_t, kMaxReportLength> writeBuffer_{};
  std::array<uint8_t, kMaxReportLength> readBuffer_{};
};

// The interface path of one interface of the set; empty when it cannot be
// fetched, *stop then telling whether enumeration must end.
std::wstring InterfacePath(IWin32HidApi& api, HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data, bool* stop) {
  DWORD required = 0;
  api.InterfaceDetail(set, data, nullptr, 0, &required);
  constexpr DWORD kHeader = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
  if (required < kHeader + sizeof(wchar_t)) required = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  // Aligned as the record needs; freed on every path.
  std::unique_ptr<uint64_t[]> storage(new (std::nothrow) uint64_t[(required + 7) / 8]);
  if (!storage) {
    BRISVEL_LOG_ERROR(kModule, "CHidBase::EnumDevices", "malloc return NULL");
    *stop = true;
    return {};
  }
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.get());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  if (!api.InterfaceDetail(set, data, detail, required, nullptr)) {
    BRISVEL_LOG_ERROR(kModule, "CHidBase::EnumDevices",
                      "CHidBase::EnumDevices SetupDiGetDeviceInterfaceDetail failed. error=%ld\n",
                      static_cast<long>(::GetLastError()));
    *stop = true;
    return {};
  }
  // The path ends at its terminator or at the end of the record, whichever comes first.
  const size_t room = (required - kHeader) / sizeof(wchar_t);
  const wchar_t* begin = detail->DevicePath;
  return std::wstring(begin, std::find(begin, begin + room, L'\0'));
}

HANDLE OpenForBothDirections(IWin32HidApi& api, const std::wstring& path) {
  return api.OpenDevice(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShareReadWrite, FILE_FLAG_OVERLAPPED);
}

bool ParseHexDigits(std::string_view text, uint16_t* out) {
  if (text.size() != 4) return false;
  uint16_t value = 0;
  for (const char c : text) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return false;
    value = static_cast<uint16_t>(value * 16 + digit);
  }
  *out = value;
  return true;
}

}  // namespace

WinHidBackend::WinHidBackend() : WinHidBackend(SystemWin32HidApi()) {}

WinHidBackend::WinHidBackend(IWin32HidApi& api) : api_(api) {}

std::vector<HidDeviceInfo> WinHidBackend::Enumerate() {
  std::vector<HidDeviceInfo> devices;
  GUID hidClass{};
  api_.HidGuid(&hidClass);
  const HDEVINFO set = api_.ClassDevices(hidClass);
  if (set == INVALID_HANDLE_VALUE) return devices;
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    if (!api_.EnumInterfaces(set, hidClass, index, &data)) break;
    bool stop = false;
    const std::wstring path = InterfacePath(api_, set, &data, &stop);
    if (stop) break;
    if (path.empty()) continue;
    const HANDLE device = OpenForBothDirections(api_, path);
    if (device == INVALID_HANDLE_VALUE) continue;  // in use without sharing, or not ours to open
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    if (api_.Attributes(device, &attributes)) {
      devices.push_back(HidDeviceInfo{WideToUtf8(path), attributes.VendorID, attributes.ProductID});
    }
    api_.Close(device);
  }
  api_.DestroyInfoList(set);
  return devices;
}

OpenResult WinHidBackend::Open(const std::string& path) {
  OpenResult result;
  auto fail = [&](OpenError error, DWORD code) {
    result.error = error;
    result.systemError = static_cast<int>(code);
    return std::move(result);
  };
  const std::wstring wide = Utf8ToWide(path);
  const HANDLE probe = OpenForBothDirections(api_, wide);
  if (probe == INVALID_HANDLE_VALUE) return fail(OpenError::kProbeFailed, ::GetLastError());
  PHIDP_PREPARSED_DATA preparsed = nullptr;
  if (!api_.PreparsedData(probe, &preparsed)) {
    const DWORD code = ::GetLastError();
    api_.Close(probe);
    return fail(OpenError::kDescriptorFailed, code);
  }
  HIDP_CAPS caps{};
  const NTSTATUS status = api_.Caps(preparsed, &caps);
  api_.FreePreparsedData(preparsed);
  api_.Close(probe);
  if (status != HIDP_STATUS_SUCCESS) return fail(OpenError::kDescriptorFailed, 0);
  // The class driver's lengths count the report identifier; unnumbered reports carry a 0 there.
  const ReportLengths lengths{caps.InputReportByteLength, caps.OutputReportByteLength, false};

  const HANDLE writeHandle = api_.OpenDevice(wide.c_str(), GENERIC_WRITE, kShareReadWrite, FILE_FLAG_OVERLAPPED);
  if (writeHandle == INVALID_HANDLE_VALUE) return fail(OpenError::kWriteOpenFailed, ::GetLastError());
  const HANDLE readHandle = api_.OpenDevice(wide.c_str(), GENERIC_READ, kShareReadWrite, FILE_FLAG_OVERLAPPED);
  if (readHandle == INVALID_HANDLE_VALUE) {
    const DWORD code = ::GetLastError();
    api_.Close(writeHandle);
    return fail(OpenError::kReadOpenFailed, code);
  }
  auto channel = std::make_unique<Win32HidChannel>(api_, writeHandle, readHandle, lengths);
  if (!channel->EventsCreated()) return fail(OpenError::kEventFailed, ::GetLastError());  // closes both handles
  result.channel = std::move(channel);
  return result;
}

bool WinHidBackend::OwnsPath(const std::string& path) const {
  return path.rfind("\\\\?\\", 0) == 0 || path.rfind("\\\\.\\", 0) == 0;
}

std::optional<std::pair<uint16_t, uint16_t>> ParseInterfacePathIds(std::string_view path) {
  std::string upper(path);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
  const size_t at = upper.find("#VID_");
  if (at == std::string::npos) return std::nullopt;
  const size_t first = at + 5;
  uint16_t vendor = 0, product = 0;
  if (upper.size() < first + 13 || !ParseHexDigits(std::string_view(upper).substr(first, 4), &vendor) ||
      !ParseHexDigits(std::string_view(upper).substr(first + 9, 4), &product)) {
    return std::nullopt;
  }
  return std::make_pair(vendor, product);
}

}  // namespace brisvel::hid
