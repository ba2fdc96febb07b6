// The INI settings store on SimpleIni, and the atomic file replacement that
// keeps a crash or a full disk from ever leaving a truncated settings file.
#include "settings/settings_store.h"

// Values stay UTF-8 bytes end to end; no wide-character conversion is needed.
#define SI_NO_CONVERSION
// The store's code is compiled here, so it is built with our own flags
// (sanitizers, fuzzing coverage) rather than taken precompiled.
#define SI_IMPLEMENTATION
#include <SimpleIni.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

namespace brisvel::settings {
namespace {

// CSimpleIniA compares section and key names without regard to ASCII letter
// case (the "Case" variant is the case-sensitive one).
using Ini = CSimpleIniA;

std::string ErrnoText(const char* what, const std::filesystem::path& path) {
  return std::string(what) + " " + path.string() + ": " + std::strerror(errno);
}

// Names in the order they appear in the file.
std::vector<std::string> InLoadOrder(Ini::TNamesDepend names) {
  names.sort(Ini::Entry::LoadOrder());
  std::vector<std::string> out;
  out.reserve(names.size());
  for (const auto& e : names) out.emplace_back(e.pItem);
  return out;
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

std::optional<int32_t> ParseIniInteger(std::string_view text) {
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  int64_t value = 0;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    if (text.empty()) return std::nullopt;
    for (char c : text) {
      int d = -1;
      if (c >= '0' && c <= '9') d = c - '0';
      else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
      if (d < 0) return std::nullopt;
      value = std::min<int64_t>(value * 16 + d, kMax);
    }
    return static_cast<int32_t>(value);
  }
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = std::min<int64_t>(value * 10 + (c - '0'), kMax + 1);
  }
  value = negative ? -value : value;
  return static_cast<int32_t>(std::clamp(value, kMin, kMax));
}

bool WriteFileAtomically(const std::filesystem::path& requested, std::string_view data, std::string* error) {
  auto fail = [&](std::string why) {
    if (error) *error = std::move(why);
    return false;
  };
  // A settings file reached through a symbolic link is replaced where it lives,
  // so the link stays a link.
  std::error_code ec;
  std::filesystem::path path = requested;
  if (std::filesystem::is_symlink(requested, ec)) {
    const auto resolved = std::filesystem::canonical(requested, ec);
    if (!ec) path = resolved;
  }

  std::filesystem::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  std::string tmpl = (folder / (path.filename().string() + ".tmp-XXXXXX")).string();
  const int fd = ::mkstemp(tmpl.data());
  if (fd < 0) return fail(ErrnoText("cannot create a temporary file for", path));
  const std::filesystem::path tmp = tmpl;

  auto abandon = [&](std::string why) {
    ::close(fd);
    ::unlink(tmp.c_str());
    return fail(std::move(why));
  };

  // The new file gets the old file's permissions, or the usual ones.
  struct stat st {};
  const mode_t mode = (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ? (st.st_mode & 07777) : 0644;
  if (::fchmod(fd, mode) != 0) return abandon(ErrnoText("cannot set permissions of", tmp));
  if (!WriteAll(fd, data)) return abandon(ErrnoText("cannot write", tmp));
  if (::fsync(fd) != 0) return abandon(ErrnoText("cannot flush", tmp));
  if (::close(fd) != 0) {
    const std::string why = ErrnoText("cannot close", tmp);
    ::unlink(tmp.c_str());
    return fail(why);
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    const std::string why = ErrnoText("cannot replace", path);
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

namespace {

// Comment lines after the last entry of a file. The INI reader attaches a
// comment to the entry that follows it, so these would otherwise be dropped
// on rewrite; they are kept and written back at the end.
std::string TrailingComments(std::string_view data) {
  data = data.substr(0, data.find('\0'));  // the reader stops at a zero byte too
  std::vector<std::string_view> comments;
  size_t end = data.size();
  while (end > 0) {
    size_t start = data.find_last_of("\r\n", end - 1);
    start = start == std::string_view::npos ? 0 : start + 1;
    std::string_view line = data.substr(start, end - start);
    end = start == 0 ? 0 : start - 1;
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) continue;  // blank
    if (line[first] != ';' && line[first] != '#') {
      // An entry or header precedes the comments: they are trailing ones.
      std::string out;
      for (auto it = comments.rbegin(); it != comments.rend(); ++it) {
        out.append(*it);
        out.push_back('\n');
      }
      return out;
    }
    comments.push_back(line.substr(first));
  }
  return {};  // only comments: the reader keeps them as the file's own comment
}

}  // namespace

struct SettingsStore::Impl {
  Ini ini{/*isUtf8=*/true, /*multiKey=*/false, /*multiLine=*/false};
  std::string trailingComments;

  bool Format(std::string& out) const {
    if (ini.Save(out, /*addSignature=*/true) < 0) return false;
    if (!trailingComments.empty()) {
      out.push_back('\n');
      out.append(trailingComments);
    }
    return true;
  }
};

SettingsStore::SettingsStore() : impl_(std::make_unique<Impl>()) { impl_->ini.SetUnicode(true); }
SettingsStore::~SettingsStore() = default;
SettingsStore::SettingsStore(SettingsStore&&) noexcept = default;
SettingsStore& SettingsStore::operator=(SettingsStore&&) noexcept = default;

void SettingsStore::Clear() {
  impl_->ini.Reset();
  impl_->ini.SetUnicode(true);
  impl_->trailingComments.clear();
}

bool SettingsStore::LoadFromFile(const std::filesystem::path& path) {
  Clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    lastError_ = "cannot open " + path.string();
    return false;
  }
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) {
    lastError_ = "cannot read " + path.string();
    return false;
  }
  return LoadFromBytes(buffer.str());
}

bool SettingsStore::LoadFromBytes(std::string_view data) {
  Clear();
  const SI_Error rc = impl_->ini.LoadData(data.data(), data.size());
  if (rc < 0) {
    Clear();
    lastError_ = "settings text could not be read";
    return false;
  }
  impl_->trailingComments = TrailingComments(data);
  lastError_.clear();
  return true;
}

int32_t SettingsStore::ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const {
  const auto text = ReadString(section, key);
  if (!text) return defaultValue;
  return ParseIniInteger(*text).value_or(defaultValue);
}

std::optional<std::string> SettingsStore::ReadString(std::string_view section, std::string_view key) const {
  const char* v = impl_->ini.GetValue(std::string(section).c_str(), std::string(key).c_str(), nullptr);
  if (!v) return std::nullopt;
  return std::string(v);
}

bool SettingsStore::HasSection(std::string_view section) const {
  return impl_->ini.GetSection(std::string(section).c_str()) != nullptr;
}

std::vector<std::string> SettingsStore::Sections() const {
  Ini::TNamesDepend names;
  impl_->ini.GetAllSections(names);
  return InLoadOrder(std::move(names));
}

std::vector<std::string> SettingsStore::Keys(std::string_view section) const {
  Ini::TNamesDepend names;
  if (!impl_->ini.GetAllKeys(std::string(section).c_str(), names)) return {};
  return InLoadOrder(std::move(names));
}

bool SettingsStore::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  return WriteString(section, key, std::to_string(value));
}

bool SettingsStore::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  std::string oneLine(value);
  std::replace_if(oneLine.begin(), oneLine.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  const SI_Error rc =
      impl_->ini.SetValue(std::string(section).c_str(), std::string(key).c_str(), oneLine.c_str(), nullptr, true);
  return rc >= 0;
}

bool SettingsStore::DeleteSection(std::string_view section) {
  return impl_->ini.Delete(std::string(section).c_str(), nullptr, true);
}

std::string SettingsStore::ToText() const {
  std::string out;
  if (!impl_->Format(out)) return {};
  return out;
}

bool SettingsStore::SaveToPath(const std::filesystem::path& path) {
  std::string text;
  if (!impl_->Format(text)) {
    lastError_ = "settings could not be formatted";
    return false;
  }
  std::string why;
  if (!WriteFileAtomically(path, text, &why)) {
    lastError_ = why;
    return false;
  }
  lastError_.clear();
  return true;
}

}  // namespace brisvel::settings
