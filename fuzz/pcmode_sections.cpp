// Fuzzes the PC modes of config.ini: whatever the sections hold, a save keeps
// every PC mode that was read (first, in order) and every text of the entries
// that could not be read, and the saved sections read back the same way.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "settings/config_ini.h"
#include "settings/settings_store.h"

using namespace brisvel::settings;

namespace {

// Every value of the two sections, of every key but Count, sorted.
std::vector<std::string> AllTexts(const SettingsStore& store) {
  std::vector<std::string> out;
  for (const char* section : {"PCMode", "PCModeName"}) {
    for (const auto& key : store.Keys(section)) {
      if (std::string_view(section) == "PCMode" && key.size() == 5 &&
          std::equal(key.begin(), key.end(), "count", [](char a, char b) { return std::tolower(a) == b; }))
        continue;
      for (auto& v : store.Values(section, key)) out.push_back(v);
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

// The text as a change of the PC modes writes it: read, then written back.
std::string SavedOnce(const std::string& text) {
  SettingsStore store;
  FUZZ_CHECK(store.LoadFromBytes(text));
  const PCModeSections sections = ReadPCModeSections(store);
  WritePCModeSections(store, sections.readable, sections.unreadable);
  return store.ToText();
}

bool SameRecord(const brisvel::PCModeRecord& a, const brisvel::PCModeRecord& b) {
  return a.nameBytes == b.nameBytes && a.block == b.block;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SettingsStore store;
  if (!store.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
  const PCModeSections read = ReadPCModeSections(store);
  for (const auto& entry : read.unreadable) FUZZ_CHECK(!entry.reason.empty());
  // Text the store refuses to save over is never written back.
  if (!store.SaveRefusal().empty()) return 0;

  // A save of what was read.
  const std::string once = SavedOnce(store.ToText());
  SettingsStore back;
  FUZZ_CHECK(back.LoadFromBytes(once));
  const PCModeSections again = ReadPCModeSections(back);
  FUZZ_CHECK(again.readable.size() >= read.readable.size());
  for (size_t i = 0; i < read.readable.size(); ++i) FUZZ_CHECK(SameRecord(again.readable[i], read.readable[i]));

  // Texts of entries not read survive (names as the store writes them, on one line).
  std::vector<std::string> before;
  for (const auto& e : read.unreadable) {
    for (const auto& b : e.blocks) before.push_back(b);
    for (const auto& n : e.names) before.push_back(n);
  }
  std::vector<std::string> after = AllTexts(back);
  for (std::string text : before) {
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    const auto at = std::find(after.begin(), after.end(), text);
    FUZZ_CHECK(at != after.end());
    after.erase(at);
  }
  // Saves settle: an entry that was unreadable only for its key is readable
  // after the first, and from the second on a save writes what it read.
  const std::string twice = SavedOnce(once);
  FUZZ_CHECK(SavedOnce(twice) == twice);
  return 0;
}
