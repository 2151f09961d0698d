#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <cstdio>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvel {

namespace {
// True when the other end of a connected local socket runs as this user.
bool peerIsThisUser(const QLocalSocket& s) {
    ucred cred {};
    socklen_t len = sizeof cred;
    const auto fd = static_cast<int>(s.socketDescriptor());
    return fd >= 0 && ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && cred.uid == ::geteuid();
}

// The user's private runtime folder when there is one, else the temp folder.
QString socketFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        struct stat st {};
        if (::stat(runtime.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
            (st.st_mode & 077) == 0)
            return QString::fromLocal8Bit(runtime);
    }
    return QDir::tempPath();
}

QString canonicalFolder(const std::string& folder) {
    const QString f = QString::fromStdString(folder);
    const QString c = QFileInfo(f).canonicalFilePath();
    return c.isEmpty() ? QDir::cleanPath(QDir(f).absolutePath()) : c;
}
}  // namespace

SingleInstance::SingleInstance(const std::string& dataFolder)
    : lockPath_(QDir(canonicalFolder(dataFolder)).filePath(QStringLiteral(".sorvel_p.lock"))),
      socketName_(socketFolder() + QStringLiteral("/sorvel_p-") +
                  QString::fromLatin1(QCryptographicHash::hash(canonicalFolder(dataFolder).toUtf8(),
                                                               QCryptographicHash::Sha256)
                                          .toHex()
                                          .left(24)) +
                  QStringLiteral(".sock")),
      lock_(lockPath_) {
    // A running instance keeps its lock however long it runs; only one
    // whose process is gone leaves a stale lock.
    lock_.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() { release(); }

SingleInstance::Outcome SingleInstance::start(int waitMs) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (lock_.tryLock(0)) return Outcome::First;
        if (lock_.error() != QLockFile::LockFailedError) {
            if (askToRaise(kAnswerMs)) return Outcome::Raised;
            std::fprintf(stderr, "sorvel_p: cannot make the lock file %s; running without it\n",
                         qPrintable(lockPath_));
            return Outcome::Unguarded;
        }
        if (askToRaise(kAnswerMs)) return Outcome::Raised;
        // A lock file that names a running launcher but that no process
        // holds (a folder copied while its launcher ran) is stale too. Qt
        // removes it only when no one holds it; a young one may be just
        // being made.
        const QFileInfo info(lockPath_);
        if (info.lastModified().msecsTo(QDateTime::currentDateTime()) > 2000 && lock_.removeStaleLockFile()) continue;
        if (waited.elapsed() >= waitMs) return Outcome::Busy;
        QThread::msleep(100);
    }
}

bool SingleInstance::askToRaise(int timeoutMs) {
    QLocalSocket sock;
    sock.connectToServer(socketName_);
    if (!sock.waitForConnected(timeoutMs)) return false;
    if (!peerIsThisUser(sock)) return false;
    sock.write("raise\n");
    if (!sock.waitForBytesWritten(timeoutMs)) return false;
    QElapsedTimer t;
    t.start();
    while (!sock.canReadLine() && t.elapsed() < timeoutMs) {
        if (!sock.waitForReadyRead(static_cast<int>(timeoutMs - t.elapsed()))) break;
    }
    return sock.canReadLine() && sock.readLine().trimmed() == "ok";
}

bool SingleInstance::listen(std::function<void()> onRaise) {
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket file left by an instance that crashed; the folder is ours.
    QLocalServer::removeServer(socketName_);
    if (!server_->listen(socketName_)) {
        std::fprintf(stderr, "sorvel_p: cannot listen on %s: %s\n", qPrintable(socketName_),
                     qPrintable(server_->errorString()));
        server_.reset();
        return false;
    }
    QLocalServer* server = server_.get();
    QObject::connect(server, &QLocalServer::newConnection, server, [server, onRaise] {
        while (QLocalSocket* s = server->nextPendingConnection()) {
            QObject::connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            if (!peerIsThisUser(*s)) {
                s->abort();
                continue;
            }
            QObject::connect(s, &QLocalSocket::readyRead, s, [s, onRaise] {
                if (!s->canReadLine()) {
                    if (s->bytesAvailable() > 64) s->abort();
                    return;
                }
                const QByteArray line = s->readLine(64).trimmed();
                if (line == "raise") {
                    if (onRaise) onRaise();
                    s->write("ok\n");
                    s->flush();
                }
                s->disconnectFromServer();
            });
        }
    });
    return true;
}

void SingleInstance::release() {
    if (server_) {
        server_->close();
        server_.reset();
    }
    lock_.unlock();
}

}  // namespace sorvel
