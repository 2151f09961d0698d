// Music device figures: first open (sound font load), Play to first
// rendered audio of a new track, end of a file to "stopped", CPU while a
// track plays.
#include <sys/resource.h>

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "MidiFixture.h"
#include "platform/Audio.h"

using namespace sorvel;
using SteadyTime = std::chrono::steady_clock;

namespace {
double ms(SteadyTime::time_point a, SteadyTime::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }
double cpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}
double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
}  // namespace

int main() {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/";
    auto write = [&](const char* name, const std::vector<uint8_t>& d) {
        QFile f(QString::fromStdString(folder + name));
        f.open(QIODevice::WriteOnly);
        f.write(reinterpret_cast<const char*>(d.data()), static_cast<qint64>(d.size()));
    };
    write("short.mid", makeSmf(2, 48));   // 0.5 s
    write("long.mid", makeSmf(40, 96));   // 20 s
    FluidMci mci(folder);
    const std::string openShort = "open \"" + folder + "short.mid\" alias bgm";
    const std::string openLong = "open \"" + folder + "long.mid\" alias bgm";

    const auto t0 = SteadyTime::now();
    mci.sendString(openShort, nullptr);
    const auto t1 = SteadyTime::now();
    std::printf("first open (sound font %s loaded): %.1f ms (font load %.1f ms)\n",
                findSoundFont(folder).c_str(), ms(t0, t1), mci.soundFontLoadMs());
    mci.sendString("close bgm", nullptr);

    std::vector<double> switches;
    for (int i = 0; i < 20; ++i) {
        const auto a = SteadyTime::now();
        mci.sendString("stop bgm", nullptr);
        mci.sendString("close bgm", nullptr);
        mci.sendString(openShort, nullptr);
        mci.sendString("play bgm", nullptr);
        while (mci.audibleFramesSinceOpen() == 0 && ms(a, SteadyTime::now()) < 2000) QThread::usleep(200);
        switches.push_back(ms(a, SteadyTime::now()));
        QThread::msleep(30);
    }
    std::printf("Play to first rendered audio of a new track: median %.1f ms (20 runs)\n", median(switches));

    std::vector<double> gaps;
    for (int i = 0; i < 5; ++i) {
        mci.sendString("close bgm", nullptr);
        mci.sendString(openShort, nullptr);
        const auto a = SteadyTime::now();
        mci.sendString("play bgm", nullptr);
        std::string r;
        while (ms(a, SteadyTime::now()) < 5000) {
            mci.sendString("status bgm mode", &r);
            if (r == "stopped") break;
            QThread::usleep(500);
        }
        // The file's last event is at 2 x 48 ticks = 0.5 s.
        gaps.push_back(ms(a, SteadyTime::now()) - 500.0);
    }
    std::printf("end of the file to \"stopped\": median %.1f ms (5 runs; the poll adds up to one frame)\n",
                median(gaps));

    mci.sendString("close bgm", nullptr);
    mci.sendString(openLong, nullptr);
    mci.sendString("play bgm", nullptr);
    const double c0 = cpuSeconds();
    const auto w0 = SteadyTime::now();
    QThread::sleep(5);
    const double cpu = (cpuSeconds() - c0) / (ms(w0, SteadyTime::now()) / 1000.0) * 100.0;
    std::printf("CPU while a track plays: %.2f %% of one core\n", cpu);
    mci.sendString("close bgm", nullptr);
    shutdownAudio();
    return 0;
}
