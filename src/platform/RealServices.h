// The real implementations of the platform services (Qt and POSIX).
#pragma once

#include "platform/Services.h"

namespace sorvel {

class SteadyClock : public Clock {
public:
    int64_t nowMs() override;
    std::string timeOfDay() override;
};

// Executables start as detached processes; everything else goes to the
// desktop's opener (xdg-open, else QDesktopServices). Never through a shell.
class DesktopShell : public Shell {
public:
    int execute(const std::optional<std::string>& operation, const std::string& file,
                const std::optional<std::string>& parameters, const std::optional<std::string>& directory,
                int show) override;
    bool startProgram(const std::string& program, const std::string& directory) override;
};

class DesktopBeeper : public Beeper {
public:
    void beep() override;
};

class QtClipboard : public Clipboard {
public:
    bool setText(const std::string& text) override;
};

class NetworkLocalAddress : public LocalAddress {
public:
    std::string localIp() override;

private:
    std::string cached_;
    int64_t cachedAt_ = -1;
};

}  // namespace sorvel
