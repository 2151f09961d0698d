#include "platform/Audio.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <fluidsynth.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "music/MidiFile.h"
#include "persistence/ItemFile.h"
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
    std::atomic<bool> ended{false};
    std::atomic<int64_t> audibleFrames{0};
    std::atomic<int64_t> playedFrames{0};   // since the track started
    std::atomic<int64_t> endFrame{-1};      // playedFrames when the end was seen
    std::function<void()> onEnd;            // told once a track ends (guarded by mu)
    std::vector<std::pair<int, Mix_Chunk*>> chunks;
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
        if (st == FLUID_PLAYER_DONE || (st == FLUID_PLAYER_PLAYING && cur >= d->endTick)) markEnded(d);
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
    auto tryOpen = [&]() -> bool {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
        // Always stereo 16-bit: SDL converts to whatever the device has
        // (more channels, another format), so the music never runs fast.
        if (Mix_OpenAudioDevice(44100, AUDIO_S16SYS, 2, 1024, nullptr, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE) != 0) {
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
    int freq = 44100, ch = 2;
    Uint16 fmt = AUDIO_S16SYS;
    Mix_QuerySpec(&freq, &fmt, &ch);
    d.rate = freq;
    d.release = static_cast<float>(1.0 - std::exp(-1.0 / (kLimitReleaseSeconds * freq)));
    Mix_AllocateChannels(16);
    d.open = true;
    return true;
}

}  // namespace

void shutdownAudio() {
    Device& d = device();
    if (!d.open) return;
    Mix_HookMusic(nullptr, nullptr);
    Mix_HaltChannel(-1);
    {
        std::lock_guard<std::mutex> g(d.mu);
        if (d.player) {
            fluid_player_stop(d.player);
            delete_fluid_player(d.player);
            d.player = nullptr;
        }
    }
    for (auto& c : d.chunks) Mix_FreeChunk(c.second);
    d.chunks.clear();
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    d.open = false;
    d.tried = false;   // a later sound opens the device again
}

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

FluidMci::FluidMci(std::string programFolder) : d_(new Impl) { d_->folder = std::move(programFolder); }

FluidMci::~FluidMci() {
    std::string r;
    sendString("close bgm", &r);
    delete d_;
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
    if (dev.player) {
        fluid_player_stop(dev.player);
        delete_fluid_player(dev.player);
        dev.player = nullptr;
    }
    fluid_synth_all_sounds_off(dev.synth, -1);
    fluid_synth_system_reset(dev.synth);
    dev.player = new_fluid_player(dev.synth);
    if (!dev.player) return false;
    // The checked image from memory: the synthesizer reads exactly what
    // the open step read.
    if (fluid_player_add_mem(dev.player, smf.data(), smf.size()) != FLUID_OK) {
        delete_fluid_player(dev.player);
        dev.player = nullptr;
        return false;
    }
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
        const auto data = readWholeFile(path);
        if (!data) return kMciFileNotFound;
        auto midi = prepareMidi(*data);
        if (!midi) return kMciNotMidi;
        if (!openDevice()) return kMciDeviceBusy;
        synthLogFile(path);
        {
            std::lock_guard<std::mutex> g(dev.mu);
            if (!dev.synth) {
                for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN}) fluid_set_log_function(level, synthLog, nullptr);
                for (int level : {FLUID_INFO, FLUID_DBG}) fluid_set_log_function(level, nullptr, nullptr);
                dev.settings = new_fluid_settings();
                fluid_settings_setnum(dev.settings, "synth.gain", kMusicGain);
                fluid_settings_setnum(dev.settings, "synth.sample-rate", dev.rate);
                fluid_settings_setstr(dev.settings, "player.timing-source", "sample");
                fluid_settings_setint(dev.settings, "synth.threadsafe-api", 1);
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
        std::lock_guard<std::mutex> g(dev.mu);
        if (cmd == "play bgm from 0" || dev.ended || d_->stopped || !dev.player) {
            if (!startPlayer(dev, d_->smf)) return kMciFileNotFound;
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
        if (dev.player) {
            fluid_player_stop(dev.player);
            delete_fluid_player(dev.player);
            dev.player = nullptr;
        }
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
        case kMciNotMidi: return "The file is not a Standard MIDI File.";
        case kMciUnknownAlias: return "The specified device is not open.";
        case kMciDeviceBusy: return "The device is busy or already open.";
        default: return "Unknown error " + std::to_string(code) + ".";
    }
}

// ---- WAV from memory --------------------------------------------------------

bool SdlWavPlayer::playFromMemory(const std::vector<uint8_t>& wav) {
    if (wav.size() < 12) return false;
    if (!openDevice()) return false;
    Device& d = device();
    // A new sound replaces the one still playing: repetitions never overlap.
    for (const auto& c : d.chunks) {
        if (Mix_Playing(c.first) && Mix_GetChunk(c.first) == c.second) Mix_HaltChannel(c.first);
        Mix_FreeChunk(c.second);
    }
    d.chunks.clear();
    SDL_RWops* rw = SDL_RWFromConstMem(wav.data(), static_cast<int>(wav.size()));
    if (!rw) return false;
    Mix_Chunk* chunk = Mix_LoadWAV_RW(rw, 1);
    if (!chunk) return false;
    const int ch = Mix_PlayChannel(-1, chunk, 0);
    if (ch < 0) {
        Mix_FreeChunk(chunk);
        return false;
    }
    d.chunks.emplace_back(ch, chunk);
    return true;
}

}  // namespace sorvel
