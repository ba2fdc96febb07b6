// Bounded reading of regular files and atomic replacement on Windows: a file
// is read only when the handle opened on it is a disk file, and a new file is
// written beside the target, flushed, and put in its place with ReplaceFileW
// (which keeps the target's attributes and access list) or MoveFileExW.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <random>

#include "settings/file_safety.h"
#include "settings/file_safety_detail.h"

namespace brisvel::settings {
namespace {

std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string SystemErrorText(DWORD code) {
  char* buffer = nullptr;
  const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = n && buffer ? std::string(buffer, n) : std::string();
  ::LocalFree(buffer);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == '.' || text.back() == ' ')) {
    text.pop_back();
  }
  if (text.empty()) text = "system error " + std::to_string(code);
  return text;
}

std::string ErrorText(const char* what, const std::filesystem::path& path, DWORD code) {
  return std::string(what) + " " + PathText(path) + ": " + SystemErrorText(code);
}

bool IsMissingError(DWORD code) {
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_NAME ||
         code == ERROR_BAD_NETPATH;
}

// Owns one handle.
class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }
  HANDLE get() const { return h_; }
  void Reset(HANDLE h) {
    Close();
    h_ = h;
  }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  bool Close() {
    if (!valid()) return true;
    const bool ok = ::CloseHandle(h_) != 0;
    h_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE h_;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// What a handle is when it is not a disk file; empty for a disk file.
std::string KindOfHandle(HANDLE h) {
  switch (::GetFileType(h)) {
    case FILE_TYPE_DISK: break;
    case FILE_TYPE_CHAR: return "a device";
    case FILE_TYPE_PIPE: return "a pipe";
    default: return "not a regular file";
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileInformationByHandle(h, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return "a folder";
  return {};
}

std::string NotRegularText(const std::filesystem::path& path, const std::string& kind) {
  if (kind == "not a regular file") return PathText(path) + " is not a regular file";
  return PathText(path) + " is " + kind + ", not a regular file";
}

bool WriteAll(HANDLE h, std::string_view data) {
  while (!data.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(h, data.data(), chunk, &written, nullptr) || written == 0) return false;
    data.remove_prefix(written);
  }
  return true;
}

// A new, empty file beside path that no other process has open.
std::filesystem::path CreateTemporaryBeside(const std::filesystem::path& path, Handle* out, DWORD* error) {
  static std::atomic<uint32_t> counter{0};
  std::random_device random;
  std::filesystem::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  for (int attempt = 0; attempt < 100; ++attempt) {
    wchar_t suffix[16];
    ::swprintf(suffix, 16, L".tmp-%06x", (random() ^ (counter++ * 0x9E3779B9u)) & 0xFFFFFFu);
    const std::filesystem::path candidate = folder / (path.filename().wstring() + suffix);
    HANDLE h = ::CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      out->Reset(h);
      return candidate;
    }
    *error = ::GetLastError();
    if (*error != ERROR_FILE_EXISTS && *error != ERROR_ALREADY_EXISTS) break;
  }
  return {};
}

}  // namespace

FileContent ReadRegularFile(const std::filesystem::path& path, size_t maxBytes) {
  const auto fail = [](ReadStatus status, std::string why) { return detail::Refused(status, std::move(why)); };
  // Opening a disk file has no side effects; a device or a pipe is told by
  // its handle and refused before anything is read from it.
  Handle h(::CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.valid()) {
    const DWORD err = ::GetLastError();
    if (IsMissingError(err)) return fail(ReadStatus::kMissing, ErrorText("no file", path, err));
    return fail(ReadStatus::kUnreadable, ErrorText("cannot open", path, err));
  }
  if (const std::string kind = KindOfHandle(h.get()); !kind.empty()) {
    return fail(ReadStatus::kNotRegular, NotRegularText(path, kind));
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(h.get(), &size)) return fail(ReadStatus::kUnreadable, ErrorText("cannot read", path, ::GetLastError()));
  DWORD readError = 0;
  return detail::ReadOpenFile(
      PathText(path), static_cast<uint64_t>(size.QuadPart), maxBytes,
      [&](char* buffer, size_t room) -> std::ptrdiff_t {
        DWORD n = 0;
        if (::ReadFile(h.get(), buffer, static_cast<DWORD>(std::min<size_t>(room, 1u << 30)), &n, nullptr)) return n;
        readError = ::GetLastError();
        return -1;
      },
      [&] { return ErrorText("cannot read", path, readError); });
}

std::string WriteTargetProblem(const std::filesystem::path& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    // Not there yet (or the write itself will say why); device names such as
    // NUL or COM1 have no attributes but open all the same.
    Handle probe(::CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (probe.valid()) {
      if (const std::string kind = KindOfHandle(probe.get()); !kind.empty()) return NotRegularText(path, kind);
    }
    return {};
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return NotRegularText(path, "a folder");
  if (attributes & FILE_ATTRIBUTE_READONLY) return PathText(path) + " is read-only";
  Handle probe(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
  if (probe.valid()) {
    if (const std::string kind = KindOfHandle(probe.get()); !kind.empty()) return NotRegularText(path, kind);
  }
  // The user's own access decides: opening for writing changes nothing.
  Handle writable(::CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!writable.valid() && ::GetLastError() == ERROR_ACCESS_DENIED) return PathText(path) + " is read-only";
  return {};
}

bool WriteFileAtomically(const std::filesystem::path& requested, std::string_view data, std::string* error) {
  auto fail = [&](std::string why) {
    if (error) *error = std::move(why);
    return false;
  };
  const std::filesystem::path path = detail::ReplacementTarget(requested);
  if (std::string problem = WriteTargetProblem(path); !problem.empty()) return fail(std::move(problem));

  Handle file(INVALID_HANDLE_VALUE);
  DWORD createError = 0;
  const std::filesystem::path tmp = CreateTemporaryBeside(path, &file, &createError);
  if (tmp.empty()) return fail(ErrorText("cannot create a temporary file for", path, createError));
  auto abandon = [&](std::string why) {
    file.Close();
    ::DeleteFileW(tmp.c_str());
    return fail(std::move(why));
  };
  if (!WriteAll(file.get(), data)) return abandon(ErrorText("cannot write", tmp, ::GetLastError()));
  if (!::FlushFileBuffers(file.get())) return abandon(ErrorText("cannot flush", tmp, ::GetLastError()));
  if (!file.Close()) return abandon(ErrorText("cannot close", tmp, ::GetLastError()));

  const DWORD oldAttributes = ::GetFileAttributesW(path.c_str());
  const bool exists = oldAttributes != INVALID_FILE_ATTRIBUTES;
  if (exists) {
    // A file another program holds open without letting it be replaced
    // cannot be swapped; saying so before the swap leaves nothing half-done.
    Handle inUse(::CreateFileW(path.c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!inUse.valid()) {
      const DWORD err = ::GetLastError();
      file.Close();
      ::DeleteFileW(tmp.c_str());
      return fail(ErrorText("cannot replace", path, err));
    }
  }
  // ReplaceFileW keeps the old file's access list and streams on the new one.
  // Where it cannot (another file system, a target it may not merge with),
  // the plain replacing rename does the same swap; without a backup name, a
  // ReplaceFileW that stopped half-way has removed the target and left the
  // new file under its temporary name, which the rename then moves.
  bool replaced = exists && ::ReplaceFileW(path.c_str(), tmp.c_str(), nullptr,
                                           REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                                           nullptr);
  DWORD moveError = 0;
  if (!replaced) {
    replaced = ::MoveFileExW(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!replaced) moveError = ::GetLastError();
  }
  if (!replaced) {
    ::DeleteFileW(tmp.c_str());
    return fail(ErrorText("cannot replace", path, moveError));
  }
  // The attributes the user gave the old file (hidden, say) stay, whichever way it was swapped.
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  if (exists && (oldAttributes & kKept)) {
    const DWORD now = ::GetFileAttributesW(path.c_str());
    if (now != INVALID_FILE_ATTRIBUTES && (now & kKept) != (oldAttributes & kKept)) {
      ::SetFileAttributesW(path.c_str(), (now & ~kKept) | (oldAttributes & kKept));
    }
  }
  if (error) error->clear();
  return true;
}

FileStamp StampOf(const std::filesystem::path& path) {
  FileStamp stamp;
  Handle h(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!h.valid() || !::GetFileInformationByHandle(h.get(), &info)) return stamp;
  stamp.exists = true;
  stamp.device = info.dwVolumeSerialNumber;
  stamp.inode = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  stamp.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  stamp.modifiedNs = static_cast<int64_t>((static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                          info.ftLastWriteTime.dwLowDateTime) * 100;
  return stamp;
}

// The per-user folders (the local application data folder, the user's
// temporary folder) are closed to other users by their inherited access
// rules; what is checked here is that the folder is a real folder.
std::string PrivateFolderProblem(const std::filesystem::path& folder) {
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return ErrorText("no folder", folder, ::GetLastError());
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return PathText(folder) + " is a link, not a folder of this user";
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return PathText(folder) + " is not a folder";
  return {};
}

bool EnsurePrivateFolder(const std::filesystem::path& folder, std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  std::string problem = PrivateFolderProblem(folder);
  if (!problem.empty()) {
    if (error) *error = std::move(problem);
    return false;
  }
  return true;
}

// Windows has no numeric user id; one process user is all the console tells apart.
uint32_t CurrentUserId() { return 0; }

std::optional<uint32_t> LocalPeerUserId(intptr_t) { return std::nullopt; }

}  // namespace brisvel::settings
