#include "core/channel_names.h"

#include "core/scales.h"
#include "core/text_decoding.h"

namespace brisvel {

namespace {

// The length of the valid UTF-8 sequence at the start of s, 0 when it is not one.
size_t Utf8Length(std::string_view s) {
  const auto b0 = static_cast<unsigned char>(s[0]);
  size_t n = 0;
  char32_t cp = 0;
  if (b0 < 0x80) return 1;
  if (b0 >= 0xC2 && b0 <= 0xDF) n = 2, cp = b0 & 0x1F;
  else if (b0 >= 0xE0 && b0 <= 0xEF) n = 3, cp = b0 & 0x0F;
  else if (b0 >= 0xF0 && b0 <= 0xF4) n = 4, cp = b0 & 0x07;
  else return 0;
  if (s.size() < n) return 0;
  for (size_t i = 1; i < n; ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  const bool overlong = (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
  if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

std::string CleanChannelName(std::string_view typed) {
  std::string kept;
  while (!typed.empty()) {
    const size_t n = Utf8Length(typed);
    if (n == 0) {
      typed.remove_prefix(1);
      continue;
    }
    const auto first = static_cast<unsigned char>(typed[0]);
    const bool control = n == 1 && (first < 0x20 || first == 0x7F);
    if (!control && typed[0] != '|') {
      kept.append(typed.substr(0, n));
    }
    typed.remove_prefix(n);
  }
  std::string_view trimmed = TrimBlanks(kept);
  size_t count = 0, end = 0;
  for (; end < trimmed.size(); ++end) {
    if ((static_cast<unsigned char>(trimmed[end]) & 0xC0) != 0x80) {
      if (count == kChannelNameChars) break;
      ++count;
    }
  }
  return std::string(TrimBlanks(trimmed.substr(0, end)));
}

std::string EncodeChannelNames(const ChannelNames& names) {
  std::string out;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i) out += '|';
    out += CleanChannelName(names[i]);
  }
  return out;
}

ChannelNames DecodeChannelNames(std::string_view text) {
  ChannelNames names;
  for (size_t i = 0; i < names.size(); ++i) {
    const size_t bar = text.find('|');
    names[i] = CleanChannelName(text.substr(0, bar));
    if (bar == std::string_view::npos) break;
    text.remove_prefix(bar + 1);
  }
  return names;
}

const std::string& ChannelNameOf(const ChannelNames& names, int box) {
  static const std::string none;
  const int label = ChannelLabelNumber(box);
  return label >= 1 && label <= kChannelCount ? names[static_cast<size_t>(label - 1)] : none;
}

std::string NamedChannelLabel(const ChannelNames& names, int box) {
  const std::string& name = ChannelNameOf(names, box);
  return name.empty() ? ChannelLabel(box) : ChannelLabel(box) + " " + name;
}

}  // namespace brisvel
