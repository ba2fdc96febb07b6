// config.ini: the typed values the program keeps there, the layout of the
// PC-mode sections (which always follow every other section), entries that
// cannot be read and are kept, and changes made under the file's lock.
#include "settings/config_ini.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <strings.h>
#include <utility>
#include <system_error>

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

// Why a stored block text is not accepted; empty when it is.
std::string BlockTextProblem(std::string_view text) {
  if (DecodeHexWithCheck(text, kBlockSize)) return {};
  if (text.size() % 2 != 0) return "its block text has an odd number of digits (" + std::to_string(text.size()) + ")";
  if (text.size() > 2 * (kBlockSize + 1)) return "its block text is longer than a block";
  for (char c : text) {
    if (c >= 'a' && c <= 'f') return "its block text is written in lower-case hexadecimal";
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return "its block text holds characters other than 0-9 and A-F";
  }
  if (text.size() < 2) return "its block text is empty";
  return "its block text does not match its check byte";
}

// The PC-mode sections last, in their order; the store keeps sections in the
// order they were made, so both are made again when something follows them.
void MovePCModeSectionsLast(SettingsStore& store) {
  const auto sections = store.Sections();
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
  std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::vector<std::string>>>>> saved;
  for (size_t i = others; i < wanted.size(); ++i) {
    std::vector<std::pair<std::string, std::vector<std::string>>> entries;
    for (const auto& key : store.Keys(wanted[i])) entries.emplace_back(key, store.Values(wanted[i], key));
    saved.emplace_back(wanted[i], std::move(entries));
  }
  for (const auto& [section, entries] : saved) store.DeleteSection(section);
  for (const auto& [section, entries] : saved) {
    for (const auto& [key, values] : entries) {
      for (const auto& value : values) store.AppendString(section, key, value);
    }
  }
}

}  // namespace

std::string UnreadablePCMode::Describe() const {
  std::string out = "key " + key;
  if (!names.empty()) out += " \"" + names.front() + "\"";
  return out + ": " + reason;
}

PCModeSections ReadPCModeSections(const SettingsStore& store) {
  PCModeSections out;
  const std::optional<std::string> countText = store.ReadString(kSectionPCMode, kKeyPCModeCount);
  // A count below 0 (or none) is no count.
  const int32_t count = countText ? ParseIniInteger(*countText).value_or(-1) : -1;
  const bool countUsable = count >= 0;

  // Every key of either section, in the order it first appears.
  std::vector<std::string> keys;
  auto addKey = [&](const std::string& key) {
    if (std::none_of(keys.begin(), keys.end(), [&](const std::string& k) { return SameName(k, key); })) {
      keys.push_back(key);
    }
  };
  for (const auto& key : store.Keys(kSectionPCMode)) {
    if (!SameName(key, kKeyPCModeCount)) addKey(key);
  }
  for (const auto& key : store.Keys(kSectionPCModeName)) addKey(key);

  std::map<int32_t, PCModeRecord> readable;
  for (const std::string& key : keys) {
    UnreadablePCMode entry;
    entry.key = key;
    // [PCMode]'s Count is the count, never a block of an entry named so in [PCModeName].
    if (!SameName(key, kKeyPCModeCount)) entry.blocks = store.Values(kSectionPCMode, key);
    entry.names = store.Values(kSectionPCModeName, key);
    entry.channels = store.Values(kSectionPCModeChannels, key);
    const std::optional<int32_t> index = EntryIndex(key);
    if (!index) {
      entry.reason = "the key is not a plain index (0, 1, ...)";
    } else if (!countUsable) {
      entry.reason = countText ? "[PCMode] Count = " + *countText + " is not a count" : "[PCMode] has no Count";
    } else if (*index >= count) {
      entry.reason = "it lies beyond [PCMode] Count = " + std::to_string(count);
    } else if (entry.blocks.size() > 1 || entry.names.size() > 1) {
      entry.reason = "the key is written more than once";
    } else if (entry.blocks.empty()) {
      entry.reason = "[PCMode] holds no block for it";
    } else if (entry.names.empty()) {
      entry.reason = "[PCModeName] holds no name for it";
    } else {
      entry.reason = BlockTextProblem(entry.blocks.front());
    }
    if (!entry.reason.empty()) {
      out.unreadable.push_back(std::move(entry));
      continue;
    }
    const auto bytes = DecodeHexWithCheck(entry.blocks.front(), kBlockSize);
    // Every entry starts from zeroed buffers: a shorter stored value must not
    // inherit the bytes of the entry before it.
    PCModeRecord record;
    record.SetName(entry.names.front());
    // A name longer than the field is cut; a cut that ends in blanks would be
    // read back without them, so the name is held as the file will give it.
    std::string held = record.Name();
    while (!held.empty() && (held.back() == ' ' || held.back() == '\t')) held.pop_back();
    if (held.size() != record.Name().size()) record.SetName(held);
    std::copy(bytes->begin(), bytes->end(), record.block.begin());
    if (!entry.channels.empty()) record.channelNames = DecodeChannelNames(entry.channels.front());
    readable.emplace(*index, record);
  }
  for (auto& [index, record] : readable) out.readable.push_back(record);
  return out;
}

void WritePCModeSections(SettingsStore& store, const std::vector<PCModeRecord>& readable,
                         const std::vector<UnreadablePCMode>& unreadable) {
  store.DeleteSection(kSectionPCMode);
  store.DeleteSection(kSectionPCModeName);
  store.DeleteSection(kSectionPCModeChannels);
  size_t renumbered = 0;
  for (const UnreadablePCMode& entry : unreadable) {
    if (EntryIndex(entry.key)) renumbered += std::max(entry.blocks.size(), entry.names.size());
  }
  store.WriteInteger(kSectionPCMode, kKeyPCModeCount, static_cast<int32_t>(readable.size() + renumbered));
  for (size_t i = 0; i < readable.size(); ++i) {
    store.WriteString(kSectionPCMode, std::to_string(i), EncodeHexWithCheck(readable[i].block));
  }
  // Kept entries under a plain index follow the readable ones, one number per value.
  size_t next = readable.size();
  std::vector<std::pair<std::string, std::string>> keptNames, keptChannels;
  for (const UnreadablePCMode& entry : unreadable) {
    if (!EntryIndex(entry.key)) continue;
    for (size_t j = 0; j < std::max(entry.blocks.size(), entry.names.size()); ++j, ++next) {
      if (j < entry.blocks.size()) store.WriteString(kSectionPCMode, std::to_string(next), entry.blocks[j]);
      if (j < entry.names.size()) keptNames.emplace_back(std::to_string(next), entry.names[j]);
      if (j < entry.channels.size()) keptChannels.emplace_back(std::to_string(next), entry.channels[j]);
    }
  }
  for (const UnreadablePCMode& entry : unreadable) {
    if (EntryIndex(entry.key)) continue;
    for (const std::string& block : entry.blocks) store.AppendString(kSectionPCMode, entry.key, block);
  }
  for (size_t i = 0; i < readable.size(); ++i) {
    store.WriteString(kSectionPCModeName, std::to_string(i), readable[i].Name());
  }
  for (const auto& [key, name] : keptNames) store.WriteString(kSectionPCModeName, key, name);
  for (const UnreadablePCMode& entry : unreadable) {
    if (EntryIndex(entry.key)) continue;
    for (const std::string& name : entry.names) store.AppendString(kSectionPCModeName, entry.key, name);
  }
  // Channel names only for the PC modes that have them.
  for (size_t i = 0; i < readable.size(); ++i) {
    const std::string names = EncodeChannelNames(readable[i].channelNames);
    if (names != EncodeChannelNames({})) store.WriteString(kSectionPCModeChannels, std::to_string(i), names);
  }
  for (const auto& [key, names] : keptChannels) store.WriteString(kSectionPCModeChannels, key, names);
  for (const UnreadablePCMode& entry : unreadable) {
    if (EntryIndex(entry.key)) continue;
    for (const std::string& names : entry.channels) store.AppendString(kSectionPCModeChannels, entry.key, names);
  }
}

std::filesystem::path ConfigPath(const std::filesystem::path& dataFolder) { return dataFolder / kConfigFileName; }

bool ConfigIni::Load() {
  pending_.clear();
  stamp_ = StampOf(file_);
  return store_.LoadFromFile(file_);
}

SettingsStore ConfigIni::ReadWithPending() {
  SettingsStore fresh;
  fresh.LoadFromFile(file_);  // a missing file is an empty store; one not read whole refuses saving
  for (const auto& change : pending_) change(fresh);
  return fresh;
}

bool ConfigIni::Refresh() {
  const FileStamp now = StampOf(file_);
  if (now == stamp_) return false;
  store_ = ReadWithPending();
  stamp_ = now;
  return true;
}

bool ConfigIni::Failed(const std::string& why) {
  lastSaveError_ = why;
  if (onSaveFailure_) onSaveFailure_(why);
  return false;
}

bool ConfigIni::Change(std::function<bool(SettingsStore&)> change) {
  FileLock lock;
  std::string why;
  if (!lock.Acquire(file_, &why)) {
    // Kept in memory, and applied again when a later save gets the lock.
    if (change(store_)) pending_.push_back(std::move(change));
    return Failed(why);
  }
  stamp_ = StampOf(file_);
  SettingsStore fresh = ReadWithPending();
  if (!change(fresh)) {
    store_ = std::move(fresh);
    return true;
  }
  pending_.push_back(change);
  MovePCModeSectionsLast(fresh);
  if (fresh.SaveToPath(file_)) {
    lastSaveError_.clear();
    pending_.clear();
    store_ = std::move(fresh);
    stamp_ = StampOf(file_);
    return true;
  }
  why = fresh.LastError();
  if (fresh.SaveRefusal().empty() && fresh.ToText().size() > kMaxSettingsFileBytes) {
    // Saving it again would be refused again, and take every later change
    // with it: this change is dropped.
    pending_.pop_back();
    fresh = ReadWithPending();
  }
  store_ = std::move(fresh);
  return Failed(why);
}

bool ConfigIni::Save() {
  return Change([](SettingsStore&) { return true; });
}

int32_t ConfigIni::Lang() const { return store_.ReadInteger(kSectionConfig, kKeyLang, kDefaultLang); }

bool ConfigIni::SetLang(int32_t lang) {
  return Change([lang](SettingsStore& store) { return store.WriteInteger(kSectionConfig, kKeyLang, lang); });
}

CarDelaySettings ConfigIni::CarDelay() const {
  const auto text = store_.ReadString(kSectionConfig, kKeyDelay);
  if (!text) return DecodeCarDelayText(std::nullopt);
  return DecodeCarDelayText(std::string_view(*text));
}

bool ConfigIni::SetCarDelay(const CarDelaySettings& record) {
  return Change([text = EncodeCarDelayText(record)](SettingsStore& store) {
    return store.WriteString(kSectionConfig, kKeyDelay, text);
  });
}

brisvel::ChannelNames ConfigIni::ChannelNames() const {
  const auto text = store_.ReadString(kSectionConfig, kKeyChannelNames);
  return text ? DecodeChannelNames(*text) : brisvel::ChannelNames{};
}

bool ConfigIni::SetChannelNames(const brisvel::ChannelNames& names) {
  return Change([text = EncodeChannelNames(names)](SettingsStore& store) {
    if (store.ReadString(kSectionConfig, kKeyChannelNames) == text) return false;
    return store.WriteString(kSectionConfig, kKeyChannelNames, text);
  });
}

namespace {
std::vector<CrossoverPreset> ReadCrossoverPresets(const SettingsStore& store) {
  std::vector<CrossoverPreset> presets;
  for (const std::string& key : store.Keys(kSectionCrossoverPresets)) {
    const auto text = store.ReadString(kSectionCrossoverPresets, key);
    if (!text) continue;
    const auto preset = DecodeCrossoverPreset(*text);
    if (preset && std::find(presets.begin(), presets.end(), *preset) == presets.end()) presets.push_back(*preset);
  }
  return presets;
}
}  // namespace

std::vector<CrossoverPreset> ConfigIni::CrossoverPresets() const { return ReadCrossoverPresets(store_); }

bool ConfigIni::ChangeCrossoverPresets(std::function<bool(std::vector<CrossoverPreset>&)> edit) {
  return Change([edit = std::move(edit)](SettingsStore& store) {
    std::vector<CrossoverPreset> presets = ReadCrossoverPresets(store);
    if (!edit(presets)) return false;
    store.DeleteSection(kSectionCrossoverPresets);
    for (size_t i = 0; i < presets.size(); ++i)
      store.WriteString(kSectionCrossoverPresets, std::to_string(i), EncodeCrossoverPreset(presets[i]));
    return true;
  });
}

namespace {
// Paths are kept as UTF-8 whatever the system's own narrow encoding is.
std::string TextOfPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}
std::filesystem::path PathOfText(const std::string& text) { return std::filesystem::path(std::u8string(text.begin(), text.end())); }
}  // namespace

std::filesystem::path ConfigIni::DialogFolder(std::string_view kind, const std::filesystem::path& home) const {
  const auto text = store_.ReadString(kSectionFolders, kind);
  if (!text || text->empty()) return home;
  const std::filesystem::path folder = PathOfText(*text);
  std::error_code error;
  return folder.is_absolute() && std::filesystem::is_directory(folder, error) ? folder : home;
}

bool ConfigIni::SetDialogFolder(std::string_view kind, const std::filesystem::path& folder) {
  const std::string text = TextOfPath(folder);
  if (text.empty() || text.find_first_of("\r\n") != std::string::npos) return false;
  return Change([key = std::string(kind), text](SettingsStore& store) {
    if (store.ReadString(kSectionFolders, key) == text) return false;
    return store.WriteString(kSectionFolders, key, text);
  });
}

namespace {

std::vector<std::string> RecentSceneTexts(const SettingsStore& store) {
  std::vector<std::string> files;
  for (int i = 0; i < kRecentSceneCount; ++i) {
    const auto text = store.ReadString(kSectionRecentScenes, std::to_string(i));
    if (text && !text->empty()) files.push_back(*text);
  }
  return files;
}

}  // namespace

std::vector<std::filesystem::path> ConfigIni::RecentScenes() const {
  std::vector<std::filesystem::path> files;
  for (const std::string& text : RecentSceneTexts(store_)) files.push_back(PathOfText(text));
  return files;
}

bool ConfigIni::AddRecentScene(const std::filesystem::path& file) {
  const std::string text = TextOfPath(file);
  if (text.empty() || text.find_first_of("\r\n") != std::string::npos) return false;
  // Made on the list the file holds now: another run's latest files stay.
  return Change([text](SettingsStore& store) {
    std::vector<std::string> files = RecentSceneTexts(store);
    if (!files.empty() && files.front() == text) return false;
    std::erase(files, text);
    files.insert(files.begin(), text);
    if (files.size() > static_cast<size_t>(kRecentSceneCount)) files.resize(kRecentSceneCount);
    store.DeleteSection(kSectionRecentScenes);
    for (size_t i = 0; i < files.size(); ++i) store.WriteString(kSectionRecentScenes, std::to_string(i), files[i]);
    return true;
  });
}

std::vector<PCModeRecord> ConfigIni::LoadPCModes() const { return ReadPCModeSections(store_).readable; }

bool ConfigIni::ChangePCModes(std::function<bool(std::vector<PCModeRecord>&)> edit) {
  return Change([edit = std::move(edit)](SettingsStore& store) {
    PCModeSections sections = ReadPCModeSections(store);
    if (!edit(sections.readable)) return false;
    WritePCModeSections(store, sections.readable, sections.unreadable);
    return true;
  });
}

bool ConfigIni::SavePCModes(std::span<const PCModeRecord> list) {
  return ChangePCModes([copy = std::vector<PCModeRecord>(list.begin(), list.end())](std::vector<PCModeRecord>& modes) {
    modes = copy;
    return true;
  });
}

int ConfigIni::AppendPCMode(const PCModeRecord& record, std::vector<PCModeRecord>& list) {
  auto index = std::make_shared<int>(-1);
  ChangePCModes([record, index](std::vector<PCModeRecord>& modes) {
    *index = static_cast<int>(modes.size());
    modes.push_back(record);
    return true;
  });  // a failed save keeps the change in the store; the file stays as it was
  list = LoadPCModes();
  return *index;
}

}  // namespace brisvel::settings
