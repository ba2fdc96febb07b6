// The optional layout fragment beside the executable that replaces the
// frequency captions above the equaliser bands: finding and parsing it.
#pragma once

#include <filesystem>
#include <memory>

#include <pugixml.hpp>

namespace brisvel::settings {

std::filesystem::path FreqStylePath(const std::filesystem::path& programFolder);

// The parsed document, or nothing when the file is missing, unreadable or not
// well-formed XML with a root element (the built-in captions then stay).
std::unique_ptr<pugi::xml_document> LoadFreqStyle(const std::filesystem::path& programFolder);

}  // namespace brisvel::settings
