// Bounded reading of regular files and the atomic replacement of a file that
// refuses read-only targets and anything that is not a regular file.
#include "settings/file_safety.h"
#include "settings/file_safety_detail.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

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
  if (::stat(path.c_str(), &st) != 0) return {};  // not there yet (or the write itself will say why)
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
  std::string tmpl = (folder / (path.filename().string() + ".tmp-XXXXXX")).string();
  const int fd = ::mkstemp(tmpl.data());
  if (fd < 0) return fail(ErrnoText("cannot create a temporary file for", path, errno));
  const std::filesystem::path tmp = tmpl;

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

}  // namespace brisvel::settings
