// Bounded reading of regular files, the atomic replacement of a file that
// refuses read-only targets and anything that is not a regular file, the
// advisory locks of files several programs change, and private folders. The
// POSIX branch of every operating-system call of the settings layer is here.
#include "settings/file_safety.h"
#include "settings/file_safety_detail.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <thread>

namespace brisvel::settings {
namespace {

std::string ErrnoText(const char* what, const std::filesystem::path& path, int err) {
  return std::string(what) + " " + path.string() + ": " + std::strerror(err);
}

std::string KindText(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

std::string NotRegularText(const std::filesystem::path& path, mode_t mode) {
  const std::string kind = KindText(mode);
  if (kind == "not a regular file") return path.string() + " is not a regular file";
  return path.string() + " is " + kind + ", not a regular file";
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Temporary files of a save are "<name>.tmp-XXXXXX" beside the target. The
// writer holds an advisory lock on its temporary file until the rename, so a
// temporary file whose lock can be taken was left by a save that ended early.
constexpr char kTemporaryInfix[] = ".tmp-";
constexpr size_t kTemporaryRandom = 6;

// A new locked temporary file in folder; -1 with errno on failure.
int CreateTemporary(const std::filesystem::path& folder, const std::string& prefix, std::filesystem::path& tmp) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::string tmpl = (folder / (prefix + std::string(kTemporaryRandom, 'X'))).string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return -1;
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    // Taken at once; a cleaner of another save may have taken it first and
    // removed the file, then a new one is made.
    struct stat mine {}, there {};
    if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &mine) == 0 && ::lstat(tmpl.c_str(), &there) == 0 &&
        mine.st_dev == there.st_dev && mine.st_ino == there.st_ino) {
      tmp = tmpl;
      return fd;
    }
    ::close(fd);
  }
  errno = EAGAIN;
  return -1;
}

// Removes the temporary files of earlier saves of the same target whose
// writer has ended; a save in progress keeps its file.
void RemoveStaleTemporaries(const std::filesystem::path& folder, const std::string& prefix, const std::string& own) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  const int dirFd = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name.size() != prefix.size() + kTemporaryRandom || name.substr(0, prefix.size()) != prefix || name == own) continue;
    const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat held {}, there {};
    if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::fstatat(dirFd, entry->d_name, &there, AT_SYMLINK_NOFOLLOW) == 0 && held.st_dev == there.st_dev &&
        held.st_ino == there.st_ino) {
      ::unlinkat(dirFd, entry->d_name, 0);
    }
    ::close(fd);
  }
  ::closedir(dir);
}

}  // namespace

FileContent ReadRegularFile(const std::filesystem::path& path, size_t maxBytes) {
  FileContent out;
  auto fail = [&](ReadStatus status, std::string why) {
    out.status = status;
    out.data.clear();
    out.error = std::move(why);
    return out;
  };
  // Look before opening: opening a FIFO or a device may block or act on it.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    const int err = errno;
    if (err == ENOENT || err == ENOTDIR) return fail(ReadStatus::kMissing, ErrnoText("no file", path, err));
    return fail(ReadStatus::kUnreadable, ErrnoText("cannot read", path, err));
  }
  if (!S_ISREG(st.st_mode)) return fail(ReadStatus::kNotRegular, NotRegularText(path, st.st_mode));

  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    const int err = errno;
    if (err == ENOENT) return fail(ReadStatus::kMissing, ErrnoText("no file", path, err));
    return fail(ReadStatus::kUnreadable, ErrnoText("cannot open", path, err));
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  // The path may have been replaced between the look and the open.
  if (::fstat(fd, &st) != 0) return fail(ReadStatus::kUnreadable, ErrnoText("cannot read", path, errno));
  if (!S_ISREG(st.st_mode)) return fail(ReadStatus::kNotRegular, NotRegularText(path, st.st_mode));
  int readError = 0;
  return detail::ReadOpenFile(
      path.string(), static_cast<uint64_t>(st.st_size), maxBytes,
      [&](char* buffer, size_t room) -> std::ptrdiff_t {
        for (;;) {
          const ssize_t n = ::read(fd, buffer, room);
          if (n < 0 && errno == EINTR) continue;
          if (n < 0) readError = errno;
          return n;
        }
      },
      [&] { return ErrnoText("cannot read", path, readError); });
}

std::string WriteTargetProblem(const std::filesystem::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    // A link to nothing: writing would replace the link itself, or create a
    // file somewhere the user did not name.
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
      std::error_code ec;
      const auto target = std::filesystem::read_symlink(path, ec);
      return path.string() + " is a symbolic link to " + (ec ? std::string("a missing file") : target.string()) +
             ", which does not exist";
    }
    return {};  // not there yet (or the write itself will say why)
  }
  if (!S_ISREG(st.st_mode)) return NotRegularText(path, st.st_mode);
  // A file without any write permission is read-only for every user, root
  // included; otherwise the user's own access decides.
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return path.string() + " is read-only";
  if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    return path.string() + " is read-only";
  }
  return {};
}

bool WriteFileAtomically(const std::filesystem::path& requested, std::string_view data, std::string* error) {
  auto fail = [&](std::string why) {
    if (error) *error = std::move(why);
    return false;
  };
  const std::filesystem::path path = detail::ReplacementTarget(requested);
  if (std::string problem = WriteTargetProblem(path); !problem.empty()) return fail(std::move(problem));

  std::filesystem::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  const std::string prefix = path.filename().string() + kTemporaryInfix;
  std::filesystem::path tmp;
  const int fd = CreateTemporary(folder, prefix, tmp);
  if (fd < 0) return fail(ErrnoText("cannot create a temporary file for", path, errno));
  RemoveStaleTemporaries(folder, prefix, tmp.filename().string());

  auto abandon = [&](std::string why) {
    ::close(fd);
    ::unlink(tmp.c_str());
    return fail(std::move(why));
  };

  // The new file gets the old file's permissions, or the usual ones.
  struct stat st {};
  const mode_t mode = (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ? (st.st_mode & 07777) : 0644;
  if (::fchmod(fd, mode) != 0) return abandon(ErrnoText("cannot set permissions of", tmp, errno));
  if (!WriteAll(fd, data)) return abandon(ErrnoText("cannot write", tmp, errno));
  if (::fsync(fd) != 0) return abandon(ErrnoText("cannot flush", tmp, errno));
  if (::close(fd) != 0) {
    const std::string why = ErrnoText("cannot close", tmp, errno);
    ::unlink(tmp.c_str());
    return fail(why);
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    const std::string why = ErrnoText("cannot replace", path, errno);
    ::unlink(tmp.c_str());
    return fail(why);
  }
  // Make the rename itself durable; the new content is already in place, so a
  // failure here is not a failure of the save.
  const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    (void)::fsync(dirFd);
    ::close(dirFd);
  }
  if (error) error->clear();
  return true;
}

// ---- Locks

FileStamp StampOf(const std::filesystem::path& path) {
  FileStamp stamp;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return stamp;
  stamp.exists = true;
  stamp.device = static_cast<uint64_t>(st.st_dev);
  stamp.inode = static_cast<uint64_t>(st.st_ino);
  stamp.size = static_cast<uint64_t>(st.st_size);
  stamp.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return stamp;
}

// ---- Private folders and peers

std::string PrivateFolderProblem(const std::filesystem::path& folder) {
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0) return ErrnoText("no folder", folder, errno);
  if (S_ISLNK(st.st_mode)) return folder.string() + " is a symbolic link, not a folder of this user";
  if (!S_ISDIR(st.st_mode)) return folder.string() + " is not a folder";
  if (st.st_uid != ::geteuid()) {
    return folder.string() + " belongs to user " + std::to_string(st.st_uid) + ", not to this user (" +
           std::to_string(::geteuid()) + ")";
  }
  if ((st.st_mode & 077) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    return folder.string() + " is open to other users (mode " + mode + ")";
  }
  return {};
}

bool EnsurePrivateFolder(const std::filesystem::path& folder, std::string* error) {
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0 && errno == ENOENT) {
    std::error_code ec;
    if (folder.has_parent_path()) std::filesystem::create_directories(folder.parent_path(), ec);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
      if (error) *error = ErrnoText("cannot create", folder, errno);
      return false;
    }
  }
  std::string problem = PrivateFolderProblem(folder);
  if (!problem.empty()) {
    if (error) *error = std::move(problem);
    return false;
  }
  return true;
}

uint32_t CurrentUserId() { return static_cast<uint32_t>(::geteuid()); }

std::optional<uint32_t> LocalPeerUserId(intptr_t socketDescriptor) {
  struct ucred peer {};
  socklen_t size = sizeof peer;
  if (socketDescriptor < 0 ||
      ::getsockopt(static_cast<int>(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
      size != sizeof peer) {
    return std::nullopt;
  }
  return static_cast<uint32_t>(peer.uid);
}

}  // namespace brisvel::settings
