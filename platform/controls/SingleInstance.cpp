#include "controls/SingleInstance.h"

#include "common/AppInfo.h"
#include "common/RuntimeErrors.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>

#include <unistd.h>

namespace {
// How long a second start waits for the running copy to take its files. The
// running copy answers between the lines of even a long import; only a copy
// that hangs takes longer.
constexpr int kAnswerWaitMs = 30000;
constexpr char kTaken = 'T';

QString canonical(const QString& path) {
  const QFileInfo file(path);
  const QString real = file.canonicalFilePath();
  return real.isEmpty() ? file.absoluteFilePath() : real;
}
}  // namespace

QString SingleInstance::ServerName(const QString& databasePath) {
  const QByteArray key = QByteArray::number(uint(getuid())) + '\n' + canonical(databasePath).toUtf8();
  return QStringLiteral("corvane-yield-%1-%2")
      .arg(uint(getuid()))
      .arg(QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(24)));
}

SingleInstance::SingleInstance(const QString& databasePath, QObject* parent)
    : QObject(parent), name_(ServerName(databasePath)) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
      connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        QDataStream in(socket);
        in.startTransaction();
        QStringList files;
        in >> files;
        if (!in.commitTransaction()) return;  // the rest is on its way
        socket->write(&kTaken, 1);
        socket->flush();
        socket->disconnectFromServer();
        emit Requested(files);
      });
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }
  });
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::HandOverOrListen(const QStringList& files) {
  // Copies started together (a file manager opening several files at once)
  // take turns, so exactly one of them listens.
  QLockFile turn(QDir(QDir::tempPath()).filePath(name_ + QStringLiteral(".lock")));
  if (!turn.lock())
    RaiseError(kErrPathFileAccess, QStringLiteral("Cannot lock %1").arg(turn.fileName()), AppSourceName());
  if (HandOver(files)) return true;
  Listen();
  return false;
}

bool SingleInstance::HandOver(const QStringList& files) {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(kAnswerWaitMs)) return false;  // nobody listens: a socket left by a crash at most
  QStringList absolute;
  for (const QString& file : files) absolute << QFileInfo(file).absoluteFilePath();
  QByteArray message;
  QDataStream out(&message, QIODevice::WriteOnly);
  out << absolute;
  socket.write(message);
  char answer = 0;
  const bool taken = socket.waitForBytesWritten(kAnswerWaitMs) && socket.waitForReadyRead(kAnswerWaitMs) &&
                     socket.read(&answer, 1) == 1 && answer == kTaken;
  if (!taken)
    RaiseError(kErrPathFileAccess,
               QStringLiteral("The program already running on this database did not take the files: %1")
                   .arg(socket.errorString()),
               AppSourceName());
  return true;
}

void SingleInstance::Listen() {
  if (server_.listen(name_)) return;
  // A copy that crashed left its socket behind; nobody answers it (we hold
  // the turn and could not connect), so it goes.
  QLocalServer::removeServer(name_);
  if (!server_.listen(name_))
    RaiseError(
        kErrPathFileAccess,
        QStringLiteral("Cannot watch for a second start of the program (%1): %2").arg(name_, server_.errorString()),
        AppSourceName());
}
