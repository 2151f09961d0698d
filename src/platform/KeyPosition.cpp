#include "platform/KeyPosition.h"

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

}  // namespace sorvel
