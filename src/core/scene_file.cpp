// Profile-style INI text of scene files and the .cae record in it.
#include "core/scene_file.h"


#include <vector>

#include "core/hex_text.h"
#include "core/text_lines.h"

namespace brisvel::scene {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::vector<std::string_view> Lines(std::string_view text) { return SplitLines(text); }

// The section name of a header line "[name]", or nothing.
std::optional<std::string_view> SectionOf(std::string_view line) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  const size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

// The key of a "key=value" line, or nothing (comments and other lines).
std::optional<std::string_view> KeyOf(std::string_view line) {
  const std::string_view t = Trim(line);
  if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[') return std::nullopt;
  const size_t eq = t.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return Trim(t.substr(0, eq));
}

}  // namespace

std::optional<std::string> ReadProfileValue(std::string_view text, std::string_view section, std::string_view key) {
  bool inSection = false;
  for (std::string_view line : Lines(text)) {
    if (auto name = SectionOf(line)) {
      inSection = SameName(*name, section);
      continue;
    }
    if (!inSection) continue;
    auto k = KeyOf(line);
    if (k && SameName(*k, key)) {
      const std::string_view t = Trim(line);
      return std::string(Trim(t.substr(t.find('=') + 1)));
    }
  }
  return std::nullopt;
}

std::string WriteProfileValue(std::string_view text, std::string_view section, std::string_view key,
                              std::string_view value) {
  const std::string newLine = std::string(key) + "=" + std::string(value);
  std::vector<std::string> out;
  bool inSection = false, sectionSeen = false, done = false;
  size_t sectionEnd = 0;  // index in out after the section's last key line
  for (std::string_view line : Lines(text)) {
    if (auto name = SectionOf(line)) {
      inSection = !done && SameName(*name, section);
      if (inSection) {
        sectionSeen = true;
        out.emplace_back(line);
        sectionEnd = out.size();
        continue;
      }
    } else if (inSection) {
      auto k = KeyOf(line);
      if (k && SameName(*k, key)) {
        out.push_back(newLine);
        done = true;
        inSection = false;
        continue;
      }
      out.emplace_back(line);
      if (!Trim(line).empty()) sectionEnd = out.size();
      continue;
    }
    out.emplace_back(line);
  }
  if (!done) {
    if (sectionSeen) {
      out.insert(out.begin() + static_cast<std::ptrdiff_t>(sectionEnd), newLine);
    } else {
      out.push_back("[" + std::string(section) + "]");
      out.push_back(newLine);
    }
  }
  // A byte-order mark the file began with stays in front.
  std::string result(text.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark ? kUtf8ByteOrderMark : "");
  for (const std::string& line : out) result += line + "\r\n";
  return result;
}

namespace {
// The record with the names the text keeps for it under the key, when any.
std::optional<PCModeRecord> WithNames(std::optional<PCModeRecord> record, std::string_view text,
                                      const std::string& namesKey) {
  if (record) {
    if (const auto names = ReadProfileValue(text, kNamesSection, namesKey)) record->channelNames = DecodeChannelNames(*names);
  }
  return record;
}
}  // namespace

std::optional<PCModeRecord> ParseSceneText(std::string_view text) {
  const auto value = ReadProfileValue(text, kSection, kDataKey);
  if (!value) return std::nullopt;
  std::array<uint8_t, PCModeRecord::kSize> bytes{};
  if (!DecodeProfileStruct(*value, bytes)) return std::nullopt;
  return WithNames(PCModeRecord::Decode(bytes), text, kNamesKey);
}

const char* SceneErrorText(SceneError error) {
  switch (error) {
    case SceneError::kNone: return "ok";
    case SceneError::kUnreadable: return "the file cannot be read";
    case SceneError::kTooLarge: return "the file is too large to be a scene file";
    case SceneError::kNotScene: return "no valid [CAEConfig] data record";
    case SceneError::kUnwritable: return "the file cannot be written";
  }
  return "unknown";
}

std::string BatchDataKey(int index) { return std::string(kDataKey) + " " + std::to_string(index); }
std::string BatchNamesKey(int index) { return std::string(kNamesKey) + " " + std::to_string(index); }

std::optional<int32_t> ParseBatchCount(std::string_view text) {
  const auto value = ReadProfileValue(text, kSection, kCountKey);
  if (!value) return std::nullopt;
  std::array<uint8_t, 4> bytes{};
  if (!DecodeProfileStruct(*value, bytes)) return std::nullopt;
  return static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                              static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24);
}

std::optional<PCModeRecord> ParseBatchRecord(std::string_view text, int index) {
  const auto value = ReadProfileValue(text, kSection, BatchDataKey(index));
  if (!value) return std::nullopt;
  std::array<uint8_t, PCModeRecord::kSize> bytes{};
  if (!DecodeProfileStruct(*value, bytes)) return std::nullopt;
  return WithNames(PCModeRecord::Decode(bytes), text, BatchNamesKey(index));
}

BatchContent ParseBatchFile(std::string_view text) {
  BatchContent out;
  const auto count = ParseBatchCount(text);
  if (!count) {
    out.error = "no valid [CAEConfig] count";
    return out;
  }
  if (*count < 1 || *count > kBatchRecords) {
    out.error = "the count is " + std::to_string(*count) + ", not 1 to 8";
    return out;
  }
  for (int i = 0; i < *count; ++i) {
    auto record = ParseBatchRecord(text, i);
    if (!record) {
      out.records.clear();
      out.error = "no valid record \"" + BatchDataKey(i) + "\"";
      return out;
    }
    out.records.push_back(*record);
  }
  return out;
}

}  // namespace brisvel::scene
