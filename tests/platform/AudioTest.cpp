#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>
#include <SDL_mixer.h>

#include "MidiFixture.h"
#include "TempDir.h"
#include "platform/Audio.h"
#include "platform/SynthLogFilter.h"

using namespace sorvel;

namespace {
std::string mode(Mci& m) {
    std::string r;
    if (m.sendString("status bgm mode", &r) != 0) return "<error>";
    return r;
}
bool waitFor(Mci& m, const std::string& want, int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (mode(m) == want) return true;
        QThread::msleep(10);
    }
    return false;
}
}  // namespace

// Every test that opens the shared audio device closes it again: the
// device's mixing thread must not outlive the test's objects.
class AudioDeviceTest : public testing::Test {
protected:
    void TearDown() override { shutdownAudio(); }
};
class FluidMciTest : public AudioDeviceTest {};
class SdlWavPlayerTest : public AudioDeviceTest {};

TEST_F(FluidMciTest, CommandsErrorsAndEndOfTrack) {
    TempDir d;
    const auto smf = makeSmf(3, 48);   // 3 x 0.25 s
    d.write("short.mid", std::string(smf.begin(), smf.end()));
    d.write("text.mid", "just some text, not music\n");
    FluidMci mci(d.path());
    std::string r;
    EXPECT_EQ(mci.sendString("status bgm mode", &r), kMciUnknownAlias);
    EXPECT_EQ(mci.sendString("play bgm", nullptr), kMciUnknownAlias);
    EXPECT_EQ(mci.sendString("open \"" + d.file("missing.mid") + "\" alias bgm", nullptr), kMciFileNotFound);
    EXPECT_EQ(mci.sendString("open \"" + d.file("text.mid") + "\" alias bgm", nullptr), kMciNotMidi);
    EXPECT_EQ(mci.sendString("seek bgm to start", nullptr), kMciUnknownCommand);
    EXPECT_FALSE(mci.errorString(kMciFileNotFound).empty());

    ASSERT_EQ(mci.sendString("open \"" + d.file("short.mid") + "\" alias bgm", nullptr), kMciOk);
    EXPECT_EQ(mci.sendString("open \"" + d.file("short.mid") + "\" alias bgm", nullptr), kMciDeviceBusy);
    ASSERT_EQ(mci.sendString("play bgm", nullptr), kMciOk);
    EXPECT_EQ(mode(mci), "playing");
    EXPECT_TRUE(waitFor(mci, "stopped", 3000));
    // Rewind and play again.
    ASSERT_EQ(mci.sendString("play bgm from 0", nullptr), kMciOk);
    EXPECT_EQ(mode(mci), "playing");
    EXPECT_EQ(mci.sendString("stop bgm", nullptr), kMciOk);
    EXPECT_EQ(mode(mci), "stopped");
    EXPECT_EQ(mci.sendString("close bgm", nullptr), kMciOk);
    EXPECT_EQ(mci.sendString("close bgm", nullptr), kMciUnknownAlias);
}


TEST_F(FluidMciTest, OpenRefusesWhatCannotPlayAndPlaysRmid) {
    TempDir d;
    auto cut = makeSmf(6, 48);
    cut.resize(cut.size() - 6);   // cut inside the track
    d.write("cut.mid", std::string(cut.begin(), cut.end()));
    d.write("empty.mid", "");
    const auto rmid = wrapRmid(makeSmf(2, 48));
    d.write("wrapped.mid", std::string(rmid.begin(), rmid.end()));
    const auto tracks127 = manyTracksFile(127), tracks128 = manyTracksFile(128);
    d.write("127.mid", std::string(tracks127.begin(), tracks127.end()));
    d.write("128.mid", std::string(tracks128.begin(), tracks128.end()));
    FluidMci mci(d.path());
    // The most tracks the synthesizer loads still sound; one more is refused.
    EXPECT_EQ(mci.sendString("open \"" + d.file("128.mid") + "\" alias bgm", nullptr), kMciNotMidi);
    ASSERT_EQ(mci.sendString("open \"" + d.file("127.mid") + "\" alias bgm", nullptr), kMciOk);
    ASSERT_EQ(mci.sendString("play bgm", nullptr), kMciOk);
    EXPECT_TRUE(waitFor(mci, "stopped", 3000));
    EXPECT_GT(mci.audibleFramesSinceOpen(), 0);
    mci.sendString("close bgm", nullptr);
    EXPECT_EQ(mci.sendString("open \"" + d.file("cut.mid") + "\" alias bgm", nullptr), kMciNotMidi);
    EXPECT_EQ(mci.sendString("open \"" + d.file("empty.mid") + "\" alias bgm", nullptr), kMciNotMidi);
    ASSERT_EQ(mci.sendString("open \"" + d.file("wrapped.mid") + "\" alias bgm", nullptr), kMciOk);
    ASSERT_EQ(mci.sendString("play bgm", nullptr), kMciOk);
    EXPECT_EQ(mode(mci), "playing");
    EXPECT_TRUE(waitFor(mci, "stopped", 3000));
    EXPECT_GT(mci.audibleFramesSinceOpen(), 0);
    mci.sendString("close bgm", nullptr);
}

TEST_F(SdlWavPlayerTest, EachPlayReplacesTheSoundStillPlaying) {
    // A 2-second silent WAV image, 8-bit mono at 8000 Hz.
    const uint32_t n = 16000;
    std::vector<uint8_t> w = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                              1, 0, 1, 0, 0x40, 0x1f, 0, 0, 0x40, 0x1f, 0, 0, 1, 0, 8, 0, 'd', 'a', 't', 'a'};
    for (int i = 0; i < 4; ++i) w.push_back(static_cast<uint8_t>(n >> (8 * i)));
    w.insert(w.end(), n, 128);
    const uint32_t riff = static_cast<uint32_t>(w.size() - 8);
    for (int i = 0; i < 4; ++i) w[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(riff >> (8 * i));
    SdlWavPlayer wav;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(wav.playFromMemory(w));
        EXPECT_EQ(Mix_Playing(-1), 1) << "after play " << i + 1;
    }
    Mix_HaltChannel(-1);
}

TEST(SynthLogFilter, EachTextOncePerFileHoweverOftenItIsOpened) {
    SynthLogFilter f;
    EXPECT_TRUE(f.shouldPrint("/m/a.mid", "warning A"));
    EXPECT_TRUE(f.shouldPrint("/m/a.mid", "warning B"));
    // Alternating texts, and the same file opened again: nothing new.
    for (int i = 0; i < 3; ++i) {
        f.setFile("/m/a.mid");
        EXPECT_FALSE(f.shouldPrint("/m/a.mid", "warning A"));
        EXPECT_FALSE(f.shouldPrint("/m/a.mid", "warning B"));
    }
    EXPECT_TRUE(f.shouldPrint("/m/a.mid", "warning C"));
    // Another file has texts of its own; two files played in turn (a
    // repeating list) say each of theirs once.
    EXPECT_TRUE(f.shouldPrint("/m/b.mid", "warning A"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(f.shouldPrint("/m/a.mid", "warning A"));
        EXPECT_FALSE(f.shouldPrint("/m/b.mid", "warning A"));
    }
    // A file that says too many different things goes quiet.
    f.setFile("/m/c.mid");
    for (size_t i = 0; i < SynthLogFilter::kMaxTexts; ++i) EXPECT_TRUE(f.shouldPrint("text " + std::to_string(i)));
    EXPECT_FALSE(f.shouldPrint("one more"));
    EXPECT_TRUE(f.shouldPrint("/m/d.mid", "one more"));
}

TEST_F(FluidMciTest, SynthesizerWarningsAreSaidOncePerFileNotPerOpen) {
    // Two drum kits the General MIDI font does not have: two different
    // warnings on every play.
    SmfBuilder b;
    b.format = 0;
    std::vector<uint8_t> t;
    for (int prog : {1, 2}) {
        SmfBuilder::program(t, 9, prog);
        SmfBuilder::note(t, 0, 9, 36, 100, 24);
    }
    SmfBuilder::end(t);
    b.tracks = {t};
    const auto smf = b.bytes();
    TempDir d;
    d.write("kits.mid", std::string(smf.begin(), smf.end()));
    FluidMci mci(d.path());
    testing::internal::CaptureStderr();
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(mci.sendString("open \"" + d.file("kits.mid") + "\" alias bgm", nullptr), kMciOk);
        ASSERT_EQ(mci.sendString("play bgm", nullptr), kMciOk);
        EXPECT_TRUE(waitFor(mci, "stopped", 3000));
        mci.sendString("close bgm", nullptr);
    }
    const std::string err = testing::internal::GetCapturedStderr();
    int lines = 0;
    for (size_t p = 0; (p = err.find("Instrument not found", p)) != std::string::npos; ++p) ++lines;
    EXPECT_EQ(lines, 2) << err;
}
