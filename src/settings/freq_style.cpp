// Locating and parsing the frequency-caption layout fragment.
#include "settings/freq_style.h"

#include "settings/file_safety.h"
#include "settings/settings_keys.h"

namespace brisvel::settings {

std::filesystem::path FreqStylePath(const std::filesystem::path& programFolder) {
  return programFolder / kFreqStyleFileName;
}

std::unique_ptr<pugi::xml_document> LoadFreqStyle(const std::filesystem::path& programFolder) {
  // A caption row is a few kilobytes; anything far larger is not one.
  constexpr size_t kMaxFreqStyleBytes = 1024 * 1024;
  const FileContent file = ReadRegularFile(FreqStylePath(programFolder), kMaxFreqStyleBytes);
  if (file.status != ReadStatus::kOk) return nullptr;
  auto doc = std::make_unique<pugi::xml_document>();
  const pugi::xml_parse_result result =
      doc->load_buffer(file.data.data(), file.data.size(), pugi::parse_default, pugi::encoding_auto);
  if (!result || !doc->document_element()) return nullptr;
  return doc;
}

}  // namespace brisvel::settings
