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
