// Filter-set text, equaliser configurations, filter tables and CSV of one
// channel's bands, both directions.
#include "core/filter_set.h"

#include "core/text_lines.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

#include "core/scales.h"
#include "core/text_decoding.h"

namespace brisvel {
namespace {

constexpr double kFileQDivisor = 300.0;  // the model draws raw / 300

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

bool StartsWithWord(std::string_view line, std::string_view word) {
  return line.size() >= word.size() && Lower(line.substr(0, word.size())) == word;
}

std::optional<double> PlainNumber(std::string t) {
  if (!t.empty() && t.front() == '+') t.erase(0, 1);
  if (t.empty()) return std::nullopt;
  double v = 0;
  const char* end = t.data() + t.size();
  const auto [p, ec] = std::from_chars(t.data(), end, v);
  if (ec != std::errc() || p != end || !std::isfinite(v)) return std::nullopt;
  return v;
}

// A number as the filter texts write it: a decimal point or a decimal comma
// ("91,9"), thousands set apart by a no-break space ("1 840") or by commas
// before a point ("1,840.5").
std::optional<double> TextNumber(std::string_view field) {
  std::string t;
  const std::string_view f = TrimBlanks(field);
  for (size_t i = 0; i < f.size(); ++i) {
    const auto c = static_cast<unsigned char>(f[i]);
    if (c == 0xC2 && i + 1 < f.size() && static_cast<unsigned char>(f[i + 1]) == 0xA0) {
      ++i;  // no-break space
    } else if (c == 0xE2 && i + 2 < f.size() && static_cast<unsigned char>(f[i + 1]) == 0x80 &&
               static_cast<unsigned char>(f[i + 2]) == 0xAF) {
      i += 2;  // narrow no-break space
    } else {
      t += static_cast<char>(c);
    }
  }
  if (t.find('.') != std::string::npos) {
    t.erase(std::remove(t.begin(), t.end(), ','), t.end());
  } else {
    std::replace(t.begin(), t.end(), ',', '.');
  }
  return PlainNumber(t);
}

// A CSV field: a decimal comma only where the fields are split at semicolons.
std::optional<double> CsvNumber(std::string_view field, bool decimalComma) {
  std::string t(TrimBlanks(field));
  if (t.size() >= 2 && t.front() == '"' && t.back() == '"') t = t.substr(1, t.size() - 2);
  if (decimalComma) std::replace(t.begin(), t.end(), ',', '.');
  return PlainNumber(t);
}

std::vector<std::string_view> Words(std::string_view line) { return SplitWords(line); }

std::vector<std::string_view> Split(std::string_view line, char sep) {
  std::vector<std::string_view> fields;
  size_t pos = 0;
  while (true) {
    const size_t next = line.find(sep, pos);
    fields.push_back(TrimBlanks(line.substr(pos, next == std::string_view::npos ? std::string_view::npos : next - pos)));
    if (next == std::string_view::npos) break;
    pos = next + 1;
  }
  return fields;
}

struct Filter {
  int line = 0;
  std::string label;  // "Filter 3", "Filter 2 (line 7)" or "Row 3"
  double freq = 0, gain = 0, q = 1;  // q as the file's Q
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
  b.q = RawQFromFileQ(f.q);
  // The files write the Q with a few decimals; within those it is the step itself.
  if (std::fabs(b.q - f.q * kFileQDivisor) > 0.05) {
    changes.push_back(f.label + ": Q " + Format("%g", f.q) + " taken as the nearest step " + FileQText(b.q));
  }
  return b;
}

FilterSetImport Fail(int line, const std::string& what) {
  FilterSetImport r;
  r.error = "line " + std::to_string(line) + ": " + what;
  return r;
}

// Value after a keyword ("Fc", "Gain", "Q"; "BW Oct" takes two words), if present:
// (whether it is a number, the number, the text that stood there).
struct KeyValue {
  bool number = false;
  double value = 0;
  std::string text;
};
std::optional<KeyValue> ValueAfter(const std::vector<std::string_view>& w, std::string_view key,
                                   std::string_view second = {}) {
  for (size_t i = 0; i + 1 < w.size(); ++i) {
    if (Lower(w[i]) != Lower(key)) continue;
    size_t at = i + 1;
    if (!second.empty()) {
      if (Lower(w[at]) != Lower(second) || at + 1 >= w.size()) continue;
      ++at;
    }
    // A number with thousands set apart by a blank ("1 840") spans two words.
    std::string joined(w[at]);
    if (at + 1 < w.size() && w[at].size() <= 3 && w[at + 1].size() == 3 && TextNumber(w[at]) && TextNumber(w[at + 1]) &&
        w[at].find_first_of(".,") == std::string_view::npos && w[at + 1].find_first_of(".,") == std::string_view::npos &&
        Lower(key) == "fc") {
      joined += std::string(w[at + 1]);
    }
    const auto v = TextNumber(joined);
    return KeyValue{v.has_value(), v.value_or(0), Printable(w[at], 30)};
  }
  return std::nullopt;
}

// Q of a peaking filter of the given bandwidth in octaves.
double QFromOctaves(double n) {
  const double p = std::pow(2.0, n);
  return std::sqrt(p) / (p - 1.0);
}

bool IsPeaking(std::string_view type) {
  const std::string t = Lower(type);
  return t == "pk" || t == "peq" || t == "modal";
}

// The channels a "Channel:" line names.
std::vector<std::string> ChannelList(std::string_view text) {
  std::vector<std::string> out;
  for (std::string_view w : Words(text)) {
    for (std::string_view part : Split(w, ',')) {
      if (!part.empty()) out.push_back(Lower(part));
    }
  }
  return out;
}

struct Reader {
  std::vector<Filter> filters;
  FilterSetImport result;
  std::optional<FilterSetImport> failure;

  void Refuse(int line, const std::string& what) {
    if (!failure) failure = Fail(line, what);
  }
};

// The parametric-filter text and the equaliser configuration.
void ReadFilterText(const std::vector<TextLine>& lines, Reader& r) {
  int position = 0;
  std::vector<std::string> channels;  // the current "Channel:" selection, empty for all
  std::string chosen;                 // the channel whose filters are taken
  for (const TextLine& l : lines) {
    const std::string_view line = l.text;
    if (line.empty() || line.front() == '#' || line.front() == '*') continue;
    const size_t colon = line.find(':');
    const std::string_view value = colon == std::string_view::npos ? std::string_view() : TrimBlanks(line.substr(colon + 1));
    if (StartsWithWord(line, "preamp")) {
      const auto w = Words(value);
      const auto v = w.empty() ? std::nullopt : TextNumber(w[0]);
      if (v && *v != 0.0) {
        r.result.skipped.push_back("Preamp " + Format("%.1f", *v) +
                                   " dB not taken: the bands have no preamp; set the channel volume instead");
      }
      continue;
    }
    if (StartsWithWord(line, "device:")) {
      r.result.notes.push_back("line " + std::to_string(l.number) + ": the configuration is for the device " +
                               Printable(value) + "; its filters are read all the same");
      continue;
    }
    if (StartsWithWord(line, "include:")) {
      r.result.skipped.push_back("Include: " + Printable(value) + " (line " + std::to_string(l.number) +
                                 ") not followed: the filters of that file are not read");
      continue;
    }
    if (StartsWithWord(line, "channel:")) {
      channels = ChannelList(value);
      if (std::find(channels.begin(), channels.end(), "all") != channels.end()) channels.clear();
      if (chosen.empty() && !channels.empty()) {
        chosen = channels.front();
        r.result.notes.push_back("line " + std::to_string(l.number) + ": the filters of channel " + Printable(chosen) +
                                 " (and of all channels) are taken");
      }
      continue;
    }
    if (!StartsWithWord(line, "filter") || colon == std::string_view::npos) continue;  // titles, notes, dates
    ++position;
    const auto numberWords = Words(line.substr(6, colon - 6));
    std::string label = "Filter";
    for (std::string_view w : numberWords) label += " " + Printable(w, 10);
    if (numberWords.empty()) label += " " + std::to_string(position) + " (line " + std::to_string(l.number) + ")";
    const auto w = Words(value);
    if (w.empty()) continue;
    const std::string state = Lower(w[0]);
    if (state == "off") {
      r.result.skipped.push_back(label + " not taken: switched off");
      continue;
    }
    if (state != "on") {
      r.Refuse(l.number, "\"" + Printable(w[0], 20) + "\" where ON or OFF was expected");
      return;
    }
    if (w.size() < 2 || Lower(w[1]) == "none") continue;  // an unused row
    const bool forChosen = channels.empty() || chosen.empty() ||
                           std::find(channels.begin(), channels.end(), chosen) != channels.end();
    if (!forChosen) {
      r.result.skipped.push_back(label + " not taken: it is for channel " + Printable(channels.front()) +
                                 "; the filters of channel " + Printable(chosen) + " are taken");
      continue;
    }
    const std::string type = Printable(w[1], 20);
    if (!IsPeaking(w[1])) {
      r.result.skipped.push_back(label + " not taken: the bands are peaking filters, not " + type);
      continue;
    }
    const auto fc = ValueAfter(w, "Fc");
    const auto gain = ValueAfter(w, "Gain");
    const auto q = ValueAfter(w, "Q");
    const auto octaves = ValueAfter(w, "BW", "Oct");
    if (!fc || !fc->number || fc->value <= 0) {
      r.Refuse(l.number, label + ": " + (fc ? "\"" + fc->text + "\"" : std::string("nothing")) +
                             " where a frequency (Fc ... Hz) was expected");
      return;
    }
    if (!gain || !gain->number) {
      r.Refuse(l.number, label + ": " + (gain ? "\"" + gain->text + "\"" : std::string("nothing")) +
                             " where a gain (Gain ... dB) was expected");
      return;
    }
    double fileQ = 0;
    if (q && q->number && q->value > 0) {
      fileQ = q->value;
    } else if (octaves && octaves->number && octaves->value > 0) {
      fileQ = QFromOctaves(octaves->value);
      r.result.notes.push_back(label + ": bandwidth " + Format("%g", octaves->value) + " octave read as Q " +
                               Format("%.3f", fileQ));
    } else {
      r.result.skipped.push_back(label + " not taken: it gives no Q (Q ... or BW Oct ...)");
      continue;
    }
    r.filters.push_back({l.number, label, fc->value, gain->value, fileQ});
  }
}

// A measurement program's filter table: a header row "Number Enabled Control
// Type Frequency(Hz) Gain(dB) Q ...", then one row per filter; a row that does
// not start with a number ends the table.
void ReadFilterTable(const std::vector<TextLine>& lines, size_t headerAt, Reader& r) {
  const TextLine& h = lines[headerAt];
  const bool commas = h.text.find(',') != std::string_view::npos;
  const auto split = [&](std::string_view s) { return commas ? Split(s, ',') : Words(s); };
  const auto names = split(h.text);
  int colEnabled = -1, colType = -1, colFreq = -1, colGain = -1, colQ = -1;
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string n = Lower(names[i]);
    if (n == "enabled") colEnabled = static_cast<int>(i);
    else if (n == "type") colType = static_cast<int>(i);
    else if (n.rfind("frequency", 0) == 0) colFreq = static_cast<int>(i);
    else if (n.rfind("gain", 0) == 0) colGain = static_cast<int>(i);
    else if (n == "q") colQ = static_cast<int>(i);
  }
  if (colType < 0 || colFreq < 0 || colGain < 0 || colQ < 0) {
    r.Refuse(h.number, "a filter table header with Type, Frequency(Hz), Gain(dB) and Q columns was expected");
    return;
  }
  r.result.notes.push_back("line " + std::to_string(h.number) + ": a filter table");
  for (size_t n = headerAt + 1; n < lines.size(); ++n) {
    const TextLine& l = lines[n];
    if (l.text.empty()) continue;
    const auto f = split(l.text);
    if (f.empty() || !CsvNumber(f[0], false)) {
      r.result.notes.push_back("lines " + std::to_string(l.number) + " to " + std::to_string(lines.back().number) +
                               " (\"" + Printable(l.text, 30) + "\") follow the table and are not read");
      return;
    }
    const std::string label = "Filter " + Printable(f[0], 10);
    const auto field = [&](int c) { return c >= 0 && static_cast<size_t>(c) < f.size() ? f[static_cast<size_t>(c)] : std::string_view(); };
    if (field(colType).empty() || Lower(field(colType)) == "none") continue;  // an unused row
    if (colEnabled >= 0 && Lower(field(colEnabled)) == "false") {
      r.result.skipped.push_back(label + " not taken: switched off");
      continue;
    }
    if (!IsPeaking(field(colType))) {
      r.result.skipped.push_back(label + " not taken: the bands are peaking filters, not " + Printable(field(colType), 20));
      continue;
    }
    const auto fc = CsvNumber(field(colFreq), false), gain = CsvNumber(field(colGain), false),
               q = CsvNumber(field(colQ), false);
    if (!fc || *fc <= 0) {
      r.Refuse(l.number, label + ": \"" + Printable(field(colFreq), 20) + "\" where a frequency in Hz was expected");
      return;
    }
    if (!gain) {
      r.Refuse(l.number, label + ": \"" + Printable(field(colGain), 20) + "\" where a gain in dB was expected");
      return;
    }
    if (!q || *q <= 0) {
      r.Refuse(l.number, label + ": \"" + Printable(field(colQ), 20) + "\" where a Q above 0 was expected");
      return;
    }
    r.filters.push_back({l.number, label, *fc, *gain, *q});
  }
}

// CSV of band, frequency, gain and Q.
void ReadCsv(const std::vector<TextLine>& lines, Reader& r) {
  for (const TextLine& l : lines) {
    const std::string_view line = l.text;
    if (line.empty() || line.front() == '#' || line.front() == '*') continue;
    const bool semicolons = line.find(';') != std::string_view::npos;
    const auto fields = Split(line, semicolons ? ';' : ',');
    if (r.filters.empty() && !CsvNumber(fields[0], semicolons)) continue;  // the header
    if (fields.size() < 4) {
      r.Refuse(l.number, "a row of band, frequency, gain and Q was expected");
      return;
    }
    const auto band = CsvNumber(fields[0], semicolons), fc = CsvNumber(fields[1], semicolons),
               gain = CsvNumber(fields[2], semicolons), q = CsvNumber(fields[3], semicolons);
    if (!band || !fc || !gain || !q) {
      r.Refuse(l.number, "\"" + Printable(line, 60) + "\" where four numbers (band, frequency, gain, Q) were expected");
      return;
    }
    if (*fc <= 0 || *q <= 0) {
      r.Refuse(l.number, "frequency and Q must be above 0");
      return;
    }
    r.filters.push_back({l.number, "Row " + std::to_string(r.filters.size() + 1), *fc, *gain, *q});
  }
}

}  // namespace

double FileQ(int raw) { return raw / kFileQDivisor; }

int RawQFromFileQ(double q) {
  const double wanted = std::clamp(q * kFileQDivisor, 0.0, 1.0e6);
  return QStepTable()[static_cast<size_t>(NearestQIndex(static_cast<int>(std::lround(wanted))))];
}

std::string FileQText(int raw) {
  std::string t = Format("%.3f", FileQ(raw));
  while (t.size() > 1 && t.back() == '0' && t[t.size() - 3] != '.') t.pop_back();
  return t;
}

std::string FilterSetText(const ChannelBands& bands) {
  std::string out = "Preamp: 0.0 dB\n";
  for (size_t i = 0; i < bands.size(); ++i) {
    const BandRaw& b = bands[i];
    out += "Filter " + std::to_string(i + 1) + ": ON PK Fc " + std::to_string(b.freq) + " Hz Gain " +
           Hundredths(b.gain) + " dB Q " + Format("%.4f", FileQ(b.q)) + "\n";
  }
  return out;
}

std::string FilterSetCsv(const ChannelBands& bands) {
  std::string out = "band,frequency,gain,q\n";
  for (size_t i = 0; i < bands.size(); ++i) {
    const BandRaw& b = bands[i];
    out += std::to_string(i + 1) + "," + std::to_string(b.freq) + "," + Hundredths(b.gain) + "," +
           Format("%.4f", FileQ(b.q)) + "\n";
  }
  return out;
}

FilterSetImport ImportFilterSet(std::string_view bytes, const ChannelBands& current, int minGainDb, int maxGainDb) {
  const DecodedText decoded = DecodeText(bytes);
  const auto lines = SplitTextLines(decoded.text);
  Reader r;
  if (decoded.encoding != "UTF-8") r.result.notes.push_back("read as " + decoded.encoding);
  std::optional<size_t> tableHeader;
  bool textFormat = false;
  for (size_t n = 0; n < lines.size(); ++n) {
    const std::string_view l = lines[n].text;
    if (StartsWithWord(l, "filter") || StartsWithWord(l, "preamp")) textFormat = true;
    const std::string low = Lower(l);
    if (!tableHeader && StartsWithWord(l, "number") && low.find("frequency") != std::string::npos &&
        low.find("gain") != std::string::npos)
      tableHeader = n;
  }
  if (tableHeader) {
    r.result.format = FilterSetImport::kTable;
    ReadFilterTable(lines, *tableHeader, r);
  } else if (textFormat) {
    r.result.format = FilterSetImport::kText;
    ReadFilterText(lines, r);
  } else {
    r.result.format = FilterSetImport::kCsv;
    ReadCsv(lines, r);
  }
  if (r.failure) return *r.failure;
  FilterSetImport result = std::move(r.result);
  const std::vector<Filter>& filters = r.filters;
  if (filters.empty() && result.skipped.empty()) {
    return Fail(lines.empty() ? 1 : lines.back().number,
                "no filters found: lines \"Filter N: ON PK Fc ... Hz Gain ... dB Q ...\", a filter table or rows of "
                "band, frequency, gain and Q were expected");
  }
  result.bands = current;
  for (BandRaw& b : result.bands) b.gain = 0;
  bool cleared = false;
  for (size_t i = 0; i < current.size(); ++i)
    if (i >= filters.size() && current[i].gain != 0) cleared = true;
  for (size_t i = 0; i < filters.size(); ++i) {
    if (i >= static_cast<size_t>(kBandCount)) {
      result.skipped.push_back(filters[i].label + " not taken: the channel has " + std::to_string(kBandCount) + " bands");
      continue;
    }
    result.bands[i] = Take(filters[i], current[i], minGainDb, maxGainDb, result.changes);
    result.taken.push_back({filters[i].label, filters[i].line, filters[i].freq, filters[i].gain, filters[i].q,
                            static_cast<int>(i), result.bands[i]});
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
