// Where a pressed key sits on the keyboard, independent of the layout.
#pragma once

#include <QString>
#include <cstdint>

namespace sorvel {

// True when the windowing system reports a key's position as an XKB key
// code (Linux input code + 8) in the native scan code, as X11 and Wayland do.
bool scanCodesAreKeyPositions(const QString& platformName);

// The digit 0..9 printed on the main-row key at XKB key code `code` on a
// standard keyboard, or -1 for any other key (the keypad included).
int mainRowDigitAt(uint32_t code);

// The capital letter A..Z on the key at XKB key code `code` of a standard
// (QWERTY) keyboard, or -1 for a key that holds no letter there.
int letterKeyAt(uint32_t code);

// True when text is one letter that is not a Latin one (Cyrillic, Greek
// ...): the layout gives no A..Z on that key, so its position tells.
bool isNonLatinLetter(const QString& text);

}  // namespace sorvel
