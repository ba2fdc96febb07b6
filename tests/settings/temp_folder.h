// A fresh folder per test for the settings tests, removed afterwards.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace brisvel::settings::testing {

// A new, empty folder in the system's temporary folder; empty when none can be made.
inline std::filesystem::path MakeTempFolder(const std::string& prefix) {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
    std::error_code ec;
    const std::filesystem::path candidate = std::filesystem::temp_directory_path(ec) / (prefix + suffix);
    // Only a folder this call made is taken: an existing name is tried again.
    if (!ec && std::filesystem::create_directory(candidate, ec)) return candidate;
  }
  return {};
}

class TempFolder {
 public:
  TempFolder() : path_(MakeTempFolder("brisvel-settings-")) {}
  ~TempFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::filesystem::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << text;
}

inline std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The file's text with line ends read as LF: INI files are written with the
// platform's line ends (CR LF on Windows).
inline std::string ReadText(const std::filesystem::path& p) {
  std::string text = ReadFile(p);
  std::erase(text, '\r');
  return text;
}

}  // namespace brisvel::settings::testing
