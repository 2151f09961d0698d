// Renders a tune through SDL's disk audio driver and checks the written
// samples: the synthesizer really produces sound, and the alarm WAV mixes
// into the same device. Runs as its own process (the driver is per run).
#include <gtest/gtest.h>

#include <QFile>
#include <QThread>
#include <cmath>
#include <cstdlib>

#include "MidiFixture.h"
#include "TempDir.h"
#include "platform/Audio.h"

using namespace sorvel;

namespace {
std::string g_out;

int64_t loudSamples(const QByteArray& b) {
    int64_t n = 0;
    const auto* s = reinterpret_cast<const int16_t*>(b.constData());
    for (qsizetype i = 0; i < b.size() / 2; ++i) n += (s[i] > 300 || s[i] < -300) ? 1 : 0;
    return n;
}
}  // namespace

std::vector<uint8_t> chimeWav() {
    // 0.3 s of a 880 Hz tone, 16-bit mono, 22050 Hz.
    const int rate = 22050, n = rate * 3 / 10;
    std::vector<uint8_t> w = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0};
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) w.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    put32(rate);
    put32(rate * 2);
    w.insert(w.end(), {2, 0, 16, 0, 'd', 'a', 't', 'a'});
    put32(static_cast<uint32_t>(n * 2));
    for (int i = 0; i < n; ++i) {
        const auto v = static_cast<int16_t>(12000 * std::sin(2 * M_PI * 880.0 * i / rate));
        w.push_back(static_cast<uint8_t>(v & 0xff));
        w.push_back(static_cast<uint8_t>((v >> 8) & 0xff));
    }
    const uint32_t riff = static_cast<uint32_t>(w.size() - 8);
    for (int i = 0; i < 4; ++i) w[4 + i] = static_cast<uint8_t>(riff >> (8 * i));
    return w;
}

// The device is closed after every test, whichever way it ends.
class DiskAudio : public testing::Test {
protected:
    void TearDown() override { shutdownAudio(); }
};

TEST_F(DiskAudio, AlarmAndMusicAreNotSilence) {
    // The alarm sound from memory, alone; twice, overlapping.
    SdlWavPlayer wav;
    const auto chime = chimeWav();
    ASSERT_TRUE(wav.playFromMemory(chime));
    QThread::msleep(100);
    ASSERT_TRUE(wav.playFromMemory(chime));
    QThread::msleep(500);
    {
        QFile f(QString::fromStdString(g_out));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_GT(loudSamples(f.readAll()), 1000);
    }
    EXPECT_FALSE(wav.playFromMemory({0}));   // an empty bg.wav plays nothing

    if (findSoundFont("/nonexistent/").empty()) GTEST_SKIP() << "no General MIDI sound font installed";
    QFile(QString::fromStdString(g_out)).resize(0);
    TempDir d;
    const auto smf = makeSmf(4, 96);
    d.write("tune.mid", std::string(smf.begin(), smf.end()));
    FluidMci mci(d.path());
    ASSERT_EQ(mci.sendString("open \"" + d.file("tune.mid") + "\" alias bgm", nullptr), kMciOk);
    ASSERT_EQ(mci.sendString("play bgm", nullptr), kMciOk);
    QThread::msleep(800);
    mci.sendString("close bgm", nullptr);
    shutdownAudio();
    QFile f(QString::fromStdString(g_out));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray b = f.readAll();
    EXPECT_GT(b.size(), 44100);
    EXPECT_GT(loudSamples(b), 1000);
}

namespace {
// Plays a file to its end; returns the samples written meanwhile.
QByteArray playToEnd(FluidMci& mci, const std::string& path) {
    QFile f(QString::fromStdString(g_out));
    const qint64 start = f.exists() ? f.size() : 0;
    mci.sendString("close bgm", nullptr);
    if (mci.sendString("open \"" + path + "\" alias bgm", nullptr) != kMciOk) return {};
    mci.sendString("play bgm", nullptr);
    std::string r;
    for (int i = 0; i < 6000; ++i) {
        mci.sendString("status bgm mode", &r);
        if (r == "stopped") break;
        QThread::msleep(5);
    }
    mci.sendString("stop bgm", nullptr);
    QThread::msleep(50);
    if (!f.open(QIODevice::ReadOnly)) return {};
    f.seek(start);
    return f.readAll();
}
}  // namespace

TEST_F(DiskAudio, TempoMapsEndOnTimeAndASongIsLoudWithoutClipping) {
    if (findSoundFont("/nonexistent/").empty()) GTEST_SKIP() << "no General MIDI sound font installed";
    TempDir d;
    for (int format : {0, 1}) {
        const auto f = tempoMapFile(format);
        d.write("tempo" + std::to_string(format) + ".mid", std::string(f.begin(), f.end()));
    }
    const auto song = gmSong();
    d.write("song.mid", std::string(song.begin(), song.end()));
    FluidMci mci(d.path());
    for (int format : {0, 1}) {
        playToEnd(mci, d.file("tempo" + std::to_string(format) + ".mid"));
        EXPECT_NEAR(mci.secondsPlayedAtEnd(), kTempoMapSeconds, 0.1) << "type " << format;
        std::printf("type %d: end seen after %.3f s of %.3f s\n", format, mci.secondsPlayedAtEnd(), kTempoMapSeconds);
    }
    // A typical multi-channel song peaks a few dB below full scale.
    const QByteArray b = playToEnd(mci, d.file("song.mid"));
    ASSERT_GT(b.size(), 44100 * 4 * 10);
    const auto* s = reinterpret_cast<const int16_t*>(b.constData());
    int peak = 0;
    for (qsizetype i = 0; i < b.size() / 2; ++i) peak = std::max(peak, std::abs(static_cast<int>(s[i])));
    const double peakDb = 20 * std::log10(peak / 32768.0);
    std::printf("generated GM song: peak %.1f dBFS\n", peakDb);
    EXPECT_GT(peakDb, -6.0);
    EXPECT_LT(peakDb, -3.0);
    mci.sendString("close bgm", nullptr);
    shutdownAudio();
}

int main(int argc, char** argv) {
    TempDir out;
    g_out = out.file("audio.raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", g_out.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "2", 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
