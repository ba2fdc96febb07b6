// The instance lock and the bring-forward channel.

#include "app/single_instance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace brisvel::app {

namespace {
constexpr char kRaiseRequest[] = "raise\n";
}

QString RuntimeFolderPath() {
  QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (dir.isEmpty()) dir = QDir::tempPath();
  return dir;
}

InstanceLock::InstanceLock(QString name) : name_(std::move(name)) {}

InstanceLock::~InstanceLock() { Release(); }

QString InstanceLock::FilePath() const { return RuntimeFolderPath() + "/" + name_ + ".lock"; }

bool InstanceLock::Acquire() {
  if (held_) return true;
  createError_.clear();
  if (name_.isEmpty()) {
    createError_ = QStringLiteral("the instance lock has no name");
    return false;
  }
  file_ = std::make_unique<QLockFile>(FilePath());
  // A lock whose owner died is stale at once: the process id in it is checked.
  file_->setStaleLockTime(0);
  held_ = file_->tryLock(0);
  if (!held_) {
    if (file_->error() != QLockFile::LockFailedError)
      createError_ = QStringLiteral("the instance lock %1 cannot be created").arg(FilePath());
    file_.reset();
  }
  return held_;
}

void InstanceLock::Release() {
  if (!held_) return;
  file_->unlock();
  file_.reset();
  held_ = false;
}

BringForwardListener::BringForwardListener(std::function<void()> onRequest) : onRequest_(std::move(onRequest)) {
  connect(&server_, &QLocalServer::newConnection, this, &BringForwardListener::OnConnection);
}

QString BringForwardListener::ServerPath() const { return server_.fullServerName(); }

bool BringForwardListener::Listen(const QString& name) {
  const QString path = RuntimeFolderPath() + "/" + name;
  // Only the lock holder gets here, so a socket file left behind is stale.
  QLocalServer::removeServer(path);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  return server_.listen(path);
}

void BringForwardListener::OnConnection() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      while (socket->canReadLine()) {
        if (socket->readLine() == kRaiseRequest && onRequest_) onRequest_();
      }
    });
  }
}

bool RequestBringForward(const QString& name, int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(RuntimeFolderPath() + "/" + name);
  if (!socket.waitForConnected(timeoutMs)) return false;
  socket.write(kRaiseRequest);
  const bool written = socket.waitForBytesWritten(timeoutMs);
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
  return written;
}

}  // namespace brisvel::app
