#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/time.h>
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
