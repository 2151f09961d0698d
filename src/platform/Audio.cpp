#include "platform/Audio.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <fluidsynth.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/AppPaths.h"
#include "platform/FileStore.h"
#include "platform/MidiFile.h"
#include "platform/SynthLogFilter.h"

namespace sorvel {

std::string findSoundFont(const std::string& programFolder) {
    const std::string candidates[] = {
        programFile(programFolder, "soundfont.sf2"),
        "/usr/share/sounds/sf2/default-GM.sf2",
        "/usr/share/sounds/sf2/TimGM6mb.sf2",
        "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    };
    for (const auto& c : candidates) {
        if (::access(c.c_str(), R_OK) == 0) return c;
    }
    return {};
}

// ---- the shared audio device -------------------------------------------------

namespace {

// The limiter's ceiling (-1 dBFS) and its release time.
constexpr float kLimitCeiling = 0.891f;
constexpr double kLimitReleaseSeconds = 0.15;

struct Device {
    std::mutex mu;              // guards the synth and the player
    bool tried = false;
    bool open = false;
    int rate = 44100;
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    // current track
    fluid_player_t* player = nullptr;
    int64_t endTick = 0;
    int64_t trackEndFrame = 0;               // its length by its own tempo map
    std::atomic<bool> ended{false};
    std::atomic<int64_t> audibleFrames{0};
    std::atomic<int64_t> playedFrames{0};   // since the track started
    std::atomic<int64_t> endFrame{-1};      // playedFrames when the end was seen
    std::function<void()> onEnd;            // told once a track ends (guarded by mu)
    std::vector<std::pair<int, Mix_Chunk*>> chunks;
    // The sound made ready before it is needed, and the bytes it came from.
    Mix_Chunk* prepared = nullptr;
    std::vector<uint8_t> preparedBytes;
    // limiter
    std::vector<float> mix;
    float limitGain = 1.0f;
    float release = 0.0f;
};

Device& device() {
    static Device d;
    return d;
}

// Renders the synthesizer into 16-bit stereo, through a peak limiter that
// never lets a sample past the ceiling: the gain drops at once where a peak
// would pass it and recovers smoothly afterwards.
void renderLimited(Device* d, int16_t* out, int frames) {
    d->mix.resize(static_cast<size_t>(frames) * 2);
    float* buf = d->mix.data();
    fluid_synth_write_float(d->synth, frames, buf, 0, 2, buf, 1, 2);
    float g = d->limitGain;
    for (int i = 0; i < frames; ++i) {
        const float l = buf[2 * i], r = buf[2 * i + 1];
        const float peak = std::max(std::fabs(l), std::fabs(r));
        if (peak * g > kLimitCeiling) g = kLimitCeiling / peak;
        else g += (1.0f - g) * d->release;
        for (int c = 0; c < 2; ++c) {
            const float v = buf[2 * i + c] * g * 32767.0f;
            out[2 * i + c] = static_cast<int16_t>(std::lrint(std::clamp(v, -32768.0f, 32767.0f)));
        }
    }
    d->limitGain = g;
}

// Every end test comes here: the track is over from now on, and whoever
// waits for it hears so at once. Called with mu held.
void markEnded(Device* d) {
    d->endFrame = d->playedFrames.load();
    d->ended = true;
    if (d->onEnd) d->onEnd();
}

void musicHook(void* udata, Uint8* stream, int len) {
    auto* d = static_cast<Device*>(udata);
    const int frames = len / 4;   // 16-bit stereo, as the device is always opened
    std::unique_lock<std::mutex> lock(d->mu, std::try_to_lock);
    if (!lock.owns_lock() || !d->synth) {
        std::memset(stream, 0, static_cast<size_t>(len));
        return;
    }
    renderLimited(d, reinterpret_cast<int16_t*>(stream), frames);
    if (fluid_synth_get_active_voice_count(d->synth) > 0) d->audibleFrames += frames;
    if (d->player && !d->ended) {
        const int st = fluid_player_get_status(d->player);
        if (st != FLUID_PLAYER_READY) d->playedFrames += frames;
        const int cur = fluid_player_get_current_tick(d->player);
        if (trackHasEnded(st, cur, d->endTick, d->playedFrames, d->trackEndFrame)) markEnded(d);
    }
}

// FluidSynth's complaints go to stderr once each per file, not once per
// attempt: they come from the audio thread too, hence the lock.
std::mutex logMu;
SynthLogFilter logFilter;

void synthLogFile(const std::string& path) {
    std::lock_guard<std::mutex> g(logMu);
    logFilter.setFile(path);
}

void synthLog(int level, const char* message, void*) {
    std::lock_guard<std::mutex> g(logMu);
    if (!logFilter.shouldPrint(message ? message : "")) return;
    std::fprintf(stderr, "sorvel_p: fluidsynth %s: %s\n", level <= FLUID_ERR ? "error" : "warning", message);
}

bool openDevice() {
    Device& d = device();
    if (d.tried) return d.open;
    d.tried = true;
    // Opened again after a quiet spell: at the rate the synthesizer was
    // made for (SDL converts if the device has another).
    const bool again = d.synth != nullptr;
    const int freq = again ? d.rate : 44100;
    const int change = again ? 0 : SDL_AUDIO_ALLOW_FREQUENCY_CHANGE;
    auto tryOpen = [&]() -> bool {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
        // Always stereo 16-bit: SDL converts to whatever the device has
        // (more channels, another format), so the music never runs fast.
        if (Mix_OpenAudioDevice(freq, AUDIO_S16SYS, 2, 1024, nullptr, change) != 0) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return false;
        }
        return true;
    };
    bool ok = tryOpen();
    if (!ok) {
        // No sound card: a silent device that still runs in real time.
        std::fprintf(stderr, "sorvel_p: no audio device (%s); playing silently\n", SDL_GetError());
        SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
        ok = tryOpen();
    }
    if (!ok) return false;
    int got = 44100, ch = 2;
    Uint16 fmt = AUDIO_S16SYS;
    Mix_QuerySpec(&got, &fmt, &ch);
    d.rate = got;
    d.release = static_cast<float>(1.0 - std::exp(-1.0 / (kLimitReleaseSeconds * got)));
    Mix_AllocateChannels(16);
    // A track left open over the quiet spell goes on being heard.
    if (d.synth) Mix_HookMusic(musicHook, &d);
    d.open = true;
    return true;
}

// Lets go of the device and every decoded sound; the synthesizer, its
// sound font and the open track stay.
void closeDevice(Device& d) {
    Mix_HookMusic(nullptr, nullptr);
    Mix_HaltChannel(-1);
    for (auto& c : d.chunks) {
        if (c.second != d.prepared) Mix_FreeChunk(c.second);
    }
    d.chunks.clear();
    if (d.prepared) Mix_FreeChunk(d.prepared);
    d.prepared = nullptr;
    d.preparedBytes.clear();
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    d.open = false;
    d.tried = false;   // a later sound opens the device again
}

}  // namespace

void shutdownAudio() {
    Device& d = device();
    if (!d.open) return;
    {
        std::lock_guard<std::mutex> g(d.mu);
        deleteTrackPlayer(d.player);
    }
    closeDevice(d);
}

bool closeAudioIfQuiet() {
    Device& d = device();
    if (!d.open) return true;
    {
        std::lock_guard<std::mutex> g(d.mu);
        if (d.player && !d.ended && fluid_player_get_status(d.player) == FLUID_PLAYER_PLAYING) return false;
    }
    if (Mix_Playing(-1) > 0) return false;
    closeDevice(d);
    return true;
}

bool audioDeviceOpen() { return device().open; }

// ---- MCI over FluidSynth -----------------------------------------------------

struct FluidMci::Impl {
    std::string folder;
    bool aliasOpen = false;
    std::string path;
    std::vector<uint8_t> smf;   // the open file, checked and made plain
    bool stopped = false;   // stopped by command (not by the end)
    double fontMs = 0;
    bool fontLoaded = false;
    bool fontReported = false;
};

FluidMci::FluidMci(std::string programFolder) : d_(std::make_unique<Impl>()) {
    d_->folder = std::move(programFolder);
}

FluidMci::~FluidMci() {
    std::string r;
    sendString("close bgm", &r);
}

double FluidMci::soundFontLoadMs() const { return d_->fontMs; }
int64_t FluidMci::audibleFramesSinceOpen() const { return device().audibleFrames.load(); }
double FluidMci::secondsPlayedAtEnd() const {
    const Device& d = device();
    const int64_t f = d.endFrame.load();
    return f < 0 ? -1.0 : static_cast<double>(f) / d.rate;
}
bool FluidMci::setEndNotifier(std::function<void()> ended) {
    Device& d = device();
    std::lock_guard<std::mutex> g(d.mu);
    d.onEnd = std::move(ended);
    return true;
}

void FluidMci::setGain(double gain) {
    Device& d = device();
    std::lock_guard<std::mutex> g(d.mu);
    if (d.synth) fluid_synth_set_gain(d.synth, static_cast<float>(gain));
}

namespace {
bool startPlayer(Device& dev, const std::vector<uint8_t>& smf) {
    deleteTrackPlayer(dev.player);
    dev.player = newTrackPlayer(dev.synth, smf);
    if (!dev.player) return false;
    dev.ended = false;
    dev.audibleFrames = 0;
    dev.playedFrames = 0;
    dev.endFrame = -1;
    return true;
}
}  // namespace

int32_t FluidMci::sendString(const std::string& cmd, std::string* reply) {
    Device& dev = device();
    static const std::string kAlias = " alias bgm";
    if (cmd.rfind("open \"", 0) == 0 && cmd.size() > kAlias.size() &&
        cmd.compare(cmd.size() - kAlias.size(), kAlias.size(), kAlias) == 0) {
        const size_t close = cmd.size() - kAlias.size() - 1;
        if (close < 6 || cmd[close] != '"') return kMciUnknownCommand;
        const std::string path = cmd.substr(6, close - 6);
        if (d_->aliasOpen) return kMciDeviceBusy;
        ReadStatus status = ReadStatus::Ok;
        const auto data = readWholeFile(path, &status);
        // Gone only when its folder is there to say so; a file that is
        // there but cannot be read is not gone either.
        if (!data) return status == ReadStatus::Missing && folderOfFileIsThere(path) ? kMciFileNotFound
                                                                                     : kMciPathUnreachable;
        auto midi = prepareMidi(*data);
        if (!midi) return kMciNotMidi;
        if (!openDevice()) return kMciDeviceBusy;
        synthLogFile(path);
        {
            std::lock_guard<std::mutex> g(dev.mu);
            if (!dev.synth) {
                for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN}) fluid_set_log_function(level, synthLog, nullptr);
                for (int level : {FLUID_INFO, FLUID_DBG}) fluid_set_log_function(level, nullptr, nullptr);
                dev.settings = newMusicSettings(dev.rate);
                dev.synth = new_fluid_synth(dev.settings);
            }
            if (!d_->fontLoaded) {
                const auto t0 = std::chrono::steady_clock::now();
                const std::string sf = findSoundFont(d_->folder);
                if (!sf.empty() && fluid_synth_sfload(dev.synth, sf.c_str(), 1) != FLUID_FAILED) d_->fontLoaded = true;
                d_->fontMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
                if (!d_->fontLoaded && !d_->fontReported) {
                    std::fprintf(stderr, "sorvel_p: no General MIDI sound font found\n");
                    d_->fontReported = true;   // once a run, not once a track
                }
            }
            // The file passed its check: a player that cannot be made is the
            // synthesizer's trouble, and must not cost the list its entry.
            if (!startPlayer(dev, midi->smf)) return kMciDeviceBusy;
            dev.endTick = midi->endTick;
            dev.trackEndFrame = endFrameOf(midi->endSeconds, dev.rate);
        }
        Mix_HookMusic(musicHook, &dev);
        d_->aliasOpen = true;
        d_->path = path;
        d_->smf = std::move(midi->smf);
        d_->stopped = false;
        return kMciOk;
    }
    if (cmd == "play bgm" || cmd == "play bgm from 0") {
        if (!d_->aliasOpen) return kMciUnknownAlias;
        if (!openDevice()) return kMciDeviceBusy;
        std::lock_guard<std::mutex> g(dev.mu);
        if (cmd == "play bgm from 0" || dev.ended || d_->stopped || !dev.player) {
            if (!startPlayer(dev, d_->smf)) return kMciDeviceBusy;   // as the open says it
        }
        d_->stopped = false;
        if (fluid_player_get_status(dev.player) != FLUID_PLAYER_PLAYING) fluid_player_play(dev.player);
        return kMciOk;
    }
    if (cmd == "stop bgm") {
        if (!d_->aliasOpen) return kMciUnknownAlias;
        std::lock_guard<std::mutex> g(dev.mu);
        if (dev.player) fluid_player_stop(dev.player);
        if (dev.synth) fluid_synth_all_sounds_off(dev.synth, -1);
        d_->stopped = true;
        return kMciOk;
    }
    if (cmd == "close bgm") {
        if (!d_->aliasOpen) return kMciUnknownAlias;
        std::lock_guard<std::mutex> g(dev.mu);
        deleteTrackPlayer(dev.player);
        if (dev.synth) fluid_synth_all_sounds_off(dev.synth, -1);
        d_->aliasOpen = false;
        return kMciOk;
    }
    if (cmd == "status bgm mode") {
        if (!d_->aliasOpen) return kMciUnknownAlias;
        std::lock_guard<std::mutex> g(dev.mu);
        const bool playing = dev.player && !d_->stopped && !dev.ended &&
                             fluid_player_get_status(dev.player) == FLUID_PLAYER_PLAYING;
        if (reply) *reply = playing ? "playing" : "stopped";
        return kMciOk;
    }
    return kMciUnknownCommand;
}

std::string FluidMci::errorString(int32_t code) {
    switch (code) {
        case kMciOk: return "";
        case kMciUnknownCommand: return "The specified command was not recognized.";
        case kMciFileNotFound: return "The specified file was not found.";
        case kMciPathUnreachable: return "The device is not ready.";
        case kMciNotMidi: return "The file is not a Standard MIDI File.";
        case kMciUnknownAlias: return "The specified device is not open.";
        case kMciDeviceBusy: return "The device is busy or already open.";
        default: return "Unknown error " + std::to_string(code) + ".";
    }
}

// ---- WAV from memory --------------------------------------------------------

namespace {
Mix_Chunk* decodeWav(const std::vector<uint8_t>& wav) {
    SDL_RWops* rw = SDL_RWFromConstMem(wav.data(), static_cast<int>(wav.size()));
    return rw ? Mix_LoadWAV_RW(rw, 1) : nullptr;
}

// Stops what the earlier sounds still play and lets go of them; the
// prepared sound stays decoded.
void haltSounds(Device& d) {
    for (const auto& c : d.chunks) {
        if (Mix_Playing(c.first) && Mix_GetChunk(c.first) == c.second) Mix_HaltChannel(c.first);
        if (c.second != d.prepared) Mix_FreeChunk(c.second);
    }
    d.chunks.clear();
}
}  // namespace

void SdlWavPlayer::prepare(const std::vector<uint8_t>& wav) {
    if (wav.size() < 12 || wav.size() > static_cast<size_t>(INT32_MAX)) return;
    if (!openDevice()) return;
    Device& d = device();
    if (d.prepared && d.preparedBytes == wav) return;
    haltSounds(d);
    if (d.prepared) Mix_FreeChunk(d.prepared);
    d.prepared = decodeWav(wav);
    if (d.prepared) {
        d.preparedBytes = wav;
    } else {
        d.preparedBytes.clear();
    }
}

bool SdlWavPlayer::playFromMemory(const std::vector<uint8_t>& wav) {
    if (wav.size() < 12 || wav.size() > static_cast<size_t>(INT32_MAX)) return false;
    if (!openDevice()) return false;
    Device& d = device();
    // A new sound replaces the one still playing: repetitions never overlap.
    haltSounds(d);
    const bool ready = d.prepared && d.preparedBytes == wav;
    Mix_Chunk* chunk = ready ? d.prepared : decodeWav(wav);
    if (!chunk) return false;
    const int ch = Mix_PlayChannel(-1, chunk, 0);
    if (ch < 0) {
        if (!ready) Mix_FreeChunk(chunk);
        return false;
    }
    d.chunks.emplace_back(ch, chunk);
    return true;
}

}  // namespace sorvel
