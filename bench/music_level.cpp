// Output level of the music: renders a generated multi-channel General
// MIDI song through SDL's disk audio driver, first at FluidSynth's own
// default gain (0.2, the reference) and then at the program's level, and
// prints peak and RMS in dBFS and the number of clipped samples. A dense
// song (all channels, loudest notes) shows that the limiter holds.
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "MidiFixture.h"
#include "platform/Audio.h"

using namespace sorvel;

namespace {
struct Level {
    double peakDb = -200, rmsDb = -200;
    int64_t clipped = 0;
    double seconds = 0;
};

Level measure(const QByteArray& b, int rate) {
    const auto* s = reinterpret_cast<const int16_t*>(b.constData());
    const qsizetype n = b.size() / 2;
    int peak = 0;
    double sum = 0;
    Level l;
    for (qsizetype i = 0; i < n; ++i) {
        const int v = std::abs(static_cast<int>(s[i]));
        peak = std::max(peak, v);
        sum += static_cast<double>(s[i]) * s[i];
        l.clipped += v >= 32767;
    }
    if (n > 0 && peak > 0) {
        l.peakDb = 20 * std::log10(peak / 32768.0);
        l.rmsDb = 10 * std::log10(sum / n / (32768.0 * 32768.0));
    }
    l.seconds = n / 2.0 / rate;
    return l;
}

std::vector<uint8_t> denseSong() {
    // Sixteen channels of loud chords at once, for two seconds.
    SmfBuilder b;
    std::vector<uint8_t> t;
    for (int ch = 0; ch < 16; ++ch) {
        SmfBuilder::program(t, ch, (ch * 8) % 128);
        for (int k = 0; k < 4; ++k) t.insert(t.end(), {0x00, static_cast<uint8_t>(0x90 | ch), static_cast<uint8_t>(36 + ch * 3 + k * 4), 127});
    }
    SmfBuilder::var(t, 384);
    t.insert(t.end(), {0xb0, 123, 0});
    SmfBuilder::end(t, 96);
    b.tracks = {t};
    return b.bytes();
}
}  // namespace

int main() {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/";
    const std::string out = folder + "audio.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "1", 1);
    auto write = [&](const char* name, const std::vector<uint8_t>& d) {
        QFile f(QString::fromStdString(folder + name));
        f.open(QIODevice::WriteOnly);
        f.write(reinterpret_cast<const char*>(d.data()), static_cast<qint64>(d.size()));
    };
    write("song.mid", gmSong());
    write("dense.mid", denseSong());
    if (findSoundFont(folder).empty()) {
        std::printf("no General MIDI sound font installed: no level figures\n");
        return 0;
    }
    FluidMci mci(folder);
    auto render = [&](const char* name, double gain) {
        QFile f(QString::fromStdString(out));
        const qint64 start = f.exists() ? f.size() : 0;
        mci.sendString("close bgm", nullptr);
        mci.sendString("open \"" + folder + name + "\" alias bgm", nullptr);
        if (gain > 0) mci.setGain(gain);
        mci.sendString("play bgm", nullptr);
        QElapsedTimer t;
        t.start();
        std::string r;
        while (t.elapsed() < 60000) {
            mci.sendString("status bgm mode", &r);
            if (r == "stopped") break;
            QThread::msleep(5);
        }
        mci.sendString("stop bgm", nullptr);
        QThread::msleep(50);
        f.open(QIODevice::ReadOnly);
        f.seek(start);
        return measure(f.readAll(), 44100);
    };
    std::printf("music output level, generated GM song (6 tracks, 5 channels, 16 s), SDL disk driver:\n");
    const Level ref = render("song.mid", 0.2);
    std::printf("  FluidSynth default gain 0.2 (reference): peak %6.1f dBFS, RMS %6.1f dBFS, clipped %lld (%.1f s)\n",
                ref.peakDb, ref.rmsDb, static_cast<long long>(ref.clipped), ref.seconds);
    const Level ours = render("song.mid", kMusicGain);
    std::printf("  program level (gain %.2f):               peak %6.1f dBFS, RMS %6.1f dBFS, clipped %lld (%.1f s)\n",
                kMusicGain, ours.peakDb, ours.rmsDb, static_cast<long long>(ours.clipped), ours.seconds);
    std::printf("  difference: peak %+.1f dB, RMS %+.1f dB\n", ours.peakDb - ref.peakDb, ours.rmsDb - ref.rmsDb);
    const Level dense = render("dense.mid", kMusicGain);
    std::printf("  dense stress song (16 channels x 4 notes, velocity 127): peak %.1f dBFS, RMS %.1f dBFS, clipped %lld\n",
                dense.peakDb, dense.rmsDb, static_cast<long long>(dense.clipped));
    mci.sendString("close bgm", nullptr);
    shutdownAudio();
    return 0;
}
