#include <gtest/gtest.h>

#include <cmath>

#include "timer/TimerRules.h"

using namespace sorvel;

TEST(LeadingNumber, ReadsLikeTheEntryExpects) {
    EXPECT_DOUBLE_EQ(readLeadingNumber("3"), 3);
    EXPECT_DOUBLE_EQ(readLeadingNumber(" 1 2\t3\n"), 123);
    EXPECT_DOUBLE_EQ(readLeadingNumber("-5"), -5);
    EXPECT_DOUBLE_EQ(readLeadingNumber("+2.5x"), 2.5);
    EXPECT_DOUBLE_EQ(readLeadingNumber("2.5.3"), 2.5);
    EXPECT_DOUBLE_EQ(readLeadingNumber("1e3"), 1000);
    EXPECT_DOUBLE_EQ(readLeadingNumber("1e"), 1);
    EXPECT_DOUBLE_EQ(readLeadingNumber("1e-"), 1);
    EXPECT_DOUBLE_EQ(readLeadingNumber(".5"), 0.5);
    EXPECT_DOUBLE_EQ(readLeadingNumber(""), 0);
    EXPECT_DOUBLE_EQ(readLeadingNumber("abc"), 0);
    EXPECT_DOUBLE_EQ(readLeadingNumber("-"), 0);
    EXPECT_DOUBLE_EQ(readLeadingNumber("１２"), 0);   // full-width digits are not digits
    EXPECT_TRUE(std::isinf(readLeadingNumber("1e999")));
    EXPECT_DOUBLE_EQ(readLeadingNumber("1e-999"), 0);
}

TEST(RateEntry, EdgeCases) {
    struct C {
        const char* text;
        int fps;
    };
    for (const C& c : {C{"3", 5}, C{"2.5", 5}, C{"12.5", 12}, C{"13.5", 14}, C{"999", 999}, C{"9e9", 32767},
                       C{"1e308", 32767}}) {
        LauncherState s;
        EXPECT_TRUE(confirmRate(s, readLeadingNumber(c.text))) << c.text;
        EXPECT_EQ(s.framesPerSecond, c.fps) << c.text;
    }
    for (const char* t : {"0", "-5", "", "abc", "-9e9"}) {
        LauncherState s;
        s.framesPerSecond = 33;
        s.iconAnim[0] = 3;
        EXPECT_FALSE(confirmRate(s, readLeadingNumber(t))) << t;
        EXPECT_EQ(s.framesPerSecond, 33);
        EXPECT_EQ(s.iconAnim[0], 3);
    }
}

TEST(RateEntry, RescalesTheCountdown) {
    LauncherState s;
    s.countdownFrames = 1800;   // 90 s at 20
    s.iconAnim[0] = 4;
    confirmRate(s, 30);
    EXPECT_EQ(s.countdownFrames, 2700);
    EXPECT_EQ(s.iconAnim[0], 0);
    s.countdownFrames = 2147483000;
    confirmRate(s, 32767);   // does not fit: clamped, never wraps
    EXPECT_EQ(s.countdownFrames, 2147483647);
}

TEST(Countdown, OneMinuteAt20) {
    LauncherState s;
    confirmMinutes(s, 1);
    EXPECT_EQ(s.countdownFrames, 1200);
    EXPECT_EQ(s.timerArmed, 1);
    CountdownTick t = UpdateCountdown(s);
    EXPECT_EQ(t.caption, "0:59 FPS:20 左：ファイル　右：フォルダ");
    for (int mark = 2; mark <= 60; ++mark) {
        t = UpdateCountdown(s);
        EXPECT_FALSE(t.expired) << mark;
    }
    EXPECT_EQ(t.caption, "0:0 FPS:20 左：ファイル　右：フォルダ");
    t = UpdateCountdown(s);   // the 61st mark
    EXPECT_TRUE(t.expired);
    EXPECT_EQ(s.alarmCount, 500);
    EXPECT_EQ(s.timerArmed, 0);
    EXPECT_EQ(t.caption, "FPS:20 左：ファイル　右：フォルダ");
    EXPECT_FALSE(UpdateCountdown(s).expired);
}

TEST(Countdown, CaptionMinutesAndSecondsAndOddEntries) {
    LauncherState s;
    s.countdownFrames = (4 * 60 + 6) * 20;
    EXPECT_EQ(UpdateCountdown(s).caption, "4:5 FPS:20 左：ファイル　右：フォルダ");
    for (double v : {0.0, -3.0}) {
        LauncherState e;
        confirmMinutes(e, v);
        EXPECT_TRUE(UpdateCountdown(e).expired);
    }
    LauncherState big;
    confirmMinutes(big, 9e9);
    EXPECT_EQ(big.countdownFrames, 2147483647);
    confirmMinutes(big, -9e9);
    EXPECT_EQ(big.countdownFrames, -2147483647 - 1);
    confirmMinutes(big, 0.5);
    EXPECT_EQ(big.countdownFrames, 600);
}

TEST(Alarm, RepetitionFrames) {
    LauncherState s;
    s.alarmCount = 500;
    std::vector<int> due;
    for (int f = 0; f < 20; ++f) {
        s.framesThisSecond = f;
        if (alarmDue(s)) due.push_back(f);
    }
    EXPECT_EQ(due, (std::vector<int>{0, 10}));
    s.framesPerSecond = 5;
    due.clear();
    for (int f = 0; f < 5; ++f) {
        s.framesThisSecond = f;
        if (alarmDue(s)) due.push_back(f);
    }
    EXPECT_EQ(due, (std::vector<int>{0, 2}));
    s.alarmCount = 0;
    s.framesThisSecond = 0;
    EXPECT_FALSE(alarmDue(s));
}

TEST(StatusStrip, FrameCountInThreePlaces) {
    EXPECT_EQ(frameCountField(0), "  0");
    EXPECT_EQ(frameCountField(20), " 20");
    EXPECT_EQ(frameCountField(999), "999");
    EXPECT_EQ(frameCountField(1005), "005");
    EXPECT_EQ(frameCountField(1000), "000");
    EXPECT_EQ(frameCountField(32767), "767");
    EXPECT_EQ(frameCountField(-3), "-3");
}

TEST(Countdown, UnderASecondShowsZeroUntilItRings) {
    LauncherState s;
    s.framesPerSecond = 20;
    s.countdownFrames = 10;   // half a second
    s.timerArmed = 1;
    CountdownTick t = UpdateCountdown(s);
    EXPECT_FALSE(t.expired);
    EXPECT_EQ(t.caption, "0:0 FPS:20 左：ファイル　右：フォルダ");
    t = UpdateCountdown(s);
    EXPECT_TRUE(t.expired);
    EXPECT_EQ(t.caption, "FPS:20 左：ファイル　右：フォルダ");
}

TEST(Alarm, ASpeechLineWhileItRings) {
    LauncherState s;
    EXPECT_EQ(alarmSpeechLine(s), "");
    s.alarmCount = 3;
    EXPECT_EQ(alarmSpeechLine(s), "時間だよ！　クリックで止まるよ Escで止まるよ");
}
