// The instance lock and the bring-forward channel.

#include "app/single_instance.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>

#include "app/app_paths.h"
#include "settings/file_safety.h"

namespace brisvel::app {

namespace {
constexpr char kRaiseRequest[] = "raise\n";
// "open " and the percent-encoded UTF-8 path, one line per file.
constexpr char kOpenRequest[] = "open ";
// A peer that sends more than this without a line end is dropped.
constexpr qint64 kMaxRequestBytes = 64 * 1024;
// The longest path a local socket may have.
constexpr qsizetype kMaxSocketPath = 107;

// Whether the process at the other end runs as this user.
bool FromThisUser(const QLocalSocket& socket) {
  const auto peer = settings::LocalPeerUserId(static_cast<intptr_t>(socket.socketDescriptor()));
  return peer && *peer == settings::CurrentUserId();
}
}  // namespace

QString RuntimeFolderPath(QString* problem) {
  // In order: the session's runtime folder, a folder in the data folder, a
  // folder named after the user in the temporary folder. Each must be this
  // user's alone (the last two are made so), and short enough for a socket.
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  const QString candidates[] = {
      runtime.startsWith('/') ? QFile::decodeName(runtime) : QString(),
      DataFolderPath() + QStringLiteral("/run"),
      QDir::tempPath() + QStringLiteral("/brisvel-%1").arg(settings::CurrentUserId()),
  };
  std::string why;
  for (size_t i = 0; i < std::size(candidates); ++i) {
    const QString& folder = candidates[i];
    std::string reason;
    if (folder.isEmpty()) {
      reason = "XDG_RUNTIME_DIR is not set";
    } else if (QFile::encodeName(folder).size() + 1 + qstrlen(kWindowClassName) > kMaxSocketPath) {
      reason = QFile::encodeName(folder).toStdString() + " is too long a path for a socket";
    } else {
      const std::string path = QFile::encodeName(folder).toStdString();
      const bool fit = i == 0 ? (reason = settings::PrivateFolderProblem(path)).empty()
                              : settings::EnsurePrivateFolder(path, &reason);
      if (fit) return folder;
    }
    why += (why.empty() ? "" : "; ") + reason;
  }
  if (problem) *problem = QString::fromStdString(why);
  return {};
}

InstanceLock::InstanceLock(QString name) : name_(std::move(name)) {}

InstanceLock::~InstanceLock() { Release(); }

QString InstanceLock::FilePath() const {
  const QString folder = RuntimeFolderPath();
  return folder.isEmpty() ? QString() : folder + "/" + name_ + ".lock";
}

bool InstanceLock::Acquire() {
  if (held_) return true;
  createError_.clear();
  if (name_.isEmpty()) {
    createError_ = QStringLiteral("the instance lock has no name");
    return false;
  }
  QString problem;
  const QString folder = RuntimeFolderPath(&problem);
  if (folder.isEmpty()) {
    createError_ = QStringLiteral("the instance lock cannot be created: no folder of this user alone (%1)").arg(problem);
    return false;
  }
  file_ = std::make_unique<QLockFile>(folder + "/" + name_ + ".lock");
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

BringForwardListener::BringForwardListener(std::function<void()> onRequest,
                                           std::function<void(const QString& file)> onOpen)
    : onRequest_(std::move(onRequest)), onOpen_(std::move(onOpen)) {
  connect(&server_, &QLocalServer::newConnection, this, &BringForwardListener::OnConnection);
}

QString BringForwardListener::ServerPath() const { return server_.fullServerName(); }

bool BringForwardListener::Listen(const QString& name) {
  const QString folder = RuntimeFolderPath();
  if (folder.isEmpty()) return false;
  const QString path = folder + "/" + name;
  // Only the lock holder gets here, so a socket file left behind is stale.
  QLocalServer::removeServer(path);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  return server_.listen(path);
}

void BringForwardListener::OnConnection() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (!FromThisUser(*socket)) {
      socket->abort();
      continue;
    }
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      while (socket->canReadLine()) {
        const QByteArray line = socket->readLine(kMaxRequestBytes);
        if (line == kRaiseRequest) {
          if (onRequest_) onRequest_();
        } else if (line.startsWith(kOpenRequest) && line.endsWith('\n')) {
          const QString file = QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(5).trimmed()));
          if (onOpen_ && !file.isEmpty()) onOpen_(file);
        }
      }
      if (!socket->canReadLine() && socket->bytesAvailable() > kMaxRequestBytes) socket->abort();
    });
  }
}

bool RequestBringForward(const QString& name, int timeoutMs) { return RequestOpenFiles({}, name, timeoutMs); }

bool RequestOpenFiles(const QStringList& files, const QString& name, int timeoutMs) {
  const QString folder = RuntimeFolderPath();
  if (folder.isEmpty()) return false;
  QLocalSocket socket;
  socket.connectToServer(folder + "/" + name);
  if (!socket.waitForConnected(timeoutMs)) return false;
  // The paths of the user's files go to this user's console only.
  if (!FromThisUser(socket)) return false;
  for (const QString& file : files) socket.write(kOpenRequest + file.toUtf8().toPercentEncoding() + "\n");
  socket.write(kRaiseRequest);
  const bool written = socket.waitForBytesWritten(timeoutMs);
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
  return written;
}

}  // namespace brisvel::app
