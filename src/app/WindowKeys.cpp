// The keyboard: a key press the window system hands to the window, as the
// virtual key code the key commands expect, and the key commands' requests.
#include <QKeyEvent>

#include "app/MainWindow.h"
#include "launcher/Commands.h"
#include "platform/KeyPosition.h"
#include "timer/TimerRules.h"

namespace sorvel {

int virtualKeyCode(int key, bool keypad, int mainRowDigit, int positionLetter) {
    // The main-row digits act by their place on the keyboard: with Shift,
    // or on layouts whose digit row types other characters, they still
    // are the digit keys.
    if (!keypad && mainRowDigit >= 0 && mainRowDigit <= 9) return 48 + mainRowDigit;
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return keypad ? 96 + (key - Qt::Key_0) : key;
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;
    // A Cyrillic or Greek letter acts as the letter key at its place.
    if (positionLetter >= 'A' && positionLetter <= 'Z') return positionLetter;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Delete: return 46;
        case Qt::Key_Backspace: return 8;
        case Qt::Key_Tab: return 9;
        case Qt::Key_Return:
        case Qt::Key_Enter: return 13;
        case Qt::Key_Shift: return 16;
        case Qt::Key_Control: return 17;
        case Qt::Key_Alt: return 18;
        case Qt::Key_Escape: return 27;
        case Qt::Key_Space: return 32;
        case Qt::Key_Left: return 37;
        case Qt::Key_Up: return 38;
        case Qt::Key_Right: return 39;
        case Qt::Key_Down: return 40;
        case Qt::Key_Insert: return 45;
        default: return 255;
    }
}

void MainWindow::formKeyDown(int vk) {
    catchUpSkippedFrames(sv_.clock->nowMs());
    FormKeyDown(vk, resetStep_, st_, *this);
    scheduleTick();
}

void MainWindow::reseed() { rng_.reseed(static_cast<uint32_t>(sv_.clock->nowMs())); }

void MainWindow::reset() {
    for (auto& p : st_.slotPath) p.clear();
    st_.windowPosition = {0, 0};
    panel_->musicList().clear();
    saveData();
    loadData();
}

bool MainWindow::windowKeyPress(const QKeyEvent& k) {
    const int digit = keyPositionsKnown_ ? mainRowDigitAt(k.nativeScanCode()) : -1;
    const int letter =
        keyPositionsKnown_ && isNonLatinLetter(k.text()) ? letterKeyAt(k.nativeScanCode()) : -1;
    const int vk = virtualKeyCode(k.key(), k.modifiers() & Qt::KeypadModifier, digit, letter);
    const bool game = !launcherMode();
    // Accessibility: Escape does what a mouse press on the surface does
    // while the alarm rings or its flash still shows; it is a key like any
    // other to the key handler.
    const bool stopAlarm = vk == kKeyEscape && alarmShows(st_, picture1_->surface().backColor() != kPictureGrey);
    formKeyDown(vk);
    if (stopAlarm) picture1MouseDown();
    // In the game, letters and the game's function keys act only here.
    if (game && ((vk >= kKeyA && vk <= kKeyZ) || vk == kKeyF4 || vk == kKeyF6)) return true;
    return vk == kKeyF6;
}

}  // namespace sorvel
