#include "platform/Audio.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <fluidsynth.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "persistence/ItemFile.h"

namespace sorvel {

// ---- Standard MIDI File parsing --------------------------------------------

bool parseSmf(const std::vector<uint8_t>& d, int64_t& endTick) {
    endTick = 0;
    auto be32 = [&](size_t p) {
        return (uint32_t(d[p]) << 24) | (uint32_t(d[p + 1]) << 16) | (uint32_t(d[p + 2]) << 8) | uint32_t(d[p + 3]);
    };
    if (d.size() < 14 || std::memcmp(d.data(), "MThd", 4) != 0) return false;
    const uint32_t hlen = be32(4);
    if (hlen < 6 || hlen > d.size() - 8) return false;
    const int format = (d[8] << 8) | d[9];
    const int ntracks = (d[10] << 8) | d[11];
    if (format > 2 || ntracks < 1) return false;
    size_t p = 8 + hlen;
    int found = 0;
    while (p + 8 <= d.size() && found < ntracks) {
        const uint32_t len = be32(p + 4);
        const bool isTrack = std::memcmp(&d[p], "MTrk", 4) == 0;
        p += 8;
        const size_t end = (len > d.size() - p) ? d.size() : p + len;
        if (isTrack) {
            ++found;
            int64_t tick = 0, lastEvent = 0;
            uint8_t running = 0;
            size_t q = p;
            auto readVar = [&](uint32_t& v) {
                v = 0;
                for (int i = 0; i < 4; ++i) {
                    if (q >= end) return false;
                    const uint8_t b = d[q++];
                    v = (v << 7) | (b & 0x7f);
                    if (!(b & 0x80)) return true;
                }
                return false;
            };
            while (q < end) {
                uint32_t delta = 0;
                if (!readVar(delta)) break;
                tick += delta;
                if (q >= end) break;
                uint8_t st = d[q];
                if (st & 0x80) {
                    ++q;
                } else {
                    if (!running) break;
                    st = running;
                }
                if (st == 0xff) {
                    if (q >= end) break;
                    const uint8_t type = d[q++];
                    uint32_t l = 0;
                    if (!readVar(l) || l > end - q) break;
                    q += l;
                    lastEvent = tick;
                    if (type == 0x2f) break;
                } else if (st == 0xf0 || st == 0xf7) {
                    uint32_t l = 0;
                    if (!readVar(l) || l > end - q) break;
                    q += l;
                    lastEvent = tick;
                } else {
                    running = st;
                    const int hi = st & 0xf0;
                    const size_t n = (hi == 0xc0 || hi == 0xd0) ? 1 : 2;
                    if (n > end - q) break;
                    q += n;
                    lastEvent = tick;
                }
            }
            if (lastEvent > endTick) endTick = lastEvent;
        }
        p = end;
    }
    return found > 0;
}

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
    std::vector<std::pair<int, Mix_Chunk*>> chunks;
};

Device& device() {
    static Device d;
    return d;
}

void musicHook(void* udata, Uint8* stream, int len) {
    auto* d = static_cast<Device*>(udata);
    const int frames = len / 4;   // 16-bit stereo
    std::unique_lock<std::mutex> lock(d->mu, std::try_to_lock);
    if (!lock.owns_lock() || !d->synth) {
        std::memset(stream, 0, static_cast<size_t>(len));
        return;
    }
    fluid_synth_write_s16(d->synth, frames, stream, 0, 2, stream, 1, 2);
    if (fluid_synth_get_active_voice_count(d->synth) > 0) d->audibleFrames += frames;
    if (d->player && !d->ended) {
        const int st = fluid_player_get_status(d->player);
        const int cur = fluid_player_get_current_tick(d->player);
        if (st == FLUID_PLAYER_DONE || (st == FLUID_PLAYER_PLAYING && cur >= d->endTick)) d->ended = true;
    }
}

bool openDevice() {
    Device& d = device();
    if (d.tried) return d.open;
    d.tried = true;
    auto tryOpen = [&]() -> bool {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
        if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) != 0) {
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
}

// ---- MCI over FluidSynth -----------------------------------------------------

struct FluidMci::Impl {
    std::string folder;
    bool aliasOpen = false;
    std::string path;
    bool stopped = false;   // stopped by command (not by the end)
    double fontMs = 0;
    bool fontLoaded = false;
};

FluidMci::FluidMci(std::string programFolder) : d_(new Impl) { d_->folder = std::move(programFolder); }

FluidMci::~FluidMci() {
    std::string r;
    sendString("close bgm", &r);
    delete d_;
}

double FluidMci::soundFontLoadMs() const { return d_->fontMs; }
int64_t FluidMci::audibleFramesSinceOpen() const { return device().audibleFrames.load(); }

namespace {
bool startPlayer(Device& dev, const std::string& path) {
    if (dev.player) {
        fluid_player_stop(dev.player);
        delete_fluid_player(dev.player);
        dev.player = nullptr;
    }
    fluid_synth_all_sounds_off(dev.synth, -1);
    fluid_synth_system_reset(dev.synth);
    dev.player = new_fluid_player(dev.synth);
    if (!dev.player) return false;
    if (fluid_player_add(dev.player, path.c_str()) != FLUID_OK) {
        delete_fluid_player(dev.player);
        dev.player = nullptr;
        return false;
    }
    dev.ended = false;
    dev.audibleFrames = 0;
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
        int64_t endTick = 0;
        if (!parseSmf(std::vector<uint8_t>(data->begin(), data->end()), endTick)) return kMciNotMidi;
        if (!openDevice()) return kMciDeviceBusy;
        {
            std::lock_guard<std::mutex> g(dev.mu);
            if (!dev.synth) {
                dev.settings = new_fluid_settings();
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
                if (!d_->fontLoaded) std::fprintf(stderr, "sorvel_p: no General MIDI sound font found\n");
            }
            if (!startPlayer(dev, path)) return kMciNotMidi;
            dev.endTick = endTick;
        }
        Mix_HookMusic(musicHook, &dev);
        d_->aliasOpen = true;
        d_->path = path;
        d_->stopped = false;
        return kMciOk;
    }
    if (cmd == "play bgm" || cmd == "play bgm from 0") {
        if (!d_->aliasOpen) return kMciUnknownAlias;
        std::lock_guard<std::mutex> g(dev.mu);
        if (cmd == "play bgm from 0" || dev.ended || d_->stopped || !dev.player) {
            if (!startPlayer(dev, d_->path)) return kMciFileNotFound;
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
