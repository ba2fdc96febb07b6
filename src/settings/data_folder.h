// The user's data folder of the console and brisvelctl alike: config.ini, the
// debug log and the simulated processor's state live there.
#pragma once

#include <filesystem>

#include "settings/settings_keys.h"

namespace brisvel::settings {

// $XDG_DATA_HOME (or ~/.local/share when unset or empty) + "/RezUriruBrisvel".
// Without a home directory the user database's entry is used, then "/".
// Windows: the local application data folder + "\RezUriruBrisvel", as
// %LOCALAPPDATA% names it or else the shell's known folder.
std::filesystem::path DataFolderPath();

// The data folder inside a base folder, with one spelling for the ways of
// writing the same base ("a//b/./c/" and "a/b/c").
inline std::filesystem::path DataFolderIn(std::filesystem::path base) {
  base = base.lexically_normal();
  if (!base.has_filename() && base != base.root_path()) base = base.parent_path();
  return base / kDataFolderName;
}

}  // namespace brisvel::settings
