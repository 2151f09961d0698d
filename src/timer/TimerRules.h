// Redraw rate, countdown and alarm rules.
#pragma once

#include <cstdint>
#include <string>

#include "launcher/LauncherState.h"

namespace sorvel {

// The leading number of a text as a real number: blanks, tabs and line
// feeds are skipped wherever they stand; sign, digits, one decimal point
// and an exponent are accepted; the first other character ends it. A text
// without a leading number gives 0. Too large values come back as +/-inf.
double readLeadingNumber(const std::string& text);

// Nearest whole number, halves to even, clamped to [lo, hi].
int64_t roundHalfEvenClamped(double v, int64_t lo, int64_t hi);

constexpr int kMinFps = 5;
constexpr int kMaxFps = 32767;

// "OK（分）": arm a countdown of v minutes.
void confirmMinutes(LauncherState& s, double v);
// "FPS　OK": change the rate (v > 0 only), rescaling the countdown.
// Returns true when the rate was changed.
bool confirmRate(LauncherState& s, double v);

struct CountdownTick {
    bool expired = false;   // the countdown ran out at this mark
    std::string caption;    // the new window caption
};
// Once per second mark.
CountdownTick UpdateCountdown(LauncherState& s);

extern const char* const kAlarmCaption;
// Said while the alarm rings: how to stop it without a mouse.
extern const char* const kAlarmStopKeyHint;   // "Escで止まるよ"
// What a screen reader reads first on the drawing surface while the alarm
// rings: the alarm and how to stop it; empty otherwise.
std::string alarmSpeechLine(const LauncherState& s);
// Repetitions of one alarm.
constexpr int16_t kAlarmRepetitions = 500;

// The measured rate of the status strip: right-aligned in three places; a
// count above 999 shows its last three digits, zeros included ("005").
std::string frameCountField(int n);

// The audio device sleeps when nothing sounds; it is made ready this many
// seconds before an armed countdown runs out, so the first ring never
// waits for it.
constexpr int kAlarmLeadSeconds = 3;
// True at the second marks from kAlarmLeadSeconds before the countdown's
// end up to its expiry.
bool alarmSoundWantedSoon(const LauncherState& s);

// True when this frame's repetition is due (called before framesThisSecond
// is incremented).
bool alarmDue(const LauncherState& s);
// Whether the alarm shows: it rings, or its last flash left the surface
// green. Then the key that stops the alarm does what a mouse press on the
// surface does; otherwise it does nothing of its own.
bool alarmShows(const LauncherState& s, bool surfaceFlashed);

}  // namespace sorvel
