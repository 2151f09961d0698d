// Windows drive paths through a Wine-style drive map in a temporary prefix.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "Seam.h"
#include "TempDir.h"
#include "launcher/SlotRules.h"
#include "platform/WinePaths.h"

using namespace sorvel;
namespace fs = std::filesystem;

namespace {
struct Prefix : ::testing::Test {
    TempDir d;
    std::string prefix = d.path() + "wine prefix";
    std::string driveC = prefix + "/drive_c";
    std::string driveD = d.path() + "data disk";
    PrefixWinePaths wine{prefix};
    void SetUp() override {
        fs::create_directories(driveC + "/Users/Yamada/文書");
        fs::create_directories(driveC + "/Program Files/Editor");
        fs::create_directories(driveD + "/Music");
        fs::create_directories(prefix + "/dosdevices");
        fs::create_directory_symlink("../drive_c", prefix + "/dosdevices/c:");
        fs::create_directory_symlink(driveD, prefix + "/dosdevices/d:");
        std::ofstream(driveC + "/Users/Yamada/文書/Memo.TXT") << "x";
        std::ofstream(driveC + "/Program Files/Editor/Edit.exe") << "MZ";
        driveC = fs::canonical(driveC).string();
        driveD = fs::canonical(driveD).string();
    }
    std::optional<std::string> map(const std::string& windowsPath) { return mapWindowsPath(windowsPath, wine); }
};
}  // namespace

TEST_F(Prefix, DriveLettersInEitherCaseAndNamesInAnyLetterCase) {
    const std::optional<std::string> memo = driveC + "/Users/Yamada/文書/Memo.TXT";
    EXPECT_EQ(map("C:\\Users\\Yamada\\文書\\Memo.TXT"), memo);
    EXPECT_EQ(map("c:\\users\\YAMADA\\文書\\memo.txt"), memo);
    EXPECT_EQ(map("C:\\PROGRAM FILES\\editor\\EDIT.EXE"), driveC + "/Program Files/Editor/Edit.exe");
    EXPECT_EQ(map("d:\\music\\"), driveD + "/Music");
    EXPECT_EQ(map("D:\\Music\\.\\..\\Music"), driveD + "/Music");
}

TEST_F(Prefix, FoldersAndDriveRoots) {
    EXPECT_EQ(map("C:\\"), driveC);
    EXPECT_EQ(map("c:\\"), driveC);
    EXPECT_EQ(map("C:\\Users\\Yamada\\"), driveC + "/Users/Yamada");
    EXPECT_EQ(map("C:\\..\\"), driveC);   // no step above the root
}

TEST_F(Prefix, WhatLeadsNowhere) {
    EXPECT_EQ(map("C:\\Users\\Tanaka\\Memo.txt"), std::nullopt);   // a missing name
    EXPECT_EQ(map("C:\\Users\\Yamada\\文書\\Memo.TXT\\x"), std::nullopt);
    EXPECT_EQ(map("E:\\anything"), std::nullopt);                   // no such drive
    EXPECT_EQ(map("\\\\server\\share\\Memo.txt"), std::nullopt);    // UNC: no local path
    EXPECT_EQ(map("/home/yamada/Memo.txt"), std::nullopt);
    EXPECT_EQ(map("https://example.org/"), std::nullopt);
    PrefixWinePaths none(d.path() + "no prefix");
    EXPECT_EQ(mapWindowsPath("C:\\", none), std::nullopt);
}

TEST_F(Prefix, TheDefaultPrefixIsWineprefixElseDotWineInHome) {
    {
        const EnvSeam wineprefix("WINEPREFIX", prefix.c_str());
        EXPECT_EQ(mapWindowsPath("c:\\USERS"), driveC + "/Users");
    }
    const EnvSeam noWineprefix("WINEPREFIX", nullptr);
    fs::rename(prefix, d.path() + ".wine");
    const EnvSeam home("HOME", d.path().c_str());
    EXPECT_EQ(mapWindowsPath("c:\\USERS"), fs::canonical(d.path() + ".wine/drive_c/Users").string());
}

TEST(WindowsPaths, UncPathsOpenAsSmbAddresses) {
    EXPECT_TRUE(isUncPath("\\\\server\\share\\a.txt"));
    EXPECT_FALSE(isUncPath("\\\\"));
    EXPECT_FALSE(isUncPath("\\server"));
    EXPECT_EQ(uncToSmbUrl("\\\\server\\share\\dir\\a b.txt"), "smb://server/share/dir/a%20b.txt");
    EXPECT_EQ(uncToSmbUrl("\\\\nas\\共有\\"), "smb://nas/%E5%85%B1%E6%9C%89/");
}
