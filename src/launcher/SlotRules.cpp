#include "launcher/SlotRules.h"

namespace sorvel {

bool isUrl(const std::string& s) {
    return s.compare(0, 7, "http://") == 0 || s.compare(0, 6, "ftp://") == 0;
}

char separatorFor(const std::string& s, char pathSep) {
    return isUrl(s) ? '/' : pathSep;
}

SlotSplit splitSlot(const std::string& s, char pathSep) {
    const char sep = separatorFor(s, pathSep);
    // Scan from the end; a separator in the last position is never a cut.
    for (size_t p = s.size(); p-- > 0;) {
        if (s[p] == sep && p + 1 != s.size()) {
            return {s.substr(0, p + 1), s.substr(p + 1)};
        }
    }
    return {s, s};
}

SlotKind slotKind(const std::string& s, char pathSep) {
    if (s.empty()) return SlotKind::Empty;
    if (isUrl(s)) return SlotKind::Url;
    const SlotSplit sp = splitSlot(s, pathSep);
    if (!sp.label.empty() && sp.label.back() == pathSep) return SlotKind::Folder;
    return SlotKind::File;
}

std::string launchFolder(const std::string& s, char pathSep) {
    const size_t p = s.rfind(pathSep);
    if (p == std::string::npos) return {};
    return s.substr(0, p + 1);
}

}  // namespace sorvel
