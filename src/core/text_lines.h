// The lines of a text file as any program may have written it.
#pragma once

#include <string_view>
#include <vector>

namespace brisvel {

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// LF, CR LF and a lone CR each end a line; the line ends are not part of the
// lines, and a last line without one is a line too. A UTF-8 byte-order mark
// at the very start is not part of the first line.
std::vector<std::string_view> SplitLines(std::string_view text);

// The words of a line: runs of characters between white space.
std::vector<std::string_view> SplitWords(std::string_view line);

}  // namespace brisvel
