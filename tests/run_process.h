// Runs a program of this build as a separate process, the way installers and
// scripts run it, and collects its output and exit status. The command line
// is written as for the POSIX shell: words separated by blanks, '...' and
// "..." quote, and leading NAME=VALUE words set the environment. On POSIX
// systems the shell runs it; on Windows it is split into words here and the
// program is started directly, and CR LF line ends are read as LF.
#pragma once

#include <filesystem>
#include <string>

#ifdef _WIN32
#include <windows.h>

#include <map>
#include <vector>
#else
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#endif

namespace brisvel::testing {

struct ProcessRun {
  int status = -1;     // exit status; -1 when the program did not end normally
  std::string output;  // standard output, and standard error unless dropped
};

// The environment word that gives a program its own data folder, BASE/RezUriruBrisvel.
inline std::string DataFolderEnvironment(const std::filesystem::path& base) {
#ifdef _WIN32
  return "LOCALAPPDATA='" + base.string() + "'";
#else
  return "XDG_DATA_HOME='" + base.string() + "'";
#endif
}

#ifdef _WIN32

namespace detail {

inline std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

// The words of a shell-style command line.
inline std::vector<std::string> ShellWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t') {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else if (c == '\'') {
      inWord = true;
      for (++i; i < line.size() && line[i] != '\''; ++i) word += line[i];
    } else if (c == '"') {
      inWord = true;
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) ++i;
        word += line[i];
      }
    } else {
      inWord = true;
      word += c;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

// One argument quoted so that the started program's parser gives it back whole.
inline std::wstring QuotedArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

inline bool IsAssignment(const std::string& word) {
  const size_t eq = word.find('=');
  if (eq == 0 || eq == std::string::npos) return false;
  for (size_t i = 0; i < eq; ++i) {
    const char c = word[i];
    if (!(c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (i > 0 && c >= '0' && c <= '9'))) {
      return false;
    }
  }
  return true;
}

}  // namespace detail

inline ProcessRun RunCommand(const std::string& commandLine, bool keepErrors = true) {
  ProcessRun run;
  std::vector<std::string> words = detail::ShellWords(commandLine);
  // This process's environment with the leading assignments over it; the block is sorted, as Windows expects.
  std::map<std::wstring, std::wstring, decltype([](const std::wstring& a, const std::wstring& b) {
             return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_LESS_THAN;
           })>
      environment;
  if (wchar_t* block = ::GetEnvironmentStringsW()) {
    for (const wchar_t* entry = block; *entry; entry += std::wcslen(entry) + 1) {
      const std::wstring text = entry;
      const size_t eq = text.find(L'=', 1);
      if (eq != std::wstring::npos) environment[text.substr(0, eq)] = text.substr(eq + 1);
    }
    ::FreeEnvironmentStringsW(block);
  }
  size_t first = 0;
  for (; first < words.size() && detail::IsAssignment(words[first]); ++first) {
    const size_t eq = words[first].find('=');
    environment[detail::Wide(words[first].substr(0, eq))] = detail::Wide(words[first].substr(eq + 1));
  }
  if (first == words.size()) return run;
  std::wstring line;
  for (size_t i = first; i < words.size(); ++i) {
    if (i > first) line += L' ';
    line += detail::QuotedArgument(detail::Wide(words[i]));
  }
  std::wstring block;
  for (const auto& [name, value] : environment) block += name + L"=" + value + L'\0';
  block += L'\0';

  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return run;
  ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  HANDLE nul = ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul;
  startup.hStdOutput = writeEnd;
  startup.hStdError = keepErrors ? writeEnd : nul;
  PROCESS_INFORMATION process{};
  const bool started = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                                        block.data(), nullptr, &startup, &process);
  ::CloseHandle(writeEnd);
  ::CloseHandle(nul);
  if (started) {
    char chunk[4096];
    DWORD n = 0;
    while (::ReadFile(readEnd, chunk, sizeof chunk, &n, nullptr) && n > 0) run.output.append(chunk, n);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (::GetExitCodeProcess(process.hProcess, &code)) run.status = static_cast<int>(code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
  ::CloseHandle(readEnd);
  std::erase(run.output, '\r');
  return run;
}

// The folder of this test program.
inline std::filesystem::path TestProgramFolder() {
  wchar_t path[MAX_PATH * 4];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  return std::filesystem::path(std::wstring(path, n)).parent_path();
}

#else

inline ProcessRun RunCommand(const std::string& commandLine, bool keepErrors = true) {
  ProcessRun run;
  FILE* pipe = ::popen((commandLine + (keepErrors ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
  if (!pipe) return run;
  std::array<char, 4096> chunk{};
  size_t n;
  while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) run.output.append(chunk.data(), n);
  const int raw = ::pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

inline std::filesystem::path TestProgramFolder() {
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
}

#endif

}  // namespace brisvel::testing
