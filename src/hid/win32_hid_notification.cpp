// Arrival and removal of HID interfaces on Windows: a thread of its own keeps
// a hidden message-only window registered for the HID interface class and
// hands each DBT_DEVICEARRIVAL and DBT_DEVICEREMOVECOMPLETE of a device
// interface to the sink, with the interface path the notification carries
// (the string enumeration returns) and the vendor and product read from it.
#include <future>
#include <thread>

#include "hid/win32_hid_api.h"
#include "hid/win32_hid_backend.h"

namespace brisvel::hid {
namespace {

constexpr wchar_t kWindowClass[] = L"RezUriruBrisvelHidNotification";

class Win32HotplugSubscription final : public HotplugSubscription {
 public:
  Win32HotplugSubscription(IWin32HidApi& api, IHotplugSink& sink) : api_(api), sink_(sink) {}

  // Starts the thread and waits until its window is registered; false when
  // either fails (the thread has then ended).
  bool Start() {
    std::future<bool> started = ready_.get_future();
    thread_ = std::thread([this] { Run(ready_); });
    if (started.get()) return true;
    thread_.join();
    return false;
  }

  ~Win32HotplugSubscription() override {
    if (!thread_.joinable()) return;
    ::PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
  }

 private:
  void Run(std::promise<bool>& ready) {
    const HINSTANCE module = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Win32HotplugSubscription::WindowProc;
    wc.hInstance = module;
    wc.lpszClassName = kWindowClass;
    ::RegisterClassExW(&wc);  // already registered by an earlier subscription: fine
    window_ = ::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, this);
    if (!window_) {
      ready.set_value(false);
      return;
    }
    // The HID interface class, as the registration of the console's main window names it.
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    api_.HidGuid(&filter.dbcc_classguid);
    registration_ = api_.RegisterNotification(window_, &filter);
    if (!registration_) {
      ::DestroyWindow(window_);
      ready.set_value(false);
      return;
    }
    ready.set_value(true);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    api_.UnregisterNotification(registration_);
  }

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32HotplugSubscription*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
      case WM_DEVICECHANGE:
        if (self) self->OnDeviceChange(wParam, lParam);
        return TRUE;
      case WM_CLOSE:
        ::DestroyWindow(window);
        return 0;
      case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
      default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
  }

  void OnDeviceChange(WPARAM event, LPARAM data) {
    HotplugAction action;
    if (event == DBT_DEVICEARRIVAL) action = HotplugAction::kArrival;
    else if (event == DBT_DEVICEREMOVECOMPLETE) action = HotplugAction::kRemoval;
    else return;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (!header || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return;
    constexpr size_t kNameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    if (header->dbch_size <= kNameOffset) return;
    // The name runs to its terminator, never past the size the record gives.
    const auto* record = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
    const size_t room = (header->dbch_size - kNameOffset) / sizeof(wchar_t);
    const wchar_t* name = record->dbcc_name;
    size_t length = 0;
    while (length < room && name[length] != L'\0') ++length;
    HidDeviceInfo device{WideToUtf8(std::wstring_view(name, length)), 0, 0};
    if (device.path.empty()) return;
    if (const auto ids = ParseInterfacePathIds(device.path)) {
      device.vendor = ids->first;
      device.product = ids->second;
    }
    sink_.OnHidDeviceChange(action, device);
  }

  IWin32HidApi& api_;
  IHotplugSink& sink_;
  std::promise<bool> ready_;  // outlives the thread's use of it
  std::thread thread_;
  HWND window_ = nullptr;
  HDEVNOTIFY registration_ = nullptr;
};

}  // namespace

std::unique_ptr<HotplugSubscription> WinHidBackend::SubscribeHotplug(IHotplugSink& sink) {
  auto subscription = std::make_unique<Win32HotplugSubscription>(api_, sink);
  if (!subscription->Start()) return nullptr;
  return subscription;
}

}  // namespace brisvel::hid
