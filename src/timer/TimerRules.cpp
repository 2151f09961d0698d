#include "timer/TimerRules.h"

#include "persistence/ItemFile.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace sorvel {

const char* const kAlarmCaption = "時間だよ！　クリックで止まるよ";
const char* const kAlarmStopKeyHint = "Escで止まるよ";

double readLeadingNumber(const std::string& text) {
    enum { Start, Sign, Int, Frac, Exp0, Exp1, Exp } st = Start;
    std::string num;
    size_t validLen = 0;   // length of the longest valid prefix in num
    bool seenDigit = false;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
        const bool digit = c >= '0' && c <= '9';
        const bool expCh = c == 'e' || c == 'E' || c == 'd' || c == 'D';
        bool take = false;
        switch (st) {
            case Start:
                if (c == '+' || c == '-') st = Sign, take = true;
                else if (digit) st = Int, take = true;
                else if (c == '.') st = Frac, take = true;
                break;
            case Sign:
                if (digit) st = Int, take = true;
                else if (c == '.') st = Frac, take = true;
                break;
            case Int:
                if (digit) take = true;
                else if (c == '.') st = Frac, take = true;
                else if (expCh && seenDigit) st = Exp0, take = true;
                break;
            case Frac:
                if (digit) take = true;
                else if (expCh && seenDigit) st = Exp0, take = true;
                break;
            case Exp0:
                if (c == '+' || c == '-') st = Exp1, take = true;
                else if (digit) st = Exp, take = true;
                break;
            case Exp1:
            case Exp:
                if (digit) st = Exp, take = true;
                break;
        }
        if (!take) break;
        num += expCh ? 'e' : c;
        if (digit) {
            if (st == Int || st == Frac) seenDigit = true;
            if (seenDigit) validLen = num.size();
        }
    }
    if (!seenDigit) return 0.0;
    num.resize(validLen);
    // Overflow gives infinity, underflow zero.
    return parseReal(num).value_or(0.0);
}

int64_t roundHalfEvenClamped(double v, int64_t lo, int64_t hi) {
    if (std::isnan(v)) return 0 < lo ? lo : (0 > hi ? hi : 0);
    if (v <= static_cast<double>(lo)) return lo;
    if (v >= static_cast<double>(hi)) return hi;
    const int64_t r = static_cast<int64_t>(std::nearbyint(v));
    return r < lo ? lo : (r > hi ? hi : r);
}

namespace {
constexpr int64_t kLongMin = std::numeric_limits<int32_t>::min();
constexpr int64_t kLongMax = std::numeric_limits<int32_t>::max();
}  // namespace

void confirmMinutes(LauncherState& s, double v) {
    s.countdownFrames = static_cast<int32_t>(
        roundHalfEvenClamped(v * static_cast<double>(s.framesPerSecond) * 60.0, kLongMin, kLongMax));
    s.timerArmed = 1;
}

bool confirmRate(LauncherState& s, double v) {
    if (!(v > 0)) return false;
    const int64_t secondsLeft =
        roundHalfEvenClamped(static_cast<double>(s.countdownFrames) / s.framesPerSecond, kLongMin, kLongMax);
    int64_t fps = roundHalfEvenClamped(v, std::numeric_limits<int16_t>::min(), kMaxFps);
    s.iconAnim[0] = 0;
    if (fps < kMinFps) fps = kMinFps;
    s.framesPerSecond = static_cast<int16_t>(fps);
    const int64_t frames = secondsLeft * fps;
    s.countdownFrames = static_cast<int32_t>(frames < kLongMin ? kLongMin : (frames > kLongMax ? kLongMax : frames));
    return true;
}

CountdownTick UpdateCountdown(LauncherState& s) {
    CountdownTick t;
    if (s.timerArmed == 1 && s.countdownFrames <= 0) {
        s.timerArmed = 0;
        s.alarmCount = kAlarmRepetitions;
        t.expired = true;
    }
    const std::string tail = " FPS:" + std::to_string(s.framesPerSecond) + " 左：ファイル　右：フォルダ";
    if (s.countdownFrames <= 0) {
        t.caption = tail.substr(1);
    } else {
        wrapAdd(s.countdownFrames, -s.framesPerSecond);
        const double f = s.framesPerSecond;
        // Under a second left the count goes below zero; it shows 0:0 until
        // the next mark rings.
        const double left = s.countdownFrames < 0 ? 0.0 : static_cast<double>(s.countdownFrames);
        const double m = std::floor(left / 60.0 / f);
        const double sec = std::floor(left / f - m * 60.0);
        t.caption = std::to_string(static_cast<long long>(m)) + ":" + std::to_string(static_cast<long long>(sec)) + tail;
    }
    return t;
}

bool alarmSoundWantedSoon(const LauncherState& s) {
    if (s.timerArmed != 1 || s.framesPerSecond <= 0) return false;
    return s.countdownFrames <= static_cast<int64_t>(kAlarmLeadSeconds) * s.framesPerSecond;
}

std::string frameCountField(int n) {
    if (n < 0) return std::to_string(n);
    if (n > 999) {
        const std::string d = std::to_string(n % 1000);
        return std::string(3 - d.size(), '0') + d;
    }
    const std::string d = std::to_string(n);
    return std::string(3 - d.size(), ' ') + d;
}

bool alarmDue(const LauncherState& s) {
    return s.alarmCount > 0 && (s.framesThisSecond == 0 || s.framesThisSecond == s.framesPerSecond / 2);
}

bool alarmShows(const LauncherState& s, bool surfaceFlashed) { return s.alarmCount > 0 || surfaceFlashed; }

std::string alarmSpeechLine(const LauncherState& s) {
    return s.alarmCount > 0 ? std::string(kAlarmCaption) + " " + kAlarmStopKeyHint : std::string();
}

}  // namespace sorvel
