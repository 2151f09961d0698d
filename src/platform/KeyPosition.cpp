#include "platform/KeyPosition.h"

#include <QList>
#include <string_view>

namespace sorvel {

bool scanCodesAreKeyPositions(const QString& platformName) {
    return platformName == QLatin1String("xcb") || platformName.startsWith(QLatin1String("wayland"));
}

int mainRowDigitAt(uint32_t code) {
    // Linux input codes KEY_1..KEY_9 are 2..10 and KEY_0 is 11; XKB adds 8.
    if (code >= 10 && code <= 18) return static_cast<int>(code) - 9;
    if (code == 19) return 0;
    return -1;
}

int letterKeyAt(uint32_t code) {
    // The three letter rows: Linux codes KEY_Q.., KEY_A.., KEY_Z.. plus 8.
    static const char* const kRows[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
    static const uint32_t kFirst[] = {24, 38, 52};
    for (int r = 0; r < 3; ++r) {
        const std::string_view row = kRows[r];
        if (code >= kFirst[r] && code < kFirst[r] + row.size()) return row[code - kFirst[r]];
    }
    return -1;
}

bool isNonLatinLetter(const QString& text) {
    if (text.size() != 1 && !(text.size() == 2 && text[0].isHighSurrogate())) return false;
    const char32_t c = text.toUcs4().value(0);
    if (c < 0x80) return false;
    if (!QChar::isLetter(c)) return false;
    // Accented Latin letters (é, ü, ñ ...) and the other Latin blocks keep
    // their own meaning.
    return QChar::script(c) != QChar::Script_Latin;
}

}  // namespace sorvel
