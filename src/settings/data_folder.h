// The user's data folder of the console and brisvelctl alike: config.ini, the
// debug log and the simulated processor's state live there.
#pragma once

#include <filesystem>

namespace brisvel::settings {

// $XDG_DATA_HOME (or ~/.local/share when unset or empty) + "/RezUriruBrisvel".
// Without a home directory the user database's entry is used, then "/".
std::filesystem::path DataFolderPath();

}  // namespace brisvel::settings
