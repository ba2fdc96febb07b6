// Fuzzes layout fragments from files (freqstyle.xml): a fragment is taken
// exactly when it is well-formed with a root element and its element tree
// stays within the depth and size limits, counted here independently; the
// wrapped copy the caption row is built from stays within what the builder
// builds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "settings/freq_style.h"

namespace {

struct Shape {
  size_t depth = 0, elements = 0;
};

// Depth and element count, recursing only as far as the limit allows.
void Measure(const pugi::xml_node& node, size_t level, Shape& shape) {
  if (node.type() != pugi::node_element) return;
  ++shape.elements;
  shape.depth = std::max(shape.depth, level);
  if (level > brisvel::settings::kMaxLayoutDepth || shape.elements > brisvel::settings::kMaxLayoutElements) return;
  for (const pugi::xml_node child : node.children()) Measure(child, level + 1, shape);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string why;
  const auto doc = brisvel::settings::ParseFreqStyle(text, &why);
  pugi::xml_document plain;
  const bool wellFormed = plain.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_auto) &&
                          plain.document_element();
  Shape shape;
  if (wellFormed) Measure(plain.document_element(), 1, shape);
  const bool within = shape.depth <= brisvel::settings::kMaxLayoutDepth &&
                      shape.elements <= brisvel::settings::kMaxLayoutElements;
  FUZZ_CHECK((doc != nullptr) == (wellFormed && within));
  FUZZ_CHECK(doc != nullptr || !why.empty());
  if (!doc) return 0;

  // As the caption row wraps it: two levels more, still far within the builder's 64.
  pugi::xml_document wrapped;
  pugi::xml_node box = wrapped.append_child("fragment").append_copy(doc->document_element());
  box.set_name("window");
  std::ostringstream out;
  wrapped.save(out, "", pugi::format_raw);
  pugi::xml_document again;
  FUZZ_CHECK(again.load_string(out.str().c_str()));
  Shape wrappedShape;
  Measure(again.document_element(), 1, wrappedShape);
  FUZZ_CHECK(wrappedShape.depth == shape.depth + 1 && wrappedShape.elements == shape.elements + 1);
  return 0;
}
