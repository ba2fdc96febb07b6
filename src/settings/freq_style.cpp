// Locating, reading and parsing the frequency-caption layout fragment.
#include "settings/freq_style.h"

#include <vector>

#include "settings/file_safety.h"
#include "settings/settings_keys.h"

namespace brisvel::settings {

std::filesystem::path FreqStylePath(const std::filesystem::path& programFolder) {
  return programFolder / kFreqStyleFileName;
}

std::string LayoutTreeProblem(const pugi::xml_node& root) {
  // Depth-first with an explicit stack of the next sibling to visit per level.
  size_t elements = 0;
  std::vector<pugi::xml_node> stack;
  for (pugi::xml_node n = root; n;) {
    if (n.type() == pugi::node_element) {
      if (++elements > kMaxLayoutElements) {
        return "more than " + std::to_string(kMaxLayoutElements) + " elements";
      }
      if (stack.size() + 1 > kMaxLayoutDepth) {
        return "elements nested more than " + std::to_string(kMaxLayoutDepth) + " deep";
      }
    }
    if (n.first_child() && n.type() == pugi::node_element) {
      stack.push_back(n);
      n = n.first_child();
      continue;
    }
    // Up until a level has a next sibling; the root's siblings are not part of it.
    while (n && n != root && !n.next_sibling()) {
      n = stack.empty() ? pugi::xml_node() : stack.back();
      if (!stack.empty()) stack.pop_back();
    }
    n = (n && n != root) ? n.next_sibling() : pugi::xml_node();
  }
  return {};
}

std::unique_ptr<pugi::xml_document> ParseFreqStyle(std::string_view text, std::string* why) {
  auto refuse = [&](std::string reason) -> std::unique_ptr<pugi::xml_document> {
    if (why) *why = std::move(reason);
    return nullptr;
  };
  auto doc = std::make_unique<pugi::xml_document>();
  const pugi::xml_parse_result result =
      doc->load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_auto);
  if (!result) return refuse(std::string("not well-formed XML: ") + result.description());
  if (!doc->document_element()) return refuse("no root element");
  if (std::string problem = LayoutTreeProblem(doc->document_element()); !problem.empty()) return refuse(problem);
  return doc;
}

std::unique_ptr<pugi::xml_document> LoadFreqStyle(const std::filesystem::path& programFolder, std::string* why) {
  FileContent file = ReadRegularFile(FreqStylePath(programFolder), kMaxFreqStyleBytes);
  if (file.status != ReadStatus::kOk) {
    if (why) *why = file.error;
    return nullptr;
  }
  return ParseFreqStyle(file.data, why);
}

}  // namespace brisvel::settings
