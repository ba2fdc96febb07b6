// measurements.ini: reading, writing and replacing one PC mode's section.
#include "settings/measurement_file.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/text_lines.h"
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

// "hz db,hz db,..." with strictly rising frequencies; "hz db phase" where the
// curve has a phase, on every point.
bool ParsePoints(std::string_view s, FrequencyCurve& curve, std::string& why) {
  curve = {};
  size_t withPhase = 0;
  while (!s.empty()) {
    const size_t comma = s.find(',');
    const std::string_view item = Trim(s.substr(0, comma));
    s = comma == std::string_view::npos ? std::string_view() : s.substr(comma + 1);
    const size_t blank = item.find(' ');
    const size_t second = blank == std::string_view::npos ? blank : item.find(' ', blank + 1);
    double hz = 0, db = 0, phase = 0;
    const std::string_view level =
        blank == std::string_view::npos ? std::string_view() : item.substr(blank + 1, second - blank - 1);
    if (blank == std::string_view::npos || !ParseDouble(item.substr(0, blank), hz) || !ParseDouble(level, db) ||
        hz <= 0 || (second != std::string_view::npos && !ParseDouble(item.substr(second + 1), phase))) {
      why = "a point is not \"frequency level\" or \"frequency level phase\"";
      return false;
    }
    if (!curve.hz.empty() && hz <= curve.hz.back()) {
      why = "the frequencies do not rise";
      return false;
    }
    curve.hz.push_back(hz);
    curve.db.push_back(db);
    if (second != std::string_view::npos) {
      curve.phase.push_back(phase);
      ++withPhase;
    }
  }
  if (withPhase != 0 && withPhase != curve.hz.size()) {
    why = "some points have a phase and others not";
    return false;
  }
  if (curve.hz.size() < 2) {
    why = "a curve needs two points at least";
    return false;
  }
  return true;
}

std::string Shortest(double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

// The points as written: finite, rising frequencies above 0 Hz, one point per
// written frequency; the phase follows the level where the curve has one.
std::vector<std::pair<std::string, std::string>> WrittenPoints(const FrequencyCurve& curve) {
  std::vector<std::pair<std::string, std::string>> out;
  const bool phase = curve.HasPhase();
  double last = 0;
  for (size_t i = 0; i < curve.hz.size() && i < curve.db.size(); ++i) {
    const double hz = curve.hz[i], db = curve.db[i];
    if (!std::isfinite(hz) || !std::isfinite(db) || hz <= last) continue;
    if (phase && !std::isfinite(curve.phase[i])) continue;
    std::string level = Shortest(db == 0 ? 0.0 : db);
    if (phase) level += " " + Shortest(curve.phase[i] == 0 ? 0.0 : curve.phase[i]);
    out.emplace_back(Shortest(hz), std::move(level));
    last = hz;
  }
  return out;
}

// One channel of a section as it is read: whether all its lines could be
// taken, and what they say.
struct ChannelLines {
  int seenAt = 0;  // its first line
  bool damaged = false;
  bool source = false, smoothing = false, points = false;
  KeptMeasurement measurement;
};

}  // namespace

std::string KeepableProblem(const KeptMeasurement& m) {
  if (m.channel < 0 || m.channel > kMaxChannel) return "channel " + std::to_string(m.channel) + " is not 0 to 5";
  if (m.smoothing < 0 || m.smoothing > 48) return "the smoothing " + std::to_string(m.smoothing) + " is not 0 to 48";
  if (WrittenPoints(m.curve).size() < 2) return "the curve of channel " + std::to_string(m.channel) + " has fewer than two usable points";
  return {};
}

std::string FormatMeasurementFile(const MeasurementFile& file) {
  std::string out = "# Measured curves kept with the PC modes of config.ini.\n";
  for (const std::string& line : file.unreadBefore) out += line + "\n";
  std::map<std::string, bool> sections;
  for (const auto& [mode, list] : file.modes) sections[mode] = !list.empty();
  for (const auto& [mode, lines] : file.unreadLines) sections[mode] = sections[mode] || !lines.empty();
  for (const auto& [mode, any] : sections) {
    if (!any) continue;
    out += "\n[" + Escape(mode) + "]\n";
    if (const auto it = file.modes.find(mode); it != file.modes.end()) {
      for (const KeptMeasurement& m : it->second) {
        const std::string key = "channel" + std::to_string(m.channel);
        out += key + ".source=" + Escape(m.source) + "\n";
        out += key + ".smoothing=" + std::to_string(m.smoothing) + "\n";
        out += key + ".points=";
        bool first = true;
        for (const auto& [hz, db] : WrittenPoints(m.curve)) {
          out += (first ? "" : ",") + hz + " " + db;
          first = false;
        }
        out += "\n";
      }
    }
    if (const auto it = file.unreadLines.find(mode); it != file.unreadLines.end()) {
      for (const std::string& line : it->second) out += line + "\n";
    }
  }
  for (const auto& lines : file.unreadSections) {
    out += "\n";
    for (const std::string& line : lines) out += line + "\n";
  }
  return out;
}

MeasurementFile ParseMeasurementFile(std::string_view text) {
  MeasurementFile result;
  int lineNo = 0;
  auto problem = [&](const std::string& why) { result.problems.push_back("line " + std::to_string(lineNo) + ": " + why); };
  // Per PC mode (a section written twice is one): its channels, and its lines
  // in file order with their channel (-1: no channel entry).
  struct Section {
    std::map<int, ChannelLines> channels;
    std::vector<std::pair<int, std::string>> lines;
  };
  std::map<std::string, Section> sections;
  Section* section = nullptr;
  bool inUnreadSection = false;
  for (const std::string_view raw : SplitLines(text)) {
    ++lineNo;
    const std::string_view line = Trim(raw);
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    if (line.front() == '[') {
      std::string name;
      if (line.back() == ']' && Unescape(line.substr(1, line.size() - 2), name)) {
        section = &sections[name];
        inUnreadSection = false;
      } else {
        problem("a section name is not written as [name]; the section is kept as it is");
        section = nullptr;
        inUnreadSection = true;
        result.unreadSections.push_back({std::string(line)});
      }
      continue;
    }
    if (inUnreadSection) {
      result.unreadSections.back().emplace_back(line);
      continue;
    }
    if (!section) {
      problem("an entry stands before the first [PC mode]; it is kept as it is");
      result.unreadBefore.emplace_back(line);
      continue;
    }
    const size_t eq = line.find('=');
    const std::string_view key = Trim(line.substr(0, eq == std::string_view::npos ? line.size() : eq));
    const size_t dot = key.find('.');
    int channel = -1;
    if (eq == std::string_view::npos || key.substr(0, 7) != "channel" || dot == std::string_view::npos ||
        !ParseInt(key.substr(7, dot - 7), channel) || channel < 0 || channel > kMaxChannel) {
      problem("unknown entry \"" + std::string(key) + "\"; it is kept as it is");
      section->lines.emplace_back(-1, line);
      continue;
    }
    section->lines.emplace_back(channel, line);
    ChannelLines& c = section->channels[channel];
    if (!c.seenAt) c.seenAt = lineNo;
    c.measurement.channel = channel;
    const std::string_view field = key.substr(dot + 1);
    const std::string_view value = line.substr(eq + 1);
    std::string why;
    bool* seen = field == "source" ? &c.source : field == "smoothing" ? &c.smoothing : field == "points" ? &c.points : nullptr;
    if (!seen) {
      why = "unknown entry \"" + std::string(key) + "\"";
    } else if (*seen) {
      why = "\"" + std::string(key) + "\" is written twice";
    } else if (field == "source") {
      if (!Unescape(Trim(value), c.measurement.source)) why = "the source is not readable";
    } else if (field == "smoothing") {
      if (!ParseInt(value, c.measurement.smoothing) || c.measurement.smoothing < 0 || c.measurement.smoothing > 48)
        why = "the smoothing is not a number of 0 to 48";
    } else if (!ParsePoints(value, c.measurement.curve, why)) {
      // why says what is wrong with the points
    }
    if (seen) *seen = true;
    if (!why.empty()) {
      c.damaged = true;
      problem(why + "; channel " + std::to_string(channel) + " is kept as it is");
    }
  }
  for (auto& [mode, s] : sections) {
    KeptMeasurements kept;
    for (auto& [channel, c] : s.channels) {
      if (!c.damaged && !c.points) {
        c.damaged = true;
        result.problems.push_back("line " + std::to_string(c.seenAt) + ": channel " + std::to_string(c.measurement.channel) +
                                  " of PC mode \"" + mode + "\" has no points; it is kept as it is");
      }
      if (!c.damaged) kept.push_back(std::move(c.measurement));
    }
    std::vector<std::string> unread;
    for (auto& [channel, line] : s.lines) {
      if (channel < 0 || s.channels[channel].damaged) unread.push_back(std::move(line));
    }
    if (!kept.empty()) result.modes[mode] = std::move(kept);
    if (!unread.empty()) result.unreadLines[mode] = std::move(unread);
  }
  return result;
}

std::filesystem::path MeasurementFileBeside(const std::filesystem::path& configIni) {
  return configIni.parent_path() / kMeasurementFileName;
}

namespace {
// The file as it stands: absent is an empty file; unreadable is an error.
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
  out = ParseMeasurementFile(content.data);
  return true;
}
}  // namespace

bool SaveModeMeasurements(const std::filesystem::path& file, const std::string& mode,
                          const KeptMeasurements& measurements, std::string* error) {
  for (const KeptMeasurement& m : measurements) {
    if (std::string why = KeepableProblem(m); !why.empty()) {
      if (error) *error = "PC mode \"" + mode + "\": " + why;
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  FileLock lock;
  if (!lock.Acquire(file, error)) return false;
  MeasurementFile all;
  if (!ReadWhole(file, all, error)) return false;
  // The mode's section is replaced whole, with what could not be read of it.
  const bool had = all.modes.erase(mode) + all.unreadLines.erase(mode) > 0;
  if (measurements.empty() && !had) return true;  // nothing to remove, nothing written
  if (!measurements.empty()) all.modes[mode] = measurements;
  const std::string text = FormatMeasurementFile(all);
  if (text.size() > kMeasurementFileLimit) {
    if (error) *error = file.string() + " would grow beyond " + std::to_string(kMeasurementFileLimit) + " bytes";
    return false;
  }
  return WriteFileAtomically(file, text, error);
}

std::optional<KeptMeasurements> LoadModeMeasurements(const std::filesystem::path& file, const std::string& mode,
                                                     std::string* error) {
  MeasurementFile all;
  if (!ReadWhole(file, all, error)) return std::nullopt;
  if (error && !all.problems.empty()) *error = file.string() + ": " + all.problems.front();
  const auto it = all.modes.find(mode);
  return it == all.modes.end() ? KeptMeasurements() : it->second;
}

}  // namespace brisvel::settings
