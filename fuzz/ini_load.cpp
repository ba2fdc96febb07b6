// Fuzzes loading settings text: the store takes any bytes, what it writes
// reads back to the same sections, keys and values, and the typed config.ini
// readers (language, car geometry, PC modes) accept whatever the store holds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "settings/config_ini.h"
#include "settings/settings_store.h"

using brisvel::settings::ConfigIni;
using brisvel::settings::SettingsStore;

namespace {

// Sections as they survive a save: a nameless section without keys ("[]" or
// nothing before the first header) leaves no trace in the text.
std::vector<std::string> WrittenSections(const SettingsStore& store) {
  auto sections = store.Sections();
  std::erase_if(sections, [&](const std::string& s) { return s.empty() && store.Keys(s).empty(); });
  // The nameless section is always written first, wherever it was read.
  std::stable_partition(sections.begin(), sections.end(), [](const std::string& s) { return s.empty(); });
  return sections;
}

// Sections, keys and values read back the same (comment placement may shift).
void CheckSameContent(const SettingsStore& store, const SettingsStore& back, const std::vector<std::string>& sections) {
  FUZZ_CHECK(WrittenSections(back) == WrittenSections(store));
  for (const auto& s : sections) {
    const auto keys = store.Keys(s);
    FUZZ_CHECK(back.Keys(s) == keys);
    for (const auto& k : keys) FUZZ_CHECK(back.ReadString(s, k) == store.ReadString(s, k));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  SettingsStore store;
  if (!store.LoadFromBytes(text)) return 0;
  (void)brisvel::settings::ParseIniInteger(text);

  const std::string saved = store.ToText();
  FUZZ_CHECK(saved.rfind("\xEF\xBB\xBF", 0) == 0);
  SettingsStore back;
  FUZZ_CHECK(back.LoadFromBytes(saved));
  const auto sections = store.Sections();
  // An unclosed '[' makes the reader take the following lines into the section
  // name; such a file does not read back the same, which is accepted.
  const bool plainNames = std::none_of(sections.begin(), sections.end(), [](const std::string& s) {
    return s.find_first_of("\r\n") != std::string::npos;
  });
  if (plainNames) CheckSameContent(store, back, sections);

  ConfigIni config;
  FUZZ_CHECK(config.Store().LoadFromBytes(text));
  (void)config.Lang();
  const auto car = config.CarDelay();
  FUZZ_CHECK(car.mmPerPx > 0 && car.mmPerScale > 0);
  const auto modes = config.LoadPCModes();
  FUZZ_CHECK(modes.size() <= config.Store().Keys("PCMode").size());
  return 0;
}
