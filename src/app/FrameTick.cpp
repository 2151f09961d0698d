// The frame tick: when the next frame is due, the frames a hidden window
// leaves out and brings forward, and one frame's steps after the drawing.
#include <QCheckBox>
#include <QPushButton>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "app/MainWindow.h"
#include "timer/TimerRules.h"

namespace sorvel {

void MainWindow::scheduleTick() {
    if (ended_) return;
    const double interval = 1000.0 / st_.framesPerSecond;
    const int64_t now = sv_.clock->nowMs();
    int64_t due = static_cast<int64_t>(std::floor(static_cast<double>(st_.lastFrameTime) + interval)) + 1;
    const FrameFacts facts = frameFacts();
    if (loaded_ && !frameCanBeSeen() && !trackEndPending_ && framesAreQuiet(st_, facts)) {
        // Hidden with nothing to show: sleep until the first frame that must
        // run on time, on the grid the frames would have kept.
        skippingFrames_ = true;
        const int64_t need = framesUntilNeeded(st_, facts);
        if (need == kNoFrameNeeded) {
            timer_.stop();
            nextTickDue_ = -1;
            return;
        }
        due = st_.lastFrameTime + need * framePeriodMs(st_.framesPerSecond);
    }
    nextTickDue_ = due;
    int64_t delay = due - now;
    if (delay < 0) delay = 0;
    // Long sleeps are taken in one piece; a frame on view never waits a second.
    if (delay > 1000 && !skippingFrames_) delay = 1000;
    if (delay > 24 * 3600 * 1000) delay = 24 * 3600 * 1000;
    timer_.start(static_cast<int>(delay));
}

FrameFacts MainWindow::frameFacts() const {
    FrameFacts f;
    f.launcherMode = launcherMode();
    f.listButtonEnabled = com5_[1]->isEnabled();
    f.captionSettled = captionSettled_;
    f.trackEndSignalled = trackEndSignalled_;
    return f;
}

MainWindow::HandlerScope::HandlerScope(MainWindow& w) : w_(w) { w_.catchUpSkippedFrames(w_.sv_.clock->nowMs()); }
MainWindow::HandlerScope::~HandlerScope() { w_.scheduleTick(); }

// Brings forward what the frames left out while hidden would have done, up
// to the frame due now, which runs for real.
void MainWindow::catchUpSkippedFrames(int64_t now) {
    if (!skippingFrames_) return;
    skippingFrames_ = false;
    const FrameFacts facts = frameFacts();
    if (!framesAreQuiet(st_, facts)) return;
    const int64_t skip = std::min(framesDueBy(st_, now), framesUntilNeeded(st_, facts)) - 1;
    if (skip <= 0) return;
    const SkippedFrames done = advanceQuietFrames(st_, skip);
    // Texts are drawn in the colour the frame before set.
    picture1_->surface().setForeColor(qRgb(0, 0, done.lastPulseLevel));
    setFormColor(qRgb(0, 0, done.lastPulseLevel));
}

void MainWindow::trackEnded() {
    if (st_.musicPlaying != 1) return;
    trackEndPending_ = true;
    if (skippingFrames_) scheduleTick();
}

void MainWindow::tick() {
    if (ended_) return;
    const double interval = 1000.0 / st_.framesPerSecond;
    const int64_t now = sv_.clock->nowMs();
    catchUpSkippedFrames(now);
    if (static_cast<double>(st_.lastFrameTime) + interval >= static_cast<double>(now)) {
        scheduleTick();
        return;
    }
    st_.lastFrameTime = sv_.clock->nowMs();
    drawFrame();
    trackEndPending_ = false;
    music_->poll();
    music_->slideStep();
    st_.alarmCountSeen = st_.alarmCount;
    if (alarmDue(st_)) alarmStep();
    wrapAdd(st_.framesThisSecond, 1);
    if (st_.lastFrameTime - st_.secondStartTime > 1000) {
        const CountdownTick t = UpdateCountdown(st_);
        // [audio wake-up] The alarm's device, closed when quiet, is opened
        // again a few seconds ahead of the first ring.
        if (alarmSoundWantedSoon(st_)) sv_.wav->prepare(st_.alarmSound);
        if (t.expired && check2_->isChecked()) com5Click(2);
        setWindowTitle(QString::fromStdString(t.caption));
        captionSettled_ = st_.timerArmed == 0 && st_.countdownFrames <= 0 && st_.alarmCount == 0;
        st_.measuredFps = static_cast<int16_t>(st_.framesThisSecond);
        st_.secondStartTime = st_.lastFrameTime;
        st_.framesThisSecond = 0;
    }
    scheduleTick();
}

bool MainWindow::frameCanBeSeen() const {
    // Before the window is first shown the frame is drawn, so that it opens
    // with a picture; once shown, only while the platform shows it.
    if (!isVisible()) return true;
    if (isMinimized()) return false;
    const QWindow* h = windowHandle();
    return !h || h->isExposed();
}

}  // namespace sorvel
