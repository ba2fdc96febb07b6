// brisvelctl doctor on Windows: whether a processor is attached and can be
// opened. The HID class driver needs no permissions; what stops an open is
// another program holding the processor without sharing it.
#include <windows.h>

#include <CLI/CLI.hpp>

#include <cstdio>

#include "cli/cli_common.h"
#include "device/device_manager.h"
#include "hid/win32_hid_backend.h"

namespace brisvel::cli {

void RegisterDoctorCommand(CLI::App& app) {
  app.add_subcommand("doctor",
                     "check whether a processor is attached and can be opened; exit status 0 only when one can")
      ->callback([] {
        hid::WinHidBackend backend;
        int found = 0, usable = 0;
        for (const hid::HidDeviceInfo& device : backend.Enumerate()) {
          if (device.vendor != CDeviceManager::kVendor || device.product != CDeviceManager::kProduct) continue;
          ++found;
          hid::OpenResult opened = backend.Open(device.path);
          if (opened.error == hid::OpenError::kNone) {
            ++usable;
            std::printf("%s: opens\n", device.path.c_str());
          } else if (opened.systemError == ERROR_SHARING_VIOLATION || opened.systemError == ERROR_ACCESS_DENIED) {
            std::printf("%s: another program has the processor open; close it (another console?) and try again\n",
                        device.path.c_str());
          } else {
            std::printf("%s: cannot be opened (system error %d); unplug the processor and plug it in again\n",
                        device.path.c_str(), opened.systemError);
          }
        }
        // Processors that another program holds exclusively are not even listed.
        if (found == 0) {
          std::printf("no processor found: is it plugged in and powered? A program that holds it exclusively hides "
                      "it from the list too.\n");
        }
        std::fflush(stdout);
        if (usable == 0) throw CliError("no processor can be opened");
      });
}

}  // namespace brisvel::cli
