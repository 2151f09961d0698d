// Fakes of the platform services, for tests.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <set>

#include "platform/Services.h"
#include "platform/WinePaths.h"

namespace sorvel {

class FakeClock : public Clock {
public:
    int64_t now = 0;
    std::string tod = "12:34:56";
    int64_t nowMs() override { return now; }
    std::string timeOfDay() override { return tod; }
};

class RecordingShell : public Shell {
public:
    struct Call {
        std::optional<std::string> operation;
        std::string file;
        std::optional<std::string> parameters;
        std::optional<std::string> directory;
        int show = 0;
    };
    std::vector<Call> calls;
    std::vector<std::pair<std::string, std::string>> programs;
    int execute(const std::optional<std::string>& op, const std::string& file,
                const std::optional<std::string>& params, const std::optional<std::string>& dir, int show) override {
        calls.push_back({op, file, params, dir, show});
        return 42;
    }
    bool startProgram(const std::string& program, const std::string& directory) override {
        programs.emplace_back(program, directory);
        return true;
    }
};

class CountingBeeper : public Beeper {
public:
    int beeps = 0;
    void beep() override { ++beeps; }
};

class FakeClipboard : public Clipboard {
public:
    std::string text;
    bool setText(const std::string& t) override {
        text = t;
        return true;
    }
};

class FakeLocalAddress : public LocalAddress {
public:
    std::string ip = "192.168.1.23";
    std::string localIp() override { return ip; }
};

class FakeWavPlayer : public WavPlayer {
public:
    int plays = 0;
    int prepares = 0;
    void prepare(const std::vector<uint8_t>&) override { ++prepares; }
    bool playFromMemory(const std::vector<uint8_t>&) override {
        ++plays;
        return true;
    }
};

// A scripted music device: files in `good` open, everything else fails;
// the test decides when a track has ended.
class FakeMci : public Mci {
public:
    std::vector<std::string> sent;
    std::map<std::string, bool> good;   // path -> opens
    std::set<std::string> unreachable;  // their folder is not there now
    std::set<std::string> notMidi;      // there, but no MIDI file
    bool openAnything = false;          // every path opens
    bool open = false;
    bool playing = false;
    std::string openPath;
    bool tellsEnd = true;                 // answers setEndNotifier
    std::function<void()> endNotifier;
    bool setEndNotifier(std::function<void()> ended) override {
        endNotifier = std::move(ended);
        return tellsEnd;
    }
    // The open track reaches its end by itself.
    void endTrack() {
        const bool wasPlaying = open && playing;
        playing = false;
        if (wasPlaying && tellsEnd && endNotifier) endNotifier();
    }
    int32_t sendString(const std::string& cmd, std::string* reply) override {
        sent.push_back(cmd);
        if (cmd.rfind("open \"", 0) == 0) {
            const auto q = cmd.find('"', 6);
            const std::string path = cmd.substr(6, q - 6);
            if (open) return kMciDeviceBusy;
            auto it = good.find(path);
            const bool anyMid = openAnything;
            if (unreachable.count(path)) return kMciPathUnreachable;
            if (notMidi.count(path)) return kMciNotMidi;
            if (!anyMid && (it == good.end() || !it->second)) return kMciFileNotFound;
            open = true;
            openPath = path;
            return kMciOk;
        }
        if (cmd == "play bgm" || cmd == "play bgm from 0") {
            if (!open) return kMciUnknownAlias;
            playing = true;
            return kMciOk;
        }
        if (cmd == "stop bgm") {
            if (!open) return kMciUnknownAlias;
            playing = false;
            return kMciOk;
        }
        if (cmd == "close bgm") {
            if (!open) return kMciUnknownAlias;
            open = false;
            playing = false;
            return kMciOk;
        }
        if (cmd == "status bgm mode") {
            if (!open) return kMciUnknownAlias;
            if (reply) *reply = playing ? "playing" : "stopped";
            return kMciOk;
        }
        return kMciUnknownCommand;
    }
    std::string errorString(int32_t code) override { return "error " + std::to_string(code); }
};

// A drive map held in memory: `paths` maps c:\users\a.txt (drive and
// components in lower case, "\"-joined; "c:" for the drive itself) to the
// local path. Unknown ones resolve to nothing.
class FakeWinePaths : public WinePaths {
public:
    std::map<std::string, std::string> paths;
    std::optional<std::string> wine = std::string("/usr/bin/wine");
    std::optional<std::string> resolve(char drive, const std::vector<std::string>& components) override {
        std::string key(1, drive);
        key += ':';
        for (const auto& c : components) key += "\\" + c;
        for (char& ch : key) {
            if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
        }
        const auto it = paths.find(key);
        if (it == paths.end()) return std::nullopt;
        return it->second;
    }
    std::optional<std::string> wineProgram() override { return wine; }
};

}  // namespace sorvel
