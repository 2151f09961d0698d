// Files the synthesizer cannot play as they stand, through the real device
// and the repeating play pattern: each ends at its own length and the list
// goes on to the next entry.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>

#include "MidiFixture.h"
#include "TempDir.h"
#include "music/FakeMusicPanel.h"
#include "music/Music.h"
#include "platform/Audio.h"
#include "platform/MidiFile.h"

using namespace sorvel;

namespace {
// The real device, noting how much of the track had played when it first
// answered "stopped" (the next track resets the count).
struct EndProbe : Mci {
    FluidMci& real;
    double secondsAtEnd = -1;
    explicit EndProbe(FluidMci& m) : real(m) {}
    int32_t sendString(const std::string& cmd, std::string* reply) override {
        const int32_t r = real.sendString(cmd, reply);
        if (cmd == "status bgm mode" && reply && *reply == "stopped" && secondsAtEnd < 0)
            secondsAtEnd = real.secondsPlayedAtEnd();
        return r;
    }
    std::string errorString(int32_t code) override { return real.errorString(code); }
};
}  // namespace

TEST(MidiEnd, OddTemposAndSmpteTimeEndAtTheirOwnLengthAndTheListGoesOn) {
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"tempo 0, far events", tempoZeroFarEvents()},
        {"tempo 1", tempoOne(96, 120000000)},
        {"tempo 1, finest division", tempoOne(32767, 250000000)},
        {"organ held after tempo 0", heldOrganAfterTempoZero()},
        {"SMPTE 25", smpteFile(25, 40, 3, 400)},
        {"SMPTE 29.97", smpteFile(29, 80, 2, 1200)},
    };
    TempDir d;
    const auto next = makeSmf(1, 48);
    d.write("next.mid", std::string(next.begin(), next.end()));
    FluidMci real(d.path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        d.write("odd.mid", std::string(c.bytes.begin(), c.bytes.end()));
        const auto prepared = prepareMidi({reinterpret_cast<const char*>(c.bytes.data()), c.bytes.size()});
        EndProbe mci(real);
        LauncherState s;
        MusicList list;
        FakeMusicPanel v;
        MusicController m(s, list, mci, d.path(), v);
        list.onClick = [&m] { m.listClick(); };
        ASSERT_EQ(m.pattern, "繰返");
        list.replaceAll({d.file("odd.mid"), d.file("next.mid")}, -1);
        list.select(0);
        QElapsedTimer t;
        t.start();
        const double limit = prepared ? prepared->endSeconds + 5 : 5;
        while (list.selected() == 0 && list.count() == 2 && t.elapsed() < limit * 1000) {
            m.poll();
            QThread::msleep(5);
        }
        if (!prepared) {
            // Refused: removed, and the next entry plays.
            EXPECT_EQ(list.items(), std::vector<std::string>{d.file("next.mid")});
        } else {
            EXPECT_EQ(list.count(), 2);
            EXPECT_EQ(list.selected(), 1) << "still on the first entry after " << t.elapsed() << " ms";
            EXPECT_EQ(s.currentMusicPath, d.file("next.mid"));
            EXPECT_NEAR(mci.secondsAtEnd, prepared->endSeconds, 0.5);
            std::printf("%s: ended after %.3f s of %.3f s\n", c.name, mci.secondsAtEnd, prepared->endSeconds);
        }
        m.stop();
    }
    shutdownAudio();
}
