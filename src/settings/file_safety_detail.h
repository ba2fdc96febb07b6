// The parts of safe file access that do not depend on the system, shared by
// file_safety.cpp (POSIX) and win32_file_safety.cpp (Windows).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "settings/file_safety.h"

namespace brisvel::settings::detail {

inline FileContent Refused(ReadStatus status, std::string why, uint64_t size = 0) {
  FileContent out;
  out.status = status;
  out.size = size;
  out.error = std::move(why);
  return out;
}

// The rest of ReadRegularFile once the file is open and the file system has
// given its size: a file over the limit is refused unread, and at most
// maxBytes + 1 bytes are read, one more than allowed telling that the file
// grew meanwhile. readSome(buffer, room) returns the bytes read, 0 at the end
// and -1 on failure, for which unreadable() gives the reason.
template <class ReadSome, class Unreadable>
FileContent ReadOpenFile(const std::string& name, uint64_t size, size_t maxBytes, ReadSome readSome,
                         Unreadable unreadable) {
  auto tooLarge = [&](uint64_t actual) {
    return Refused(ReadStatus::kTooLarge,
                   name + " is larger than " + std::to_string(maxBytes) + " bytes (" + std::to_string(actual) +
                       " bytes)",
                   actual);
  };
  if (size > maxBytes) return tooLarge(size);
  FileContent out;
  out.size = size;
  const size_t limit = maxBytes < SIZE_MAX ? maxBytes + 1 : maxBytes;
  out.data.resize(std::min<size_t>(static_cast<size_t>(size) + 1, limit));
  size_t got = 0;
  for (;;) {
    if (got == out.data.size()) {
      if (got >= limit) break;
      out.data.resize(std::min(limit, std::max<size_t>(got * 2, 4096)));
    }
    const std::ptrdiff_t n = readSome(out.data.data() + got, out.data.size() - got);
    if (n < 0) return Refused(ReadStatus::kUnreadable, unreadable(), size);
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  if (got > maxBytes) return tooLarge(got);
  out.data.resize(got);
  out.status = ReadStatus::kOk;
  return out;
}

// Where a replacement of path is written: a file reached through a symbolic
// link is replaced where it lives, so the link stays a link.
inline std::filesystem::path ReplacementTarget(const std::filesystem::path& requested) {
  std::error_code ec;
  if (std::filesystem::is_symlink(requested, ec)) {
    const auto resolved = std::filesystem::canonical(requested, ec);
    if (!ec) return resolved;
  }
  return requested;
}

}  // namespace brisvel::settings::detail
