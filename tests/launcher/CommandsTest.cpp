#include <gtest/gtest.h>
#include <algorithm>

#include "game/TypingGame.h"
#include "launcher/Commands.h"
#include "platform/Fakes.h"

using namespace sorvel;

namespace {
struct Fixture : ::testing::Test {
    LauncherState s;
    RecordingShell shell;
    int commits = 0;
    void press(int index, int button) {
        SlotMouseDown(s, index, button, shell, [this] { ++commits; });
    }
};
}  // namespace

TEST_F(Fixture, LeftClickOpensWithLaunchFolderAndCounts) {
    s.slotPath[0] = "/opt/tools/edit";
    s.slotUseCount[0] = 7;
    press(0, kLeftButton);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_FALSE(shell.calls[0].operation.has_value());
    EXPECT_EQ(shell.calls[0].file, "/opt/tools/edit");
    EXPECT_FALSE(shell.calls[0].parameters.has_value());
    EXPECT_EQ(shell.calls[0].directory, std::optional<std::string>("/opt/tools/"));
    EXPECT_EQ(shell.calls[0].show, 1);
    EXPECT_EQ(s.slotUseCount[0], 8);
    EXPECT_EQ(s.slotSessionCount[0], 1);
}

TEST_F(Fixture, RightClickOpensContainingFolder) {
    s.slotPath[1] = "/x.sh";
    press(1, kRightButton);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].operation, std::optional<std::string>("open"));
    EXPECT_EQ(shell.calls[0].file, "/");
    EXPECT_FALSE(shell.calls[0].directory.has_value());
    EXPECT_EQ(s.slotUseCount[1], 1);

    // A folder target is its own launch folder, with either button.
    s.slotPath[2] = "/data/";
    press(2, kLeftButton);
    press(2, kRightButton);
    EXPECT_EQ(shell.calls[1].file, "/data/");
    EXPECT_EQ(shell.calls[1].directory, std::optional<std::string>("/data/"));
    EXPECT_EQ(shell.calls[2].file, "/data/");
    EXPECT_EQ(s.slotUseCount[2], 2);
}

TEST_F(Fixture, UrlsOpenWithLeftOnlyAndRightDoesNotCount) {
    s.slotPath[3] = "http://example.org/a b\"c";
    s.slotPath[4] = "ftp://files.example.org/";
    press(3, kLeftButton);
    press(4, kLeftButton);
    press(3, kRightButton);
    press(4, kRightButton);
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(shell.calls[0].operation, std::optional<std::string>("open"));
    EXPECT_EQ(shell.calls[0].file, "http://example.org/a b\"c");
    EXPECT_FALSE(shell.calls[0].directory.has_value());
    EXPECT_EQ(s.slotUseCount[3], 1);
    EXPECT_EQ(s.slotUseCount[4], 1);
}

TEST_F(Fixture, EmptySlotAndMiddleButton) {
    press(5, kLeftButton);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].file, "");
    EXPECT_EQ(shell.calls[0].directory, std::optional<std::string>(""));
    press(5, kRightButton);
    EXPECT_EQ(shell.calls[1].operation, std::optional<std::string>("open"));
    EXPECT_EQ(shell.calls[1].file, "");
    s.slotPath[6] = "/bin/true";
    press(6, kMiddleButton);
    EXPECT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(s.slotUseCount[5], 2);
    EXPECT_EQ(s.slotUseCount[6], 1);
    EXPECT_EQ(s.slotSessionCount[6], 1);
}

TEST_F(Fixture, BareNameHasNoWorkingFolderAndNoRightTarget) {
    s.slotPath[7] = "notes.txt";
    press(7, kLeftButton);
    press(7, kRightButton);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].file, "notes.txt");
    EXPECT_FALSE(shell.calls[0].directory.has_value());
    EXPECT_EQ(s.slotUseCount[7], 2);
}

TEST_F(Fixture, CountsWrapAtLongLimit) {
    s.slotPath[0] = "/a";
    s.slotUseCount[0] = 2147483647;
    press(0, kMiddleButton);
    EXPECT_EQ(s.slotUseCount[0], -2147483647 - 1);
}

TEST_F(Fixture, RegistrationCycle) {
    s.slotPage = 2;
    s.slotPath[23] = "/old";
    s.slotUseCount[23] = 9;
    s.slotSessionCount[23] = 4;
    s.fileDialogValue = "/new/app";
    BeginRegistration(s);
    EXPECT_EQ(s.pendingPath, "/new/app");
    press(3, kLeftButton);
    EXPECT_EQ(s.slotPath[23], "/new/app");
    EXPECT_EQ(s.slotUseCount[23], 0);
    EXPECT_EQ(s.slotSessionCount[23], 0);
    EXPECT_EQ(commits, 1);
    EXPECT_TRUE(s.pendingPath.empty());
    EXPECT_TRUE(shell.calls.empty());   // no launch during a registration

    // Right and middle buttons cancel without storing.
    for (int b : {kRightButton, kMiddleButton}) {
        s.pendingPath = "/other";
        press(4, b);
        EXPECT_TRUE(s.pendingPath.empty());
        EXPECT_EQ(s.slotPath[24], "");
    }
    EXPECT_EQ(commits, 1);
    EXPECT_EQ(s.slotUseCount[24], 0);

    // A cancelled dialog ends a pending registration.
    s.pendingPath = "/pending";
    s.fileDialogValue = "";
    BeginRegistration(s);
    EXPECT_TRUE(s.pendingPath.empty());
}

TEST(PageButtons, WrapBothWays) {
    LauncherState s;
    PageButton(s, 0);
    EXPECT_EQ(s.slotPage, 24);
    EXPECT_EQ(s.pageBannerTicks, 40);
    PageButton(s, 1);
    EXPECT_EQ(s.slotPage, 0);
    s.slotPage = 30;   // any index wraps
    PageButton(s, 3);
    EXPECT_EQ(s.slotPage, 0);
}

namespace {
struct Keys : ::testing::Test, KeyHost {
    LauncherState s;
    GameState g;
    int16_t step = 0;
    bool launcher = true;
    int beeps = 0, asks = 0, resets = 0, restarts = 0, toggles = 0, starts = 0, preps = 0;
    bool answer = true;
    bool launcherShown() const override { return launcher; }
    void reseed() override {}
    void enterGamePrep() override { ++preps; }
    void toggleGameMode() override {
        ++toggles;
        launcher = !launcher;
    }
    void startGame() override { ++starts; }
    void typeLetter(char letter) override { g.typedKeys += letter; }
    void restart() override { ++restarts; }
    void beep() override { ++beeps; }
    bool confirmReset() override {
        ++asks;
        return answer;
    }
    void reset() override { ++resets; }
    void keys(std::initializer_list<int> ks) {
        for (int k : ks) FormKeyDown(k, step, s, *this);
    }
};
}  // namespace

TEST_F(Keys, ResetSequenceAsksAndNeedsAnExtraKeyAfterwards) {
    keys({kKeyF1, kKeyF9, kKeyF3, kKeyDelete});
    EXPECT_EQ(beeps, 4);
    EXPECT_EQ(asks, 1);
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(step, 4);
    // Right after the question the same four keys do not ask again.
    keys({kKeyF1, kKeyF9, kKeyF3, kKeyDelete});
    EXPECT_EQ(asks, 1);
    keys({kKeyF1, kKeyF9, kKeyF3, kKeyDelete});
    EXPECT_EQ(asks, 2);
    answer = false;
    keys({kKeyF1, kKeyF1, kKeyF9, kKeyF3, kKeyDelete});
    EXPECT_EQ(asks, 3);
    EXPECT_EQ(resets, 2);   // Cancel resets nothing
}

TEST_F(Keys, F4BreaksTheSequenceInTheLauncher) {
    keys({kKeyF1, kKeyF9, kKeyF3, kKeyF4, kKeyDelete});
    EXPECT_EQ(asks, 0);
    EXPECT_EQ(step, 0);
    EXPECT_EQ(starts, 0);
}

TEST_F(Keys, F6KeepsTheStepAndSwitchesModes) {
    keys({kKeyF1, kKeyF6});
    EXPECT_EQ(step, 1);
    EXPECT_EQ(toggles, 1);
    EXPECT_EQ(preps, 1);
    EXPECT_FALSE(launcher);
    keys({kKeyF9, kKeyF3, kKeyDelete});
    EXPECT_EQ(asks, 1);
    keys({kKeyF6});
    EXPECT_TRUE(launcher);
    EXPECT_EQ(preps, 1);   // only on the way into the game
}

TEST_F(Keys, RestartOnlyRightAfterF1) {
    keys({kKeyF5});
    keys({kKeyF9, kKeyF5});
    EXPECT_EQ(restarts, 0);
    keys({kKeyF1, kKeyF5});
    EXPECT_EQ(restarts, 1);
}

TEST_F(Keys, LettersOnlyFeedTheGame) {
    keys({kKeyF1, 'Q', 'W'});
    EXPECT_EQ(step, 0);
    EXPECT_TRUE(g.typedKeys.empty());
    launcher = false;
    keys({'Q', 'W', kKeyF4});
    EXPECT_EQ(g.typedKeys, "QW");
    EXPECT_EQ(starts, 1);
}

TEST_F(Keys, DigitsSetRowLevelFromBothRows) {
    keys({'3'});
    EXPECT_EQ(s.rowLevel, 3);
    keys({kKeyPad0 + 5});
    EXPECT_EQ(s.rowLevel, 5);
    keys({'7', kKeyPad0 + 9});
    EXPECT_EQ(s.rowLevel, 5);
}

TEST_F(Fixture, TodaysLinksOpenWithLeftAndAreLeftAloneByRight) {
    const char* links[] = {"https://host/", "https://host/dir/page.html", "mailto:a@b", "file:///tmp/"};
    for (int i = 0; i < 4; ++i) s.slotPath[i] = links[i];
    for (int i = 0; i < 4; ++i) press(i, kRightButton);
    EXPECT_TRUE(shell.calls.empty());
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(s.slotUseCount[i], 0) << links[i];
        press(i, kLeftButton);
        ASSERT_EQ(shell.calls.size(), static_cast<size_t>(i + 1));
        EXPECT_EQ(shell.calls[i].operation, std::optional<std::string>("open"));
        EXPECT_EQ(shell.calls[i].file, links[i]);
        EXPECT_FALSE(shell.calls[i].directory.has_value());
        EXPECT_EQ(s.slotUseCount[i], 1);
    }

    // In capitals it is a path: launched from its "folder", and the right
    // button opens that and counts.
    s.slotPath[5] = "HTTP://X/";
    press(5, kLeftButton);
    EXPECT_FALSE(shell.calls.back().operation.has_value());
    EXPECT_EQ(shell.calls.back().directory, std::optional<std::string>("HTTP://X/"));
    press(5, kRightButton);
    EXPECT_EQ(shell.calls.back().operation, std::optional<std::string>("open"));
    EXPECT_EQ(shell.calls.back().file, "HTTP://X/");
    EXPECT_EQ(s.slotUseCount[5], 2);
}

TEST(PageBanner, EveryAcceptedRateGivesABanner) {
    LauncherState s;
    for (int fps : {5, 20, 999, 16383, 16384, 20000, 32767}) {
        s.framesPerSecond = static_cast<int16_t>(fps);
        PageButton(s, 1);
        EXPECT_EQ(s.pageBannerTicks, 2 * fps) << fps;
    }
}

namespace {
// A user's slots from Windows, with the Wine drive map of this machine.
struct FromWindows : Fixture {
    FakeWinePaths wine;
    FromWindows() {
        wine.paths["c:"] = "/w/drive_c";
        wine.paths["c:\\users\\山田"] = "/w/drive_c/users/山田";
        wine.paths["c:\\users\\山田\\メモ.txt"] = "/w/drive_c/users/山田/メモ.txt";
        wine.paths["c:\\tools"] = "/w/drive_c/Tools";
        wine.paths["c:\\tools\\edit.exe"] = "/w/drive_c/Tools/Edit.exe";
        s.slotPath[0] = "C:\\Users\\山田\\メモ.txt";
        s.slotPath[1] = "c:\\TOOLS\\EDIT.EXE";
        s.slotPath[2] = "C:\\";
        s.slotPath[3] = "C:\\Users\\山田\\";
        s.slotPath[4] = "D:\\Gone\\x.txt";
        s.slotPath[5] = "\\\\server\\共有\\表.xls";
    }
    void press(int index, int button) {
        SlotMouseDown(s, index, button, shell, [this] { ++commits; }, wine);
    }
    std::vector<std::string> files() const {
        std::vector<std::string> f;
        for (const auto& c : shell.calls) f.push_back(c.file + " @ " + c.directory.value_or("-"));
        return f;
    }
};
}  // namespace

TEST_F(FromWindows, LeftOpensWhatTheDriveMapGives) {
    press(0, kLeftButton);
    press(2, kLeftButton);
    press(3, kLeftButton);
    press(5, kLeftButton);
    EXPECT_EQ(files(), (std::vector<std::string>{
                           "/w/drive_c/users/山田/メモ.txt @ /w/drive_c/users/山田",
                           "/w/drive_c @ /w/drive_c",
                           "/w/drive_c/users/山田 @ /w/drive_c/users/山田",
                           "smb://server/%E5%85%B1%E6%9C%89/%E8%A1%A8.xls @ -",
                       }));
    EXPECT_EQ(shell.calls[3].operation, std::optional<std::string>("open"));
    for (int n : {0, 2, 3, 5}) EXPECT_EQ(s.slotUseCount[n], 1) << n;
    EXPECT_EQ(s.slotPath[0], "C:\\Users\\山田\\メモ.txt");   // the stored text stays
}

TEST_F(FromWindows, RightOpensTheMappedFolder) {
    press(0, kRightButton);
    press(2, kRightButton);
    press(5, kRightButton);
    EXPECT_EQ(files(), (std::vector<std::string>{"/w/drive_c/users/山田 @ -", "/w/drive_c @ -",
                                                 "smb://server/%E5%85%B1%E6%9C%89/ @ -"}));
    for (const auto& c : shell.calls) EXPECT_EQ(c.operation, std::optional<std::string>("open"));
}

TEST_F(FromWindows, ProgramsStartThroughWine) {
    press(1, kLeftButton);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_FALSE(shell.calls[0].operation.has_value());
    EXPECT_EQ(shell.calls[0].file, "/usr/bin/wine");
    EXPECT_EQ(shell.calls[0].parameters, std::optional<std::string>("\"/w/drive_c/Tools/Edit.exe\""));
    EXPECT_EQ(shell.calls[0].directory, std::optional<std::string>("/w/drive_c/Tools"));

    wine.wine.reset();
    testing::internal::CaptureStderr();
    press(1, kLeftButton);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(shell.calls.size(), 1u);
    EXPECT_NE(err.find("wine is not installed"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
    EXPECT_EQ(s.slotUseCount[1], 2);
}

TEST_F(FromWindows, APathThatLeadsNowhereIsSaidOnceAndCounted) {
    for (int button : {kLeftButton, kRightButton}) {
        testing::internal::CaptureStderr();
        press(4, button);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.find("D:\\Gone\\"), 10u) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
    }
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_EQ(s.slotUseCount[4], 2);
    EXPECT_EQ(s.slotSessionCount[4], 2);
}
