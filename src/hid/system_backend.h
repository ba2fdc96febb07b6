// The backend of the real processor on this platform: hidraw on Linux, the
// HID class driver on Windows.
#pragma once

#ifdef _WIN32
#include "hid/win32_hid_backend.h"
namespace brisvel::hid {
using SystemHidBackend = WinHidBackend;
}
#else
#include "hid/hidraw_backend.h"
namespace brisvel::hid {
using SystemHidBackend = HidrawBackend;
}
#endif
