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
};

// The most tracks a file may have and still play.
constexpr unsigned kMaxMidiTracks = 127;

// The "data" chunk of a RIFF RMID file; nullopt when the bytes are not one.
std::optional<std::string_view> unwrapRmid(std::string_view bytes);

// nullopt when the bytes are not a MIDI file that can be played to its end:
// a header that is cut or of an unknown kind, time in SMPTE frames, more
// tracks than kMaxMidiTracks, fewer
// complete track chunks than the header names, or an event that does not
// parse inside its track.
std::optional<PreparedMidi> prepareMidi(std::string_view bytes);

}  // namespace sorvel
