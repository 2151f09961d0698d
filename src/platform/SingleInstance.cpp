#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>
#include <QThread>
#include <algorithm>
#include <vector>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace sorvel {

namespace {
// True when the other end of a connected local socket runs as this user.
bool peerIsThisUser(int fd) {
    ucred cred {};
    socklen_t len = sizeof cred;
    return fd >= 0 && ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && cred.uid == ::geteuid();
}

// The socket's address; false when the name does not fit.
bool socketAddress(const QString& name, sockaddr_un* addr) {
    const QByteArray path = QFile::encodeName(name);
    std::memset(addr, 0, sizeof *addr);
    addr->sun_family = AF_UNIX;
    if (path.isEmpty() || static_cast<size_t>(path.size()) >= sizeof addr->sun_path) return false;
    std::memcpy(addr->sun_path, path.constData(), static_cast<size_t>(path.size()));
    return true;
}

// Waits until fd is ready for events, at most until the deadline.
bool waitFor(int fd, short events, const QElapsedTimer& t, int timeoutMs) {
    for (;;) {
        const qint64 left = timeoutMs - t.elapsed();
        if (left <= 0) return false;
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, static_cast<int>(left));
        if (n > 0) return true;
        if (n < 0 && errno != EINTR) return false;
    }
}

// The user's private runtime folder when there is one, else the temp folder.
QString socketFolder() {
    // Qt's runtime folder: XDG_RUNTIME_DIR when it is ours, otherwise a
    // private folder of this user's that Qt makes in the temp folder.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    struct stat st {};
    if (!runtime.isEmpty() && ::stat(QFile::encodeName(runtime).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
        st.st_uid == ::geteuid() && (st.st_mode & 077) == 0)
        return runtime;
    return QDir::tempPath();   // the peer checks still keep other users out
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
    sockaddr_un addr;
    if (!socketAddress(socketName_, &addr)) return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    QElapsedTimer t;
    t.start();
    bool ok = false;
    int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    if (rc != 0 && errno == EAGAIN && waitFor(fd, POLLOUT, t, timeoutMs)) {
        int err = 0;
        socklen_t len = sizeof err;
        rc = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0 ? 0 : -1;
    }
    // Only a launcher of this user is asked.
    if (rc == 0 && peerIsThisUser(fd) && ::send(fd, "raise\n", 6, MSG_NOSIGNAL) == 6) {
        char answer[8];
        size_t have = 0;
        while (have < sizeof answer && waitFor(fd, POLLIN, t, timeoutMs)) {
            const ssize_t n = ::recv(fd, answer + have, sizeof answer - have, 0);
            if (n > 0) {
                have += static_cast<size_t>(n);
                if (std::memchr(answer, '\n', have)) break;
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                break;
            }
        }
        ok = have >= 3 && std::memcmp(answer, "ok\n", 3) == 0;
    }
    ::close(fd);
    return ok;
}

// The listening socket and the connections being answered, all served in
// the event loop.
struct SingleInstance::Server {
    static constexpr int kMaxClients = 8;
    static constexpr int kClientMs = 1000;   // a connection that says nothing is dropped

    int fd = -1;
    QString path;
    std::unique_ptr<QSocketNotifier> notifier;
    std::function<bool()> onRaise;

    struct Client {
        int fd;
        QByteArray line;
        QSocketNotifier* notifier;
        QTimer* deadline;
    };
    std::vector<Client> clients;

    ~Server() {
        for (Client& c : clients) {
            delete c.notifier;
            delete c.deadline;
            ::close(c.fd);
        }
        notifier.reset();
        if (fd >= 0) {
            ::close(fd);
            ::unlink(QFile::encodeName(path).constData());
        }
    }

    void accept() {
        for (;;) {
            const int c = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (c < 0) {
                // Out of descriptors: the connection stays pending, so listen
                // again a little later instead of spinning.
                if (errno == EMFILE || errno == ENFILE) {
                    notifier->setEnabled(false);
                    QTimer::singleShot(200, notifier.get(), [n = notifier.get()] { n->setEnabled(true); });
                }
                return;
            }
            if (!peerIsThisUser(c)) {
                ::close(c);
                continue;
            }
            if (clients.size() >= kMaxClients) drop(clients.front().fd);
            auto* n = new QSocketNotifier(c, QSocketNotifier::Read);
            QObject::connect(n, &QSocketNotifier::activated, n, [this, c] { read(c); });
            auto* t = new QTimer;
            t->setSingleShot(true);
            QObject::connect(t, &QTimer::timeout, t, [this, c] { drop(c); });
            t->start(kClientMs);
            clients.push_back(Client{c, {}, n, t});
        }
    }

    void read(int cfd) {
        auto it = std::find_if(clients.begin(), clients.end(), [cfd](const Client& c) { return c.fd == cfd; });
        if (it == clients.end()) return;
        char buf[64];
        const ssize_t n = ::recv(cfd, buf, sizeof buf, 0);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
        if (n > 0) it->line.append(buf, n);
        const qsizetype nl = it->line.indexOf('\n');
        if (nl < 0 && n > 0 && it->line.size() <= 64) return;   // more to come
        const bool asked = nl >= 0 && it->line.left(nl).trimmed() == "raise";
        if (asked && onRaise && onRaise()) ::send(cfd, "ok\n", 3, MSG_NOSIGNAL);
        drop(cfd);
    }

    // Closes a connection. Its notifier or timer may be the one delivering
    // this call, so they go once the call is over.
    void drop(int cfd) {
        auto it = std::find_if(clients.begin(), clients.end(), [cfd](const Client& c) { return c.fd == cfd; });
        if (it == clients.end()) return;
        it->notifier->setEnabled(false);
        it->notifier->deleteLater();
        it->deadline->stop();
        it->deadline->deleteLater();
        clients.erase(it);
        ::close(cfd);
    }
};

bool SingleInstance::listen(std::function<bool()> onRaise) {
    sockaddr_un addr;
    auto fail = [this](const char* why) {
        std::fprintf(stderr, "sorvel_p: cannot listen on %s: %s\n", qPrintable(socketName_), why);
        server_.reset();
        return false;
    };
    if (!socketAddress(socketName_, &addr)) return fail("the name is too long");
    server_ = std::make_unique<Server>();
    server_->path = socketName_;
    server_->onRaise = std::move(onRaise);
    // A socket left by an instance of this folder that crashed: the lock is
    // ours, so no one answers on it. Only our own socket is removed.
    struct stat st {};
    if (::lstat(addr.sun_path, &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::geteuid()) ::unlink(addr.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return fail(std::strerror(errno));
    // Made private from the start: only this user may connect.
    const mode_t oldMask = ::umask(077);
    const int rc = ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    const int bindErr = errno;
    ::umask(oldMask);
    if (rc != 0 || ::listen(fd, 8) != 0) {
        const int err = rc != 0 ? bindErr : errno;
        ::close(fd);
        return fail(std::strerror(err));
    }
    server_->fd = fd;
    server_->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    Server* s = server_.get();
    QObject::connect(s->notifier.get(), &QSocketNotifier::activated, s->notifier.get(), [s] { s->accept(); });
    return true;
}

void SingleInstance::release() {
    server_.reset();
    lock_.unlock();
}

}  // namespace sorvel
