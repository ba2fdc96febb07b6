// config.ini: the typed values the program keeps there and the layout of the
// PC-mode sections, which always follow every other section.
#include "settings/config_ini.h"

#include <algorithm>
#include <map>
#include <string>
#include <strings.h>
#include <utility>

#include "core/hex_text.h"
#include "settings/settings_keys.h"

namespace brisvel::settings {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool IsPCModeSection(std::string_view name) {
  return SameName(name, kSectionPCMode) || SameName(name, kSectionPCModeName);
}

// The index a key "0", "1", ... stands for; other keys (Count, "01", "x") are not entries.
std::optional<int32_t> EntryIndex(std::string_view key) {
  if (key.empty() || key.size() > 10 || (key.size() > 1 && key[0] == '0')) return std::nullopt;
  int64_t v = 0;
  for (char c : key) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  if (v > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(v);
}

}  // namespace

std::filesystem::path ConfigPath(const std::filesystem::path& dataFolder) { return dataFolder / kConfigFileName; }

bool ConfigIni::Load() { return store_.LoadFromFile(file_); }

void ConfigIni::MovePCModeSectionsLast() {
  const auto sections = store_.Sections();
  std::vector<std::string> wanted;
  for (const auto& s : sections) {
    if (!IsPCModeSection(s)) wanted.push_back(s);
  }
  const size_t others = wanted.size();
  for (const char* pc : {kSectionPCMode, kSectionPCModeName}) {
    for (const auto& s : sections) {
      if (SameName(s, pc)) wanted.push_back(s);
    }
  }
  if (wanted == sections) return;
  // Re-create both sections so that they are the newest and so written last.
  std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> saved;
  for (size_t i = others; i < wanted.size(); ++i) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (const auto& key : store_.Keys(wanted[i])) {
      entries.emplace_back(key, store_.ReadString(wanted[i], key).value_or(""));
    }
    saved.emplace_back(wanted[i], std::move(entries));
  }
  for (const auto& [section, entries] : saved) store_.DeleteSection(section);
  for (const auto& [section, entries] : saved) {
    for (const auto& [key, value] : entries) store_.WriteString(section, key, value);
  }
}

bool ConfigIni::Save() {
  MovePCModeSectionsLast();
  if (store_.SaveToPath(file_)) return true;
  if (onSaveFailure_) onSaveFailure_(store_.LastError());
  return false;
}

int32_t ConfigIni::Lang() const { return store_.ReadInteger(kSectionConfig, kKeyLang, kDefaultLang); }

bool ConfigIni::SetLang(int32_t lang) {
  store_.WriteInteger(kSectionConfig, kKeyLang, lang);
  return Save();
}

CarDelaySettings ConfigIni::CarDelay() const {
  const auto text = store_.ReadString(kSectionConfig, kKeyDelay);
  if (!text) return DecodeCarDelayText(std::nullopt);
  return DecodeCarDelayText(std::string_view(*text));
}

bool ConfigIni::SetCarDelay(const CarDelaySettings& record) {
  store_.WriteString(kSectionConfig, kKeyDelay, EncodeCarDelayText(record));
  return Save();
}

std::vector<PCModeRecord> ConfigIni::LoadPCModes() const {
  const int32_t count = store_.ReadInteger(kSectionPCMode, kKeyPCModeCount, 0);
  // Walk the keys that exist rather than 0..Count-1, so a huge Count costs nothing.
  std::map<int32_t, std::string> blocks;
  for (const auto& key : store_.Keys(kSectionPCMode)) {
    const auto index = EntryIndex(key);
    if (!index || *index >= count) continue;
    if (auto text = store_.ReadString(kSectionPCMode, key)) blocks.emplace(*index, std::move(*text));
  }
  std::vector<PCModeRecord> list;
  for (const auto& [index, blockText] : blocks) {
    const auto name = store_.ReadString(kSectionPCModeName, std::to_string(index));
    if (!name) continue;
    const auto bytes = DecodeHexWithCheck(blockText, kBlockSize);
    if (!bytes) continue;
    // Every entry starts from zeroed buffers: a shorter stored value must not
    // inherit the bytes of the entry before it.
    PCModeRecord record;
    record.SetName(*name);
    std::copy(bytes->begin(), bytes->end(), record.block.begin());
    list.push_back(record);
  }
  return list;
}

bool ConfigIni::SavePCModes(std::span<const PCModeRecord> list) {
  store_.DeleteSection(kSectionPCMode);
  store_.DeleteSection(kSectionPCModeName);
  store_.WriteInteger(kSectionPCMode, kKeyPCModeCount, static_cast<int32_t>(list.size()));
  for (size_t i = 0; i < list.size(); ++i) {
    store_.WriteString(kSectionPCMode, std::to_string(i), EncodeHexWithCheck(list[i].block));
  }
  for (size_t i = 0; i < list.size(); ++i) {
    store_.WriteString(kSectionPCModeName, std::to_string(i), list[i].Name());
  }
  return Save();
}

int ConfigIni::AppendPCMode(const PCModeRecord& record, std::vector<PCModeRecord>& list) {
  list.push_back(record);
  SavePCModes(list);  // a failed save keeps the list and the store; the file stays as it was
  return static_cast<int>(list.size()) - 1;
}

}  // namespace brisvel::settings
