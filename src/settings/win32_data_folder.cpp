// The data folder's location on Windows: the user's local application data
// folder, as the environment names it (the system sets LOCALAPPDATA at logon)
// or else as the shell's known-folder list does.
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <cstdlib>

#include "settings/data_folder.h"

namespace brisvel::settings {
namespace {

std::filesystem::path KnownLocalAppData() {
  PWSTR folder = nullptr;
  std::filesystem::path path;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &folder)) && folder) {
    path = folder;
  }
  ::CoTaskMemFree(folder);
  return path;
}

}  // namespace

std::filesystem::path DataFolderPath() {
  std::filesystem::path base;
  if (const wchar_t* env = ::_wgetenv(L"LOCALAPPDATA"); env && *env) base = env;
  // A relative value would make the folder depend on the working directory.
  if (!base.is_absolute()) base = KnownLocalAppData();
  if (base.empty()) {
    // No profile at all (a service account without one): the temporary folder.
    std::error_code ec;
    base = std::filesystem::temp_directory_path(ec);
  }
  return DataFolderIn(base);
}

}  // namespace brisvel::settings
