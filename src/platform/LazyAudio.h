// Music and alarm sound through the audio module, loaded on first use.
#pragma once

#include <QTimer>
#include <memory>
#include <string>

#include "platform/Services.h"

namespace sorvel {

// Loads libsorvel_audio.so from the module folder once; nullptr-safe. The
// data folder is where the user's own sound font may lie.
class AudioModule {
public:
    explicit AudioModule(std::string programFolder) : AudioModule(programFolder, programFolder) {}
    AudioModule(std::string moduleFolder, std::string dataFolder);
    ~AudioModule();
    Mci* mci();            // nullptr when the module cannot be loaded
    WavPlayer* wav();
    bool loaded() const { return handle_ != nullptr; }
    void shutdown();

    // The device is closed after this long without a sound, a track or a
    // command, unless something still plays; the next one opens it again.
    static constexpr int kQuietSpellMs = 10000;
    void setQuietSpell(int ms) { quietMs_ = ms; }
    // Something was asked of the device: the quiet spell starts again.
    void used();
    bool closeWaiting() const { return quiet_.isActive(); }

private:
    bool load();
    void quietSpellOver();
    QTimer quiet_;
    int quietMs_ = kQuietSpellMs;
    int64_t lastUseMs_ = 0;
    int (*closeIfQuiet_)() = nullptr;
    std::string folder_;
    std::string dataFolder_;
    void* handle_ = nullptr;
    bool tried_ = false;
    std::unique_ptr<Mci> mci_;
    std::unique_ptr<WavPlayer> wav_;
};

// Answers "no device open" until the first open loads the module.
class LazyMci : public Mci {
public:
    explicit LazyMci(AudioModule& m) : m_(m) {}
    int32_t sendString(const std::string& command, std::string* reply) override;
    std::string errorString(int32_t code) override;
    // Kept until the module is loaded, then handed on.
    bool setEndNotifier(std::function<void()> ended) override;

private:
    void handOnNotifier(Mci* real);
    AudioModule& m_;
    std::function<void()> ended_;
    bool handedOn_ = false;
};

class LazyWavPlayer : public WavPlayer {
public:
    explicit LazyWavPlayer(AudioModule& m) : m_(m) {}
    bool playFromMemory(const std::vector<uint8_t>& wav) override;
    // Loads the module and opens the device (nothing for an empty sound).
    void prepare(const std::vector<uint8_t>& wav) override;

private:
    AudioModule& m_;
};

}  // namespace sorvel
