// The optional layout fragment beside the executable that replaces the
// frequency captions above the equaliser bands: finding, reading and parsing
// it, and the limits every layout fragment from a file is held to.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include <pugixml.hpp>

namespace brisvel::settings {

std::filesystem::path FreqStylePath(const std::filesystem::path& programFolder);

// A caption row is a few kilobytes; a larger file is not one and is ignored.
inline constexpr size_t kMaxFreqStyleBytes = 1024 * 1024;
// Layout fragments from files: elements nested deeper, or more of them, are
// not a layout the windows could show (and building them would exhaust the
// stack or the memory).
inline constexpr size_t kMaxLayoutDepth = 64;
inline constexpr size_t kMaxLayoutElements = 10000;

// Why the element tree under root is not a fragment to build: too deep or too
// many elements. Empty when it is within the limits. Walks without recursion.
std::string LayoutTreeProblem(const pugi::xml_node& root);

// The parsed document of fragment text, or nothing when it is not well-formed
// XML with a root element or exceeds the limits (why says which).
std::unique_ptr<pugi::xml_document> ParseFreqStyle(std::string_view text, std::string* why = nullptr);

// The same from freqstyle.xml in programFolder, read only when it is a
// regular file of at most kMaxFreqStyleBytes; nothing when it is missing,
// unreadable or refused (the built-in captions then stay).
std::unique_ptr<pugi::xml_document> LoadFreqStyle(const std::filesystem::path& programFolder,
                                                  std::string* why = nullptr);

}  // namespace brisvel::settings
