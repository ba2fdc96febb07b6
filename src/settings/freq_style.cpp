// Locating and parsing the frequency-caption layout fragment.
#include "settings/freq_style.h"

#include "settings/settings_keys.h"

namespace brisvel::settings {

std::filesystem::path FreqStylePath(const std::filesystem::path& programFolder) {
  return programFolder / kFreqStyleFileName;
}

std::unique_ptr<pugi::xml_document> LoadFreqStyle(const std::filesystem::path& programFolder) {
  const auto path = FreqStylePath(programFolder);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return nullptr;
  auto doc = std::make_unique<pugi::xml_document>();
  const pugi::xml_parse_result result = doc->load_file(path.c_str(), pugi::parse_default, pugi::encoding_auto);
  if (!result || !doc->document_element()) return nullptr;
  return doc;
}

}  // namespace brisvel::settings
