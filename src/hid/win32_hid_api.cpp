// The system implementation of the Win32 HID seam, and the path conversions.
#include "hid/win32_hid_api.h"

namespace brisvel::hid {
namespace {

class SystemApi final : public IWin32HidApi {
 public:
  void HidGuid(GUID* guid) override { ::HidD_GetHidGuid(guid); }
  HDEVINFO ClassDevices(const GUID& interfaceClass) override {
    return ::SetupDiGetClassDevsW(&interfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  }
  BOOL EnumInterfaces(HDEVINFO set, const GUID& interfaceClass, DWORD index, SP_DEVICE_INTERFACE_DATA* data) override {
    return ::SetupDiEnumDeviceInterfaces(set, nullptr, &interfaceClass, index, data);
  }
  BOOL InterfaceDetail(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data, SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail,
                       DWORD size, DWORD* required) override {
    return ::SetupDiGetDeviceInterfaceDetailW(set, data, detail, size, required, nullptr);
  }
  BOOL DestroyInfoList(HDEVINFO set) override { return ::SetupDiDestroyDeviceInfoList(set); }

  BOOLEAN Attributes(HANDLE device, HIDD_ATTRIBUTES* attributes) override {
    return ::HidD_GetAttributes(device, attributes);
  }
  BOOLEAN PreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* data) override {
    return ::HidD_GetPreparsedData(device, data);
  }
  NTSTATUS Caps(PHIDP_PREPARSED_DATA data, HIDP_CAPS* caps) override { return ::HidP_GetCaps(data, caps); }
  BOOLEAN FreePreparsedData(PHIDP_PREPARSED_DATA data) override { return ::HidD_FreePreparsedData(data); }

  HANDLE OpenDevice(const wchar_t* path, DWORD access, DWORD share, DWORD flags) override {
    return ::CreateFileW(path, access, share, nullptr, OPEN_EXISTING, flags, nullptr);
  }
  BOOL Read(HANDLE device, void* buffer, DWORD size, OVERLAPPED* overlapped) override {
    return ::ReadFile(device, buffer, size, nullptr, overlapped);
  }
  BOOL Write(HANDLE device, const void* buffer, DWORD size, OVERLAPPED* overlapped) override {
    return ::WriteFile(device, buffer, size, nullptr, overlapped);
  }
  BOOL OverlappedResult(HANDLE device, OVERLAPPED* overlapped, DWORD* transferred, BOOL wait) override {
    return ::GetOverlappedResult(device, overlapped, transferred, wait);
  }
  BOOL Cancel(HANDLE device, OVERLAPPED* overlapped) override { return ::CancelIoEx(device, overlapped); }
  BOOL Close(HANDLE handle) override { return ::CloseHandle(handle); }

  HDEVNOTIFY RegisterNotification(HWND window, DEV_BROADCAST_DEVICEINTERFACE_W* filter) override {
    return ::RegisterDeviceNotificationW(window, filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  }
  BOOL UnregisterNotification(HDEVNOTIFY registration) override {
    return ::UnregisterDeviceNotification(registration);
  }
};

}  // namespace

IWin32HidApi& SystemWin32HidApi() {
  static SystemApi api;
  return api;
}

std::string WideToUtf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  }
  return out;
}

std::wstring Utf8ToWide(std::string_view text) {
  if (text.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

}  // namespace brisvel::hid
