#include <gtest/gtest.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "Seam.h"
#include "TempDir.h"
#include "music/Music.h"
#include "persistence/DataFiles.h"
#include "persistence/ItemFile.h"
#include "platform/FileStore.h"

using namespace sorvel;

namespace {
struct Hooks : DataFileHost {
    int keep = 0, load = 0, save = 0;
    int32_t placedLeft = -1, placedTop = -1;
    DataFileHost& h = *this;
    // The music list these load and save, when one is given.
    std::string listFolder;
    LauncherState* listState = nullptr;
    MusicList* list = nullptr;
    void keepMusicPage() override { ++keep; }
    void loadMusicList() override {
        ++load;
        if (list) LoadMusicList(listFolder, *listState, *list);
    }
    void saveMusicList() override {
        ++save;
        if (list) SaveMusicList(listFolder, *listState, *list);
    }
    void placeWindow(int32_t l, int32_t t) override {
        placedLeft = l;
        placedTop = t;
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

TEST(DataFiles, ACountAloneGoesToLotDatWithTheTargetsOnDisk) {
    TempDir d;
    const std::string data = "\"/a\"\r\n\"/b\"\r\n" + lines("\"\"", 249) + "1500\r\n750\r\n";
    d.write("data.dat", data);
    d.write("lot.dat", "4\r\n7\r\n" + lines("0", 249));
    LauncherState s;
    Hooks hk;
    LoadData(d.path(), s, hk.h);
    s.slotUseCount[0] = 5;   // slot 0 launched
    s.slotPath[1] = "/c";    // slot 1 registered anew, not saved yet
    s.slotUseCount[1] = 1;
    ASSERT_TRUE(SaveCounts(d.path(), s));
    // Only lot.dat: today's count where the target on disk is the one held,
    // the stored one where it is not.
    EXPECT_EQ(d.read("lot.dat"), "5\r\n7\r\n" + lines("0", 249));
    EXPECT_EQ(d.read("data.dat"), data);
    EXPECT_FALSE(d.exists("midpage.dat"));
    EXPECT_EQ(hk.save, 0);
}

TEST(DataFiles, MissingFilesStillPlaceTheWindow) {
    TempDir d;
    LauncherState s;
    s.windowPosition = {15, 30};
    Hooks hk;
    LoadData(d.path(), s, hk.h);
    EXPECT_EQ(hk.placedLeft, 15);
    // The page menu step and the list of page 0 still run.
    EXPECT_EQ(hk.keep, 1);
    EXPECT_EQ(hk.load, 1);
}

TEST(DataFiles, AMissingFileNeverKeepsTheOthersFromLoading) {
    // data.dat missing: counts, page and its list are still read, and the
    // next save writes them back, not zeros.
    TempDir d;
    d.write("lot.dat", "5\r\n" + lines("1", 250));
    d.write("midpage.dat", "9\r\n");
    LauncherState s;
    s.windowPosition = {45, 60};
    Hooks hk;
    LoadData(d.path(), s, hk.h);
    EXPECT_EQ(s.slotUseCount[0], 5);
    EXPECT_EQ(s.slotUseCount[250], 1);
    EXPECT_EQ(s.musicPage, 9);
    EXPECT_EQ(hk.load, 1);
    EXPECT_EQ(hk.placedLeft, 45);
    ASSERT_TRUE(SaveData(d.path(), s, hk.h));
    EXPECT_EQ(d.read("lot.dat"), "5\r\n" + lines("1", 250));
    EXPECT_EQ(d.read("midpage.dat"), "9\r\n");
    EXPECT_FALSE(d.exists("data.dat.bad"));   // a missing file is not damaged

    // lot.dat missing: midpage.dat and the list are read all the same, and
    // the next save writes them back unchanged.
    TempDir e;
    e.write("data.dat", lines("\"/a\"", 251) + "300\r\n450\r\n");
    e.write("midpage.dat", "4\r\n");
    e.write("midlist4.dat", "\"/four.mid\"\r\n\"/more.mid\"\r\n");
    LauncherState t;
    MusicList list;
    Hooks h2;
    h2.listFolder = e.path();
    h2.listState = &t;
    h2.list = &list;
    LoadData(e.path(), t, h2.h);
    EXPECT_EQ(t.slotPath[100], "/a");
    EXPECT_EQ(t.musicPage, 4);
    EXPECT_EQ(h2.load, 1);
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(h2.placedLeft, 300);
    EXPECT_EQ(h2.placedTop, 450);
    ASSERT_TRUE(SaveData(e.path(), t, h2.h));
    EXPECT_EQ(e.read("midpage.dat"), "4\r\n");
    EXPECT_EQ(e.read("midlist4.dat"), "\"/four.mid\"\r\n\"/more.mid\"\r\n");
    EXPECT_FALSE(e.exists("midlist.dat"));
    EXPECT_FALSE(e.exists("lot.dat.bad"));
}

TEST(DataFiles, ShortFileKeepsEarlierValuesAndItsBytes) {
    TempDir d;
    LauncherState s;
    s.slotPath[210] = "/keep";
    s.windowPosition = {60, 75};
    const std::string shortData = lines("\"/n\"", 200);
    d.write("data.dat", shortData);
    d.write("lot.dat", lines("3", 251));
    Hooks hk;
    LoadData(d.path(), s, hk.h);
    EXPECT_EQ(s.slotPath[199], "/n");
    EXPECT_EQ(s.slotPath[210], "/keep");
    EXPECT_EQ(s.slotUseCount[7], 3);   // the next file is read all the same
    EXPECT_EQ(hk.placedLeft, 60);
    EXPECT_EQ(hk.placedTop, 75);

    // The first save keeps the cut-short file as data.dat.bad, says so on
    // stderr, and writes a whole new data.dat; lot.dat was fine.
    testing::internal::CaptureStderr();
    ASSERT_TRUE(SaveData(d.path(), s, hk.h));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(d.read("data.dat.bad"), shortData);
    EXPECT_NE(err.find("data.dat.bad"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(d.read("data.dat"), encodeDataDat(s));
    EXPECT_FALSE(d.exists("lot.dat.bad"));
    // Only the first save keeps a copy.
    ASSERT_TRUE(SaveData(d.path(), s, hk.h));
    EXPECT_FALSE(d.exists("data.dat.bad2"));

    // A later damage does not overwrite the earlier copy.
    d.write("data.dat", "\"cut");
    LoadData(d.path(), s, hk.h);
    ASSERT_TRUE(SaveData(d.path(), s, hk.h));
    EXPECT_EQ(d.read("data.dat.bad"), shortData);
    EXPECT_EQ(d.read("data.dat.bad2"), "\"cut");
}

TEST(DataFiles, OnePassAndOneMoreItemKeepsTheSecondSlot) {
    TempDir d;
    LauncherState s;
    d.write("data.dat", "\"/first\"\r\n\"/second\"\r\n" + lines("\"/x\"", 249) + "10\r\n20\r\n\"/extra\"\r\n");
    Hooks hk;
    LoadData(d.path(), s, hk.h);
    EXPECT_EQ(s.slotPath[0], "/extra");    // read before the failure
    EXPECT_EQ(s.slotPath[1], "/second");   // the failed item keeps its value
    EXPECT_EQ(s.windowPosition[0], 10);
    EXPECT_EQ(hk.placedTop, 20);
    // The save keeps the old bytes and writes slot 1 back as it was.
    const std::string old = d.read("data.dat");
    testing::internal::CaptureStderr();
    ASSERT_TRUE(SaveData(d.path(), s, hk.h));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(d.read("data.dat.bad"), old);
    LauncherState r;
    LoadData(d.path(), r, hk.h);
    EXPECT_EQ(r.slotPath[0], "/extra");
    EXPECT_EQ(r.slotPath[1], "/second");
    EXPECT_EQ(r.windowPosition[1], 20);
}

TEST(DataFiles, GarbageInEachFileIsKeptAsBad) {
    TempDir d;
    const std::string data = lines("\"/p\"", 251) + "1\r\n2\r\n";
    const std::string lotGarbage = lines("4", 10) + "\x01\x02garbage\r\n";
    const std::string pageGarbage = "12\r\nnot a page\r\n";
    d.write("data.dat", data);
    d.write("lot.dat", lotGarbage);
    d.write("midpage.dat", pageGarbage);
    LauncherState s;
    Hooks hk;
    LoadData(d.path(), s, hk.h);
    EXPECT_EQ(s.slotPath[250], "/p");
    EXPECT_EQ(s.slotUseCount[9], 4);
    EXPECT_EQ(s.slotUseCount[10], 0);
    EXPECT_EQ(s.musicPage, 12);
    EXPECT_EQ(hk.load, 1);
    ASSERT_TRUE(SaveData(d.path(), s, hk.h));
    EXPECT_FALSE(d.exists("data.dat.bad"));
    EXPECT_EQ(d.read("lot.dat.bad"), lotGarbage);
    EXPECT_EQ(d.read("midpage.dat.bad"), pageGarbage);
    EXPECT_EQ(d.read("midpage.dat"), "12\r\n");

    // A stray quote reads best effort but the file is kept, and the text
    // the file cannot hold is not written back.
    TempDir e;
    const std::string odd = "say \"hi\r\n" + lines("\"\"", 250) + "0\r\n0\r\n";
    e.write("data.dat", odd);
    LauncherState t;
    LoadData(e.path(), t, hk.h);
    EXPECT_EQ(t.slotPath[0], "say \"hi");
    ASSERT_TRUE(SaveData(e.path(), t, hk.h));
    EXPECT_EQ(e.read("data.dat.bad"), odd);
    EXPECT_EQ(e.read("data.dat"), lines("\"\"", 251) + "0\r\n0\r\n");
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
    // lot.dat blocked by a directory of that name: the save says it failed,
    // but data.dat, midpage.dat and the music list are still written.
    TempDir e;
    QDir(QString::fromStdString(e.path())).mkdir("lot.dat");
    hk.save = 0;
    EXPECT_FALSE(SaveData(e.path(), s, hk.h));
    EXPECT_EQ(e.read("data.dat"), encodeDataDat(s));
    EXPECT_EQ(e.read("midpage.dat"), encodeMidpageDat(s));
    EXPECT_EQ(hk.save, 1);
    // No temporary files are left behind.
    EXPECT_EQ(QDir(QString::fromStdString(e.path())).entryList(QDir::Files).size(), 2);
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

namespace {
ssize_t diskFull(int, const void*, size_t) {
    errno = ENOSPC;
    return -1;
}
int g_writesLeft = 0;
ssize_t fullAfterSome(int fd, const void* b, size_t n) {
    if (g_writesLeft-- <= 0) return diskFull(fd, b, n);
    return ::write(fd, b, n);
}
int g_failuresLeft = 0;
ssize_t fullForSome(int fd, const void* b, size_t n) {
    if (g_failuresLeft-- > 0) return diskFull(fd, b, n);
    return ::write(fd, b, n);
}
}  // namespace

TEST(DataFiles, FullDiskKeepsTheOldFilesAndMemory) {
    TempDir d;
    LauncherState s;
    s.slotPath[3] = "/old";
    s.slotUseCount[3] = 8;
    s.slotPath[4] = "/kept";
    s.slotUseCount[4] = 1;
    s.musicPage = 2;
    Hooks hk;
    ASSERT_TRUE(SaveData(d.path(), s, hk.h));
    const std::string data = d.read("data.dat"), lot = d.read("lot.dat"), page = d.read("midpage.dat");

    LauncherState changed = s;
    changed.slotPath[3] = "/new";
    changed.slotUseCount[3] = 0;
    changed.musicPage = 5;
    const LauncherState before = changed;
    hk.save = 0;
    std::string err;
    {
        const SetSeam<WriteCall> full(setWriteCall, diskFull);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(SaveData(d.path(), changed, hk.h));
        err = testing::internal::GetCapturedStderr();
    }
    EXPECT_EQ(d.read("data.dat"), data);
    EXPECT_EQ(d.read("lot.dat"), lot);
    EXPECT_EQ(d.read("midpage.dat"), page);
    EXPECT_EQ(hk.save, 1);   // the music list is still tried
    EXPECT_EQ(changed.slotPath, before.slotPath);
    EXPECT_EQ(changed.slotUseCount, before.slotUseCount);
    EXPECT_EQ(changed.musicPage, before.musicPage);
    // One line for each file that was not saved, naming it.
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 3) << err;
    for (const char* name : {"data.dat", "lot.dat", "midpage.dat"})
        EXPECT_NE(err.find(d.file(name)), std::string::npos) << err;
    EXPECT_EQ(QDir(QString::fromStdString(d.path())).entryList(QDir::Files).size(), 3);   // no temporaries

    // The disk fills up after data.dat: it is written, the rest stays old.
    g_writesLeft = 1;
    std::string err2;
    {
        const SetSeam<WriteCall> full(setWriteCall, fullAfterSome);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(SaveData(d.path(), changed, hk.h));
        err2 = testing::internal::GetCapturedStderr();
    }
    EXPECT_EQ(d.read("data.dat"), encodeDataDat(changed));
    EXPECT_EQ(d.read("lot.dat"), lot);
    EXPECT_EQ(d.read("midpage.dat"), page);
    EXPECT_NE(err2.find(d.file("lot.dat")), std::string::npos) << err2;

    // Only data.dat fails after a registration and more uses: lot.dat keeps
    // the stored count of the slot registered anew (its old target stays on
    // disk) and takes today's count of the unchanged slot; the page and the
    // list are saved.
    TempDir e;
    ASSERT_TRUE(SaveData(e.path(), s, hk.h));
    changed.slotUseCount[4] = 5;
    hk.save = 0;
    g_failuresLeft = 1;
    std::string err3;
    {
        const SetSeam<WriteCall> full(setWriteCall, fullForSome);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(SaveData(e.path(), changed, hk.h));
        err3 = testing::internal::GetCapturedStderr();
    }
    EXPECT_EQ(e.read("data.dat"), data);
    LauncherState counted = s;
    counted.slotUseCount[4] = 5;
    EXPECT_EQ(e.read("lot.dat"), encodeLotDat(counted));
    EXPECT_EQ(e.read("midpage.dat"), encodeMidpageDat(changed));
    EXPECT_EQ(hk.save, 1);
    EXPECT_EQ(std::count(err3.begin(), err3.end(), '\n'), 1) << err3;
    EXPECT_NE(err3.find(e.file("data.dat")), std::string::npos) << err3;
}

TEST(DataFiles, SymlinkedFilesStayLinks) {
    TempDir d, synced;
    synced.write("data.dat", "old");
    ASSERT_EQ(::symlink(synced.file("data.dat").c_str(), d.file("data.dat").c_str()), 0);
    // A relative link, and one whose target does not exist yet.
    ASSERT_EQ(::symlink("sub/lot.dat", d.file("lot.dat").c_str()), 0);
    QDir(QString::fromStdString(d.path())).mkdir("sub");
    ASSERT_EQ(::symlink(synced.file("page.dat").c_str(), d.file("midpage.dat").c_str()), 0);
    LauncherState s;
    s.slotPath[0] = "/synced";
    s.slotUseCount[0] = 6;
    s.musicPage = 3;
    Hooks hk;
    ASSERT_TRUE(SaveData(d.path(), s, hk.h));
    struct stat st {};
    for (const char* n : {"data.dat", "lot.dat", "midpage.dat"}) {
        ASSERT_EQ(::lstat(d.file(n).c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << n;
    }
    EXPECT_EQ(synced.read("data.dat"), encodeDataDat(s));
    EXPECT_EQ(d.read("sub/lot.dat"), encodeLotDat(s));
    EXPECT_EQ(synced.read("page.dat"), "3\r\n");
    // Read back through the links; no temporary files anywhere.
    LauncherState r;
    LoadData(d.path(), r, hk.h);
    EXPECT_EQ(r.slotPath[0], "/synced");
    EXPECT_EQ(r.slotUseCount[0], 6);
    EXPECT_EQ(QDir(QString::fromStdString(synced.path())).entryList(QDir::Files).size(), 2);
    EXPECT_EQ(QDir(QString::fromStdString(d.path() + "sub")).entryList(QDir::Files).size(), 1);

    // A damaged linked file is kept as NAME.bad beside the link.
    synced.write("data.dat", "\"cut");
    LoadData(d.path(), r, hk.h);
    ASSERT_TRUE(SaveData(d.path(), r, hk.h));
    EXPECT_EQ(d.read("data.dat.bad"), "\"cut");
    ASSERT_EQ(::lstat(d.file("data.dat").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST(DataFiles, AFifoUnderADataFileNameNeitherHangsNorIsReplaced) {
    TempDir d;
    d.write("data.dat", lines("\"/a\"", 251) + "5\r\n6\r\n");
    ASSERT_EQ(::mkfifo(d.file("lot.dat").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(d.file("midpage.dat").c_str(), 0600), 0);
    std::fflush(nullptr);
    // In a child, so that a hanging open fails the test instead of hanging it.
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::alarm(20);
        LauncherState s;
        s.slotUseCount[0] = 9;
        DataFileHost none;
        LoadData(d.path(), s, none);
        if (s.slotPath[0] != "/a" || s.slotUseCount[0] != 9) ::_exit(2);
        s.slotPath[0] = "/b";
        ::_exit(SaveData(d.path(), s, none) ? 3 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "loading hung on a FIFO";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // data.dat is saved; the FIFOs are left as they were, with no copies.
    EXPECT_EQ(d.read("data.dat").substr(0, 5), "\"/b\"\r");
    struct stat st {};
    for (const char* n : {"lot.dat", "midpage.dat"}) {
        ASSERT_EQ(::lstat(d.file(n).c_str(), &st), 0) << n;
        EXPECT_TRUE(S_ISFIFO(st.st_mode)) << n;
        EXPECT_FALSE(d.exists(std::string(n) + ".bad")) << n;
    }
}

TEST(DataFiles, LeftoverTemporariesAreRemovedAtLoad) {
    TempDir d;
    d.write("data.dat.tmp-a1B2c3", "half");
    d.write("midlist7.dat.tmp-XyZ123", "half");
    d.write("notes.txt.tmp-abcdef", "mine");
    d.write("data.dat.tmp-toolong1", "mine");
    d.write("score.dat.tmp-abc123", "another program's");
    LauncherState s;
    Hooks hk;
    LoadData(d.path(), s, hk.h);
    EXPECT_FALSE(d.exists("data.dat.tmp-a1B2c3"));
    EXPECT_FALSE(d.exists("midlist7.dat.tmp-XyZ123"));
    EXPECT_TRUE(d.exists("notes.txt.tmp-abcdef"));
    EXPECT_TRUE(d.exists("data.dat.tmp-toolong1"));
    EXPECT_TRUE(d.exists("score.dat.tmp-abc123"));
}

TEST(ItemReader, FailedReadLeavesTheTargetAndFlagsLossyItems) {
    ItemReader r("\"a\"");
    std::string t = "kept";
    ASSERT_TRUE(r.readText(t));
    EXPECT_FALSE(r.lossy());
    t = "kept";
    EXPECT_FALSE(r.readText(t));
    EXPECT_EQ(t, "kept");
    for (const char* odd : {"\"open", "\"a\"b", "a\"b", "\"two\r\nlines\""}) {
        ItemReader q(odd);
        ASSERT_TRUE(q.readText(t)) << odd;
        EXPECT_TRUE(q.lossy()) << odd;
    }
    ItemReader fine("  \"a,b\" , plain ,\"\"\r\n");
    while (fine.readText(t)) {
    }
    EXPECT_FALSE(fine.lossy());
}

TEST(DataFiles, AByteOrderMarkIsNoPartOfTheFirstItem) {
    const std::string bom = "\xEF\xBB\xBF";
    TempDir d;
    d.write("data.dat", bom + "\"/first\"\r\n" + lines("\"\"", 250) + "15\r\n30\r\n");
    d.write("lot.dat", bom + lines("4", 251));
    d.write("midpage.dat", bom + "5\r\n");
    LauncherState s;
    Hooks hk;
    LoadData(d.path(), s, hk.h);
    EXPECT_EQ(s.slotPath[0], "/first");
    EXPECT_EQ(s.windowPosition[1], 30);
    EXPECT_EQ(s.slotUseCount[0], 4);
    EXPECT_EQ(s.slotUseCount[250], 4);
    EXPECT_EQ(s.musicPage, 5);
    ASSERT_TRUE(SaveData(d.path(), s, hk.h));
    // Written back without the mark, and no damage was noted.
    EXPECT_EQ(d.read("data.dat"), encodeDataDat(s));
    EXPECT_EQ(d.read("lot.dat"), lines("4", 251));
    EXPECT_EQ(d.read("midpage.dat"), "5\r\n");
    for (const char* n : {"data.dat.bad", "lot.dat.bad", "midpage.dat.bad"}) EXPECT_FALSE(d.exists(n)) << n;
    // Only at the very start: a mark later on is text like any other.
    bool lossy = true;
    EXPECT_EQ(readListEntries(bom + "\"/a.mid\"\r\n", &lossy), (std::vector<std::string>{"/a.mid"}));
    EXPECT_FALSE(lossy);
    EXPECT_EQ(readListEntries("x\r\n" + bom + "y\r\n"), (std::vector<std::string>{"x", bom + "y"}));
}

TEST(DataFiles, AnOutsideEditIsKeptBeforeTheSave) {
    TempDir d;
    LauncherState s;
    Hooks hk;
    ASSERT_TRUE(SaveData(d.path(), s, hk.h));
    LoadData(d.path(), s, hk.h);
    // Another program (an editor, a sync tool) writes data.dat meanwhile.
    const std::string edited = lines("\"/edited\"", 251) + "0\r\n0\r\n";
    d.write("data.dat.new", edited);
    ASSERT_EQ(::rename(d.file("data.dat.new").c_str(), d.file("data.dat").c_str()), 0);
    s.slotPath[1] = "/mine";
    testing::internal::CaptureStderr();
    ASSERT_TRUE(SaveData(d.path(), s, hk.h));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(d.read("data.dat.outside"), edited);
    EXPECT_EQ(d.read("data.dat"), encodeDataDat(s));
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find(d.file("data.dat.outside")), std::string::npos) << err;
    // The files this launcher wrote itself are not copied.
    EXPECT_FALSE(d.exists("lot.dat.outside"));
    EXPECT_FALSE(d.exists("midpage.dat.outside"));
    testing::internal::CaptureStderr();
    ASSERT_TRUE(SaveData(d.path(), s, hk.h));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(d.exists("data.dat.outside2"));
}

namespace {
int ownerMayWrite(const char* path) {
    struct stat st {};
    if (::stat(path, &st) != 0) return -1;
    if (st.st_mode & S_IWUSR) return 0;
    errno = EACCES;
    return -1;
}
}  // namespace

TEST(DataFiles, AReadOnlyDataDatSurvivesASaveOfEmptySlots) {
    // As a normal user (root may write anything): the user made data.dat
    // read-only; a save of emptied slots, as a reset makes, leaves it whole.
    const SetSeam<AccessCall> asUser(setAccessCall, ownerMayWrite);
    TempDir d;
    LauncherState s;
    s.slotPath[7] = "/kept";
    s.slotUseCount[7] = 3;
    Hooks hk;
    ASSERT_TRUE(SaveData(d.path(), s, hk.h));
    LoadData(d.path(), s, hk.h);
    const std::string data = d.read("data.dat");
    ASSERT_EQ(::chmod(d.file("data.dat").c_str(), 0444), 0);
    LauncherState reset;
    reset.musicPage = 4;
    hk.save = 0;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(SaveData(d.path(), reset, hk.h));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(d.read("data.dat"), data);
    struct stat st {};
    ASSERT_EQ(::stat(d.file("data.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_NE(err.find(d.file("data.dat")), std::string::npos) << err;
    // The other files are saved; the counts stay with the targets on disk.
    EXPECT_EQ(d.read("midpage.dat"), "4\r\n");
    EXPECT_EQ(d.read("lot.dat"), encodeLotDat(s));
    EXPECT_EQ(hk.save, 1);
    EXPECT_FALSE(d.exists("data.dat.bad"));
    EXPECT_FALSE(d.exists("data.dat.outside"));
}
