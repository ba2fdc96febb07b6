// The INI settings store on SimpleIni: the text is checked line by line before
// the reader sees it, so that a file the store cannot rewrite without loss is
// read but never saved over.
#include "settings/settings_store.h"

// Values stay UTF-8 bytes end to end; no wide-character conversion is needed.
#define SI_NO_CONVERSION
// The store's code is compiled here, so it is built with our own flags
// (sanitizers, fuzzing coverage) rather than taken precompiled.
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <algorithm>
#include <limits>

namespace brisvel::settings {
namespace {

// CSimpleIniA compares section and key names without regard to ASCII letter
// case (the "Case" variant is the case-sensitive one).
using Ini = CSimpleIniA;

// Names in the order they appear in the file.
std::vector<std::string> InLoadOrder(Ini::TNamesDepend names) {
  names.sort(Ini::Entry::LoadOrder());
  std::vector<std::string> out;
  out.reserve(names.size());
  for (const auto& e : names) out.emplace_back(e.pItem);
  return out;
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

namespace {

// Comment lines after the last entry of a file. The INI reader attaches a
// comment to the entry that follows it, so these would otherwise be dropped
// on rewrite; they are kept and written back at the end.
std::string TrailingComments(std::string_view data) {
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

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Whether the reader takes one line (without its line end, leading blanks and
// byte-order marks removed) in a way that a rewrite keeps.
bool LineUnderstood(std::string_view line) {
  if (line.empty() || line[0] == ';' || line[0] == '#') return true;
  auto trimmed = [](std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
  };
  if (line[0] == '[') {
    const size_t close = line.find(']');
    if (close == std::string_view::npos) return false;
    return !trimmed(line.substr(1, close - 1)).empty() && trimmed(line.substr(close + 1)).empty();
  }
  const size_t eq = line.find('=');
  return eq != std::string_view::npos && !trimmed(line.substr(0, eq)).empty();
}

// The text as the reader is to see it: zero bytes and byte-order marks at line
// starts removed. problem names the first line that a rewrite would lose or
// change; it stays empty when every line is understood.
std::string PrepareText(std::string_view data, std::string& problem) {
  std::string clean;
  clean.reserve(data.size());
  problem.clear();
  size_t lineNumber = 0;
  size_t pos = 0;
  while (pos < data.size()) {
    ++lineNumber;
    size_t end = data.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = data.size();
    // Zero bytes go first, so that what they split is seen as it will be written.
    std::string line(data.substr(pos, end - pos));
    const bool hadZero = line.find('\0') != std::string::npos;
    if (hadZero) std::erase(line, '\0');
    // Leading blanks and byte-order marks in any order: the marks are dropped.
    std::string lead;
    size_t at = 0;
    for (;;) {
      if (at < line.size() && IsBlank(line[at])) {
        lead.push_back(line[at]);
        ++at;
      } else if (std::string_view(line).substr(at, kBom.size()) == kBom) {
        at += kBom.size();
      } else {
        break;
      }
    }
    const std::string rest = line.substr(at);
    if (problem.empty()) {
      if (hadZero) problem = "line " + std::to_string(lineNumber) + " holds a zero byte";
      else if (!LineUnderstood(rest)) problem = "line " + std::to_string(lineNumber) + " is not a section, key or comment";
    }
    clean += lead;
    clean += rest;
    if (end < data.size()) {
      clean.push_back(data[end]);
      // A CR LF is one line end: the next line starts after both.
      if (data[end] == '\r' && end + 1 < data.size() && data[end + 1] == '\n') clean.push_back(data[++end]);
    }
    pos = end + 1;
  }
  return clean;
}

}  // namespace

struct SettingsStore::Impl {
  // Keys written twice keep both values, so a rewrite never drops one.
  Ini ini{/*isUtf8=*/true, /*multiKey=*/true, /*multiLine=*/false};
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
  saveRefusal_.clear();
  FileContent file = ReadRegularFile(path, kMaxSettingsFileBytes);
  if (file.status == ReadStatus::kMissing) {
    lastError_ = "cannot open " + path.string();
    return false;
  }
  if (file.status != ReadStatus::kOk) {
    lastError_ = file.error;
    saveRefusal_ = file.error + "; it was not read completely, so it is not saved over";
    return false;
  }
  if (!LoadFromBytes(file.data)) return false;
  if (!saveRefusal_.empty()) saveRefusal_ = path.string() + ": " + saveRefusal_;
  return true;
}

bool SettingsStore::LoadFromBytes(std::string_view data) {
  Clear();
  std::string problem;
  const std::string text = PrepareText(data, problem);
  const SI_Error rc = impl_->ini.LoadData(text.data(), text.size());
  if (rc < 0) {
    Clear();
    lastError_ = "settings text could not be read";
    saveRefusal_ = lastError_;
    return false;
  }
  impl_->trailingComments = TrailingComments(text);
  lastError_.clear();
  saveRefusal_.clear();
  if (!problem.empty()) saveRefusal_ = problem + "; what it holds would be lost, so it is not saved over";
  return true;
}

int32_t SettingsStore::ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const {
  const auto text = ReadString(section, key);
  if (!text) return defaultValue;
  return ParseIniInteger(*text).value_or(defaultValue);
}

std::optional<std::string> SettingsStore::ReadString(std::string_view section, std::string_view key) const {
  std::vector<std::string> values = Values(section, key);
  if (values.empty()) return std::nullopt;
  return std::move(values.back());
}

std::vector<std::string> SettingsStore::Values(std::string_view section, std::string_view key) const {
  Ini::TNamesDepend values;
  if (!impl_->ini.GetAllValues(std::string(section).c_str(), std::string(key).c_str(), values)) return {};
  values.sort(Ini::Entry::LoadOrder());
  std::vector<std::string> out;
  out.reserve(values.size());
  for (const auto& v : values) out.emplace_back(v.pItem);
  return out;
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

namespace {
std::string OneLine(std::string_view value) {
  std::string oneLine(value);
  std::replace_if(oneLine.begin(), oneLine.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return oneLine;
}
}  // namespace

bool SettingsStore::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const SI_Error rc = impl_->ini.SetValue(std::string(section).c_str(), std::string(key).c_str(),
                                          OneLine(value).c_str(), nullptr, /*replaceAll=*/true);
  return rc >= 0;
}

bool SettingsStore::AppendString(std::string_view section, std::string_view key, std::string_view value) {
  const SI_Error rc = impl_->ini.SetValue(std::string(section).c_str(), std::string(key).c_str(),
                                          OneLine(value).c_str(), nullptr, /*replaceAll=*/false);
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
  if (!saveRefusal_.empty()) {
    lastError_ = saveRefusal_;
    return false;
  }
  std::string text;
  if (!impl_->Format(text)) {
    lastError_ = "settings could not be formatted";
    return false;
  }
  if (text.size() > kMaxSettingsFileBytes) {
    lastError_ = path.string() + " would hold " + std::to_string(text.size()) + " bytes, more than the " +
                 std::to_string(kMaxSettingsFileBytes) + " it may hold to be read again; nothing was written";
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
