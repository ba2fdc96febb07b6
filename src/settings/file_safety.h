// Safe access to the user's files, shared by the console and brisvelctl: only
// regular files are read, never more than a stated size and never blocking on
// a FIFO; a file is replaced atomically, and never when it is read-only or is
// not a regular file (a device node, a FIFO, a folder); a file that several
// programs change is changed under an advisory lock on a lock file beside it.
//
// The operating-system calls sit in file_safety.cpp behind the few functions
// declared here (locks, stamps, private folders, peer credentials), so that
// another platform supplies its own branch of that file only.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace brisvel::settings {

enum class ReadStatus {
  kOk,          // data holds the whole file
  kMissing,     // nothing at the path
  kNotRegular,  // a FIFO, device node, socket or folder
  kTooLarge,    // larger than the limit the caller gave
  kUnreadable,  // no permission, an I/O error
};

struct FileContent {
  ReadStatus status = ReadStatus::kMissing;
  std::string data;    // the file's bytes when status is kOk
  uint64_t size = 0;   // the file's size as the file system reports it
  std::string error;   // why the file was not read, naming it; empty when read
};

// Reads a regular file whole when it holds at most maxBytes. Anything else at
// the path is refused without waiting (a FIFO without a writer, a terminal);
// the size is checked before reading and at most maxBytes + 1 bytes are read,
// so a file that grows while it is read is refused too.
FileContent ReadRegularFile(const std::filesystem::path& path, size_t maxBytes);

// Why path may not be replaced by a new file: it exists and is not a regular
// file, it is read-only (the user may not write it, or it carries no write
// permission at all), or it is a symbolic link to nothing. Empty when it may
// be replaced or does not exist yet.
std::string WriteTargetProblem(const std::filesystem::path& path);

// Writes data to path by way of a temporary file in the same folder that is
// flushed to disk and then renamed over path. A path that is a symbolic link
// is replaced where the link points; a link to nothing is refused. A target
// refused by WriteTargetProblem is left alone. On failure path is untouched,
// no temporary file remains and error (when given) says why. Temporary files
// of earlier saves of the same path whose writer has ended (a save that was
// killed) are removed.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view data, std::string* error = nullptr);

// ---- Changes by several programs ----------------------------------------------

// "<file>.lock" beside the file (beside the file a symbolic link points to).
std::filesystem::path LockFilePath(const std::filesystem::path& file);

// How long a writer waits for another holder by default.
inline constexpr std::chrono::milliseconds kLockWait{60000};

// An advisory lock that the console's processes and brisvelctl take around a
// read-modify-write of a shared file: shared for readers, exclusive for a
// writer; held while the object lives (or until Release), and ended with the
// process that holds it. The lock is taken on a companion file (config.ini.lock
// beside config.ini, say), created when missing, never on the data file
// itself: on Windows a held range lock stops other processes reading the
// locked bytes. POSIX: flock on the whole file; Windows: LockFileEx over the
// whole range. Every program that changes the file reads it again under the
// lock, applies its change and writes it before releasing, so no change is
// lost.
class FileLock {
 public:
  enum class Kind { kShared, kExclusive };

  FileLock() = default;
  ~FileLock() { Release(); }
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Takes the lock, waiting up to timeoutMs for another holder to let go (0:
  // one attempt). An earlier lock of this object is released first. On
  // failure error (when given) says why: the lock is held elsewhere, or the
  // lock file cannot be opened.
  bool Acquire(const std::filesystem::path& lockFile, Kind kind, int timeoutMs, std::string* error = nullptr);
  // The writer's lock of file: exclusive, on LockFilePath(file) (the folder
  // must exist), waiting up to wait.
  bool Acquire(const std::filesystem::path& file, std::string* error = nullptr, std::chrono::milliseconds wait = kLockWait);
  void Release();
  bool Held() const { return handle_ != kNone; }

 private:
  static constexpr intptr_t kNone = -1;
  intptr_t handle_ = kNone;  // the lock file's descriptor (POSIX) or handle (Windows)
};

// What identifies one version of a file on disk: a replacement by another
// program changes it. Equal stamps mean the file was not replaced or changed.
struct FileStamp {
  bool exists = false;
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t size = 0;
  int64_t modifiedNs = 0;
  bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::filesystem::path& path);

// ---- Folders and channels only this user may use -------------------------------

// Why folder may not hold this user's private files (lock files, sockets): it
// is missing, not a folder (a symbolic link counts as none), not owned by this
// user, or open to other users. Empty when it is fit.
std::string PrivateFolderProblem(const std::filesystem::path& folder);
// Creates folder (and its parents) when missing, the folder itself readable by
// this user only, then checks it with PrivateFolderProblem. False with error
// when it is not fit.
bool EnsurePrivateFolder(const std::filesystem::path& folder, std::string* error = nullptr);
// The user this process runs as, and the user at the other end of a connected
// local socket (nothing when it cannot be told).
uint32_t CurrentUserId();
std::optional<uint32_t> LocalPeerUserId(intptr_t socketDescriptor);

}  // namespace brisvel::settings
