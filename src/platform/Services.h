// The operating-system services the program uses, each behind a small
// interface with one real implementation (Real*.cpp) and one fake for tests
// (Fakes.h).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sorvel {

// Steady 64-bit millisecond clock and the time of day.
class Clock {
public:
    virtual ~Clock() = default;
    virtual int64_t nowMs() = 0;
    virtual std::string timeOfDay() = 0;   // "hh:mm:ss"
};

// Opening targets the way the desktop shell does. Arguments follow the
// classic shell call: operation (nullopt = default), file, parameters,
// directory (nullopt = none), show command. Returns > 32 on success.
class Shell {
public:
    virtual ~Shell() = default;
    virtual int execute(const std::optional<std::string>& operation, const std::string& file,
                        const std::optional<std::string>& parameters, const std::optional<std::string>& directory,
                        int show) = 0;
    // Starts a program as a new detached process (used by the restart).
    virtual bool startProgram(const std::string& program, const std::string& directory) = 0;
};

class Beeper {
public:
    virtual ~Beeper() = default;
    virtual void beep() = 0;
};

class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual bool setText(const std::string& text) = 0;
};

class LocalAddress {
public:
    virtual ~LocalAddress() = default;
    // First non-loopback IPv4 address, "127.0.0.1" when there is none.
    virtual std::string localIp() = 0;
};

// Plays a WAV image held in memory without blocking.
class WavPlayer {
public:
    virtual ~WavPlayer() = default;
    virtual bool playFromMemory(const std::vector<uint8_t>& wav) = 0;
    // Gets ready to play this sound at once: the device open and the sound
    // decoded, so that the first playFromMemory with it only starts it.
    virtual void prepare(const std::vector<uint8_t>&) {}
};

// MCI-style string commands for the one music device "bgm".
class Mci {
public:
    virtual ~Mci() = default;
    virtual int32_t sendString(const std::string& command, std::string* reply) = 0;
    virtual std::string errorString(int32_t code) = 0;
    // Asks to be told when an open track comes to its end by itself, so that
    // nobody needs to ask "status bgm mode" just to find out. `ended` may be
    // called on any thread and must only hand the news on; nullptr stops
    // the news. False when the device cannot tell (then it is polled).
    virtual bool setEndNotifier(std::function<void()> ended) {
        (void)ended;
        return false;
    }
};

// MCI-style error codes.
enum MciError : int32_t {
    kMciOk = 0,
    kMciUnknownCommand = 261,
    // The file is gone: its folder is there and readable, the file is not.
    kMciFileNotFound = 275,
    // The file cannot be reached now: its folder, drive or share is not
    // there (a stick not plugged in, a share not mounted), or the path
    // cannot exist on this system (a Windows drive letter, a \\server path).
    kMciPathUnreachable = 276,
    kMciNotMidi = 296,
    kMciUnknownAlias = 263,
    kMciDeviceBusy = 289,
};

}  // namespace sorvel
