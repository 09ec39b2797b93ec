#include "editor_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QtEndian>
#include <memory>

#include "local_file_names.h"

namespace morvane::editor {

namespace {

const QString kLockSuffix = QStringLiteral(".lock");
const QString kServerPrefix = QStringLiteral("morvane-editor-");
// Enough of the hash of the session file's path to tell sets of channels apart.
constexpr qsizetype kServerHashLetters = 16;

// A file name's length, then its bytes; the first editor answers kTaken, the later one kGo.
using TNameLength = quint32;
constexpr qint64 kLengthSize = sizeof(TNameLength);
constexpr TNameLength kLongestName = 64 * 1024;
constexpr char kTaken = 'T';
constexpr char kGo = 'G';
constexpr const char* kFileProperty = "handedFile";
constexpr const char* kTakenProperty = "handedTaken";

QString ServerNameOf(const QString& sessionFile) {
  const QByteArray path = QFile::encodeName(QFileInfo(sessionFile).absoluteFilePath());
  return kServerPrefix +
         QString::fromLatin1(QCryptographicHash::hash(path, QCryptographicHash::Sha256)
                                 .toHex()
                                 .left(kServerHashLetters));
}

QString LockProblem(QLockFile::LockError error) {
  switch (error) {
    case QLockFile::PermissionError:
      return QStringLiteral("permission denied");
    case QLockFile::UnknownError:
    case QLockFile::LockFailedError:
    case QLockFile::NoError:
      break;
  }
  return QStringLiteral("it could not be made");
}

}  // namespace

TEditorInstance::TEditorInstance(const QString& sessionFile, QObject* parent)
    : QObject(parent), FServerName(ServerNameOf(sessionFile)), FLock(sessionFile + kLockSuffix) {
  // Held for as long as the editor runs: only a lock whose editor has ended is stale.
  FLock.setStaleLockTime(0);
}

TEditorInstance::~TEditorInstance() = default;

QString TEditorInstance::LockFile() const {
  return FLock.fileName();
}

TClaim TEditorInstance::Claim(const QString& file, int deadlineMs) {
  QDir().mkpath(QFileInfo(LockFile()).absolutePath());
  // A lock whose editor no longer runs is removed and taken here.
  if (FLock.tryLock(0)) {
    Listen();
    return TClaim::First;
  }
  if (FLock.error() != QLockFile::LockFailedError) {
    // Nothing tells whether another editor runs: this one goes on as if it were the first.
    FProblem = QStringLiteral("The channels' lock %1 could not be taken: %2")
                   .arg(QDir::toNativeSeparators(LockFile()), LockProblem(FLock.error()));
    return TClaim::First;
  }
  return HandOver(file, deadlineMs);
}

void TEditorInstance::Listen() {
  FServer = new QLocalServer(this);
  FServer->setSocketOptions(QLocalServer::UserAccessOption);
  // A socket left by an editor that crashed: holding the lock, no other editor listens on it.
  QLocalServer::removeServer(FServerName);
  if (!FServer->listen(FServerName)) {
    FProblem = QStringLiteral("Files opened while this editor runs start another editor: %1")
                   .arg(FServer->errorString());
    return;
  }
  connect(FServer, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = FServer->nextPendingConnection()) {
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      connect(socket, &QLocalSocket::readyRead, socket, [this, socket] { Answer(socket); });
      Answer(socket);
    }
  });
}

void TEditorInstance::Answer(QLocalSocket* socket) {
  if (!socket->isOpen()) {
    return;
  }
  if (!socket->property(kTakenProperty).toBool()) {
    if (socket->bytesAvailable() < kLengthSize) {
      return;
    }
    const QByteArray head = socket->peek(kLengthSize);
    const auto length = qFromBigEndian<TNameLength>(head.constData());
    if (length > kLongestName) {
      socket->abort();
      return;
    }
    if (socket->bytesAvailable() < kLengthSize + length) {
      return;
    }
    socket->skip(kLengthSize);
    socket->setProperty(kFileProperty, FileNameFromBytes(socket->read(length)));
    socket->setProperty(kTakenProperty, true);
    socket->putChar(kTaken);
    socket->flush();
  }
  char go = 0;
  if (!socket->getChar(&go)) {
    return;
  }
  const QString file = socket->property(kFileProperty).toString();
  socket->disconnectFromServer();
  if (go == kGo) {
    Deliver(file);
  }
}

void TEditorInstance::Serve(std::function<void(const QString& file)> open) {
  FOpen = std::move(open);
  for (const QString& file : std::exchange(FWaiting, {})) {
    FOpen(file);
  }
}

void TEditorInstance::Deliver(const QString& file) {
  if (FOpen) {
    FOpen(file);
    return;
  }
  FWaiting.append(file);
}

void TEditorInstance::Wait(int ms, std::function<void()> then) {
  if (StartWait) {
    StartWait(ms, std::move(then));
  } else {
    QTimer::singleShot(ms, this, std::move(then));
  }
}

TClaim TEditorInstance::HandOver(const QString& file, int deadlineMs) {
  const QByteArray name =
      file.isEmpty() ? QByteArray() : FileNameBytes(QFileInfo(file).absoluteFilePath());
  QByteArray frame(kLengthSize, '\0');
  qToBigEndian(static_cast<TNameLength>(name.size()), frame.data());
  frame += name;

  QEventLoop loop;
  QLocalSocket socket;
  TClaim claim = TClaim::NoAnswer;
  // The deadline may come after this wait is over (a test's own wait): it then does nothing.
  const auto waiting = std::make_shared<bool>(true);
  const auto finish = [&](TClaim outcome) {
    if (*waiting) {
      *waiting = false;
      claim = outcome;
      loop.quit();
    }
  };
  const auto connectToFirst = [&] { socket.connectToServer(FServerName); };
  connect(&socket, &QLocalSocket::connected, &loop, [&] { socket.write(frame); });
  connect(&socket, &QLocalSocket::readyRead, &loop, [&] {
    char answer = 0;
    if (!*waiting || !socket.getChar(&answer) || answer != kTaken) {
      return;
    }
    socket.putChar(kGo);
    socket.flush();
    finish(TClaim::HandedOver);
  });
  // The first editor may hold the lock and not listen yet: it is tried again until the deadline.
  connect(&socket, &QLocalSocket::errorOccurred, &loop, [&](QLocalSocket::LocalSocketError) {
    if (*waiting && socket.state() == QLocalSocket::UnconnectedState) {
      QTimer::singleShot(kConnectRetryMs, &loop, connectToFirst);
    }
  });
  Wait(deadlineMs, [waiting, finish] {
    if (*waiting) {
      finish(TClaim::NoAnswer);
    }
  });
  connectToFirst();
  if (*waiting) {
    loop.exec();
  }
  *waiting = false;
  if (claim == TClaim::HandedOver && socket.bytesToWrite() > 0) {
    socket.waitForBytesWritten(deadlineMs);
  }
  socket.abort();
  return claim;
}

}  // namespace morvane::editor
