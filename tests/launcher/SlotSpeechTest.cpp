#include <gtest/gtest.h>

#include "launcher/Commands.h"
#include "game/TypingGame.h"
#include "launcher/SlotSpeech.h"
#include "platform/Fakes.h"

using namespace sorvel;

namespace {
QString u(const char* s) { return QString::fromUtf8(s); }

LauncherState filled() {
    LauncherState s;
    s.slotPath[0] = "/home/me/say hello.sh";
    s.slotPath[1] = "/usr/";
    s.slotPath[2] = "http://example.org/";
    s.slotPath[4] = "ftp://files.example.org/pub/a.txt";
    s.slotPath[13] = "/opt/tool";
    return s;
}
}  // namespace

TEST(SlotSpeech, NamesTellNumberLabelAndKind) {
    const LauncherState s = filled();
    EXPECT_EQ(slotButtonName(s, 0, true), u("0番地 say hello.sh（ファイル）"));
    EXPECT_EQ(slotButtonName(s, 1, true), u("1番地 usr/（フォルダ）"));
    EXPECT_EQ(slotButtonName(s, 2, true), u("2番地 example.org/（URL）"));
    EXPECT_EQ(slotButtonName(s, 3, true), u("3番地（未登録）"));
    EXPECT_EQ(slotButtonName(s, 4, true), u("4番地 a.txt（URL）"));
    // The URL test is case-sensitive, as everywhere else.
    LauncherState t;
    t.slotPath[5] = "HTTP://EXAMPLE.ORG/x";
    EXPECT_EQ(slotButtonName(t, 5, true), u("5番地 x（ファイル）"));
    // A bare name with no separator is its own label.
    t.slotPath[6] = "notes.txt";
    EXPECT_EQ(slotButtonName(t, 6, true), u("6番地 notes.txt（ファイル）"));
}

TEST(SlotSpeech, NamesFollowThePageAndRegistration) {
    LauncherState s = filled();
    PageButton(s, 1);
    WrapPage(s);
    EXPECT_EQ(slotButtonName(s, 0, true), u("10番地（未登録）"));
    EXPECT_EQ(slotButtonName(s, 3, true), u("13番地 tool（ファイル）"));
    PageButton(s, 0);
    PageButton(s, 0);
    WrapPage(s);
    EXPECT_EQ(slotButtonName(s, 9, true), u("249番地（未登録）"));

    int saved = 0;
    s.pendingPath = "/srv/data/";
    RecordingShell shell;
    SlotMouseDown(s, 9, kLeftButton, shell, [&] { ++saved; });
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(slotButtonName(s, 9, true), u("249番地 data/（フォルダ）"));
}

TEST(SlotSpeech, WindowsPathsAreNamedByTheirLastName) {
    LauncherState s;
    s.slotPath[0] = "C:\\Users\\山田\\メモ.txt";
    s.slotPath[1] = "D:\\音楽\\";
    s.slotPath[2] = "\\\\server\\共有\\表.xls";
    EXPECT_EQ(slotButtonName(s, 0, true), u("0番地 メモ.txt（ファイル）"));
    EXPECT_EQ(slotButtonName(s, 1, true), u("1番地 音楽\\（フォルダ）"));
    EXPECT_EQ(slotButtonName(s, 2, true), u("2番地 表.xls（ファイル）"));
    s.hoverIndex = 0;
    EXPECT_EQ(surfaceSpeech(s, ""), u("C:\\Users\\山田\\\nメモ.txt\n利用回数:0 今回:0"));
}

TEST(SlotSpeech, HiddenButtonsAndOutOfRangeHaveNoName) {
    const LauncherState s = filled();
    EXPECT_TRUE(slotButtonName(s, 0, false).isEmpty());
    EXPECT_TRUE(slotButtonDescription(s, 0, false).isEmpty());
    EXPECT_TRUE(slotButtonName(s, 10, true).isEmpty());
    EXPECT_TRUE(slotButtonName(s, -1, true).isEmpty());
}

TEST(SlotSpeech, DescriptionHoldsTheWholeTargetAndCounts) {
    LauncherState s = filled();
    s.slotUseCount[0] = 12;
    s.slotSessionCount[0] = 3;
    EXPECT_EQ(slotButtonDescription(s, 0, true), u("/home/me/say hello.sh 利用回数:12 今回:3"));
    EXPECT_EQ(slotButtonDescription(s, 3, true), u("未登録 利用回数:0 今回:0"));
}

TEST(SlotSpeech, SurfaceTellsWhatThePanelTells) {
    LauncherState s = filled();
    GameState g;
    EXPECT_EQ(surfaceSpeech(s, "192.168.1.5"), u("ローカルIP:192.168.1.5"));
    s.hoverIndex = 0;
    s.slotUseCount[0] = 2;
    s.slotSessionCount[0] = 1;
    EXPECT_EQ(surfaceSpeech(s, "192.168.1.5"), u("/home/me/\nsay hello.sh\n利用回数:2 今回:1"));
    s.hoverIndex = 3;
    EXPECT_EQ(surfaceSpeech(s, "x"), u("利用回数:0 今回:0"));
    s.pendingPath = "/bin/true";
    EXPECT_EQ(surfaceSpeech(s, "x"), u("どこに登録すればええのん？\n番地を選んで 左：決行　右：キャンセル"));
    s.hoverIndex = 1;
    EXPECT_EQ(surfaceSpeech(s, "x"), u("/\nusr/\nを上書きせなあかんよ"));
    s.hoverIndex = kNoHover;
    EXPECT_EQ(surfaceSpeech(s, "x"), u("どこに登録すればええのん？\n番地を選んで 左：決行　右：キャンセル"));
}

TEST(SlotSpeech, PageRangeAndOverwriteWarning) {
    LauncherState s;
    EXPECT_EQ(pageRangeSpeech(12), u("120番地～129番地"));
    EXPECT_EQ(pageBannerTop(12) + u("|") + pageBannerBottom(12), u("120番地～|  129番地"));
    s.slotPath[1] = "/opt/edit.sh";
    s.pendingPath = "/x/new.sh";
    EXPECT_EQ(slotButtonDescription(s, 1, true), u("/opt/edit.sh を上書きせなあかんよ"));
    EXPECT_EQ(slotButtonDescription(s, 2, true), u("未登録 利用回数:0 今回:0"));
}
