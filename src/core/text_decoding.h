// Text files as other programs write them: UTF-16 with a byte-order mark,
// UTF-8 with or without one, Latin-1 where the bytes are no UTF-8, and CR,
// LF or CR LF line ends. Decoded into UTF-8 with LF line ends; line numbers
// stay those of the file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brisvel {

struct DecodedText {
  std::string text;      // UTF-8, lines ended by LF
  std::string encoding;  // "UTF-8", "UTF-8 with byte-order mark", "UTF-16LE", "UTF-16BE", "Latin-1"
};

DecodedText DecodeText(std::string_view bytes);

// The text without blanks, tabs and line ends at either end.
std::string_view TrimBlanks(std::string_view s);

// The lines of decoded text, trimmed, with their 1-based numbers.
struct TextLine {
  int number;
  std::string_view text;
};
std::vector<TextLine> SplitTextLines(std::string_view text);

// A piece of text made fit for a message: control bytes and bytes that are
// not UTF-8 are written as \xNN, the C1 controls as \uNNNN, and the piece is
// cut after max characters.
std::string Printable(std::string_view text, size_t max = 60);

}  // namespace brisvel
