// The INI settings store behind config.ini and caedata.dat: UTF-8 text,
// case-insensitive sections and keys, comments and foreign keys kept on rewrite,
// and a save that replaces the file atomically or not at all.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisvel::settings {

// Signed decimal, or hexadecimal after 0x/0X. Empty text, text without digits
// or with characters after the number gives nothing. Values beyond the 32-bit
// range are limited to it.
std::optional<int32_t> ParseIniInteger(std::string_view text);

// Writes data to path by way of a temporary file in the same folder that is
// flushed to disk and then renamed over path. On failure path is untouched,
// no temporary file remains and error (when given) says why.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view data, std::string* error = nullptr);

class SettingsStore {
 public:
  SettingsStore();
  ~SettingsStore();
  SettingsStore(SettingsStore&&) noexcept;
  SettingsStore& operator=(SettingsStore&&) noexcept;
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // Replaces the content with the file's. A missing or unreadable file leaves
  // an empty store and returns false.
  bool LoadFromFile(const std::filesystem::path& path);
  // Replaces the content with the given text (a UTF-8 byte-order mark is skipped).
  bool LoadFromBytes(std::string_view data);

  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const;
  std::optional<std::string> ReadString(std::string_view section, std::string_view key) const;
  bool HasSection(std::string_view section) const;
  // Section names and the keys of one section, in file order.
  std::vector<std::string> Sections() const;
  std::vector<std::string> Keys(std::string_view section) const;

  bool WriteInteger(std::string_view section, std::string_view key, int32_t value);
  // Line breaks in the value are written as blanks: a value is one line, and a
  // name taken from an imported file must not be able to add keys or sections.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  bool DeleteSection(std::string_view section);
  void Clear();

  // The whole store as UTF-8 text with a byte-order mark, sections in order.
  std::string ToText() const;
  // Atomic save (see WriteFileAtomically). False leaves the old file as it was.
  bool SaveToPath(const std::filesystem::path& path);

  // Why the last load or save failed; empty after a success.
  const std::string& LastError() const { return lastError_; }

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::string lastError_;
};

}  // namespace brisvel::settings
