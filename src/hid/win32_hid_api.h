// The few Win32 calls of the Windows HID backend, behind one interface: the
// SetupAPI enumeration of the HID interface class, the HID class queries,
// overlapped file I/O on a device and the device-notification registration.
// The system implementation forwards each call unchanged; tests put a fake
// device behind it. Errors are reported as the calls do, through the
// thread's last-error value.
#pragma once

#include <windows.h>
#include <dbt.h>
#include <setupapi.h>
#include <winternl.h>  // NTSTATUS
extern "C" {
#include <hidsdi.h>  // with hidusage.h and hidpi.h
}

#include <string>
#include <string_view>

namespace brisvel::hid {

class IWin32HidApi {
 public:
  virtual ~IWin32HidApi() = default;

  // HidD_GetHidGuid
  virtual void HidGuid(GUID* guid) = 0;
  // SetupDiGetClassDevsW for present devices exposing the interface class.
  virtual HDEVINFO ClassDevices(const GUID& interfaceClass) = 0;
  // SetupDiEnumDeviceInterfaces
  virtual BOOL EnumInterfaces(HDEVINFO set, const GUID& interfaceClass, DWORD index,
                              SP_DEVICE_INTERFACE_DATA* data) = 0;
  // SetupDiGetDeviceInterfaceDetailW
  virtual BOOL InterfaceDetail(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data, SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail,
                               DWORD size, DWORD* required) = 0;
  // SetupDiDestroyDeviceInfoList
  virtual BOOL DestroyInfoList(HDEVINFO set) = 0;

  // HidD_GetAttributes, HidD_GetPreparsedData, HidP_GetCaps, HidD_FreePreparsedData
  virtual BOOLEAN Attributes(HANDLE device, HIDD_ATTRIBUTES* attributes) = 0;
  virtual BOOLEAN PreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* data) = 0;
  virtual NTSTATUS Caps(PHIDP_PREPARSED_DATA data, HIDP_CAPS* caps) = 0;
  virtual BOOLEAN FreePreparsedData(PHIDP_PREPARSED_DATA data) = 0;

  // CreateFileW of an existing device, ReadFile, WriteFile, GetOverlappedResult,
  // CancelIoEx and CloseHandle.
  virtual HANDLE OpenDevice(const wchar_t* path, DWORD access, DWORD share, DWORD flags) = 0;
  virtual BOOL Read(HANDLE device, void* buffer, DWORD size, OVERLAPPED* overlapped) = 0;
  virtual BOOL Write(HANDLE device, const void* buffer, DWORD size, OVERLAPPED* overlapped) = 0;
  virtual BOOL OverlappedResult(HANDLE device, OVERLAPPED* overlapped, DWORD* transferred, BOOL wait) = 0;
  virtual BOOL Cancel(HANDLE device, OVERLAPPED* overlapped) = 0;
  virtual BOOL Close(HANDLE handle) = 0;

  // RegisterDeviceNotificationW for a window, UnregisterDeviceNotification
  virtual HDEVNOTIFY RegisterNotification(HWND window, DEV_BROADCAST_DEVICEINTERFACE_W* filter) = 0;
  virtual BOOL UnregisterNotification(HDEVNOTIFY registration) = 0;
};

// The system's own functions.
IWin32HidApi& SystemWin32HidApi();

// Interface paths are wide strings on Windows and UTF-8 above the backend.
std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view text);

}  // namespace brisvel::hid
