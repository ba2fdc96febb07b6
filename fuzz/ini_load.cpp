// Fuzzes loading settings text: the store takes any bytes (zero bytes,
// byte-order marks in the middle, over-long lines included); what it writes
// reads back to the same sections, keys and values, so a save after a load
// keeps every key that was read; text it cannot rewrite whole is refused for
// saving; and the typed config.ini readers accept whatever the store holds.
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
void CheckSameContent(const SettingsStore& store, const SettingsStore& back) {
  FUZZ_CHECK(WrittenSections(back) == WrittenSections(store));
  for (const auto& s : store.Sections()) {
    const auto keys = store.Keys(s);
    FUZZ_CHECK(back.Keys(s) == keys);
    for (const auto& k : keys) FUZZ_CHECK(back.ReadString(s, k) == store.ReadString(s, k));
  }
}

// The same text with a byte-order mark at the start of every line, as when
// files are joined: it must read exactly as the text itself.
std::string WithMarksAtLineStarts(std::string_view text) {
  std::string out = "\xEF\xBB\xBF";
  for (char c : text) {
    out.push_back(c);
    if (c == '\n' || c == '\r') out += "\xEF\xBB\xBF";
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  SettingsStore store;
  if (!store.LoadFromBytes(text)) return 0;
  (void)brisvel::settings::ParseIniInteger(text);
  // A zero byte is never silently dropped by a rewrite.
  if (text.find('\0') != std::string_view::npos) FUZZ_CHECK(!store.SaveRefusal().empty());

  const std::string saved = store.ToText();
  FUZZ_CHECK(saved.rfind("\xEF\xBB\xBF", 0) == 0);
  SettingsStore back;
  FUZZ_CHECK(back.LoadFromBytes(saved));
  if (store.SaveRefusal().empty()) {
    // Text that may be saved over keeps every key it held, and what is
    // written may be saved over again.
    CheckSameContent(store, back);
    FUZZ_CHECK(back.SaveRefusal().empty());
  } else {
    // Refused text still reads back the same, except where an unclosed '['
    // made the reader take the following lines into a section name.
    const auto sections = store.Sections();
    const bool plainNames = std::none_of(sections.begin(), sections.end(), [](const std::string& s) {
      return s.find_first_of("\r\n") != std::string::npos;
    });
    if (plainNames) CheckSameContent(store, back);
  }

  SettingsStore marked;
  FUZZ_CHECK(marked.LoadFromBytes(WithMarksAtLineStarts(text)));
  CheckSameContent(store, marked);
  FUZZ_CHECK(marked.SaveRefusal().empty() == store.SaveRefusal().empty());

  // An over-long line after understood text is read whole.
  if (store.SaveRefusal().empty()) {
    SettingsStore longLine;
    const std::string tail = "\n[LongLineSection]\nLongLineKey = " + std::string(70000, 'x') + "\n";
    FUZZ_CHECK(longLine.LoadFromBytes(std::string(text) + tail));
    FUZZ_CHECK(longLine.ReadString("LongLineSection", "LongLineKey").value_or("").size() == 70000);
    FUZZ_CHECK(longLine.SaveRefusal().empty());
  }

  ConfigIni config;
  FUZZ_CHECK(config.Store().LoadFromBytes(text));
  (void)config.Lang();
  const auto car = config.CarDelay();
  FUZZ_CHECK(car.mmPerPx > 0 && car.mmPerScale > 0);
  const auto modes = config.LoadPCModes();
  FUZZ_CHECK(modes.size() <= config.Store().Keys("PCMode").size());
  return 0;
}
