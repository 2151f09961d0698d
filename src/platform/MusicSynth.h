// The music synthesizer as the MCI device sets it up, the player of one
// prepared file, and the test that tells when that file's track has ended.
// The device renders through the audio device; the fuzz target renders
// the same way without one.
#pragma once

#include <fluidsynth.h>

#include <cstdint>
#include <vector>

namespace sorvel {

// The synthesizer's output level. FluidSynth's own default (0.2) leaves a
// typical General MIDI song's peaks 10 to 15 dB below full scale; 0.4 (+6 dB)
// brings them to about -5..-3.5 dBFS, and a limiter (ceiling -1 dBFS) catches
// what a denser song adds.
constexpr double kMusicGain = 0.4;

// Settings of the music synthesizer at this output rate (frames a second):
// our gain, timing by the frames rendered, a thread-safe API, 16 channels.
fluid_settings_t* newMusicSettings(int sampleRate);

// Silences and resets the synthesizer and makes a player for the prepared
// image (read from memory, exactly what the validator read); nullptr when
// FluidSynth will not take it.
fluid_player_t* newTrackPlayer(fluid_synth_t* synth, const std::vector<uint8_t>& smf);
void deleteTrackPlayer(fluid_player_t*& player);

// The frame of output at which a track of this length has ended.
int64_t endFrameOf(double endSeconds, int sampleRate);

// Whether the track has ended, after framesPlayed frames of it: its own
// tempo map says the last event has passed (endFrame), or the player has
// reached the last tick or is done. The tempo map alone decides when the
// synthesizer's own counter goes wrong.
bool trackHasEnded(int playerStatus, int currentTick, int64_t endTick, int64_t framesPlayed, int64_t endFrame);

}  // namespace sorvel
