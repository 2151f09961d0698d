// Desktop entries start the application they describe, through GIO, with
// a real generated entry whose Exec line runs a probe script.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "TempDir.h"
#include "platform/DesktopEntry.h"
#include "platform/RealServices.h"

using namespace sorvel;

namespace {
struct Entry : ::testing::Test {
    TempDir d;
    std::string oldPath;
    std::string probe;
    Entry() {
        QDir root(QString::fromStdString(d.path()));
        root.mkpath("my apps");
        root.mkpath("work dir");
        root.mkpath("bin");
        // The probe records its arguments, its folder and its parent, then
        // lingers a moment before it says it is done.
        probe = d.file("my apps/probe.sh");
        d.write("my apps/probe.sh", "#!/bin/sh\n{ for a in \"$@\"; do printf 'arg:%s\\n' \"$a\"; done; "
                                    "printf 'cwd:%s\\nppid:%s\\n' \"$(pwd)\" \"$PPID\"; } > \"" +
                                        d.file("probe.log.tmp") + "\"\nmv \"" + d.file("probe.log.tmp") + "\" \"" +
                                        d.file("probe.log") + "\"\nsleep 1\ntouch \"" + d.file("probe.done") + "\" 2>/dev/null\n");
        ::chmod(probe.c_str(), 0755);
        // A stand-in for every terminal GIO may look for: it notes that it
        // ran and starts the command after its -e or --.
        const std::string term = "#!/bin/sh\necho terminal > \"" + d.file("terminal.log") +
                                 "\"\nwhile [ $# -gt 0 ]; do case \"$1\" in -e|--|-x) shift; break;; -*) shift;; "
                                 "*) break;; esac; done\nexec \"$@\"\n";
        for (const char* t : {"xdg-terminal-exec", "x-terminal-emulator", "kgx", "gnome-terminal", "mate-terminal",
                              "xfce4-terminal", "tilix", "konsole", "nxterm", "color-xterm", "rxvt", "dtterm", "xterm"}) {
            d.write(std::string("bin/") + t, term);
            ::chmod(d.file(std::string("bin/") + t).c_str(), 0755);
        }
        d.write("bin/xdg-open", "#!/bin/sh\necho \"$@\" >> \"" + d.file("opener.log") + "\"\n");
        ::chmod(d.file("bin/xdg-open").c_str(), 0755);
        oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", (d.file("bin") + ":" + oldPath).c_str(), 1);
    }
    ~Entry() override { setenv("PATH", oldPath.c_str(), 1); }

    std::string writeEntry(const std::string& name, const std::string& extra) {
        d.write(name, "[Desktop Entry]\nType=Application\nName=Probe App\nExec=\"" + probe +
                          "\" first \"two words\" %f %U --name=%c\n" + extra);
        return d.file(name);
    }
    std::string waitFor(const std::string& name) {
        QElapsedTimer t;
        t.start();
        // The script may still be writing: wait until the file stops growing.
        std::string seen;
        bool there = false;
        while (t.elapsed() < 5000) {
            if (d.exists(name)) {
                const std::string now = d.read(name);
                if (there && now == seen && !now.empty()) return now;
                seen = now;
                there = true;
            }
            QThread::msleep(50);
        }
        if (there) return seen;
        return "<nothing>";
    }
};
}  // namespace

TEST_F(Entry, ExecLineRunsWithItsArgumentsInItsFolder) {
    const std::string entry = writeEntry("probe.desktop", "Path=" + d.file("work dir") + "\n");
    std::string why;
    ASSERT_TRUE(launchDesktopEntry(entry, &why)) << why;
    // The call came back while the application still runs, and the
    // application is not our child (nothing for us to reap).
    EXPECT_FALSE(d.exists("probe.done"));
    const std::string log = waitFor("probe.log");
    EXPECT_EQ(log.substr(0, log.find("ppid:")),
              "arg:first\narg:two words\narg:--name=Probe App\ncwd:" + d.file("work dir") + "\n");
    EXPECT_NE(log.find("ppid:"), std::string::npos);
    EXPECT_NE(std::stol(log.substr(log.find("ppid:") + 5)), static_cast<long>(::getpid()));
    EXPECT_FALSE(d.exists("terminal.log"));
}

TEST_F(Entry, TerminalEntriesRunInATerminal) {
    const std::string entry = writeEntry("term.desktop", "Terminal=true\n");
    ASSERT_TRUE(launchDesktopEntry(entry));
    EXPECT_EQ(waitFor("terminal.log"), "terminal\n");
    EXPECT_NE(waitFor("probe.log").find("arg:two words\n"), std::string::npos);
}

TEST_F(Entry, TheShellStartsEntriesInsteadOfOpeningThem) {
    const std::string entry = writeEntry("menu item.desktop", "");
    DesktopShell shell;
    EXPECT_GT(shell.execute(std::nullopt, entry, std::nullopt, d.path(), 1), 32);
    EXPECT_NE(waitFor("probe.log").find("arg:first\n"), std::string::npos);
    // The right button's "open" of the folder still goes to the opener.
    EXPECT_GT(shell.execute(std::string("open"), d.path(), std::nullopt, std::nullopt, 1), 32);
    waitFor("opener.log");
    EXPECT_FALSE(d.exists("terminal.log"));
}

TEST_F(Entry, BrokenEntriesFailWithoutStartingAnything) {
    EXPECT_TRUE(isDesktopEntry("/usr/share/applications/firefox.desktop"));
    EXPECT_FALSE(isDesktopEntry("/tmp/notes.desktop.txt"));
    EXPECT_FALSE(isDesktopEntry(".desktop"));

    d.write("garbage.desktop", "this is no key file\n");
    std::string why;
    EXPECT_FALSE(launchDesktopEntry(d.file("garbage.desktop"), &why));
    EXPECT_FALSE(why.empty());
    const std::string missing = writeEntry("missing.desktop", "TryExec=/nonexistent/program\n");
    EXPECT_FALSE(launchDesktopEntry(missing));
    DesktopShell shell;
    EXPECT_LE(shell.execute(std::nullopt, d.file("garbage.desktop"), std::nullopt, std::nullopt, 1), 32);
    QThread::msleep(200);
    EXPECT_FALSE(d.exists("probe.log"));
    EXPECT_FALSE(d.exists("opener.log")) << "a broken entry is not handed to a text editor";
}

TEST_F(Entry, EntriesThatAreNoApplicationGoToTheOpener) {
    // A link entry opens its address; GIO makes no application of it.
    d.write("site.desktop", "[Desktop Entry]\nType=Link\nName=Site\nURL=https://example.org/a?b=1\n");
    d.write("folder.desktop", "[Desktop Entry]\nType=Directory\nName=Folder\n");
    d.write("odd link.desktop", "[Desktop Entry]\nType=Link\nName=Odd\nURL=--help\n");
    d.write("garbage.desktop", "this is no key file\n");
    EXPECT_EQ(desktopEntryType(d.file("site.desktop")), DesktopEntryType::Link);
    EXPECT_EQ(desktopEntryType(d.file("garbage.desktop")), DesktopEntryType::Invalid);
    EXPECT_EQ(desktopEntryType(writeEntry("app.desktop", "")), DesktopEntryType::Application);
    DesktopShell shell;
    EXPECT_GT(shell.execute(std::nullopt, d.file("site.desktop"), std::nullopt, std::nullopt, 1), 32);
    EXPECT_EQ(waitFor("opener.log"), "https://example.org/a?b=1\n");
    EXPECT_GT(shell.execute(std::nullopt, d.file("folder.desktop"), std::nullopt, std::nullopt, 1), 32);
    EXPECT_GT(shell.execute(std::nullopt, d.file("odd link.desktop"), std::nullopt, std::nullopt, 1), 32);
    // The entries without an address are handed over as files.
    QElapsedTimer t;
    t.start();
    std::string log = d.read("opener.log");
    while (t.elapsed() < 5000 && std::count(log.begin(), log.end(), '\n') < 3) {
        QThread::msleep(20);
        log = d.read("opener.log");
    }
    EXPECT_NE(log.find("file://" + d.file("folder.desktop") + "\n"), std::string::npos) << log;
    EXPECT_NE(log.find("odd%20link.desktop\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("--help"), std::string::npos) << log;
    EXPECT_FALSE(d.exists("probe.log"));
}
