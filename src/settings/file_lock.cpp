// The advisory lock of file_safety.h: the waiting loop is shared, taking and
// dropping the lock is flock on POSIX systems and LockFileEx on Windows.
#include "settings/file_safety.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

namespace brisvel::settings {
namespace {

enum class Attempt { kLocked, kBusy, kFailed };

std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

#ifdef _WIN32

intptr_t OpenLockFile(const std::filesystem::path& path, std::string* why) {
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    *why = "cannot open the lock file " + PathText(path) + " (system error " + std::to_string(::GetLastError()) + ")";
    return -1;
  }
  return reinterpret_cast<intptr_t>(h);
}

Attempt TryLock(intptr_t handle, FileLock::Kind kind, std::string* why) {
  OVERLAPPED whole{};
  DWORD flags = LOCKFILE_FAIL_IMMEDIATELY;
  if (kind == FileLock::Kind::kExclusive) flags |= LOCKFILE_EXCLUSIVE_LOCK;
  if (::LockFileEx(reinterpret_cast<HANDLE>(handle), flags, 0, MAXDWORD, MAXDWORD, &whole)) return Attempt::kLocked;
  const DWORD err = ::GetLastError();
  if (err == ERROR_LOCK_VIOLATION || err == ERROR_IO_PENDING) return Attempt::kBusy;
  *why = "cannot lock (system error " + std::to_string(err) + ")";
  return Attempt::kFailed;
}

void Unlock(intptr_t handle) {
  OVERLAPPED whole{};
  ::UnlockFileEx(reinterpret_cast<HANDLE>(handle), 0, MAXDWORD, MAXDWORD, &whole);
}

void CloseLockFile(intptr_t handle) { ::CloseHandle(reinterpret_cast<HANDLE>(handle)); }

#else

intptr_t OpenLockFile(const std::filesystem::path& path, std::string* why) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, 0644);
  if (fd < 0) *why = "cannot open the lock file " + PathText(path) + ": " + std::strerror(errno);
  return fd;
}

Attempt TryLock(intptr_t handle, FileLock::Kind kind, std::string* why) {
  const int operation = (kind == FileLock::Kind::kExclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
  for (;;) {
    if (::flock(static_cast<int>(handle), operation) == 0) return Attempt::kLocked;
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) return Attempt::kBusy;
    *why = std::string("cannot lock: ") + std::strerror(errno);
    return Attempt::kFailed;
  }
}

void Unlock(intptr_t handle) { ::flock(static_cast<int>(handle), LOCK_UN); }

void CloseLockFile(intptr_t handle) { ::close(static_cast<int>(handle)); }

#endif

}  // namespace

std::filesystem::path LockFilePath(const std::filesystem::path& file) {
  std::error_code ec;
  std::filesystem::path target = file;
  if (std::filesystem::is_symlink(file, ec)) {
    const auto resolved = std::filesystem::canonical(file, ec);
    if (!ec) target = resolved;
  }
  return target.parent_path() / (target.filename().string() + ".lock");
}

FileLock::FileLock(FileLock&& other) noexcept : handle_(std::exchange(other.handle_, kNone)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = std::exchange(other.handle_, kNone);
  }
  return *this;
}

bool FileLock::Acquire(const std::filesystem::path& lockFile, Kind kind, int timeoutMs, std::string* error) {
  Release();
  std::string why;
  const intptr_t handle = OpenLockFile(lockFile, &why);
  if (handle == kNone) {
    if (error) *error = why;
    return false;
  }
  // Neither system offers a lock wait with a time limit: try, then look again
  // every few milliseconds until the limit.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
  auto pause = std::chrono::microseconds(500);
  for (;;) {
    const Attempt attempt = TryLock(handle, kind, &why);
    if (attempt == Attempt::kLocked) {
      handle_ = handle;
      if (error) error->clear();
      return true;
    }
    if (attempt == Attempt::kFailed || std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(pause);
    pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(20));
  }
  CloseLockFile(handle);
  if (error) *error = why.empty() ? PathText(lockFile) + " is locked by another program" : why;
  return false;
}

bool FileLock::Acquire(const std::filesystem::path& file, std::string* error, std::chrono::milliseconds wait) {
  const std::filesystem::path lockPath = LockFilePath(file);
  if (Acquire(lockPath, Kind::kExclusive, static_cast<int>(wait.count()), error)) return true;
  if (error && error->ends_with("is locked by another program")) {
    *error = PathText(lockPath) + " is held by another program that is changing " + PathText(file);
  }
  return false;
}

void FileLock::Release() {
  if (handle_ == kNone) return;
  Unlock(handle_);
  CloseLockFile(handle_);
  handle_ = kNone;
}

}  // namespace brisvel::settings
