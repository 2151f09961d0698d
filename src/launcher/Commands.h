// Slot activation, registration, page buttons and keyboard commands.
#pragma once

#include <functional>

#include "launcher/LauncherState.h"
#include "launcher/SlotRules.h"
#include "platform/Services.h"
#include "platform/WinePaths.h"

namespace sorvel {

enum MouseButtonCode { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };

// Mouse button pressed on slot button `index`. commitRegistration takes the
// window position and saves everything; it is called after the slot took
// the pending target. A Windows drive path opens the local path the Wine
// drive map gives (a .exe through wine), a UNC path its smb:// address; one
// that leads nowhere gets one stderr line and is counted all the same.
void SlotMouseDown(LauncherState& s, int index, int button, Shell& shell,
                   const std::function<void()>& commitRegistration, WinePaths& wine = defaultWinePaths());

// The registration commit, for a click and a drop alike: the slot takes the
// target and its two counts start afresh; then takePositionAndSave takes
// the window position and saves everything.
void CommitRegistration(LauncherState& s, int slot, const std::string& target,
                        const std::function<void()>& takePositionAndSave);

// "前" (0) and "次" (1): page change and banner; every index then wraps.
void PageButton(LauncherState& s, int index);
void WrapPage(LauncherState& s);

// The dialog's answer becomes the pending registration ("" cancels it).
// An answer that data.dat cannot hold (a double quote or a line break in
// it) is refused: false, and it cancels the registration as a cancelled
// dialog does, so no later click stores a target the user did not choose.
inline bool BeginRegistration(LauncherState& s) {
    if (!fitsItemFile(s.fileDialogValue)) {
        s.pendingPath.clear();
        return false;
    }
    s.pendingPath = s.fileDialogValue;
    return true;
}

// Virtual key codes the handler looks at.
enum KeyCode {
    kKeyEscape = 27,   // stops the alarm (the window's own use, not the handler's)
    kKeyDelete = 46,
    kKey0 = 48,
    kKey6 = 54,
    kKeyA = 65,
    kKeyZ = 90,
    kKeyPad0 = 96,
    kKeyPad6 = 102,
    kKeyF1 = 112,
    kKeyF3 = 114,
    kKeyF4 = 115,
    kKeyF5 = 116,
    kKeyF6 = 117,
    kKeyF9 = 120,
};

// What the keyboard commands ask of the window.
class KeyHost {
public:
    virtual ~KeyHost() = default;
    virtual bool launcherShown() const = 0;
    virtual void reseed() = 0;
    virtual void enterGamePrep() = 0;   // close the music list, hide List2
    virtual void toggleGameMode() = 0;
    virtual void startGame() = 0;
    virtual void typeLetter(char letter) = 0;   // a letter key in the game
    virtual void restart() = 0;         // does not return in the program
    virtual void beep() = 0;
    virtual bool confirmReset() = 0;    // the reset question; true = OK
    virtual void reset() = 0;           // empty slots, (0,0), save, load
};

// Returns true when the key was consumed by the game (a game key).
bool FormKeyDown(int keyCode, int16_t& resetStep, LauncherState& s, KeyHost& host);

}  // namespace sorvel
