// Data and music-list files copied from Windows: CP932 with CR LF, Windows
// paths, read and written back as the rule of persistence/TextCodec.h says.
#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>

#include "TempDir.h"
#include "music/Music.h"
#include "persistence/DataFiles.h"
#include "platform/FileStore.h"

using namespace sorvel;

namespace {
// glibc's iconv on its own, so that the fixtures do not come from the code
// under test. nullopt when the text does not convert completely.
std::optional<std::string> iconvAll(const char* to, const char* from, const std::string& in) {
    const iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1) || srcLeft != 0) return std::nullopt;
    out.resize(out.size() - dstLeft);
    return out;
}
std::string sjis(const std::string& utf8) { return iconvAll("CP932", "UTF-8", utf8).value(); }
std::optional<std::string> fromSjis(const std::string& bytes) { return iconvAll("UTF-8", "CP932", bytes); }
bool validUtf8(const std::string& bytes) { return iconvAll("UTF-16LE", "UTF-8", bytes).has_value(); }

// What a Windows user's folder holds, as the Windows program wrote it.
const std::string kMemo = "C:\\Users\\山田\\文書\\メモ.txt";
const std::string kMusicFolder = "D:\\音楽\\";
const std::string kDriveRoot = "C:\\";
const std::string kShare = "\\\\server\\共有\\表計算.xls";   // 表 ends in the byte of "\"
const std::string kWiki = "https://ja.wikipedia.org/wiki/日本語";
const std::string kOldKanji = "C:\\纊\\ソ.exe";                // 纊 has two CP932 codes; this is the NEC one

std::string windowsDataDat() {
    std::string utf8;
    const std::string targets[] = {kMemo, kMusicFolder, kDriveRoot, kShare, kWiki};
    for (int i = 0; i < kSlotCount; ++i) utf8 += "\"" + (i < 5 ? targets[i] : std::string()) + "\"\r\n";
    utf8 += "1500\r\n750\r\n";
    std::string bytes = sjis(utf8);
    // Slot 250 as the NEC-selected code 0xED 0x40 for 纊, which glibc would
    // write as 0xFA 0x5C.
    const std::string last = "\"\"\r\n1500\r\n750\r\n";
    bytes.replace(bytes.size() - last.size(), 2, "\"C:\\\xED\x40\\" + sjis("ソ.exe") + "\"");
    return bytes;
}

struct WindowsFolder : ::testing::Test {
    TempDir d;
    LauncherState s;
    DataFileHost hooks;
    std::string data = windowsDataDat();
    std::string lot = std::string("5\r\n") + [] {
        std::string l;
        for (int i = 1; i < kSlotCount; ++i) l += "0\r\n";
        return l;
    }();
    void SetUp() override {
        d.write("data.dat", data);
        d.write("lot.dat", lot);
        d.write("midpage.dat", "0\r\n");
        LoadData(d.path(), s, hooks);
    }
};
}  // namespace

TEST_F(WindowsFolder, NamesReadAsWrittenAndAnUnchangedFileComesBackByteForByte) {
    EXPECT_EQ(s.slotPath[0], kMemo);
    EXPECT_EQ(s.slotPath[1], kMusicFolder);
    EXPECT_EQ(s.slotPath[2], kDriveRoot);
    EXPECT_EQ(s.slotPath[3], kShare);
    EXPECT_EQ(s.slotPath[4], kWiki);
    EXPECT_EQ(s.slotPath[250], kOldKanji);
    EXPECT_EQ(s.slotUseCount[0], 5);
    EXPECT_EQ(s.windowPosition[0], 1500);

    ASSERT_TRUE(SaveData(d.path(), s, hooks));
    EXPECT_EQ(d.read("data.dat"), data);
    EXPECT_EQ(d.read("lot.dat"), lot);
    EXPECT_FALSE(d.exists("data.dat.sjis"));
    EXPECT_FALSE(d.exists("data.dat.bad"));
}

TEST_F(WindowsFolder, ARegistrationCp932CanHoldKeepsTheFileCp932) {
    s.slotPath[7] = "/home/yamada/ドキュメント/予定.odt";
    s.windowPosition = {1515, 765};
    ASSERT_TRUE(SaveData(d.path(), s, hooks));
    const auto text = fromSjis(d.read("data.dat"));
    ASSERT_TRUE(text.has_value()) << "data.dat is no longer CP932 throughout";
    EXPECT_NE(text->find("\"/home/yamada/ドキュメント/予定.odt\"\r\n"), std::string::npos);
    EXPECT_NE(text->find("\"" + kShare + "\"\r\n"), std::string::npos);
    EXPECT_FALSE(d.exists("data.dat.sjis"));

    LauncherState again;
    LoadData(d.path(), again, hooks);
    EXPECT_EQ(again.slotPath, s.slotPath);
    EXPECT_EQ(again.windowPosition[0], 1515);
}

TEST_F(WindowsFolder, ANameCp932CannotHoldTurnsTheFileUtf8AndKeepsTheOriginalOnce) {
    s.slotPath[8] = "/home/yamada/노트/😀.txt";
    testing::internal::CaptureStderr();
    ASSERT_TRUE(SaveData(d.path(), s, hooks));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("data.dat.sjis"), std::string::npos) << err;

    const std::string written = d.read("data.dat");
    ASSERT_TRUE(validUtf8(written));
    EXPECT_EQ(d.read("data.dat.sjis"), data);
    LauncherState again;
    LoadData(d.path(), again, hooks);
    EXPECT_EQ(again.slotPath, s.slotPath);

    // From now on a UTF-8 file: no second copy, still UTF-8 throughout.
    again.slotPath[9] = "C:\\新規\\";
    ASSERT_TRUE(SaveData(d.path(), again, hooks));
    EXPECT_TRUE(validUtf8(d.read("data.dat")));
    EXPECT_FALSE(d.exists("data.dat.sjis2"));
    EXPECT_EQ(d.read("data.dat.sjis"), data);
}

TEST_F(WindowsFolder, AfterAResetTheFileStaysCp932) {
    s.slotPath.fill("");
    s.windowPosition = {0, 0};
    ASSERT_TRUE(SaveData(d.path(), s, hooks));
    LoadData(d.path(), s, hooks);
    s.slotPath[0] = "C:\\新しい\\";
    ASSERT_TRUE(SaveData(d.path(), s, hooks));
    const auto text = fromSjis(d.read("data.dat"));
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->substr(0, text->find('\r')), "\"C:\\新しい\\\"");
}

TEST(WindowsFiles, BytesNeitherEncodingTakesAreKeptAndTheFileWrittenAsUtf8) {
    TempDir d;
    // 0x80 is no character in CP932 and none in UTF-8.
    d.write("data.dat", "\"C:\\a\x80.txt\"\r\n");
    LauncherState s;
    DataFileHost hooks;
    LoadData(d.path(), s, hooks);
    EXPECT_EQ(s.slotPath[0], "C:\\a\xEF\xBF\xBD.txt");
    testing::internal::CaptureStderr();
    ASSERT_TRUE(SaveData(d.path(), s, hooks));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(d.read("data.dat.bad"), "\"C:\\a\x80.txt\"\r\n");
    EXPECT_TRUE(validUtf8(d.read("data.dat")));
}

TEST(WindowsFiles, MusicListsFollowTheSameRule) {
    TempDir d;
    LauncherState s;
    const std::string song = "C:\\音楽\\ソナタ.mid", shared = "\\\\server\\共有\\表.mid";
    const std::string list = sjis("\"" + song + "\"\r\n\"" + shared + "\"\r\n");
    d.write("midlist.dat", list);
    s.favouritesMode = 0;
    MusicList l;
    LoadMusicList(d.path(), s, l);
    EXPECT_EQ(l.items(), (std::vector<std::string>{song, shared}));

    // Unchanged: the same bytes; one more entry: still CP932, both read back.
    ASSERT_TRUE(SaveMusicList(d.path(), s, l));
    EXPECT_EQ(d.read("midlist.dat"), list);
    l.insertTop("/home/yamada/音楽/新曲.mid");
    ASSERT_TRUE(SaveMusicList(d.path(), s, l));
    const auto text = fromSjis(d.read("midlist.dat"));
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, "\"/home/yamada/音楽/新曲.mid\"\r\n\"" + song + "\"\r\n\"" + shared + "\"\r\n");
    MusicList back;
    LoadMusicList(d.path(), s, back);
    EXPECT_EQ(back.items(), l.items());

    // One that CP932 cannot hold: UTF-8, the CP932 list kept beside it.
    const std::string beforeSwitch = d.read("midlist.dat");
    l.insertTop("/home/yamada/♫.mid");
    testing::internal::CaptureStderr();
    ASSERT_TRUE(SaveMusicList(d.path(), s, l));
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(validUtf8(d.read("midlist.dat")));
    EXPECT_EQ(d.read("midlist.dat.sjis"), beforeSwitch);
    LoadMusicList(d.path(), s, back);
    EXPECT_EQ(back.items(), l.items());
}
