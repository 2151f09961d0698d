#include "platform/LazyAudio.h"

#include <dlfcn.h>

#include <chrono>
#include <cstdio>

#include "platform/AppPaths.h"

namespace sorvel {

namespace {
using CreateMci = Mci* (*)(const char*);
using CreateWav = WavPlayer* (*)();
using Shutdown = void (*)();
using CloseIfQuiet = int (*)();

int64_t monotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

AudioModule::AudioModule(std::string moduleFolder, std::string dataFolder)
    : folder_(std::move(moduleFolder)), dataFolder_(std::move(dataFolder)) {
    quiet_.setSingleShot(true);
    quiet_.setTimerType(Qt::VeryCoarseTimer);
    QObject::connect(&quiet_, &QTimer::timeout, [this] { quietSpellOver(); });
}

AudioModule::~AudioModule() { shutdown(); }

void AudioModule::used() {
    if (!handle_) return;
    lastUseMs_ = monotonicMs();
    // One timer for the whole spell: a track's polls, twenty a second,
    // only move its end.
    if (!quiet_.isActive()) quiet_.start(quietMs_);
}

void AudioModule::quietSpellOver() {
    if (!handle_ || !closeIfQuiet_) return;
    const int64_t since = monotonicMs() - lastUseMs_;
    if (since < quietMs_) {
        quiet_.start(static_cast<int>(quietMs_ - since));
        return;
    }
    // Still playing: look again after another spell.
    if (!closeIfQuiet_()) quiet_.start(quietMs_);
}

bool AudioModule::load() {
    if (tried_) return handle_ != nullptr;
    tried_ = true;
    const std::string path = programFile(folder_, "libsorvel_audio.so");
    handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        std::fprintf(stderr, "sorvel_p: no sound (%s)\n", ::dlerror());
        return false;
    }
    auto createMci = reinterpret_cast<CreateMci>(::dlsym(handle_, "sorvel_audio_create_mci"));
    auto createWav = reinterpret_cast<CreateWav>(::dlsym(handle_, "sorvel_audio_create_wav"));
    if (!createMci || !createWav) {
        std::fprintf(stderr, "sorvel_p: %s is not the audio module\n", path.c_str());
        ::dlclose(handle_);
        handle_ = nullptr;
        return false;
    }
    mci_.reset(createMci(dataFolder_.c_str()));
    wav_.reset(createWav());
    closeIfQuiet_ = reinterpret_cast<CloseIfQuiet>(::dlsym(handle_, "sorvel_audio_close_if_quiet"));
    return true;
}

Mci* AudioModule::mci() { return load() ? mci_.get() : nullptr; }
WavPlayer* AudioModule::wav() { return load() ? wav_.get() : nullptr; }

void AudioModule::shutdown() {
    quiet_.stop();
    if (!handle_) return;
    mci_.reset();
    wav_.reset();
    if (auto down = reinterpret_cast<Shutdown>(::dlsym(handle_, "sorvel_audio_shutdown"))) down();
    // The module stays mapped: the audio libraries may keep threads or
    // exit handlers of their own.
}

int32_t LazyMci::sendString(const std::string& command, std::string* reply) {
    if (!m_.loaded() && command.rfind("open ", 0) != 0) return kMciUnknownAlias;
    Mci* real = m_.mci();
    if (!real) return kMciDeviceBusy;
    if (!handedOn_) handOnNotifier(real);
    const int32_t r = real->sendString(command, reply);
    m_.used();
    return r;
}

bool LazyMci::setEndNotifier(std::function<void()> ended) {
    ended_ = std::move(ended);
    handedOn_ = false;
    if (m_.loaded()) {
        if (Mci* real = m_.mci()) handOnNotifier(real);
    }
    return true;
}

void LazyMci::handOnNotifier(Mci* real) {
    handedOn_ = true;
    real->setEndNotifier(ended_);
}

std::string LazyMci::errorString(int32_t code) {
    if (Mci* real = m_.loaded() ? m_.mci() : nullptr) return real->errorString(code);
    return "error " + std::to_string(code);
}

bool LazyWavPlayer::playFromMemory(const std::vector<uint8_t>& wav) {
    if (wav.size() < 12) return false;   // nothing to play: no need for the device
    WavPlayer* real = m_.wav();
    const bool ok = real && real->playFromMemory(wav);
    m_.used();
    return ok;
}

void LazyWavPlayer::prepare(const std::vector<uint8_t>& wav) {
    if (wav.size() < 12) return;
    if (WavPlayer* real = m_.wav()) real->prepare(wav);
    m_.used();
}

}  // namespace sorvel
