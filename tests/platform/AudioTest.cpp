#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>

#include "MidiFixture.h"
#include "TempDir.h"
#include "platform/Audio.h"

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

TEST(FluidMci, CommandsErrorsAndEndOfTrack) {
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


TEST(FluidMci, OpenRefusesWhatCannotPlayAndPlaysRmid) {
    TempDir d;
    auto cut = makeSmf(6, 48);
    cut.resize(cut.size() - 6);   // cut inside the track
    d.write("cut.mid", std::string(cut.begin(), cut.end()));
    d.write("empty.mid", "");
    const auto rmid = wrapRmid(makeSmf(2, 48));
    d.write("wrapped.mid", std::string(rmid.begin(), rmid.end()));
    FluidMci mci(d.path());
    EXPECT_EQ(mci.sendString("open \"" + d.file("cut.mid") + "\" alias bgm", nullptr), kMciNotMidi);
    EXPECT_EQ(mci.sendString("open \"" + d.file("empty.mid") + "\" alias bgm", nullptr), kMciNotMidi);
    ASSERT_EQ(mci.sendString("open \"" + d.file("wrapped.mid") + "\" alias bgm", nullptr), kMciOk);
    ASSERT_EQ(mci.sendString("play bgm", nullptr), kMciOk);
    EXPECT_EQ(mode(mci), "playing");
    EXPECT_TRUE(waitFor(mci, "stopped", 3000));
    EXPECT_GT(mci.audibleFramesSinceOpen(), 0);
    mci.sendString("close bgm", nullptr);
}
