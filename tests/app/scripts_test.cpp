// The project's scripts: scripts/run-demo installs the packages (scripts/setup)
// before it configures and builds, as scripts/test does, so it works on a
// fresh machine. Checked with stand-ins for setup, cmake and the console that
// record the order in which they run.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

QString SourceRoot() { return QFileInfo(QStringLiteral(__FILE__)).absoluteDir().absoluteFilePath("../.."); }

void WriteScript(const QString& path, const QByteArray& text) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(text);
  f.close();
  f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

struct DemoRun {
  int exitCode = -1;
  QStringList steps;
};

// Runs a copy of scripts/run-demo in a scratch tree whose setup ends with setupStatus.
DemoRun RunDemo(int setupStatus, bool built) {
  DemoRun run;
  QTemporaryDir tree;
  QDir root(tree.path());
  root.mkpath("scripts");
  root.mkpath("bin");
  const QString log = tree.path() + "/steps.log";
  EXPECT_TRUE(QFile::copy(SourceRoot() + "/scripts/run-demo", tree.path() + "/scripts/run-demo"));
  WriteScript(tree.path() + "/scripts/setup",
              QString("#!/bin/sh\necho setup >> '%1'\nexit %2\n").arg(log).arg(setupStatus).toUtf8());
  WriteScript(tree.path() + "/bin/cmake", QString("#!/bin/sh\necho cmake >> '%1'\n").arg(log).toUtf8());
  if (built) {
    root.mkpath("build");
    QFile(tree.path() + "/build/build.ninja").open(QIODevice::WriteOnly);
    WriteScript(tree.path() + "/build/brisvel-console",
                QString("#!/bin/sh\necho \"console $*\" >> '%1'\n").arg(log).toUtf8());
  }
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("PATH", tree.path() + "/bin:" + env.value("PATH"));
  env.remove("BRISVEL_BUILD");
  p.setProcessEnvironment(env);
  p.start("bash", {tree.path() + "/scripts/run-demo", "-hide"});
  if (!p.waitForFinished(30000)) return run;
  run.exitCode = p.exitCode();
  QFile f(log);
  if (f.open(QIODevice::ReadOnly)) run.steps = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
  return run;
}

TEST(RunDemo, InstallsWhatIsMissingBeforeBuildingAndStopsWhenThatFails) {
  const DemoRun failed = RunDemo(7, false);
  EXPECT_EQ(failed.exitCode, 7);
  EXPECT_EQ(failed.steps, QStringList({"setup"}));

  const DemoRun ok = RunDemo(0, true);
  EXPECT_EQ(ok.exitCode, 0);
  EXPECT_EQ(ok.steps, QStringList({"setup", "cmake", "console --simulate -hide"}));
}

}  // namespace
