// libFuzzer target for the MIDI path: any bytes go through the RMID
// unwrapping and the validator, and every file they accept is played by a
// real FluidSynth player set up as the music device sets it up (the sound
// font, gain, reset), rendered block by block for at most a few seconds.
// Aborts when an accepted file is refused by the synthesizer, when
// preparing a prepared file changes it, or when a file whose own tempo map
// ends inside the cap has not ended at the cap by the device's end test.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/Audio.h"
#include "platform/MidiFile.h"
#include "platform/MusicSynth.h"

using namespace sorvel;

namespace {
constexpr int kRate = 44100;
constexpr int kBlock = 1024;          // frames a block, as the device asks
constexpr double kCapSeconds = 3.0;   // audio rendered at most per input

bool g_synthError = false;
void onError(int, const char* message, void*) {
    g_synthError = true;
    std::fprintf(stderr, "fluidsynth error: %s\n", message ? message : "");
}

fluid_synth_t* synth() {
    static fluid_synth_t* s = [] {
        for (int level : {FLUID_PANIC, FLUID_ERR}) fluid_set_log_function(level, onError, nullptr);
        for (int level : {FLUID_WARN, FLUID_INFO, FLUID_DBG}) fluid_set_log_function(level, nullptr, nullptr);
        fluid_synth_t* syn = new_fluid_synth(newMusicSettings(kRate));
        const std::string sf = findSoundFont("/nonexistent/");
        if (!sf.empty()) fluid_synth_sfload(syn, sf.c_str(), 1);
        else std::fprintf(stderr, "no General MIDI sound font: playing without one\n");
        return syn;
    }();
    return s;
}

[[noreturn]] void fail(const char* what, const PreparedMidi& m) {
    std::fprintf(stderr, "%s (end tick %lld, %.6f s)\n", what, static_cast<long long>(m.endTick), m.endSeconds);
    std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    (void)unwrapRmid(in);
    const auto m = prepareMidi(in);
    if (!m) return 0;

    const auto again = prepareMidi({reinterpret_cast<const char*>(m->smf.data()), m->smf.size()});
    if (!again || again->smf != m->smf || again->endTick != m->endTick || again->endSeconds != m->endSeconds)
        fail("preparing the prepared file changed it", *m);

    fluid_synth_t* syn = synth();
    g_synthError = false;
    fluid_player_t* player = newTrackPlayer(syn, m->smf);
    if (!player || fluid_player_play(player) != FLUID_OK) fail("the synthesizer refused the file", *m);
    const int64_t endFrame = endFrameOf(m->endSeconds, kRate);
    const int64_t cap = static_cast<int64_t>(kCapSeconds * kRate);
    std::vector<float> buf(2 * kBlock);
    int64_t played = 0;
    bool ended = false, loaded = false;
    while (played < cap && !ended) {
        fluid_synth_write_float(syn, kBlock, buf.data(), 0, 2, buf.data(), 1, 2);
        const int st = fluid_player_get_status(player);
        if (st != FLUID_PLAYER_READY) played += kBlock;
        if (!loaded && st == FLUID_PLAYER_PLAYING) {
            // Read by the synthesizer: as long as the validator found it.
            loaded = true;
            if (fluid_player_get_total_ticks(player) != m->endTick) fail("the synthesizer read another length", *m);
        }
        ended = trackHasEnded(st, fluid_player_get_current_tick(player), m->endTick, played, endFrame);
    }
    if (g_synthError) fail("the synthesizer refused the file", *m);
    if (!ended && m->endSeconds < kCapSeconds - 0.1) fail("the file's own length has passed and it still plays", *m);
    deleteTrackPlayer(player);
    return 0;
}
