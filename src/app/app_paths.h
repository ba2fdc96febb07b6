// Where the console finds its files: the program folder (the executable's
// folder, with caedata.dat, freqstyle.xml and skin/) and the data folder in the
// user's data folder (config.ini, the log, the simulated processor's presets).
#pragma once

#include <QString>
#include <QStringList>

namespace brisvel::app {

// $XDG_DATA_HOME (or ~/.local/share when unset or empty) + "/RezUriruBrisvel":
// the same folder brisvelctl uses (settings::DataFolderPath).
QString DataFolderPath();
// Folder of the running executable, without a trailing separator.
QString ProgramFolderPath();
// Creates the folder when it does not exist; false when it cannot be made.
bool EnsureFolder(const QString& path);

// The splash switch: "-hide" anywhere in the command line (case-sensitive).
bool HasHideSwitch(const QStringList& arguments);

}  // namespace brisvel::app
