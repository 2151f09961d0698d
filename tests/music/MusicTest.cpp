#include <gtest/gtest.h>
#include <algorithm>
#include <QFileInfo>
#include <unistd.h>
#include <sys/stat.h>

#include "TempDir.h"
#include "music/FakeMusicPanel.h"
#include "music/Music.h"
#include "platform/Fakes.h"

using namespace sorvel;

namespace {
struct Jukebox : ::testing::Test {
    TempDir dir;
    LauncherState s;
    MusicList list;
    FakeMci mci;
    FakeMusicPanel v;
    std::unique_ptr<MusicController> m;
    int saves = 0;
    int& reds = v.reds;
    bool& listVisible = v.visible;
    bool& fileNameOnly = v.nameOnly;
    std::string& trackName = v.trackName;
    std::string& trackNumber = v.trackNumber;
    std::string& pageCaption = v.pageCaption;
    std::string dialogAnswer;   // what the file dialog answers
    Jukebox() {
        v.onSaveData = [this] {
            ++saves;
            m->saveList();
        };
        v.onMidiDialog = [this] {
            EXPECT_EQ(s.fileDialogValue, "mid");
            s.fileDialogValue = dialogAnswer;
        };
        m = std::make_unique<MusicController>(s, list, mci, dir.path(), v);
        list.onClick = [this] { m->listClick(); };
    }
    void add(const std::string& answer) {
        dialogAnswer = answer;
        m->selectMid();
    }
    void good(std::initializer_list<std::string> paths) {
        for (const auto& p : paths) mci.good[p] = true;
    }
    std::vector<std::string> items() const { return list.items(); }
};
}  // namespace

TEST_F(Jukebox, SeveralFilesGoOnTopInReverseAndTheLastPlays) {
    good({"/Music/A.MID", "/Music/B.mid"});
    add("/Music/A.MID B.mid");
    EXPECT_EQ(items(), (std::vector<std::string>{"/Music/B.mid", "/Music/A.MID"}));
    EXPECT_EQ(list.selected(), 0);
    EXPECT_EQ(s.currentMusicPath, "/Music/B.mid");
    EXPECT_EQ(mci.openPath, "/Music/B.mid");
    EXPECT_EQ(s.musicPlaying, 1);
    EXPECT_EQ(reds, 1);
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(dir.read("midlist.dat"), "\"/Music/B.mid\"\r\n\"/Music/A.MID\"\r\n");
    EXPECT_EQ(trackNumber, "1/2");
}

TEST_F(Jukebox, DuplicatesMoveToTheTopAndEndingsInAnyCase) {
    mci.openAnything = true;
    add("/m/a.mid b.Mid");
    add("/m/c.mId a.mid");
    EXPECT_EQ(items(), (std::vector<std::string>{"/m/a.mid", "/m/c.mId", "/m/b.Mid"}));
    // A ".midi" file is added under its own name, and plays.
    list.clear();
    mci.openAnything = false;
    good({"/m/x.midi", "/m/y.mid", "/m/z.MIDI"});
    add("/m/x.midi y.mid z.MIDI");
    EXPECT_EQ(items(), (std::vector<std::string>{"/m/z.MIDI", "/m/y.mid", "/m/x.midi"}));
    EXPECT_EQ(mci.openPath, "/m/z.MIDI");
    mci.openAnything = true;
    // Text after the last ".mid" without one of its own is ignored.
    list.clear();
    add("/m/a.mid notes.txt");
    EXPECT_EQ(items(), (std::vector<std::string>{"/m/a.mid"}));
}

TEST_F(Jukebox, ListsOutOfReachAreKeptOnlyGoneFilesLeave) {
    // A list on a stick that is not plugged in, beside a file that is gone
    // from a folder that is there and one that is no MIDI file.
    const std::vector<std::string> entries{"/media/stick/a.mid", "/home/u/gone.mid", "/media/stick/b.mid",
                                           "/home/u/text.mid", "/home/u/ok.mid"};
    mci.unreachable = {"/media/stick/a.mid", "/media/stick/b.mid"};
    mci.notMidi = {"/home/u/text.mid"};
    good({"/home/u/ok.mid"});
    for (const auto& e : entries) list.append(e);
    m->saveList();
    testing::internal::CaptureStderr();
    list.select(0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(mci.openPath, "/home/u/ok.mid");
    EXPECT_EQ(s.musicPlaying, 1);
    EXPECT_EQ(items(), (std::vector<std::string>{"/media/stick/a.mid", "/media/stick/b.mid", "/home/u/ok.mid"}));
    EXPECT_EQ(dir.read("midlist.dat"), "\"/media/stick/a.mid\"\r\n\"/media/stick/b.mid\"\r\n\"/home/u/ok.mid\"\r\n");
    EXPECT_NE(err.find("/media/stick/a.mid"), std::string::npos) << err;
    EXPECT_NE(err.find("/media/stick/b.mid"), std::string::npos) << err;

    // Nothing within reach: one pass round the list, then silence; the list
    // and its file stay as they were, and each entry is told of once a run.
    m->stop();
    mci.unreachable = {"/media/stick/a.mid", "/media/stick/b.mid", "/home/u/ok.mid", "c:\\music\\x.mid"};
    list.insertTop("c:\\music\\x.mid");
    m->saveList();
    const std::string before = dir.read("midlist.dat");
    const size_t opensBefore = std::count_if(mci.sent.begin(), mci.sent.end(),
                                             [](const std::string& c) { return c.rfind("open", 0) == 0; });
    testing::internal::CaptureStderr();
    list.select(1);
    const std::string err2 = testing::internal::GetCapturedStderr();
    const size_t opens = std::count_if(mci.sent.begin(), mci.sent.end(),
                                       [](const std::string& c) { return c.rfind("open", 0) == 0; }) - opensBefore;
    EXPECT_EQ(opens, 4u) << "each entry tried once";
    EXPECT_EQ(s.musicPlaying, 0);
    EXPECT_EQ(list.count(), 4);
    EXPECT_EQ(dir.read("midlist.dat"), before);
    EXPECT_EQ(err2.find("/media/stick/a.mid"), std::string::npos) << "told once a run: " << err2;
    EXPECT_NE(err2.find("c:\\music\\x.mid"), std::string::npos) << err2;
}

TEST_F(Jukebox, CancelAndCloseBoxAddNothingButSave) {
    add("");
    EXPECT_TRUE(items().empty());
    EXPECT_EQ(s.currentMusicPath, "");
    add("mid");   // the close box leaves the request
    EXPECT_TRUE(items().empty());
    EXPECT_EQ(s.currentMusicPath, "mid");
    EXPECT_EQ(saves, 2);
}

TEST_F(Jukebox, FilesAtTheRootFolder) {
    mci.openAnything = true;
    add("/a.mid");
    EXPECT_EQ(items(), (std::vector<std::string>{"/a.mid"}));
}

TEST_F(Jukebox, DeleteLastAndOnlyEntry) {
    good({"/m/a.mid", "/m/b.mid", "/m/c.mid"});
    add("/m/a.mid b.mid c.mid");   // c b a
    list.select(2);
    m->deleteEntry();
    EXPECT_EQ(items(), (std::vector<std::string>{"/m/c.mid", "/m/b.mid"}));
    EXPECT_EQ(list.selected(), 1);
    EXPECT_EQ(s.currentMusicPath, "");
    EXPECT_EQ(s.musicPlaying, 0);
    EXPECT_FALSE(mci.open);
    list.clear();
    add("/m/a.mid");
    m->deleteEntry();
    EXPECT_TRUE(items().empty());
    EXPECT_EQ(list.selected(), -1);
    // Delete with nothing selected changes nothing.
    const int before = saves;
    m->deleteEntry();
    EXPECT_EQ(saves, before);
}

TEST_F(Jukebox, PlayPatternsAtTheEndOfATrack) {
    good({"/m/1.mid", "/m/2.mid"});
    add("/m/2.mid 1.mid");   // 1 on top, playing
    ASSERT_EQ(mci.openPath, "/m/1.mid");

    m->choosePattern("単連");
    mci.endTrack();
    mci.sent.clear();
    m->poll();
    EXPECT_EQ(mci.sent, (std::vector<std::string>{"status bgm mode", "play bgm from 0"}));
    EXPECT_EQ(s.musicPlaying, 1);

    m->choosePattern("単曲");
    mci.endTrack();
    m->poll();
    EXPECT_EQ(s.musicPlaying, 0);
    EXPECT_FALSE(mci.open);
    EXPECT_EQ(list.selected(), 0);

    m->choosePattern("連曲");
    m->play();
    mci.endTrack();
    m->poll();
    EXPECT_EQ(list.selected(), 1);
    EXPECT_EQ(mci.openPath, "/m/2.mid");
    mci.endTrack();
    m->poll();   // end of the list: Stop
    EXPECT_EQ(s.musicPlaying, 0);
    EXPECT_EQ(list.selected(), 1);

    m->choosePattern("繰返");
    m->play();
    mci.endTrack();
    m->poll();   // wraps to the first entry
    EXPECT_EQ(list.selected(), 0);
    EXPECT_EQ(mci.openPath, "/m/1.mid");
    EXPECT_EQ(s.musicPlaying, 1);
    // A playing device is left alone.
    mci.sent.clear();
    m->poll();
    EXPECT_EQ(mci.sent, (std::vector<std::string>{"status bgm mode"}));
}

TEST_F(Jukebox, RepeatWithOneEntryPlaysItAgain) {
    good({"/m/only.mid"});
    add("/m/only.mid");
    mci.endTrack();
    m->poll();
    EXPECT_EQ(s.musicPlaying, 1);
    EXPECT_TRUE(mci.playing);
}

TEST_F(Jukebox, BrokenEntryInTheMiddleIsSkippedAndRemoved) {
    good({"/m/1.mid", "/m/3.mid"});
    add("/m/3.mid 2.mid 1.mid");   // 1 2 3, 1 playing
    m->choosePattern("連曲");
    mci.endTrack();
    m->poll();   // 2 fails to open: removed, 3 plays
    EXPECT_EQ(items(), (std::vector<std::string>{"/m/1.mid", "/m/3.mid"}));
    EXPECT_EQ(mci.openPath, "/m/3.mid");
    EXPECT_TRUE(mci.playing);
    EXPECT_EQ(s.musicPlaying, 1);
    EXPECT_EQ(dir.read("midlist.dat"), "\"/m/1.mid\"\r\n\"/m/3.mid\"\r\n");
}

TEST_F(Jukebox, AllBrokenEntriesEndTheChain) {
    add("/m/x.mid y.mid");
    EXPECT_TRUE(items().empty());
    EXPECT_EQ(s.musicPlaying, 0);
}

TEST_F(Jukebox, PlayNeverRemovesAnEntryThatWasNotTried) {
    good({"/m/a.mid", "/m/b.mid"});
    add("/m/a.mid b.mid");
    m->stop();
    s.currentMusicPath = "";   // as after a Delete or a cancelled dialog
    m->play();
    EXPECT_EQ(items().size(), 2u);
    EXPECT_EQ(mci.openPath, "/m/b.mid");   // the selected entry plays
    // Nothing selected and nothing that opens: nothing removed, no playback.
    list.select(-1);
    m->stop();
    s.currentMusicPath = "/gone.mid";
    m->play();
    EXPECT_EQ(items().size(), 2u);
    EXPECT_EQ(s.musicPlaying, 0);
}

TEST_F(Jukebox, PlayWithEmptyListOrNothingSelected) {
    trackName = "old";
    m->play();
    EXPECT_EQ(s.musicPlaying, 0);
    EXPECT_EQ(trackName, "old");   // display not refreshed
    good({"/m/a.mid", "/m/b.mid"});
    add("/m/a.mid b.mid");
    m->stop();
    list.select(-1);
    s.currentMusicPath = "/m/a.mid";
    m->play();   // plays, then selects entry 0 which plays it from the start
    EXPECT_EQ(list.selected(), 0);
    EXPECT_EQ(mci.openPath, "/m/b.mid");
}

TEST_F(Jukebox, TrackDisplay) {
    good({"/music/song.mid"});
    add("/music/song.mid");
    EXPECT_EQ(trackName, "/music/song.mid");
    fileNameOnly = true;
    m->fname();
    EXPECT_EQ(trackName, "song.mid");
    s.currentMusicPath = "";
    m->fname();
    EXPECT_EQ(trackName, "song.mid");   // keeps the old text
    fileNameOnly = false;
    m->fname();
    EXPECT_EQ(trackName, "");
    list.select(-1);
    m->fname();
    EXPECT_EQ(trackNumber, "0/1");
}

TEST_F(Jukebox, PagesFavouritesAndFiles) {
    good({"/m/a.mid", "/m/b.mid"});
    add("/m/a.mid b.mid");   // page 0: b a
    m->pageMenu(0);          // page 0 stays page 0
    EXPECT_EQ(s.musicPage, 0);
    EXPECT_EQ(items().size(), 2u);
    EXPECT_EQ(list.selected(), -1);   // a loaded list has no selection

    list.select(1);   // a plays
    m->favo();
    EXPECT_EQ(s.favouritesMode, 0);
    EXPECT_EQ(list.selected(), 1);
    EXPECT_EQ(dir.read("midlistf.dat"), "\"/m/a.mid\"\r\n");

    m->pageMenu(1);
    EXPECT_EQ(s.musicPage, 1);
    EXPECT_EQ(pageCaption, "2P");
    EXPECT_TRUE(items().empty());
    EXPECT_EQ(mci.openPath, "/m/a.mid");   // a page change does not stop the music
    EXPECT_TRUE(mci.playing);

    m->pageMenu(3);   // favourites
    EXPECT_EQ(s.favouritesMode, 1);
    EXPECT_EQ(items(), (std::vector<std::string>{"/m/a.mid"}));
    m->pageMenu(3);   // and back, saving the favourites on the way
    EXPECT_EQ(s.favouritesMode, 0);
    EXPECT_EQ(s.musicPage, 1);

    s.musicPage = 250;
    m->pageMenu(1);
    EXPECT_EQ(s.musicPage, 250);
    EXPECT_EQ(pageCaption, "251P");
    EXPECT_TRUE(dir.exists("midlist250.dat"));
    m->pageMenu(2);   // keep: nothing saved or loaded
}

TEST_F(Jukebox, FavoWithNothingSelectedEndsOnThePageList) {
    mci.openAnything = true;
    add("/m/a.mid");
    list.select(-1);
    m->favo();
    EXPECT_EQ(s.favouritesMode, 0);
    EXPECT_EQ(items(), (std::vector<std::string>{"/m/a.mid"}));
    EXPECT_FALSE(dir.exists("midlistf.dat"));
}

TEST(MusicListFiles, NamesAndFormat) {
    TempDir d;
    EXPECT_EQ(musicListPath("/p/", 0, 0), "/p/midlist.dat");
    EXPECT_EQ(musicListPath("/p/", -3, 0), "/p/midlist.dat");
    EXPECT_EQ(musicListPath("/p/", 7, 0), "/p/midlist7.dat");
    EXPECT_EQ(musicListPath("/p/", 7, 1), "/p/midlistf.dat");
    EXPECT_EQ(musicListPath("/", 300, 0), "/midlist300.dat");
    LauncherState s;
    MusicList l;
    ASSERT_TRUE(SaveMusicList(d.path(), s, l));
    EXPECT_EQ(d.read("midlist.dat"), "");
    l.append("/a.mid");
    l.append("");
    l.append("/b c.mid");
    ASSERT_TRUE(SaveMusicList(d.path(), s, l));
    EXPECT_EQ(d.read("midlist.dat"), "\"/a.mid\"\r\n\"/b c.mid\"\r\n");
    MusicList r;
    LoadMusicList(d.path(), s, r);
    EXPECT_EQ(r.items(), (std::vector<std::string>{"/a.mid", "/b c.mid"}));
    d.write("midlist.dat", "\"x,y.mid\", plain.mid \r\n");
    LoadMusicList(d.path(), s, r);
    EXPECT_EQ(r.items(), (std::vector<std::string>{"x,y.mid", "plain.mid"}));

    // A list kept elsewhere through a link: the save writes the target and
    // the link stays.
    TempDir synced;
    synced.write("seven.dat", "\"/old.mid\"\r\n");
    ASSERT_EQ(::symlink(synced.file("seven.dat").c_str(), d.file("midlist7.dat").c_str()), 0);
    s.musicPage = 7;
    LoadMusicList(d.path(), s, r);
    r.insertTop("/new.mid");
    ASSERT_TRUE(SaveMusicList(d.path(), s, r));
    struct stat st {};
    ASSERT_EQ(::lstat(d.file("midlist7.dat").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(synced.read("seven.dat"), "\"/new.mid\"\r\n\"/old.mid\"\r\n");
}

TEST(MusicListFiles, DamagedListsAreKeptAndUnreadableOnesNeverEmptied) {
    TempDir d;
    LauncherState s;
    MusicList l;
    // Text after a closing quote: read best effort, the old bytes are kept
    // as midlist.dat.bad at the first save.
    const std::string odd = "\"/a.mid\"junk\r\n\"/b.mid\"\r\n";
    d.write("midlist.dat", odd);
    LoadMusicList(d.path(), s, l);
    EXPECT_EQ(l.items(), (std::vector<std::string>{"/a.mid", "/b.mid"}));
    testing::internal::CaptureStderr();
    ASSERT_TRUE(SaveMusicList(d.path(), s, l));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("midlist.dat.bad"), std::string::npos);
    EXPECT_EQ(d.read("midlist.dat.bad"), odd);
    EXPECT_EQ(d.read("midlist.dat"), "\"/a.mid\"\r\n\"/b.mid\"\r\n");

    // A list file over the size cap (sparse, so it costs no disk) shows
    // empty and is never replaced by the empty list.
    s.musicPage = 4;
    const std::string big = d.file("midlist4.dat");
    ASSERT_EQ(::truncate((d.write("midlist4.dat", ""), big).c_str(), 300LL * 1024 * 1024), 0);
    LoadMusicList(d.path(), s, l);
    EXPECT_EQ(l.count(), 0);
    EXPECT_TRUE(SaveMusicList(d.path(), s, l));
    EXPECT_EQ(QFileInfo(QString::fromStdString(big)).size(), 300LL * 1024 * 1024);
    // An entry added to it is saved, and the big file kept as .bad.
    testing::internal::CaptureStderr();
    l.append("/new.mid");
    ASSERT_TRUE(SaveMusicList(d.path(), s, l));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(d.read("midlist4.dat"), "\"/new.mid\"\r\n");
    EXPECT_EQ(QFileInfo(QString::fromStdString(d.file("midlist4.dat.bad"))).size(), 300LL * 1024 * 1024);

    // The lists of other pages are never touched.
    d.write("midlist9.dat", "\"/nine.mid\"\r\n");
    s.musicPage = 0;
    LoadMusicList(d.path(), s, l);
    ASSERT_TRUE(SaveMusicList(d.path(), s, l));
    EXPECT_EQ(d.read("midlist9.dat"), "\"/nine.mid\"\r\n");
    EXPECT_FALSE(d.exists("midlist9.dat.bad"));
}

TEST_F(Jukebox, NamesTheListCannotHoldAreRefused) {
    int warnings = 0;
    v.onMidiDialog = [this] { s.fileDialogValue = dialogAnswer; };
    v.onWarnUnstorable = [&warnings] { ++warnings; };
    good({"/m/a.mid"});
    add("/m/a.mid");
    const std::string file = dir.read("midlist.dat");
    const int savesBefore = saves;
    const std::string current = s.currentMusicPath;
    for (const char* bad : {"/m/say \"hi\".mid", "/m/two\nlines.mid", "/m/ a.mid b\r.mid"}) {
        add(bad);
        EXPECT_EQ(items(), (std::vector<std::string>{"/m/a.mid"})) << bad;
    }
    EXPECT_EQ(warnings, 3);
    EXPECT_EQ(saves, savesBefore + 3);   // saved as after any choice
    EXPECT_EQ(s.currentMusicPath, current);
    EXPECT_EQ(dir.read("midlist.dat"), file);

    // One bad name among good ones: only it is left out, the others go on
    // top in the usual order, one warning, one save.
    good({"/m/x.mid", "/m/z.mid"});
    add("/m/x.mid say\"hi\".mid z.mid");
    EXPECT_EQ(items(), (std::vector<std::string>{"/m/z.mid", "/m/x.mid", "/m/a.mid"}));
    EXPECT_EQ(warnings, 4);
    EXPECT_EQ(saves, savesBefore + 4);
    EXPECT_EQ(list.selected(), 0);
    EXPECT_EQ(s.currentMusicPath, "/m/z.mid");
    EXPECT_EQ(dir.read("midlist.dat"), "\"/m/z.mid\"\r\n\"/m/x.mid\"\r\n\"/m/a.mid\"\r\n");

    // Favo of a hand-edited entry with a quote in it: refused too.
    dir.write("midlist.dat", "/m/odd\"name.mid\r\n");
    mci.openAnything = true;
    m->loadList();
    list.select(0);
    m->favo();
    EXPECT_EQ(warnings, 5);
    EXPECT_FALSE(dir.exists("midlistf.dat"));
    EXPECT_EQ(s.favouritesMode, 0);
}

TEST(ListPanel, SlidesOverFiveFrames) {
    LauncherState s;
    MusicList list;
    FakeMci mci;
    FakeMusicPanel v;
    bool& visible = v.visible;
    bool& buttons = v.buttons;
    bool& udEnabled = v.udEnabled;
    int& top = v.top;
    MusicController m(s, list, mci, "/tmp/", v);
    m.listUD();
    EXPECT_TRUE(buttons);   // at once
    EXPECT_FALSE(udEnabled);
    std::vector<int> tops;
    for (int f = 0; f < 5; ++f) {
        m.slideStep();
        tops.push_back(top);
    }
    EXPECT_EQ(tops, (std::vector<int>{-88, -66, -44, -22, 0}));
    EXPECT_TRUE(visible);
    m.slideStep();
    EXPECT_FALSE(udEnabled);
    m.slideStep();
    EXPECT_TRUE(udEnabled);
    EXPECT_EQ(s.listSlideStep, 60);

    m.listUD();
    EXPECT_FALSE(buttons);
    tops.clear();
    for (int f = 0; f < 5; ++f) {
        m.slideStep();
        tops.push_back(top);
    }
    EXPECT_EQ(tops, (std::vector<int>{0, -22, -44, -66, -88}));
    EXPECT_TRUE(visible);
    EXPECT_FALSE(udEnabled);
    m.slideStep();
    EXPECT_FALSE(visible);
    EXPECT_TRUE(udEnabled);
}

TEST_F(Jukebox, PageChangeDuringPlaybackThenEndOfTrack) {
    mci.openAnything = true;
    add("/m/a.mid b.mid");      // page 0 playing b
    m->pageMenu(1);             // page 1: empty list, b goes on
    add("/p1/x.MID y.Mid");     // page 1 gets y, x; y plays
    m->pageMenu(0);             // back to page 0 with no selection
    EXPECT_EQ(list.selected(), -1);
    EXPECT_EQ(mci.openPath, "/p1/y.Mid");
    m->choosePattern("連曲");
    mci.endTrack();
    m->poll();                  // the new list's entry 0 plays
    EXPECT_EQ(list.selected(), 0);
    EXPECT_EQ(mci.openPath, "/m/b.mid");

    m->pageMenu(1);
    m->pageMenu(1);             // page 2: empty
    m->choosePattern("繰返");
    mci.endTrack();
    m->poll();                  // nothing to select: stopped and closed
    EXPECT_EQ(s.musicPlaying, 0);
    EXPECT_FALSE(mci.open);
}

TEST_F(Jukebox, FavoKeepsCapitalsAndAnyCaseEnding) {
    mci.openAnything = true;
    add("/Music/Song.Mid");
    m->favo();
    EXPECT_EQ(dir.read("midlistf.dat"), "\"/Music/Song.Mid\"\r\n");
}

TEST_F(Jukebox, DeviceFailureNeverRemovesEntries) {
    struct DeadDevice : FakeMci {
        int32_t sendString(const std::string& cmd, std::string* reply) override {
            if (cmd.rfind("open ", 0) == 0) return kMciDeviceBusy;
            return FakeMci::sendString(cmd, reply);
        }
    } dead;
    FakeMusicPanel quiet;
    MusicController deadPlayer(s, list, dead, dir.path(), quiet);
    list.onClick = [&] { deadPlayer.listClick(); };
    s.fileDialogValue = "/m/a.mid b.mid";
    deadPlayer.addMusicEntries();
    deadPlayer.play();
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(s.musicPlaying, 0);
}

TEST_F(Jukebox, PageStepsAreBoundedOnlyOnTheirOwnSide) {
    s.musicPage = 300;   // from an edited midpage.dat
    m->pageMenu(1);
    EXPECT_EQ(s.musicPage, 250);
    EXPECT_EQ(pageCaption, "251P");
    s.musicPage = 300;
    m->pageMenu(0);
    EXPECT_EQ(s.musicPage, 299);
    EXPECT_EQ(pageCaption, "300P");
    s.musicPage = -5;
    m->pageMenu(0);
    EXPECT_EQ(s.musicPage, 0);
    EXPECT_EQ(pageCaption, "1P");
    s.musicPage = -3;
    m->pageMenu(1);
    EXPECT_EQ(s.musicPage, -2);
    EXPECT_EQ(pageCaption, "-1P");
    // The ends of the stored number type do not wrap round.
    s.musicPage = -32768;
    m->pageMenu(0);
    EXPECT_EQ(s.musicPage, 0);
    s.musicPage = 32767;
    m->pageMenu(1);
    EXPECT_EQ(s.musicPage, 250);
}

TEST_F(Jukebox, APagePastTheLastKeepsItsOwnListFile) {
    // A page read from an edited midpage.dat is used as it stands: its list
    // lives in its own file, and nothing added there is lost.
    dir.write("midlist300.dat", "\"/m/stray.mid\"\r\n");
    dir.write("midlist250.dat", "\"/m/last.mid\"\r\n");
    s.musicPage = 300;
    m->loadList();
    EXPECT_EQ(items(), (std::vector<std::string>{"/m/stray.mid"}));
    list.insertTop("/m/added.mid");
    m->pageMenu(1);   // leaving it saves it; the step ends on the last page
    EXPECT_EQ(dir.read("midlist300.dat"), "\"/m/added.mid\"\r\n\"/m/stray.mid\"\r\n");
    EXPECT_EQ(s.musicPage, 250);
    EXPECT_EQ(items(), (std::vector<std::string>{"/m/last.mid"}));
}

TEST_F(Jukebox, LongRunOfMissingEntriesIsALoopWithOneSave) {
    // 10,000 missing files in a row, then one that plays: each missing one
    // is removed, the stack stays flat and the list is saved once.
    std::string file;
    for (int i = 0; i < 10000; ++i) file += "\"/gone/" + std::to_string(i) + ".mid\"\r\n";
    file += "\"/m/ok.mid\"\r\n";
    dir.write("midlist.dat", file);
    m->loadList();
    good({"/m/ok.mid"});
    list.select(0);
    EXPECT_EQ(items(), (std::vector<std::string>{"/m/ok.mid"}));
    EXPECT_EQ(mci.openPath, "/m/ok.mid");
    EXPECT_EQ(s.musicPlaying, 1);
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(dir.read("midlist.dat"), "\"/m/ok.mid\"\r\n");
}

TEST_F(Jukebox, ManyFilesAtOnceGoOnTopWithoutDuplicates) {
    mci.openAnything = true;
    add("/m/a.mid b.mid c.mid");   // c b a
    list.select(2);                // a
    std::string answer = "/m/";
    for (int i = 0; i < 40; ++i) answer += "n" + std::to_string(i) + ".mid ";
    answer += "b.mid n3.mid";
    add(answer);
    const auto got = items();
    ASSERT_EQ(got.size(), 43u);
    EXPECT_EQ(got[0], "/m/n3.mid");
    EXPECT_EQ(got[1], "/m/b.mid");
    EXPECT_EQ(got[2], "/m/n39.mid");
    EXPECT_EQ(got[41], "/m/c.mid");
    EXPECT_EQ(got[42], "/m/a.mid");
    EXPECT_EQ(list.selected(), 0);
    EXPECT_EQ(mci.openPath, "/m/n3.mid");
    // The same answer through one file at a time gives the same list.
    MusicList oneByOne;
    for (const auto& e : std::vector<std::string>{"/m/a.mid", "/m/b.mid", "/m/c.mid"}) oneByOne.insertTop(e);
    size_t start = 3;
    for (size_t p = start; p + 4 <= answer.size(); ++p) {
        if (answer.compare(p, 4, ".mid") != 0) continue;
        const std::string e = "/m/" + answer.substr(start, p + 4 - start);
        oneByOne.removeAt(oneByOne.find(e));
        oneByOne.insertTop(e);
        start = p + 5;
    }
    EXPECT_EQ(oneByOne.items(), got);
}

TEST_F(Jukebox, EntriesFromWindowsPlayThroughTheDriveMapAndStayAsWritten) {
    FakeWinePaths wine;
    wine.paths["c:\\音楽\\ソナタ.mid"] = "/w/drive_c/音楽/Sonata.MID";
    m->setWinePaths(wine);
    good({"/w/drive_c/音楽/Sonata.MID"});
    const std::string entry = "C:\\音楽\\ソナタ.mid";
    list.replaceAll({entry, "/music/other.mid"}, -1);
    m->saveList();
    fileNameOnly = true;
    list.select(0);
    EXPECT_EQ(mci.openPath, "/w/drive_c/音楽/Sonata.MID");
    EXPECT_EQ(trackName, "ソナタ.mid");
    EXPECT_EQ(s.currentMusicPath, entry);
    EXPECT_EQ(list.at(0), entry);

    // Favo and the page moves keep the entry as written.
    m->favo();
    s.favouritesMode = 1;
    m->loadList();
    EXPECT_EQ(items(), std::vector<std::string>{entry});
    s.favouritesMode = 0;
    m->loadList();
    EXPECT_EQ(items(), (std::vector<std::string>{entry, "/music/other.mid"}));
}
