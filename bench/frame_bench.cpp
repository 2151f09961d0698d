// Median cost of one DrawFrame of the launcher page (offscreen).
#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/MainWindow.h"
#include "app/SlotAccessible.h"
#include "platform/Fakes.h"

using namespace sorvel;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    FakeClock clock;
    RecordingShell shell;
    CountingBeeper beeper;
    FakeClipboard clip;
    FakeLocalAddress local;
    FakeWavPlayer wav;
    FakeMci mci;
    MainWindow w(dir.path().toStdString() + "/", {&clock, &shell, &beeper, &clip, &local, &wav, &mci});
    w.formLoad();
    for (int i = 0; i < 10; ++i) w.state().slotPath[i] = i % 2 ? "/usr/share/doc/" : "/usr/bin/some-program";
    auto median = [&](int hover) {
        std::vector<double> us;
        for (int i = 0; i < 2000; ++i) {
            w.state().hoverIndex = static_cast<int16_t>(hover);
            const auto t0 = std::chrono::steady_clock::now();
            w.drawFrame();
            const auto t1 = std::chrono::steady_clock::now();
            us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        }
        std::sort(us.begin(), us.end());
        return us[us.size() / 2];
    };
    std::printf("DrawFrame median, panel closed: %.1f us\n", median(10));
    std::printf("DrawFrame median, panel open:   %.1f us\n", median(3));
    // As when a screen reader listens: the texts it reads are kept current.
    SlotAccessibility::listening = [] { return true; };
    std::printf("DrawFrame median, panel closed, a screen reader listening: %.1f us\n", median(10));
    SlotAccessibility::listening = &QAccessible::isActive;
    w.formKeyDown(117);   // F6: game screen
    w.formKeyDown(115);   // F4
    std::printf("DrawFrame median, game screen:  %.1f us\n", median(10));
    return 0;
}
