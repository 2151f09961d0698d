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
