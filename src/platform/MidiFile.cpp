#include "platform/MidiFile.h"

#include <algorithm>
#include <cstring>

namespace sorvel {

namespace {

uint32_t be32(const unsigned char* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
uint32_t le32(const unsigned char* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// The largest delta time a four-byte variable-length number holds.
constexpr uint64_t kMaxDelta = 0x0FFFFFFF;

void putVar(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t buf[4];
    int n = 0;
    buf[n++] = v & 0x7f;
    while ((v >>= 7)) buf[n++] = static_cast<uint8_t>((v & 0x7f) | 0x80);
    while (n) out.push_back(buf[--n]);
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}

// A tempo event as written out: its tick, where its three data bytes lie
// in the track, and its value.
struct TempoAt {
    int64_t tick;
    size_t track;
    size_t offset;
    uint32_t usPerQuarter;
};

// Reads one track chunk's events [p, end) and appends the plain form of
// the track's events to out. False when an event does not parse inside
// the chunk. sawEnd tells whether the end-of-track event was there. The
// tempo events written go to tempos; with keepTempo false they are left
// out (time in frames has no tempo).
bool readTrack(const unsigned char* d, size_t p, size_t end, std::vector<uint8_t>& out, int64_t& lastTick,
               bool& sawEnd, bool keepTempo, size_t trackIndex, std::vector<TempoAt>& tempos) {
    int64_t tick = 0;
    uint64_t pending = 0;   // delta time of events left out, carried forward
    uint8_t running = 0;    // status of the last channel event
    auto readVar = [&](uint32_t& v) {
        v = 0;
        for (int i = 0; i < 4; ++i) {
            if (p >= end) return false;
            const uint8_t b = d[p++];
            v = (v << 7) | (b & 0x7f);
            if (!(b & 0x80)) return true;
        }
        return false;   // more than four bytes
    };
    auto emitDelta = [&]() {
        if (pending > kMaxDelta) return false;
        putVar(out, static_cast<uint32_t>(pending));
        pending = 0;
        return true;
    };
    bool ended = false;
    while (p < end && !ended) {
        uint32_t delta = 0;
        if (!readVar(delta)) return false;
        tick += delta;
        pending += delta;
        if (p >= end) return false;
        uint8_t status = d[p];
        if (status & 0x80) {
            ++p;
        } else {
            if (!running) return false;   // data with no status to run on
            status = running;
        }
        if (status == 0xff) {
            if (p >= end) return false;
            const uint8_t type = d[p++];
            uint32_t len = 0;
            if (!readVar(len) || len > end - p) return false;
            const unsigned char* data = d + p;
            p += len;
            if (type == 0x2f) {
                ended = true;   // whatever follows in the chunk is padding
            } else if (type == 0x51 && len == 3 && keepTempo) {
                if (!emitDelta()) return false;
                out.insert(out.end(), {0xff, 0x51, 0x03, data[0], data[1], data[2]});
                tempos.push_back({tick, trackIndex, out.size() - 3,
                                  (uint32_t(data[0]) << 16) | (uint32_t(data[1]) << 8) | uint32_t(data[2])});
            }
            // Other meta events (texts, names, signatures) carry nothing
            // the synthesizer plays: left out, their time carried forward.
        } else if (status == 0xf0 || status == 0xf7) {
            uint32_t len = 0;
            if (!readVar(len) || len > end - p) return false;
            if (status == 0xf0) {
                if (!emitDelta()) return false;
                out.push_back(0xf0);
                putVar(out, len);
                out.insert(out.end(), d + p, d + p + len);
            }
            // An escaped (0xF7) block is left out: the synthesizer has no
            // use for raw bytes.
            p += len;
        } else if (status >= 0xf0) {
            return false;   // system messages do not belong in a file
        } else {
            running = status;
            const uint32_t n = ((status & 0xf0) == 0xc0 || (status & 0xf0) == 0xd0) ? 1 : 2;
            if (n > end - p) return false;
            for (uint32_t i = 0; i < n; ++i) {
                if (d[p + i] & 0x80) return false;   // a message cut short
            }
            if (!emitDelta()) return false;
            out.push_back(status);
            out.insert(out.end(), d + p, d + p + n);
            p += n;
        }
    }
    lastTick = tick;
    sawEnd = ended;
    if (!emitDelta()) return false;
    out.insert(out.end(), {0xff, 0x2f, 0x00});
    return true;
}

}  // namespace

std::optional<std::string_view> unwrapRmid(std::string_view bytes) {
    const auto* d = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() < 12 || std::memcmp(d, "RIFF", 4) != 0 || std::memcmp(d + 8, "RMID", 4) != 0) return std::nullopt;
    // The RIFF size is often wrong in the wild: the chunks are walked
    // within the file instead.
    size_t p = 12;
    while (p + 8 <= bytes.size()) {
        const uint32_t len = le32(d + p + 4);
        const size_t body = p + 8;
        const size_t avail = bytes.size() - body;
        if (std::memcmp(d + p, "data", 4) == 0) return bytes.substr(body, len < avail ? len : avail);
        if (len >= avail) break;
        p = body + len + (len & 1);   // chunks are padded to even sizes
    }
    return std::nullopt;
}

uint32_t smallestSafeTempo(unsigned ticksPerQuarter) {
    // One timer step of kPlayerStepMs at tempo t advances the counter by
    // kPlayerStepMs * 1000 * division / t ticks.
    const int64_t need = kPlayerStepMs * 1000 * int64_t{ticksPerQuarter};
    const int64_t t = (need + kMaxMidiTicks - 1) / kMaxMidiTicks;
    return static_cast<uint32_t>(t < 1 ? 1 : t);
}

std::optional<PreparedMidi> prepareMidi(std::string_view bytes) {
    if (const auto inner = unwrapRmid(bytes)) bytes = *inner;
    const auto* d = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t size = bytes.size();
    if (size < 14 || std::memcmp(d, "MThd", 4) != 0) return std::nullopt;
    const uint32_t hlen = be32(d + 4);
    if (hlen < 6 || hlen > size - 8) return std::nullopt;
    const unsigned format = (d[8] << 8) | d[9];
    const unsigned ntracks = (d[10] << 8) | d[11];
    unsigned division = (d[12] << 8) | d[13];
    // A file of 128 tracks or more is not played by the synthesizer:
    // FluidSynth reads the low byte of the count as a signed char, so
    // 128..255 load no track at all, and a larger count stops at its limit
    // of 128 tracks. Such a file would open, stay silent and end at once.
    if (format > 2 || ntracks < 1 || ntracks > kMaxMidiTracks || division == 0) return std::nullopt;

    // Time in SMPTE frames (top bit): the high byte is minus the frame
    // rate, the low byte the ticks a frame. The synthesizer knows only
    // ticks a quarter, so the file is given as many ticks a quarter as it
    // has ticks a second (30 frames a second for 29.97) and one tempo of a
    // second a quarter (1.001 s for 29.97): every tick keeps its time.
    // Tempo events mean nothing in such a file and are left out.
    const bool smpte = (division & 0x8000) != 0;
    uint32_t smpteTempo = 0;
    if (smpte) {
        const int fps = 256 - int(division >> 8);
        const unsigned perFrame = division & 0xff;
        if (perFrame == 0 || (fps != 24 && fps != 25 && fps != 29 && fps != 30)) return std::nullopt;
        division = (fps == 29 ? 30u : unsigned(fps)) * perFrame;
        smpteTempo = fps == 29 ? 1001000 : 1000000;
    }

    PreparedMidi r;
    std::vector<std::vector<uint8_t>> tracks;
    std::vector<TempoAt> tempos;
    size_t p = 8 + hlen;
    while (tracks.size() < ntracks) {
        if (size - p < 8) return std::nullopt;   // cut before all tracks
        const size_t body = p + 8;
        size_t len = be32(d + p + 4);
        // A chunk that claims more bytes than the file holds is cut short;
        // a last track whose events all arrived, up to its end-of-track
        // event, still plays (writers that miscount the length are common).
        const bool claimsTooMuch = len > size - body;
        if (claimsTooMuch) len = size - body;
        if (std::memcmp(d + p, "MTrk", 4) == 0) {
            std::vector<uint8_t> track;
            if (smpte && tracks.empty()) track.insert(track.end(), {0x00, 0xff, 0x51, 0x03, 0, 0, 0});
            if (smpte && tracks.empty()) tempos.push_back({0, 0, 4, smpteTempo});
            int64_t last = 0;
            bool sawEnd = false;
            if (!readTrack(d, body, body + len, track, last, sawEnd, !smpte, tracks.size(), tempos)) return std::nullopt;
            if (claimsTooMuch && !sawEnd) return std::nullopt;
            if (last > r.endTick) r.endTick = last;
            tracks.push_back(std::move(track));
        }
        else if (claimsTooMuch) {
            return std::nullopt;
        }
        // Chunks of other kinds are skipped, as the format asks.
        p = body + len;
    }
    if (r.endTick >= kMaxMidiTicks) return std::nullopt;

    // Tempos the tick counter cannot take are raised to the smallest it
    // can; the tempo map then gives the time of the last event.
    const uint32_t safe = smallestSafeTempo(division);
    for (auto& t : tempos) {
        if (t.usPerQuarter < safe) t.usPerQuarter = safe;
        auto& bytesOut = tracks[t.track];
        bytesOut[t.offset] = static_cast<uint8_t>(t.usPerQuarter >> 16);
        bytesOut[t.offset + 1] = static_cast<uint8_t>(t.usPerQuarter >> 8);
        bytesOut[t.offset + 2] = static_cast<uint8_t>(t.usPerQuarter);
    }
    // All tracks share one tempo map, as the synthesizer plays them.
    std::stable_sort(tempos.begin(), tempos.end(), [](const TempoAt& a, const TempoAt& b) { return a.tick < b.tick; });
    double us = 0;
    int64_t at = 0;
    uint32_t tempo = 500000;   // the format's default, 120 a minute
    for (const auto& t : tempos) {
        us += double(t.tick - at) * tempo / division;
        at = t.tick;
        tempo = t.usPerQuarter;
    }
    us += double(r.endTick - at) * tempo / division;
    r.endSeconds = us / 1e6;

    r.smf = {'M', 'T', 'h', 'd', 0, 0, 0, 6, d[8], d[9], d[10], d[11], static_cast<uint8_t>(division >> 8),
             static_cast<uint8_t>(division)};
    for (const auto& t : tracks) {
        r.smf.insert(r.smf.end(), {'M', 'T', 'r', 'k'});
        put32(r.smf, static_cast<uint32_t>(t.size()));
        r.smf.insert(r.smf.end(), t.begin(), t.end());
    }
    return r;
}

}  // namespace sorvel
