// Entry points of the audio module (libsorvel_audio.so). The launcher loads
// it on the first use of music or the alarm sound, so that the synthesizer,
// the audio device and their libraries cost nothing until then.
#include "platform/Audio.h"

extern "C" {
__attribute__((visibility("default"))) sorvel::Mci* sorvel_audio_create_mci(const char* programFolder) {
    return new sorvel::FluidMci(programFolder ? programFolder : "");
}
__attribute__((visibility("default"))) sorvel::WavPlayer* sorvel_audio_create_wav() {
    return new sorvel::SdlWavPlayer();
}
__attribute__((visibility("default"))) void sorvel_audio_shutdown() { sorvel::shutdownAudio(); }
__attribute__((visibility("default"))) int sorvel_audio_close_if_quiet() { return sorvel::closeAudioIfQuiet() ? 1 : 0; }
}
