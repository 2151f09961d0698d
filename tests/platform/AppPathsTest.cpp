// Where the files live: portable beside the executable, installed in the
// XDG data folder with the defaults from the installed share folder.
#include <gtest/gtest.h>

#include <QDir>
#include <map>
#include <sys/stat.h>

#include "TempDir.h"
#include "platform/AppPaths.h"
#include "platform/DisplaySession.h"

using namespace sorvel;

namespace {
struct Env {
    std::map<std::string, std::string> vars;
    EnvLookup lookup() const {
        return [this](const char* n) -> const char* {
            auto it = vars.find(n);
            return it == vars.end() ? nullptr : it->second.c_str();
        };
    }
};

struct Layout : ::testing::Test {
    TempDir d;
    Env env;
    Layout() {
        QDir root(QString::fromStdString(d.path()));
        root.mkpath("usr/bin");
        root.mkpath("usr/share/sorvel_p");
        d.write("usr/bin/sorvel_p", "");
        env.vars["HOME"] = d.file("home");
    }
    AppPaths detect(const std::string& exe) {
        return detectAppPaths(exe, env.lookup(), "../lib/sorvel_p", "../share/sorvel_p");
    }
};
}  // namespace

TEST_F(Layout, AssetsOrDataBesideTheExecutableMeanPortable) {
    QDir(QString::fromStdString(d.path())).mkpath("dist");
    d.write("dist/ico.bmp", "BM");
    AppPaths p = detect(d.file("dist/sorvel_p"));
    EXPECT_TRUE(p.portable);
    EXPECT_EQ(p.dataFolder, d.file("dist/"));
    EXPECT_EQ(p.assetFolder, d.file("dist/"));
    EXPECT_EQ(p.moduleFolder, d.file("dist/"));
    EXPECT_EQ(p.readme(), d.file("dist/readme.txt"));
    EXPECT_EQ(p.executable, d.file("dist/sorvel_p"));

    // A copied folder whose pictures went missing still keeps its slots.
    QDir(QString::fromStdString(d.path())).mkpath("copy");
    d.write("copy/data.dat", "\"\"\r\n");
    EXPECT_TRUE(detect(d.file("copy/sorvel_p")).portable);
}

TEST_F(Layout, InstalledProgramUsesTheXdgDataFolder) {
    env.vars["XDG_DATA_HOME"] = d.file("xdg");
    AppPaths p = detect(d.file("usr/bin/sorvel_p"));
    EXPECT_FALSE(p.portable);
    EXPECT_EQ(p.dataFolder, d.file("xdg/sorvel_p/"));
    EXPECT_EQ(p.assetFolder, d.file("usr/share/sorvel_p/"));
    EXPECT_EQ(p.moduleFolder, d.file("usr/lib/sorvel_p/"));
    EXPECT_EQ(p.readme(), d.file("usr/share/sorvel_p/readme.txt"));
    EXPECT_EQ(p.dataFile("data.dat"), d.file("xdg/sorvel_p/data.dat"));

    // Unset, empty or relative: ~/.local/share.
    for (const char* x : {"", "relative/dir"}) {
        env.vars["XDG_DATA_HOME"] = x;
        EXPECT_EQ(detect(d.file("usr/bin/sorvel_p")).dataFolder, d.file("home/.local/share/sorvel_p/")) << x;
    }
    env.vars.erase("XDG_DATA_HOME");
    EXPECT_EQ(detect(d.file("usr/bin/sorvel_p")).dataFolder, d.file("home/.local/share/sorvel_p/"));
}

TEST_F(Layout, FirstStartMakesThePrivateDataFolderWithItsOwnChime) {
    env.vars["XDG_DATA_HOME"] = d.file("xdg/deeper");
    d.write("usr/share/sorvel_p/bg.wav", "RIFF-default");
    d.write("usr/share/sorvel_p/ico.bmp", "default icon");
    AppPaths p = detect(d.file("usr/bin/sorvel_p"));
    std::string why;
    ASSERT_TRUE(prepareDataFolder(p, &why)) << why;
    struct stat st {};
    ASSERT_EQ(::stat(p.dataFolder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(d.read("xdg/deeper/sorvel_p/bg.wav"), "RIFF-default");
    // Defaults come from the share folder until the user has an own copy.
    EXPECT_EQ(p.assetFile("ico.bmp"), d.file("usr/share/sorvel_p/ico.bmp"));
    d.write("xdg/deeper/sorvel_p/ico.bmp", "mine");
    EXPECT_EQ(p.assetFile("ico.bmp"), d.file("xdg/deeper/sorvel_p/ico.bmp"));

    // The user's own alarm sound is never replaced.
    d.write("xdg/deeper/sorvel_p/bg.wav", "my sound");
    ASSERT_TRUE(prepareDataFolder(p));
    EXPECT_EQ(d.read("xdg/deeper/sorvel_p/bg.wav"), "my sound");
}

TEST_F(Layout, DataFolderThatCannotBeMadeIsReported) {
    d.write("blocker", "a file, not a folder");
    env.vars["XDG_DATA_HOME"] = d.file("blocker");
    std::string why;
    EXPECT_FALSE(prepareDataFolder(detect(d.file("usr/bin/sorvel_p")), &why));
    EXPECT_NE(why.find("blocker"), std::string::npos) << why;
}

TEST(DisplaySession, WaylandSessionsPreferXWayland) {
    Env e;
    EXPECT_EQ(preferredQtPlatform(e.lookup()), "");
    e.vars["WAYLAND_DISPLAY"] = "wayland-0";
    EXPECT_EQ(preferredQtPlatform(e.lookup()), "") << "no X server: Qt's own choice";
    e.vars["DISPLAY"] = ":0";
    EXPECT_EQ(preferredQtPlatform(e.lookup()), "xcb;wayland");
    e.vars["QT_QPA_PLATFORM"] = "wayland";
    EXPECT_EQ(preferredQtPlatform(e.lookup()), "") << "the user's choice stands";
    e.vars.erase("WAYLAND_DISPLAY");
    e.vars.erase("QT_QPA_PLATFORM");
    EXPECT_EQ(preferredQtPlatform(e.lookup()), "") << "plain X11 session";

    EXPECT_TRUE(canPlaceWindows("xcb"));
    EXPECT_TRUE(canPlaceWindows("offscreen"));
    EXPECT_FALSE(canPlaceWindows("wayland"));
    EXPECT_FALSE(canPlaceWindows("wayland-egl"));
}
