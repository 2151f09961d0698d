#include "launcher/Commands.h"

#include "launcher/SlotPage.h"
#include "launcher/SlotRules.h"

namespace sorvel {

namespace {
void countUse(LauncherState& s, int n) {
    wrapAdd(s.slotUseCount[n], 1);
    wrapAdd(s.slotSessionCount[n], 1);
}
}  // namespace

void SlotMouseDown(LauncherState& s, int index, int button, Shell& shell,
                   const std::function<void()>& commitRegistration) {
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
        if (url) {
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
        if (path.empty()) {
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

bool FormKeyDown(int key, int16_t& resetStep, LauncherState& s, GameState& g, const KeyActions& a) {
    if (a.reseed) a.reseed();
    const bool launcher = a.launcherShown ? a.launcherShown() : true;
    bool gameKey = false;
    if (launcher && key == kKeyF6) {
        if (a.enterGamePrep) a.enterGamePrep();
        if (a.toggleGameMode) a.toggleGameMode();
        return true;
    }
    if (!launcher && key == kKeyF6) {
        if (a.toggleGameMode) a.toggleGameMode();
        return true;
    }
    if (!launcher && key == kKeyF4) {
        if (a.startGame) a.startGame();
        return true;
    }
    if (!launcher && key >= kKeyA && key <= kKeyZ) {
        g.typedKeys += static_cast<char>(key);
        gameKey = true;
    }

    static const int expected[] = {kKeyF1, kKeyF9, kKeyF3, kKeyDelete};
    if (resetStep == 1 && key == kKeyF5) {
        if (a.restart) a.restart();
        return gameKey;
    }
    if (resetStep >= 0 && resetStep <= 3 && key == expected[resetStep]) {
        ++resetStep;
        if (a.beep) a.beep();
    } else {
        resetStep = 0;
    }

    if (resetStep >= 4) {
        if (a.askReset && a.askReset()) {
            if (a.reset) a.reset();
        }
    }

    if (key >= kKey0 && key <= kKey6) s.rowLevel = static_cast<int16_t>(key - kKey0);
    if (key >= kKeyPad0 && key <= kKeyPad6) s.rowLevel = static_cast<int16_t>(key - kKeyPad0);
    return gameKey;
}

}  // namespace sorvel
