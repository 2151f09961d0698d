// What reaches the screen: after every frame, the window's on-screen image
// (the backing store the platform shows) must equal a fresh rendering of
// every widget, wherever the window is visible: under see-through controls,
// at the corners of controls, after the game and while the icon moves.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTime>
#include <QWindow>
#include <algorithm>
#include <functional>
#include <vector>

#include "TempDir.h"
#include "TwinWindow.h"
#include "WindowFakes.h"
#include "app/MainWindow.h"
#include "launcher/Commands.h"
#include "platform/Fakes.h"

using namespace sorvel;

namespace {
struct FramePath : ::testing::Test, WindowFakes {
    TempDir dir;
    std::unique_ptr<MainWindow> w;

    void SetUp() override {
        // Icons in a colour the backgrounds never take.
        QImage icon(96, 32, QImage::Format_RGB32);
        icon.fill(qRgb(255, 128, 192));
        icon.save(QString::fromStdString(dir.file("ico.bmp")), "BMP");
        icon.save(QString::fromStdString(dir.file("ico1.bmp")), "BMP");
        clock.now = 5'000'000;
        w = std::make_unique<MainWindow>(dir.path(), services());
        w->endProgram = [](int) {};
        w->runFileDialog = [] {};
        w->formLoad();
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        settle();
    }
    void TearDown() override { w->hide(); }

    static void settle() {
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    }
    void frame() {
        clock.now += 1000 / w->state().framesPerSecond + 1;
        w->tick();
        settle();
    }
    // What the platform shows for the window.
    QImage screen() const {
        return w->screen()->grabWindow(w->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    }
    // Every widget painted afresh from the current state.
    QImage fresh() const { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // Pixels of r (window coordinates) where the screen differs from a
    // fresh rendering.
    int stalePixels(const QRect& r, QPoint* first = nullptr) const {
        const QImage a = screen(), b = fresh();
        int n = 0;
        const QRect in = r.intersected(a.rect()).intersected(b.rect());
        for (int y = in.top(); y <= in.bottom(); ++y)
            for (int x = in.left(); x <= in.right(); ++x)
                if (a.pixel(x, y) != b.pixel(x, y)) {
                    if (n == 0 && first) *first = QPoint(x, y);
                    ++n;
                }
        return n;
    }
    QRect inWindow(QWidget* c) const { return QRect(c->mapTo(w.get(), QPoint(0, 0)), c->size()); }
};

// Counts the paint events a widget receives.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};
}  // namespace

TEST_F(FramePath, EveryFrameReachesTheScreenUnderSeeThroughControls) {
    w->command2Click(3);   // TIMER: the "MIDI予約" box stands over the address text
    settle();
    ASSERT_TRUE(w->check2()->isVisible());
    const QRect box = inWindow(w->check2());
    for (int i = 0; i < 12; ++i) {
        frame();
        QPoint at;
        ASSERT_EQ(stalePixels(box, &at), 0) << "frame " << i << " at " << at.x() << "," << at.y();
    }
    // The whole window, not only that box.
    EXPECT_EQ(stalePixels(w->rect()), 0);
}

TEST_F(FramePath, NoStalePixelsAtControlCorners) {
    // The colour pulse of the window background, for a few dozen frames.
    for (int i = 0; i < 30; ++i) frame();
    QPoint at;
    for (QWidget* c : {static_cast<QWidget*>(w->text2(0)), static_cast<QWidget*>(w->text2(1)),
                       static_cast<QWidget*>(w->command3()), static_cast<QWidget*>(w->com5(0)),
                       static_cast<QWidget*>(w->command2(2))}) {
        EXPECT_EQ(stalePixels(inWindow(c), &at), 0) << c->metaObject()->className() << " at " << at.x() << "," << at.y();
    }
    // A track start flashes the background red; the next frames pulse blue.
    w->state().musicPlaying = 1;
    for (int i = 0; i < 40; ++i) frame();   // the icon sways under 登録/上書き
    EXPECT_EQ(stalePixels(w->rect(), &at), 0) << at.x() << "," << at.y();
    w->state().musicPlaying = 0;
    // The game draws under 前, 次 and TIMER; after it they stand on the launcher page.
    w->formKeyDown(kKeyF6);
    w->formKeyDown(kKeyF4);
    for (int i = 0; i < 20; ++i) frame();
    w->formKeyDown(kKeyF6);
    settle();
    for (int i = 0; i < 3; ++i) frame();
    EXPECT_EQ(stalePixels(w->rect(), &at), 0) << at.x() << "," << at.y();
}

TEST_F(FramePath, AMinimisedWindowRunsEveryFrameButDrawsNothing) {
    PaintCounter counter;
    w->pictureWidget()->installEventFilter(&counter);
    for (int i = 0; i < 3; ++i) frame();
    ASSERT_GT(counter.paints, 0);
    w->state().slotPath[3] = "/usr/bin/edit";
    w->command1MouseMove(3);   // the panel opens over the next frames
    w->showMinimized();
    settle();
    const QImage before = w->picture().image().copy();
    const QImage slotBefore = w->slotButton(3)->surface().image().copy();
    const LauncherState s0 = w->state();
    counter.paints = 0;
    for (int i = 0; i < 25; ++i) frame();
    EXPECT_EQ(counter.paints, 0);
    EXPECT_TRUE(w->picture().image() == before);
    EXPECT_TRUE(w->slotButton(3)->surface().image() == slotBefore);
    // ... while every frame's logic ran in order.
    const LauncherState& s = w->state();
    EXPECT_NE(s.pulseLevel, s0.pulseLevel);
    EXPECT_EQ(s.infoPanelHalfSize[0], 145);
    EXPECT_TRUE(w->com5(2)->isHidden());
    EXPECT_NE(s.iconAnim[0] * 2 + s.iconAnim[1], s0.iconAnim[0] * 2 + s0.iconAnim[1]);
    EXPECT_GT(s.lastFrameTime, s0.lastFrameTime + 25 * 50);
    EXPECT_NE(w->windowTitle(), QStringLiteral("ランチャー　左：ファイル　右：フォルダ"));
    // Shown again, the next frame shows the current state everywhere.
    w->showNormal();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    settle();
    frame();
    QPoint at;
    EXPECT_EQ(stalePixels(w->rect(), &at), 0) << at.x() << "," << at.y();
    EXPECT_FALSE(w->picture().image() == before);
    EXPECT_FALSE(w->slotButton(3)->surface().image() == slotBefore);
}

TEST_F(FramePath, BannerPanelAndAlarmFramesReachTheScreenWhole) {
    w->state().slotPath[11] = "/usr/share/doc/readme.txt";
    w->command2Click(1);      // page 1: the banner, solid then striped
    w->command1MouseMove(1);  // the panel opens over slot 11
    QPoint at;
    for (int i = 0; i < 45; ++i) {
        if (i == 20) w->state().hoverIndex = kNoHover;   // and closes again
        if (i == 30) w->state().alarmCount = 6;           // the alarm flashes the surface
        frame();
        ASSERT_EQ(stalePixels(w->rect(), &at), 0) << "frame " << i << " at " << at.x() << "," << at.y();
    }
}

// A minimised window and a shown one, driven by the same clock through the
// same frames and presses, end in the same state; shown again, the next
// frame gives the same picture.
TEST(FramePathHidden, AMinimisedWindowKeepsStepWithAShownOne) {
    using One = TwinWindow;
    FakeClock clock;
    clock.now = 7'000'000;
    One shown(clock), hidden(clock);
    for (One* o : {&shown, &hidden}) ASSERT_TRUE(QTest::qWaitForWindowExposed(o->w.get()));
    hidden.w->showMinimized();
    FramePath::settle();
    auto both = [&](const std::function<void(MainWindow&)>& f) {
        f(*shown.w);
        f(*hidden.w);
    };
    both([](MainWindow& w) {
        w.state().slotPath[2] = "/usr/bin/true";
        w.state().countdownFrames = 45;   // the countdown runs out after 3 s
        w.state().timerArmed = 1;
        w.command2Click(1);               // page 1: the banner
        w.com5Click(1);                   // the music list slides in
        w.command1MouseMove(2);           // the panel opens
    });
    for (int i = 0; i < 120; ++i) {
        clock.now += 51;
        both([](MainWindow& w) { w.tick(); });
        FramePath::settle();
    }
    const LauncherState& a = shown.w->state();
    const LauncherState& b = hidden.w->state();
    EXPECT_EQ(a.timerArmed, 0);   // it ran out, and the alarm went on
    EXPECT_GT(shown.beeper.beeps + shown.wav.plays, 0);
    EXPECT_GT(a.alarmCount, 0);
    EXPECT_EQ(b.countdownFrames, a.countdownFrames);
    EXPECT_EQ(b.timerArmed, a.timerArmed);
    EXPECT_EQ(b.alarmCount, a.alarmCount);
    EXPECT_EQ(hidden.beeper.beeps, shown.beeper.beeps);
    EXPECT_EQ(hidden.wav.plays, shown.wav.plays);
    EXPECT_EQ(b.pageBannerTicks, a.pageBannerTicks);
    EXPECT_EQ(b.listSlideStep, a.listSlideStep);
    EXPECT_EQ(b.infoPanelHalfSize, a.infoPanelHalfSize);
    EXPECT_EQ(b.pulseLevel, a.pulseLevel);
    EXPECT_EQ(b.pulseStep, a.pulseStep);
    EXPECT_EQ(b.iconAnim, a.iconAnim);
    EXPECT_EQ(b.framesThisSecond, a.framesThisSecond);
    EXPECT_EQ(b.measuredFps, a.measuredFps);
    EXPECT_EQ(hidden.w->windowTitle(), shown.w->windowTitle());
    EXPECT_EQ(hidden.w->list1()->y(), shown.w->list1()->y());
    // Shown again: the next frame is the picture the shown one has.
    hidden.w->showNormal();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(hidden.w.get()));
    FramePath::settle();
    clock.now += 51;
    both([](MainWindow& w) { w.tick(); });
    FramePath::settle();
    EXPECT_TRUE(hidden.w->picture().image() == shown.w->picture().image());
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(hidden.w->slotButton(i)->surface().image() == shown.w->slotButton(i)->surface().image()) << i;
    for (One* o : {&shown, &hidden}) o->w->hide();
}

// Only the pixels that differ from the last frame go to the window system,
// and what the screen then shows is, pixel for pixel, what a full redraw of
// every widget would show: over some hundreds of frames of clock, pulse,
// page banner, hover panel, alarm flash and the game.
TEST_F(FramePath, PartialUpdatesShowExactlyWhatAFullRedrawShows) {
    w->state().slotPath[11] = "/usr/share/doc/readme.txt";
    w->state().slotPath[2] = "https://example.org/";
    const QRect surface = inWindow(w->pictureWidget());
    const int whole = surface.width() * surface.height();
    std::vector<int> sent;
    QPoint at;
    for (int i = 0; i < 420; ++i) {
        if (i % 20 == 0) clock.tod = QTime(12, 0, i / 20).toString("hh:mm:ss").toStdString();
        if (i == 30) w->command2Click(1);        // page 1: banner, solid then striped
        if (i == 90) w->command1MouseMove(1);    // the panel opens over slot 11
        if (i == 150) w->state().hoverIndex = kNoHover;   // and closes again
        if (i == 200) w->command1MouseMove(2);
        if (i == 230) w->state().alarmCount = 4;          // the surface flashes
        if (i == 260) w->formKeyDown(kKeyF6);             // the game
        if (i == 262) w->formKeyDown(kKeyF4);
        if (i == 380) w->formKeyDown(kKeyF6);             // back to the launcher
        frame();
        int area = 0;
        for (const QRect& r : w->pictureWidget()->lastSent()) area += r.width() * r.height();
        sent.push_back(area);
        ASSERT_EQ(stalePixels(w->rect(), &at), 0) << "frame " << i << " at " << at.x() << "," << at.y();
    }
    // Most frames change a few rows: the pulse's colour, the clock, the count.
    std::sort(sent.begin(), sent.end());
    EXPECT_LT(sent[sent.size() / 2], whole / 4) << "median area sent " << sent[sent.size() / 2] << " of " << whole;
}
