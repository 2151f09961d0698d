// The real shell service never hands a target to /bin/sh: hostile names
// open (or fail to open) exactly that one name and run nothing else.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <cstdlib>
#include <sys/stat.h>

#include "TempDir.h"
#include "platform/Executable.h"
#include "platform/RealServices.h"

using namespace sorvel;

namespace {
struct ShellFixture : ::testing::Test {
    TempDir d;
    std::string oldPath;
    DesktopShell shell;
    ShellFixture() {
        // A recording opener first on PATH.
        QDir(QString::fromStdString(d.path())).mkdir("bin");
        d.write("bin/xdg-open", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> \"" + d.file("opener.log") +
                                    "\"; done\n");
        ::chmod(d.file("bin/xdg-open").c_str(), 0755);
        oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", (d.file("bin") + ":" + oldPath).c_str(), 1);
    }
    ~ShellFixture() override { setenv("PATH", oldPath.c_str(), 1); }
    // The opener's log once it holds n lines (or after five seconds).
    std::string waitForLines(long n) {
        QElapsedTimer t;
        t.start();
        std::string log = d.read("opener.log");
        while (t.elapsed() < 5000 && std::count(log.begin(), log.end(), '\n') < n) {
            QThread::msleep(20);
            log = d.read("opener.log");
        }
        return log;
    }
    std::string waitFor(const std::string& name) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000) {
            if (d.exists(name) && !d.read(name).empty()) {
                QThread::msleep(50);
                return d.read(name);
            }
            QThread::msleep(20);
        }
        return "";
    }
};
}  // namespace

TEST_F(ShellFixture, HostileDocumentNamesReachTheOpenerWhole) {
    const std::string name = d.file("a b;touch PWNED");
    d.write("a b;touch PWNED", "doc");
    EXPECT_GT(shell.execute(std::nullopt, name, std::nullopt, d.path(), 1), 32);
    const std::string log = waitFor("opener.log");
    EXPECT_NE(log.find("/a%20b;touch%20PWNED\n"), std::string::npos) << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
    EXPECT_FALSE(d.exists("PWNED"));
    EXPECT_FALSE(QFile::exists("PWNED"));
}

TEST_F(ShellFixture, UrlsWithSpacesAndQuotesAreOneArgument) {
    const std::string url = "http://example.org/$(reboot) \"q\" 'x'";
    EXPECT_GT(shell.execute(std::string("open"), url, std::nullopt, std::nullopt, 1), 32);
    EXPECT_EQ(waitFor("opener.log"), url + "\n");
}

TEST_F(ShellFixture, ExecutablesStartDirectlyInTheirFolder) {
    // A program whose name starts with "-" and holds shell syntax.
    const std::string prog = d.file("-rf $(echo x)");
    d.write("-rf $(echo x)", "#!/bin/sh\npwd > \"" + d.file("ran.txt") + "\"\n");
    ::chmod(prog.c_str(), 0755);
    EXPECT_GT(shell.execute(std::nullopt, prog, std::nullopt, d.path(), 1), 32);
    const std::string ran = waitFor("ran.txt");
    EXPECT_EQ(ran, d.path().substr(0, d.path().size() - 1) + "\n");
    EXPECT_FALSE(d.exists("opener.log"));
}

TEST_F(ShellFixture, MissingOrEmptyTargetsOpenNothing) {
    EXPECT_LE(shell.execute(std::nullopt, "", std::nullopt, std::string(), 1), 32);
    EXPECT_LE(shell.execute(std::string("open"), d.file("$(reboot)"), std::nullopt, std::nullopt, 1), 32);
    EXPECT_LE(shell.execute(std::nullopt, "no-such-name-here", std::nullopt, std::nullopt, 1), 32);
    QThread::msleep(200);
    EXPECT_FALSE(d.exists("opener.log"));
}

TEST_F(ShellFixture, OnlyProgramsStartDirectly) {
    d.write("notes.txt", "just text, no interpreter line\n");   // x bit as on FAT or SMB mounts
    ::chmod(d.file("notes.txt").c_str(), 0755);
    d.write("broken", std::string("\x7f" "ELF", 4) + "not really a program");
    ::chmod(d.file("broken").c_str(), 0755);
    d.write("script", "#!/bin/sh\n");
    ::chmod(d.file("script").c_str(), 0755);
    d.write("plain.sh", "#!/bin/sh\n");   // no x bit
    EXPECT_FALSE(canStartDirectly(d.file("notes.txt")));
    EXPECT_TRUE(canStartDirectly(d.file("script")));
    EXPECT_TRUE(canStartDirectly(d.file("broken")));
    EXPECT_TRUE(canStartDirectly("/proc/self/exe"));
    EXPECT_FALSE(canStartDirectly(d.file("plain.sh")));
    EXPECT_FALSE(canStartDirectly(d.path()));
    EXPECT_FALSE(canStartDirectly(d.file("missing")));

    // The document opens; so does a program that fails to start.
    EXPECT_GT(shell.execute(std::nullopt, d.file("notes.txt"), std::nullopt, d.path(), 1), 32);
    EXPECT_GT(shell.execute(std::nullopt, d.file("broken"), std::nullopt, d.path(), 1), 32);
    const std::string log = waitForLines(2);
    EXPECT_NE(log.find("/notes.txt\n"), std::string::npos) << log;
    EXPECT_NE(log.find("/broken\n"), std::string::npos) << log;
}

TEST(Executable, NoexecMountsDoNotStartPrograms) {
    // Any writable noexec mount of this machine (often /dev/shm or /run).
    QFile mounts("/proc/mounts");
    ASSERT_TRUE(mounts.open(QIODevice::ReadOnly));
    for (const QByteArray& line : mounts.readAll().split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() < 4 || !f[3].split(',').contains("noexec")) continue;
        const QString file = QString::fromUtf8(f[1]) + "/sorvel_noexec_test";
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly)) continue;
        out.write("#!/bin/sh\n");
        out.close();
        ::chmod(file.toUtf8().constData(), 0755);
        const bool can = canStartDirectly(file.toStdString());
        QFile::remove(file);
        EXPECT_FALSE(can) << f[1].constData();
        return;
    }
    GTEST_SKIP() << "no writable noexec mount here";
}

TEST_F(ShellFixture, RootFolderAndUrlSchemesInAnyCase) {
    EXPECT_GT(shell.execute(std::string("open"), "//", std::nullopt, std::nullopt, 1), 32);
    EXPECT_GT(shell.execute(std::nullopt, "HTTP://Example.org/A", std::nullopt, std::nullopt, 1), 32);
    EXPECT_GT(shell.execute(std::string("open"), "Https://example.org/", std::nullopt, std::nullopt, 1), 32);
    const std::string log = waitForLines(3);
    EXPECT_NE(log.find("file:///\n"), std::string::npos) << log;
    EXPECT_NE(log.find("http://Example.org/A\n"), std::string::npos) << log;
    EXPECT_NE(log.find("https://example.org/\n"), std::string::npos) << log;
}
