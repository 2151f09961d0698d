#include <gtest/gtest.h>

#include <string>

#include "MidiFixture.h"
#include "platform/MidiFile.h"

using namespace sorvel;

namespace {
std::string_view view(const std::vector<uint8_t>& v) { return {reinterpret_cast<const char*>(v.data()), v.size()}; }
std::optional<PreparedMidi> prep(const std::vector<uint8_t>& v) { return prepareMidi(view(v)); }
}  // namespace

TEST(MidiFile, WholeFilesReadAndComeOutPlain) {
    const auto smf = makeSmf(4);
    const auto r = prep(smf);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->endTick, 4 * 96);
    // The plain form reads back to itself.
    const auto again = prep(r->smf);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->smf, r->smf);
    EXPECT_EQ(again->endTick, r->endTick);

    for (int format : {0, 1}) {
        const auto t = prep(tempoMapFile(format));
        ASSERT_TRUE(t) << format;
        EXPECT_EQ(t->endTick, 5 * 96) << format;
    }
}

TEST(MidiFile, CutEmptyAndForeignFilesAreRefused) {
    const auto smf = makeSmf(4);
    EXPECT_FALSE(prepareMidi(""));
    EXPECT_FALSE(prepareMidi("just some text, named .mid\r\n"));
    for (size_t cut : {size_t{4}, size_t{10}, size_t{13}, size_t{20}, size_t{30}, smf.size() - 1}) {
        auto c = smf;
        c.resize(cut);
        EXPECT_FALSE(prep(c)) << "cut at " << cut;
    }
    // The header names two tracks; only one is there.
    SmfBuilder b;
    std::vector<uint8_t> t;
    SmfBuilder::note(t, 0, 0, 60, 100, 96);
    SmfBuilder::end(t);
    b.tracks = {t};
    EXPECT_TRUE(prep(b.bytes()));
    EXPECT_FALSE(prep(b.bytes(2)));
    EXPECT_FALSE(prep(b.bytes(0)));
    // A frame rate that does not exist, no ticks a frame, a zero division.
    b.division = 0xE928;   // 23 frames a second
    EXPECT_FALSE(prep(b.bytes()));
    b.division = 0xE700;
    EXPECT_FALSE(prep(b.bytes()));
    b.division = 0;
    EXPECT_FALSE(prep(b.bytes()));
}

TEST(MidiFile, MoreTracksThanTheSynthesizerLoadsAreRefused) {
    // The synthesizer plays up to 127 tracks; from 128 on it loads none
    // (or stops at 128), so the file would open and never sound.
    for (int n : {1, 2, 126, 127}) {
        const auto r = prep(manyTracksFile(n));
        ASSERT_TRUE(r) << n << " tracks";
        EXPECT_EQ(r->endTick, 96) << n << " tracks";
    }
    for (int n : {128, 129, 255, 256, 300}) EXPECT_FALSE(prep(manyTracksFile(n))) << n << " tracks";
}

TEST(MidiFile, EveryEventMustParseInsideItsTrack) {
    auto one = [](std::vector<uint8_t> events) {
        SmfBuilder b;
        b.tracks = {std::move(events)};
        return prep(b.bytes());
    };
    // Running status carries on, also across meta events; data with no
    // status before it does not.
    EXPECT_TRUE(one({0x00, 0x90, 60, 100, 0x10, 62, 100, 0x00, 0xff, 0x01, 0x02, 'h', 'i', 0x10, 60, 0, 0x00, 0xff, 0x2f, 0x00}));
    EXPECT_FALSE(one({0x00, 60, 100, 0x00, 0xff, 0x2f, 0x00}));
    // A message whose data runs past the end of the track, or is cut by a
    // status byte.
    EXPECT_FALSE(one({0x00, 0x90, 60}));
    EXPECT_FALSE(one({0x00, 0x90, 60, 0x80, 60, 0x40}));
    // A meta event or a sysex longer than what is left.
    EXPECT_FALSE(one({0x00, 0xff, 0x01, 0x10, 'a'}));
    EXPECT_FALSE(one({0x00, 0xf0, 0x05, 0x7e, 0x7f}));
    // A delta time of more than four bytes; system messages.
    EXPECT_FALSE(one({0x81, 0x81, 0x81, 0x81, 0x01, 0xff, 0x2f, 0x00}));
    EXPECT_FALSE(one({0x00, 0xf8, 0x00, 0xff, 0x2f, 0x00}));
    // No end-of-track event: the events end exactly with the chunk.
    EXPECT_TRUE(one({0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0x40}));
    // An empty track, and bytes after the end-of-track event.
    const auto empty = one({0x00, 0xff, 0x2f, 0x00});
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->endTick, 0);
    EXPECT_TRUE(one({0x00, 0xff, 0x2f, 0x00, 0x12, 0x34}));
}

TEST(MidiFile, PlainFormKeepsTimingAndSound) {
    // A text event, an escaped block and a sysex between notes: the time
    // of the left-out events moves to the next one, so ticks stay put.
    SmfBuilder b;
    std::vector<uint8_t> t = {0x00, 0xf0, 0x05, 0x7e, 0x7f, 0x09, 0x01, 0xf7,   // GM on
                              0x10, 0xff, 0x01, 0x01, 'x',                      // text at 16
                              0x10, 0xf7, 0x01, 0x42,                           // escape at 32
                              0x10, 0x90, 60, 100,                              // note at 48
                              0x30, 62, 100,                                    // running status at 96
                              0x20, 0xff, 0x2f, 0x00};                          // end at 128
    b.tracks = {t};
    const auto r = prep(b.bytes());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->endTick, 128);
    const std::vector<uint8_t> track(r->smf.begin() + 22, r->smf.end());
    EXPECT_EQ(track, (std::vector<uint8_t>{0x00, 0xf0, 0x05, 0x7e, 0x7f, 0x09, 0x01, 0xf7, 0x30, 0x90, 60, 100, 0x30,
                                           0x90, 62, 100, 0x20, 0xff, 0x2f, 0x00}));
    // A longer header and a chunk of another kind are skipped.
    auto f = b.bytes();
    f[7] = 8;
    f.insert(f.begin() + 14, {0, 0});
    const std::vector<uint8_t> other = {'X', 'F', 'I', 'H', 0, 0, 0, 2, 1, 2};
    f.insert(f.begin() + 16, other.begin(), other.end());
    const auto r2 = prep(f);
    ASSERT_TRUE(r2);
    EXPECT_EQ(r2->smf, r->smf);
}

TEST(MidiFile, RmidIsUnwrapped) {
    const auto smf = makeSmf(3);
    const auto rmid = wrapRmid(smf);
    const auto inner = unwrapRmid(view(rmid));
    ASSERT_TRUE(inner);
    EXPECT_EQ(*inner, view(smf));
    const auto r = prep(rmid);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->smf, prep(smf)->smf);
    EXPECT_FALSE(unwrapRmid(view(smf)));
    // A wrapper without a data chunk, or with a cut one.
    auto noData = rmid;
    noData[24] = 'x';
    EXPECT_FALSE(prep(noData));
    auto cut = rmid;
    cut.resize(cut.size() - 5);
    EXPECT_FALSE(prep(cut));
}

TEST(MidiFile, LastTrackLongerThanTheFileStillPlaysWhenItsEventsAreAllThere) {
    // Writers that miscount the last track's length: every event up to the
    // end-of-track is there, so the file plays and must not be refused.
    const auto smf = makeSmf(4);
    const std::string_view v = view(smf);
    const size_t at = v.rfind("MTrk");
    ASSERT_NE(at, std::string_view::npos);
    for (uint32_t extra : {1u, 10u, 1000u}) {
        auto c = smf;
        const uint32_t len = ((c[at + 4] << 24) | (c[at + 5] << 16) | (c[at + 6] << 8) | c[at + 7]) + extra;
        for (int i = 0; i < 4; ++i) c[at + 4 + i] = static_cast<uint8_t>(len >> (24 - 8 * i));
        const auto r = prep(c);
        ASSERT_TRUE(r) << extra;
        EXPECT_EQ(r->endTick, 4 * 96);
        // Cut before its end-of-track event, the same file is refused.
        c.resize(c.size() - 3);
        EXPECT_FALSE(prep(c)) << extra;
    }
}

namespace {
uint32_t tempoAt(const std::vector<uint8_t>& smf, size_t at) { return (smf[at] << 16) | (smf[at + 1] << 8) | smf[at + 2]; }
// The values of every tempo event in a prepared (plain) image.
std::vector<uint32_t> tempos(const std::vector<uint8_t>& smf) {
    std::vector<uint32_t> r;
    for (size_t i = 0; i + 6 <= smf.size(); ++i)
        if (smf[i] == 0xff && smf[i + 1] == 0x51 && smf[i + 2] == 0x03) r.push_back(tempoAt(smf, i + 3));
    return r;
}
unsigned divisionOf(const std::vector<uint8_t>& smf) { return (smf[12] << 8) | smf[13]; }
}  // namespace

TEST(MidiFile, LengthInSecondsFollowsTheTempoMap) {
    const auto plain = prep(makeSmf(4));   // 4 quarters at 120 a minute
    ASSERT_TRUE(plain);
    EXPECT_DOUBLE_EQ(plain->endSeconds, 2.0);
    for (int format : {0, 1}) {
        const auto t = prep(tempoMapFile(format));
        ASSERT_TRUE(t) << format;
        EXPECT_NEAR(t->endSeconds, kTempoMapSeconds, 1e-9) << format;
    }
    // No tempo event at all: the default of 120 a minute.
    SmfBuilder b;
    std::vector<uint8_t> t;
    SmfBuilder::note(t, 96, 0, 60, 100, 48);
    SmfBuilder::end(t);
    b.tracks = {t};
    EXPECT_DOUBLE_EQ(prep(b.bytes())->endSeconds, 0.75);
}

TEST(MidiFile, TemposTheTickCounterCannotTakeAreRaisedToTheSmallestSafeOne) {
    EXPECT_EQ(smallestSafeTempo(96), 1u);
    EXPECT_EQ(smallestSafeTempo(10737), 1u);
    EXPECT_EQ(smallestSafeTempo(10738), 2u);
    EXPECT_EQ(smallestSafeTempo(32767), 4u);

    const auto zero = prep(tempoZeroFarEvents());
    ASSERT_TRUE(zero);
    EXPECT_EQ(tempos(zero->smf), std::vector<uint32_t>{1});
    EXPECT_EQ(zero->endTick, 120000000);
    EXPECT_NEAR(zero->endSeconds, 120000000 / 96.0 / 1e6, 1e-9);

    const auto fine = prep(tempoOne(32767, 250000000));
    ASSERT_TRUE(fine);
    EXPECT_EQ(tempos(fine->smf), std::vector<uint32_t>{4});
    EXPECT_NEAR(fine->endSeconds, 2.5e8 * 4 / 32767 / 1e6, 1e-9);
    // A tempo that is safe stays as it is.
    const auto one = prep(tempoOne(96, 1000));
    ASSERT_TRUE(one);
    EXPECT_EQ(tempos(one->smf), std::vector<uint32_t>{1});

    // Prepared once, the file prepares to itself.
    for (const auto* r : {&*zero, &*fine}) {
        const auto again = prep(r->smf);
        ASSERT_TRUE(again);
        EXPECT_EQ(again->smf, r->smf);
        EXPECT_EQ(again->endSeconds, r->endSeconds);
    }
}

TEST(MidiFile, ALastEventPastTheTickCounterIsRefused) {
    // Four deltas of 2^28 - 1 ticks end just below 2^30; one tick more is
    // refused.
    for (uint32_t extra : {0u, 4u, 5u}) {
        SmfBuilder b;
        std::vector<uint8_t> t;
        for (int i = 0; i < 4; ++i) SmfBuilder::note(t, 0, 0, 60, 100, 0x0FFFFFFF);
        SmfBuilder::end(t, extra);
        b.tracks = {t};
        const int64_t last = 4 * int64_t{0x0FFFFFFF} + extra;
        EXPECT_EQ(prep(b.bytes()).has_value(), last < kMaxMidiTicks) << last;
    }
}

TEST(MidiFile, SmpteTimeIsRewrittenInQuartersWithTheSameTiming) {
    struct Case {
        int fps, perFrame;
        unsigned division;
        uint32_t tempo;
        double tickSeconds;
    };
    for (const Case c : {Case{25, 40, 1000, 1000000, 1.0 / 1000}, Case{29, 80, 2400, 1001000, 1.001 / 2400},
                         Case{24, 4, 96, 1000000, 1.0 / 96}, Case{30, 255, 7650, 1000000, 1.0 / 7650}}) {
        const auto f = smpteFile(c.fps, c.perFrame, 3, 500);
        const auto r = prep(f);
        ASSERT_TRUE(r) << c.fps;
        EXPECT_EQ(divisionOf(r->smf), c.division) << c.fps;
        // One tempo at the start; the file's own tempo event is gone.
        EXPECT_EQ(tempos(r->smf), std::vector<uint32_t>{c.tempo}) << c.fps;
        EXPECT_EQ(r->smf[22], 0x00);
        EXPECT_EQ(r->smf[23], 0xff);
        EXPECT_EQ(r->endTick, 1500);
        EXPECT_NEAR(r->endSeconds, 1500 * c.tickSeconds, 1e-9) << c.fps;
        const auto again = prep(r->smf);
        ASSERT_TRUE(again);
        EXPECT_EQ(again->smf, r->smf);
        EXPECT_NEAR(again->endSeconds, r->endSeconds, 1e-12);
    }
    // Type 1: the tempo goes into the first track only, and an RMID
    // wrapper changes nothing.
    SmfBuilder b;
    b.division = 0xE728;
    std::vector<uint8_t> conductor, notes;
    SmfBuilder::tempo(conductor, 0, 123456);
    SmfBuilder::end(conductor);
    SmfBuilder::note(notes, 250, 0, 60, 100, 750);
    SmfBuilder::end(notes);
    b.tracks = {conductor, notes};
    const auto r = prep(b.bytes());
    ASSERT_TRUE(r);
    EXPECT_EQ(tempos(r->smf), std::vector<uint32_t>{1000000});
    EXPECT_DOUBLE_EQ(r->endSeconds, 1.0);
    const auto wrapped = prep(wrapRmid(b.bytes()));
    ASSERT_TRUE(wrapped);
    EXPECT_EQ(wrapped->smf, r->smf);
}
