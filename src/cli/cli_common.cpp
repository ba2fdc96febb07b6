// Block files and parameter texts for brisvelctl: every parameter is shown
// and parsed with the same display rules and limits as in the console.
#include "cli/cli_common.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <type_traits>
#include <string_view>

#include "cli/cli_platform.h"
#include "core/debug_output.h"
#include "core/param_text.h"
#include "core/scales.h"
#include "settings/file_safety.h"
#include "settings/settings_keys.h"

namespace brisvel::cli {
namespace {

using Kind = ParamKind;
Kind KindOf(int index) { return ParamKindOf(index); }

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// "Bessel", "24dB/Oct", "Bessel,24dB/Oct" or "Linkwitz OFF": each word sets its
// part of the byte and keeps the other.
uint8_t ParseTypeByte(const std::string& text, uint8_t current) {
  uint8_t b = current;
  std::string word;
  bool any = false;
  auto apply = [&](const std::string& w) {
    if (w.empty()) return;
    const std::string lw = Lower(w);
    for (int c = 0; c < kCharacteristicCount; ++c) {
      if (lw == Lower(CharacteristicText(c))) {
        b = WithCharacteristic(b, c);
        any = true;
        return;
      }
    }
    for (int s = 0; s < kSlopeCount; ++s) {
      if (lw == Lower(SlopeText(s))) {
        b = WithSlope(b, s);
        any = true;
        return;
      }
    }
    throw CliError("unknown filter type or slope \"" + w + "\" (use Butterworth, Bessel, Linkwitz, 6dB/Oct ... 48dB/Oct, OFF)");
  };
  for (char ch : text) {
    if (ch == ',' || ch == ' ') {
      apply(word);
      word.clear();
    } else {
      word.push_back(ch);
    }
  }
  apply(word);
  if (!any) throw CliError("empty filter type");
  return b;
}

int ListIndex(const std::string& text, int count, const char* (*name)(int), const char* what) {
  for (int i = 0; i < count; ++i) {
    if (name && Lower(text) == Lower(name(i))) return i;
  }
  // Otherwise the list index itself, as plain digits.
  const bool digits = !text.empty() && text.size() <= 3 &&
                      std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
  const int v = digits ? std::stoi(text) : -1;
  if (v < 0 || v >= count) throw CliError(FormatString("bad %s \"%s\" (0 to %d)", what, text.c_str(), count - 1));
  return v;
}


bool SameLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

struct WholeNumberText {
  double value;
  std::string number;  // the number without its unit
};

// The whole text as a plain decimal number ("-3", "+2.5", ".5", "7."), blanks
// around it and the parameter's unit after it allowed (any letter case);
// nothing else: no exponent, no hexadecimal, no "nan", no second sign.
std::optional<WholeNumberText> WholeNumber(std::string_view text, std::string_view unit) {
  text = TrimBlanks(text);
  if (!unit.empty() && text.size() > unit.size() && SameLetters(text.substr(text.size() - unit.size()), unit)) {
    text = TrimBlanks(text.substr(0, text.size() - unit.size()));
  }
  size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  size_t digits = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
  }
  if (digits == 0 || i != text.size()) return std::nullopt;
  const std::string number(text);
  return WholeNumberText{ParseLeadingNumber(number), number};
}

// What a parameter kind accepts when its value is checked.
struct Accepted {
  double low;
  double high;
  const char* unit;   // the unit of the display text ("" for none)
  bool off;           // "OFF" is a value
  bool integer;       // whole numbers only
};

std::string RangeText(const Accepted& a) {
  std::string out = a.off ? "OFF or " : "";
  out += FormatString("%g to %g", a.low, a.high);
  if (*a.unit) out += std::string(" ") + a.unit;
  return out;
}

// The number text the display rules then read, or a CliError naming the
// parameter, the text and what it accepts.
std::string CheckedNumber(const std::string& name, const std::string& text, const Accepted& a) {
  if (a.off && SameLetters(TrimBlanks(text), "OFF")) return "OFF";
  const auto n = WholeNumber(text, a.unit);
  const bool fits = n && n->value >= a.low && n->value <= a.high &&
                    (!a.integer || n->number.find('.') == std::string::npos);
  if (!fits) {
    throw CliError(FormatString("%s: \"%s\" is not accepted (%s; --clamp limits a number to the range instead)",
                                name.c_str(), text.c_str(), RangeText(a).c_str()));
  }
  return n->number;
}

}  // namespace

std::string Printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  auto hex = [&](const char* format, unsigned value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, format, value);
    out += buf;
  };
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b == '\\') {
      out += "\\\\";
      ++i;
      continue;
    }
    if (b < 0x20 || b == 0x7F) {
      hex("\\x%02X", b);
      ++i;
      continue;
    }
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    // One UTF-8 sequence, or each byte of a broken one as \xNN.
    const size_t len = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    uint32_t cp = len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    bool valid = len != 0 && i + len <= text.size();
    for (size_t k = 1; valid && k < len; ++k) {
      const auto c = static_cast<unsigned char>(text[i + k]);
      valid = (c & 0xC0) == 0x80;
      cp = (cp << 6) | (c & 0x3F);
    }
    const uint32_t least = len == 2 ? 0x80 : len == 3 ? 0x800 : 0x10000;
    valid = valid && cp >= least && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
    if (!valid) {
      hex("\\x%02X", b);
      ++i;
      continue;
    }
    // C1 controls, and the marks that turn the direction of what follows.
    if (cp <= 0x9F || (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069)) {
      hex("\\u%04X", cp);
    } else {
      out.append(text.substr(i, len));
    }
    i += len;
  }
  return out;
}

std::string ReadInputFile(const std::filesystem::path& path, size_t maxBytes) {
  settings::FileContent file = settings::ReadRegularFile(path, maxBytes);
  switch (file.status) {
    case settings::ReadStatus::kOk: return std::move(file.data);
    case settings::ReadStatus::kMissing: throw CliError("cannot open " + path.string() + ": no such file");
    default: throw CliError(file.error);
  }
}

EffectBlock ReadBlockFile(const std::filesystem::path& path) {
  settings::FileContent file = settings::ReadRegularFile(path, kBlockSize);
  const bool wrongSize = file.status == settings::ReadStatus::kTooLarge ||
                         (file.status == settings::ReadStatus::kOk && file.data.size() != kBlockSize);
  if (wrongSize) {
    throw CliError(FormatString("%s: %llu bytes, a parameter block has %zu", path.string().c_str(),
                                static_cast<unsigned long long>(file.size), kBlockSize));
  }
  if (file.status == settings::ReadStatus::kMissing) throw CliError("cannot open " + path.string() + ": no such file");
  if (file.status != settings::ReadStatus::kOk) throw CliError(file.error);
  EffectBlock block{};
  std::copy(file.data.begin(), file.data.end(), block.begin());
  return block;
}

void WriteBlockFile(const std::filesystem::path& path, const EffectBlock& block) {
  std::string error;
  const std::string_view bytes(reinterpret_cast<const char*>(block.data()), block.size());
  if (!settings::WriteFileAtomically(path, bytes, &error)) throw CliError("cannot write " + path.string() + ": " + error);
}

ParamAssignment ParseAssignment(const std::string& nameEqualsText, const EffectBlock& current, int minDb, int maxDb,
                                bool clamp) {
  const size_t eq = nameEqualsText.find('=');
  if (eq == std::string::npos) throw CliError("expected NAME=VALUE, got \"" + nameEqualsText + "\"");
  const std::string name = nameEqualsText.substr(0, eq);
  const std::string text = nameEqualsText.substr(eq + 1);
  const auto index = FindParam(name);
  if (!index) throw CliError("unknown parameter \"" + name + "\" (see brisvelctl params)");
  const uint16_t old = ReadParam(current, *index);
  const Kind kind = KindOf(*index);
  // Strictly, a number is first checked whole and within the limits; the
  // display rules then turn it into the raw value as they do for typed text.
  std::string value = text;
  if (!clamp) {
    switch (kind) {
      case Kind::MuteCtrl:
      case Kind::PassCtrl:
      case Kind::PhaseCtrl:
      case Kind::ResetCtrl: value = CheckedNumber(name, text, {0, 63, "", false, true}); break;
      case Kind::MainVol:
      case Kind::Volume: value = CheckedNumber(name, text, {-60, 6, "dB", true, false}); break;
      case Kind::Delay: value = CheckedNumber(name, text, {0, DelayUnitLimit(kDelayMs), "ms", false, false}); break;
      case Kind::HpFreq: value = CheckedNumber(name, text, {20, 20000, "Hz", true, false}); break;
      case Kind::LpFreq: value = CheckedNumber(name, text, {20, 20000, "Hz", false, false}); break;
      case Kind::EqFreq: value = CheckedNumber(name, text, {20, 20000, "Hz", false, false}); break;
      case Kind::EqQ: value = CheckedNumber(name, text, {0.4, 128, "", false, false}); break;
      case Kind::EqGain:
        value = CheckedNumber(name, text, {static_cast<double>(minDb), static_cast<double>(maxDb), "dB", false, false});
        break;
      case Kind::Threshold: value = CheckedNumber(name, text, {-30, 6, "dBu", false, false}); break;
      case Kind::Attack: value = CheckedNumber(name, text, {0.3, 100, "ms", false, false}); break;
      case Kind::HpType:
      case Kind::LpType:
      case Kind::Release:
      case Kind::NoiseGate: break;  // names and list indexes are always checked whole
    }
  }
  // As in the windows, a text without a number is no value at all.
  const auto Read = [&](const auto& parsed) -> int {
    if (!parsed) throw CliError(FormatString("%s: \"%s\" holds no number", name.c_str(), text.c_str()));
    if constexpr (std::is_same_v<std::decay_t<decltype(*parsed)>, Parsed>) return parsed->raw;
    else return Truncate(static_cast<double>(*parsed));
  };
  int raw = 0;
  switch (kind) {
    case Kind::MuteCtrl:
    case Kind::PassCtrl:
    case Kind::PhaseCtrl:
    case Kind::ResetCtrl: {
      const int v = Read(LeadingNumber(value));
      if (v < 0 || v > 63) throw CliError(FormatString("%s takes a channel bit mask 0 to 63", name.c_str()));
      raw = static_cast<int>(v);
      break;
    }
    case Kind::MainVol:
    case Kind::Volume: raw = Read(ParseVolume(value)); break;
    case Kind::Delay: raw = Read(ParseDelay(value, kDelayMs)); break;
    case Kind::HpType:
    case Kind::LpType: raw = ParseTypeByte(value, static_cast<uint8_t>(old)); break;
    case Kind::HpFreq: raw = Read(ParseHighPass(value)); break;
    case Kind::LpFreq: raw = Read(ParseLowPass(value)); break;
    case Kind::EqFreq: raw = Read(ParseBandFrequency(value)); break;
    case Kind::EqQ: raw = Read(ParseQ(value)); break;
    case Kind::EqGain: raw = Read(ParseGain(value, minDb, maxDb)); break;
    case Kind::Threshold: raw = Read(ParseThreshold(value)); break;
    case Kind::Attack: raw = Read(ParseAttack(value)); break;
    case Kind::Release: raw = ListIndex(value, kReleaseCount, &ReleaseText, "release"); break;
    case Kind::NoiseGate: raw = ListIndex(value, kNoiseGateCount, nullptr, "noise gate"); break;
  }
  return {*index, static_cast<uint16_t>(raw)};
}

settings::CaeData LoadInstallerData() {
  const std::filesystem::path folder = ExecutableFolder();
  if (folder.empty()) return settings::CaeData{};
  return settings::LoadCaeData(folder / settings::kCaeDataFileName);
}

}  // namespace brisvel::cli
