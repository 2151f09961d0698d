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
    // Time in SMPTE frames, and a zero division.
    b.division = 0xE728;
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
