// One console per user session: a lock file named after the instance lock in
// a folder only this user may enter, and a local socket named after the window
// class there through which a second start asks the first to bring its window
// forward (and hands it the files it was given). Neither ever lies in a folder
// other users can write, and the socket talks only to this user's processes.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace brisvel::app {

inline constexpr char kInstanceLockName[] = "3E1893CB-5629-46D6-9BEB-BFF3B203BEF2";
inline constexpr char kWindowClassName[] = "444A69AB-1105-4934-8711-1481CB19650C";

// The folder of the lock and the socket: $XDG_RUNTIME_DIR when it is a folder
// of this user that no other user may enter, else "run" in the data folder or
// "brisvel-<user id>" in the temporary folder, made for this user alone and
// checked. Never a folder others may write. Empty when none is fit; problem
// then says why.
QString RuntimeFolderPath(QString* problem = nullptr);

class InstanceLock {
 public:
  explicit InstanceLock(QString name = QString::fromLatin1(kInstanceLockName));
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // True when this process now holds the lock (it is the first instance). A
  // lock left by a process that no longer runs is taken over.
  bool Acquire();
  // After a failed Acquire: the lock file could not be made at all (no fit
  // folder, or it is not writable), as opposed to being held by another
  // console. Empty when the lock is held elsewhere or was acquired.
  QString CreateError() const { return createError_; }
  // Gives the lock up; a new instance may start from now on. Safe to repeat.
  void Release();
  bool IsHeld() const { return held_; }
  QString FilePath() const;

 private:
  QString name_;
  std::unique_ptr<QLockFile> file_;
  bool held_ = false;
  QString createError_;
};

// The first instance's side: a local server that runs the callback whenever a
// later start asks for the window, and onOpen for every file it hands over.
class BringForwardListener : public QObject {
 public:
  explicit BringForwardListener(std::function<void()> onRequest,
                                std::function<void(const QString& file)> onOpen = {});
  bool Listen(const QString& name = QString::fromLatin1(kWindowClassName));
  QString ServerPath() const;

 private:
  void OnConnection();
  std::function<void()> onRequest_;
  std::function<void(const QString&)> onOpen_;
  QLocalServer server_;
};

// The later start's side: asks the first instance to bring its window forward.
// Returns true when the request was delivered.
bool RequestBringForward(const QString& name = QString::fromLatin1(kWindowClassName), int timeoutMs = 1000);
// The same, handing the files (absolute paths) to the first instance first.
bool RequestOpenFiles(const QStringList& files, const QString& name = QString::fromLatin1(kWindowClassName),
                      int timeoutMs = 1000);

}  // namespace brisvel::app
