// The program and data folders and the command-line switch for the splash.

#include "app/app_paths.h"

#include <QDir>
#include <QFileInfo>

namespace brisvel::app {

QString DataFolderPath() {
  QString base = qEnvironmentVariable("XDG_DATA_HOME");
  if (base.isEmpty()) base = QDir::homePath() + "/.local/share";
  return QDir::cleanPath(base) + "/" + kDataFolderName;
}

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
