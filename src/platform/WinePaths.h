// Where Windows drive letters lead on this machine: the drive map of a Wine
// prefix ($WINEPREFIX, else ~/.wine), whose dosdevices/c: links to the
// folder that stands for drive C (usually ../drive_c).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sorvel {

class WinePaths {
public:
    virtual ~WinePaths() = default;
    // The local path of the components under a drive letter (either case),
    // each name matched as Wine matches it: as written, else without regard
    // to letter case. nullopt when the drive has no mapping or a component
    // is not there. No components: the drive's own folder.
    virtual std::optional<std::string> resolve(char drive, const std::vector<std::string>& components) = 0;
    // The wine program on the PATH; nullopt when it is not installed.
    virtual std::optional<std::string> wineProgram() = 0;
};

// The real drive map on the file system.
class PrefixWinePaths : public WinePaths {
public:
    // An empty prefix means $WINEPREFIX, else ~/.wine, looked up at each call.
    explicit PrefixWinePaths(std::string prefix = {}) : prefix_(std::move(prefix)) {}
    std::optional<std::string> resolve(char drive, const std::vector<std::string>& components) override;
    std::optional<std::string> wineProgram() override;

private:
    std::string prefix() const;
    std::string prefix_;
};

// The one the program uses where no other is given.
WinePaths& defaultWinePaths();

}  // namespace sorvel
