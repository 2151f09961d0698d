// Reading MIDI files before they reach the synthesizer: a Standard MIDI
// File (or one wrapped in a RIFF "RMID" file) is read completely, every
// track to its end, and written again in a plain form the synthesizer
// reads exactly as we do. A file that does not read completely is refused.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace sorvel {

struct PreparedMidi {
    std::vector<uint8_t> smf;   // header and tracks, every event with its own status byte
    int64_t endTick = 0;        // tick of the file's last event (the longest track)
    double endSeconds = 0;      // when the last event sounds, by the file's own tempo map
};

// The most tracks a file may have and still play.
constexpr unsigned kMaxMidiTracks = 127;

// FluidSynth counts ticks in an int, and its player works out the tick from
// the time since the last tempo change divided by the length of a tick: a
// tempo of 0 gives a tick of no length, and the counter sticks at INT_MIN
// for good; a very small tempo makes it run past INT_MAX. So the last event
// must lie below this tick, and one step of the player's timer at the
// file's smallest tempo must advance it by no more than this.
constexpr int64_t kMaxMidiTicks = int64_t{1} << 30;
// The longest step of the player's timer we allow for: it runs every 64
// frames of output, 8 ms at 8000 Hz; this leaves a wide margin.
constexpr int64_t kPlayerStepMs = 100;

// The smallest tempo (microseconds a quarter) that keeps the tick counter
// in range at this division (ticks a quarter): 1 up to 10737, 2 to 4
// above. A file's tempos below it are raised to it.
uint32_t smallestSafeTempo(unsigned ticksPerQuarter);

// The "data" chunk of a RIFF RMID file; nullopt when the bytes are not one.
std::optional<std::string_view> unwrapRmid(std::string_view bytes);

// nullopt when the bytes are not a MIDI file that can be played to its end:
// a header that is cut or of an unknown kind, a frame rate other than 24,
// 25, 29.97 or 30, more tracks than kMaxMidiTracks, fewer complete track
// chunks than the header names, an event that does not parse inside its
// track, or a last event at kMaxMidiTicks or later.
// Time in SMPTE frames, which the synthesizer does not play, is rewritten
// in ticks a quarter with one tempo that keeps every event at its time;
// tempos below smallestSafeTempo are raised to it. Preparing a prepared
// file gives the same file.
std::optional<PreparedMidi> prepareMidi(std::string_view bytes);

}  // namespace sorvel
