// The program and data folders and the command-line switch for the splash.

#include "app/app_paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "settings/data_folder.h"

namespace brisvel::app {

QString DataFolderPath() { return QFile::decodeName(settings::DataFolderPath().c_str()); }

QString ProgramFolderPath() {
  const QFileInfo exe(QStringLiteral("/proc/self/exe"));
  const QString target = exe.canonicalFilePath();
  if (!target.isEmpty()) return QFileInfo(target).absolutePath();
  return QDir::currentPath();
}

bool EnsureFolder(const QString& path) {
  if (QFileInfo(path).isDir()) return true;
  return QDir().mkpath(path);
}

bool HasHideSwitch(const QStringList& arguments) {
  // The original rule tests the whole command line for the text, so it is
  // found inside longer arguments too.
  return arguments.join(' ').contains(QStringLiteral("-hide"));
}

}  // namespace brisvel::app
