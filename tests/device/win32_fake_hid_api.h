// A fake of the Win32 HID calls: interfaces with paths, vendor and product
// and report lengths, whose handles take overlapped reads and writes the way
// the HID class driver does. A test delivers input reports, unplugs a device
// under a waiting read, makes writes hang until cancelled, and fails single
// calls. It also checks the backend's use of the calls: an overlapped record
// must not be started again while its operation is in flight, and every
// handle opened must be closed.
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "hid/win32_hid_api.h"

namespace brisvel::testing {

class FakeWin32HidApi final : public hid::IWin32HidApi {
 public:
  static constexpr GUID kHidGuid = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
  // What NTSTATUS a pending, cancelled or failed operation leaves in Internal.
  static constexpr ULONG_PTR kPending = 0x103;
  static constexpr ULONG_PTR kCancelled = 0xC0000120;
  static constexpr ULONG_PTR kNotConnected = 0xC000009D;

  struct Device {
    std::wstring path;
    USHORT vendor = 0x2B53;
    USHORT product = 0x0019;
    USHORT inputLength = 65;
    USHORT outputLength = 65;
    bool present = true;
    bool openFails = false;           // every CreateFileW on it fails (another program holds it)
    bool detailFails = false;         // its interface detail cannot be fetched
    bool writesHang = false;          // writes stay pending until cancelled
    bool preparsedFails = false;
    int writeOpenFails = 0;           // the next n write-only opens fail
    int readOpenFails = 0;            // the next n read-only opens fail
    std::vector<std::vector<uint8_t>> written;  // reports that went out
    std::vector<std::vector<uint8_t>> queued;   // input reports waiting for a read
  };

  // Adds an interface; returns its index.
  size_t Add(Device device) {
    std::lock_guard lock(mutex_);
    devices_.push_back(std::move(device));
    return devices_.size() - 1;
  }
  // Answers each report written to the device (on the writing thread).
  void SetResponder(size_t index, std::function<std::vector<std::vector<uint8_t>>(const std::vector<uint8_t>&)> r) {
    std::lock_guard lock(mutex_);
    responders_[index] = std::move(r);
  }
  // An input report arrives: it completes a waiting read, or waits for the next.
  void Deliver(size_t index, std::vector<uint8_t> report) {
    std::lock_guard lock(mutex_);
    DeliverLocked(index, std::move(report));
  }
  // The device goes away: every operation in flight on it fails, as do new ones.
  void Unplug(size_t index) {
    std::lock_guard lock(mutex_);
    devices_[index].present = false;
    EndInFlight([&](const Op& op) { return handles_[op.handle].device == index; }, kNotConnected);
  }
  // Wait until a read is in flight on the device (the reader thread got there).
  bool ReadInFlight(size_t index) {
    std::lock_guard lock(mutex_);
    return std::any_of(inFlight_.begin(), inFlight_.end(),
                       [&](const Op& op) { return op.read && handles_[op.handle].device == index; });
  }
  Device DeviceState(size_t index) {
    std::lock_guard lock(mutex_);
    return devices_[index];
  }
  void Modify(size_t index, const std::function<void(Device&)>& change) {
    std::lock_guard lock(mutex_);
    change(devices_[index]);
  }

  // What the backend did.
  struct Counts {
    int openHandles = 0;     // device handles not yet closed
    int openSets = 0;        // device information sets not yet destroyed
    int preparsedHeld = 0;   // preparsed data not yet freed
    int cancels = 0;
    int reusedInFlight = 0;  // an overlapped record started again while in flight: must stay 0
    int registrations = 0;   // notification registrations not yet ended
  };
  Counts Tally() {
    std::lock_guard lock(mutex_);
    Counts c = counts_;
    c.openHandles = static_cast<int>(handles_.size());
    return c;
  }
  std::vector<std::pair<DWORD, DWORD>> Opens() {  // access and flags of every CreateFileW
    std::lock_guard lock(mutex_);
    return opens_;
  }
  HWND NotificationWindow() {
    std::lock_guard lock(mutex_);
    return window_;
  }
  DEV_BROADCAST_DEVICEINTERFACE_W NotificationFilter() {
    std::lock_guard lock(mutex_);
    return filter_;
  }
  void SetRegistrationFails(bool fails) {
    std::lock_guard lock(mutex_);
    registrationFails_ = fails;
  }

  // --- IWin32HidApi
  void HidGuid(GUID* guid) override { *guid = kHidGuid; }
  HDEVINFO ClassDevices(const GUID& interfaceClass) override {
    std::lock_guard lock(mutex_);
    if (!IsEqualGUID(interfaceClass, kHidGuid)) return INVALID_HANDLE_VALUE;
    ++counts_.openSets;
    return kSet;
  }
  BOOL EnumInterfaces(HDEVINFO set, const GUID&, DWORD index, SP_DEVICE_INTERFACE_DATA* data) override {
    std::lock_guard lock(mutex_);
    if (set != kSet || index >= devices_.size() || data->cbSize != sizeof *data) {
      ::SetLastError(ERROR_NO_MORE_ITEMS);
      return FALSE;
    }
    data->Reserved = index;
    return TRUE;
  }
  BOOL InterfaceDetail(HDEVINFO, SP_DEVICE_INTERFACE_DATA* data, SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail, DWORD size,
                       DWORD* required) override {
    std::lock_guard lock(mutex_);
    const Device& d = devices_[data->Reserved];
    const DWORD need =
        static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) + (d.path.size() + 1) * 2);
    if (required) *required = need;
    if (!detail || size < need) {
      ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    if (d.detailFails || detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
      ::SetLastError(ERROR_INVALID_USER_BUFFER);
      return FALSE;
    }
    std::memcpy(detail->DevicePath, d.path.c_str(), (d.path.size() + 1) * 2);
    return TRUE;
  }
  BOOL DestroyInfoList(HDEVINFO set) override {
    std::lock_guard lock(mutex_);
    if (set == kSet) --counts_.openSets;
    return TRUE;
  }

  BOOLEAN Attributes(HANDLE h, HIDD_ATTRIBUTES* attributes) override {
    std::lock_guard lock(mutex_);
    const Device* d = DeviceOf(h);
    if (!d || attributes->Size != sizeof *attributes) return FALSE;
    attributes->VendorID = d->vendor;
    attributes->ProductID = d->product;
    return TRUE;
  }
  BOOLEAN PreparsedData(HANDLE h, PHIDP_PREPARSED_DATA* data) override {
    std::lock_guard lock(mutex_);
    const Device* d = DeviceOf(h);
    if (!d || d->preparsedFails) return FALSE;
    ++counts_.preparsedHeld;
    *data = reinterpret_cast<PHIDP_PREPARSED_DATA>(const_cast<Device*>(d));
    return TRUE;
  }
  NTSTATUS Caps(PHIDP_PREPARSED_DATA data, HIDP_CAPS* caps) override {
    std::lock_guard lock(mutex_);
    const auto* d = reinterpret_cast<const Device*>(data);
    *caps = HIDP_CAPS{};
    caps->InputReportByteLength = d->inputLength;
    caps->OutputReportByteLength = d->outputLength;
    return HIDP_STATUS_SUCCESS;
  }
  BOOLEAN FreePreparsedData(PHIDP_PREPARSED_DATA) override {
    std::lock_guard lock(mutex_);
    --counts_.preparsedHeld;
    return TRUE;
  }

  HANDLE OpenDevice(const wchar_t* path, DWORD access, DWORD share, DWORD flags) override {
    std::lock_guard lock(mutex_);
    opens_.emplace_back(access, flags);
    for (size_t i = 0; i < devices_.size(); ++i) {
      Device& d = devices_[i];
      if (d.path != path) continue;
      int* failing = access == GENERIC_WRITE ? &d.writeOpenFails : access == GENERIC_READ ? &d.readOpenFails : nullptr;
      if (!d.present) break;
      if (d.openFails || share != (FILE_SHARE_READ | FILE_SHARE_WRITE) || (failing && *failing > 0)) {
        if (failing && *failing > 0) --*failing;
        ::SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
      }
      const HANDLE h = reinterpret_cast<HANDLE>(static_cast<intptr_t>(0x1000 + nextHandle_++));
      handles_[h] = Open{i, access};
      return h;
    }
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  BOOL Read(HANDLE h, void* buffer, DWORD size, OVERLAPPED* ov) override {
    std::lock_guard lock(mutex_);
    Device* d = Start(h, ov, GENERIC_READ);
    if (!d) return FALSE;
    inFlight_.push_back(Op{h, ov, static_cast<uint8_t*>(buffer), size, true});
    if (!d->queued.empty()) {
      std::vector<uint8_t> report = std::move(d->queued.front());
      d->queued.erase(d->queued.begin());
      DeliverLocked(handles_[h].device, std::move(report));
    }
    ::SetLastError(ERROR_IO_PENDING);
    return FALSE;
  }
  BOOL Write(HANDLE h, const void* buffer, DWORD size, OVERLAPPED* ov) override {
    std::unique_lock lock(mutex_);
    Device* d = Start(h, ov, GENERIC_WRITE);
    if (!d) return FALSE;
    const size_t index = handles_[h].device;
    if (d->writesHang) {
      inFlight_.push_back(Op{h, ov, nullptr, size, false});
      ::SetLastError(ERROR_IO_PENDING);
      return FALSE;
    }
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    std::vector<uint8_t> report(bytes, bytes + size);
    d->written.push_back(report);
    Complete(Op{h, ov, nullptr, size, false}, 0, size);
    if (auto it = responders_.find(index); it != responders_.end()) {
      for (auto& reply : it->second(report)) DeliverLocked(index, std::move(reply));
    }
    ::SetLastError(ERROR_IO_PENDING);  // finishes through the event, as the driver does
    return FALSE;
  }
  BOOL OverlappedResult(HANDLE, OVERLAPPED* ov, DWORD* transferred, BOOL wait) override {
    if (wait) ::WaitForSingleObject(ov->hEvent, INFINITE);
    std::lock_guard lock(mutex_);
    if (ov->Internal == kPending) {
      ::SetLastError(ERROR_IO_INCOMPLETE);
      return FALSE;
    }
    *transferred = static_cast<DWORD>(ov->InternalHigh);
    if (ov->Internal == 0) return TRUE;
    ::SetLastError(ov->Internal == kCancelled ? ERROR_OPERATION_ABORTED : ERROR_DEVICE_NOT_CONNECTED);
    return FALSE;
  }
  BOOL Cancel(HANDLE h, OVERLAPPED* ov) override {
    std::lock_guard lock(mutex_);
    ++counts_.cancels;
    EndInFlight([&](const Op& op) { return op.handle == h && (!ov || op.ov == ov); }, kCancelled);
    return TRUE;
  }
  BOOL Close(HANDLE h) override {
    std::lock_guard lock(mutex_);
    return handles_.erase(h) ? TRUE : FALSE;
  }

  HDEVNOTIFY RegisterNotification(HWND window, DEV_BROADCAST_DEVICEINTERFACE_W* filter) override {
    std::lock_guard lock(mutex_);
    if (registrationFails_) return nullptr;
    window_ = window;
    filter_ = *filter;
    ++counts_.registrations;
    return reinterpret_cast<HDEVNOTIFY>(window);
  }
  BOOL UnregisterNotification(HDEVNOTIFY) override {
    std::lock_guard lock(mutex_);
    --counts_.registrations;
    return TRUE;
  }

 private:
  struct Open {
    size_t device;
    DWORD access;
  };
  struct Op {
    HANDLE handle;
    OVERLAPPED* ov;
    uint8_t* buffer;  // reads only
    DWORD size;
    bool read;
  };
  inline static const HDEVINFO kSet = reinterpret_cast<HDEVINFO>(static_cast<intptr_t>(0x5E7));

  Device* DeviceOf(HANDLE h) {
    auto it = handles_.find(h);
    return it == handles_.end() ? nullptr : &devices_[it->second.device];
  }
  // Checks a new operation; nullptr (with the last error set) when it cannot start.
  Device* Start(HANDLE h, OVERLAPPED* ov, DWORD direction) {
    auto it = handles_.find(h);
    if (it == handles_.end() || !(it->second.access & direction) || !ov || !ov->hEvent) {
      ::SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
    }
    if (std::any_of(inFlight_.begin(), inFlight_.end(), [&](const Op& op) { return op.ov == ov; })) {
      ++counts_.reusedInFlight;
    }
    Device& d = devices_[it->second.device];
    if (!d.present) {
      ::SetLastError(ERROR_DEVICE_NOT_CONNECTED);
      return nullptr;
    }
    ov->Internal = kPending;
    return &d;
  }
  void Complete(const Op& op, ULONG_PTR status, DWORD transferred) {
    op.ov->Internal = status;
    op.ov->InternalHigh = transferred;
    ::SetEvent(op.ov->hEvent);
  }
  // Ends the operations in flight that match with the status.
  template <class Match>
  void EndInFlight(Match match, ULONG_PTR status) {
    std::erase_if(inFlight_, [&](const Op& op) {
      if (!match(op)) return false;
      Complete(op, status, 0);
      return true;
    });
  }
  void DeliverLocked(size_t index, std::vector<uint8_t> report) {
    for (auto it = inFlight_.begin(); it != inFlight_.end(); ++it) {
      if (!it->read || handles_[it->handle].device != index) continue;
      const DWORD n = static_cast<DWORD>(std::min<size_t>(report.size(), it->size));
      std::memcpy(it->buffer, report.data(), n);
      Complete(*it, 0, n);
      inFlight_.erase(it);
      return;
    }
    devices_[index].queued.push_back(std::move(report));
  }

  std::mutex mutex_;
  std::vector<Device> devices_;
  std::map<size_t, std::function<std::vector<std::vector<uint8_t>>(const std::vector<uint8_t>&)>> responders_;
  std::map<HANDLE, Open> handles_;
  std::vector<Op> inFlight_;
  std::vector<std::pair<DWORD, DWORD>> opens_;
  Counts counts_;
  int nextHandle_ = 0;
  HWND window_ = nullptr;
  DEV_BROADCAST_DEVICEINTERFACE_W filter_{};
  bool registrationFails_ = false;
};

}  // namespace brisvel::testing
