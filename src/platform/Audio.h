// The audio device (SDL2_mixer) shared by the music synthesizer
// (FluidSynth) and the alarm sound, and the MCI-style command layer over it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/MusicSynth.h"
#include "platform/Services.h"

namespace sorvel {

// Sound font search: "soundfont.sf2" in the program folder, then the
// system's General MIDI fonts.
std::string findSoundFont(const std::string& programFolder);

class FluidMci : public Mci {
public:
    explicit FluidMci(std::string programFolder);
    ~FluidMci() override;
    FluidMci(const FluidMci&) = delete;
    FluidMci& operator=(const FluidMci&) = delete;
    int32_t sendString(const std::string& command, std::string* reply) override;
    std::string errorString(int32_t code) override;
    // Told from the audio thread when a track has played to its end.
    bool setEndNotifier(std::function<void()> ended) override;

    // Milliseconds spent loading the sound font (0 before the first open).
    double soundFontLoadMs() const;
    // Frames rendered with at least one active voice since the last open.
    int64_t audibleFramesSinceOpen() const;
    // Seconds of the track rendered when its end was seen; -1 before.
    double secondsPlayedAtEnd() const;
    // Changes the synthesizer's output level (benchmarks compare levels).
    void setGain(double gain);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

class SdlWavPlayer : public WavPlayer {
public:
    bool playFromMemory(const std::vector<uint8_t>& wav) override;
    void prepare(const std::vector<uint8_t>& wav) override;
};

// Closes the audio device (at exit).
void shutdownAudio();
// Closes the audio device unless music or a sound is playing, so that its
// thread no longer wakes; the next sound or track opens it again. True when
// the device is closed.
bool closeAudioIfQuiet();
bool audioDeviceOpen();

}  // namespace sorvel
