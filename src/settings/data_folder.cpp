// The data folder's location from the environment.
#include "settings/data_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "settings/settings_keys.h"

namespace brisvel::settings {
namespace {

std::filesystem::path HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir && *entry->pw_dir) return entry->pw_dir;
  return "/";
}

}  // namespace

std::filesystem::path DataFolderPath() {
  std::filesystem::path base;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) base = xdg;
  else base = HomeFolder() / ".local" / "share";
  return DataFolderIn(base);
}

}  // namespace brisvel::settings
