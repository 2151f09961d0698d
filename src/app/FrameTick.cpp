// The frame tick: when the next frame is due, the frames a hidden window
// leaves out and brings forward, one frame's drawing and its steps after
// the drawing, and the window's animated background.
#include <QCheckBox>
#include <QPaintEngine>
#include <QPainter>
#include <QPushButton>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "app/MainWindow.h"
#include "launcher/SlotSpeech.h"
#include "timer/TimerRules.h"

namespace sorvel {

void MainWindow::scheduleTick() {
    if (ended_) return;
    const int64_t now = sv_.clock->nowMs();
    int64_t due = nextFrameDue(st_);
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
    f.listButtonEnabled = panel_->listUDEnabled();
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
    const int64_t now = sv_.clock->nowMs();
    catchUpSkippedFrames(now);
    if (now < nextFrameDue(st_)) {
        scheduleTick();
        return;
    }
    st_.lastFrameTime = sv_.clock->nowMs();
    drawFrame();
    trackEndPending_ = false;
    panel_->music().poll();
    panel_->music().slideStep();
    st_.alarmCountSeen = st_.alarmCount;
    if (alarmDue(st_)) alarmStep();
    wrapAdd(st_.framesThisSecond, 1);
    if (st_.lastFrameTime - st_.secondStartTime > 1000) {
        const CountdownTick t = UpdateCountdown(st_);
        // The alarm's device, closed when quiet, is opened again a few
        // seconds ahead of the first ring.
        if (alarmSoundWantedSoon(st_)) sv_.wav->prepare(st_.alarmSound);
        if (t.expired && check2_->isChecked()) com5Click(Com5::Play);
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

// ---- drawing --------------------------------------------------------------------

void MainWindow::drawFrame() {
    Surface& pic = picture1_->surface();
    // A window that cannot be seen runs the frame's logic but draws nothing.
    const bool seen = frameCanBeSeen();
    pic.setSuspended(!seen);
    for (auto* b : command1_) {
        if (b) b->surface().setSuspended(!seen);
    }
    st_.pageBannerTicks -= 1;
    if (st_.pageBannerTicks <= 0) st_.pageBannerTicks = 0;
    pic.cls();
    if (st_.alarmCountSeen != st_.alarmCount) {
        pic.setBackColor(pic.backColor() == kPictureGrey ? kAlarmGreen : kPictureGrey);
        pic.cls();
    }
    const bool launcher = launcherMode();
    if (launcher) {
        int16_t icon = 1;
        DrawIcon(icon, st_, pic, icons_);
    }
    for (int i = 0; i < 10; ++i) slotView_.buttons[i] = command1_[i] ? &command1_[i]->surface() : nullptr;
    slotView_.launcherMode = launcher;
    DrawSlotPage(st_, slotView_);

    if (seen) {
        pic.pset(0, 41, pic.point(0, 41));
        pic.print(QString::fromStdString(sv_.clock->timeOfDay() + st_.lineBreak + frameCountField(st_.measuredFps)) +
                  QStringLiteral("fps"));
    }

    if (st_.pageBannerTicks > 0 && seen) {
        pic.box(1, 41, 70, 75, qRgb(255, 255, 255));
        pic.pset(1, 43, pic.point(1, 43));
        pic.print(pageBannerTop(st_.slotPage));
        pic.pset(1, 57, pic.point(1, 57));
        pic.print(pageBannerBottom(st_.slotPage));
    }
    if (st_.pageBannerTicks != 0 && st_.pageBannerTicks <= st_.framesPerSecond / 1.5 && seen) {
        const QRgb c = pic.point(0, 41);
        for (int y = (st_.pageBannerTicks % 2 == 0) ? 41 : 40; y <= 75; y += 2) pic.line(1, y, 71, y, c);
    }

    const QRgb pulse = qRgb(0, 0, st_.pulseLevel);
    pic.setForeColor(pulse);
    setFormColor(pulse);
    stepPulse(st_.pulseLevel, st_.pulseStep);

    if (!launcher) {
        DrawGame(game_, pic, st_.pulseLevel, st_.rowLevel);
        UpdateGame(game_, st_.rowLevel, rng_);
    }
    picture1_->refresh();
    for (auto* b : command1_) {
        if (b && !b->isHidden()) b->refresh();
    }
    a11y_->frameDone();
}

void MainWindow::setFormColor(QRgb c) {
    if (c == formColor_) return;
    formColor_ = c;
    if (picture1_->surface().suspended()) return;   // an exposure repaints it all
    // All of the window background that shows: under see-through controls
    // too, but not under those that paint their whole rectangle.
    std::vector<QRect> covered;
    for (QObject* o : children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w && coversItsRect(w)) covered.push_back(w->geometry());
    }
    if (covered != backgroundCovers_ || backgroundShows_.isEmpty()) {
        backgroundCovers_ = std::move(covered);
        backgroundShows_ = QRegion(rect());
        for (const QRect& c : backgroundCovers_) backgroundShows_ -= c;
    }
    update(backgroundShows_);
}

void MainWindow::paintEvent(QPaintEvent* e) {
    // The background shows in a few strips and changes colour every frame.
    // Painted straight into the window's own picture of its pixels (the
    // usual case), they are filled in place: the painter's fill through the
    // strips' clip costs more than the fill itself.
    QPainter p(this);
    QPaintEngine* engine = p.paintEngine();
    auto* img = engine ? dynamic_cast<QImage*>(engine->paintDevice()) : nullptr;
    if (img && p.deviceTransform().isIdentity() &&
        (img->format() == QImage::Format_RGB32 || img->format() == QImage::Format_ARGB32_Premultiplied)) {
        const QRgb c = formColor_ | 0xff000000u;
        for (const QRect& r : e->region().intersected(img->rect())) {
            for (int y = r.top(); y <= r.bottom(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(img->scanLine(y));
                std::fill(row + r.left(), row + r.right() + 1, c);
            }
        }
        return;
    }
    for (const QRect& r : e->region()) p.fillRect(r, QColor(formColor_));
}

}  // namespace sorvel
