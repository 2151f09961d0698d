#include "platform/MusicSynth.h"

#include <cmath>

namespace sorvel {

fluid_settings_t* newMusicSettings(int sampleRate) {
    fluid_settings_t* s = new_fluid_settings();
    if (!s) return nullptr;
    fluid_settings_setnum(s, "synth.gain", kMusicGain);
    fluid_settings_setnum(s, "synth.sample-rate", sampleRate);
    fluid_settings_setstr(s, "player.timing-source", "sample");
    fluid_settings_setint(s, "synth.threadsafe-api", 1);
    // Sixteen channels, as General MIDI has: FluidSynth before 2.3.6 (2.3.1
    // in Debian 12) writes past the player's channel table when a file
    // addresses more channels than that (GHSA-976m-35rw-h3m6). Keep 16
    // until the packaged FluidSynth has upstream's fix.
    fluid_settings_setint(s, "synth.midi-channels", 16);
    return s;
}

fluid_player_t* newTrackPlayer(fluid_synth_t* synth, const std::vector<uint8_t>& smf) {
    fluid_synth_all_sounds_off(synth, -1);
    fluid_synth_system_reset(synth);
    fluid_player_t* p = new_fluid_player(synth);
    if (!p) return nullptr;
    if (fluid_player_add_mem(p, smf.data(), smf.size()) != FLUID_OK) {
        delete_fluid_player(p);
        return nullptr;
    }
    return p;
}

void deleteTrackPlayer(fluid_player_t*& player) {
    if (!player) return;
    fluid_player_stop(player);
    delete_fluid_player(player);
    player = nullptr;
}

int64_t endFrameOf(double endSeconds, int sampleRate) {
    const double f = std::ceil(endSeconds * sampleRate);
    // A length past what the counters hold is a track that does not end
    // in any run of the program.
    if (!(f < 9.0e18)) return INT64_MAX;
    return static_cast<int64_t>(f);
}

bool trackHasEnded(int playerStatus, int currentTick, int64_t endTick, int64_t framesPlayed, int64_t endFrame) {
    if (playerStatus == FLUID_PLAYER_DONE) return true;
    if (playerStatus != FLUID_PLAYER_PLAYING) return false;
    return currentTick >= endTick || framesPlayed >= endFrame;
}

}  // namespace sorvel
