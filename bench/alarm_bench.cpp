// The frame that holds the alarm's first repetition against ordinary frames
// and later repetitions, with the real audio module: once with the sound
// made ready when the timer entry opens (as the program does), once with
// everything left to the first repetition. Each run is a fresh process, so
// that the module and the device start unloaded.
//   alarm_bench [runs]
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "platform/Fakes.h"
#include "platform/LazyAudio.h"

using namespace sorvel;

namespace {
double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Plays through the real player but never gets ready in advance.
class UnpreparedWav : public WavPlayer {
public:
    explicit UnpreparedWav(WavPlayer& real) : real_(real) {}
    bool playFromMemory(const std::vector<uint8_t>& wav) override { return real_.playFromMemory(wav); }

private:
    WavPlayer& real_;
};

// mode 0: the sound is made ready when the timer entry opens; 1: left to
// the first ring; 2: made ready, the device closed after a quiet spell, and
// a countdown of six seconds (the device opens again ahead of the ring).
int child(int argc, char** argv, int mode) {
    const bool prepared = mode != 1;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/";
    QFile::copy(QStringLiteral(SORVEL_DIST) + QStringLiteral("/bg.wav"), dir.filePath(QStringLiteral("bg.wav")));
    FakeClock clock;
    clock.now = 5'000'000;
    RecordingShell shell;
    CountingBeeper beeper;
    FakeClipboard clip;
    FakeLocalAddress local;
    FakeMci mci;
    AudioModule audio(SORVEL_DIST "/", folder);
    if (mode == 2) audio.setQuietSpell(100);
    LazyWavPlayer lazy(audio);
    UnpreparedWav unprepared(lazy);
    WavPlayer* wav = prepared ? static_cast<WavPlayer*>(&lazy) : &unprepared;
    double entryMs = 0, first = -1;
    std::vector<double> later, ordinary;
    {
        MainWindow w(folder, {&clock, &shell, &beeper, &clip, &local, wav, &mci});
        w.formLoad();
        using Clock = std::chrono::steady_clock;
        const auto e0 = Clock::now();
        w.command2Click(3);   // the timer entry: reads (and readies) the sound
        entryMs = std::chrono::duration<double, std::milli>(Clock::now() - e0).count();
        if (mode == 2) {
            // The quiet spell passes: the device closes.
            QElapsedTimer t;
            t.start();
            while (t.elapsed() < 400) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            if (audio.closeWaiting()) std::fprintf(stderr, "alarm_bench: the device did not close\n");
        }
        w.text1()->setText(QString::fromLatin1(mode == 2 ? "0.1" : "0"));
        w.command4Click(0);
        for (int i = 0; i < (mode == 2 ? 420 : 300); ++i) {
            clock.now += 51;
            const int16_t before = w.state().alarmCount;
            const auto t0 = Clock::now();
            w.tick();
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
            const bool rang = w.state().alarmCount < before && before > 0;
            if (rang && first < 0) first = ms;
            else if (rang) later.push_back(ms);
            else ordinary.push_back(ms);
        }
    }
    audio.shutdown();
    const double slowest = ordinary.empty() ? 0 : *std::max_element(ordinary.begin(), ordinary.end());
    std::printf("%.4f %.4f %.4f %.4f %.4f\n", first, median(later), median(ordinary), entryMs, slowest);
    return first < 0 ? 1 : 0;
}
}  // namespace

int main(int argc, char** argv) {
    const char* modes[3] = {"--ready", "--unready", "--slept"};
    for (int m = 0; m < 3; ++m)
        if (argc >= 2 && std::string(argv[1]) == modes[m]) return child(argc, argv, m);
    const int runs = argc >= 2 ? std::max(1, std::atoi(argv[1])) : 7;
    if (!std::getenv("SDL_AUDIODRIVER")) setenv("SDL_AUDIODRIVER", "dummy", 1);
    struct Figures {
        std::vector<double> first, later, ordinary, entry, slowest;
    } fig[3];
    for (int r = 0; r < runs; ++r) {
        for (int m = 0; m < 3; ++m) {
            const std::string cmd = std::string("'") + argv[0] + "' " + modes[m];
            FILE* p = ::popen(cmd.c_str(), "r");
            double a = -1, b = 0, c = 0, d = 0, e = 0;
            if (!p || std::fscanf(p, "%lf %lf %lf %lf %lf", &a, &b, &c, &d, &e) != 5 || a < 0) {
                std::fprintf(stderr, "alarm_bench: a run gave no figures\n");
                if (p) ::pclose(p);
                return 1;
            }
            ::pclose(p);
            fig[m].first.push_back(a);
            fig[m].later.push_back(b);
            fig[m].ordinary.push_back(c);
            fig[m].entry.push_back(d);
            fig[m].slowest.push_back(e);
        }
    }
    std::printf("alarm frames, medians of %d fresh runs (ms):\n", runs);
    const char* names[3] = {"ready when the entry opens", "left to the first ring   ",
                            "device closed when quiet "};
    for (int m = 0; m < 3; ++m) {
        const double f = median(fig[m].first), l = median(fig[m].later), o = median(fig[m].ordinary);
        std::printf("  %s: first ring %.3f, later rings %.3f, ordinary %.3f, entry opening %.3f;"
                    " first/ordinary %.1fx, first/later %.1fx\n",
                    names[m], f, l, o, median(fig[m].entry), o > 0 ? f / o : 0, l > 0 ? f / l : 0);
    }
    std::printf("  device closed when quiet: the frame that opens it again ahead of the ring %.3f ms\n",
                median(fig[2].slowest));
    const double ready = median(fig[0].first), unready = median(fig[1].first);
    std::printf("  first ring, left to it / made ready: %.1fx\n", ready > 0 ? unready / ready : 0);
    return 0;
}
