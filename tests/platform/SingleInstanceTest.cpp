#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <thread>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

#include "TempDir.h"
#include "platform/SingleInstance.h"

using namespace sorvel;

namespace {
void ageFile(const QString& path) {
    timeval old[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    ::utimes(path.toLocal8Bit().constData(), old);
}

void writeLock(const QString& path, qint64 pid) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray::number(pid) + "\n" + QCoreApplication::applicationName().toUtf8() + "\n\n");
}
}  // namespace

TEST(SingleInstance, OneHolderPerFolderAndNamesFollowTheFolder) {
    TempDir d, other;
    SingleInstance a(d.path());
    ASSERT_EQ(a.start(0), SingleInstance::Outcome::First);
    EXPECT_TRUE(QFile::exists(a.lockFileName()));
    // The same folder by another path (a symlink) meets on the same socket.
    const std::string link = other.path() + "link";
    ASSERT_EQ(::symlink(d.path().c_str(), link.c_str()), 0);
    SingleInstance b(link + "/");
    EXPECT_EQ(b.socketName(), a.socketName());
    EXPECT_EQ(b.lockFileName(), a.lockFileName());
    // Held and not answering: a second one gives up after the wait, even
    // when the lock file looks old.
    ageFile(a.lockFileName());
    EXPECT_EQ(b.start(200), SingleInstance::Outcome::Busy);
    // Another folder is another instance.
    SingleInstance c(other.path());
    EXPECT_NE(c.socketName(), a.socketName());
    EXPECT_EQ(c.start(0), SingleInstance::Outcome::First);
    // Let go: the next one takes the folder.
    a.release();
    EXPECT_EQ(b.start(0), SingleInstance::Outcome::First);
}

TEST(SingleInstance, StaleLocksAreTakenOver) {
    TempDir d;
    SingleInstance probe(d.path());
    // Left by a process that is gone.
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    writeLock(probe.lockFileName(), child);
    SingleInstance a(d.path());
    EXPECT_EQ(a.start(0), SingleInstance::Outcome::First);
    a.release();
    // Naming a running process of this name, but held by no one (a folder
    // copied while its launcher ran): taken over once it is not brand new.
    writeLock(probe.lockFileName(), QCoreApplication::applicationPid());
    ageFile(probe.lockFileName());
    SingleInstance b(d.path());
    EXPECT_EQ(b.start(3000), SingleInstance::Outcome::First);
}

TEST(SingleInstance, AnEndingInstanceLetsTheNewStartWaitForTheFolder) {
    TempDir d;
    SingleInstance a(d.path());
    ASSERT_EQ(a.start(0), SingleInstance::Outcome::First);
    bool ending = false;
    int raised = 0;
    ASSERT_TRUE(a.listen([&] {
        if (ending) return false;
        ++raised;
        return true;
    }));
    // A second start from another thread while this one keeps serving.
    auto secondStart = [&](int waitMs) {
        std::atomic<bool> done{false};
        SingleInstance::Outcome out{};
        std::thread t([&] {
            SingleInstance b(d.path());
            out = b.start(waitMs);
            done = true;
        });
        while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        t.join();
        return out;
    };
    EXPECT_EQ(secondStart(3000), SingleInstance::Outcome::Raised);
    EXPECT_EQ(raised, 1);
    // While it shuts down it does not claim to come to the front; the new
    // start gets the folder once the old one lets go of it.
    ending = true;
    QTimer::singleShot(300, [&] { a.release(); });
    EXPECT_EQ(secondStart(3000), SingleInstance::Outcome::First);
    EXPECT_EQ(raised, 1);
}

TEST(SingleInstance, OnlyARaiseLineRaisesAndTheSocketIsPrivate) {
    TempDir d;
    SingleInstance a(d.path());
    ASSERT_EQ(a.start(0), SingleInstance::Outcome::First);
    int raised = 0;
    ASSERT_TRUE(a.listen([&] { return ++raised, true; }));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(a.socketName()).constData(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 077, 0u);
    // A connection to the socket; -1 when it is refused.
    auto connectToIt = [&] {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(a.socketName());
        std::memcpy(addr.sun_path, path.constData(), static_cast<size_t>(path.size()));
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
        ::close(fd);
        return -1;
    };
    // Something else on the socket, or a line too long to be ours, raises nothing.
    auto send = [&](const QByteArray& bytes) {
        const int fd = connectToIt();
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::send(fd, bytes.constData(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL), bytes.size());
        ::shutdown(fd, SHUT_WR);
        QByteArray answer;
        for (int i = 0; i < 200; ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            char buf[16];
            const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
            if (n > 0) answer.append(buf, n);
            if (n == 0) break;
        }
        ::close(fd);
        return answer;
    };
    EXPECT_EQ(send("hello\n"), QByteArray());
    EXPECT_EQ(send(QByteArray(100, 'r')), QByteArray());
    EXPECT_EQ(raised, 0);
    EXPECT_EQ(send("raise\n"), QByteArray("ok\n"));
    EXPECT_EQ(raised, 1);
    // Connections that never say anything neither block the next start
    // nor stay open for good.
    std::vector<int> idle;
    for (int i = 0; i < 12; ++i) {
        const int fd = connectToIt();
        ASSERT_GE(fd, 0);
        idle.push_back(fd);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);   // taken in
    }
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::atomic<bool> done{false};
    SingleInstance::Outcome out{};
    std::thread t([&] {
        SingleInstance b(d.path());
        out = b.start(3000);
        done = true;
    });
    while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    t.join();
    EXPECT_EQ(out, SingleInstance::Outcome::Raised);
    EXPECT_EQ(raised, 2);
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 1500) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    for (int fd : idle) {
        char c;
        EXPECT_EQ(::recv(fd, &c, 1, MSG_DONTWAIT), 0) << "still open";   // closed by the launcher
        ::close(fd);
    }
    // Let go: the socket is gone with it.
    a.release();
    EXPECT_FALSE(QFileInfo::exists(a.socketName()));
}
