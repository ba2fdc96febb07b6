// brisvelctl's operating-system pieces on Windows: the executable's path from
// the module, interrupts from the console's control handler.
#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <string>

#include "cli/cli_platform.h"

namespace brisvel::cli {
namespace {

std::atomic<HANDLE> g_interrupted{nullptr};

BOOL WINAPI OnConsoleControl(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
      if (HANDLE h = g_interrupted.load()) ::SetEvent(h);
      return TRUE;  // handled: the command ends by itself
    default:
      return FALSE;
  }
}

}  // namespace

std::filesystem::path ExecutableFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return std::filesystem::path(path).parent_path();
    }
    path.resize(path.size() * 2);  // a long path: try again with more room
  }
}

std::string AlteredArgument() {
  int count = 0;
  LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (!args) return {};
  std::string altered;
  for (int i = 1; i < count && altered.empty(); ++i) {
    const int length = static_cast<int>(std::wcslen(args[i]));
    if (length == 0) continue;
    BOOL lossy = FALSE;
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, args[i], length, nullptr, 0, nullptr, &lossy);
    if (!lossy) continue;
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, args[i], length, nullptr, 0, nullptr, nullptr);
    altered.assign(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, args[i], length, altered.data(), n, nullptr, nullptr);
  }
  ::LocalFree(args);
  return altered;
}

InterruptWait::InterruptWait() {
  g_interrupted = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ::SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
}

InterruptWait::~InterruptWait() {
  ::SetConsoleCtrlHandler(&OnConsoleControl, FALSE);
  if (HANDLE h = g_interrupted.exchange(nullptr)) ::CloseHandle(h);
}

void InterruptWait::Wait() {
  if (HANDLE h = g_interrupted.load()) ::WaitForSingleObject(h, INFINITE);
}

}  // namespace brisvel::cli
