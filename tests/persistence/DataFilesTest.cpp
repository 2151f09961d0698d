#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TempDir.h"
#include "persistence/DataFiles.h"
#include "persistence/ItemFile.h"

using namespace sorvel;

namespace {
struct Hooks {
    int keep = 0, load = 0, save = 0;
    int32_t placedLeft = -1, placedTop = -1;
    DataFileHooks h;
    Hooks() {
        h.keepMusicPage = [this] { ++keep; };
        h.loadMusicList = [this] { ++load; };
        h.saveMusicList = [this] { ++save; };
        h.placeWindow = [this](int32_t l, int32_t t) {
            placedLeft = l;
            placedTop = t;
        };
    }
};

std::string lines(const std::string& item, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += item + "\r\n";
    return s;
}
}  // namespace

TEST(DataFiles, FreshSaveIsExactlyTheLineFormat) {
    TempDir d;
    LauncherState s;
    s.windowPosition = {1200, 900};
    s.slotPath[0] = "/opt/a,b/edit";
    s.slotPath[250] = "/hidden slot";
    s.slotUseCount[1] = -120;
    s.slotUseCount[2] = 17;
    s.musicPage = 7;
    Hooks hk;
    ASSERT_TRUE(SaveData(d.path(), s, hk.h));
    std::string expected = "\"/opt/a,b/edit\"\r\n" + lines("\"\"", 249) + "\"/hidden slot\"\r\n1200\r\n900\r\n";
    EXPECT_EQ(d.read("data.dat"), expected);
    EXPECT_EQ(d.read("lot.dat"), "0\r\n-120\r\n17\r\n" + lines("0", 248));
    EXPECT_EQ(d.read("midpage.dat"), "7\r\n");
    EXPECT_EQ(hk.save, 1);

    // Round trip, including the comma inside quotes and slot 250.
    LauncherState r;
    Hooks h2;
    LoadData(d.path(), r, h2.h);
    EXPECT_EQ(r.slotPath, s.slotPath);
    EXPECT_EQ(r.slotUseCount, s.slotUseCount);
    EXPECT_EQ(r.musicPage, 7);
    EXPECT_EQ(h2.placedLeft, 1200);
    EXPECT_EQ(h2.placedTop, 900);
    EXPECT_EQ(h2.keep, 1);
    EXPECT_EQ(h2.load, 1);
}

TEST(DataFiles, MissingFilesStillPlaceTheWindow) {
    TempDir d;
    LauncherState s;
    s.windowPosition = {15, 30};
    Hooks hk;
    LoadData(d.path(), s, hk.h);
    EXPECT_EQ(hk.placedLeft, 15);
    EXPECT_EQ(hk.keep + hk.load, 0);

    // data.dat present, lot.dat missing: midpage.dat is not read either.
    d.write("data.dat", lines("\"/a\"", 251) + "300\r\n450\r\n");
    d.write("midpage.dat", "9\r\n");
    LoadData(d.path(), s, hk.h);
    EXPECT_EQ(s.slotPath[100], "/a");
    EXPECT_EQ(s.musicPage, 0);
    EXPECT_EQ(hk.placedLeft, 300);
    EXPECT_EQ(hk.placedTop, 450);
    EXPECT_EQ(hk.load, 0);
}

TEST(DataFiles, ShortFileKeepsEarlierValues) {
    TempDir d;
    LauncherState s;
    s.slotPath[210] = "/keep";
    s.windowPosition = {60, 75};
    d.write("data.dat", lines("\"/n\"", 200));
    Hooks hk;
    LoadData(d.path(), s, hk.h);
    EXPECT_EQ(s.slotPath[199], "/n");
    EXPECT_EQ(s.slotPath[210], "/keep");
    EXPECT_EQ(hk.placedLeft, 60);
    EXPECT_EQ(hk.placedTop, 75);
}

TEST(DataFiles, SecondPassWinsAndEmptyFileIsNoFailure) {
    TempDir d;
    LauncherState s;
    d.write("data.dat", lines("\"/one\"", 251) + "1\r\n2\r\n" + lines("\"/two\"", 251) + "3\r\n4\r\n");
    d.write("lot.dat", "");
    d.write("midpage.dat", "1\r\n2\r\n300\r\n");
    Hooks hk;
    LoadData(d.path(), s, hk.h);
    EXPECT_EQ(s.slotPath[0], "/two");
    EXPECT_EQ(s.windowPosition[0], 3);
    EXPECT_EQ(s.musicPage, 300);   // out of range is used unchanged
    EXPECT_EQ(hk.load, 1);
}

TEST(DataFiles, BadInputStopsReadingQuietly) {
    TempDir d;
    Hooks hk;
    struct Case {
        const char* name;
        std::string data;
        std::string lot;
    };
    const std::string goodData = lines("\"\"", 251) + "0\r\n0\r\n";
    const std::vector<Case> cases = {
        {"word for a number", lines("\"\"", 251) + "left\r\n0\r\n", ""},
        {"beyond a Long", lines("\"\"", 251) + "99999999999\r\n0\r\n", ""},
        {"stray quote", "\"a\"b\"\r\n" + lines("\"\"", 250) + "0\r\n0\r\n", lines("1", 251)},
        {"binary bytes", std::string("\"\x01\xff\xfe\x00zz\"\r\n", 10) + lines("\"\"", 250) + "0\r\n0\r\n",
         lines("2", 251)},
        {"unterminated quote", "\"never closed", ""},
        {"one huge line", std::string(3'000'000, 'x'), ""},
        {"10 MB of passes", [] {
             std::string pass = lines("\"/x\"", 251) + "0\r\n0\r\n", all;
             while (all.size() < 10'000'000) all += pass;
             return all;
         }(), lines("3", 251)},
        {"lot word", goodData, lines("1", 100) + "lots\r\n"},
    };
    for (const auto& c : cases) {
        d.write("data.dat", c.data);
        d.write("lot.dat", c.lot);
        LauncherState s;
        s.windowPosition = {7, 8};
        hk.placedLeft = -1;
        LoadData(d.path(), s, hk.h);
        EXPECT_NE(hk.placedLeft, -1) << c.name;
    }
    // A stray quote keeps the quoted text and drops the rest of the item.
    d.write("data.dat", "\"a\"b\"\r\n" + lines("\"\"", 250) + "0\r\n0\r\n");
    d.write("lot.dat", lines("2", 251));
    LauncherState s;
    LoadData(d.path(), s, hk.h);
    EXPECT_EQ(s.slotPath[0], "a");
    EXPECT_EQ(s.slotUseCount[0], 2);
}

TEST(DataFiles, SaveGoesThroughATemporaryFile) {
    TempDir d;
    LauncherState s;
    s.slotPath[0] = "/precious";
    Hooks hk;
    ASSERT_TRUE(SaveData(d.path(), s, hk.h));
    const std::string before = d.read("data.dat");
    // A folder that cannot be written: the old files stay whole, the music
    // list is not saved, nothing else is written.
    if (::geteuid() != 0) {
        ::chmod(d.path().c_str(), 0500);
        s.slotPath[0] = "/changed";
        EXPECT_FALSE(SaveData(d.path(), s, hk.h));
        ::chmod(d.path().c_str(), 0700);
        EXPECT_EQ(d.read("data.dat"), before);
    }
    // lot.dat blocked by a directory of that name: data.dat is written,
    // midpage.dat and the music list are not.
    TempDir e;
    QDir(QString::fromStdString(e.path())).mkdir("lot.dat");
    hk.save = 0;
    EXPECT_FALSE(SaveData(e.path(), s, hk.h));
    EXPECT_TRUE(e.exists("data.dat"));
    EXPECT_FALSE(e.exists("midpage.dat"));
    EXPECT_EQ(hk.save, 0);
    // No temporary files are left behind.
    EXPECT_EQ(QDir(QString::fromStdString(e.path())).entryList(QDir::Files).size(), 1);
}

TEST(ItemReader, NumbersAndTexts) {
    ItemReader r("  \"a,b\" , plain text ,12, -3 ,+4,1.5,2.5e1\r\n\r\nlast");
    std::string t;
    int64_t n = 0;
    ASSERT_TRUE(r.readText(t));
    EXPECT_EQ(t, "a,b");
    ASSERT_TRUE(r.readText(t));
    EXPECT_EQ(t, "plain text");
    ASSERT_TRUE(r.readNumber(n, -100, 100));
    EXPECT_EQ(n, 12);
    ASSERT_TRUE(r.readNumber(n, -100, 100));
    EXPECT_EQ(n, -3);
    ASSERT_TRUE(r.readNumber(n, -100, 100));
    EXPECT_EQ(n, 4);
    ASSERT_TRUE(r.readNumber(n, -100, 100));
    EXPECT_EQ(n, 2);   // 1.5 rounds half to even
    ASSERT_TRUE(r.readNumber(n, -100, 100));
    EXPECT_EQ(n, 25);
    ASSERT_TRUE(r.readText(t));
    EXPECT_EQ(t, "");   // the blank line
    ASSERT_TRUE(r.readText(t));
    EXPECT_EQ(t, "last");
    EXPECT_TRUE(r.atEnd());
    EXPECT_FALSE(r.readText(t));
    ItemReader big("40000");
    EXPECT_FALSE(big.readNumber(n, -32768, 32767));
}

TEST(ItemFile, ProgramFileAddsOneSlash) {
    EXPECT_EQ(programFile("/", "data.dat"), "/data.dat");
    EXPECT_EQ(programFile("/opt/app", "data.dat"), "/opt/app/data.dat");
    EXPECT_EQ(programFile("/opt/app/", "data.dat"), "/opt/app/data.dat");
}
