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
