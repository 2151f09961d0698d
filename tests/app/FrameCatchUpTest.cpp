// Frames left out while hidden, brought forward at once, against the same
// frames run one by one.
#include <gtest/gtest.h>

#include "app/FrameCatchUp.h"
#include "launcher/SlotPage.h"

using namespace sorvel;

namespace {
// What one frame on time does to the state the catch-up covers.
void oneFrame(LauncherState& s) {
    s.lastFrameTime += framePeriodMs(s.framesPerSecond);
    s.pageBannerTicks = static_cast<decltype(s.pageBannerTicks)>(s.pageBannerTicks - 1);
    if (s.pageBannerTicks <= 0) s.pageBannerTicks = 0;
    AdvanceIconSway(s.iconAnim, s.framesPerSecond, s.musicPlaying == 1);
    stepPulse(s.pulseLevel, s.pulseStep);
    wrapAdd(s.framesThisSecond, 1);
    if (s.lastFrameTime - s.secondStartTime > 1000) {
        s.measuredFps = static_cast<int16_t>(s.framesThisSecond);
        s.secondStartTime = s.lastFrameTime;
        s.framesThisSecond = 0;
    }
}

LauncherState startState(int fps, bool music) {
    LauncherState s;
    s.framesPerSecond = static_cast<int16_t>(fps);
    s.lastFrameTime = 9'000'123;
    s.secondStartTime = s.lastFrameTime - 377;
    s.framesThisSecond = 7;
    s.measuredFps = 19;
    s.pageBannerTicks = static_cast<int16_t>(2 * fps);
    s.pulseLevel = 135;
    s.pulseStep = -1;
    s.iconAnim = {2, 1, -4, 1};
    s.musicPlaying = music ? 1 : 0;
    return s;
}

void expectSameFrameState(const LauncherState& a, const LauncherState& b, const std::string& what) {
    EXPECT_EQ(a.lastFrameTime, b.lastFrameTime) << what;
    EXPECT_EQ(a.secondStartTime, b.secondStartTime) << what;
    EXPECT_EQ(a.framesThisSecond, b.framesThisSecond) << what;
    EXPECT_EQ(a.measuredFps, b.measuredFps) << what;
    EXPECT_EQ(a.pageBannerTicks, b.pageBannerTicks) << what;
    EXPECT_EQ(a.pulseLevel, b.pulseLevel) << what;
    EXPECT_EQ(a.pulseStep, b.pulseStep) << what;
    EXPECT_EQ(a.iconAnim, b.iconAnim) << what;
}
}  // namespace

TEST(FrameCatchUp, FramePeriodIsTheFirstWholeMillisecondPastTheInterval) {
    EXPECT_EQ(framePeriodMs(20), 51);   // 50 ms exactly is not yet past
    EXPECT_EQ(framePeriodMs(30), 34);
    EXPECT_EQ(framePeriodMs(7), 143);
    EXPECT_EQ(framePeriodMs(999), 2);
    LauncherState s;
    s.lastFrameTime = 1000;
    EXPECT_EQ(framesDueBy(s, 1050), 0);
    EXPECT_EQ(framesDueBy(s, 1051), 1);
    EXPECT_EQ(framesDueBy(s, 1000 + 3600 * 1000), 3600 * 1000 / 51);
    EXPECT_EQ(framesDueBy(s, 900), 0);   // a clock that went back owes nothing
}

TEST(FrameCatchUp, SkippedFramesEqualTheSameFramesRunOneByOne) {
    for (int fps : {5, 10, 20, 30, 60, 999}) {
        for (bool music : {false, true}) {
            for (int64_t n : {int64_t{1}, int64_t{2}, int64_t{13}, int64_t{40}, int64_t{79}, int64_t{80},
                              int64_t{81}, int64_t{600}, int64_t{5003}, 3'600'000 / framePeriodMs(fps)}) {
                LauncherState ref = startState(fps, music), fast = ref;
                int16_t lastShown = 0;
                for (int64_t i = 0; i < n; ++i) {
                    lastShown = ref.pulseLevel;
                    oneFrame(ref);
                }
                const SkippedFrames done = advanceQuietFrames(fast, n);
                const int64_t marks = done.secondMarks;
                const std::string what = "fps " + std::to_string(fps) + " music " + std::to_string(music) +
                                         " frames " + std::to_string(n);
                expectSameFrameState(fast, ref, what);
                EXPECT_EQ(done.lastPulseLevel, lastShown) << what;
                EXPECT_EQ(marks > 0, fast.secondStartTime != startState(fps, music).secondStartTime) << what;
            }
        }
    }
}

TEST(FrameCatchUp, AnHourLeftOutCountsItsSecondMarks) {
    LauncherState s = startState(20, false);
    const int64_t n = 3'600'000 / 51;
    LauncherState ref = s;
    int64_t refMarks = 0;
    for (int64_t i = 0; i < n; ++i) {
        const int64_t before = ref.secondStartTime;
        oneFrame(ref);
        refMarks += ref.secondStartTime != before;
    }
    EXPECT_EQ(advanceQuietFrames(s, n).secondMarks, refMarks);
    EXPECT_EQ(s.measuredFps, 20);   // 20 frames of 51 ms close each second
    EXPECT_EQ(s.pageBannerTicks, 0);
    const LauncherState before = s;
    EXPECT_EQ(advanceQuietFrames(s, 0).secondMarks, 0);
    EXPECT_EQ(advanceQuietFrames(s, -5).secondMarks, 0);
    expectSameFrameState(s, before, "no frames");
}

TEST(FrameCatchUp, CyclicAdvanceFindsTailAndCycle) {
    // 0 -> 1 -> ... a tail into a cycle that does not hold the start.
    auto step = [](int& x) { x = (x * x + 7) % 1009; };
    for (int64_t n : {int64_t{0}, int64_t{511}, int64_t{512}, int64_t{513}, int64_t{10'000}, int64_t{123'456'789}}) {
        int direct = 3, fast = 3;
        if (n <= 10'000) {
            for (int64_t i = 0; i < n; ++i) step(direct);
            advanceCyclic(fast, n, step);
            EXPECT_EQ(fast, direct) << n;
        } else {
            // Beyond direct reach: agrees with the same count less whole cycles.
            int probe = 3;
            advanceCyclic(probe, n, step);
            int a = 3;
            for (int i = 0; i < 5000; ++i) step(a);   // well inside the cycle
            int b = a;
            int64_t lam = 0;
            do {
                step(b);
                ++lam;
            } while (b != a);
            int c = 3;
            const int64_t reduced = 5000 + (n - 5000) % lam;
            for (int64_t i = 0; i < reduced; ++i) step(c);
            EXPECT_EQ(probe, c) << n;
        }
    }
}

TEST(FrameCatchUp, OnlyFramesThatChangeNothingElseAreLeftOut) {
    LauncherState s;
    FrameFacts f;
    f.captionSettled = true;
    f.trackEndSignalled = true;
    EXPECT_TRUE(framesAreQuiet(s, f));
    {
        FrameFacts g = f;
        g.launcherMode = false;   // the game runs every frame
        EXPECT_FALSE(framesAreQuiet(s, g));
        g = f;
        g.listButtonEnabled = false;   // the slide's last step is still to come
        EXPECT_FALSE(framesAreQuiet(s, g));
    }
    LauncherState t = s;
    t.listSlideStep = 3;
    EXPECT_FALSE(framesAreQuiet(t, f));
    t = s;
    t.alarmCount = 4;
    t.alarmCountSeen = 5;   // the next frame flashes
    EXPECT_FALSE(framesAreQuiet(t, f));
    t = s;
    t.hoverIndex = 2;   // the panel still grows
    t.infoPanelHalfSize = {50, 20};
    EXPECT_FALSE(framesAreQuiet(t, f));
    t.infoPanelHalfSize = {145, 21};
    EXPECT_TRUE(framesAreQuiet(t, f));
    t = s;
    t.infoPanelHalfSize = {7, 3};   // still shrinking
    EXPECT_FALSE(framesAreQuiet(t, f));
    t = s;
    t.musicPlaying = 1;
    EXPECT_TRUE(framesAreQuiet(t, f));
    FrameFacts polled = f;
    polled.trackEndSignalled = false;   // a device that cannot tell is polled every frame
    EXPECT_FALSE(framesAreQuiet(t, polled));
}

TEST(FrameCatchUp, WakesOnlyForWhatMustHappenOnTime) {
    LauncherState s;
    s.framesPerSecond = 20;
    s.lastFrameTime = 100'000;
    s.secondStartTime = 100'000 - 51 * 5;   // five frames into the second
    s.framesThisSecond = 5;
    FrameFacts f;
    f.captionSettled = true;
    f.trackEndSignalled = true;
    EXPECT_EQ(framesUntilNeeded(s, f), kNoFrameNeeded);   // idle: no wake-up at all
    // The second closes 15 frames later (20 x 51 ms > 1000 ms).
    LauncherState t = s;
    t.timerArmed = 1;
    t.countdownFrames = 100;
    EXPECT_EQ(framesUntilNeeded(t, f), 15);
    t = s;
    t.musicPlaying = 1;   // the once-a-second look at the device
    EXPECT_EQ(framesUntilNeeded(t, f), 15);
    FrameFacts unsettled = f;
    unsettled.captionSettled = false;
    EXPECT_EQ(framesUntilNeeded(s, unsettled), 15);
    // The alarm: its repetition at count 10 comes before the mark.
    t = s;
    t.alarmCount = t.alarmCountSeen = 7;
    EXPECT_EQ(framesUntilNeeded(t, f), 6);
    t.framesThisSecond = 10;
    EXPECT_EQ(framesUntilNeeded(t, f), 1);
    t.framesThisSecond = 0;
    EXPECT_EQ(framesUntilNeeded(t, f), 1);
    t.framesThisSecond = 12;   // past half: the mark, then count 0
    EXPECT_EQ(framesUntilNeeded(t, f), 15);
    // Frames a late wake-up left behind are owed at once.
    t = s;
    t.timerArmed = 1;
    t.secondStartTime = 100'000 - 5000;
    EXPECT_EQ(framesUntilNeeded(t, f), 1);
}
