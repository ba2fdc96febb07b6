// Decoding of text files into UTF-8 with LF line ends.
#include "core/text_decoding.h"

#include <cstdint>
#include <cstdio>

namespace brisvel {
namespace {

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Length of the UTF-8 sequence at i, or 0 when the bytes there are not one.
size_t Utf8Length(std::string_view s, size_t i) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  if (c < 0x80) return 1;
  size_t n = 0;
  uint32_t cp = 0;
  if (c >= 0xC2 && c <= 0xDF) n = 2, cp = c & 0x1F;
  else if (c >= 0xE0 && c <= 0xEF) n = 3, cp = c & 0x0F;
  else if (c >= 0xF0 && c <= 0xF4) n = 4, cp = c & 0x07;
  else return 0;
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

bool IsUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const size_t n = Utf8Length(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string FromUtf16(std::string_view s, bool little) {
  std::string out;
  out.reserve(s.size());
  const auto unit = [&](size_t i) -> uint32_t {
    const auto lo = static_cast<unsigned char>(s[little ? i : i + 1]);
    const auto hi = static_cast<unsigned char>(s[little ? i + 1 : i]);
    return lo | (hi << 8);
  };
  for (size_t i = 0; i + 1 < s.size(); i += 2) {
    uint32_t cp = unit(i);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < s.size()) {
      const uint32_t next = unit(i + 2);
      if (next >= 0xDC00 && next <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (next - 0xDC00);
        i += 2;
      } else {
        cp = 0xFFFD;
      }
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

std::string FromLatin1(std::string_view s) {
  std::string out;
  out.reserve(s.size() + s.size() / 8);
  for (unsigned char c : s) AppendUtf8(out, c);
  return out;
}

std::string UnifyLineEnds(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r') {
      out += '\n';
      if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace

DecodedText DecodeText(std::string_view bytes) {
  DecodedText d;
  const auto at = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 2 && at(0) == 0xFF && at(1) == 0xFE) {
    d.encoding = "UTF-16LE";
    d.text = UnifyLineEnds(FromUtf16(bytes.substr(2), true));
  } else if (bytes.size() >= 2 && at(0) == 0xFE && at(1) == 0xFF) {
    d.encoding = "UTF-16BE";
    d.text = UnifyLineEnds(FromUtf16(bytes.substr(2), false));
  } else if (bytes.size() >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) {
    const std::string_view rest = bytes.substr(3);
    d.encoding = IsUtf8(rest) ? "UTF-8 with byte-order mark" : "Latin-1";
    d.text = UnifyLineEnds(IsUtf8(rest) ? std::string(rest) : FromLatin1(rest));
  } else if (IsUtf8(bytes)) {
    d.encoding = "UTF-8";
    d.text = UnifyLineEnds(bytes);
  } else {
    d.encoding = "Latin-1";
    d.text = UnifyLineEnds(FromLatin1(bytes));
  }
  return d;
}

std::string_view TrimBlanks(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

std::vector<TextLine> SplitTextLines(std::string_view text) {
  std::vector<TextLine> lines;
  size_t pos = 0;
  int n = 0;
  while (pos < text.size()) {
    const size_t nl = text.find('\n', pos);
    const size_t stop = nl == std::string_view::npos ? text.size() : nl;
    lines.push_back({++n, TrimBlanks(text.substr(pos, stop - pos))});
    if (nl == std::string_view::npos) break;
    pos = nl + 1;
  }
  return lines;
}

std::string Printable(std::string_view text, size_t max) {
  std::string out;
  size_t shown = 0;
  for (size_t i = 0; i < text.size();) {
    if (shown >= max) {
      out += "...";
      break;
    }
    const auto c = static_cast<unsigned char>(text[i]);
    const size_t n = Utf8Length(text, i);
    if (c < 0x20 || c == 0x7F || n == 0) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
      ++i;
    } else if (n == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
      // The C1 controls (U+0080 to U+009F) act on terminals as the C0 ones do.
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned char>(text[i + 1]));
      out += buf;
      i += 2;
    } else {
      out.append(text.substr(i, n));
      i += n;
    }
    ++shown;
  }
  return out;
}

}  // namespace brisvel
