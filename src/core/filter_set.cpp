// Parametric-filter text and CSV of one channel's bands, both directions.
#include "core/filter_set.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

#include "core/scales.h"
#include "core/text_lines.h"

namespace brisvel {
namespace {

std::string Format(const char* fmt, double a) {
  char buf[64];
  std::snprintf(buf, sizeof buf, fmt, a);
  return buf;
}

std::string Hundredths(int raw) { return Format("%.2f", raw / 100.0); }

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::optional<double> Number(std::string_view field, bool decimalComma = false) {
  std::string t(Trim(field));
  if (decimalComma) std::replace(t.begin(), t.end(), ',', '.');
  if (!t.empty() && t.front() == '+') t.erase(0, 1);
  if (t.empty()) return std::nullopt;
  double v = 0;
  const char* end = t.data() + t.size();
  const auto [p, ec] = std::from_chars(t.data(), end, v);
  if (ec != std::errc() || p != end || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    const size_t start = i;
    while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines = SplitLines(text);
  for (auto& line : lines) line = Trim(line);
  return lines;
}

struct Filter {
  int line = 0;
  std::string label;  // "Filter 3" or "row 3"
  double freq = 0, gain = 0, q = 1;
};

// Quantises one filter into a band and notes every adjustment.
BandRaw Take(const Filter& f, const BandRaw& current, int minGainDb, int maxGainDb, std::vector<std::string>& changes) {
  BandRaw b = current;
  const double hz = std::clamp(f.freq, 20.0, 20000.0);
  b.freq = static_cast<int>(std::lround(hz));
  if (hz != f.freq) {
    changes.push_back(f.label + ": frequency " + Format("%g", f.freq) + " Hz limited to " + std::to_string(b.freq) + " Hz");
  } else if (b.freq != f.freq) {
    changes.push_back(f.label + ": frequency " + Format("%g", f.freq) + " Hz rounded to " + std::to_string(b.freq) + " Hz");
  }
  const double gain = std::clamp(f.gain, static_cast<double>(minGainDb), static_cast<double>(maxGainDb));
  b.gain = static_cast<int>(std::lround(gain * 100.0));
  if (gain != f.gain) {
    changes.push_back(f.label + ": gain " + Format("%g", f.gain) + " dB clamped to " + Hundredths(b.gain) + " dB");
  } else if (std::fabs(b.gain - f.gain * 100.0) > 1e-6) {
    changes.push_back(f.label + ": gain " + Format("%g", f.gain) + " dB rounded to " + Hundredths(b.gain) + " dB");
  }
  const double wanted = std::clamp(f.q * 100.0, 0.0, 1.0e6);
  b.q = QStepTable()[static_cast<size_t>(NearestQIndex(static_cast<int>(std::lround(wanted))))];
  if (std::fabs(b.q - f.q * 100.0) > 1e-6) {
    changes.push_back(f.label + ": Q " + Format("%g", f.q) + " taken as the nearest step " + QText(b.q));
  }
  return b;
}

FilterSetImport Fail(int line, const std::string& what) {
  FilterSetImport r;
  r.error = "line " + std::to_string(line) + ": " + what;
  return r;
}

// Value after a keyword ("Fc", "Gain", "Q"), if present.
std::optional<std::pair<bool, double>> ValueAfter(const std::vector<std::string_view>& w, const char* key) {
  for (size_t i = 0; i + 1 < w.size(); ++i) {
    if (Lower(w[i]) == Lower(key)) {
      const auto v = Number(w[i + 1]);
      return std::make_pair(v.has_value(), v.value_or(0));
    }
  }
  return std::nullopt;
}

}  // namespace

std::string FilterSetText(const ChannelBands& bands) {
  std::string out = "Preamp: 0.0 dB\n";
  for (size_t i = 0; i < bands.size(); ++i) {
    const BandRaw& b = bands[i];
    out += "Filter " + std::to_string(i + 1) + ": ON PK Fc " + std::to_string(b.freq) + " Hz Gain " +
           Hundredths(b.gain) + " dB Q " + Hundredths(b.q) + "\n";
  }
  return out;
}

std::string FilterSetCsv(const ChannelBands& bands) {
  std::string out = "band,frequency,gain,q\n";
  for (size_t i = 0; i < bands.size(); ++i) {
    const BandRaw& b = bands[i];
    out += std::to_string(i + 1) + "," + std::to_string(b.freq) + "," + Hundredths(b.gain) + "," + Hundredths(b.q) + "\n";
  }
  return out;
}

FilterSetImport ImportFilterSet(std::string_view text, const ChannelBands& current, int minGainDb, int maxGainDb) {
  const auto lines = Lines(text);
  bool textFormat = false;
  for (auto l : lines) {
    const std::string low = Lower(l.substr(0, 7));
    if (low.rfind("filter", 0) == 0 || low.rfind("preamp", 0) == 0) textFormat = true;
  }
  std::vector<Filter> filters;
  FilterSetImport result;
  for (size_t n = 0; n < lines.size(); ++n) {
    const std::string_view line = lines[n];
    const int lineNo = static_cast<int>(n) + 1;
    if (line.empty() || line.front() == '#' || line.front() == '*') continue;
    if (textFormat) {
      const std::string low = Lower(line);
      if (low.rfind("preamp", 0) == 0) {
        const auto w = Words(line.substr(line.find(':') == std::string_view::npos ? 6 : line.find(':') + 1));
        if (!w.empty() && Number(w[0]) && *Number(w[0]) != 0.0) {
          result.skipped.push_back("Preamp " + Format("%.1f", *Number(w[0])) +
                                   " dB not taken: the bands have no preamp; set the channel volume instead");
        }
        continue;
      }
      if (low.rfind("filter", 0) != 0) continue;  // title and note lines
      const size_t colon = line.find(':');
      if (colon == std::string_view::npos) continue;
      std::string label = "Filter";
      for (std::string_view w : Words(line.substr(6, colon - 6))) label += " " + std::string(w);
      const auto w = Words(line.substr(colon + 1));
      if (w.empty()) continue;
      const std::string state = Lower(w[0]);
      if (state == "off") {
        result.skipped.push_back(label + " not taken: switched off");
        continue;
      }
      if (state != "on") return Fail(lineNo, "\"" + std::string(w[0]) + "\" where ON or OFF was expected");
      if (w.size() < 2 || Lower(w[1]) == "none") continue;  // an unused row
      const std::string type(w[1]);
      if (Lower(type) != "pk" && Lower(type) != "peq" && Lower(type) != "modal") {
        result.skipped.push_back(label + " not taken: the bands are peaking filters, not " + type);
        continue;
      }
      const auto fc = ValueAfter(w, "Fc");
      const auto gain = ValueAfter(w, "Gain");
      const auto q = ValueAfter(w, "Q");
      if (!fc || !fc->first || fc->second <= 0) return Fail(lineNo, label + " has no frequency (Fc ... Hz)");
      if (!gain || !gain->first) return Fail(lineNo, label + " has no gain (Gain ... dB)");
      if (!q || !q->first || q->second <= 0) {
        result.skipped.push_back(label + " not taken: it gives no Q");
        continue;
      }
      filters.push_back({lineNo, label, fc->second, gain->second, q->second});
    } else {
      const bool semicolons = line.find(';') != std::string_view::npos;
      std::vector<std::string_view> fields;
      size_t pos = 0;
      const char sep = semicolons ? ';' : ',';
      while (true) {
        const size_t next = line.find(sep, pos);
        fields.push_back(Trim(line.substr(pos, next == std::string_view::npos ? std::string_view::npos : next - pos)));
        if (next == std::string_view::npos) break;
        pos = next + 1;
      }
      if (filters.empty() && !Number(fields[0], semicolons)) continue;  // the header
      if (fields.size() < 4) return Fail(lineNo, "a row needs band, frequency, gain and Q");
      const auto band = Number(fields[0], semicolons), fc = Number(fields[1], semicolons),
                 gain = Number(fields[2], semicolons), q = Number(fields[3], semicolons);
      if (!band || !fc || !gain || !q) return Fail(lineNo, "\"" + std::string(line.substr(0, 60)) + "\" is not four numbers");
      if (*fc <= 0 || *q <= 0) return Fail(lineNo, "frequency and Q must be above 0");
      filters.push_back({lineNo, "Row " + std::to_string(filters.size() + 1), *fc, *gain, *q});
    }
  }
  if (filters.empty() && result.skipped.empty()) return Fail(std::max(1, static_cast<int>(lines.size())), "no filters found");
  result.bands = current;
  for (BandRaw& b : result.bands) {
    if (b.gain != 0) {
      b.gain = 0;
    }
  }
  bool cleared = false;
  for (size_t i = 0; i < current.size(); ++i)
    if (i >= filters.size() && current[i].gain != 0) cleared = true;
  for (size_t i = 0; i < filters.size(); ++i) {
    if (i >= static_cast<size_t>(kBandCount)) {
      result.skipped.push_back(filters[i].label + " not taken: the channel has " + std::to_string(kBandCount) + " bands");
      continue;
    }
    result.bands[i] = Take(filters[i], current[i], minGainDb, maxGainDb, result.changes);
    ++result.filtersTaken;
  }
  if (cleared) {
    result.changes.push_back("bands " + std::to_string(std::min<size_t>(filters.size(), kBandCount) + 1) + " to " +
                             std::to_string(kBandCount) + " set to 0 dB");
  }
  result.ok = true;
  return result;
}

}  // namespace brisvel
