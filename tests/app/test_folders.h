// A test's own data and runtime folders under one temporary folder, and the
// config.ini in the data folder.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace brisvel::app::test {

class TestFolders {
 public:
  TestFolders() {
    QDir(dir.path()).mkpath("data/RezUriruBrisvel");
    QDir(dir.path()).mkpath("run");
    QFile::setPermissions(RunFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  QString Root() const { return dir.path(); }
  QString DataFolder() const { return dir.path() + "/data/RezUriruBrisvel"; }
  QString RunFolder() const { return dir.path() + "/run"; }
  void WriteConfig(const QByteArray& text) const {
    QFile f(DataFolder() + "/config.ini");
    if (f.open(QIODevice::WriteOnly)) f.write(text);
  }
  QByteArray ReadConfig() const {
    QFile f(DataFolder() + "/config.ini");
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  QTemporaryDir dir;
};

}  // namespace brisvel::app::test
