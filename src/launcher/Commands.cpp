#include "launcher/Commands.h"

#include <cstdio>

#include "launcher/SlotRules.h"

namespace sorvel {

namespace {
void countUse(LauncherState& s, int n) {
    wrapAdd(s.slotUseCount[n], 1);
    wrapAdd(s.slotSessionCount[n], 1);
}
// The local path of a Windows drive path; nullopt (and one stderr line
// naming it) when the drive map leads nowhere.
std::optional<std::string> mapOrSay(const std::string& path, WinePaths& wine) {
    auto local = mapWindowsPath(path, wine);
    if (!local) {
        std::fprintf(stderr, "sorvel_p: %s leads nowhere on this system (no such drive or file in the Wine drive map)\n",
                     path.c_str());
    }
    return local;
}

// Left button on a Windows path: the target itself, as the local path the
// drive map gives or as an smb:// address; a Windows program through wine.
void openWindowsTarget(const std::string& path, Shell& shell, WinePaths& wine) {
    if (isUncPath(path)) {
        shell.execute(std::string("open"), uncToSmbUrl(path), std::nullopt, std::nullopt, 1);
        return;
    }
    const auto local = mapOrSay(path, wine);
    if (!local) return;
    const std::string dir = mapWindowsPath(launchFolder(path, '\\'), wine).value_or(std::string());
    const auto folder = dir.empty() ? std::nullopt : std::optional<std::string>(dir);
    if (!isWindowsProgram(path)) {
        shell.execute(std::nullopt, *local, std::nullopt, folder, 1);
        return;
    }
    const auto wineProgram = wine.wineProgram();
    if (!wineProgram) {
        std::fprintf(stderr, "sorvel_p: cannot start %s: wine is not installed\n", path.c_str());
        return;
    }
    // One argument, quoted as the shell's parameter splitting reads it.
    std::string quoted = "\"";
    for (char c : *local) quoted += c == '"' ? std::string("\"\"\"") : std::string(1, c);
    quoted += '"';
    shell.execute(std::nullopt, *wineProgram, quoted, folder, 1);
}

// Right button on a Windows path: the folder that holds the target.
void openWindowsFolder(const std::string& path, Shell& shell, WinePaths& wine) {
    const std::string dir = launchFolder(path, '\\');
    if (isUncPath(path)) {
        shell.execute(std::string("open"), uncToSmbUrl(dir), std::nullopt, std::nullopt, 1);
        return;
    }
    if (const auto local = mapOrSay(dir, wine)) shell.execute(std::string("open"), *local, std::nullopt, std::nullopt, 1);
}
}  // namespace

void SlotMouseDown(LauncherState& s, int index, int button, Shell& shell,
                   const std::function<void()>& commitRegistration, WinePaths& wine) {
    if (index < 0 || index > 9) return;
    const int n = slotNumber(s.slotPage, index);
    if (n < 0 || n >= kSlotCount) return;

    if (!s.pendingPath.empty()) {
        if (button == kLeftButton) CommitRegistration(s, n, s.pendingPath, commitRegistration);
        s.pendingPath.clear();
        return;
    }

    const std::string path = s.slotPath[n];
    const bool url = isUrl(path);
    if (button == kLeftButton) {
        if (isWindowsPath(path)) {
            openWindowsTarget(path, shell, wine);
        } else if (url) {
            shell.execute(std::string("open"), path, std::nullopt, std::nullopt, 1);
        } else if (path.empty()) {
            shell.execute(std::nullopt, "", std::nullopt, std::string(), 1);
        } else {
            const std::string dir = launchFolder(path, kPathSep);
            // A bare name (hand-edited data) is tried without a working folder.
            shell.execute(std::nullopt, path, std::nullopt,
                          dir.empty() ? std::nullopt : std::optional<std::string>(dir), 1);
        }
        countUse(s, n);
    } else if (button == kRightButton) {
        if (url) return;
        if (isWindowsPath(path)) {
            openWindowsFolder(path, shell, wine);
        } else if (path.empty()) {
            shell.execute(std::string("open"), "", std::nullopt, std::nullopt, 1);
        } else {
            const std::string dir = launchFolder(path, kPathSep);
            if (!dir.empty()) shell.execute(std::string("open"), dir, std::nullopt, std::nullopt, 1);
        }
        countUse(s, n);
    } else {
        countUse(s, n);
    }
}

void CommitRegistration(LauncherState& s, int slot, const std::string& target,
                        const std::function<void()>& takePositionAndSave) {
    // A name the slot file cannot hold is never stored.
    if (slot < 0 || slot >= kSlotCount || !fitsItemFile(target)) return;
    s.slotPath[slot] = target;
    s.slotUseCount[slot] = 0;
    s.slotSessionCount[slot] = 0;
    if (takePositionAndSave) takePositionAndSave();
}

void WrapPage(LauncherState& s) {
    if (s.slotPage < 0) s.slotPage = 24;
    if (s.slotPage > 24) s.slotPage = 0;
}

void PageButton(LauncherState& s, int index) {
    if (index == 0 || index == 1) {
        wrapAdd(s.slotPage, index == 0 ? -1 : 1);
        s.pageBannerTicks = static_cast<int32_t>(s.framesPerSecond) * 2;
    }
    WrapPage(s);
}

bool FormKeyDown(int key, int16_t& resetStep, LauncherState& s, KeyHost& a) {
    a.reseed();
    const bool launcher = a.launcherShown();
    bool gameKey = false;
    if (launcher && key == kKeyF6) {
        a.enterGamePrep();
        a.toggleGameMode();
        return true;
    }
    if (!launcher && key == kKeyF6) {
        a.toggleGameMode();
        return true;
    }
    if (!launcher && key == kKeyF4) {
        a.startGame();
        return true;
    }
    if (!launcher && key >= kKeyA && key <= kKeyZ) {
        a.typeLetter(static_cast<char>(key));
        gameKey = true;
    }

    static const int expected[] = {kKeyF1, kKeyF9, kKeyF3, kKeyDelete};
    if (resetStep == 1 && key == kKeyF5) {
        a.restart();
        return gameKey;
    }
    if (resetStep >= 0 && resetStep <= 3 && key == expected[resetStep]) {
        ++resetStep;
        a.beep();
    } else {
        resetStep = 0;
    }

    if (resetStep >= 4 && a.confirmReset()) a.reset();

    if (key >= kKey0 && key <= kKey6) s.rowLevel = static_cast<int16_t>(key - kKey0);
    if (key >= kKeyPad0 && key <= kKeyPad6) s.rowLevel = static_cast<int16_t>(key - kKeyPad0);
    return gameKey;
}

}  // namespace sorvel
