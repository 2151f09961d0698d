#include "app/FrameCatchUp.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "launcher/PanelText.h"
#include "launcher/SlotPage.h"

namespace sorvel {

namespace {
int64_t floorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// Frames from the last one to the one that closes the measuring second.
int64_t framesToSecondMark(const LauncherState& s) {
    const int64_t d = framePeriodMs(s.framesPerSecond);
    return std::max<int64_t>(1, floorDiv(s.secondStartTime + 1000 - s.lastFrameTime, d) + 1);
}

bool panelSettled(const LauncherState& s) {
    return panelWanted(s) ? panelFullyOpen(s) : (s.infoPanelHalfSize[0] == 0 && s.infoPanelHalfSize[1] == 0);
}

struct Pulse {
    int16_t level, step;
    bool operator==(const Pulse& o) const { return level == o.level && step == o.step; }
};
}  // namespace

int64_t framePeriodMs(int fps) {
    if (fps < 1) fps = 1;
    return static_cast<int64_t>(std::floor(1000.0 / fps)) + 1;
}

int64_t framesDueBy(const LauncherState& s, int64_t now) {
    if (now <= s.lastFrameTime) return 0;
    return (now - s.lastFrameTime) / framePeriodMs(s.framesPerSecond);
}

void stepPulse(int16_t& level, int16_t& step) {
    level = static_cast<int16_t>(level + 5 * step);
    if (level >= 200) step = static_cast<int16_t>(-step);
    if (level <= 0) step = static_cast<int16_t>(-step);
}

bool framesAreQuiet(const LauncherState& s, const FrameFacts& f) {
    return f.launcherMode && s.listSlideStep == 60 && f.listButtonEnabled && s.alarmCountSeen == s.alarmCount &&
           panelSettled(s) && (s.musicPlaying != 1 || f.trackEndSignalled);
}

int64_t framesUntilNeeded(const LauncherState& s, const FrameFacts& f) {
    int64_t need = kNoFrameNeeded;
    // The second mark counts down, ends the countdown, writes the caption;
    // while music plays it also polls the device, in case a track's end
    // goes unsignalled.
    const bool markMatters = s.timerArmed != 0 || s.countdownFrames > 0 || s.alarmCount != 0 ||
                             !f.captionSettled || s.musicPlaying == 1;
    if (markMatters) need = framesToSecondMark(s);
    if (s.alarmCount > 0) {
        // The next frame whose count (before it is raised) is 0 or half the rate.
        const int64_t count = s.framesThisSecond, half = s.framesPerSecond / 2;
        if (count == 0 || count == half) need = 1;
        else if (count < half) need = std::min(need, half - count + 1);
    }
    return need;
}

SkippedFrames advanceQuietFrames(LauncherState& s, int64_t n) {
    SkippedFrames out;
    out.lastPulseLevel = s.pulseLevel;
    if (n <= 0) return out;
    const int64_t d = framePeriodMs(s.framesPerSecond);

    // Banner: one tick a frame, down to 0.
    const int64_t ticks = s.pageBannerTicks;
    s.pageBannerTicks = static_cast<decltype(s.pageBannerTicks)>(ticks > n ? ticks - n : 0);

    Pulse p{s.pulseLevel, s.pulseStep};
    advanceCyclic(p, n - 1, [](Pulse& q) { stepPulse(q.level, q.step); });
    out.lastPulseLevel = p.level;   // each frame shows the level before its step
    stepPulse(p.level, p.step);
    s.pulseLevel = p.level;
    s.pulseStep = p.step;

    const int fps = s.framesPerSecond;
    const bool playing = s.musicPlaying == 1;
    advanceCyclic(s.iconAnim, n, [fps, playing](std::array<int16_t, 4>& a) { AdvanceIconSway(a, fps, playing); });

    // The measuring second: the first mark after k1 frames, then one every
    // m frames.
    int64_t& marks = out.secondMarks;
    const int64_t k1 = framesToSecondMark(s);
    if (n < k1) {
        wrapAdd(s.framesThisSecond, static_cast<int32_t>(n));
    } else {
        int32_t count = s.framesThisSecond;
        wrapAdd(count, static_cast<int32_t>(k1));
        s.measuredFps = static_cast<int16_t>(count);
        s.secondStartTime = s.lastFrameTime + k1 * d;
        marks = 1;
        const int64_t m = 1000 / d + 1;
        const int64_t rest = n - k1;
        const int64_t q = rest / m;
        if (q > 0) {
            s.measuredFps = static_cast<int16_t>(m);
            s.secondStartTime += q * m * d;
            marks += q;
        }
        s.framesThisSecond = static_cast<int32_t>(rest - q * m);
    }
    s.lastFrameTime += n * d;
    return out;
}

}  // namespace sorvel
