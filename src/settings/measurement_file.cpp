// measurements.ini: reading, writing and replacing one PC mode's section.
#include "settings/measurement_file.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "settings/file_safety.h"

namespace brisvel::settings {

namespace {

constexpr int kMaxChannel = 5;

// Names and paths may hold anything; brackets, '%', '=' and control
// characters are written as %XX so every entry stays on its line.
std::string Escape(std::string_view s) {
  std::string out;
  for (unsigned char c : s) {
    if (c < 0x20 || c == '%' || c == '[' || c == ']' || c == '=' || c == 0x7f) {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool Unescape(std::string_view s, std::string& out) {
  out.clear();
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      out += s[i];
      continue;
    }
    if (i + 2 >= s.size()) return false;
    int v = 0;
    const auto r = std::from_chars(s.data() + i + 1, s.data() + i + 3, v, 16);
    if (r.ec != std::errc() || r.ptr != s.data() + i + 3) return false;
    out += static_cast<char>(v);
    i += 2;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool ParseDouble(std::string_view s, double& v) {
  s = Trim(s);
  if (s.empty()) return false;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isfinite(v);
}

bool ParseInt(std::string_view s, int& v) {
  s = Trim(s);
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return !s.empty() && r.ec == std::errc() && r.ptr == s.data() + s.size();
}

// "hz db,hz db,..." with strictly rising frequencies.
bool ParsePoints(std::string_view s, FrequencyCurve& curve, std::string& why) {
  curve = {};
  while (!s.empty()) {
    const size_t comma = s.find(',');
    const std::string_view item = Trim(s.substr(0, comma));
    s = comma == std::string_view::npos ? std::string_view() : s.substr(comma + 1);
    const size_t blank = item.find(' ');
    double hz = 0, db = 0;
    if (blank == std::string_view::npos || !ParseDouble(item.substr(0, blank), hz) ||
        !ParseDouble(item.substr(blank + 1), db) || hz <= 0) {
      why = "a point is not \"frequency level\"";
      return false;
    }
    if (!curve.hz.empty() && hz <= curve.hz.back()) {
      why = "the frequencies do not rise";
      return false;
    }
    curve.hz.push_back(hz);
    curve.db.push_back(db);
  }
  if (curve.hz.size() < 2) {
    why = "a curve needs two points at least";
    return false;
  }
  return true;
}

KeptMeasurement* ChannelEntry(KeptMeasurements& list, int channel) {
  for (KeptMeasurement& m : list)
    if (m.channel == channel) return &m;
  list.push_back({});
  list.back().channel = channel;
  return &list.back();
}

}  // namespace

std::string FormatMeasurementFile(const MeasurementFile& file) {
  std::string out = "# Measured curves kept with the PC modes of config.ini.\n";
  char buf[64];
  for (const auto& [mode, list] : file.modes) {
    if (list.empty()) continue;
    out += "\n[" + Escape(mode) + "]\n";
    for (const KeptMeasurement& m : list) {
      const std::string key = "channel" + std::to_string(m.channel);
      out += key + ".source=" + Escape(m.source) + "\n";
      out += key + ".smoothing=" + std::to_string(m.smoothing) + "\n";
      out += key + ".points=";
      for (size_t i = 0; i < m.curve.hz.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%s%.10g %.6g", i ? "," : "", m.curve.hz[i], m.curve.db[i]);
        out += buf;
      }
      out += "\n";
    }
  }
  return out;
}

bool ParseMeasurementFile(std::string_view text, MeasurementFile& out, std::string* error) {
  MeasurementFile result;
  KeptMeasurements* section = nullptr;
  int lineNo = 0;
  const auto fail = [&](const std::string& why) {
    if (error) *error = "line " + std::to_string(lineNo) + ": " + why;
    return false;
  };
  while (!text.empty()) {
    ++lineNo;
    const size_t end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    if (line.front() == '[') {
      std::string name;
      if (line.back() != ']' || !Unescape(line.substr(1, line.size() - 2), name))
        return fail("a section name is not written as [name]");
      section = &result.modes[name];
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) return fail("an entry is not written as key=value");
    if (!section) return fail("an entry stands before the first [PC mode]");
    const std::string_view key = Trim(line.substr(0, eq));
    const std::string_view value = line.substr(eq + 1);
    const size_t dot = key.find('.');
    int channel = -1;
    if (key.substr(0, 7) != "channel" || dot == std::string_view::npos || !ParseInt(key.substr(7, dot - 7), channel) ||
        channel < 0 || channel > kMaxChannel)
      return fail("unknown entry \"" + std::string(key) + "\"");
    KeptMeasurement* m = ChannelEntry(*section, channel);
    const std::string_view field = key.substr(dot + 1);
    std::string why;
    if (field == "source") {
      if (!Unescape(Trim(value), m->source)) return fail("the source is not readable");
    } else if (field == "smoothing") {
      if (!ParseInt(value, m->smoothing) || m->smoothing < 0 || m->smoothing > 48)
        return fail("the smoothing is not a number of 0 to 48");
    } else if (field == "points") {
      if (!ParsePoints(value, m->curve, why)) return fail(why);
    } else {
      return fail("unknown entry \"" + std::string(key) + "\"");
    }
  }
  for (const auto& [mode, list] : result.modes)
    for (const KeptMeasurement& m : list)
      if (m.curve.Empty()) {
        if (error) *error = "PC mode \"" + mode + "\", channel " + std::to_string(m.channel) + ": no points";
        return false;
      }
  out = std::move(result);
  return true;
}

std::filesystem::path MeasurementFileBeside(const std::filesystem::path& configIni) {
  return configIni.parent_path() / kMeasurementFileName;
}

namespace {
// The file as it stands: absent is an empty file; unreadable or not
// understood is an error.
bool ReadWhole(const std::filesystem::path& file, MeasurementFile& out, std::string* error) {
  const FileContent content = ReadRegularFile(file, kMeasurementFileLimit);
  if (content.status == ReadStatus::kMissing) {
    out = {};
    return true;
  }
  if (content.status != ReadStatus::kOk) {
    if (error) *error = content.error;
    return false;
  }
  std::string why;
  if (!ParseMeasurementFile(content.data, out, &why)) {
    if (error) *error = file.string() + ": " + why;
    return false;
  }
  return true;
}
}  // namespace

bool SaveModeMeasurements(const std::filesystem::path& file, const std::string& mode,
                          const KeptMeasurements& measurements, std::string* error) {
  MeasurementFile all;
  if (!ReadWhole(file, all, error)) return false;
  if (measurements.empty()) {
    if (all.modes.erase(mode) == 0) return true;  // nothing to remove, nothing written
  } else {
    all.modes[mode] = measurements;
  }
  return WriteFileAtomically(file, FormatMeasurementFile(all), error);
}

std::optional<KeptMeasurements> LoadModeMeasurements(const std::filesystem::path& file, const std::string& mode,
                                                     std::string* error) {
  MeasurementFile all;
  if (!ReadWhole(file, all, error)) return std::nullopt;
  const auto it = all.modes.find(mode);
  return it == all.modes.end() ? KeptMeasurements() : it->second;
}

}  // namespace brisvel::settings
