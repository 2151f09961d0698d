// The frame state of frames a hidden window did not run.
//
// While the window cannot be seen and nothing on it must happen on time,
// the tick sleeps; before the next real frame, what the skipped frames would
// have advanced (banner ticks, colour pulse, icon sway, measuring second) is
// brought forward as if each of them had run on time.
#pragma once

#include <cstdint>
#include <limits>

#include "launcher/LauncherState.h"

namespace sorvel {

constexpr int64_t kNoFrameNeeded = std::numeric_limits<int64_t>::max();

// Milliseconds from one frame to the next when every timer event comes on
// time: a frame starts at the first whole millisecond more than 1000 / fps
// after the last one.
int64_t framePeriodMs(int fps);

// The first millisecond at which the next frame may start: a frame is drawn
// once more than 1000 / fps milliseconds have passed since the last.
inline int64_t nextFrameDue(const LauncherState& s) { return s.lastFrameTime + framePeriodMs(s.framesPerSecond); }

// How many frames the tick would have started after lastFrameTime, up to
// and including the millisecond now.
int64_t framesDueBy(const LauncherState& s, int64_t now);

// What a frame does besides drawing, as far as the window knows it.
struct FrameFacts {
    bool launcherMode = true;        // not in the game
    bool listButtonEnabled = true;   // List U/D enabled (the slide's idle state reached)
    bool captionSettled = false;     // the caption is the one an idle second mark writes
    bool trackEndSignalled = false;  // the music device tells when a track ends
};

// True when the coming frames change nothing but what advanceQuietFrames
// computes, apart from the frames framesUntilNeeded names.
bool framesAreQuiet(const LauncherState& s, const FrameFacts& f);

// Of the coming frames (1 = the next), the first that must run for real: a
// second mark that counts down, rings, polls the music or rewrites the
// caption, or a frame of the alarm. kNoFrameNeeded when none must.
int64_t framesUntilNeeded(const LauncherState& s, const FrameFacts& f);

struct SkippedFrames {
    int64_t secondMarks = 0;     // second marks among them
    int16_t lastPulseLevel = 0;  // the pulse colour the last of them set
};
// Advances n quiet frames as if each had run on time.
SkippedFrames advanceQuietFrames(LauncherState& s, int64_t n);

// One frame's step of the colour pulse.
void stepPulse(int16_t& level, int16_t& step);

// Applies step n times to x, in time bounded by the cycle the state runs
// into rather than by n.
template <class T, class Step>
void advanceCyclic(T& x, int64_t n, Step step) {
    constexpr int64_t kDirect = 512;
    constexpr int64_t kLongestCycle = int64_t{1} << 22;
    if (n <= kDirect) {
        for (int64_t i = 0; i < n; ++i) step(x);
        return;
    }
    // Brent: the cycle's length lam, then where it starts (mu).
    int64_t power = 1, lam = 1;
    T tortoise = x, hare = x;
    step(hare);
    while (!(tortoise == hare)) {
        if (lam > kLongestCycle) {   // no short cycle: plain steps
            for (int64_t i = 0; i < n; ++i) step(x);
            return;
        }
        if (power == lam) {
            tortoise = hare;
            power *= 2;
            lam = 0;
        }
        step(hare);
        ++lam;
    }
    tortoise = x;
    hare = x;
    for (int64_t i = 0; i < lam; ++i) step(hare);
    int64_t mu = 0;
    while (!(tortoise == hare)) {
        step(tortoise);
        step(hare);
        ++mu;
    }
    const int64_t steps = n < mu ? n : mu + (n - mu) % lam;
    for (int64_t i = 0; i < steps; ++i) step(x);
}

}  // namespace sorvel
