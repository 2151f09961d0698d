// Small Standard MIDI Files made by the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline std::vector<uint8_t> makeSmf(int notes, int ticksPerNote = 96) {
    std::vector<uint8_t> trk;
    auto var = [&](uint32_t v) {
        uint8_t buf[4];
        int n = 0;
        buf[n++] = v & 0x7f;
        while ((v >>= 7)) buf[n++] = static_cast<uint8_t>((v & 0x7f) | 0x80);
        while (n) trk.push_back(buf[--n]);
    };
    // Tempo 500000 us per quarter (120 bpm), 96 ticks per quarter.
    trk.insert(trk.end(), {0x00, 0xff, 0x51, 0x03, 0x07, 0xa1, 0x20});
    trk.insert(trk.end(), {0x00, 0xc0, 0x00});
    for (int i = 0; i < notes; ++i) {
        var(0);
        trk.insert(trk.end(), {0x90, static_cast<uint8_t>(60 + i % 12), 0x64});
        var(static_cast<uint32_t>(ticksPerNote));
        trk.insert(trk.end(), {0x80, static_cast<uint8_t>(60 + i % 12), 0x40});
    }
    trk.insert(trk.end(), {0x00, 0xff, 0x2f, 0x00});
    std::vector<uint8_t> f = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k'};
    const uint32_t len = static_cast<uint32_t>(trk.size());
    f.push_back(static_cast<uint8_t>(len >> 24));
    f.push_back(static_cast<uint8_t>(len >> 16));
    f.push_back(static_cast<uint8_t>(len >> 8));
    f.push_back(static_cast<uint8_t>(len));
    f.insert(f.end(), trk.begin(), trk.end());
    return f;
}

// Builds files of any shape: tracks are raw event bytes (delta times
// included); the header is written as given.
struct SmfBuilder {
    std::vector<std::vector<uint8_t>> tracks;
    int format = 1;
    int division = 96;
    static void var(std::vector<uint8_t>& t, uint32_t v) {
        uint8_t buf[4];
        int n = 0;
        buf[n++] = v & 0x7f;
        while ((v >>= 7)) buf[n++] = static_cast<uint8_t>((v & 0x7f) | 0x80);
        while (n) t.push_back(buf[--n]);
    }
    static void tempo(std::vector<uint8_t>& t, uint32_t delta, uint32_t usPerQuarter) {
        var(t, delta);
        t.insert(t.end(), {0xff, 0x51, 0x03, static_cast<uint8_t>(usPerQuarter >> 16),
                           static_cast<uint8_t>(usPerQuarter >> 8), static_cast<uint8_t>(usPerQuarter)});
    }
    // A note held for len ticks after delta ticks, on a channel.
    static void note(std::vector<uint8_t>& t, uint32_t delta, int ch, int key, int vel, uint32_t len) {
        var(t, delta);
        t.insert(t.end(), {static_cast<uint8_t>(0x90 | ch), static_cast<uint8_t>(key), static_cast<uint8_t>(vel)});
        var(t, len);
        t.insert(t.end(), {static_cast<uint8_t>(0x80 | ch), static_cast<uint8_t>(key), 0x40});
    }
    static void program(std::vector<uint8_t>& t, int ch, int prog) {
        t.insert(t.end(), {0x00, static_cast<uint8_t>(0xc0 | ch), static_cast<uint8_t>(prog)});
    }
    static void end(std::vector<uint8_t>& t, uint32_t delta = 0) {
        var(t, delta);
        t.insert(t.end(), {0xff, 0x2f, 0x00});
    }
    std::vector<uint8_t> bytes(int headerTracks = -1) const {
        const int n = headerTracks >= 0 ? headerTracks : static_cast<int>(tracks.size());
        std::vector<uint8_t> f = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, static_cast<uint8_t>(format),
                                  static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n),
                                  static_cast<uint8_t>(division >> 8), static_cast<uint8_t>(division)};
        for (const auto& t : tracks) {
            f.insert(f.end(), {'M', 'T', 'r', 'k'});
            const auto len = static_cast<uint32_t>(t.size());
            for (int s = 24; s >= 0; s -= 8) f.push_back(static_cast<uint8_t>(len >> s));
            f.insert(f.end(), t.begin(), t.end());
        }
        return f;
    }
};

// A type 1 file of n tracks: n - 1 empty ones, then one with a note of a
// quarter (0.5 s).
inline std::vector<uint8_t> manyTracksFile(int n) {
    SmfBuilder b;
    std::vector<uint8_t> empty, last;
    SmfBuilder::end(empty);
    SmfBuilder::note(last, 0, 0, 60, 100, 96);
    SmfBuilder::end(last);
    b.tracks.assign(static_cast<size_t>(n - 1), empty);
    b.tracks.push_back(last);
    return b.bytes();
}

// Wraps a Standard MIDI File in a RIFF RMID file, with an odd-sized
// chunk in front of the data chunk.
inline std::vector<uint8_t> wrapRmid(const std::vector<uint8_t>& smf) {
    std::vector<uint8_t> f = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D', 'D', 'I', 'S', 'P', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    f.insert(f.end(), {'d', 'a', 't', 'a'});
    const auto len = static_cast<uint32_t>(smf.size());
    for (int s = 0; s < 32; s += 8) f.push_back(static_cast<uint8_t>(len >> s));
    f.insert(f.end(), smf.begin(), smf.end());
    if (len & 1) f.push_back(0);
    const auto riff = static_cast<uint32_t>(f.size() - 8);
    for (int s = 0; s < 4; ++s) f[4 + s] = static_cast<uint8_t>(riff >> (8 * s));
    return f;
}

// Type 0 and type 1 files with tempo changes whose length in seconds is
// known: 96 ticks a quarter; 2 quarters at 120 bpm (1 s), 2 at 240 bpm
// (0.5 s), 1 at 60 bpm (1 s): 2.5 s in all.
constexpr double kTempoMapSeconds = 2.5;
inline std::vector<uint8_t> tempoMapFile(int format) {
    SmfBuilder b;
    b.format = format;
    std::vector<uint8_t> tempoTrack, notes;
    SmfBuilder::tempo(tempoTrack, 0, 500000);
    SmfBuilder::tempo(tempoTrack, 192, 250000);
    SmfBuilder::tempo(tempoTrack, 192, 1000000);
    SmfBuilder::program(notes, 0, 0);
    for (int i = 0; i < 5; ++i) SmfBuilder::note(notes, 0, 0, 60 + i, 100, 96);
    if (format == 0) {
        // One track: the tempo events between the notes, at the same ticks.
        std::vector<uint8_t> t;
        SmfBuilder::tempo(t, 0, 500000);
        SmfBuilder::program(t, 0, 0);
        for (int i = 0; i < 5; ++i) {
            if (i == 2) SmfBuilder::tempo(t, 0, 250000);
            if (i == 4) SmfBuilder::tempo(t, 0, 1000000);
            SmfBuilder::note(t, 0, 0, 60 + i, 100, 96);
        }
        SmfBuilder::end(t);
        b.tracks = {t};
    } else {
        SmfBuilder::end(tempoTrack);
        SmfBuilder::end(notes);
        b.tracks = {tempoTrack, notes};
    }
    return b.bytes();
}

// A typical General MIDI song for level checks: drums, bass, piano chords,
// a string pad and a lead line on five channels, 8 bars at 120 bpm (16 s).
inline std::vector<uint8_t> gmSong() {
    SmfBuilder b;
    std::vector<uint8_t> conductor;
    SmfBuilder::tempo(conductor, 0, 500000);
    SmfBuilder::end(conductor);
    const int q = 96, bars = 8;
    std::vector<uint8_t> drums, bass, piano, pad, lead;
    // Drums (channel 10): kick on 1 and 3, snare on 2 and 4, eighth hi-hats.
    for (int i = 0; i < bars * 8; ++i) {
        const int beat8 = i % 8;
        std::vector<uint8_t> on = {0x99, 42, 80};
        SmfBuilder::var(drums, 0);
        drums.insert(drums.end(), on.begin(), on.end());
        if (beat8 == 0 || beat8 == 4) drums.insert(drums.end(), {0x00, 0x99, 36, 110});
        if (beat8 == 2 || beat8 == 6) drums.insert(drums.end(), {0x00, 0x99, 38, 105});
        SmfBuilder::var(drums, q / 2);
        drums.insert(drums.end(), {0x89, 42, 0x40, 0x00, 0x89, 36, 0x40, 0x00, 0x89, 38, 0x40});
    }
    SmfBuilder::end(drums);
    const int roots[4] = {48, 45, 41, 43};   // C, A, F, G
    SmfBuilder::program(bass, 1, 33);
    SmfBuilder::program(piano, 0, 0);
    SmfBuilder::program(pad, 2, 48);
    SmfBuilder::program(lead, 3, 73);
    for (int bar = 0; bar < bars; ++bar) {
        const int r = roots[bar % 4];
        for (int k = 0; k < 4; ++k) SmfBuilder::note(bass, 0, 1, r - 12, 100, q);
        // Piano: a chord on every beat.
        for (int k = 0; k < 4; ++k) {
            piano.insert(piano.end(), {0x00, 0x90, static_cast<uint8_t>(r + 12), 90, 0x00, 0x90,
                                       static_cast<uint8_t>(r + 16), 90, 0x00, 0x90, static_cast<uint8_t>(r + 19), 90});
            SmfBuilder::var(piano, q);
            piano.insert(piano.end(), {0x80, static_cast<uint8_t>(r + 12), 0x40, 0x00, 0x80,
                                       static_cast<uint8_t>(r + 16), 0x40, 0x00, 0x80, static_cast<uint8_t>(r + 19), 0x40});
        }
        // Strings: the chord held for the bar.
        pad.insert(pad.end(), {0x00, 0x92, static_cast<uint8_t>(r), 80, 0x00, 0x92, static_cast<uint8_t>(r + 7), 80});
        SmfBuilder::var(pad, 4 * q);
        pad.insert(pad.end(), {0x82, static_cast<uint8_t>(r), 0x40, 0x00, 0x82, static_cast<uint8_t>(r + 7), 0x40});
        // Lead: eighth notes up the chord.
        const int steps[8] = {24, 28, 31, 36, 31, 28, 24, 19};
        for (int k = 0; k < 8; ++k) SmfBuilder::note(lead, 0, 3, r + steps[k], 100, q / 2);
    }
    for (auto* t : {&bass, &piano, &pad, &lead}) SmfBuilder::end(*t);
    b.tracks = {conductor, drums, bass, piano, pad, lead};
    return b.bytes();
}

// Files whose tempo or time base the synthesizer cannot play as they are.
// Tempo 0, then notes far apart: a tick of no length.
inline std::vector<uint8_t> tempoZeroFarEvents() {
    SmfBuilder b;
    b.format = 0;
    std::vector<uint8_t> t;
    SmfBuilder::tempo(t, 0, 0);
    SmfBuilder::program(t, 0, 0);
    SmfBuilder::note(t, 40000000, 0, 60, 100, 30000000);
    SmfBuilder::note(t, 30000000, 0, 64, 100, 20000000);
    SmfBuilder::end(t);
    b.tracks = {t};
    return b.bytes();
}
// Tempo 1 (a microsecond a quarter) at the given division, one long note.
inline std::vector<uint8_t> tempoOne(int division, uint32_t noteTicks) {
    SmfBuilder b;
    b.format = 1;
    b.division = division;
    std::vector<uint8_t> tempoTrack, notes;
    SmfBuilder::tempo(tempoTrack, 0, 1);
    SmfBuilder::end(tempoTrack);
    SmfBuilder::program(notes, 0, 0);
    SmfBuilder::note(notes, 0, 0, 67, 100, noteTicks);
    SmfBuilder::end(notes);
    b.tracks = {tempoTrack, notes};
    return b.bytes();
}
// A church organ (a looping sample) held with no note-off after tempo 0.
inline std::vector<uint8_t> heldOrganAfterTempoZero() {
    SmfBuilder b;
    b.format = 0;
    std::vector<uint8_t> t;
    SmfBuilder::tempo(t, 0, 0);
    SmfBuilder::program(t, 0, 19);
    t.insert(t.end(), {0x00, 0x90, 48, 110});
    SmfBuilder::end(t, 100000000);
    b.tracks = {t};
    return b.bytes();
}
// Time in SMPTE frames: fps 24, 25, 29 (29.97) or 30, ticks a frame; notes
// of noteTicks each, with a tempo event that such a file must ignore.
inline std::vector<uint8_t> smpteFile(int fps, int ticksPerFrame, int notes, uint32_t noteTicks) {
    SmfBuilder b;
    b.format = 0;
    b.division = ((256 - fps) << 8) | ticksPerFrame;
    std::vector<uint8_t> t;
    SmfBuilder::tempo(t, 0, 250000);
    SmfBuilder::program(t, 0, 0);
    for (int i = 0; i < notes; ++i) SmfBuilder::note(t, 0, 0, 60 + i, 100, noteTicks);
    SmfBuilder::end(t);
    b.tracks = {t};
    return b.bytes();
}
