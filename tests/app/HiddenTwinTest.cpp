// A window hidden for a while and a twin that stayed in view, driven by one
// clock: the hidden one runs only the frames its own timer asks for, yet
// keeps every deadline, and the first picture it shows again is the twin's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <functional>
#include <memory>

#include "TwinWindow.h"
#include "app/MainWindow.h"
#include "platform/Fakes.h"
#include "timer/TimerRules.h"

using namespace sorvel;

namespace {
using Twin = TwinWindow;

struct HiddenTwin : ::testing::Test {
    FakeClock clock;
    std::unique_ptr<Twin> shown, hidden;
    int hiddenFrames = 0;   // real frames the hidden one ran

    void SetUp() override {
        clock.now = 7'000'000;
        shown = std::make_unique<Twin>(clock);
        hidden = std::make_unique<Twin>(clock);
        for (Twin* t : {shown.get(), hidden.get()}) ASSERT_TRUE(QTest::qWaitForWindowExposed(t->w.get()));
        settle();
    }
    void TearDown() override {
        for (Twin* t : {shown.get(), hidden.get()}) t->w->hide();
    }
    static void settle() {
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    }
    void both(const std::function<void(Twin&)>& f) {
        f(*shown);
        f(*hidden);
    }
    void hide() {
        hidden->w->showMinimized();
        settle();
    }
    // One frame time: the twin in view ticks; the hidden one ticks only if
    // its timer is due by now (what its event loop would do).
    void step(bool events = true) {
        const int64_t before = hidden->w->state().lastFrameTime;
        clock.now += 51;
        shown->w->tick();
        if (events) settle();   // a posted track end may wake the hidden one here
        const int64_t due = hidden->w->nextTickDue();
        if (due >= 0 && due <= clock.now) hidden->w->tick();
        if (hidden->w->state().lastFrameTime == clock.now && before != clock.now) ++hiddenFrames;
    }
    // Shown again: the first frame it draws must be the twin's picture.
    void showAndCompare(const char* what) {
        const int64_t before = hidden->w->state().lastFrameTime;
        hidden->w->showNormal();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(hidden->w.get())) << what;
        settle();
        const LauncherState& a = shown->w->state();
        const LauncherState& b = hidden->w->state();
        EXPECT_EQ(b.lastFrameTime, clock.now) << what << ": behind when it was seen again";
        // A frame that ran hidden this very millisecond is drawn by the next.
        if (before == clock.now) step();
        EXPECT_EQ(b.pageBannerTicks, a.pageBannerTicks) << what;
        EXPECT_EQ(b.pulseLevel, a.pulseLevel) << what;
        EXPECT_EQ(b.pulseStep, a.pulseStep) << what;
        EXPECT_EQ(b.iconAnim, a.iconAnim) << what;
        EXPECT_EQ(b.framesThisSecond, a.framesThisSecond) << what;
        EXPECT_EQ(b.measuredFps, a.measuredFps) << what;
        EXPECT_EQ(b.secondStartTime, a.secondStartTime) << what;
        EXPECT_EQ(b.listSlideStep, a.listSlideStep) << what;
        EXPECT_EQ(b.infoPanelHalfSize, a.infoPanelHalfSize) << what;
        EXPECT_EQ(b.countdownFrames, a.countdownFrames) << what;
        EXPECT_EQ(b.alarmCount, a.alarmCount) << what;
        EXPECT_EQ(b.musicPlaying, a.musicPlaying) << what;
        EXPECT_EQ(hidden->w->windowTitle(), shown->w->windowTitle()) << what;
        EXPECT_TRUE(hidden->w->picture().image() == shown->w->picture().image()) << what;
        for (int i = 0; i < 10; ++i)
            EXPECT_TRUE(hidden->w->slotButton(i)->surface().image() == shown->w->slotButton(i)->surface().image())
                << what << " slot " << i;
        // And they go on in step.
        step();
        step();
        EXPECT_TRUE(hidden->w->picture().image() == shown->w->picture().image()) << what << ", later";
    }
};
}  // namespace

TEST_F(HiddenTwin, ABriefSpellWithBannerSlidePanelAndCountdown) {
    both([](Twin& t) {
        t.w->state().slotPath[12] = "/usr/bin/true";
        t.w->command2Click(1);   // page 1: the banner
        t.w->com5Click(1);       // the music list slides in
        t.w->command1MouseMove(2);
        t.w->state().countdownFrames = 45;   // runs out at the fourth second mark
        t.w->state().timerArmed = 1;
    });
    hide();
    for (int i = 0; i < 160; ++i) {
        step();
        ASSERT_EQ(hidden->w->windowTitle(), shown->w->windowTitle()) << "frame " << i;
        ASSERT_EQ(hidden->beeper.beeps, shown->beeper.beeps) << "frame " << i;
    }
    EXPECT_EQ(shown->w->state().timerArmed, 0);
    EXPECT_GT(shown->beeper.beeps, 0);
    EXPECT_LT(hiddenFrames, 80) << "a hidden window runs only what must happen on time";
    showAndCompare("brief spell");
}

TEST_F(HiddenTwin, AnHourHiddenWithNothingToDoCostsNoWakeUpAtAll) {
    both([](Twin& t) { t.w->command2Click(1); });   // a banner still fading when it goes
    for (int i = 0; i < 3; ++i) step();
    hide();
    const int minute = 60 * 1000 / 51;
    for (int i = 0; i < minute; ++i) step(i % 500 == 0);
    EXPECT_LE(hiddenFrames, 3 + 8) << "a few frames to settle (a panel the pointer opened), then sleep";
    const int settled = hiddenFrames;
    for (int i = 0; i < 59 * minute; ++i) step(i % 500 == 0);
    EXPECT_EQ(hiddenFrames, settled) << "not one frame in the next 59 minutes";
    EXPECT_EQ(hidden->w->nextTickDue(), -1);
    EXPECT_EQ(shown->w->state().pageBannerTicks, 0);
    showAndCompare("an hour");
}

TEST_F(HiddenTwin, MusicEndingWhileHiddenStartsTheNextTrackOnTime) {
    both([](Twin& t) {
        t.mci.openAnything = true;
        for (const char* p : {"/m/1.mid", "/m/2.mid", "/m/3.mid", "/m/4.mid", "/m/5.mid"}) t.w->musicList().append(p);
        t.w->com5Click(2);   // Play, under 繰返
    });
    for (int i = 0; i < 3; ++i) step();
    hide();
    const int before = hiddenFrames;
    for (int track = 0; track < 7; ++track) {
        for (int i = 0; i < 30; ++i) step();
        both([](Twin& t) { t.mci.endTrack(); });
        step();   // the end is found in the very next frame by both
        ASSERT_EQ(hidden->mci.openPath, shown->mci.openPath) << "after end " << track;
        ASSERT_TRUE(hidden->mci.playing) << track;
        ASSERT_EQ(hidden->w->musicList().selected(), shown->w->musicList().selected()) << track;
    }
    EXPECT_EQ(shown->w->musicList().selected(), 2);   // seven ends of five tracks: the third again
    // Seven track ends and one look a second over 7 x 31 frames (about 11 s).
    EXPECT_LE(hiddenFrames - before, 7 + 13);
    showAndCompare("music");
}

TEST_F(HiddenTwin, ACountdownEndsWhileHiddenAndTheAlarmRingsOnTime) {
    both([](Twin& t) {
        t.w->state().countdownFrames = 60;   // 3 s at 20 frames a second
        t.w->state().timerArmed = 1;
    });
    hide();
    bool rang = false;
    for (int i = 0; i < 200; ++i) {
        step();
        ASSERT_EQ(hidden->w->windowTitle(), shown->w->windowTitle()) << "frame " << i;
        ASSERT_EQ(hidden->beeper.beeps, shown->beeper.beeps) << "frame " << i;
        ASSERT_EQ(hidden->wav.plays, shown->wav.plays) << "frame " << i;
        rang = rang || hidden->w->windowTitle() == QString::fromUtf8(kAlarmCaption);
    }
    EXPECT_TRUE(rang);
    EXPECT_EQ(hidden->w->state().timerArmed, 0);
    EXPECT_GT(hidden->beeper.beeps, 10);
    EXPECT_LT(hiddenFrames, 110) << "the alarm wakes for its steps, not for every frame";
    showAndCompare("countdown");
}

TEST_F(HiddenTwin, AnAlarmRingingOutWhileHiddenLeavesTheSurfaceAsTheTwins) {
    for (int i = 0; i < 2; ++i) step();
    both([](Twin& t) { t.w->state().alarmCount = 9; });
    hide();
    for (int i = 0; i < 140; ++i) {
        step();
        ASSERT_EQ(hidden->beeper.beeps, shown->beeper.beeps) << "frame " << i;
        ASSERT_EQ(hidden->w->picture().backColor(), shown->w->picture().backColor()) << "frame " << i;
    }
    EXPECT_EQ(shown->w->state().alarmCount, 0);
    EXPECT_EQ(shown->beeper.beeps, 9);
    EXPECT_EQ(hidden->w->nextTickDue(), -1) << "rung out and settled: asleep";
    showAndCompare("alarm");
}
