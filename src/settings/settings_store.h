// The INI settings store behind config.ini and caedata.dat: UTF-8 text,
// case-insensitive sections and keys, comments and foreign keys kept on rewrite,
// and a save that replaces the file atomically or not at all. A file that was
// not read whole, or holds lines the store would drop, is never saved over.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/file_safety.h"

namespace brisvel::settings {

// Signed decimal, or hexadecimal after 0x/0X. Empty text, text without digits
// or with characters after the number gives nothing. Values beyond the 32-bit
// range are limited to it.
std::optional<int32_t> ParseIniInteger(std::string_view text);

// Largest settings file that is read; a larger one is refused (and so never
// saved over), which keeps a link to /dev/zero or a runaway file from taking
// the console's memory. A save that would write more is refused too, so every
// file written reads back.
constexpr size_t kMaxSettingsFileBytes = 16u * 1024 * 1024;

class SettingsStore {
 public:
  SettingsStore();
  ~SettingsStore();
  SettingsStore(SettingsStore&&) noexcept;
  SettingsStore& operator=(SettingsStore&&) noexcept;
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // Replaces the content with the file's. A missing or unreadable file leaves
  // an empty store and returns false. A file that exists but is not a regular
  // file, is larger than kMaxSettingsFileBytes or cannot be read completely
  // also refuses every later save (SaveRefusal), so it is never replaced by
  // the little this run knows.
  bool LoadFromFile(const std::filesystem::path& path);
  // Replaces the content with the given text. A UTF-8 byte-order mark at the
  // start of any line is skipped (files joined together), and zero bytes do
  // not end the text. Lines the store cannot take (no '=' in a key line, an
  // unclosed or nameless section header, text after a header, zero bytes)
  // would be lost by a rewrite: what can be read is read, and saving is
  // refused (SaveRefusal names the first such line).
  bool LoadFromBytes(std::string_view data);

  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const;
  // A key written twice in a section keeps both values (a rewrite writes
  // both); reads take the later one.
  std::optional<std::string> ReadString(std::string_view section, std::string_view key) const;
  // Every value of the key in file order (more than one for a key written twice).
  std::vector<std::string> Values(std::string_view section, std::string_view key) const;
  bool HasSection(std::string_view section) const;
  // Section names and the keys of one section, in file order.
  std::vector<std::string> Sections() const;
  std::vector<std::string> Keys(std::string_view section) const;

  bool WriteInteger(std::string_view section, std::string_view key, int32_t value);
  // Line breaks in the value are written as blanks: a value is one line, and a
  // name taken from an imported file must not be able to add keys or sections.
  // Writing a key replaces all its values.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  // Adds one more value under the key, after those it has.
  bool AppendString(std::string_view section, std::string_view key, std::string_view value);
  bool DeleteSection(std::string_view section);
  void Clear();

  // The whole store as UTF-8 text with a byte-order mark, sections in order.
  std::string ToText() const;
  // Atomic save (see WriteFileAtomically). False leaves the old file as it was;
  // so does a refused save (see SaveRefusal) and a text larger than
  // kMaxSettingsFileBytes.
  bool SaveToPath(const std::filesystem::path& path);

  // Why the last load or save failed; empty after a success.
  const std::string& LastError() const { return lastError_; }
  // Why the store may not be saved over the file it was loaded from: the file
  // could not be read completely or was only partly understood. Empty when
  // saving is allowed. Set by the last load.
  const std::string& SaveRefusal() const { return saveRefusal_; }

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::string lastError_;
  std::string saveRefusal_;
};

}  // namespace brisvel::settings
